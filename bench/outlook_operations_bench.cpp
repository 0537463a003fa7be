// Measures the object-model operations besides the folder listing against
// the simulated Outlook: the selection as item URLs (selected_item_urls) for
// selections of growing size, and the resolution of a path-form URL
// (resolve_path_url) whose item is the last of a folder of 10,000 and
// 100,000 items, so that the search reads every item.
#include <windows.h>

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "bench/bench_support.h"
#include "errors/exceptions.h"
#include "mapi/mapi.h"
#include "outlook/path_resolution.h"
#include "outlook/selection.h"
#include "tests/support/mailbox_json.h"
#include "tests/support/paths.h"
#include "tests/support/sim_support.h"

namespace qv::bench {
namespace {

std::string subject_of(int number) { return format("Item %06d", number); }

// One store, \\Big\Inbox, with `items` items "Item 000001", ...; the first
// `selected` of them are selected in the explorer.
nlohmann::json inbox_mailbox(int items, int selected) {
  nlohmann::json list = nlohmann::json::array();
  for (int i = 1; i <= items; ++i) {
    list.push_back({{"id", format("i%d", i)}, {"subject", subject_of(i)}});
  }
  nlohmann::json inbox = qv::test::folder("Inbox", "F0000001");
  inbox["items"] = std::move(list);
  nlohmann::json mailbox = qv::test::mailbox_of({qv::test::store("Big", "F0000000", {inbox})});
  nlohmann::json selection = nlohmann::json::array();
  for (int i = 1; i <= selected; ++i) {
    selection.push_back(format("i%d", i));
  }
  mailbox["explorer"] = {{"selection", selection}};
  return mailbox;
}

void serve(const qv::test::TempDir& dir, const nlohmann::json& mailbox) {
  const std::wstring path = dir.file(L"mailbox.json");
  write_mailbox(path, mailbox);
  if (FAILED(qv::test::use_outlook_mailbox(path))) {
    throw std::runtime_error("the simulated Outlook refused a generated mailbox");
  }
}

void selection_bench(Report& report, const qv::test::TempDir& dir) {
  report.text(
      "## Selection\n\n"
      "`selected_item_urls()` with N items selected in a folder of 1,000 items (median of 15 "
      "calls).\n\n"
      "| Selected | Median ms | µs per item |\n|---|---|---|\n");
  for (const int selected : {1, 100, 1000}) {
    serve(dir, inbox_mailbox(1000, selected));
    if (selected == 1000) {
      selected_item_urls();
      const nlohmann::json outlook = qv::test::outlook_report_now();
      const char* operation = "selected_item_urls, per selected item";
      report.calls(operation, "Selection.Item", 1, calls_per(outlook, "Selection.Item", selected));
      report.calls(operation, "Item.GetIDsOfNames", 1,
                   calls_per(outlook, "Item.GetIDsOfNames", selected));
      report.calls(operation, "Item.Invoke(EntryID)", 1,
                   calls_per(outlook, "Item.Invoke(EntryID)", selected));
      report.calls("selected_item_urls, per call", "Selection.Count", 1,
                   calls_per(outlook, "Selection.Count", 1));
    }
    const double seconds = median_seconds(15, [] { selected_item_urls(); });
    report.text(
        format("| %d | %.3f | %.2f |\n", selected, seconds * 1e3, seconds * 1e6 / selected));
    report.point("selection", selected, seconds * 1e6 / selected);
  }
  report.text("\n");
}

void resolution_bench(Report& report, const qv::test::TempDir& dir) {
  report.text(
      "## Path-form URL resolution\n\n"
      "`resolve_path_url(mapi, \"outlook:\\\\\\\\Big\\\\Inbox\\\\Item N\", false)` for the last "
      "item of a folder of N items, so that the search reads every subject; the folder map is "
      "built before the runs.\n\n"
      "| Items in the folder | Runs | Median s | µs per item read |\n|---|---|---|---|\n");
  Mapi mapi;
  for (const int items : {10000, 100000}) {
    serve(dir, inbox_mailbox(items, 0));
    const std::wstring url = L"outlook:\\\\Big\\Inbox\\" + widen(subject_of(items));
    bool refresh = true;
    mapi.list_folders(refresh);
    if (items == 10000) {
      qv::test::use_outlook_mailbox(dir.file(L"mailbox.json"));  // counts afresh
      if (resolve_path_url(mapi, url, false).empty()) {
        throw std::runtime_error("the last item was not found");
      }
      const nlohmann::json outlook = qv::test::outlook_report_now();
      const char* operation = "resolve_path_url, per item read";
      // Count before every position, Item and Subject for every item; the
      // match takes Item again for its EntryID.
      report.calls(operation, "_Items.Count", 1, calls_per(outlook, "_Items.Count", items));
      report.calls(operation, "_Items.Item", (items + 1.0) / items,
                   calls_per(outlook, "_Items.Item", items));
      report.calls(operation, "Item.Invoke(Subject)", 1,
                   calls_per(outlook, "Item.Invoke(Subject)", items));
      report.calls("resolve_path_url, per call", "_NameSpace.GetFolderFromID", 1,
                   calls_per(outlook, "_NameSpace.GetFolderFromID", 1));
      report.calls("resolve_path_url, per call", "Item.Invoke(EntryID)", 1,
                   calls_per(outlook, "Item.Invoke(EntryID)", 1));
    }
    const int runs = items < 100000 ? 5 : 3;
    const double seconds = median_seconds(runs, [&] { resolve_path_url(mapi, url, false); });
    report.text(format("| %d | %d | %.3f | %.2f |\n", items, runs, seconds, seconds * 1e6 / items));
    report.point("resolution", items, seconds * 1e6 / items);
  }
  report.text("\n");
}

}  // namespace
}  // namespace qv::bench

int wmain(int argc, wchar_t** argv) {
  using namespace qv::bench;
  return run_benchmark(argc, argv, "outlook_operations",
                       [](Report& report, const qv::test::TempDir& dir) {
                         serve(dir, inbox_mailbox(1, 1));
                         selection_bench(report, dir);
                         resolution_bench(report, dir);
                       });
}
