// Sessions, message stores and folders: the stores table as a profile lists
// it, OpenMsgStore, OpenEntry of stores, folders and items of the stores
// that a session lists (and of no others), Logoff, and the objects in the
// report.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/sim_mapi/mapi_session.h"

namespace qvsim::mapi::test {
namespace {

constexpr ULONG kEntryIdError = PROP_TAG(PT_ERROR, 0x0FFF);
constexpr ULONG kContainerClassW = PROP_TAG(PT_UNICODE, 0x3613);

// Three stores with short EntryIDs; profile Main lists two of them among
// rows that open nothing, profile Other the third.
constexpr char kStores[] = R"({
  "stores": [
    {"id": "one", "display_name": "Mailbox - One", "entry_id": "0001", "top_folder": {"entry_id": "0010", "folders": [
      {"name": "Inbox", "entry_id": "0011", "items": [
        {"entry_id": "0101", "subject": "First"},
        {"entry_id": "0102", "subject": "Second", "message_class": "IPM.Appointment"}],
       "folders": [{"name": "Sub", "entry_id": "0012"}]},
      {"name": "Notes", "entry_id": "0013", "default_item_type": "note"}]}},
    {"id": "two", "display_name": "Archive", "entry_id": "0002",
     "top_folder": {"entry_id": "0020", "items": [{"entry_id": "0201", "subject": "Old"}]}},
    {"id": "hidden", "display_name": "Not listed", "entry_id": "0003",
     "top_folder": {"entry_id": "0030", "items": [{"entry_id": "0301", "subject": "Unseen"}]}}
  ],
  "profiles": [
    {"name": "Main", "default": true, "stores": [
      "one",
      {"entry_id": null, "display_name": "Row without EntryID"},
      {"entry_id": ""},
      {"store": "two", "display_name": null},
      {"entry_id": "0999", "display_name": "Gone"}]},
    {"name": "Other", "stores": ["hidden"]}
  ]
})";

class StoreTest : public ::testing::Test {
 protected:
  ServedDescription served_{kStores};
  qv::com_ptr<IMAPISession> main_ = logon(L"Main");
};

// GetProps of one tag as text or bytes, through the helpers of the DLL tests.
std::wstring text_of(IUnknown* object, ULONG tag) {
  return get_value(qv::com_ptr<IUnknown>::copy(object).try_query<IMAPIProp>().get(), tag).text;
}

Bytes entry_id_of(IUnknown* object) {
  const std::string bytes =
      get_value(qv::com_ptr<IUnknown>::copy(object).try_query<IMAPIProp>().get(), PR_ENTRYID).bytes;
  return Bytes(bytes.begin(), bytes.end());
}

// The kinds of the live objects in the report, with their count.
std::map<std::string, int> live_kinds() {
  std::map<std::string, int> kinds;
  const nlohmann::json now = report();
  for (const auto& object : now["live_objects"]) {
    ++kinds[object["kind"].get<std::string>()];
  }
  return kinds;
}

TEST_F(StoreTest, TheStoresTableHasTheRowsAsTheProfileListsThem) {
  qv::com_ptr<IMAPITable> table;
  ASSERT_EQ(main_->GetMsgStoresTable(0, table.put()), S_OK);
  Rows rows;
  read_rows(table.get(), {PR_ENTRYID, kDisplayNameW, PR_DEFAULT_STORE}, 10, TBL_NOADVANCE, &rows);
  ASSERT_EQ(rows.count(), 5u);
  EXPECT_EQ(binary_of(rows.value(0, 0)), hex("0001"));
  EXPECT_STREQ(rows.value(0, 1).Value.lpszW, L"Mailbox - One");
  EXPECT_TRUE(rows.value(0, 2).Value.b);
  // A row without an EntryID, and one with an empty EntryID.
  EXPECT_EQ(rows.value(1, 0).ulPropTag, kEntryIdError);
  EXPECT_EQ(rows.value(1, 0).Value.err, MAPI_E_NOT_FOUND);
  EXPECT_STREQ(rows.value(1, 1).Value.lpszW, L"Row without EntryID");
  EXPECT_EQ(rows.value(2, 0).ulPropTag, static_cast<ULONG>(PR_ENTRYID));
  EXPECT_EQ(rows.value(2, 0).Value.bin.cb, 0u);
  EXPECT_EQ(rows.value(2, 1).ulPropTag, kDisplayNameError);
  // A store whose display name the row leaves out; only the first store is the default.
  EXPECT_EQ(binary_of(rows.value(3, 0)), hex("0002"));
  EXPECT_EQ(rows.value(3, 1).ulPropTag, kDisplayNameError);
  EXPECT_FALSE(rows.value(3, 2).Value.b);
  EXPECT_EQ(binary_of(rows.value(4, 0)), hex("0999"));
}

TEST_F(StoreTest, OpenMsgStoreOpensTheStoresThatTheSessionLists) {
  HRESULT result = E_FAIL;
  qv::com_ptr<IMsgStore> store = open_store(main_.get(), hex("0001"), &result);
  ASSERT_EQ(result, S_OK);
  EXPECT_EQ(text_of(store.get(), kDisplayNameW), L"Mailbox - One");
  EXPECT_EQ(entry_id_of(store.get()), hex("0001"));
  EXPECT_EQ(get_value(store.get(), PR_OBJECT_TYPE).number, static_cast<LONG>(MAPI_STORE));
  EXPECT_NE(get_value(store.get(), PR_STORE_SUPPORT_MASK).number & STORE_UNICODE_OK, 0);
  const std::string subtree = get_value(store.get(), PR_IPM_SUBTREE_ENTRYID).bytes;
  EXPECT_EQ(Bytes(subtree.begin(), subtree.end()), hex("0010"));

  EXPECT_FALSE(open_store(main_.get(), hex("0999"), &result));  // a row whose EntryID no store has
  EXPECT_EQ(result, MAPI_E_NOT_FOUND);
  EXPECT_FALSE(open_store(main_.get(), hex("0003"), &result));  // a store of another profile
  EXPECT_EQ(result, MAPI_E_NOT_FOUND);
  EXPECT_TRUE(open_store(logon(L"Other").get(), hex("0003")));
}

TEST_F(StoreTest, OpenEntryGivesMessagesFoldersAndStoresWithTheirObjectTypes) {
  Opened message = open_entry(main_.get(), hex("0101"));
  ASSERT_EQ(message.result, S_OK);
  EXPECT_EQ(message.type, static_cast<ULONG>(MAPI_MESSAGE));
  qv::com_ptr<IMessage> as_message = message.object.try_query<IMessage>();
  ASSERT_TRUE(as_message);
  EXPECT_EQ(get_value(as_message.get(), kSubjectW).text, L"First");
  EXPECT_EQ(entry_id_of(as_message.get()), hex("0101"));

  Opened folder = open_entry(main_.get(), hex("0011"));
  ASSERT_EQ(folder.result, S_OK);
  EXPECT_EQ(folder.type, static_cast<ULONG>(MAPI_FOLDER));
  EXPECT_TRUE(folder.object.try_query<IMAPIFolder>());
  EXPECT_EQ(text_of(folder.object.get(), kDisplayNameW), L"Inbox");

  Opened store = open_entry(main_.get(), hex("0001"));
  ASSERT_EQ(store.result, S_OK);
  EXPECT_EQ(store.type, static_cast<ULONG>(MAPI_STORE));
  EXPECT_TRUE(store.object.try_query<IMsgStore>());

  Opened archived = open_entry(main_.get(), hex("0201"));  // an item of the second store
  EXPECT_EQ(archived.type, static_cast<ULONG>(MAPI_MESSAGE));
  EXPECT_EQ(get_value(archived.object.try_query<IMessage>().get(), kSubjectW).text, L"Old");
}

TEST_F(StoreTest, OpenEntryOfAnythingElseIsNotFound) {
  for (const char* unknown : {"0ABC", "01", "0101FF", ""}) {
    Opened opened = open_entry(main_.get(), hex(unknown));
    EXPECT_EQ(opened.result, MAPI_E_NOT_FOUND) << unknown;
    EXPECT_EQ(opened.type, 0u);
    EXPECT_FALSE(opened.object);
  }
}

TEST_F(StoreTest, EntriesOfAStoreThatTheSessionDoesNotListAreNotFound) {
  for (const char* entry : {"0003", "0030", "0301"}) {
    EXPECT_EQ(open_entry(main_.get(), hex(entry)).result, MAPI_E_NOT_FOUND) << entry;
  }
  qv::com_ptr<IMAPISession> other = logon(L"Other");
  Opened unseen = open_entry(other.get(), hex("0301"));
  EXPECT_EQ(unseen.result, S_OK);
  EXPECT_EQ(unseen.type, static_cast<ULONG>(MAPI_MESSAGE));
  EXPECT_EQ(open_entry(other.get(), hex("0101")).result, MAPI_E_NOT_FOUND);
}

TEST_F(StoreTest, OpenEntryAnswersWithTheInterfaceAsked) {
  const Bytes inbox = hex("0011");
  ULONG type = 0;
  qv::com_ptr<IUnknown> object;
  EXPECT_EQ(
      main_->OpenEntry(2, reinterpret_cast<LPENTRYID>(const_cast<std::uint8_t*>(inbox.data())),
                       &__uuidof(IMessage), MAPI_BEST_ACCESS, &type, object.put()),
      MAPI_E_INTERFACE_NOT_SUPPORTED);
  EXPECT_FALSE(object);
  EXPECT_EQ(
      main_->OpenEntry(2, reinterpret_cast<LPENTRYID>(const_cast<std::uint8_t*>(inbox.data())),
                       &__uuidof(IMAPIProp), MAPI_BEST_ACCESS, &type, object.put()),
      S_OK);
  EXPECT_EQ(type, static_cast<ULONG>(MAPI_FOLDER));
}

TEST_F(StoreTest, AStoreOpensItsOwnEntriesAndTheTopFolderForNoEntryId) {
  qv::com_ptr<IMsgStore> store = open_store(main_.get(), hex("0001"));
  ASSERT_TRUE(store);
  Opened top = open_entry(store.get(), Bytes());
  ASSERT_EQ(top.result, S_OK);
  EXPECT_EQ(top.type, static_cast<ULONG>(MAPI_FOLDER));
  EXPECT_EQ(entry_id_of(top.object.get()), hex("0010"));
  EXPECT_EQ(text_of(top.object.get(), kDisplayNameW), L"Mailbox - One");  // named after the store
  EXPECT_EQ(open_entry(store.get(), hex("0102")).type, static_cast<ULONG>(MAPI_MESSAGE));
  EXPECT_EQ(open_entry(store.get(), hex("0201")).result, MAPI_E_NOT_FOUND);  // another store's item

  ULONG size = 0;
  LPENTRYID receive = nullptr;
  LPTSTR explicit_class = nullptr;
  ASSERT_EQ(store->GetReceiveFolder(nullptr, 0, &size, &receive, &explicit_class), S_OK);
  EXPECT_EQ(Bytes(reinterpret_cast<std::uint8_t*>(receive),
                  reinterpret_cast<std::uint8_t*>(receive) + size),
            hex("0011"));  // the Inbox
  EXPECT_STREQ(reinterpret_cast<const char*>(explicit_class), "");
  Mapi32::get().free_buffer(receive);
  Mapi32::get().free_buffer(explicit_class);
}

TEST_F(StoreTest, FoldersListTheirItemsAndSubfolders) {
  qv::com_ptr<IMAPIFolder> inbox =
      open_entry(main_.get(), hex("0011")).object.try_query<IMAPIFolder>();
  ASSERT_TRUE(inbox);
  qv::com_ptr<IMAPITable> contents;
  ASSERT_EQ(inbox->GetContentsTable(MAPI_UNICODE, contents.put()), S_OK);
  Rows items;
  read_rows(contents.get(), {PR_ENTRYID, kSubjectW, PR_MESSAGE_CLASS_W}, 10, 0, &items);
  ASSERT_EQ(items.count(), 2u);
  EXPECT_EQ(binary_of(items.value(0, 0)), hex("0101"));
  EXPECT_STREQ(items.value(0, 1).Value.lpszW, L"First");
  EXPECT_STREQ(items.value(0, 2).Value.lpszW, L"IPM.Note");
  EXPECT_STREQ(items.value(1, 2).Value.lpszW, L"IPM.Appointment");

  qv::com_ptr<IMAPIFolder> top =
      open_entry(main_.get(), hex("0010")).object.try_query<IMAPIFolder>();
  qv::com_ptr<IMAPITable> children;
  ASSERT_EQ(top->GetHierarchyTable(0, children.put()), S_OK);
  Rows direct;
  read_rows(children.get(), {kDisplayNameA}, 10, 0, &direct);
  ASSERT_EQ(direct.count(), 2u);
  EXPECT_STREQ(direct.value(1, 0).Value.lpszA, "Notes");
  qv::com_ptr<IMAPITable> all;
  ASSERT_EQ(top->GetHierarchyTable(CONVENIENT_DEPTH, all.put()), S_OK);
  Rows deep;
  read_rows(all.get(), {kDisplayNameA, PR_DEPTH, kContainerClassW}, 10, 0, &deep);
  ASSERT_EQ(deep.count(), 3u);
  EXPECT_STREQ(deep.value(1, 0).Value.lpszA, "Sub");
  EXPECT_EQ(deep.value(1, 1).Value.l, 2);
  EXPECT_STREQ(deep.value(2, 2).Value.lpszW, L"IPF.StickyNote");
}

TEST_F(StoreTest, LogoffEndsTheSessionButNotWhatItOpened) {
  qv::com_ptr<IMsgStore> store = open_store(main_.get(), hex("0001"));
  Opened message = open_entry(main_.get(), hex("0101"));
  ASSERT_EQ(main_->Logoff(0, 0, 0), S_OK);
  qv::com_ptr<IMAPITable> table;
  EXPECT_EQ(main_->GetMsgStoresTable(0, table.put()), MAPI_E_END_OF_SESSION);
  EXPECT_EQ(open_entry(main_.get(), hex("0101")).result, MAPI_E_END_OF_SESSION);
  EXPECT_EQ(get_value(message.object.try_query<IMessage>().get(), kSubjectW).text, L"First");
  EXPECT_EQ(open_entry(store.get(), hex("0102")).result, S_OK);
  EXPECT_EQ(report()["logoffs"], 1);
}

TEST_F(StoreTest, TheReportListsEachLiveObjectUntilItIsReleased) {
  qv::com_ptr<IProfAdmin> admin;
  ASSERT_EQ(Mapi32::get().admin_profiles(0, admin.put()), S_OK);
  qv::com_ptr<IMsgStore> store = open_store(main_.get(), hex("0001"));
  Opened folder = open_entry(store.get(), hex("0011"));
  Opened message = open_entry(store.get(), hex("0101"));
  std::map<std::string, int> kinds = live_kinds();
  EXPECT_EQ(kinds["IProfAdmin"], 1);
  EXPECT_EQ(kinds["IMAPISession"], 1);
  EXPECT_EQ(kinds["IMsgStore"], 1);
  EXPECT_EQ(kinds["IMAPIFolder"], 1);
  EXPECT_EQ(kinds["IMessage"], 1);
  admin.reset();
  store.reset();
  folder.object.reset();
  message.object.reset();
  main_.reset();
  kinds = live_kinds();
  for (const char* kind : {"IProfAdmin", "IMAPISession", "IMsgStore", "IMAPIFolder", "IMessage"}) {
    EXPECT_EQ(kinds[kind], 0) << kind;
  }
  EXPECT_EQ(report()["calls"]["IMAPISession.OpenMsgStore"], 1);
  EXPECT_EQ(report()["calls"]["IMsgStore.OpenEntry"], 2);
}

}  // namespace
}  // namespace qvsim::mapi::test
