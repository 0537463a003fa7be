// The message object: opening items of a store by URL and messages kept in
// compound files (real ones made by Outlook, and new ones made here), the
// access and sharing of those files, the attachment rows, and the failures.
#include "items/message.h"

#include <mapicode.h>
#include <mapitags.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "mapi/mapi.h"
#include "mapi/mapi_holders.h"
#include "tests/items/item_fixture.h"
#include "tests/support/import_redirect.h"

namespace qv::test {
namespace {

constexpr GUID kPsetidAppointment = {0x00062002, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr LONG kLidLocation = 0x8208;
constexpr LONG kLidStartWhole = 0x820D;

// Given to field_text, so that a read that fails shows.
const std::wstring kFailed = L"<failed>";

constexpr DWORD kReadFlags = STGM_READ | STGM_SHARE_DENY_WRITE;
constexpr DWORD kReadWriteFlags = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

// What StgOpenStorage itself answers for the name and flags now.
HRESULT storage_open_result(const wchar_t* name, DWORD flags) {
  IStorage* storage = nullptr;
  const HRESULT hr = ::StgOpenStorage(name, nullptr, flags, nullptr, 0, &storage);
  if (storage != nullptr) {
    storage->Release();
  }
  return hr;
}

// The code of the win32_error that opening source throws; S_OK when it opens.
HRESULT open_failure(const wchar_t* source, bool writable) {
  try {
    MapiMessage message(source, writable);
  } catch (const win32_error& e) {
    return e.code();
  }
  return S_OK;
}

// The message of the truntime_error that opening source throws ("opened"
// when it opens).
std::wstring open_error_text(const wchar_t* source) {
  try {
    MapiMessage message(source, false);
  } catch (const win32_error& e) {
    return L"win32_error " + e.message();
  } catch (const truntime_error& e) {
    return e.message();
  }
  return L"opened";
}

nlohmann::json live_mapi_objects() { return mapi_report_now()["live_objects"]; }

// The text of a time of the reference, RFC 1123 in UTC ("Wed, 20 Jul 2022
// 17:36:38 GMT"). The reference drops fractions of a second, as the
// platform's conversion to a date does (many of the corpus's times have
// some), so the texts agree exactly.
std::wstring reference_date_text(const std::string& text) {
  static constexpr char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  char month[4] = {};
  int day = 0, year = 0, hour = 0, minute = 0, second = 0;
  const char* found = nullptr;
  if (std::sscanf(text.c_str(), "%*3s, %d %3s %d %d:%d:%d GMT", &day, month, &year, &hour, &minute,
                  &second) != 6 ||
      (found = std::strstr(kMonths, month)) == nullptr) {
    ADD_FAILURE() << "not a time of the reference: " << text;
    return std::wstring();
  }
  const int month_number = static_cast<int>(found - kMonths) / 3 + 1;
  return five_decimals(ole_automation_date(year, month_number, day, hour, minute, second));
}

// --- Real .msg files --------------------------------------------------------

class CorpusMessageTest : public ItemTest {
 protected:
  void SetUp() override {
    ItemTest::SetUp();
    if (const auto missing = missing_corpus()) {
      GTEST_SKIP() << *missing;
    }
    names_ = corpus_message_names();
  }

  static std::wstring path(const std::wstring& name, const wchar_t* extension) {
    return corpus_dir() + L"\\" + name + extension;
  }

  std::vector<std::wstring> names_;
};

// Fields and the members of the reference that hold their values.
constexpr struct {
  int field;
  const char* member;
} kTextFields[] = {
    {0, "subject"},
    {6, "body"},
    {7, "givenName"},
    {8, "middleName"},
    {9, "surname"},
    {10, "companyName"},
    {16, "homeTelephoneNumber"},
    {17, "mobileTelephoneNumber"},
    {18, "businessTelephoneNumber"},
    {19, "businessFaxNumber"},
    {29, "title"},
    {30, "displayNamePrefix"},
    {31, "generation"},
    {32, "contactHtml"},
    {33, "email1EmailAddress"},
    {36, "instMsg"},
    {37, "streetAddress"},
    {38, "addressCity"},
    {39, "stateOrProvince"},
    {40, "postalCode"},
    {41, "country"},
    {47, "apptLocation"},
    {77, "workAddressStreet"},
    {78, "workAddressCity"},
    {79, "workAddressState"},
    {80, "workAddressPostalCode"},
    {81, "workAddressCountry"},
    {82, "workAddress"},
    {84, "postalAddress"},
    {85, "fileUnder"},
};
constexpr struct {
  int field;
  const char* member;
} kTimeFields[] = {
    {5, "messageDeliveryTime"},
    {48, "apptStartWhole"},
    {49, "apptEndWhole"},
    {76, "lastModificationTime"},
};

TEST_F(CorpusMessageTest, FieldsAgreeWithTheReference) {
  std::map<int, int> compared;  // by field
  int rtf_compared = 0;
  for (const std::wstring& name : names_) {
    SCOPED_TRACE(utf8(name));
    const MapiMessage message(path(name, L".msg").c_str(), false);
    const std::wstring json = path(name, L".json");
    if (path_exists(json)) {
      const nlohmann::json reference = nlohmann::json::parse(read_text_file(json));
      for (const auto& f : kTextFields) {
        if (reference.contains(f.member)) {
          EXPECT_EQ(message.field_text(f.field, kFailed),
                    wide(reference.at(f.member).get<std::string>()))
              << "field " << f.field;
          ++compared[f.field];
        }
      }
      for (const auto& f : kTimeFields) {
        if (reference.contains(f.member)) {
          EXPECT_EQ(message.field_text(f.field, kFailed),
                    reference_date_text(reference.at(f.member).get<std::string>()))
              << "field " << f.field;
          ++compared[f.field];
        }
      }
      EXPECT_EQ(message.impl().attachment_count, reference.at("attachments").size());
    }
    const std::wstring rtf = path(name, L".rtf");
    if (path_exists(rtf)) {
      const std::string bytes = read_text_file(rtf);
      const int length = static_cast<int>(std::strlen(bytes.c_str()));
      std::wstring expected(static_cast<size_t>(length), L'\0');
      expected.resize(static_cast<size_t>(
          ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, expected.data(), length)));
      EXPECT_EQ(message.field_text(51, kFailed), expected);
      ++rtf_compared;
    }
  }
  // Every field of the tables met a value somewhere (the contact's fields
  // only in contactUnicode), so that a member misspelt here shows.
  for (const auto& f : kTextFields) {
    EXPECT_GT(compared[f.field], 0) << f.member;
  }
  for (const auto& f : kTimeFields) {
    EXPECT_GT(compared[f.field], 0) << f.member;
  }
  EXPECT_GT(rtf_compared, 5);
}

TEST_F(CorpusMessageTest, AnyPropertyReadsByTagAndANamedOneAsTheFieldThatNamesIt) {
  constexpr struct {
    ULONG tag;
    const char* member;
  } kSender[] = {{PR_SENDER_NAME_W, "senderName"}, {PR_SENDER_EMAIL_ADDRESS_W, "senderEmail"}};
  int senders = 0;
  int named = 0;
  for (const std::wstring& name : names_) {
    SCOPED_TRACE(utf8(name));
    const MapiMessage message(path(name, L".msg").c_str(), false);
    const std::wstring json = path(name, L".json");
    const nlohmann::json reference =
        path_exists(json) ? nlohmann::json::parse(read_text_file(json)) : nlohmann::json::object();
    for (const auto& s : kSender) {
      // The reference says "Unknown" where the file names no sender.
      const std::string value = reference.value(s.member, std::string("Unknown"));
      if (value != "Unknown") {
        EXPECT_EQ(message.property_text(s.tag, kFailed), wide(value)) << s.member;
        ++senders;
      }
    }
    const std::wstring location = message.field_text(field::location, kFailed);
    const std::wstring start = message.field_text(field::start, kFailed);
    // A field's missing value is empty; the same property read by name gives
    // the caller's default text instead.
    const auto expect_as_field = [](const std::wstring& by_name, const std::wstring& field) {
      if (field.empty()) {
        EXPECT_TRUE(by_name.empty() || by_name == kFailed) << utf8(by_name);
      } else {
        EXPECT_EQ(by_name, field);
      }
    };
    expect_as_field(
        message.named_property_text(kPsetidAppointment, kLidLocation, PT_UNICODE, kFailed),
        location);
    expect_as_field(
        message.named_property_text(kPsetidAppointment, kLidStartWhole, PT_SYSTIME, kFailed),
        start);
    named += (location.empty() ? 0 : 1) + (start.empty() ? 0 : 1);
  }
  EXPECT_GT(senders, 3);
  EXPECT_GT(named, 2);
}

TEST_F(CorpusMessageTest, ReadOnlyOpeningSharesReadingRefusesWritingAndChangesNothing) {
  for (const std::wstring& name : names_) {
    SCOPED_TRACE(utf8(name));
    const std::wstring msg = path(name, L".msg");
    const std::string bytes = read_text_file(msg);
    {
      const MapiMessage first(msg.c_str(), false);
      const std::wstring subject = first.field_text(0, kFailed);
      const nlohmann::json live = live_mapi_objects();
      {
        const MapiMessage second(msg.c_str(), false);
        EXPECT_EQ(second.field_text(0, kFailed), subject);
        EXPECT_EQ(second.field_text(6, kFailed), first.field_text(6, kFailed));
      }
      // The second object took nothing with it that the first still holds.
      EXPECT_EQ(live_mapi_objects(), live);
      const HRESULT sharing = storage_open_result(msg.c_str(), kReadWriteFlags);
      EXPECT_EQ(sharing, STG_E_SHAREVIOLATION);
      EXPECT_EQ(open_failure(msg.c_str(), true), sharing);
    }
    EXPECT_EQ(live_mapi_objects(), nlohmann::json::array());
    EXPECT_TRUE(read_text_file(msg) == bytes);
  }
}

TEST_F(CorpusMessageTest, WritableOpeningExcludesEveryOtherOpenerWhileItLives) {
  for (const std::wstring& name : names_) {
    SCOPED_TRACE(utf8(name));
    const std::wstring copy = file(L"copy.msg");
    ASSERT_TRUE(::CopyFileW(path(name, L".msg").c_str(), copy.c_str(), FALSE));
    {
      const MapiMessage writer(copy.c_str(), true);
      for (const bool writable : {false, true}) {
        SCOPED_TRACE(writable ? "writable" : "read-only");
        const HRESULT refused =
            storage_open_result(copy.c_str(), writable ? kReadWriteFlags : kReadFlags);
        EXPECT_EQ(refused, STG_E_SHAREVIOLATION);
        EXPECT_EQ(open_failure(copy.c_str(), writable), refused);
      }
    }
    EXPECT_EQ(live_mapi_objects(), nlohmann::json::array());
    EXPECT_EQ(open_failure(copy.c_str(), false), S_OK);
    EXPECT_EQ(open_failure(copy.c_str(), true), S_OK);
  }
}

// --- Compound files made here -----------------------------------------------

class MessageFileTest : public ItemTest {
 protected:
  // An empty compound file: a message without properties.
  std::wstring empty_message_file() {
    const std::wstring name = file(L"empty.msg");
    CompoundStorage storage;
    storage.create(name.c_str());
    return name;
  }
};

TEST_F(MessageFileTest, SourceThatDoesNotOpenAsAFileThrowsTheStorageError) {
  const std::wstring text_file = file(L"text.msg");
  write_text_file(text_file, "This is no compound file.\r\n");
  const std::wstring missing = file(L"missing.msg");
  const struct {
    const wchar_t* source;
    HRESULT code;  // StgOpenStorage's, with either access
  } cases[] = {
      {nullptr, STG_E_INVALIDNAME},
      {L"", STG_E_PATHNOTFOUND},
      {L"outlook:", STG_E_FILENOTFOUND},  // not an item URL: a file name
      {missing.c_str(), STG_E_FILENOTFOUND},
      {text_file.c_str(), STG_E_FILEALREADYEXISTS},  // a file, but no compound file
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.source != nullptr ? c.source : L"(null)")));
    for (const bool writable : {false, true}) {
      EXPECT_EQ(open_failure(c.source, writable), c.code) << (writable ? "writable" : "read-only");
    }
  }
}

TEST_F(MessageFileTest, OpeningAFileInitialisesMapiWithoutLoggingOn) {
  serve(mailbox_of({simple_store()}));
  const std::wstring name = empty_message_file();
  const nlohmann::json before = mapi_report_now();
  ASSERT_EQ(before.value("mapi_initialized", -1), 0);
  {
    const MapiMessage message(name.c_str(), false);
    EXPECT_EQ(message.field_text(0, kFailed), L"");
    EXPECT_EQ(message.impl().attachment_count, 0u);
  }
  const nlohmann::json after = mapi_report_now();
  EXPECT_EQ(after.value("mapi_initialize_calls", 0), before.value("mapi_initialize_calls", 0) + 1);
  EXPECT_EQ(after.value("mapi_initialized", 0), 1);  // the shared instance lives on
  EXPECT_EQ(calls(after, "MAPILogonEx"), 0u);
  EXPECT_EQ(calls(after, "MAPIAdminProfiles"), 0u);
  EXPECT_EQ(after["live_objects"], nlohmann::json::array());
}

// A named property's tag in the message, mapped now when it is new.
ULONG created_tag(IMessage& message, LONG lid, ULONG type) {
  GUID set = kPsetidAppointment;
  MAPINAMEID name{};
  name.lpguid = &set;
  name.ulKind = MNID_ID;
  name.Kind.lID = lid;
  LPMAPINAMEID names[] = {&name};
  mapi_buffer<SPropTagArray> tags;
  EXPECT_EQ(message.GetIDsFromNames(1, names, MAPI_CREATE, tags.put()), S_OK);
  if (!tags || tags->cValues != 1 || PROP_ID(tags->aulPropTag[0]) < 0x8000) {
    ADD_FAILURE() << "no identifier for the name " << lid;
    return PROP_TAG(type, 0);
  }
  return CHANGE_PROP_TYPE(tags->aulPropTag[0], type);
}

void set_properties(IMessage& message) {
  SYSTEMTIME start_utc{2024, 5, 2, 7, 9, 0, 0, 0};  // Tuesday 7 May 2024, 09:00 UTC
  FILETIME start{};
  ASSERT_TRUE(::SystemTimeToFileTime(&start_utc, &start));
  SPropValue values[5]{};
  values[0].ulPropTag = PR_SUBJECT_W;
  values[0].Value.lpszW = const_cast<wchar_t*>(L"Plan \u00FC\u65E5");
  values[1].ulPropTag = PR_BODY_W;
  values[1].Value.lpszW = const_cast<wchar_t*>(L"First line\r\nSecond line");
  values[2].ulPropTag = created_tag(message, kLidLocation, PT_UNICODE);
  values[2].Value.lpszW = const_cast<wchar_t*>(L"Room 4B");
  values[3].ulPropTag = created_tag(message, kLidStartWhole, PT_SYSTIME);
  values[3].Value.ft = start;
  values[4].ulPropTag = PR_PRIORITY;
  values[4].Value.l = -1;
  ASSERT_EQ(message.SetProps(5, values, nullptr), S_OK);
}

TEST_F(MessageFileTest, CreatedMessageReadsBackWhatWasSaved) {
  enum class Save { kNow, kByDestruction, kNever };
  const struct {
    const char* name;
    bool in_memory;
    Save save;
  } cases[] = {
      {"on disk, saved", false, Save::kNow},
      {"in memory, saved", true, Save::kNow},
      {"on disk, saved as the object goes", false, Save::kByDestruction},
      {"on disk, not marked changed", false, Save::kNever},
  };
  const struct {
    int field;
    const wchar_t* text;
  } fields[] = {
      {0, L"Plan \u00FC\u65E5"},
      {6, L"First line\r\nSecond line"},
      {47, L"Room 4B"},
      {48, L"45419.37500"},
      {73, L"-1"},
  };
  const std::wstring source = empty_message_file();
  const std::wstring created = file(L"created.msg");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::uint64_t saves_before = calls(mapi_report_now(), "IMAPIProp.SaveChanges");
    auto message = std::make_unique<MapiMessage>(source.c_str(), false);
    MapiMessageImpl& impl = message->impl();
    impl.storage.create(c.in_memory ? nullptr : created.c_str());
    impl.wrap_storage();
    set_properties(*impl.message);
    impl.dirty = c.save != Save::kNever;
    if (c.save == Save::kNow) {
      EXPECT_TRUE(impl.save_changes());
      EXPECT_FALSE(impl.dirty);
      EXPECT_FALSE(impl.save_changes());  // nothing left to save
    }
    if (c.in_memory) {
      impl.reset();
      impl.wrap_storage();
    } else {
      message.reset();
      message = std::make_unique<MapiMessage>(created.c_str(), false);
    }
    EXPECT_EQ(calls(mapi_report_now(), "IMAPIProp.SaveChanges") - saves_before,
              c.save == Save::kNever ? 0u : 1u);
    if (c.save == Save::kNever) {
      EXPECT_EQ(message->field_text(0, kFailed), L"");
      continue;
    }
    for (const auto& f : fields) {
      EXPECT_EQ(message->field_text(f.field, kFailed), f.text) << "field " << f.field;
    }
  }
}

TEST_F(MessageFileTest, AnyPropertyReadsByTagLidOrNameByTheRulesOfItsType) {
  const GUID public_strings = {0x00020329, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  const std::wstring source = empty_message_file();
  const std::wstring created = file(L"created.msg");
  {
    MapiMessage message(source.c_str(), false);
    MapiMessageImpl& impl = message.impl();
    impl.storage.create(created.c_str());
    impl.wrap_storage();
    set_properties(*impl.message);
    GUID set = public_strings;
    MAPINAMEID project{};
    project.lpguid = &set;
    project.ulKind = MNID_STRING;
    project.Kind.lpwstrName = const_cast<wchar_t*>(L"Project");
    LPMAPINAMEID names[] = {&project};
    mapi_buffer<SPropTagArray> tags;
    ASSERT_EQ(impl.message->GetIDsFromNames(1, names, MAPI_CREATE, tags.put()), S_OK);
    SPropValue values[3]{};
    values[0].ulPropTag = CHANGE_PROP_TYPE(tags->aulPropTag[0], PT_UNICODE);
    values[0].Value.lpszW = const_cast<wchar_t*>(L"Apollo");
    values[1].ulPropTag = PR_SENDER_NAME_A;
    values[1].Value.lpszA = const_cast<char*>("Ann Lee");
    values[2].ulPropTag = PR_SUBJECT_PREFIX_W;
    values[2].Value.lpszW = const_cast<wchar_t*>(L"");
    ASSERT_EQ(impl.message->SetProps(3, values, nullptr), S_OK);
    impl.dirty = true;
  }
  const MapiMessage m(created.c_str(), false);
  const struct {
    const char* what;
    std::wstring text;
    const wchar_t* expected;
  } cases[] = {
      {"string by tag", m.property_text(PR_SUBJECT_W, kFailed), L"Plan \u00FC\u65E5"},
      {"8-bit value by its Unicode tag", m.property_text(PR_SENDER_NAME_W, kFailed), L"Ann Lee"},
      {"8-bit value by its 8-bit tag", m.property_text(PR_SENDER_NAME_A, kFailed), L"Ann Lee"},
      {"integer by tag", m.property_text(PR_PRIORITY, kFailed), L"-1"},
      {"empty string", m.property_text(PR_SUBJECT_PREFIX_W, kFailed), L""},
      {"missing string", m.property_text(PR_SENDER_EMAIL_ADDRESS_W, kFailed), kFailed.c_str()},
      {"missing integer", m.property_text(PR_IMPORTANCE, L"7"), L"7"},
      {"missing time", m.property_text(PR_CLIENT_SUBMIT_TIME, L"none"), L"none"},
      {"binary", m.property_text(PR_SEARCH_KEY, kFailed), kFailed.c_str()},
      {"named by LID", m.named_property_text(kPsetidAppointment, kLidLocation, PT_UNICODE, kFailed),
       L"Room 4B"},
      {"named time by LID",
       m.named_property_text(kPsetidAppointment, kLidStartWhole, PT_SYSTIME, kFailed),
       L"45419.37500"},
      {"named by string", m.named_property_text(public_strings, L"Project", PT_UNICODE, kFailed),
       L"Apollo"},
      {"string name never mapped",
       m.named_property_text(public_strings, L"Budget", PT_UNICODE, kFailed), kFailed.c_str()},
      {"LID never mapped", m.named_property_text(kPsetidAppointment, 0x8215, PT_BOOLEAN, L"3"),
       L"3"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.text, c.expected) << c.what;
  }
}

TEST_F(MessageFileTest, FailedSaveKeepsTheInterfaceOrIsDroppedWithTheObject) {
  const std::wstring name = empty_message_file();
  const std::string bytes = read_text_file(name);
  auto message = std::make_unique<MapiMessage>(name.c_str(), true);
  MapiMessageImpl& impl = message->impl();
  ASSERT_EQ(set_mapi_faults({{{"call", "IMAPIProp.SaveChanges"}, {"hr", "MAPI_E_DISK_ERROR"}}}),
            S_OK);
  const std::uint64_t saves = calls(mapi_report_now(), "IMAPIProp.SaveChanges");
  impl.dirty = true;
  // Another interface: the save throws before the one held is given up.
  IMAPIProp* const held = impl.prop.get();
  try {
    impl.set_prop(nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const win32_error& e) {
    EXPECT_EQ(e.code(), MAPI_E_DISK_ERROR);
  }
  EXPECT_EQ(impl.prop.get(), held);
  EXPECT_TRUE(impl.dirty);
  // The object goes: the destructor cannot report the failure, and the
  // changes go with it; the file is as it was, everything released.
  message.reset();
  EXPECT_EQ(calls(mapi_report_now(), "IMAPIProp.SaveChanges") - saves, 2u);
  EXPECT_EQ(live_mapi_objects(), nlohmann::json::array());
  EXPECT_TRUE(read_text_file(name) == bytes);
}

TEST_F(MessageFileTest, NoAllocatorFromMapiOpensWithOlesTaskAllocator) {
  const std::wstring name = empty_message_file();
  shared_mapi(false);  // MAPI is up before the fault is set
  ASSERT_EQ(set_mapi_faults({{{"call", "MAPIGetDefaultMalloc"}}}), S_OK);
  const std::uint64_t opened = calls(mapi_report_now(), "OpenIMsgOnIStg");
  EXPECT_EQ(open_failure(name.c_str(), false), S_OK);
  EXPECT_EQ(calls(mapi_report_now(), "OpenIMsgOnIStg"), opened + 1);
}

// The platform's answers that make a storage fail, and the memory given to
// CreateILockBytesOnHGlobal that must be freed when it refuses it.
HGLOBAL g_refused = nullptr;
HGLOBAL g_freed = nullptr;
ImportRedirect* g_free = nullptr;

HGLOBAL WINAPI no_global_memory(UINT, SIZE_T) {
  ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}
HRESULT WINAPI no_lock_bytes(HGLOBAL memory, BOOL, ILockBytes** lock_bytes) {
  g_refused = memory;
  *lock_bytes = nullptr;
  return E_OUTOFMEMORY;
}
HGLOBAL WINAPI watched_global_free(HGLOBAL memory) {
  g_freed = memory;
  return g_free->original<HGLOBAL(WINAPI*)(HGLOBAL)>()(memory);
}

TEST_F(MessageFileTest, StorageThatCannotBeMadeThrowsAndKeepsNothing) {
  const std::wstring nowhere = file(L"no such folder\\new.msg");
  const struct {
    const char* what;
    const wchar_t* name;  // null: in memory
    const char* library;
    const char* routine;
    void* replacement;
    std::int32_t code;
    bool memory_refused;  // given to CreateILockBytesOnHGlobal, which refused it
  } cases[] = {
      // Wine answers E_FAIL for a file it cannot create, Windows
      // STG_E_PATHNOTFOUND: checked below.
      {"a file in no folder", nowhere.c_str(), nullptr, nullptr, nullptr, E_FAIL, false},
      // The last error itself, as win32_error() keeps it.
      {"GlobalAlloc", nullptr, "kernel32.dll", "GlobalAlloc",
       reinterpret_cast<void*>(&no_global_memory), ERROR_NOT_ENOUGH_MEMORY, false},
      {"CreateILockBytesOnHGlobal", nullptr, "ole32.dll", "CreateILockBytesOnHGlobal",
       reinterpret_cast<void*>(&no_lock_bytes), E_OUTOFMEMORY, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    g_refused = g_freed = nullptr;
    ImportRedirect free("kernel32.dll", "GlobalFree",
                        reinterpret_cast<void*>(&watched_global_free));
    g_free = &free;
    std::unique_ptr<ImportRedirect> failing;
    if (c.routine != nullptr) {
      failing = std::make_unique<ImportRedirect>(c.library, c.routine, c.replacement);
    }
    CompoundStorage storage;
    try {
      storage.create(c.name);
      ADD_FAILURE() << "created";
    } catch (const win32_error& e) {
      EXPECT_TRUE(e.code() == c.code || (c.name != nullptr && e.code() == STG_E_PATHNOTFOUND))
          << std::hex << e.code();
    }
    EXPECT_FALSE(storage.storage);
    EXPECT_FALSE(storage.lock_bytes);
    EXPECT_EQ(g_refused != nullptr, c.memory_refused);
    EXPECT_EQ(g_freed, g_refused);
  }
  EXPECT_FALSE(path_exists(nowhere));
}

// --- Items of a store -------------------------------------------------------

// The simple store, with items of as many attachments as their EntryIDs'
// last three digits say (A001, "Alpha", has none).
nlohmann::json store_with_attachments() {
  nlohmann::json result = simple_store();
  nlohmann::json& items = result["top_folder"]["folders"][0]["items"];
  for (const int count : {1, 100, 101, 150}) {
    char entry_id[8];
    std::snprintf(entry_id, sizeof entry_id, "B%03d", count);
    items.push_back({{"entry_id", entry_id},
                     {"subject", std::string("With ") + std::to_string(count)},
                     {"attachment_count", count}});
  }
  return mailbox_of({result});
}

class StoreItemTest : public ItemTest {
 protected:
  void SetUp() override {
    ItemTest::SetUp();
    serve(store_with_attachments());
  }
};

TEST_F(StoreItemTest, AnyUrlFormOpensTheItemWithTheBestAccessWhateverIsAsked) {
  const wchar_t* const urls[] = {L"outlook:A001", L"OUTLOOK:A001", L"Outlook:a001",
                                 L"outlook:\\\\Mailbox\\Inbox\\Alpha"};
  for (const wchar_t* url : urls) {
    for (const bool writable : {false, true}) {
      SCOPED_TRACE(testing::PrintToString(std::wstring(url)) + (writable ? " writable" : ""));
      const MapiMessage message(url, writable);
      EXPECT_EQ(message.field_text(0, kFailed), L"Alpha");
      EXPECT_FALSE(message.impl().storage.storage);
      SPropValue subject{};
      subject.ulPropTag = PR_SUBJECT_W;
      subject.Value.lpszW = const_cast<wchar_t*>(L"Changed");
      EXPECT_EQ(message.impl().message->SetProps(1, &subject, nullptr), S_OK);
    }
  }
}

TEST_F(StoreItemTest, AtMostTheFirstHundredAttachmentRowsAreRead) {
  const struct {
    const wchar_t* url;
    ULONG count;
  } cases[] = {
      {L"outlook:A001", 0},   {L"outlook:B001", 1},   {L"outlook:B100", 100},
      {L"outlook:B101", 100}, {L"outlook:B150", 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.url)));
    const MapiMessage message(c.url, false);
    EXPECT_EQ(message.impl().attachment_count, c.count);
    EXPECT_EQ(message.impl().attachment_rows.count(), c.count);
  }
}

TEST_F(StoreItemTest, AttachmentTableThatFailsLeavesTheItemReadable) {
  const char* const failing[] = {"IMessage.GetAttachmentTable", "IMAPITable.SetColumns",
                                 "IMAPITable.QueryRows"};
  { const MapiMessage logged_on(L"outlook:A001", false); }
  const nlohmann::json live = live_mapi_objects();
  for (const char* call : failing) {
    SCOPED_TRACE(call);
    ASSERT_EQ(set_mapi_faults({{{"call", call}, {"hr", "MAPI_E_CALL_FAILED"}}}), S_OK);
    {
      const MapiMessage message(L"outlook:B100", false);
      EXPECT_EQ(message.impl().attachment_count, 0u);
      EXPECT_FALSE(message.impl().attachment_rows);
      EXPECT_EQ(message.field_text(0, kFailed), L"With 100");
    }
    EXPECT_GE(calls(mapi_report_now(), call), 1u);
    EXPECT_EQ(live_mapi_objects(), live);
  }
}

TEST_F(StoreItemTest, EntryThatIsNoItemOfAStoreThrowsAndOpensNothing) {
  const struct {
    const wchar_t* url;
    const wchar_t* error;
  } cases[] = {
      {L"outlook:F001", L"Outlook object [F001] is not a message"},
      {L"outlook:f000", L"Outlook object [F000] is not a message"},
      {L"outlook:5100", L"Outlook object [5100] is not a message"},  // the store
      {L"outlook:\\\\Mailbox\\Inbox",
       L"Outlook object [outlook:\\\\Mailbox\\Inbox] is not a message"},
      {L"outlook:BEEF", L"Outlook object [BEEF] not found"},
      {L"outlook:A", L"Outlook object [Unknown] not found"},
  };
  { const MapiMessage logged_on(L"outlook:A001", false); }
  const nlohmann::json before = mapi_report_now();
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.url)));
    EXPECT_EQ(open_error_text(c.url), c.error);
  }
  const nlohmann::json after = mapi_report_now();
  EXPECT_EQ(calls(after, "IMessage.GetAttachmentTable"),
            calls(before, "IMessage.GetAttachmentTable"));
  EXPECT_EQ(after["live_objects"], before["live_objects"]);
}

}  // namespace
}  // namespace qv::test
