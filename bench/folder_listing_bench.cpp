// Measures the folder listing (Mapi::list_folders) against the simulated
// Outlook for trees of growing size: wide (many folders side by side), deep
// (a chain of folders) and many stores of many folders. The time per folder
// should stay flat as a wide tree grows; in a chain each folder's path is as
// long as the chain is deep, so there the time per path character is the
// measure. Beside each listing, the same Outlook calls made without the map
// ("calls only") tell the simulator's and COM's share from the map's.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "bench/bench_support.h"
#include "errors/exceptions.h"
#include "items/item_url.h"
#include "mapi/mapi.h"
#include "outlook/outlook_app.h"
#include "tests/support/mailbox_json.h"
#include "tests/support/paths.h"
#include "tests/support/sim_support.h"

namespace qv::bench {
namespace {

using qv::test::JsonList;

std::string hex_id(int number) { return format("%08X", number); }

// `count` folders side by side under one top folder, numbered from `first`.
JsonList side_by_side(int count, int first) {
  JsonList folders;
  folders.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    folders.push_back(qv::test::folder("Folder " + std::to_string(i), hex_id(first + i)));
  }
  return folders;
}

nlohmann::json wide_mailbox(int count) {
  return qv::test::mailbox_of({qv::test::store("Wide", "FFFFFFFF", side_by_side(count, 1))});
}

// A chain of `depth` folders, each inside the one before.
nlohmann::json deep_mailbox(int depth) {
  nlohmann::json innermost;
  for (int level = depth; level >= 1; --level) {
    nlohmann::json folder = qv::test::folder("d", hex_id(level));
    if (!innermost.is_null()) {
      folder["folders"] = nlohmann::json::array({std::move(innermost)});
    }
    innermost = std::move(folder);
  }
  return qv::test::mailbox_of({qv::test::store("Deep", "FFFFFFFF", {innermost})});
}

// `stores` stores of `per_store` folders each.
nlohmann::json stores_mailbox(int stores, int per_store) {
  JsonList list;
  for (int s = 0; s < stores; ++s) {
    nlohmann::json store = qv::test::store("Store " + std::to_string(s), format("FE%06X", s),
                                           side_by_side(per_store, s * per_store + 1));
    list.push_back(std::move(store));
  }
  return qv::test::mailbox_of(list);
}

// The Outlook calls of the listing, in the same order, without the map.
void walk_calls_only(const com_ptr<_Folders>& top) {
  struct Level {
    com_ptr<_Folders> collection;
    long position;
  };
  std::vector<Level> levels;
  levels.push_back(Level{top, 1});
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.position > outlook::count(level.collection)) {
      levels.pop_back();
      continue;
    }
    const long position = level.position++;
    outlook::entry_id(outlook::item(level.collection, position));
    property_text(outlook::item(level.collection, position).get(), L"FolderPath");
    outlook::default_item_type(outlook::item(level.collection, position));
    com_ptr<_Folders> subfolders = outlook::folders(outlook::item(level.collection, position));
    levels.push_back(Level{std::move(subfolders), 1});
  }
}

struct Case {
  const char* shape;
  std::string size;
  int folders;
  std::function<nlohmann::json()> mailbox;
  int runs;
};

class FolderBench {
 public:
  FolderBench(Report& report, const qv::test::TempDir& dir, int largest)
      : report_(report), dir_(dir), largest_(largest) {}

  void measure(const Case& c) {
    if (c.folders > largest_) {
      return;
    }
    const std::wstring path = dir_.file(L"mailbox.json");
    write_mailbox(path, c.mailbox());
    serve_mailbox(path);
    bool refresh = true;
    const FolderMap& map = mapi_.list_folders(refresh);
    const double folders = static_cast<double>(map.size());
    double characters = 0;
    for (const auto& entry : map) {
      characters += static_cast<double>(entry.first.size());
    }
    if (first_ && !local_server()) {  // the same calls in both modes
      record_calls(folders);
      first_ = false;
    }
    // Across processes every listing takes seconds: fewer runs.
    const int runs = local_server() ? 3 : c.runs;
    const double seconds = median_seconds(runs, [&] {
      bool again = true;
      mapi_.list_folders(again);
    });
    const double calls_only = median_seconds(runs, [&] {
      const com_ptr<_Application> application = create_outlook_application();
      walk_calls_only(outlook::folders(outlook::get_namespace(application, L"MAPI")));
    });
    const double per_folder = seconds * 1e6 / folders;
    report_.text(format("| %s | %s | %.0f | %.3f | %.1f | %.1f | %.1f | %.0f |\n", c.shape,
                        c.size.c_str(), folders, seconds, per_folder, calls_only * 1e6 / folders,
                        (seconds - calls_only) * 1e6 / folders, seconds * 1e9 / characters));
    report_.point(local_server() ? std::string(c.shape) + "-local" : std::string(c.shape), folders,
                  per_folder);
  }

 private:
  // The calls of one listing of the first tree, per folder.
  void record_calls(double folders) {
    const nlohmann::json outlook = qv::test::outlook_report_now();
    const auto per_folder = [&](const char* call) { return calls_per(outlook, call, folders); };
    const char* operation = "list_folders, per folder";
    // Count before every position and once more at the end of each
    // collection: the top one and one per folder.
    report_.calls(operation, "_Folders.Count", (2 * folders + 1) / folders,
                  per_folder("_Folders.Count"));
    report_.calls(operation, "_Folders.Item", 4, per_folder("_Folders.Item"));
    report_.calls(operation, "MAPIFolder.EntryID", 1, per_folder("MAPIFolder.EntryID"));
    report_.calls(operation, "MAPIFolder.GetIDsOfNames", 1, per_folder("MAPIFolder.GetIDsOfNames"));
    report_.calls(operation, "MAPIFolder.Invoke(FolderPath)", 1,
                  per_folder("MAPIFolder.Invoke(FolderPath)"));
    report_.calls(operation, "MAPIFolder.DefaultItemType", 1,
                  per_folder("MAPIFolder.DefaultItemType"));
    report_.calls(operation, "MAPIFolder.Folders", 1, per_folder("MAPIFolder.Folders"));
  }

  Report& report_;
  const qv::test::TempDir& dir_;
  const int largest_;
  Mapi mapi_;
  bool first_ = true;
};

// Every tree of at most the bench's largest size.
void measure_all(FolderBench& bench) {
  for (const int size : {1000, 10000, 100000}) {
    bench.measure({"wide", format("%d", size), size, [=] { return wide_mailbox(size); },
                   size < 100000 ? 5 : 3});
  }
  for (const int size : {100, 1000, 10000}) {
    bench.measure({"deep", format("%d", size), size, [=] { return deep_mailbox(size); },
                   size < 10000 ? 5 : 3});
  }
  for (const auto& shape : {std::pair{10, 100}, {10, 1000}, {100, 1000}}) {
    const int stores = shape.first;
    const int per_store = shape.second;
    const int size = stores * per_store;
    bench.measure({"stores", format("%d × %d", stores, per_store), size,
                   [=] { return stores_mailbox(stores, per_store); }, size < 100000 ? 5 : 3});
  }
}

// Lists every tree of at most `largest` folders.
void run(Report& report, const qv::test::TempDir& dir, int largest) {
  if (!local_server()) {
    // Loads the simulated Outlook, so that later mailboxes replace the first.
    write_mailbox(dir.file(L"mailbox.json"), wide_mailbox(1));
    qv::test::use_outlook_mailbox(dir.file(L"mailbox.json"));
  } else {
    report.text(format(
        "## Folder listing, Outlook in its own process\n\n"
        "The same listings against the local server (`outlook_sim_server.exe`, running before "
        "the listing as Outlook runs for its users), where every Outlook call crosses the process "
        "boundary; trees of at most %d folders.\n\n"
        "| Shape | Size | Folders | Median s | µs per folder | calls only, µs per folder | map, µs "
        "per folder | ns per path character |\n"
        "|---|---|---|---|---|---|---|---|\n",
        largest));
    FolderBench bench(report, dir, largest);
    measure_all(bench);
    report.text("\n");
    return;
  }
  report.text(
      "## Folder listing\n\n"
      "`Mapi::list_folders(refresh = true)` against generated trees: *wide* is one store whose "
      "top folder holds N folders side by side, *deep* a chain of N folders each inside the one "
      "before, *stores* S stores of F folders each. *Calls only* makes the same Outlook calls in "
      "the same order without building the map, so *map* (the difference) is the product's own "
      "share: decoding the path and inserting it into the map ordered by `lstrcmpiW`. The last "
      "column divides the time by the total length of all paths, the work that a chain makes "
      "grow with its depth.\n\n"
      "| Shape | Size | Folders | Median s | µs per folder | calls only, µs per folder | map, µs "
      "per folder | ns per path character |\n"
      "|---|---|---|---|---|---|---|---|\n");
  FolderBench bench(report, dir, largest);
  measure_all(bench);
  report.text("\n");
}

}  // namespace
}  // namespace qv::bench

// Arguments: the folder for the report files, and optionally the largest
// number of folders to list (to measure a build that is too slow for all).
int wmain(int argc, wchar_t** argv) {
  const int largest = argc > 2 ? std::stoi(argv[2]) : 1000000;
  return qv::bench::run_benchmark(argc, argv, "folder_listing",
                                  [&](qv::bench::Report& report, const qv::test::TempDir& dir) {
                                    qv::bench::run(report, dir, largest);
                                  });
}
