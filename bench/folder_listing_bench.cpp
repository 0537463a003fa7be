// Measures the folder listing (Mapi::list_folders) against the simulated
// Outlook for trees of growing size, wide and deep: the time per folder
// should stay flat as the tree grows. Run by scripts/bench.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include <nlohmann/json.hpp>

#include "errors/exceptions.h"
#include "mapi/mapi.h"
#include "tests/support/mailbox_json.h"
#include "tests/support/paths.h"
#include "tests/support/sim_support.h"

namespace {

using qv::test::JsonList;

// A top folder with `count` subfolders side by side.
nlohmann::json wide_mailbox(int count) {
  JsonList folders;
  for (int i = 0; i < count; ++i) {
    char entry_id[16];
    std::snprintf(entry_id, sizeof(entry_id), "%08X", i + 1);
    folders.push_back(qv::test::folder("Folder " + std::to_string(i), entry_id));
  }
  return qv::test::mailbox_of({qv::test::store("Wide", "FFFFFFFF", folders)});
}

// A chain of `depth` folders, each inside the one before.
nlohmann::json deep_mailbox(int depth) {
  nlohmann::json innermost;
  for (int level = depth; level >= 1; --level) {
    char entry_id[16];
    std::snprintf(entry_id, sizeof(entry_id), "%08X", level);
    nlohmann::json folder = qv::test::folder("d", entry_id);
    if (!innermost.is_null()) {
      folder["folders"] = nlohmann::json::array({innermost});
    }
    innermost = std::move(folder);
  }
  return qv::test::mailbox_of({qv::test::store("Deep", "FFFFFFFF", {innermost})});
}

void measure(const char* shape, int size, const nlohmann::json& mailbox, qv::Mapi& mapi,
             const qv::test::TempDir& dir) {
  const std::wstring path = dir.file(L"mailbox.json");
  qv::test::write_text_file(path, mailbox.dump());
  if (FAILED(qv::test::use_outlook_mailbox(path))) {
    std::printf("%-5s %6d  mailbox refused\n", shape, size);
    return;
  }
  const auto start = std::chrono::steady_clock::now();
  bool refresh = true;
  const size_t folders = mapi.list_folders(refresh).size();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%-5s %6d  %7zu folders  %8.3f s  %8.1f us/folder\n", shape, size, folders, seconds,
              seconds * 1e6 / static_cast<double>(folders));
}

}  // namespace

int wmain() {
  ::CoInitialize(nullptr);
  qv::test::register_outlook_sim();
  qv::test::use_outlook_as_default_mail_client();
  qv::test::TempDir dir;
  {
    // Loads the simulated Outlook, so that later mailboxes replace the first.
    qv::test::write_text_file(dir.file(L"mailbox.json"), wide_mailbox(1).dump());
    qv::test::use_outlook_mailbox(dir.file(L"mailbox.json"));
  }
  try {
    qv::Mapi mapi;
    bool refresh = true;
    mapi.list_folders(refresh);
    std::printf("shape   size  result             time       per folder\n");
    for (const int size : {100, 1000, 4000}) {
      measure("wide", size, wide_mailbox(size), mapi, dir);
    }
    for (const int size : {100, 500, 1000}) {
      measure("deep", size, deep_mailbox(size), mapi, dir);
    }
  } catch (const qv::texception& e) {
    std::fwprintf(stderr, L"failed: %ls\n", e.message().c_str());
    return 1;
  }
  return 0;
}
