// The driver's whole run against the floor of any program under Wine: in
// each round, the empty program, qv_driver.exe and driver_phases.exe (the
// same phases, timed inside the process) are started one after the other
// against the sample mailbox, so that all three see the same load of the
// machine; the report gives the medians and their ratios to the floor.
#include <windows.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "tests/support/paths.h"
#include "tests/support/process.h"
#include "tests/support/sim_support.h"

namespace qv::bench {
namespace {

constexpr int kRounds = 15;

// Milliseconds that the program took from its start to its end, seen from
// here; the child's standard output goes to output.
double run_ms(const wchar_t* program, const qv::test::ProcessOptions& options,
              std::string* output = nullptr) {
  const double start = now_seconds();
  const qv::test::ProcessResult result =
      qv::test::run_process(qv::test::bin_path(program), options);
  const double ms = (now_seconds() - start) * 1e3;
  if (result.exit_code != 0 || result.timed_out) {
    throw std::runtime_error(narrow(program) + " failed: " + result.standard_error);
  }
  if (output != nullptr) {
    *output = result.standard_output;
  }
  return ms;
}

void run(Report& report) {
  qv::test::ProcessOptions options;
  options.environment[qv::test::kMailboxVariable] = qv::test::sample_mailbox_path();
  // As the local server, Outlook runs before the driver, as for its users:
  // the rounds measure the calls, not the start of Outlook (outlook_calls).
  serve_mailbox(qv::test::sample_mailbox_path());
  std::vector<double> floor;
  std::vector<double> driver;
  std::vector<double> phases_process;
  std::vector<std::vector<double>> phases(5);
  size_t folders = 0;
  for (int round = 0; round < kRounds; ++round) {
    floor.push_back(run_ms(L"empty_program.exe", options));
    driver.push_back(run_ms(L"qv_driver.exe", options));
    std::string line;
    phases_process.push_back(run_ms(L"driver_phases.exe", options, &line));
    std::istringstream fields(line);
    for (std::vector<double>& phase : phases) {
      double ms = 0;
      fields >> ms;
      phase.push_back(ms);
    }
    fields >> folders;
  }
  const double floor_ms = median(floor);
  const double driver_ms = median(driver);
  double inside_ms = 0;
  for (const std::vector<double>& phase : phases) {
    inside_ms += median(phase);
  }
  report.text(format(
      "## The driver's run%s\n\n"
      "%s"
      "`qv_driver.exe` against `sim/mailboxes/sample.json` (%zu folders), each figure the "
      "median of %d rounds; in each round the empty program, the driver and `driver_phases.exe` "
      "(the driver's phases with the same library calls, timed inside the process) ran one "
      "after the other. The floor is a program that does nothing, started the same way.\n\n"
      "| Run | Median ms | × floor |\n|---|---|---|\n"
      "| empty program (the floor) | %.1f | 1.00 |\n"
      "| **qv_driver.exe, whole run** | **%.1f** | **%.2f** |\n"
      "| driver_phases.exe, whole run | %.1f | %.2f |\n\n",
      local_server() ? ", Outlook in its own process" : "",
      local_server() ? "The simulated Outlook is the local server, started before the rounds "
                       "as a user starts Outlook; every Outlook call crosses the process "
                       "boundary.\n\n"
                     : "",
      folders, kRounds, floor_ms, driver_ms, driver_ms / floor_ms, median(phases_process),
      median(phases_process) / floor_ms));
  const char* names[] = {"CoInitialize", "1: selection (`selected_item_urls`)",
                         "2: `Mapi` created, folders listed", "3: logon, item opened, subject read",
                         "shared `Mapi` and phase 2's `Mapi` ended"};
  report.text(
      "Phase by phase, inside `driver_phases.exe` (the rest of its run is Wine starting and "
      "ending the process and loading its DLLs):\n\n"
      "| Phase | Median ms | × floor |\n|---|---|---|\n");
  for (size_t i = 0; i < phases.size(); ++i) {
    const double ms = median(phases[i]);
    report.text(format("| %s | %.2f | %.3f |\n", names[i], ms, ms / floor_ms));
  }
  const double rest = median(phases_process) - inside_ms;
  report.text(
      format("| process start and exit (the rest) | %.1f | %.2f |\n\n", rest, rest / floor_ms));
}

}  // namespace
}  // namespace qv::bench

int wmain(int argc, wchar_t** argv) {
  return qv::bench::run_benchmark(
      argc, argv, "driver",
      [](qv::bench::Report& report, const qv::test::TempDir&) { qv::bench::run(report); });
}
