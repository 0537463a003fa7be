// Path-form item URLs resolved through the folder map and a search by subject.
#include "outlook/path_resolution.h"

#include "errors/compat.h"
#include "mapi/mapi.h"
#include "tests/outlook/outlook_test_fixture.h"

namespace qv::test {
namespace {

nlohmann::json item(const std::string& entry_id, const nlohmann::json& subject) {
  nlohmann::json result = {{"id", entry_id}, {"entry_id", entry_id}};
  if (!subject.is_null()) {
    result["subject"] = subject;
  }
  return result;
}

class PathResolutionTest : public OutlookTest {
 protected:
  void SetUp() override {
    OutlookTest::SetUp();
    nlohmann::json inbox = folder("Inbox", "F001");
    inbox["items"] = {item("A001", "Alpha"),      item("A002", "Beta"),     item("A003", "alpha"),
                      item("A004", nullptr),  // no subject
                      item("A005", "~Tilde"),     item("A006", "50%20off"), item("A007", "50 off"),
                      item("A008", "\u00c4rger"), item("A009", "Hidden")};
    inbox["items"][8]["by_name"] = {{"EntryID", {{"missing", true}}}};
    nlohmann::json sent = folder("Sent Items", "F002");
    sent["items"] = {item("B001", "Report")};
    description_ = mailbox_of({store("Mailbox", "F000", {inbox, sent})});
  }
  void serve() { use_mailbox(description_); }
  std::wstring resolve(const std::wstring& url, bool with_prefix = false) {
    return resolve_path_url(mapi_, url, with_prefix);
  }
  // Builds the map before the test's own resolution.
  void build_map() {
    bool refresh = false;
    mapi_.list_folders(refresh);
  }

  nlohmann::json description_;
  Mapi mapi_;
};

TEST_F(PathResolutionTest, EntryIdFormComesBackWithoutAnyLookup) {
  serve();
  EXPECT_EQ(resolve(L"outlook:00AB12", true), L"outlook:00AB12");
  EXPECT_EQ(resolve(L"OUTLOOK:00AB12", false), L"00AB12");
  EXPECT_EQ(resolve(L"outlook:\\\\", false), L"\\\\");  // 10 characters: EntryID form
  expect_outlook_not_called();
}

TEST_F(PathResolutionTest, FolderPathGivesTheFolderWithoutAnItemSearch) {
  serve();
  EXPECT_EQ(resolve(L"outlook:\\\\Mailbox\\Inbox"), L"F001");
  EXPECT_EQ(resolve(L"outlook:\\\\MAILBOX\\inbox", true), L"outlook:F001");
  EXPECT_EQ(resolve(L"outlook:\\\\Mailbox\\Sent%20Items"), L"F002");
  EXPECT_EQ(calls("_Items.Count"), 0u);
  EXPECT_EQ(calls("_NameSpace.Folders"), 1u);  // one map, built once
  expect_everything_released();
}

TEST_F(PathResolutionTest, ItemIsFoundBySubjectInItsFolder) {
  serve();
  EXPECT_EQ(resolve(L"outlook:\\\\Mailbox\\Inbox\\Beta"), L"A002");
  EXPECT_EQ(resolve(L"outlook:\\\\Mailbox\\Sent%20Items\\Report", true), L"outlook:B001");
  EXPECT_EQ(resolve(L"\\\\Mailbox\\Inbox\\Beta"), L"A002");  // no prefix: a path
  expect_everything_released();
}

TEST_F(PathResolutionTest, SubjectsCompareIgnoringTheCaseOfAsciiLettersOnly) {
  serve();
  EXPECT_EQ(resolve(L"outlook:\\\\Mailbox\\Inbox\\ALPHA"), L"A001");  // the lower position
  EXPECT_EQ(resolve(L"outlook:\\\\Mailbox\\Inbox\\alpha"), L"A001");
  EXPECT_EQ(resolve(L"outlook:\\\\Mailbox\\Inbox\\\u00c4rger"), L"A008");
  EXPECT_EQ(resolve(L"outlook:\\\\Mailbox\\Inbox\\\u00e4rger"), L"");
}

TEST_F(PathResolutionTest, OneLeadingTildeIsDropped) {
  serve();
  EXPECT_EQ(resolve(L"outlook:\\\\Mailbox\\Inbox\\~Beta"), L"A002");
  EXPECT_EQ(resolve(L"outlook:\\\\Mailbox\\Inbox\\~~Tilde"), L"A005");
  // A lone "~" becomes the empty subject: the first item without one.
  EXPECT_EQ(resolve(L"outlook:\\\\Mailbox\\Inbox\\~"), L"A004");
}

TEST_F(PathResolutionTest, EncodedSpacesInTheItemPartAreComparedAsWritten) {
  serve();
  EXPECT_EQ(resolve(L"outlook:\\\\Mailbox\\Inbox\\50%20off"), L"A006");
  EXPECT_EQ(resolve(L"outlook:\\\\Mailbox\\Inbox\\50 off"), L"A007");
}

TEST_F(PathResolutionTest, EmptyItemPartGivesNothingWithoutASearch) {
  serve();
  EXPECT_EQ(resolve(L"outlook:\\\\Mailbox\\Inbox\\"), L"");
  EXPECT_EQ(calls("_Items.Count"), 0u);
}

TEST_F(PathResolutionTest, UnreadableEntryIdOfTheMatchingItemGivesNothing) {
  serve();
  EXPECT_EQ(resolve(L"outlook:\\\\Mailbox\\Inbox\\Hidden"), L"");
}

TEST_F(PathResolutionTest, NameFoundNowhereWithAnEmptyMapTakesOneAttempt) {
  serve();
  EXPECT_EQ(resolve(L"outlook:\\\\Mailbox\\Nowhere\\Nothing"), L"");
  EXPECT_EQ(calls("_NameSpace.Folders"), 1u);
  EXPECT_EQ(resolve(L"no backslash at all"), L"");
}

TEST_F(PathResolutionTest, NameFoundNowhereWithAMapBuiltEarlierTakesTwoAttempts) {
  serve();
  build_map();
  EXPECT_EQ(resolve(L"outlook:\\\\Mailbox\\Inbox\\Nothing"), L"");
  // The map of the first attempt was the cached one; the second rebuilt it.
  EXPECT_EQ(calls("_NameSpace.Folders"), 2u);
  // The folder was searched in both attempts.
  EXPECT_EQ(calls("_NameSpace.GetFolderFromID"), 2u);
  expect_everything_released();
}

TEST_F(PathResolutionTest, FolderMadeAfterTheMapWasBuiltIsFoundAfterOneRebuild) {
  nlohmann::json later = folder("Later", "F003");
  later["items"] = {item("E001", "Found")};
  // The folder appears as the map's rebuild connects, after the first attempt.
  description_["events"] = {{{"after", "Application.CreateInstance"},
                             {"nth", 2},
                             {"add_folder", {{"to", "F000"}, {"folder", later}}}}};
  serve();
  build_map();
  EXPECT_EQ(resolve(L"outlook:\\\\Mailbox\\Later\\Found"), L"E001");
  EXPECT_EQ(calls("_NameSpace.Folders"), 2u);
}

TEST_F(PathResolutionTest, FailingFolderLookupRaisesOutlooksHresult) {
  description_["faults"] = {{{"call", "_NameSpace.GetFolderFromID"}, {"hr", "E_ACCESSDENIED"}}};
  serve();
  try {
    resolve(L"outlook:\\\\Mailbox\\Inbox\\Beta");
    FAIL() << "no exception";
  } catch (const _com_error& e) {
    EXPECT_EQ(e.Error(), E_ACCESSDENIED);
  }
  expect_everything_released();
}

TEST(FindFolderEntryIdTest, LooksUpTheDecodedPathAndSkipsFoldersWithoutEntryId) {
  FolderMap map;
  map.emplace(L"\\\\Mailbox\\Sent Items", FolderInfo{L"F002", L"F000", 0});
  map.emplace(L"\\\\Mailbox\\Nameless", FolderInfo{L"", L"F000", 0});
  EXPECT_EQ(find_folder_entry_id(L"\\\\mailbox\\sent%20items", map), std::wstring(L"F002"));
  EXPECT_EQ(find_folder_entry_id(L"\\\\Mailbox\\Nameless", map), std::nullopt);
  EXPECT_EQ(find_folder_entry_id(L"\\\\Mailbox", map), std::nullopt);
}

TEST_F(PathResolutionTest, EmptySubjectGivesNothingWithoutCallingOutlook) {
  serve();
  EXPECT_EQ(find_item_by_subject(L"F001", std::wstring()), L"");
  expect_outlook_not_called();
}

}  // namespace
}  // namespace qv::test
