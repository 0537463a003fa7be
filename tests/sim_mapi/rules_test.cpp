// What the simulated MAPI refuses as MAPI's documentation does, one table
// per family of rules: initialisation, logon, stores, tables.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <utility>

#include "tests/sim_mapi/mapi_session.h"

namespace qvsim::mapi::test {
namespace {

constexpr ULONG kUnknown = 0x00400000;  // a bit that none of these calls documents

LPTSTR text(const wchar_t* value) { return reinterpret_cast<LPTSTR>(const_cast<wchar_t*>(value)); }

TEST(RulesTest, InitialisationTakesNullOrOptionsOfTheOneVersion) {
  const Mapi32& mapi = Mapi32::get();
  ASSERT_EQ(mapi.reset(nullptr), S_OK);
  MAPIINIT_0 known{MAPI_INIT_VERSION,
                   MAPI_MULTITHREAD_NOTIFICATIONS | MAPI_NT_SERVICE | MAPI_NO_COINIT};
  MAPIINIT_0 version{MAPI_INIT_VERSION + 1, 0};
  MAPIINIT_0 unknown{MAPI_INIT_VERSION, kUnknown};
  const std::pair<MAPIINIT_0*, HRESULT> cases[] = {{nullptr, S_OK},
                                                   {&known, S_OK},
                                                   {&version, MAPI_E_INVALID_PARAMETER},
                                                   {&unknown, MAPI_E_UNKNOWN_FLAGS}};
  for (const auto& [options, expected] : cases) {
    EXPECT_EQ(mapi.initialize(options), expected);
    qv::com_ptr<IProfAdmin> admin;  // MAPIAdminProfiles documents no flag
    EXPECT_EQ(mapi.admin_profiles(MAPI_UNICODE, admin.put()), MAPI_E_UNKNOWN_FLAGS);
    if (SUCCEEDED(expected)) {
      mapi.uninitialize();
    }
  }
  EXPECT_EQ(report()["mapi_initialized"], 0);
}

// Profiles Work (store A), Home (store B) and Locked (store A, asks for
// credentials); with shared, Outlook shares its session of Home.
std::string logon_mailbox(bool shared) {
  return R"({"stores": [{"id": "a", "display_name": "A"}, {"id": "b", "display_name": "B"}],
    "profiles": [{"name": "Work", "stores": ["a"]},
                 {"name": "Home", "stores": ["b"], "shared_session": )" +
         std::string(shared ? "true" : "false") + R"(},
                 {"name": "Locked", "stores": ["a"], "needs_credentials": true}]})";
}

// The display name of the first store that the session lists.
std::wstring first_store(IMAPISession* session) {
  qv::com_ptr<IMAPITable> table;
  EXPECT_EQ(session->GetMsgStoresTable(0, table.put()), S_OK);
  Rows rows;
  read_rows(table.get(), {kDisplayNameW}, 1, 0, &rows);
  return rows.count() == 1 ? std::wstring(rows.value(0, 0).Value.lpszW) : std::wstring();
}

TEST(RulesTest, LogonFollowsItsFlagsTheSharedSessionAndTheProfilesNeeds) {
  constexpr ULONG kProduct = kProductLogonFlags;
  constexpr ULONG kShared = kProduct & ~static_cast<ULONG>(MAPI_NEW_SESSION);
  const struct {
    bool shared;
    const wchar_t* profile;
    const wchar_t* password;
    ULONG flags;
    HRESULT expected;
    const wchar_t* store;  // the first store of the session given
    int spooler_sessions;
    std::size_t dialogs;
  } cases[] = {
      {false, L"Work", nullptr, kProduct, S_OK, L"A", 0, 0},
      {false, L"Work", nullptr, kProduct & ~static_cast<ULONG>(MAPI_NO_MAIL), S_OK, L"A", 1, 0},
      {false, L"Work", nullptr, kShared, S_OK, L"A", 0, 0},  // no session to share
      {false, L"Work", nullptr, kProduct & ~static_cast<ULONG>(MAPI_EXTENDED), MAPI_E_LOGON_FAILED,
       nullptr, 0, 0},
      {false, L"Work", L"", kProduct, MAPI_E_LOGON_FAILED, nullptr, 0, 0},
      {false, L"Work", nullptr, kProduct | kUnknown, MAPI_E_UNKNOWN_FLAGS, nullptr, 0, 0},
      {false, L"Work", nullptr, kProduct | MAPI_LOGON_UI | MAPI_PASSWORD_UI, MAPI_E_LOGON_FAILED,
       nullptr, 0, 0},
      {false, L"Work", nullptr, kProduct | MAPI_SERVICE_UI_ALWAYS, MAPI_E_USER_CANCEL, nullptr, 0,
       1},
      {false, L"Locked", nullptr, kProduct, MAPI_E_LOGON_FAILED, nullptr, 0, 0},
      {false, L"Locked", nullptr, kProduct | MAPI_PASSWORD_UI, MAPI_E_USER_CANCEL, nullptr, 0, 1},
      {false, L"Nobody", nullptr, kProduct | MAPI_LOGON_UI, MAPI_E_USER_CANCEL, nullptr, 0, 1},
      {true, L"Work", nullptr, kProduct, S_OK, L"A", 0, 0},
      {true, L"Work", nullptr, kShared, S_OK, L"B", 0, 0},
      {true, nullptr, nullptr, kShared, S_OK, L"B", 0, 0},
      {true, L"Locked", nullptr, kShared, S_OK, L"B", 0, 0},  // logged on already
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.shared << " " << c.profile << " 0x" << std::hex << c.flags);
    ServedDescription served(logon_mailbox(c.shared));
    qv::com_ptr<IMAPISession> session;
    EXPECT_EQ(Mapi32::get().logon(0, text(c.profile), text(c.password), c.flags, session.put()),
              c.expected);
    const std::wstring given = session ? first_store(session.get()) : std::wstring();
    EXPECT_EQ(given, c.store != nullptr ? std::wstring(c.store) : std::wstring());
    EXPECT_EQ(report()["spooler_sessions"], c.spooler_sessions);
    EXPECT_EQ(report()["dialogs"].size(), c.dialogs);
  }
}

// Stores Plain, Secret (asks for a password) and Shelf (read only), one
// item each, all listed by Main.
constexpr char kStoreMailbox[] = R"({"stores": [
    {"id": "plain", "display_name": "Plain", "entry_id": "0100",
     "top_folder": {"items": [{"entry_id": "0101", "subject": "P"}]}},
    {"id": "secret", "display_name": "Secret", "entry_id": "0200", "needs_password": true,
     "top_folder": {"items": [{"entry_id": "0201", "subject": "S"}]}},
    {"id": "shelf", "display_name": "Shelf", "entry_id": "0300", "read_only": true,
     "top_folder": {"items": [{"entry_id": "0301", "subject": "R"}]}}],
  "profiles": [{"name": "Main", "stores": ["plain", "secret", "shelf"]}]})";

TEST(RulesTest, StoresOpenAsTheirPasswordAndPermissionsAllowAndTheirItemsLikewise) {
  constexpr ULONG kNotOpened = 0xFFFFFFFF;  // the session opens the item without OpenMsgStore
  constexpr ULONG kProduct = kProductStoreFlags;
  const struct {
    const char* store;
    ULONG store_flags;
    HRESULT store_result;
    std::size_t dialogs;
    ULONG item_flags;  // of the session's OpenEntry of the store's item
    HRESULT item_result;
    bool item_writable;
  } cases[] = {
      {"0100", kProduct, S_OK, 0, MAPI_BEST_ACCESS, S_OK, true},
      {"0100", MDB_NO_DIALOG, S_OK, 0, MAPI_BEST_ACCESS, S_OK, false},
      {"0100", MDB_NO_DIALOG, S_OK, 0, MAPI_MODIFY, MAPI_E_NO_ACCESS, false},
      {"0100", kProduct | kUnknown, MAPI_E_UNKNOWN_FLAGS, 0, MAPI_BEST_ACCESS, S_OK, true},
      {"0100", kNotOpened, S_OK, 0, MAPI_BEST_ACCESS, S_OK, true},
      {"0100", kNotOpened, S_OK, 0, 0, S_OK, false},
      {"0100", kNotOpened, S_OK, 0, MAPI_BEST_ACCESS | kUnknown, MAPI_E_UNKNOWN_FLAGS, false},
      {"0200", kProduct, MAPI_E_LOGON_FAILED, 0, MAPI_BEST_ACCESS, MAPI_E_LOGON_FAILED, false},
      {"0200", MDB_WRITE, MAPI_E_USER_CANCEL, 1, MAPI_BEST_ACCESS, MAPI_E_LOGON_FAILED, false},
      {"0300", kProduct, MAPI_E_NO_ACCESS, 0, MAPI_BEST_ACCESS, S_OK, false},
      {"0300", MDB_NO_DIALOG | MAPI_BEST_ACCESS, S_OK, 0, MAPI_BEST_ACCESS, S_OK, false},
      {"0300", kNotOpened, S_OK, 0, MAPI_MODIFY, MAPI_E_NO_ACCESS, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.store << " 0x" << std::hex << c.store_flags << " 0x" << c.item_flags);
    ServedDescription served(kStoreMailbox);
    qv::com_ptr<IMAPISession> session = logon(L"Main");
    qv::com_ptr<IMsgStore> store;
    Bytes entry_id = hex(c.store);
    if (c.store_flags != kNotOpened) {
      EXPECT_EQ(session->OpenMsgStore(0, static_cast<ULONG>(entry_id.size()),
                                      reinterpret_cast<LPENTRYID>(entry_id.data()), nullptr,
                                      c.store_flags, store.put()),
                c.store_result);
      const LONG mask = store ? get_value(store.get(), PR_STORE_SUPPORT_MASK).number : 0;
      EXPECT_EQ((mask & STORE_MODIFY_OK) != 0, c.item_writable && store);
      EXPECT_EQ((mask & STORE_READONLY) != 0, !c.item_writable && store);
    }
    EXPECT_EQ(report()["dialogs"].size(), c.dialogs);
    entry_id[1] = 0x01;  // the store's item
    const Opened opened = open_entry(session.get(), entry_id, c.item_flags);
    EXPECT_EQ(opened.result, c.item_result);
    const qv::com_ptr<IMessage> message = opened.object.try_query<IMessage>();
    EXPECT_EQ(message ? set_unicode(message.get(), kSubjectW, L"changed") : E_FAIL,
              c.item_writable ? S_OK
              : message       ? MAPI_E_NO_ACCESS
                              : E_FAIL);
  }
}

TEST(RulesTest, TablesRefuseWhatTheirCallsDoNotDocument) {
  ServedDescription served(kStoreMailbox);
  qv::com_ptr<IMAPISession> session = logon(L"Main");
  qv::com_ptr<IProfAdmin> admin;
  ASSERT_EQ(Mapi32::get().admin_profiles(0, admin.put()), S_OK);
  qv::com_ptr<IMAPITable> table;
  qv::com_ptr<IMAPITable> refused;
  ULONG one_column[] = {1, PR_ENTRYID};
  ULONG no_column[] = {0};
  Rows rows;
  // Each call in turn, with what it must answer.
  const std::pair<HRESULT, HRESULT> cases[] = {
      {session->GetMsgStoresTable(MAPI_UNICODE, table.put()), S_OK},
      {session->GetMsgStoresTable(MAPI_DEFERRED_ERRORS, refused.put()), MAPI_E_UNKNOWN_FLAGS},
      {admin->GetProfileTable(kUnknown, refused.put()), MAPI_E_UNKNOWN_FLAGS},
      {table->SetColumns(reinterpret_cast<LPSPropTagArray>(no_column), 0),
       MAPI_E_INVALID_PARAMETER},
      {table->SetColumns(reinterpret_cast<LPSPropTagArray>(one_column), kUnknown),
       MAPI_E_UNKNOWN_FLAGS},
      {table->SetColumns(reinterpret_cast<LPSPropTagArray>(one_column), TBL_ASYNC), S_OK},
      {table->QueryRows(0, TBL_NOADVANCE, rows.put()), MAPI_E_INVALID_PARAMETER},
      {table->QueryRows(1, kUnknown, rows.put()), MAPI_E_UNKNOWN_FLAGS},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(cases[i].first, cases[i].second) << "call " << i;
  }
  EXPECT_FALSE(refused);
}

}  // namespace
}  // namespace qvsim::mapi::test
