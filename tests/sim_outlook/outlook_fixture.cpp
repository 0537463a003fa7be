#include "tests/sim_outlook/outlook_fixture.h"

namespace qvsim::test {

// Sequence numbers of store 1: store 0, top folder 1, Inbox 2, its items 3
// to 7, Sub Folder 8, Calendar 9, its item 10. Store 2: store 0, top folder 1.
const char kTestMailbox[] = R"({
  "stores": [
    {"id": "s1", "display_name": "Mailbox - Test", "top_folder": {"id": "top1", "folders": [
      {"id": "inbox", "name": "Inbox", "items": [
        {"id": "mail1", "subject": "First"},
        {"id": "mail2", "subject": "Second", "message_class": "IPM.Note"},
        {"id": "odd", "subject": "Odd one", "by_name": {
          "EntryID": {"value": 42}, "Parent": {"value": "not a folder"}, "SenderName": {"value": "Eve"}}},
        {"id": "hidden", "by_name": {"EntryID": {"missing": true}, "Parent": {"missing": true}}},
        {"id": "failing", "by_name": {"EntryID": {"error": "0x80040107"}}}
      ], "folders": [
        {"id": "sub", "name": "Sub Folder", "folder_path": "\\\\Mailbox - Test\\Inbox\\Sub%20Folder"}
      ]},
      {"id": "cal", "name": "Calendar", "default_item_type": "appointment",
       "items": [{"id": "appt", "subject": "Meeting"}]}
    ]}},
    {"id": "s2", "display_name": "Archive", "top_folder": {"id": "top2"}}
  ],
  "explorer": {"selection": ["mail2", "appt", "mail2"]}
})";

std::wstring store1_entry_id(const wchar_t* identifier) {
  return std::wstring(kStore1Prefix) + identifier;
}

std::wstring store2_entry_id(const wchar_t* identifier) {
  return std::wstring(kStore2Prefix) + identifier;
}

qv::com_ptr<Selection> selection_of(_Application* application) {
  qv::com_ptr<_Explorer> explorer;
  qv::com_ptr<Selection> selection;
  EXPECT_EQ(application->ActiveExplorer(explorer.put()), S_OK);
  EXPECT_EQ(explorer->get_Selection(selection.put()), S_OK);
  return selection;
}

qv::com_ptr<IDispatch> selected(Selection* selection, int index) {
  qv::com_ptr<IDispatch> item;
  EXPECT_EQ(selection->Item(position(index), item.put()), S_OK);
  return item;
}

qv::com_ptr<_Items> items_of(MAPIFolder* folder) {
  qv::com_ptr<_Items> items;
  EXPECT_EQ(folder->get_Items(items.put()), S_OK);
  return items;
}

qv::com_ptr<IDispatch> item_at(_Items* items, int index) {
  qv::com_ptr<IDispatch> item;
  EXPECT_EQ(items->Item(position(index), item.put()), S_OK);
  return item;
}

qv::com_ptr<_NameSpace> namespace_of(_Application* application) {
  qv::com_ptr<_NameSpace> mapi;
  EXPECT_EQ(application->GetNamespace(qv::unique_bstr::from(L"MAPI").get(), mapi.put()), S_OK);
  return mapi;
}

qv::com_ptr<_Folders> top_folders(_Application* application) {
  qv::com_ptr<_Folders> folders;
  EXPECT_EQ(namespace_of(application)->get_Folders(folders.put()), S_OK);
  return folders;
}

long count_of(_Folders* folders) {
  long count = -1;
  EXPECT_EQ(folders->get_Count(&count), S_OK);
  return count;
}

long count_of(_Items* items) {
  long count = -1;
  EXPECT_EQ(items->get_Count(&count), S_OK);
  return count;
}

HRESULT OutlookSimTest::use_mailbox(const std::string& description) {
  const std::wstring path = dir_.file(L"mailbox.json");
  qv::test::write_text_file(path, description);
  return qv::test::use_outlook_mailbox(path);
}

HRESULT OutlookSimTest::use_test_mailbox_with(const nlohmann::json& members) {
  nlohmann::json description = nlohmann::json::parse(kTestMailbox);
  description.update(members);
  return use_mailbox(description.dump());
}

qv::com_ptr<_Application> OutlookSimTest::connect() {
  qv::com_ptr<_Application> application;
  EXPECT_EQ(connect_outlook(&application), S_OK);
  EXPECT_TRUE(application);
  return application;
}

}  // namespace qvsim::test
