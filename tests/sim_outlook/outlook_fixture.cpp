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
