// Real .msg files made by Outlook, opened through OpenIMsgOnIStg as the
// product opens them, against the values that an independent reader found.
#include <gtest/gtest.h>

#include <ctime>
#include <vector>

#include "tests/sim_mapi/mapi32_library.h"
#include "tests/support/paths.h"
#include "tests/support/text.h"

namespace qvsim::mapi::test {
namespace {

constexpr ULONG kMessageClass = PROP_TAG(PT_UNICODE, 0x001A);
constexpr ULONG kSenderName = PROP_TAG(PT_UNICODE, 0x0C1A);
constexpr ULONG kDeliveryTime = PROP_TAG(PT_SYSTIME, 0x0E06);
constexpr ULONG kModificationTime = PROP_TAG(PT_SYSTIME, 0x3008);
constexpr LONG kLidLocation = 0x8208;

// A file's bytes; empty when it is absent.
std::string read_file(const std::wstring& path) {
  return qv::test::path_exists(path) ? qv::test::read_text_file(path) : std::string();
}

// A FILETIME as the reference gives times: RFC 1123, UTC, whole seconds.
std::string rfc1123(const FILETIME& time) {
  SYSTEMTIME utc{};
  ::FileTimeToSystemTime(&time, &utc);
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02u %s %04u %02u:%02u:%02u GMT", kDays[utc.wDayOfWeek],
                utc.wDay, kMonths[utc.wMonth - 1], utc.wYear, utc.wHour, utc.wMinute, utc.wSecond);
  return text;
}

class CorpusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const auto missing = qv::test::missing_corpus()) {
      GTEST_SKIP() << *missing;
    }
  }

  static std::wstring path(const std::wstring& name, const wchar_t* extension) {
    return qv::test::corpus_dir() + L"\\" + name + extension;
  }

  // Opens NAME.msg read-only, as the product opens a compound file.
  static qv::com_ptr<IMessage> open(const std::wstring& name) {
    qv::com_ptr<IStorage> storage;
    EXPECT_EQ(::StgOpenStorage(path(name, L".msg").c_str(), nullptr,
                               STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, storage.put()),
              S_OK);
    qv::com_ptr<IMessage> message;
    if (storage) {
      EXPECT_EQ(open_message(storage.get(), message.put()), S_OK);
    }
    return message;
  }

  // A string property read through its stream, as the product reads it.
  static std::string text(IMAPIProp* prop, ULONG tag) {
    std::string bytes;
    const HRESULT hr = read_property_stream(prop, tag, &bytes);
    return FAILED(hr) ? "<missing>" : qv::test::utf8(utf16(bytes));
  }

  static std::string time(IMAPIProp* prop, ULONG tag) {
    const OneValue value = get_value(prop, tag);
    return PROP_TYPE(value.tag) == PT_SYSTIME ? rfc1123(value.time) : "<missing>";
  }

  // Compares what the message says with the reference's members.
  static void expect_reference_values(IMessage* message, const nlohmann::json& reference) {
    EXPECT_EQ(text(message, kSubjectW), reference.value("subject", "<missing>"));
    EXPECT_EQ(text(message, kBodyW), reference.value("body", "<missing>"));
    EXPECT_EQ(text(message, kMessageClass), reference.value("messageClass", "<missing>"));
    EXPECT_EQ(time(message, kDeliveryTime), reference.value("messageDeliveryTime", "<missing>"));
    EXPECT_EQ(time(message, kModificationTime),
              reference.value("lastModificationTime", "<missing>"));
    if (reference.contains("senderName")) {
      EXPECT_EQ(text(message, kSenderName), reference.at("senderName").get<std::string>());
    }
    if (reference.value("messageClass", "").rfind("IPM.Appointment", 0) == 0) {
      const ULONG tag = named_tag(message, kPsetidAppointment, kLidLocation);
      EXPECT_GE(PROP_ID(tag), 0x8000u);
      EXPECT_EQ(text(message, CHANGE_PROP_TYPE(tag, PT_UNICODE)),
                reference.value("apptLocation", "<missing>"));
    }
  }
};

TEST_F(CorpusTest, EveryMessageOpensWithItsTables) {
  const std::vector<std::wstring> names = qv::test::corpus_message_names();
  ASSERT_FALSE(names.empty());
  for (const std::wstring& name : names) {
    SCOPED_TRACE(qv::test::utf8(name));
    qv::com_ptr<IMessage> message = open(name);
    ASSERT_TRUE(message);
    EXPECT_NE(text(message.get(), kMessageClass), "<missing>");
    for (const bool recipients : {false, true}) {
      qv::com_ptr<IMAPITable> table;
      ASSERT_EQ(recipients ? message->GetRecipientTable(0, table.put())
                           : message->GetAttachmentTable(0, table.put()),
                S_OK);
      ULONG rows = 0;
      EXPECT_EQ(table->GetRowCount(0, &rows), S_OK);
    }
  }
}

TEST_F(CorpusTest, ValuesMatchTheReference) {
  int compared = 0;
  for (const std::wstring& name : qv::test::corpus_message_names()) {
    const std::string json = read_file(path(name, L".json"));
    if (json.empty()) {
      continue;
    }
    SCOPED_TRACE(qv::test::utf8(name));
    qv::com_ptr<IMessage> message = open(name);
    ASSERT_TRUE(message);
    expect_reference_values(message.get(), nlohmann::json::parse(json));
    ++compared;
  }
  EXPECT_GT(compared, 10);
}

TEST_F(CorpusTest, RtfBodiesDecompressByteForByte) {
  const Mapi32& mapi = Mapi32::get();
  int compared = 0;
  for (const std::wstring& name : qv::test::corpus_message_names()) {
    const std::string expected = read_file(path(name, L".rtf"));
    if (expected.empty()) {
      continue;
    }
    SCOPED_TRACE(qv::test::utf8(name));
    qv::com_ptr<IMessage> message = open(name);
    ASSERT_TRUE(message);
    qv::com_ptr<IStream> compressed =
        open_property_stream(message.get(), PR_RTF_COMPRESSED, MAPI_DEFERRED_ERRORS);
    ASSERT_TRUE(compressed);
    qv::com_ptr<IStream> rtf;
    ASSERT_EQ(mapi.wrap_rtf(compressed.get(), 0, rtf.put()), S_OK);
    std::string actual;
    EXPECT_EQ(read_chunks(rtf.get(), &actual), S_OK);
    EXPECT_EQ(actual.size(), expected.size());
    EXPECT_TRUE(actual == expected);
    ++compared;
  }
  EXPECT_GT(compared, 5);
}

TEST_F(CorpusTest, EmbeddedMessageOpensThroughItsAttachment) {
  const nlohmann::json reference = nlohmann::json::parse(read_file(path(L"msgInMsg", L".json")));
  qv::com_ptr<IMessage> outer = open(L"msgInMsg");
  ASSERT_TRUE(outer);
  qv::com_ptr<IAttach> attachment;
  ASSERT_EQ(outer->OpenAttach(0, nullptr, 0, attachment.put()), S_OK);
  EXPECT_EQ(get_value(attachment.get(), PR_ATTACH_METHOD).number,
            static_cast<LONG>(ATTACH_EMBEDDED_MSG));
  qv::com_ptr<IMessage> inner = open_embedded_message(attachment.get());
  ASSERT_TRUE(inner);
  const nlohmann::json& inner_reference =
      reference.at("attachments").at(0).at("innerMsgContentFields");
  expect_reference_values(inner.get(), inner_reference);
  qv::com_ptr<IMAPITable> recipients;
  ASSERT_EQ(inner->GetRecipientTable(0, recipients.put()), S_OK);
  ULONG rows = 0;
  EXPECT_EQ(recipients->GetRowCount(0, &rows), S_OK);
  EXPECT_EQ(rows, inner_reference.at("recipients").size());
}

}  // namespace
}  // namespace qvsim::mapi::test
