// What the benchmarks share: timing with medians, the simulators' setup, the
// report files that scripts/bench assembles into docs/performance.md, and
// the call counts set beside the number of calls each operation should make.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/paths.h"

namespace qv::bench {

// Seconds on a steady clock.
double now_seconds();

// The median of the values (the mean of the two middle ones for an even
// count); 0 for none.
double median(std::vector<double> values);

// Runs body `runs` times and returns the median of the seconds each run took.
double median_seconds(int runs, const std::function<void()>& body);

// printf into a std::string.
std::string format(const char* pattern, ...);

// UTF-8 of wide text, and the reverse.
std::string narrow(const std::wstring& text);
std::wstring widen(const std::string& text);

// Registers the simulated Outlook of the run's mode (QV_SIM_MODE: in the
// program's process, or as the local server) and makes Outlook the default
// mail client (the MAPI library is then the simulated mapi32.dll beside the
// program).
void use_simulators();

// Whether the simulated Outlook runs as the local server in this run.
bool local_server();

// Serves the description at path from now on: in process, the simulated
// Outlook loaded here is reset to it; as the local server, one is started on
// it, as a user starts Outlook (after the one that ran is closed), and runs
// until the next description or the end of the benchmark, one object of each
// kind held meanwhile (bench_support.cpp says why).
void serve_mailbox(const std::wstring& path);
// Closes the local server that serve_mailbox started, if any.
void stop_serving();

// Runs body on a new thread with a large stack, COM initialised on it, and
// returns its exit code (1 when it threw): the simulators read mailbox
// descriptions recursively, and a chain of folders 10,000 deep needs more
// than the main thread's stack.
int run_on_large_stack(const std::function<int()>& body);

// Writes a mailbox description to a file (without checking it first: the
// simulators check what they read).
void write_mailbox(const std::wstring& path, const nlohmann::json& description);

// How often a simulator's report counts a call, per unit of work.
double calls_per(const nlohmann::json& report, const char* call, double units);

// The report files of one benchmark in the folder given on its command line:
//   <name>.md        the benchmark's section of docs/performance.md
//   <name>.calls.md  its rows of the call-count table
//   <name>.tsv       chart data: series, size, microseconds per unit
class Report {
 public:
  Report(const std::wstring& folder, const std::string& name);
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;
  ~Report();

  // Markdown for the section (also echoed to standard output).
  void text(const std::string& markdown);
  // One row of the call-count table: the operation, the call, what it
  // should make per unit of work, and what the simulator counted per unit.
  void calls(const std::string& operation, const std::string& call, double prescribed,
             double measured);
  void point(const std::string& series, double size, double microseconds);
  // The folder of the report files.
  const std::wstring& folder() const { return folder_; }

 private:
  std::wstring folder_;
  std::FILE* section_ = nullptr;
  std::FILE* calls_ = nullptr;
  std::FILE* data_ = nullptr;
};

// The entry of a benchmark program whose first argument is the folder for the
// report files: sets the simulators up, then runs body on a large stack with a
// temporary folder and the report files of `name` (`name`-local when the
// simulated Outlook runs as the local server). Returns the exit code: 1
// when body throws.
int run_benchmark(int argc, wchar_t** argv, const std::string& name,
                  const std::function<void(Report&, const qv::test::TempDir&)>& body);

}  // namespace qv::bench
