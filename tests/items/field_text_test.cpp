// Fields of items as text (MapiMessage::field_text), read from items of
// described mailboxes through the simulated MAPI.
#include <windows.h>
#include <mapitags.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "items/field_table.h"
#include "items/message.h"
#include "tests/items/item_fixture.h"

namespace qv::test {
namespace {

using nlohmann::json;

// Fields by number, with their property types.
constexpr int kSubject = 0;            // PT_UNICODE
constexpr int kDeliveryTime = 5;       // PT_SYSTIME
constexpr int kBody = 6;               // PT_UNICODE
constexpr int kGivenName = 7;          // PT_UNICODE
constexpr int kLocation = 47;          // named PT_UNICODE
constexpr int kAppointmentStart = 48;  // named PT_SYSTIME
constexpr int kDuration = 50;          // named PT_LONG
constexpr int kRtfBody = 51;           // PT_BINARY, read as RTF
constexpr int kReminderSet = 54;       // named PT_BOOLEAN
constexpr int kRecurrence = 60;        // named PT_BINARY
constexpr int kCommonStart = 62;       // named PT_SYSTIME
constexpr int kPercentComplete = 67;   // named PT_DOUBLE
constexpr int kBilling = 70;           // named PT_UNICODE
constexpr int kCompanies = 72;         // named PT_MV_UNICODE
constexpr int kPriority = 73;          // PT_LONG
constexpr int kLastModified = 76;      // PT_SYSTIME

const std::wstring kDefault = L"dflt";

json prop(const char* tag, json value) { return {{"tag", tag}, {"value", std::move(value)}}; }

json named(const char* set, const char* lid, const char* type, json value) {
  return {{"set", set}, {"lid", lid}, {"type", type}, {"value", std::move(value)}};
}

json location(json v) { return named("PSETID_Appointment", "0x8208", "PT_UNICODE", std::move(v)); }
json appointment_start(json v) {
  return named("PSETID_Appointment", "0x820D", "PT_SYSTIME", std::move(v));
}
json duration(json v) { return named("PSETID_Appointment", "0x8213", "PT_LONG", std::move(v)); }
json reminder_set(json v) { return named("PSETID_Common", "0x8503", "PT_BOOLEAN", std::move(v)); }
json recurrence(json v) { return named("PSETID_Appointment", "0x8216", "PT_BINARY", std::move(v)); }
json common_start(json v) { return named("PSETID_Common", "0x8516", "PT_SYSTIME", std::move(v)); }
json percent_complete(json v) { return named("PSETID_Task", "0x8102", "PT_DOUBLE", std::move(v)); }
json billing(json v) { return named("PSETID_Common", "0x8535", "PT_UNICODE", std::move(v)); }
json companies(const std::vector<std::string>& v, const char* type = "PT_MV_UNICODE") {
  return named("PSETID_Common", "0x8539", type, v);
}

// An item with a fixed EntryID. Its properties come as a list, since a
// braced list of one JSON value would be taken for that value itself.
json item(const std::string& entry_id, const JsonList& properties, json options = nullptr) {
  json result = {{"entry_id", entry_id}, {"properties", properties}};
  if (!options.is_null()) {
    result["message_options"] = std::move(options);
  }
  return result;
}

// The stream behaviour of one property of an item.
json stream_of(const char* tag, json behaviour) {
  return {{"property_streams", {{tag, std::move(behaviour)}}}};
}

// One store, "Mailbox", whose Inbox holds the items.
json mailbox_with(const JsonList& items, const char* store_entry_id = "5100",
                  const char* top_entry_id = "F000", const char* inbox_entry_id = "F001") {
  json inbox = folder("Inbox", inbox_entry_id);
  inbox["items"] = items;
  json result = store("Mailbox", top_entry_id, {inbox});
  result["entry_id"] = store_entry_id;
  return result;
}

// "E000", "E001", ...: EntryIDs for items made from table rows.
std::string entry_of(size_t index) {
  char text[8];
  std::snprintf(text, sizeof text, "E%03X", static_cast<unsigned>(index));
  return text;
}

// Text of n characters whose cycle (37) divides no read size.
std::string cycle_text(size_t n) {
  static constexpr char kCycle[] = "abcdefghijklmnopqrstuvwxyz0123456789.";
  std::string text(n, ' ');
  for (size_t i = 0; i < n; ++i) {
    text[i] = kCycle[i % (sizeof kCycle - 1)];
  }
  return text;
}

std::uint64_t count_now(const char* call_point) { return calls(mapi_report_now(), call_point); }

// A fault rule that fails the later-th call of call_point from now (the
// counts run from when the mailbox was served).
json fail_call(const char* call_point, std::uint64_t later = 1) {
  return {{"call", call_point}, {"nth", count_now(call_point) + later}};
}

// The thread's locale for a while.
class ThreadLocale {
 public:
  explicit ThreadLocale(LCID locale) : saved_(::GetThreadLocale()) { ::SetThreadLocale(locale); }
  ThreadLocale(const ThreadLocale&) = delete;
  ThreadLocale& operator=(const ThreadLocale&) = delete;
  ~ThreadLocale() { ::SetThreadLocale(saved_); }

 private:
  LCID saved_;
};

// A field of an item of its own, read with a default text.
struct FieldCase {
  JsonList properties;
  int field;
  std::wstring default_text;
  std::wstring expected;
};

class FieldTextTest : public ItemTest {
 protected:
  // The text of a field of the item, opened for this read alone.
  std::wstring read(const std::string& entry_id, int field,
                    const std::wstring& default_text = kDefault) const {
    const MapiMessage message(item_url(entry_id).c_str(), false);
    return message.field_text(field, default_text);
  }

  // Serves an item per case (after the others), then reads each case.
  void expect_texts(const std::vector<FieldCase>& cases, const JsonList& others = {}) {
    JsonList items = others;
    for (size_t i = 0; i < cases.size(); ++i) {
      items.push_back(item(entry_of(i), cases[i].properties));
    }
    serve(mailbox_of({mailbox_with(items)}));
    for (size_t i = 0; i < cases.size(); ++i) {
      SCOPED_TRACE(testing::Message()
                   << "field " << cases[i].field << " of " << json(cases[i].properties).dump());
      EXPECT_EQ(read(entry_of(i), cases[i].field, cases[i].default_text), cases[i].expected);
    }
  }
};

TEST_F(FieldTextTest, MissingValueGivesEmptyTextOrTheDefaultByType) {
  // Another item maps the names, so the named fields are known to the store
  // but missing from the items read.
  const JsonList others = {
      item("A001", {duration(60), reminder_set(true), appointment_start("2007-01-01T00:00:00Z"),
                    percent_complete(0.5), companies({"a"}), recurrence("01")})};
  expect_texts(
      {
          // Integers and booleans: the default text as a decimal number.
          {{}, kPriority, L"42", L"42"},
          {{}, kPriority, L"-7", L"-7"},
          {{}, kPriority, L"abc", L"0"},
          {{}, kPriority, L"", L"0"},
          {{}, kPriority, L" 12 apples", L"12"},
          {{}, kPriority, L"010", L"10"},
          {{}, kDuration, L"42", L"42"},
          {{}, kReminderSet, L"-7", L"-7"},
          // Strings, times, numbers and lists: empty.
          {{}, kBody, kDefault, L""},
          {{}, kDeliveryTime, L"42", L""},
          {{}, kAppointmentStart, L"42", L""},
          {{}, kPercentComplete, L"42", L""},
          {{}, kCompanies, kDefault, L""},
          // Other types: the default text, present or not.
          {{}, kRecurrence, kDefault, kDefault},
          {{recurrence("0102")}, kRecurrence, kDefault, kDefault},
          {{recurrence("0102")}, kRecurrence, L"", L""},
      },
      others);
}

TEST_F(FieldTextTest, IntegersAndBooleansReadAsDecimal) {
  expect_texts({
      {{prop("0x00260003", 1)}, kPriority, L"42", L"1"},
      {{prop("0x00260003", "0xFFFFFFFF")}, kPriority, L"42", L"-1"},
      {{prop("0x00260003", INT_MAX)}, kPriority, L"42", L"2147483647"},
      {{prop("0x00260003", INT_MIN)}, kPriority, L"42", L"-2147483648"},
      {{prop("0x00260003", 0)}, kPriority, L"42", L"0"},
      {{duration(90)}, kDuration, L"42", L"90"},
      {{reminder_set(true)}, kReminderSet, L"42", L"1"},
      {{reminder_set(false)}, kReminderSet, L"42", L"0"},
      // The store serves a value only in its own type, as real stores do:
      // a PT_I2 PR_PRIORITY is missing to the PT_LONG field.
      {{prop("0x00260002", -2)}, kPriority, L"42", L"42"},
  });
}

// The store never hands a field's own tag a value of another type, so the
// readers behind the integer and time fields are asked here with the stored
// type itself.
TEST_F(FieldTextTest, ReadersSignExtendI2TakeTheLowHalfOfI8AndAppTimeAsStored) {
  serve(mailbox_of({mailbox_with({item("D001", {
                                                   prop("0x66000002", -2),
                                                   prop("0x66010002", -32768),
                                                   prop("0x66020014", 4294967301LL),  // 1'00000005
                                                   prop("0x66030014", -2),
                                                   prop("0x66040014", 2147483648LL),
                                                   prop("0x66050007", 39083.5),
                                               })})}));
  const MapiMessage message(item_url("D001").c_str(), false);
  const struct {
    ULONG tag;
    std::int32_t expected;
  } cases[] = {
      {0x66000002, -2}, {0x66010002, -32768},  {0x66020014, 5},
      {0x66030014, -2}, {0x66040014, INT_MIN}, {0x66060002, 99},  // missing: the fallback
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.tag);
    EXPECT_EQ(message.impl().get_long(c.tag, 99), c.expected);
  }
  EXPECT_EQ(message.impl().get_double(0x66050007), 39083.5);  // PT_APPTIME as stored
}

TEST_F(FieldTextTest, TimesAndNumbersReadWithFiveDecimals) {
  expect_texts({
      // Times as days since 30 December 1899, UTC as stored.
      {{prop("0x0E060040", "2007-01-01T00:00:00Z")}, kDeliveryTime, L"42", L"39083.00000"},
      {{prop("0x30080040", "2007-01-01T12:00:00Z")}, kLastModified, L"42", L"39083.50000"},
      {{appointment_start("2007-01-01T06:00:00Z")}, kAppointmentStart, L"42", L"39083.25000"},
      {{common_start("1899-12-30T00:00:00Z")}, kCommonStart, L"42", L""},  // day 0
      {{percent_complete(0.5)}, kPercentComplete, L"42", L"0.50000"},
      {{percent_complete(0.0)}, kPercentComplete, L"42", L""},
      {{percent_complete(2.0 / 3.0)}, kPercentComplete, L"42", L"0.66667"},
      {{percent_complete(-0.25)}, kPercentComplete, L"42", L"-0.25000"},
  });
}

TEST_F(FieldTextTest, MultiValuedStringsJoinWithSemicolons) {
  // The separator goes before a string only when there is text before it.
  expect_texts({
      {{companies({"Contoso", "Z\xC3\xBCrich AG"})},
       kCompanies,
       kDefault,
       L"Contoso; Z\u00FCrich AG"},
      {{companies({"", "a"})}, kCompanies, kDefault, L"a"},
      {{companies({"a", ""})}, kCompanies, kDefault, L"a; "},
      {{companies({"a", "", "b"})}, kCompanies, kDefault, L"a; ; b"},
      {{companies({"", ""})}, kCompanies, kDefault, L""},
      {{companies({})}, kCompanies, kDefault, L""},
  });
}

TEST_F(FieldTextTest, StringsReadWholeThroughTheirStreams) {
  // 40,000 characters are more than GetProps gives (32 KB).
  const std::string long_text = cycle_text(40000);
  expect_texts({
      {{prop("0x0037001F", "R\xC3\xA9union \xE4\xBC\x9A\xE8\xAE\xAE")},
       kSubject,
       kDefault,
       L"R\u00E9union \u4F1A\u8BAE"},
      {{prop("0x1000001F", long_text)}, kBody, kDefault, wide(long_text)},
      {{prop("0x1000001F", "")}, kBody, kDefault, std::wstring()},
  });
}

TEST_F(FieldTextTest, StreamsAreReadToTheirEndInChunksOrBySize) {
  // Without a size, 51,200 bytes at a time until a read gives fewer; with
  // one, until it is filled, however short the reads.
  const json no_size = {{"stream", {{"stat_fails", true}}}};
  const json short_reads = {{"stream", {{"max_read", 1000}}}};
  const struct {
    size_t characters;
    json options;
    std::uint64_t reads;
  } cases[] = {
      {25599, no_size, 1},  // 51,198 bytes
      {25600, no_size, 2},  // 51,200 bytes: the second read gives none
      {25601, no_size, 2},  // 51,202 bytes
      {51200, no_size, 3},  // 102,400 bytes
      {0, no_size, 1},          {40000, json::object(), 1},  // 80,000 bytes
      {40000, short_reads, 80},
  };
  JsonList items;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const std::string body = cycle_text(cases[i].characters);
    items.push_back(item(entry_of(i), {prop("0x1000001F", body)}, cases[i].options));
  }
  serve(mailbox_of({mailbox_with(items)}));
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(testing::Message()
                 << cases[i].characters << " characters, " << cases[i].options.dump());
    const MapiMessage message(item_url(entry_of(i)).c_str(), false);
    const std::uint64_t before = count_now("IStream.Read");
    EXPECT_EQ(message.field_text(kBody, kDefault), wide(cycle_text(cases[i].characters)));
    EXPECT_EQ(count_now("IStream.Read") - before, cases[i].reads);
  }
}

TEST_F(FieldTextTest, StringStreamThatFailsToReadGivesTheDefault) {
  const std::string body = cycle_text(40000);
  const json behaviours[] = {
      {{"read_fails_at", 0}},
      {{"max_read", 1000}, {"read_fails_at", 60000}},    // the 61st read
      {{"stat_fails", true}, {"read_fails_at", 60000}},  // the second chunk
      {{"every_read_fails", true}, {"read_error", "MAPI_E_NETWORK_ERROR"}},
  };
  JsonList items;
  for (size_t i = 0; i < std::size(behaviours); ++i) {
    items.push_back(
        item(entry_of(i), {prop("0x1000001F", body)}, stream_of("0x1000001F", behaviours[i])));
  }
  serve(mailbox_of({mailbox_with(items)}));
  for (size_t i = 0; i < std::size(behaviours); ++i) {
    SCOPED_TRACE(behaviours[i].dump());
    EXPECT_EQ(read(entry_of(i), kBody, L"caller's text"), L"caller's text");
  }
}

TEST_F(FieldTextTest, StringsWithoutStreamsComeFromGetProps) {
  serve(mailbox_of({mailbox_with({
      item("5E01", {prop("0x0037001F", "Zo\xC3\xAB")}),
      item("5E02", {prop("0x0037001F", cycle_text(40000))}),  // more than GetProps gives
  })}));
  const MapiMessage fits(item_url("5E01").c_str(), false);
  const MapiMessage too_long(item_url("5E02").c_str(), false);
  ASSERT_EQ(set_mapi_faults({{{"call", "IMAPIProp.OpenProperty"}}}), S_OK);
  EXPECT_EQ(fits.field_text(kSubject, kDefault), L"Zo\u00EB");
  EXPECT_EQ(too_long.field_text(kSubject, kDefault), L"");
}

TEST_F(FieldTextTest, EightBitTextTakesTheCodePageOfItsRoute) {
  // A stream holds 8-bit bytes when only the 8-bit tag opens it, and those
  // bytes, as the RTF body's, are of the system's ANSI code page; an 8-bit
  // value from GetProps is of the thread's.
  ASSERT_EQ(::GetACP(), 1252u);
  serve(mailbox_of({mailbox_with({
      item("5E01", {prop("0x3A06001E", {{"hex", "C0410042"}}),
                    prop("0x10090102", uncompressed_rtf("\xC0"))}),
      item("5E02", {companies({"\xC3\x80", "B"}, "PT_MV_STRING8")}),  // U+00C0 is 0xC0 in 1252
  })}));
  const ThreadLocale russian(MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), SORT_DEFAULT));
  wchar_t converted = 0;
  ASSERT_EQ(::MultiByteToWideChar(CP_THREAD_ACP, 0, "\xC0", 1, &converted, 1), 1);
  ASSERT_EQ(converted, L'\u0410') << "the thread's ANSI code page is not 1251";

  const MapiMessage message(item_url("5E01").c_str(), false);
  EXPECT_EQ(message.field_text(kRtfBody, kDefault), L"\u00C0");
  // Neither Unicode open answers: the third, with the 8-bit tag, does.
  ASSERT_EQ(set_mapi_faults(
                {fail_call("IMAPIProp.OpenProperty", 1), fail_call("IMAPIProp.OpenProperty", 2)}),
            S_OK);
  EXPECT_EQ(message.field_text(kGivenName, kDefault), L"\u00C0A");  // up to the first zero
  // No stream, and the Unicode GetProps fails: the 8-bit one answers.
  ASSERT_EQ(
      set_mapi_faults({{{"call", "IMAPIProp.OpenProperty"}}, fail_call("IMAPIProp.GetProps")}),
      S_OK);
  EXPECT_EQ(message.field_text(kGivenName, kDefault), L"\u0410A");
  ASSERT_EQ(set_mapi_faults(nullptr), S_OK);

  // 8-bit lists likewise, asked as the stored type (the store converts
  // them for the field's own tag).
  const MapiMessage list(item_url("5E02").c_str(), false);
  const ULONG id = PROP_ID(field_tag(list.impl(), kCompanies));
  EXPECT_EQ(list.impl().get_multi_string(PROP_TAG(PT_MV_STRING8, id)), L"\u0410; B");
}

TEST_F(FieldTextTest, RtfBodyIsDecompressedElseThePlainBodyIsRead) {
  const std::string rtf = "{\\rtf1 \xC9t\xE9}";
  const std::string with_zero = uncompressed_rtf(rtf + std::string(1, '\0') + "after");
  const std::string damaged = uncompressed_rtf(rtf, 1000);  // claims more than it holds
  const json plain = prop("0x1000001F", "Plain");
  expect_texts({
      {{prop("0x10090102", with_zero)}, kRtfBody, kDefault, L"{\\rtf1 \u00C9t\u00E9}"},
      {{prop("0x10090102", uncompressed_rtf(rtf)), plain},
       kRtfBody,
       kDefault,
       L"{\\rtf1 \u00C9t\u00E9}"},
      {{plain}, kRtfBody, kDefault, L"Plain"},
      {{prop("0x10090102", damaged), plain}, kRtfBody, kDefault, L"Plain"},
  });
}

TEST_F(FieldTextTest, RtfBodyThatFailsToReadFallsBackToThePlainBody) {
  const std::string rtf = uncompressed_rtf("{\\rtf1 x}");
  serve(mailbox_of({mailbox_with({
      item("AE01", {prop("0x10090102", rtf), prop("0x1000001F", "Plain")},
           stream_of("0x10090102", {{"read_fails_at", 4}})),
      item("AE02", {prop("0x10090102", rtf), prop("0x1000001F", "Plain")},
           {{"stream", {{"every_read_fails", true}}}}),  // the plain body's stream too
      item("AE03", {prop("0x10090102", rtf), prop("0x1000001F", "Plain")}),
  })}));
  EXPECT_EQ(read("AE01", kRtfBody), L"Plain");
  EXPECT_EQ(read("AE02", kRtfBody), L"");  // the plain body's default, not the caller's
  const MapiMessage message(item_url("AE03").c_str(), false);
  // The decompressed stream tells its size; the one read after that fails.
  // Its reads are the last of the RTF body's.
  const std::uint64_t before = count_now("IStream.Read");
  ASSERT_EQ(message.field_text(kRtfBody, kDefault), L"{\\rtf1 x}");
  const std::uint64_t reads = count_now("IStream.Read") - before;
  ASSERT_EQ(set_mapi_faults(json::array({fail_call("IStream.Read", reads)})), S_OK);
  EXPECT_EQ(message.field_text(kRtfBody, kDefault), L"Plain");
  ASSERT_EQ(set_mapi_faults({{{"call", "WrapCompressedRTFStream"}}}), S_OK);
  EXPECT_EQ(message.field_text(kRtfBody, kDefault), L"Plain");
}

TEST_F(FieldTextTest, NameTheStoreNeverMappedReadsAsMissing) {
  // Only PidLidLocation is mapped in this store.
  serve(mailbox_of({mailbox_with({item("DA01", {location("Room 4B")})})}));
  const MapiMessage message(item_url("DA01").c_str(), false);
  const struct {
    int field;
    ULONG type;
    std::wstring default_text;
    std::wstring expected;
  } cases[] = {
      {kLocation, PT_UNICODE, kDefault, L"Room 4B"},
      {kBilling, PT_UNICODE, kDefault, L""},
      {kDuration, PT_LONG, L"42", L"42"},
      {kReminderSet, PT_BOOLEAN, L"-7", L"-7"},
      {kAppointmentStart, PT_SYSTIME, L"42", L""},
      {kCompanies, PT_MV_UNICODE, kDefault, L""},
      {kRecurrence, PT_BINARY, kDefault, kDefault},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "field " << c.field);
    EXPECT_EQ(message.field_text(c.field, c.default_text), c.expected);
    // Reading maps nothing: the identifier stays 0.
    if (c.field != kLocation) {
      EXPECT_EQ(field_tag(message.impl(), c.field), PROP_TAG(c.type, 0));
    }
  }
}

TEST_F(FieldTextTest, NamedFieldTakesTheIdentifierOfItsOwnStore) {
  // Names are mapped in document order, so PidLidLocation is 0x8000 in the
  // first store and 0x8001 in the second, where 0x8000 is another string.
  json first = mailbox_with({item("B001", {location("Room A")})}, "5101", "F100", "F101");
  json second = mailbox_with({item("B002", {billing("Not a place"), location("Room B")})}, "5102",
                             "F200", "F201");
  first["display_name"] = "First";
  second["display_name"] = "Second";
  serve(mailbox_of({first, second}));
  const MapiMessage in_first(item_url("B001").c_str(), false);
  const MapiMessage in_second(item_url("B002").c_str(), false);
  EXPECT_EQ(in_second.field_text(kLocation, kDefault), L"Room B");
  EXPECT_EQ(in_first.field_text(kLocation, kDefault), L"Room A");
  EXPECT_EQ(in_second.field_text(kLocation, kDefault), L"Room B");

  const GUID appointment = {0x00062002, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  EXPECT_EQ(PROP_ID(named_tag(in_first.impl(), appointment, 0x8208)), 0x8000u);
  EXPECT_EQ(PROP_ID(named_tag(in_second.impl(), appointment, 0x8208)), 0x8001u);
  EXPECT_EQ(field_tag(in_first.impl(), kLocation), PROP_TAG(PT_UNICODE, 0x8000));
  EXPECT_EQ(field_tag(in_second.impl(), kLocation), PROP_TAG(PT_UNICODE, 0x8001));
}

TEST_F(FieldTextTest, NamedFieldsAskTheStoreAtEveryRead) {
  serve(mailbox_of(
      {mailbox_with({item("DA01", {location("Room 4B"), prop("0x0037001F", "Subject")})})}));
  const MapiMessage message(item_url("DA01").c_str(), false);
  const std::uint64_t before = count_now("IMAPIProp.GetIDsFromNames");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(message.field_text(kLocation, kDefault), L"Room 4B");
    EXPECT_EQ(count_now("IMAPIProp.GetIDsFromNames") - before, static_cast<std::uint64_t>(i + 1));
  }
  EXPECT_EQ(message.field_text(kSubject, kDefault), L"Subject");
  EXPECT_EQ(message.field_text(kRtfBody, kDefault), L"");  // through the plain body
  EXPECT_EQ(count_now("IMAPIProp.GetIDsFromNames") - before, 3u);
}

TEST_F(FieldTextTest, FailingNameLookupGivesTheDefault) {
  serve(mailbox_of({mailbox_with({item("DA01", {
                                                   location("Room 4B"),
                                                   duration(60),
                                                   appointment_start("2007-01-01T00:00:00Z"),
                                                   companies({"a"}),
                                                   prop("0x0037001F", "Subject"),
                                                   prop("0x00260003", 1),
                                               })})}));
  const MapiMessage message(item_url("DA01").c_str(), false);
  ASSERT_EQ(
      set_mapi_faults({{{"call", "IMAPIProp.GetIDsFromNames"}, {"hr", "MAPI_E_CALL_FAILED"}}}),
      S_OK);
  EXPECT_EQ(message.field_text(kLocation, kDefault), kDefault);
  EXPECT_EQ(message.field_text(kDuration, L"abc"), L"abc");  // as given, not as a number
  EXPECT_EQ(message.field_text(kAppointmentStart, kDefault), kDefault);
  EXPECT_EQ(message.field_text(kCompanies, kDefault), kDefault);
  // Fields of fixed tags do not ask.
  EXPECT_EQ(message.field_text(kSubject, kDefault), L"Subject");
  EXPECT_EQ(message.field_text(kPriority, L"42"), L"1");
}

TEST_F(FieldTextTest, FieldsOutsideTheTableGiveTheDefaultAndReadNothing) {
  serve(mailbox_of({mailbox_with({item("DA01", {prop("0x0037001F", "Subject")})})}));
  const MapiMessage message(item_url("DA01").c_str(), false);
  const json before = mapi_report_now()["calls"];
  for (const int field : {-1, 86, 1000, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(field);
    EXPECT_EQ(message.field_text(field, kDefault), kDefault);
    EXPECT_EQ(message.field_text(field, L"42"), L"42");
  }
  EXPECT_EQ(mapi_report_now()["calls"], before);
}

}  // namespace
}  // namespace qv::test

namespace qv::test {
namespace {

// The number of a property type, by the name a description gives it.
ULONG type_named(const std::string& name) {
  static const std::map<std::string, ULONG> kTypes = {
      {"PT_UNICODE", PT_UNICODE},      {"PT_SYSTIME", PT_SYSTIME}, {"PT_LONG", PT_LONG},
      {"PT_BOOLEAN", PT_BOOLEAN},      {"PT_DOUBLE", PT_DOUBLE},   {"PT_BINARY", PT_BINARY},
      {"PT_MV_UNICODE", PT_MV_UNICODE}};
  return kTypes.at(name);
}

// Every field of the table reads its own property: one item holds a value
// for each, every value distinct, the properties named as MAPI publishes them.
TEST_F(FieldTextTest, EveryFieldReadsItsOwnProperty) {
  const struct {
    int field;
    ULONG tag;                  // a standard property, or 0
    const char* set = nullptr;  // a named property: its set, LID and type
    const char* lid = nullptr;
    const char* type = nullptr;
  } fields[] = {
      {0, PR_SUBJECT_W},
      {1, PR_SENT_REPRESENTING_EMAIL_ADDRESS_W},
      {2, PR_DISPLAY_TO_W},
      {3, PR_DISPLAY_CC_W},
      {4, PR_DISPLAY_BCC_W},
      {5, PR_MESSAGE_DELIVERY_TIME},
      {6, PR_BODY_W},
      {7, PR_GIVEN_NAME_W},
      {8, PR_MIDDLE_NAME_W},
      {9, PR_SURNAME_W},
      {10, PR_COMPANY_NAME_W},
      {11, PR_HOME_ADDRESS_STREET_W},
      {12, PR_HOME_ADDRESS_CITY_W},
      {13, PR_HOME_ADDRESS_STATE_OR_PROVINCE_W},
      {14, PR_HOME_ADDRESS_POSTAL_CODE_W},
      {15, PR_HOME_ADDRESS_COUNTRY_W},
      {16, PR_HOME_TELEPHONE_NUMBER_W},
      {17, PR_MOBILE_TELEPHONE_NUMBER_W},
      {18, PR_BUSINESS_TELEPHONE_NUMBER_W},
      {19, PR_BUSINESS_FAX_NUMBER_W},
      {20, PR_HOME2_TELEPHONE_NUMBER_W},
      {21, PR_BUSINESS2_TELEPHONE_NUMBER_W},
      {22, PR_ASSISTANT_TELEPHONE_NUMBER_W},
      {23, PR_CALLBACK_TELEPHONE_NUMBER_W},
      {24, PR_CAR_TELEPHONE_NUMBER_W},
      {25, PR_OTHER_TELEPHONE_NUMBER_W},
      {26, PR_PRIMARY_TELEPHONE_NUMBER_W},
      {27, PR_HOME_FAX_NUMBER_W},
      {28, PR_PRIMARY_FAX_NUMBER_W},
      {29, PR_TITLE_W},
      {30, PR_DISPLAY_NAME_PREFIX_W},
      {31, PR_GENERATION_W},
      {32, 0, "PSETID_Address", "0x802B", "PT_UNICODE"},  // PidLidHtml
      {33, 0, "PSETID_Address", "0x8083", "PT_UNICODE"},  // PidLidEmail1EmailAddress
      {34, 0, "PSETID_Address", "0x8093", "PT_UNICODE"},  // PidLidEmail2EmailAddress
      {35, 0, "PSETID_Address", "0x80A3", "PT_UNICODE"},  // PidLidEmail3EmailAddress
      {36, 0, "PSETID_Address", "0x8062", "PT_UNICODE"},  // PidLidInstantMessagingAddress
      {37, PR_BUSINESS_ADDRESS_STREET_W},
      {38, PR_BUSINESS_ADDRESS_CITY_W},
      {39, PR_BUSINESS_ADDRESS_STATE_OR_PROVINCE_W},
      {40, PR_BUSINESS_ADDRESS_POSTAL_CODE_W},
      {41, PR_BUSINESS_ADDRESS_COUNTRY_W},
      {42, PR_OTHER_ADDRESS_STREET_W},
      {43, PR_OTHER_ADDRESS_CITY_W},
      {44, PR_OTHER_ADDRESS_STATE_OR_PROVINCE_W},
      {45, PR_OTHER_ADDRESS_POSTAL_CODE_W},
      {46, PR_OTHER_ADDRESS_COUNTRY_W},
      {47, 0, "PSETID_Appointment", "0x8208", "PT_UNICODE"},  // PidLidLocation
      {48, 0, "PSETID_Appointment", "0x820D", "PT_SYSTIME"},  // PidLidAppointmentStartWhole
      {49, 0, "PSETID_Appointment", "0x820E", "PT_SYSTIME"},  // PidLidAppointmentEndWhole
      {50, 0, "PSETID_Appointment", "0x8213", "PT_LONG"},     // PidLidAppointmentDuration
      {51, PR_RTF_COMPRESSED},
      {52, 0, "PSETID_Appointment", "0x8205", "PT_LONG"},     // PidLidBusyStatus
      {53, 0, "PSETID_Appointment", "0x8215", "PT_BOOLEAN"},  // PidLidAppointmentSubType
      {54, 0, "PSETID_Common", "0x8503", "PT_BOOLEAN"},       // PidLidReminderSet
      {55, 0, "PSETID_Appointment", "0x8223", "PT_BOOLEAN"},  // PidLidRecurring
      {56, 0, "PSETID_Common", "0x8502", "PT_SYSTIME"},       // PidLidReminderTime
      {57, 0, "PSETID_Common", "0x8501", "PT_LONG"},          // PidLidReminderDelta
      {58, 0, "PSETID_Common", "0x8560", "PT_SYSTIME"},       // PidLidReminderSignalTime
      {59, 0, "PSETID_Appointment", "0x8232", "PT_UNICODE"},  // PidLidRecurrencePattern
      {60, 0, "PSETID_Appointment", "0x8216", "PT_BINARY"},   // PidLidAppointmentRecur
      {61, 0, "PSETID_Appointment", "0x8231", "PT_LONG"},     // PidLidRecurrenceType
      {62, 0, "PSETID_Common", "0x8516", "PT_SYSTIME"},       // PidLidCommonStart
      {63, 0, "PSETID_Common", "0x8517", "PT_SYSTIME"},       // PidLidCommonEnd
      {64, 0, "PSETID_Task", "0x8105", "PT_SYSTIME"},         // PidLidTaskDueDate
      {65, 0, "PSETID_Task", "0x811C", "PT_BOOLEAN"},         // PidLidTaskComplete
      {66, 0, "PSETID_Common", "0x8534", "PT_UNICODE"},       // PidLidMileage
      {67, 0, "PSETID_Task", "0x8102", "PT_DOUBLE"},          // PidLidPercentComplete
      {68, 0, "PSETID_Task", "0x8110", "PT_LONG"},            // PidLidTaskActualEffort
      {69, 0, "PSETID_Task", "0x8111", "PT_LONG"},            // PidLidTaskEstimatedEffort
      {70, 0, "PSETID_Common", "0x8535", "PT_UNICODE"},       // PidLidBilling
      {71, 0, "PSETID_Task", "0x810F", "PT_SYSTIME"},         // PidLidTaskDateCompleted
      {72, 0, "PSETID_Common", "0x8539", "PT_MV_UNICODE"},    // PidLidCompanies
      {73, PR_PRIORITY},
      {74, PR_SENT_REPRESENTING_ADDRTYPE_W},
      {75, PR_SENT_REPRESENTING_NAME_W},
      {76, PR_LAST_MODIFICATION_TIME},
      {77, 0, "PSETID_Address", "0x8045", "PT_UNICODE"},  // PidLidWorkAddressStreet
      {78, 0, "PSETID_Address", "0x8046", "PT_UNICODE"},  // PidLidWorkAddressCity
      {79, 0, "PSETID_Address", "0x8047", "PT_UNICODE"},  // PidLidWorkAddressState
      {80, 0, "PSETID_Address", "0x8048", "PT_UNICODE"},  // PidLidWorkAddressPostalCode
      {81, 0, "PSETID_Address", "0x8049", "PT_UNICODE"},  // PidLidWorkAddressCountry
      {82, 0, "PSETID_Address", "0x801B", "PT_UNICODE"},  // PidLidWorkAddress
      {83, 0, "PSETID_Address", "0x801A", "PT_UNICODE"},  // PidLidHomeAddress
      {84, PR_POSTAL_ADDRESS_W},
      {85, 0, "PSETID_Address", "0x8005", "PT_UNICODE"},  // PidLidFileUnder
  };
  ASSERT_EQ(std::size(fields), 86u);
  JsonList properties;
  std::vector<std::wstring> expected;
  for (const auto& f : fields) {
    const ULONG type_number = f.tag != 0 ? PROP_TYPE(f.tag) : type_named(f.type);
    // A value of the field's own, and its text.
    json value;
    std::wstring text;
    const int n = f.field;
    char date[32];
    switch (type_number) {
      case PT_UNICODE:
        value = "value " + std::to_string(n);
        text = wide(value.get<std::string>());
        break;
      case PT_SYSTIME:  // 1 January 2007 plus n days, n hours
        std::snprintf(date, sizeof date, "2007-%02d-%02dT%02d:00:00Z", 1 + n / 28, 1 + n % 28,
                      n % 24);
        value = date;
        text = five_decimals(ole_automation_date(2007, 1 + n / 28, 1 + n % 28, n % 24));
        break;
      case PT_LONG:
        value = 1000 + n;
        text = std::to_wstring(1000 + n);
        break;
      case PT_BOOLEAN:
        value = true;
        text = L"1";
        break;
      case PT_DOUBLE:
        value = n + 0.25;
        text = std::to_wstring(n) + L".25000";
        break;
      case PT_MV_UNICODE:
        value = {"first " + std::to_string(n), "second"};
        text = L"first " + std::to_wstring(n) + L"; second";
        break;
      case PT_BINARY:
        if (n == kRtfBody) {
          value = uncompressed_rtf("{\\rtf1 body " + std::to_string(n) + "}");
          text = L"{\\rtf1 body 51}";
        } else {
          value = "0102";
          text = kDefault;
        }
        break;
    }
    properties.push_back(f.tag != 0 ? prop(("0x" + hex_number(f.tag, 8)).c_str(), value)
                                    : named(f.set, f.lid, f.type, value));
    expected.push_back(text);
  }
  serve(mailbox_of({mailbox_with({item("FE01", properties)})}));
  const MapiMessage message(item_url("FE01").c_str(), false);
  for (const auto& f : fields) {
    EXPECT_EQ(message.field_text(f.field, kDefault), expected[f.field]) << "field " << f.field;
  }
}

}  // namespace
}  // namespace qv::test
