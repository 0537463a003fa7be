// IMessage over a storage: reading properties by MAPI's rules, property
// streams and their arranged failures, named properties.
#include <gtest/gtest.h>

#include "tests/sim_mapi/mapi32_library.h"

namespace qvsim::mapi::test {
namespace {

constexpr ULONG kHtml = PROP_TAG(PT_BINARY, 0x1013);

class MessageTest : public ::testing::Test {
 protected:
  void TearDown() override { set_faults(nullptr); }
  IMessage* message() { return m_.message.get(); }
  void set_options(const char* json) {
    ASSERT_EQ(mapi_.set_message_options(message(), json), S_OK);
  }
  qv::com_ptr<IStream> open_stream(ULONG tag, ULONG flags = 0) {
    HRESULT hr = E_FAIL;
    qv::com_ptr<IStream> stream = open_property_stream(message(), tag, flags, &hr);
    EXPECT_EQ(hr, S_OK);
    return stream;
  }

  const Mapi32& mapi_ = Mapi32::get();
  MemoryMessage m_ = new_memory_message();
};

TEST_F(MessageTest, EightBitStringsAreConvertedWithTheMessagesCodePage) {
  ASSERT_EQ(set_string8(message(), kSubjectA, "\xC0\xE9"), S_OK);
  EXPECT_EQ(get_value(message(), kSubjectW).text, L"\u00C0\u00E9");  // CP_ACP: 1252
  ASSERT_EQ(set_long(message(), PR_INTERNET_CPID, 1251), S_OK);
  const OneValue value = get_value(message(), kSubjectW);
  EXPECT_EQ(value.result, S_OK);
  EXPECT_EQ(value.tag, kSubjectW);
  EXPECT_EQ(value.text, L"\u0410\u0439");  // the same bytes in Windows-1251
}

TEST_F(MessageTest, UnicodeStringsAreConvertedToTheAnsiCodePage) {
  ASSERT_EQ(set_unicode(message(), kSubjectW, L"caf\u00E9"), S_OK);
  const OneValue value = get_value(message(), kSubjectA);
  EXPECT_EQ(value.tag, kSubjectA);
  EXPECT_EQ(value.bytes, "caf\xE9");
}

TEST_F(MessageTest, UnspecifiedTypesTakeTheStoredTypeAndStringsFollowMapiUnicode) {
  ASSERT_EQ(set_string8(message(), kSubjectA, "Hello"), S_OK);
  ASSERT_EQ(set_long(message(), PR_PRIORITY, 1), S_OK);
  EXPECT_EQ(get_value(message(), CHANGE_PROP_TYPE(kSubjectA, PT_UNSPECIFIED), MAPI_UNICODE).tag,
            kSubjectW);
  EXPECT_EQ(get_value(message(), CHANGE_PROP_TYPE(kSubjectA, PT_UNSPECIFIED)).tag, kSubjectA);
  EXPECT_EQ(get_value(message(), CHANGE_PROP_TYPE(PR_PRIORITY, PT_UNSPECIFIED)).tag,
            static_cast<ULONG>(PR_PRIORITY));
}

TEST_F(MessageTest, MissingValuesArePtErrorWithAWarning) {
  ASSERT_EQ(set_unicode(message(), kSubjectW, L"There"), S_OK);
  SizedSPropTagArray(3, tags) = {3, {kSubjectW, kBodyW, PROP_TAG(PT_LONG, 0x0037)}};
  ULONG count = 0;
  LPSPropValue values = nullptr;
  ASSERT_EQ(
      message()->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), MAPI_UNICODE, &count, &values),
      MAPI_W_ERRORS_RETURNED);
  ASSERT_EQ(count, 3u);
  EXPECT_STREQ(values[0].Value.lpszW, L"There");
  EXPECT_EQ(values[1].ulPropTag, static_cast<ULONG>(PROP_TAG(PT_ERROR, 0x1000)));
  EXPECT_EQ(values[1].Value.err, MAPI_E_NOT_FOUND);
  // A type that the stored value cannot serve is missing too.
  EXPECT_EQ(values[2].ulPropTag, static_cast<ULONG>(PROP_TAG(PT_ERROR, 0x0037)));
  EXPECT_EQ(values[2].Value.err, MAPI_E_NOT_FOUND);
  mapi_.free_buffer(values);
}

TEST_F(MessageTest, LargeValuesAreServedOnlyAsStreams) {
  const std::wstring body(40000, L'x');
  ASSERT_EQ(set_unicode(message(), kBodyW, body.c_str()), S_OK);
  const OneValue value = get_value(message(), kBodyW);
  EXPECT_EQ(value.result, MAPI_W_ERRORS_RETURNED);
  EXPECT_EQ(value.error, MAPI_E_NOT_ENOUGH_MEMORY);
  std::string bytes;
  ASSERT_EQ(read_property_stream(message(), kBodyW, &bytes), S_OK);
  EXPECT_EQ(utf16(bytes), body);
  set_options(R"({"getprops_limit": 0})");
  EXPECT_EQ(get_value(message(), kBodyW).text, body);
}

TEST_F(MessageTest, StreamsHoldUtf16OrEightBitBytesWithoutTerminator) {
  ASSERT_EQ(set_unicode(message(), kSubjectW, L"Gr\u00FC\u00DFe"), S_OK);
  std::string bytes;
  ASSERT_EQ(read_property_stream(message(), kSubjectW, &bytes, MAPI_UNICODE), S_OK);
  EXPECT_EQ(bytes.size(), 10u);
  EXPECT_EQ(utf16(bytes), L"Gr\u00FC\u00DFe");
  ASSERT_EQ(read_property_stream(message(), kSubjectA, &bytes), S_OK);
  EXPECT_EQ(bytes,
            "Gr\xFC\xDF"
            "e");
  ASSERT_EQ(set_string8(message(), kBodyA, "plain"), S_OK);
  ASSERT_EQ(read_property_stream(message(), kBodyW, &bytes), S_OK);
  EXPECT_EQ(utf16(bytes), L"plain");
}

TEST_F(MessageTest, OpeningAMissingPropertyFailsWithNotFound) {
  qv::com_ptr<IUnknown> unknown;
  IUnknown* raw = reinterpret_cast<IUnknown*>(1);
  EXPECT_EQ(message()->OpenProperty(kBodyW, &IID_IStream, 0, MAPI_DEFERRED_ERRORS, &raw),
            MAPI_E_NOT_FOUND);
  EXPECT_EQ(raw, nullptr);
  EXPECT_EQ(message()->OpenProperty(PR_PRIORITY, &IID_IStream, 0, 0, unknown.put()),
            MAPI_E_NOT_FOUND);
}

TEST_F(MessageTest, BinaryPropertiesOpenAsStreams) {
  const std::string rtf("\x2a\x00\x00\x00\x1e\x00\x00\x00LZFu\x01\x02\x03\x04", 16);
  ASSERT_EQ(set_binary(message(), PROP_TAG(PT_BINARY, 0x1009), rtf), S_OK);
  std::string bytes;
  ASSERT_EQ(
      read_property_stream(message(), PROP_TAG(PT_BINARY, 0x1009), &bytes, MAPI_DEFERRED_ERRORS),
      S_OK);
  EXPECT_EQ(bytes, rtf);
}

TEST_F(MessageTest, WrittenStreamsChangeThePropertyWhenCommitted) {
  qv::com_ptr<IStream> stream = open_stream(kBodyW, MAPI_CREATE | MAPI_MODIFY);
  ASSERT_TRUE(stream);
  const std::wstring text = L"written through a stream";
  ULONG written = 0;
  ASSERT_EQ(stream->Write(text.data(), static_cast<ULONG>(text.size() * 2), &written), S_OK);
  EXPECT_EQ(get_value(message(), kBodyW).error, MAPI_E_NOT_FOUND);
  ASSERT_EQ(stream->Commit(STGC_DEFAULT), S_OK);
  EXPECT_EQ(get_value(message(), kBodyW).text, text);
}

TEST_F(MessageTest, AStreamWhoseStatFailsIsReadInChunks) {
  const std::wstring body(60000, L'b');
  ASSERT_EQ(set_unicode(message(), kBodyW, body.c_str()), S_OK);
  set_options(R"({"stream": {"stat_fails": true}})");
  qv::com_ptr<IStream> stream = open_stream(kBodyW);
  STATSTG stat{};
  EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), STG_E_INVALIDFUNCTION);
  std::string bytes;
  EXPECT_EQ(read_chunks(stream.get(), &bytes), S_OK);
  EXPECT_EQ(utf16(bytes), body);
}

TEST_F(MessageTest, ReadsFailAtAByteOrEveryTime) {
  ASSERT_EQ(set_binary(message(), kHtml, std::string(1000, 'h')), S_OK);
  set_options(R"({"stream": {"read_fails_at": 300, "read_error": "STG_E_READFAULT"}})");
  qv::com_ptr<IStream> stream = open_stream(kHtml);
  std::string bytes;
  EXPECT_EQ(read_chunks(stream.get(), &bytes, 100), STG_E_READFAULT);
  EXPECT_EQ(bytes.size(), 300u);  // the chunks before the failing byte
  set_options(R"({"stream": {"every_read_fails": true, "read_error": "0x80040116"}})");
  stream = open_stream(kHtml);
  EXPECT_EQ(read_chunks(stream.get(), &bytes, 100), MAPI_E_DISK_ERROR);
  EXPECT_TRUE(bytes.empty());
}

TEST_F(MessageTest, ShortReadsAndPerPropertyBehaviour) {
  ASSERT_EQ(set_binary(message(), kHtml, std::string(1000, 'h')), S_OK);
  ASSERT_EQ(set_unicode(message(), kSubjectW, L"short"), S_OK);
  set_options(R"({"property_streams": {"0x10130102": {"max_read": 64, "stat_fails": true}}})");
  qv::com_ptr<IStream> stream = open_stream(kHtml);
  char buffer[200];
  ULONG read = 0;
  ASSERT_EQ(stream->Read(buffer, sizeof buffer, &read), S_OK);
  EXPECT_EQ(read, 64u);
  STATSTG stat{};
  EXPECT_TRUE(FAILED(stream->Stat(&stat, STATFLAG_NONAME)));
  qv::com_ptr<IStream> other = open_stream(kSubjectW);
  EXPECT_EQ(other->Stat(&stat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(stat.cbSize.QuadPart, 10u);
}

TEST_F(MessageTest, UnknownNamesComeBackAsPtErrorWithAWarning) {
  HRESULT result = S_OK;
  EXPECT_EQ(named_tag(message(), kPsetidAppointment, 0x8208, 0, &result),
            static_cast<ULONG>(PROP_TAG(PT_ERROR, 0)));
  EXPECT_EQ(result, MAPI_W_ERRORS_RETURNED);
}

TEST_F(MessageTest, CreatedNamesMapFrom0x8000UpAndStay) {
  HRESULT result = E_FAIL;
  const ULONG location = named_tag(message(), kPsetidAppointment, 0x8208, MAPI_CREATE, &result);
  EXPECT_EQ(result, S_OK);
  EXPECT_EQ(location, static_cast<ULONG>(PROP_TAG(PT_UNSPECIFIED, 0x8000)));
  EXPECT_EQ(named_tag(message(), kPsetidCommon, 0x8503, MAPI_CREATE),
            static_cast<ULONG>(PROP_TAG(PT_UNSPECIFIED, 0x8001)));
  EXPECT_EQ(named_tag(message(), kPsetidAppointment, 0x8208, 0, &result), location);
  EXPECT_EQ(result, S_OK);

  LPSPropTagArray tags = nullptr;
  SizedSPropTagArray(1, asked) = {1, {PROP_TAG(PT_UNICODE, 0x8001)}};
  tags = reinterpret_cast<LPSPropTagArray>(&asked);
  ULONG count = 0;
  LPMAPINAMEID* names = nullptr;
  ASSERT_EQ(message()->GetNamesFromIDs(&tags, nullptr, 0, &count, &names), S_OK);
  ASSERT_EQ(count, 1u);
  EXPECT_TRUE(*names[0]->lpguid == kPsetidCommon);
  EXPECT_EQ(names[0]->Kind.lID, 0x8503);
  mapi_.free_buffer(names);
}

TEST_F(MessageTest, TheIdArrayIsMapiMemory) {
  const std::uint64_t before = report()["mapi_allocations_outstanding"].get<std::uint64_t>();
  MAPINAMEID name{const_cast<LPGUID>(&kPsetidCommon), MNID_STRING, {}};
  name.Kind.lpwstrName = const_cast<LPWSTR>(L"Keywords");
  LPMAPINAMEID names[] = {&name};
  LPSPropTagArray tags = nullptr;
  ASSERT_EQ(message()->GetIDsFromNames(1, names, MAPI_CREATE, &tags), S_OK);
  EXPECT_EQ(report()["mapi_allocations_outstanding"].get<std::uint64_t>(), before + 1);
  EXPECT_EQ(mapi_.free_buffer(tags), S_OK);
  EXPECT_EQ(report()["mapi_allocations_outstanding"].get<std::uint64_t>(), before);
}

}  // namespace
}  // namespace qvsim::mapi::test
