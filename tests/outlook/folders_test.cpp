// The folder listing: the map, its order, its cache and its walk.
#include "outlook/folders.h"

#include <process.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "mapi/mapi.h"
#include "tests/outlook/outlook_test_fixture.h"

namespace qv::test {
namespace {

class FoldersTest : public OutlookTest {
 protected:
  // The map's keys in map order.
  static std::vector<std::wstring> keys(const FolderMap& map) {
    std::vector<std::wstring> result;
    for (const auto& entry : map) {
      result.push_back(entry.first);
    }
    return result;
  }
};

using Keys = std::vector<std::wstring>;

TEST_F(FoldersTest, FirstCallBuildsTheMapAndLeavesRefreshFalse) {
  use_mailbox(mailbox_of({simple_store()}));
  Mapi mapi;
  bool refresh = false;
  const FolderMap& map = mapi.list_folders(refresh);
  EXPECT_FALSE(refresh);
  EXPECT_EQ(keys(map), (Keys{L"\\\\Mailbox", L"\\\\Mailbox\\Calendar", L"\\\\Mailbox\\Inbox",
                             L"\\\\Mailbox\\Inbox\\Projects"}));
  expect_everything_released();
}

TEST_F(FoldersTest, CachedMapIsServedWithoutOutlookAndRefreshComesBackTrue) {
  use_mailbox(mailbox_of({simple_store()}));
  Mapi mapi;
  bool refresh = false;
  const FolderMap* first = &mapi.list_folders(refresh);
  const std::uint64_t connections = calls("Application.CreateInstance");
  refresh = false;
  EXPECT_EQ(&mapi.list_folders(refresh), first);
  EXPECT_TRUE(refresh);
  EXPECT_EQ(calls("Application.CreateInstance"), connections);
}

TEST_F(FoldersTest, RefreshRebuildsFromOutlook) {
  nlohmann::json mailbox = mailbox_of({simple_store()});
  // A folder appears as the second listing connects.
  mailbox["events"] = {{{"after", "_Application.GetNamespace"},
                        {"nth", 2},
                        {"add_folder", {{"to", "F000"}, {"folder", {{"name", "Later"}}}}}}};
  use_mailbox(mailbox);
  Mapi mapi;
  bool refresh = true;
  EXPECT_EQ(mapi.list_folders(refresh).count(L"\\\\Mailbox\\Later"), 0u);
  EXPECT_TRUE(refresh);
  refresh = true;
  const FolderMap& map = mapi.list_folders(refresh);
  EXPECT_TRUE(refresh);
  EXPECT_EQ(map.size(), 5u);
  EXPECT_EQ(map.count(L"\\\\Mailbox\\Later"), 1u);
  EXPECT_EQ(calls("Application.CreateInstance"), 2u);
  // A folder that Outlook no longer has leaves the map with the refresh.
  use_mailbox(mailbox_of({store("Mailbox", "F000", {folder("Inbox", "F001")})}));
  refresh = true;
  EXPECT_EQ(keys(mapi.list_folders(refresh)), (Keys{L"\\\\Mailbox", L"\\\\Mailbox\\Inbox"}));
}

TEST_F(FoldersTest, RecordsEntryIdsParentsAndItemTypes) {
  use_mailbox(mailbox_of({simple_store(), store("Empty Store", "E000")}));
  Mapi mapi;
  bool refresh = true;
  const FolderMap& map = mapi.list_folders(refresh);
  const FolderInfo& top = map.at(L"\\\\Mailbox");
  EXPECT_EQ(top.entry_id, L"F000");
  EXPECT_EQ(top.parent_entry_id, L"");
  EXPECT_EQ(map.at(L"\\\\Mailbox\\Inbox").parent_entry_id, L"F000");
  const FolderInfo& projects = map.at(L"\\\\mailbox\\inbox\\projects");  // any letter case
  EXPECT_EQ(projects.entry_id, L"F002");
  EXPECT_EQ(projects.parent_entry_id, map.at(L"\\\\Mailbox\\Inbox").entry_id);
  EXPECT_EQ(map.at(L"\\\\Mailbox\\Calendar").default_item_type, olAppointmentItem);
  const FolderInfo& empty = map.at(L"\\\\Empty Store");
  EXPECT_EQ(empty.entry_id, L"E000");
  EXPECT_EQ(empty.parent_entry_id, L"");
  EXPECT_EQ(map.size(), 5u);
}

TEST_F(FoldersTest, EachFolderIsFetchedFourTimesAndCountIsReadBeforeEveryPosition) {
  use_mailbox(mailbox_of({simple_store()}));
  Mapi mapi;
  bool refresh = true;
  mapi.list_folders(refresh);
  // 4 folders in 5 collections (the stores' and one per folder).
  EXPECT_EQ(calls("_Folders.Item"), 16u);
  EXPECT_EQ(report()["index_types"], (nlohmann::json{{"VT_INT", 16}}));
  EXPECT_EQ(calls("_Folders.Count"), 4u + 5u);
  EXPECT_EQ(calls("MAPIFolder.EntryID"), 4u);
  EXPECT_EQ(calls("MAPIFolder.Invoke(FolderPath)"), 4u);
  EXPECT_EQ(calls("MAPIFolder.DefaultItemType"), 4u);
  EXPECT_EQ(calls("MAPIFolder.Folders"), 4u);
  EXPECT_EQ(calls("_Application.GetNamespace"), 1u);
  expect_everything_released();
}

TEST_F(FoldersTest, KeysFollowCaseInsensitiveOrderAndTheFirstFolderKeepsAPath) {
  nlohmann::json first = store("Mailbox", "1000",
                               {folder("beta", "1001"), folder("Alpha", "1002"),
                                folder("Inbox", "1003"), folder("INBOX", "1004")});
  nlohmann::json second =
      store("Mailbox", "2000", {folder("Alpha", "2001"), folder("Zeta", "2002")});
  use_mailbox(mailbox_of({first, second}));
  Mapi mapi;
  bool refresh = true;
  const FolderMap& map = mapi.list_folders(refresh);
  EXPECT_EQ(keys(map), (Keys{L"\\\\Mailbox", L"\\\\Mailbox\\Alpha", L"\\\\Mailbox\\beta",
                             L"\\\\Mailbox\\Inbox", L"\\\\Mailbox\\Zeta"}));
  EXPECT_EQ(map.at(L"\\\\Mailbox").entry_id, L"1000");
  EXPECT_EQ(map.at(L"\\\\Mailbox\\Alpha").entry_id, L"1002");
  EXPECT_EQ(map.at(L"\\\\Mailbox\\Inbox").entry_id, L"1003");
  EXPECT_EQ(map.at(L"\\\\Mailbox\\Zeta").entry_id, L"2002");
}

TEST_F(FoldersTest, EncodedSpacesAreDecodedAndAnUnreadablePathIsTheEmptyKey) {
  nlohmann::json spaced = folder("Sent Items", "1001");
  spaced["folder_path"] = "\\\\Mailbox\\Sent%20Items%20%202024";
  nlohmann::json unreadable = folder("Hidden", "1002");
  unreadable["by_name"] = {{"FolderPath", {{"missing", true}}}};
  nlohmann::json numeric = folder("Numeric", "1003");
  numeric["by_name"] = {{"FolderPath", {{"value", 7}}}};
  use_mailbox(mailbox_of({store("Mailbox", "1000", {spaced, unreadable, numeric})}));
  Mapi mapi;
  bool refresh = true;
  const FolderMap& map = mapi.list_folders(refresh);
  EXPECT_EQ(keys(map), (Keys{L"", L"\\\\Mailbox", L"\\\\Mailbox\\Sent Items  2024"}));
  EXPECT_EQ(map.at(L"").entry_id, L"1002");  // the first of the two
}

TEST_F(FoldersTest, FoldersAddedDuringTheWalkAreReached) {
  nlohmann::json mailbox = mailbox_of({simple_store()});
  // While the walk is inside Inbox, a third subfolder appears under the top
  // folder; the next Count of the top folder's collection sees it.
  mailbox["events"] = {{{"after", "_Folders.Count"},
                        {"nth", 3},
                        {"add_folder", {{"to", "F000"}, {"folder", {{"name", "Late"}}}}}}};
  use_mailbox(mailbox);
  Mapi mapi;
  bool refresh = true;
  const FolderMap& map = mapi.list_folders(refresh);
  EXPECT_EQ(map.count(L"\\\\Mailbox\\Late"), 1u);
  EXPECT_EQ(map.size(), 5u);
}

TEST_F(FoldersTest, FailedWalkKeepsWhatWasInsertedAndServesItAsCached) {
  nlohmann::json mailbox = mailbox_of({simple_store()});
  mailbox["faults"] = {{{"call", "_Folders.Item"}, {"nth", 9}, {"hr", "E_FAIL"}}};
  use_mailbox(mailbox);
  Mapi mapi;
  bool refresh = true;
  try {
    mapi.list_folders(refresh);
    FAIL() << "no exception";
  } catch (const _com_error& e) {
    EXPECT_EQ(e.Error(), E_FAIL);
  }
  expect_everything_released();
  refresh = false;
  const FolderMap& partial = mapi.list_folders(refresh);
  EXPECT_TRUE(refresh);
  // The top folder and Inbox went in; Projects was the ninth fetch.
  EXPECT_EQ(keys(partial), (Keys{L"\\\\Mailbox", L"\\\\Mailbox\\Inbox"}));
}

TEST_F(FoldersTest, FailureBeforeAnyFolderLeavesTheMapEmptyForTheNextCall) {
  nlohmann::json mailbox = mailbox_of({simple_store()});
  mailbox["faults"] = {{{"call", "_NameSpace.Folders"}, {"nth", 1}, {"hr", "E_FAIL"}}};
  use_mailbox(mailbox);
  Mapi mapi;
  bool refresh = false;
  EXPECT_THROW(mapi.list_folders(refresh), _com_error);
  refresh = false;
  EXPECT_EQ(mapi.list_folders(refresh).size(), 4u);
  EXPECT_FALSE(refresh);
}

// The documented order of the map, written apart from the library's own.
struct ByLstrcmpi {
  bool operator()(const std::wstring& a, const std::wstring& b) const {
    return ::lstrcmpiW(a.c_str(), b.c_str()) < 0;
  }
};

// The walk places each path by its sort key before the map checks the place
// with lstrcmpiW: whatever the names, the map must be the one that inserting
// the paths one by one in visit order makes.
TEST_F(FoldersTest, MapIsTheOneThatPlainInsertionInVisitOrderMakes) {
  const std::vector<std::vector<std::string>> cases = {
      {"beta", "Alpha", "alpha", "ALPHA", "Inbox", "INBOX", "inbox"},
      {"co-op", "coop", "co'op", "Co-Op", "coop-", "-coop", "'coop"},
      {"\xC3\x89t\xC3\xA9", "ete", "Ete", "\xC3\xA9t\xC3\xA9", "\xC3\x8At\xC3\xAA", "etE"},
      {"10", "9", "09", "1", "100", "1 0", "01"},
      {"_a", "a_", "~", "a~b", "a b", "a  b", "a\tb", "!", "#", "[x]", "{x}"},
      {"\xE6\x97\xA5\xE6\x9C\xAC", "\xCE\xB1", "\xCE\x91", "\xD0\xB6", "\xD0\x96", "z", "Z"},
      {"Stra\xC3\x9F"
       "e",
       "Strasse", "STRASSE",
       "stra\xC3\x9F"
       "e"},
  };
  for (const std::vector<std::string>& names : cases) {
    std::vector<nlohmann::json> folders;
    std::map<std::wstring, FolderInfo, ByLstrcmpi> expected;
    expected.emplace(L"\\\\Mailbox", FolderInfo{L"1000", L"", 0});
    for (size_t i = 0; i < names.size(); ++i) {
      // Each folder holds one of the same name, a level deeper.
      const std::string id = std::to_string(1001 + i);
      const std::string sub_id = std::to_string(2001 + i);
      folders.push_back(folder(names[i], id, {folder(names[i], sub_id)}));
      const std::wstring path = L"\\\\Mailbox\\" + wide(names[i]);
      expected.emplace(path, FolderInfo{wide(id), L"1000", 0});
      expected.emplace(path + L"\\" + wide(names[i]), FolderInfo{wide(sub_id), wide(id), 0});
    }
    use_mailbox(mailbox_of({store("Mailbox", "1000", folders)}));
    Mapi mapi;
    bool refresh = true;
    const FolderMap& map = mapi.list_folders(refresh);
    std::vector<std::wstring> expected_keys;
    for (const auto& entry : expected) {
      expected_keys.push_back(entry.first);
    }
    ASSERT_EQ(keys(map), expected_keys) << names.front();
    auto entry = map.begin();
    for (const auto& [path, info] : expected) {
      EXPECT_EQ(entry->second.entry_id, info.entry_id) << names.front();
      EXPECT_EQ(entry->second.parent_entry_id, info.parent_entry_id) << names.front();
      ++entry;
    }
  }
}

// Runs a function on a thread of its own with a small stack: a walk that
// recursed per level would overflow it long before the deepest folder.
template <class Function>
void run_with_small_stack(Function function) {
  struct Call {
    Function* function;
    static unsigned __stdcall run(void* argument) {
      ::CoInitialize(nullptr);
      (*static_cast<Call*>(argument)->function)();
      ::CoUninitialize();
      return 0;
    }
  } call{&function};
  constexpr unsigned kStackSize = 256 * 1024;
  const auto thread = reinterpret_cast<HANDLE>(::_beginthreadex(
      nullptr, kStackSize, &Call::run, &call, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  ASSERT_NE(thread, nullptr);
  ::WaitForSingleObject(thread, INFINITE);
  DWORD exit_code = 1;
  ::GetExitCodeThread(thread, &exit_code);
  ::CloseHandle(thread);
  EXPECT_EQ(exit_code, 0u);
}

// 10,000 levels with the full set of hostile input (scripts/hostile sets
// QV_HOSTILE_VARIANTS), 3,000 otherwise: building the tree one change at a
// time takes minutes at the full depth.
TEST_F(FoldersTest, ATreeTenThousandLevelsDeepIsWalkedInOrder) {
  if (local_server_mode()) {
    GTEST_SKIP() << "in-process only: the tree is built through the simulated Outlook's "
                    "in-process hook, and the walk's depth is the library's own matter";
  }
  const int depth = std::getenv("QV_HOSTILE_VARIANTS") != nullptr ? 10000 : 3000;
  const auto start = std::chrono::steady_clock::now();
  use_mailbox(mailbox_of({store("Deep", "D000")}));
  Mapi mapi;
  {
    // Activates the server in this process, so that changes can be applied.
    bool refresh = true;
    mapi.list_folders(refresh);
  }
  std::string parent = "D000";
  for (int level = 1; level <= depth; ++level) {
    char entry_id[16];
    std::snprintf(entry_id, sizeof(entry_id), "%08X", level);
    ASSERT_EQ(apply_outlook_change(
                  {{"add_folder",
                    {{"to", parent},
                     {"folder", {{"id", entry_id}, {"name", "d"}, {"entry_id", entry_id}}}}}}),
              S_OK);
    parent = entry_id;
  }
  const auto built = std::chrono::steady_clock::now();
  size_t size = 0;
  std::wstring deepest_parent;
  run_with_small_stack([&] {
    bool refresh = true;
    const FolderMap& map = mapi.list_folders(refresh);
    size = map.size();
    std::wstring path = L"\\\\Deep";
    for (int level = 1; level <= depth; ++level) {
      path += L"\\d";
    }
    const auto deepest = map.find(path);
    if (deepest != map.end()) {
      deepest_parent = deepest->second.parent_entry_id;
    }
  });
  EXPECT_EQ(size, static_cast<size_t>(depth + 1));
  char expected[16];
  std::snprintf(expected, sizeof(expected), "%08X", depth - 1);
  EXPECT_EQ(deepest_parent, std::wstring(expected, expected + 8));
  const auto seconds = [](auto from, auto to) {
    return std::chrono::duration<double>(to - from).count();
  };
  std::printf("folder tree %d deep: %zu folders listed (tree built in %.1f s, listed in %.1f s)\n",
              depth, size, seconds(start, built), seconds(built, std::chrono::steady_clock::now()));
}

TEST_F(FoldersTest, AHundredThousandFoldersSideBySideAreListed) {
  if (local_server_mode()) {
    GTEST_SKIP() << "in-process only: half a million calls, minutes across processes; the "
                    "map's size is the library's own matter";
  }
  constexpr int kWidth = 100000;
  JsonList folders;
  for (int i = 0; i < kWidth; ++i) {
    char entry_id[16];
    std::snprintf(entry_id, sizeof(entry_id), "%08X", i + 1);
    folders.push_back(folder("w" + std::to_string(i), entry_id));
  }
  use_mailbox(mailbox_of({store("Wide", "FFFFFFFF", folders)}));
  Mapi mapi;
  bool refresh = true;
  const FolderMap& map = mapi.list_folders(refresh);
  EXPECT_EQ(map.size(), static_cast<size_t>(kWidth + 1));
  EXPECT_EQ(map.at(L"\\\\Wide\\w99999").entry_id, L"000186A0");
  EXPECT_EQ(map.at(L"\\\\Wide\\w0").parent_entry_id, L"FFFFFFFF");
  expect_everything_released();
  std::printf("folder tree %d wide: %zu folders listed\n", kWidth, map.size());
}

}  // namespace
}  // namespace qv::test
