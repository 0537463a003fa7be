// The selected items as item URLs.
#include "outlook/selection.h"

#include "errors/compat.h"
#include "errors/exceptions.h"
#include "tests/outlook/outlook_test_fixture.h"

namespace qv::test {
namespace {

using Urls = std::vector<std::wstring>;

class SelectionTest : public OutlookTest {
 protected:
  // simple_store() plus, in its Inbox, items whose "EntryID" or "Parent"
  // answer oddly by name.
  void select(const nlohmann::json& ids) {
    nlohmann::json mailbox = mailbox_of({simple_store()});
    mailbox["explorer"] = {{"selection", ids}};
    nlohmann::json& inbox_items = mailbox["stores"][0]["top_folder"]["folders"][0]["items"];
    inbox_items.push_back({{"id", "no-entry-id"},
                           {"entry_id", "A003"},
                           {"by_name", {{"EntryID", {{"missing", true}}}}}});
    inbox_items.push_back({{"id", "numeric-entry-id"},
                           {"entry_id", "A004"},
                           {"by_name", {{"EntryID", {{"value", 42}}}}}});
    inbox_items.push_back({{"id", "failing-entry-id"},
                           {"entry_id", "A005"},
                           {"by_name", {{"EntryID", {{"error", "0x80040107"}}}}}});
    inbox_items.push_back({{"id", "orphan"},
                           {"entry_id", "A006"},
                           {"by_name", {{"Parent", {{"value", "not a folder"}}}}}});
    inbox_items.push_back({{"id", "parentless"},
                           {"entry_id", "A007"},
                           {"by_name", {{"Parent", {{"missing", true}}}}}});
    inbox_items.push_back({{"id", "empty-entry-id"}, {"entry_id", ""}});
    use_mailbox(mailbox);
  }
};

TEST_F(SelectionTest, UrlsComeInSelectionOrderWithDuplicates) {
  select({"meeting", "alpha", "meeting"});
  EXPECT_EQ(selected_item_urls(), (Urls{L"outlook:C001", L"outlook:A001", L"outlook:C001"}));
  EXPECT_EQ(calls("Selection.Count"), 1u);
  EXPECT_EQ(calls("Selection.Item"), 3u);
  // Positions go as VT_INT; without a list for them, no parent is read.
  EXPECT_EQ(report()["index_types"], (nlohmann::json{{"VT_INT", 3}}));
  EXPECT_EQ(calls("Item.Invoke(Parent)"), 0u);
  expect_everything_released();
}

TEST_F(SelectionTest, NothingSelectedGivesTheEmptyList) {
  select(nlohmann::json::array());
  EXPECT_EQ(selected_item_urls(), Urls{});
  EXPECT_EQ(calls("Selection.Item"), 0u);
  expect_everything_released();
}

TEST_F(SelectionTest, ItemsWithoutAStringEntryIdAreLeftOut) {
  select({"alpha", "no-entry-id", "numeric-entry-id", "failing-entry-id", "beta"});
  EXPECT_EQ(selected_item_urls(), (Urls{L"outlook:A001", L"outlook:A002"}));
  expect_everything_released();
}

TEST_F(SelectionTest, EmptyEntryIdGivesThePrefixAlone) {
  select({"empty-entry-id"});
  EXPECT_EQ(selected_item_urls(), Urls{L"outlook:"});
}

TEST_F(SelectionTest, ExpectedCountMustMatchExactly) {
  select({"alpha", "beta", "meeting"});
  std::vector<std::wstring> parents = {L"kept"};
  EXPECT_EQ(selected_item_urls(2, &parents), Urls{});
  EXPECT_EQ(parents, Urls{L"kept"});
  EXPECT_EQ(calls("Selection.Item"), 0u);
  EXPECT_EQ(selected_item_urls(3), (Urls{L"outlook:A001", L"outlook:A002", L"outlook:C001"}));
  // Once to compare with the expected count, once more to bound the loop.
  EXPECT_EQ(calls("Selection.Count"), 3u);
  expect_everything_released();
}

TEST_F(SelectionTest, CountReadAgainBoundsTheLoopWhenTheSelectionChangedMeanwhile) {
  // Two items are selected when the count is compared with the expected
  // one; before it is read again, the user selects more, or fewer.
  const struct {
    nlohmann::json selected_then;
    Urls urls;
  } cases[] = {
      {{"meeting", "alpha", "beta"}, {L"outlook:C001", L"outlook:A001", L"outlook:A002"}},
      {{"beta"}, {L"outlook:A002"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.selected_then.dump());
    nlohmann::json mailbox = mailbox_of({simple_store()});
    mailbox["explorer"] = {{"selection", {"alpha", "beta"}}};
    mailbox["events"] = {
        {{"after", "Selection.Count"}, {"explorer", {{"selection", c.selected_then}}}}};
    use_mailbox(mailbox);
    EXPECT_EQ(selected_item_urls(2), c.urls);
    EXPECT_EQ(calls("Selection.Count"), 2u);
    expect_everything_released();
  }
}

TEST_F(SelectionTest, ParentEntryIdsAreAppendedPerItemAfterWhatTheListHeld) {
  select({"alpha", "beta", "meeting"});
  std::vector<std::wstring> parents = {L"earlier"};
  EXPECT_EQ(selected_item_urls(-1, &parents),
            (Urls{L"outlook:A001", L"outlook:A002", L"outlook:C001"}));
  EXPECT_EQ(parents, (Urls{L"earlier", L"F001", L"F001", L"F003"}));
  expect_everything_released();
}

TEST_F(SelectionTest, ItemWithoutAnObjectParentKeepsItsUrlButNoFolderEntry) {
  select({"orphan", "parentless", "alpha", "no-entry-id"});
  std::vector<std::wstring> parents;
  EXPECT_EQ(selected_item_urls(-1, &parents),
            (Urls{L"outlook:A006", L"outlook:A007", L"outlook:A001"}));
  EXPECT_EQ(parents, Urls{L"F001"});
  // "EntryID" of four items, "Parent" of the three with a URL.
  EXPECT_EQ(calls("Item.GetIDsOfNames"), 7u);
  expect_everything_released();
}

TEST_F(SelectionTest, NoExplorerWindowRaisesEPointerAndReleasesEverything) {
  use_mailbox(mailbox_of({simple_store()}));
  try {
    selected_item_urls();
    FAIL() << "no exception";
  } catch (const _com_error& e) {
    EXPECT_EQ(e.Error(), E_POINTER);
  }
  expect_everything_released();
}

TEST_F(SelectionTest, FailingItemDiscardsTheUrlsButKeepsParentEntries) {
  nlohmann::json mailbox = mailbox_of({simple_store()});
  mailbox["explorer"] = {{"selection", {"alpha", "beta"}}};
  mailbox["faults"] = {{{"call", "Selection.Item"}, {"nth", 2}, {"hr", "E_FAIL"}}};
  use_mailbox(mailbox);
  std::vector<std::wstring> parents;
  EXPECT_THROW(selected_item_urls(-1, &parents), _com_error);
  EXPECT_EQ(parents, Urls{L"F001"});
  expect_everything_released();
}

}  // namespace
}  // namespace qv::test
