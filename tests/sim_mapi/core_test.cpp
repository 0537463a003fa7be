// The core library in-process: compressed RTF, messages built in memory
// (as the simulated stores will serve mailbox items), named-property maps
// per store, and the .msg layout on a storage.
#include <gtest/gtest.h>

#include <random>

#include "errors/com_holders.h"
#include "sim/mapi/message/message.h"
#include "sim/mapi/message/msg_file.h"
#include "sim/mapi/message/rtf_codec.h"

namespace qvsim::mapi {
namespace {

constexpr GUID kPsetidAppointment = {0x00062002, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kPsetidTask = {0x00062003, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr ULONG kSubjectW = PROP_TAG(PT_UNICODE, 0x0037);

std::string bytes_of(std::initializer_list<int> values) {
  std::string bytes;
  for (const int value : values) {
    bytes.push_back(static_cast<char>(value));
  }
  return bytes;
}

TEST(RtfCodecTest, DecompressesThePublishedExamples) {
  const RtfDecompression simple = decompress_rtf(
      bytes_of({0x2d, 0x00, 0x00, 0x00, 0x2b, 0x00, 0x00, 0x00, 0x4c, 0x5a, 0x46, 0x75, 0xf1,
                0xc5, 0xc7, 0xa7, 0x03, 0x00, 0x0a, 0x00, 0x72, 0x63, 0x70, 0x67, 0x31, 0x32,
                0x35, 0x42, 0x32, 0x0a, 0xf3, 0x20, 0x68, 0x65, 0x6c, 0x09, 0x00, 0x20, 0x62,
                0x77, 0x05, 0xb0, 0x6c, 0x64, 0x7d, 0x0a, 0x80, 0x0f, 0xa0}));
  EXPECT_EQ(simple.result, S_OK);
  EXPECT_EQ(simple.rtf, "{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n");
  const RtfDecompression run = decompress_rtf(bytes_of(
      {0x1a, 0x00, 0x00, 0x00, 0x1c, 0x00, 0x00, 0x00, 0x4c, 0x5a, 0x46, 0x75, 0xe2, 0xd4, 0x4b,
       0x51, 0x41, 0x00, 0x04, 0x20, 0x57, 0x58, 0x59, 0x5a, 0x0d, 0x6e, 0x7d, 0x01, 0x0e, 0xb0}));
  EXPECT_EQ(run.result, S_OK);
  EXPECT_EQ(run.rtf, "{\\rtf1 WXYZWXYZWXYZWXYZWXYZ}");
}

TEST(RtfCodecTest, CompressedTextOfEveryShapeDecompressesToItself) {
  std::mt19937 random(7);
  std::string noise(9000, '\0');
  for (char& c : noise) {
    c = static_cast<char>(random() & 0xFF);
  }
  std::string long_text;  // longer than the dictionary, so that it wraps
  for (int i = 0; i < 800; ++i) {
    long_text += "{\\par line " + std::to_string(i % 37) + "}";
  }
  for (const std::string& rtf :
       {std::string(), std::string("{"), std::string(40, 'a'), noise, long_text}) {
    const std::string compressed = compress_rtf(rtf);
    const RtfDecompression result = decompress_rtf(compressed);
    EXPECT_EQ(result.result, S_OK);
    EXPECT_TRUE(result.rtf == rtf) << rtf.size();
  }
  EXPECT_LT(compress_rtf(long_text).size(), long_text.size() / 3);
}

TEST(RtfCodecTest, DamagedHeadersAreCorruptData) {
  std::string compressed = compress_rtf("{\\rtf1 text}");
  EXPECT_EQ(decompress_rtf(compressed.substr(0, 10)).result, MAPI_E_CORRUPT_DATA);
  std::string wrong_type = compressed;
  wrong_type[8] = 'X';
  EXPECT_EQ(decompress_rtf(wrong_type).result, MAPI_E_CORRUPT_DATA);
  std::string too_long = compressed;
  too_long[0] = 0x7F;
  EXPECT_EQ(decompress_rtf(too_long).result, MAPI_E_CORRUPT_DATA);
}

// Reads one value through the IMessage of a message built in memory.
std::wstring subject_of(IMessage* message) {
  SizedSPropTagArray(1, tags) = {1, {kSubjectW}};
  ULONG count = 0;
  LPSPropValue values = nullptr;
  message->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values);
  std::wstring text = PROP_TYPE(values->ulPropTag) == PT_UNICODE ? values->Value.lpszW : L"";
  linked_free_buffer(values);
  return text;
}

ULONG location_tag(IMessage* message) {
  MAPINAMEID name{const_cast<LPGUID>(&kPsetidAppointment), MNID_ID, {}};
  name.Kind.lID = 0x8208;
  LPMAPINAMEID names[] = {&name};
  LPSPropTagArray tags = nullptr;
  message->GetIDsFromNames(1, names, 0, &tags);
  const ULONG tag = tags->aulPropTag[0];
  linked_free_buffer(tags);
  return tag;
}

TEST(MessageDataTest, MessagesOfOneStoreShareItsNameMapAndStoresDiffer) {
  auto first_store = std::make_shared<NamedPropertyMap>();
  auto second_store = std::make_shared<NamedPropertyMap>();
  second_store->map(PropertyName::numeric(kPsetidTask, 0x8105));  // takes 0x8000 there
  auto in_first = std::make_shared<MessageData>(first_store);
  auto also_in_first = std::make_shared<MessageData>(first_store);
  auto in_second = std::make_shared<MessageData>(second_store);
  const PropertyName location = PropertyName::numeric(kPsetidAppointment, 0x8208);
  EXPECT_EQ(in_first->set_named(location, PropertyValue::unicode(L"Room 1")),
            PROP_TAG(PT_UNICODE, 0x8000));
  EXPECT_EQ(in_second->set_named(location, PropertyValue::unicode(L"Room 2")),
            PROP_TAG(PT_UNICODE, 0x8001));

  auto first = qv::com_ptr<IMessage>::attach(create_message(in_first, MessageContext{}));
  auto other = qv::com_ptr<IMessage>::attach(create_message(also_in_first, MessageContext{}));
  auto second = qv::com_ptr<IMessage>::attach(create_message(in_second, MessageContext{}));
  EXPECT_EQ(location_tag(first.get()), PROP_TAG(PT_UNSPECIFIED, 0x8000));
  EXPECT_EQ(location_tag(other.get()), PROP_TAG(PT_UNSPECIFIED, 0x8000));
  EXPECT_EQ(location_tag(second.get()), PROP_TAG(PT_UNSPECIFIED, 0x8001));
  EXPECT_EQ(message_data_of(first.get()), in_first);
}

TEST(MessageDataTest, ABuiltMessageServesItsContentAndSavesThroughItsHook) {
  auto data = std::make_shared<MessageData>();
  data->properties.set_unicode(kSubjectW, L"Built");
  data->add_recipient().properties.set_unicode(PROP_TAG(PT_UNICODE, 0x3001), L"Carol");
  data->embed_message(data->add_attachment())->properties.set_unicode(kSubjectW, L"Inside");
  int saves = 0;
  bool released = false;
  MessageContext context;
  context.hooks.save = [&saves](MessageData&, ULONG) {
    ++saves;
    return S_OK;
  };
  context.hooks.released = [&released](IMessage*) { released = true; };
  auto message = qv::com_ptr<IMessage>::attach(create_message(data, context));
  EXPECT_EQ(subject_of(message.get()), L"Built");

  qv::com_ptr<IAttach> attachment;
  ASSERT_EQ(message->OpenAttach(0, nullptr, 0, attachment.put()), S_OK);
  qv::com_ptr<IUnknown> unknown;
  ASSERT_EQ(attachment->OpenProperty(PR_ATTACH_DATA_OBJ, &__uuidof(IMessage), 0, 0, unknown.put()),
            S_OK);
  qv::com_ptr<IMessage> inner;
  ASSERT_EQ(unknown->QueryInterface(__uuidof(IMessage), reinterpret_cast<void**>(inner.put())),
            S_OK);
  EXPECT_EQ(subject_of(inner.get()), L"Inside");
  ASSERT_EQ(inner->SaveChanges(0), S_OK);
  EXPECT_EQ(saves, 0);  // an embedded message saves into its attachment
  ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  EXPECT_EQ(saves, 1);
  inner.reset();
  unknown.reset();
  attachment.reset();
  message.reset();
  EXPECT_TRUE(released);
}

TEST(MessageDataTest, AReadOnlyMessageRefusesChanges) {
  MessageContext context;
  context.writable = false;
  auto message =
      qv::com_ptr<IMessage>::attach(create_message(std::make_shared<MessageData>(), context));
  SPropValue value{};
  value.ulPropTag = kSubjectW;
  value.Value.lpszW = const_cast<LPWSTR>(L"no");
  EXPECT_EQ(message->SetProps(1, &value, nullptr), MAPI_E_NO_ACCESS);
  ULONG number = 0;
  IAttach* attachment = nullptr;
  EXPECT_EQ(message->CreateAttach(nullptr, 0, &number, &attachment), MAPI_E_NO_ACCESS);
  EXPECT_EQ(message->SaveChanges(0), MAPI_E_NO_ACCESS);
}

TEST(MessageOptionsTest, ReadsStreamBehaviourFromJson) {
  const MessageOptions options = MessageOptions::from_json(nlohmann::json::parse(R"({
    "getprops_limit": 100,
    "stream": {"stat_fails": true, "read_error": "E_FAIL"},
    "property_streams": {"0x1000001F": {"read_fails_at": 10, "max_read": 4}}})"));
  EXPECT_EQ(options.getprops_limit, 100u);
  EXPECT_TRUE(options.stream_for(kSubjectW).stat_fails);
  EXPECT_EQ(options.stream_for(kSubjectW).read_error, E_FAIL);
  const StreamBehaviour& body = options.stream_for(PROP_TAG(PT_STRING8, 0x1000));
  EXPECT_FALSE(body.stat_fails);
  EXPECT_EQ(body.read_fails_at, 10u);
  EXPECT_EQ(body.max_read, 4u);
  EXPECT_THROW(
      MessageOptions::from_json(nlohmann::json::parse(R"({"stream": {"read_error": "E_NOPE"}})")),
      std::exception);
}

TEST(MsgFileTest, EveryTypeAndStringNamesSurviveTheLayout) {
  auto data = std::make_shared<MessageData>();
  PropertyBag& bag = data->properties;
  bag.set(PROP_TAG(PT_I2, 0x6601), PropertyValue::i2(-3));
  bag.set(PROP_TAG(PT_R4, 0x6602), PropertyValue::r4(2.25f));
  bag.set(PROP_TAG(PT_ERROR, 0x6603), PropertyValue::error(MAPI_E_NOT_FOUND));
  bag.set(PROP_TAG(PT_CLSID, 0x6604), PropertyValue::clsid(kPsetidTask));
  bag.set(PROP_TAG(PT_MV_I2, 0x6605),
          PropertyValue::multi(PT_MV_I2, {PropertyValue::i2(1), PropertyValue::i2(2)}));
  bag.set(PROP_TAG(PT_MV_DOUBLE, 0x6606),
          PropertyValue::multi(PT_MV_DOUBLE, {PropertyValue::real(0.25)}));
  bag.set(PROP_TAG(PT_MV_CLSID, 0x6607),
          PropertyValue::multi(PT_MV_CLSID, {PropertyValue::clsid(kPsetidAppointment)}));
  bag.set(PROP_TAG(PT_MV_I8, 0x6608),
          PropertyValue::multi(PT_MV_I8, {PropertyValue::i8(-1), PropertyValue::i8(5)}));
  bag.set(PROP_TAG(PT_MV_SYSTIME, 0x6609),
          PropertyValue::multi(PT_MV_SYSTIME, {PropertyValue::systime(ULONGLONG{1} << 56)}));
  bag.set(PROP_TAG(PT_MV_CURRENCY, 0x660A),
          PropertyValue::multi(PT_MV_CURRENCY, {PropertyValue::currency(12345)}));
  data->set_named(PropertyName::string(kPsPublicStrings, L"Keywords"),
                  PropertyValue::multi(PT_MV_UNICODE, {PropertyValue::unicode(L"red"),
                                                       PropertyValue::unicode(std::wstring())}));
  data->set_named(PropertyName::numeric(kPsetidTask, 0x8102), PropertyValue::real(0.5));

  qv::com_ptr<ILockBytes> bytes;
  ASSERT_EQ(::CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.put()), S_OK);
  qv::com_ptr<IStorage> storage;
  ASSERT_EQ(::StgCreateDocfileOnILockBytes(
                bytes.get(), STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE, 0, storage.put()),
            S_OK);
  ASSERT_EQ(write_msg(*data, storage.get()), S_OK);
  std::shared_ptr<MessageData> read;
  ASSERT_EQ(read_msg(storage.get(), &read), S_OK);

  PropertyBag expected = bag;
  expected.erase(PROP_TAG(PT_ERROR, 0x6603));  // errors are not values to keep
  PropertyBag actual = read->properties;
  actual.erase(PR_STORE_SUPPORT_MASK);  // added for the Unicode strings
  EXPECT_TRUE(actual == expected);
  EXPECT_EQ(read->names->entries(), data->names->entries());
}

}  // namespace
}  // namespace qvsim::mapi
