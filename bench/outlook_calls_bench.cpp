// The cost of one Outlook call, in process and across processes: run in each
// mode (scripts/bench runs it in process first, then with QV_SIM_MODE=local),
// it keeps its figures in outlook_calls.json; the local run sets both modes
// side by side.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "bench/bench_support.h"
#include "outlook/outlook_app.h"
#include "tests/support/mailbox_json.h"
#include "tests/support/paths.h"
#include "tests/support/sim_support.h"

namespace qv::bench {
namespace {

constexpr int kCalls = 400;  // per measure
constexpr int kRuns = 5;     // measures, of which the median

// Microseconds per call: the median over the runs of kCalls calls.
double per_call_us(const std::function<void()>& call) {
  return median_seconds(kRuns,
                        [&] {
                          for (int i = 0; i < kCalls; ++i) {
                            call();
                          }
                        }) *
         1e6 / kCalls;
}

// Milliseconds of a connection (create_outlook_application) to an Outlook
// that does not run: the local server is closed before each, and the
// connection starts it through COM; in process the DLL stays loaded.
double connect_to_a_stopped_outlook_ms() {
  std::vector<double> ms;
  for (int run = 0; run < 3; ++run) {
    stop_serving();
    const double start = now_seconds();
    create_outlook_application();
    ms.push_back((now_seconds() - start) * 1e3);
  }
  qv::test::close_outlook();
  return median(ms);
}

nlohmann::json measure(const std::wstring& mailbox) {
  nlohmann::json figures;
  ::SetEnvironmentVariableW(qv::test::kMailboxVariable, mailbox.c_str());
  if (local_server()) {
    figures["connect_started_ms"] = connect_to_a_stopped_outlook_ms();
  }
  serve_mailbox(mailbox);
  figures["connect_running_us"] = per_call_us([] { create_outlook_application(); });
  const com_ptr<_Application> application = create_outlook_application();
  const com_ptr<_Folders> folders = outlook::folders(outlook::get_namespace(application, L"MAPI"));
  const com_ptr<MAPIFolder> folder = outlook::item(folders, 1);
  figures["count_us"] = per_call_us([&] { outlook::count(folders); });
  figures["item_us"] = per_call_us([&] { outlook::item(folders, 1); });
  figures["entry_id_us"] = per_call_us([&] { outlook::entry_id(folder); });
  figures["by_name_us"] = per_call_us([&] { property_text(folder.get(), L"FolderPath"); });
  return figures;
}

std::string figure(const nlohmann::json& figures, const char* name, const char* unit) {
  return figures.contains(name) ? format("%.1f %s", figures[name].get<double>(), unit) : "";
}

void run(Report& report, const qv::test::TempDir& dir) {
  const std::wstring mailbox = dir.file(L"mailbox.json");
  nlohmann::json description = qv::test::mailbox_of({qv::test::simple_store()});
  write_mailbox(mailbox, description);
  const nlohmann::json figures = measure(mailbox);
  // The in-process figures, kept for the local run beside the report files.
  const std::wstring kept = report.folder() + L"\\outlook_calls.json";
  if (!local_server()) {
    qv::test::write_text_file(kept, figures.dump());
    return;
  }
  const nlohmann::json in_process = qv::test::path_exists(kept)
                                        ? nlohmann::json::parse(qv::test::read_text_file(kept))
                                        : nlohmann::json::object();
  report.text(
      "## One Outlook call\n\n"
      "What one call of the library to Outlook costs with the simulated Outlook in the "
      "program's own process (`outlook_sim.dll`) and in a process of its own "
      "(`outlook_sim_server.exe`, as Outlook runs for its users), where every call crosses the "
      "process boundary through proxies that COM builds from Outlook's type library. Each "
      "figure is the median of " +
      format("%d measures of %d calls", kRuns, kCalls) +
      "; a connection is the product's (`CoCreateInstance`, `OleRun`, `QueryInterface`).\n\n"
      "| Call | In process | Local server |\n|---|---|---|\n");
  const struct {
    const char* label;
    const char* name;
    const char* unit;
  } rows[] = {
      {"connection to an Outlook that does not run (COM starts it)", "connect_started_ms", "ms"},
      {"connection to a running Outlook", "connect_running_us", "µs"},
      {"`_Folders.Count` (a typed member giving a number)", "count_us", "µs"},
      {"`_Folders.Item` (a typed member giving an object, released)", "item_us", "µs"},
      {"`MAPIFolder.EntryID` (a typed member giving a text)", "entry_id_us", "µs"},
      {"`FolderPath` by name (`GetIDsOfNames` and `Invoke`)", "by_name_us", "µs"},
  };
  for (const auto& row : rows) {
    report.text(format("| %s | %s | %s |\n", row.label,
                       figure(in_process, row.name, row.unit).c_str(),
                       figure(figures, row.name, row.unit).c_str()));
  }
  report.text(
      "\nIn process a connection to an Outlook that does not run is the DLL's first load, made "
      "once per process; across processes Wine's COM, having started the server, waits a whole "
      "second before it looks for the class again.\n\n");
}

}  // namespace
}  // namespace qv::bench

int wmain(int argc, wchar_t** argv) {
  return qv::bench::run_benchmark(argc, argv, "outlook_calls", qv::bench::run);
}
