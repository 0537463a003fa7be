// Mailbox items opened as messages: their properties, counted attachments,
// named properties mapped per store, the stream behaviour that an item's
// message_options arrange, and items served from a .msg file.
#include <gtest/gtest.h>

#include <string>

#include "sim/common/ledger.h"
#include "tests/sim_mapi/mapi_session.h"
#include "tests/support/sim_support.h"

namespace qvsim::mapi::test {
namespace {

constexpr GUID kPsetidTask = {0x00062003, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr ULONG kHasAttachments = PROP_TAG(PT_BOOLEAN, 0x0E1B);
constexpr ULONG kMimeTagA = PROP_TAG(PT_STRING8, 0x370E);
constexpr ULONG kLongFilenameW = PROP_TAG(PT_UNICODE, 0x3707);

// Two stores under the default profile. Store A maps PSETID_Common 0x8503
// before PSETID_Appointment 0x8208; store B has only 0x8208.
constexpr char kItems[] = R"({"stores": [
  {"display_name": "Store A", "entry_id": "000A", "top_folder": {"entry_id": "00A0", "items": [
    {"entry_id": "0A01", "subject": "Weekly report", "attachment_count": 3, "properties": [
      {"tag": "0x1000001F", "value": {"pattern": "Status: on track. ", "repeat": 2000}},
      {"set": "PSETID_Common", "lid": "0x8503", "type": "PT_BOOLEAN", "value": true},
      {"set": "PSETID_Appointment", "lid": "0x8208", "type": "PT_UNICODE", "value": "Room A"},
      {"tag": "0x0E1B000B", "value": true}]},
    {"entry_id": "0A02", "subject": "Stat fails",
     "properties": [{"tag": "0x1000001F", "value": {"pattern": "x", "repeat": 60000}}],
     "message_options": {"stream": {"stat_fails": true}}},
    {"entry_id": "0A03", "subject": "Read fails",
     "properties": [{"tag": "0x1000001F", "value": {"pattern": "0123456789", "repeat": 30}}],
     "message_options": {"property_streams": {"0x1000001F": {"read_fails_at": "100", "read_error": "STG_E_READFAULT"}}}},
    {"entry_id": "0A04", "subject": "A subject longer than sixteen bytes",
     "message_options": {"getprops_limit": 16, "stream": {"max_read": 5}}}]}},
  {"display_name": "Store B", "entry_id": "000B", "top_folder": {"entry_id": "00B0", "items": [
    {"entry_id": "0B01", "subject": "Elsewhere", "properties": [
      {"set": "PSETID_Appointment", "lid": "0x8208", "type": "PT_UNICODE", "value": "Room B"}]}]}}
]})";

// A description's text for a Windows path (backslashes doubled).
std::string json_path(const std::wstring& path) {
  std::string text;
  for (const wchar_t c : path) {
    text += c == L'\\' ? std::string("\\\\") : std::string(1, static_cast<char>(c));
  }
  return text;
}

class ItemTest : public ::testing::Test {
 protected:
  // The item's message, opened as the product opens it.
  qv::com_ptr<IMessage> open_item(const char* entry_id) {
    Opened opened = open_entry(session_.get(), hex(entry_id));
    EXPECT_EQ(opened.result, S_OK) << entry_id;
    EXPECT_EQ(opened.type, static_cast<ULONG>(MAPI_MESSAGE)) << entry_id;
    return opened.object.try_query<IMessage>();
  }

  ServedDescription served_{kItems};
  qv::com_ptr<IMAPISession> session_ = logon(L"Outlook");
};

TEST_F(ItemTest, AMessageHasTheItemsPropertiesAndEntryIds) {
  qv::com_ptr<IMessage> message = open_item("0A01");
  ASSERT_TRUE(message);
  EXPECT_EQ(get_value(message.get(), kSubjectW).text, L"Weekly report");
  EXPECT_EQ(get_value(message.get(), kSubjectA).bytes, "Weekly report");
  EXPECT_EQ(get_value(message.get(), PR_MESSAGE_CLASS_W).text, L"IPM.Note");
  EXPECT_EQ(get_value(message.get(), kHasAttachments).number, 1);
  EXPECT_EQ(get_value(message.get(), PR_PARENT_ENTRYID).bytes, std::string("\x00\xA0", 2));
  EXPECT_EQ(get_value(message.get(), PR_STORE_ENTRYID).bytes, std::string("\x00\x0A", 2));
  // The body is too large for GetProps, as in real stores, and is read as a stream.
  const OneValue body = get_value(message.get(), kBodyW);
  EXPECT_EQ(body.tag, static_cast<ULONG>(PROP_TAG(PT_ERROR, 0x1000)));
  EXPECT_EQ(body.error, MAPI_E_NOT_ENOUGH_MEMORY);
  std::string bytes;
  ASSERT_EQ(read_property_stream(message.get(), kBodyW, &bytes), S_OK);
  std::wstring expected;
  for (int i = 0; i < 2000; ++i) {
    expected += L"Status: on track. ";
  }
  EXPECT_EQ(utf16(bytes), expected);
}

TEST_F(ItemTest, TheAttachmentTableHasTheCountedAttachments) {
  qv::com_ptr<IMessage> message = open_item("0A01");
  qv::com_ptr<IMAPITable> table;
  ASSERT_EQ(message->GetAttachmentTable(0, table.put()), S_OK);
  Rows rows;
  read_rows(table.get(), {PR_ATTACH_NUM, PR_ATTACH_METHOD, PR_ATTACH_MIME_TAG_W, kMimeTagA}, 100,
            TBL_NOADVANCE, &rows);
  ASSERT_EQ(rows.count(), 3u);
  for (ULONG i = 0; i < rows.count(); ++i) {
    EXPECT_EQ(rows.value(i, 0).Value.l, static_cast<LONG>(i));
    EXPECT_EQ(rows.value(i, 1).Value.l, static_cast<LONG>(ATTACH_BY_VALUE));
    EXPECT_STREQ(rows.value(i, 3).Value.lpszA, "text/plain");
  }
  EXPECT_EQ(open_item("0A02")->GetAttachmentTable(0, table.put()), S_OK);
  ULONG count = 1;
  EXPECT_EQ(table->GetRowCount(0, &count), S_OK);
  EXPECT_EQ(count, 0u);
}

TEST_F(ItemTest, NamedPropertiesHaveTheIdentifiersOfTheirStore) {
  qv::com_ptr<IMessage> in_a = open_item("0A01");
  qv::com_ptr<IMessage> in_b = open_item("0B01");
  HRESULT result = E_FAIL;
  const ULONG location_a = named_tag(in_a.get(), kPsetidAppointment, 0x8208, 0, &result);
  EXPECT_EQ(result, S_OK);
  EXPECT_EQ(location_a, static_cast<ULONG>(PROP_TAG(PT_UNSPECIFIED, 0x8001)));
  const ULONG location_b = named_tag(in_b.get(), kPsetidAppointment, 0x8208);
  EXPECT_EQ(location_b, static_cast<ULONG>(PROP_TAG(PT_UNSPECIFIED, 0x8000)));
  EXPECT_EQ(get_value(in_a.get(), CHANGE_PROP_TYPE(location_a, PT_UNICODE)).text, L"Room A");
  EXPECT_EQ(get_value(in_b.get(), CHANGE_PROP_TYPE(location_b, PT_UNICODE)).text, L"Room B");
  // The store answers with its messages' map.
  qv::com_ptr<IMsgStore> store_a = open_store(session_.get(), hex("000A"));
  EXPECT_EQ(named_tag(store_a.get(), kPsetidAppointment, 0x8208), location_a);
}

TEST_F(ItemTest, ANameTheStoreHasNeverMappedGivesPtErrorAndAWarning) {
  qv::com_ptr<IMessage> message = open_item("0A01");
  MAPINAMEID known{const_cast<LPGUID>(&kPsetidAppointment), MNID_ID, {0x8208}};
  MAPINAMEID unknown{const_cast<LPGUID>(&kPsetidTask), MNID_ID, {0x8102}};
  LPMAPINAMEID names[] = {&known, &unknown};
  LPSPropTagArray tags = nullptr;
  ASSERT_EQ(message->GetIDsFromNames(2, names, 0, &tags), MAPI_W_ERRORS_RETURNED);
  ASSERT_EQ(tags->cValues, 2u);
  EXPECT_EQ(tags->aulPropTag[0], static_cast<ULONG>(PROP_TAG(PT_UNSPECIFIED, 0x8001)));
  EXPECT_EQ(element(tags->aulPropTag, 1), static_cast<ULONG>(PROP_TAG(PT_ERROR, 0)));
  Mapi32::get().free_buffer(tags);
  // MAPI_CREATE maps it for the whole store, and for that store only.
  const ULONG created = named_tag(message.get(), kPsetidTask, 0x8102, MAPI_CREATE);
  EXPECT_EQ(created, static_cast<ULONG>(PROP_TAG(PT_UNSPECIFIED, 0x8002)));
  EXPECT_EQ(named_tag(open_item("0A02").get(), kPsetidTask, 0x8102), created);
  HRESULT result = S_OK;
  EXPECT_EQ(named_tag(open_item("0B01").get(), kPsetidTask, 0x8102, 0, &result),
            static_cast<ULONG>(PROP_TAG(PT_ERROR, 0)));
  EXPECT_EQ(result, MAPI_W_ERRORS_RETURNED);
}

TEST_F(ItemTest, AStreamWhoseStatFailsIsReadInChunks) {
  qv::com_ptr<IMessage> message = open_item("0A02");
  qv::com_ptr<IStream> stream = open_property_stream(message.get(), kBodyW);
  ASSERT_TRUE(stream);
  STATSTG stat{};
  EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), STG_E_INVALIDFUNCTION);
  std::string bytes;
  EXPECT_EQ(read_chunks(stream.get(), &bytes), S_OK);
  EXPECT_EQ(bytes.size(), 120000u);
}

TEST_F(ItemTest, AReadFailsWhereTheItemSays) {
  qv::com_ptr<IMessage> message = open_item("0A03");
  qv::com_ptr<IStream> body = open_property_stream(message.get(), kBodyW);
  char buffer[100];
  ULONG read = 0;
  EXPECT_EQ(body->Read(buffer, 100, &read), S_OK);
  EXPECT_EQ(read, 100u);
  EXPECT_EQ(body->Read(buffer, 10, &read), STG_E_READFAULT);
  std::string subject;
  EXPECT_EQ(read_property_stream(message.get(), kSubjectW, &subject),
            S_OK);  // other properties read well
  EXPECT_EQ(utf16(subject), L"Read fails");
}

TEST_F(ItemTest, TheGetPropsLimitAndShortReadsAreTheItemsOwn) {
  qv::com_ptr<IMessage> message = open_item("0A04");
  EXPECT_EQ(get_value(message.get(), kSubjectW).error, MAPI_E_NOT_ENOUGH_MEMORY);
  qv::com_ptr<IStream> subject = open_property_stream(message.get(), kSubjectW);
  char buffer[64];
  ULONG read = 0;
  EXPECT_EQ(subject->Read(buffer, sizeof buffer, &read), S_OK);
  EXPECT_EQ(read, 5u);
  EXPECT_EQ(get_value(open_item("0A01").get(), kSubjectW).text,
            L"Weekly report");  // others keep the defaults
}

TEST_F(ItemTest, ChangesLastAsLongAsTheOpenedMessage) {
  qv::com_ptr<IMessage> message = open_item("0A01");
  EXPECT_EQ(set_unicode(message.get(), kSubjectW, L"Changed"), S_OK);
  EXPECT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  EXPECT_EQ(get_value(message.get(), kSubjectW).text, L"Changed");
  EXPECT_EQ(get_value(open_item("0A01").get(), kSubjectW).text, L"Weekly report");
  Opened read_only = open_entry(session_.get(), hex("0A01"), 0);
  EXPECT_EQ(set_unicode(read_only.object.try_query<IMessage>().get(), kSubjectW, L"No"),
            MAPI_E_NO_ACCESS);
}

TEST(MsgFileItemTest, AnItemThatNamesAMsgFileIsServedFromTheFile) {
  qv::test::TempDir folder;
  const std::wstring memo = folder.file(L"memo.msg");
  write_memo_msg(memo);
  ServedDescription served(
      R"({"stores": [{"display_name": "Files", "entry_id": "000C", "top_folder": {"items": [
    {"entry_id": "0C01", "subject": "Maps 0x8503 first",
     "properties": [{"set": "PSETID_Common", "lid": "0x8503", "type": "PT_BOOLEAN", "value": true}]},
    {"entry_id": "0C02", "msg_file": ")" +
      json_path(memo) + R"(", "attachment_count": 1,
     "properties": [{"tag": "0x1000001F", "value": "Body from the description"}]}]}}]})");
  qv::com_ptr<IMAPISession> session = logon(L"Outlook");
  Opened opened = open_entry(session.get(), hex("0C02"));
  ASSERT_EQ(opened.result, S_OK);
  qv::com_ptr<IMessage> message = opened.object.try_query<IMessage>();
  EXPECT_EQ(get_value(message.get(), kSubjectW).text, kMemoSubject);
  EXPECT_EQ(get_value(message.get(), kBodyW).text,
            L"Body from the description");  // the description wins
  // The file's location moves to the store's identifier for its name.
  const ULONG location = named_tag(message.get(), kPsetidAppointment, 0x8208);
  EXPECT_EQ(location, static_cast<ULONG>(PROP_TAG(PT_UNSPECIFIED, 0x8001)));
  EXPECT_EQ(get_value(message.get(), CHANGE_PROP_TYPE(location, PT_UNICODE)).text, kMemoLocation);
  // The file's attachment, then the counted one.
  qv::com_ptr<IMAPITable> table;
  ASSERT_EQ(message->GetAttachmentTable(MAPI_UNICODE, table.put()), S_OK);
  Rows rows;
  read_rows(table.get(), {PR_ATTACH_NUM, kLongFilenameW}, 100, 0, &rows);
  ASSERT_EQ(rows.count(), 2u);
  EXPECT_STREQ(rows.value(0, 1).Value.lpszW, L"notes.txt");
  EXPECT_STREQ(rows.value(1, 1).Value.lpszW, L"attachment1.txt");
}

TEST(MsgFileItemTest, AMissingMsgFileMakesTheDescriptionUnreadable) {
  qv::test::TempDir folder;
  const std::wstring mailbox = folder.file(L"mailbox.json");
  qv::test::write_text_file(mailbox, R"({"stores": [{"display_name": "Files", "top_folder": {
    "items": [{"msg_file": "missing.msg"}]}}]})");
  EXPECT_EQ(Mapi32::get().reset(mailbox.c_str()), MAPI_E_CORRUPT_DATA);
  const std::string error = report()["mailbox_error"].get<std::string>();
  EXPECT_NE(
      error.find(
          "stores[0].top_folder.items[0].msg_file: cannot read the .msg file: file not found: " +
          qvsim::wide_to_utf8(folder.file(L"missing.msg"))),
      std::string::npos)
      << error;
}

}  // namespace
}  // namespace qvsim::mapi::test
