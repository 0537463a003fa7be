// Profiles and logons: the profile table as the product reads it (its row
// limit, TBL_NOADVANCE, PT_ERROR for a profile without a name), MAPILogonEx
// by name, and logons that fail for one profile.
#include <gtest/gtest.h>

#include <string>

#include "tests/sim_mapi/mapi_session.h"

namespace qvsim::mapi::test {
namespace {

qv::com_ptr<IMAPITable> profile_table(ULONG flags = 0) {
  qv::com_ptr<IProfAdmin> admin;
  EXPECT_EQ(Mapi32::get().admin_profiles(0, admin.put()), S_OK);
  qv::com_ptr<IMAPITable> table;
  if (admin) {
    EXPECT_EQ(admin->GetProfileTable(flags, table.put()), S_OK);
  }
  return table;
}

// The product's columns: PR_DEFAULT_PROFILE, PR_DISPLAY_NAME_A.
void read_profiles(IMAPITable* table, LONG count, ULONG flags, Rows* rows) {
  read_rows(table, {PR_DEFAULT_PROFILE, kDisplayNameA}, count, flags, rows);
}

// Twelve profiles P01 to P12; P11 is the default.
std::string twelve_profiles() {
  std::string profiles;
  for (int i = 1; i <= 12; ++i) {
    const std::string number = (i < 10 ? "0" : "") + std::to_string(i);
    profiles += std::string(i > 1 ? ", " : "") + R"({"name": "P)" + number + R"(")" +
                (i == 11 ? R"(, "default": true})" : "}");
  }
  return R"({"profiles": [)" + profiles + "]}";
}

TEST(ProfileTableTest, ListsProfilesInDescriptionOrderWithPtErrorForOneWithoutName) {
  ServedDescription served(R"({"profiles": [
    {"name": "Work"}, {"name": null}, {"name": "Home", "default": true}, {"name": "Caf\u00e9"}]})");
  qv::com_ptr<IMAPITable> table = profile_table();
  Rows rows;
  read_profiles(table.get(), 10, TBL_NOADVANCE, &rows);
  ASSERT_EQ(rows.count(), 4u);
  EXPECT_EQ(rows.value(0, 0).ulPropTag, static_cast<ULONG>(PR_DEFAULT_PROFILE));
  EXPECT_FALSE(rows.value(0, 0).Value.b);
  EXPECT_EQ(rows.value(0, 1).ulPropTag, kDisplayNameA);
  EXPECT_STREQ(rows.value(0, 1).Value.lpszA, "Work");
  EXPECT_EQ(rows.value(1, 1).ulPropTag, kDisplayNameError);
  EXPECT_EQ(rows.value(1, 1).Value.err, MAPI_E_NOT_FOUND);
  EXPECT_TRUE(rows.value(2, 0).Value.b);
  EXPECT_STREQ(rows.value(2, 1).Value.lpszA, "Home");
  EXPECT_STREQ(rows.value(3, 1).Value.lpszA, "Caf\xE9");  // code page 1252
}

TEST(ProfileTableTest, NamesComeAsUnicodeWhenAsked) {
  ServedDescription served(R"({"profiles": [{"name": "Caf\u00e9", "default": true}]})");
  qv::com_ptr<IMAPITable> table = profile_table(MAPI_UNICODE);
  LPSPropTagArray columns = nullptr;
  ASSERT_EQ(table->QueryColumns(0, &columns), S_OK);
  ASSERT_EQ(columns->cValues, 2u);
  EXPECT_EQ(columns->aulPropTag[0], kDisplayNameW);  // the table's own columns follow MAPI_UNICODE
  EXPECT_EQ(element(columns->aulPropTag, 1), static_cast<ULONG>(PR_DEFAULT_PROFILE));
  Mapi32::get().free_buffer(columns);
  Rows rows;
  read_rows(table.get(), {kDisplayNameW}, 10, 0, &rows);
  ASSERT_EQ(rows.count(), 1u);
  EXPECT_STREQ(rows.value(0, 0).Value.lpszW, L"Caf\u00e9");
}

TEST(ProfileTableTest, QueryRowsReadsAtMostTheRowsAskedAndTblNoAdvanceKeepsTheCursor) {
  ServedDescription served(twelve_profiles());
  qv::com_ptr<IMAPITable> table = profile_table();
  Rows first;
  read_profiles(table.get(), 10, TBL_NOADVANCE, &first);
  ASSERT_EQ(first.count(), 10u);
  EXPECT_STREQ(first.value(0, 1).Value.lpszA, "P01");
  EXPECT_STREQ(first.value(9, 1).Value.lpszA, "P10");
  for (ULONG i = 0; i < first.count(); ++i) {
    EXPECT_FALSE(first.value(i, 0).Value.b)
        << "row " << i;  // the default lies beyond the tenth row
  }
  Rows again;
  ASSERT_EQ(table->QueryRows(10, TBL_NOADVANCE, again.put()), S_OK);
  EXPECT_STREQ(again.value(0, 1).Value.lpszA, "P01");

  Rows advancing;
  ASSERT_EQ(table->QueryRows(10, 0, advancing.put()), S_OK);
  Rows rest;
  ASSERT_EQ(table->QueryRows(10, 0, rest.put()), S_OK);
  ASSERT_EQ(rest.count(), 2u);
  EXPECT_STREQ(rest.value(0, 1).Value.lpszA, "P11");
  EXPECT_TRUE(rest.value(0, 0).Value.b);
}

TEST(ProfileTableTest, WithoutProfilesTheDescriptionHasTheDefaultOutlookProfile) {
  ServedDescription served(R"({"stores": [{"display_name": "Mailbox"}]})");
  qv::com_ptr<IMAPITable> table = profile_table();
  Rows rows;
  read_profiles(table.get(), 10, TBL_NOADVANCE, &rows);
  ASSERT_EQ(rows.count(), 1u);
  EXPECT_TRUE(rows.value(0, 0).Value.b);
  EXPECT_STREQ(rows.value(0, 1).Value.lpszA, "Outlook");
}

TEST(LogonTest, LogsOnToAProfileByNameInEitherStringType) {
  ServedDescription served;  // the sample: Work (default) and Home
  HRESULT result = E_FAIL;
  qv::com_ptr<IMAPISession> work = logon(L"Work", &result);
  EXPECT_EQ(result, S_OK);
  ASSERT_TRUE(work);
  qv::com_ptr<IMAPISession> again = logon(L"wORK", &result);  // profile names compare without case
  EXPECT_EQ(result, S_OK);
  EXPECT_NE(again.get(), work.get());  // MAPI_NEW_SESSION: a session of its own
  char home[] = "Home";
  qv::com_ptr<IMAPISession> narrow;
  EXPECT_EQ(Mapi32::get().logon(0, home, nullptr, MAPI_EXTENDED | MAPI_NEW_SESSION, narrow.put()),
            S_OK);
  EXPECT_TRUE(narrow);
  const nlohmann::json report = test::report();
  EXPECT_EQ(report["logons"], 3);
  EXPECT_EQ(report["calls"]["MAPILogonEx"], 3);
}

TEST(LogonTest, AnUnknownNameOrNoNameFails) {
  ServedDescription served;
  HRESULT result = S_OK;
  EXPECT_FALSE(logon(L"Nobody", &result));
  EXPECT_EQ(result, MAPI_E_LOGON_FAILED);
  EXPECT_FALSE(logon(L"", &result));
  EXPECT_EQ(result, MAPI_E_LOGON_FAILED);
  qv::com_ptr<IMAPISession> session;
  EXPECT_EQ(Mapi32::get().logon(0, nullptr, nullptr, kProductLogonFlags, session.put()),
            MAPI_E_LOGON_FAILED);
  EXPECT_FALSE(session);
  EXPECT_EQ(test::report()["logons"], 0);
}

TEST(LogonTest, MapiUseDefaultLogsOnToTheDefaultProfile) {
  ServedDescription served(
      R"({"stores": [{"id": "a", "display_name": "A"}, {"id": "b", "display_name": "B"}],
    "profiles": [{"name": "One", "stores": ["a"]}, {"name": "Two", "default": true, "stores": ["a", "b"]}]})");
  qv::com_ptr<IMAPISession> session;
  ASSERT_EQ(Mapi32::get().logon(0, nullptr, nullptr, kProductLogonFlags | MAPI_USE_DEFAULT,
                                session.put()),
            S_OK);
  qv::com_ptr<IMAPITable> stores;
  ASSERT_EQ(session->GetMsgStoresTable(0, stores.put()), S_OK);
  ULONG count = 0;
  EXPECT_EQ(stores->GetRowCount(0, &count), S_OK);
  EXPECT_EQ(count, 2u);  // Two's stores
}

TEST(LogonTest, TheNthLogonOrANamedProfileFailsAsTheDescriptionSays) {
  ServedDescription served(
      R"({"profiles": [{"name": "A"}, {"name": "B"}, {"name": "C"}, {"name": "D"}],
    "faults": [{"call": "MAPILogonEx", "nth": "2", "hr": "MAPI_E_NETWORK_ERROR"},
               {"call": "MAPILogonEx", "only_for": "D", "hr": "MAPI_E_USER_CANCEL"}]})");
  HRESULT a = E_FAIL;
  HRESULT b = E_FAIL;
  HRESULT c = E_FAIL;
  HRESULT d = E_FAIL;
  qv::com_ptr<IMAPISession> first = logon(L"A", &a);
  qv::com_ptr<IMAPISession> second = logon(L"B", &b);
  qv::com_ptr<IMAPISession> third = logon(L"C", &c);
  qv::com_ptr<IMAPISession> fourth = logon(L"D", &d);
  EXPECT_EQ(a, S_OK);
  EXPECT_EQ(b, MAPI_E_NETWORK_ERROR);
  EXPECT_FALSE(second);
  EXPECT_EQ(c, S_OK);
  EXPECT_EQ(d, MAPI_E_USER_CANCEL);
  EXPECT_TRUE(logon(L"B"));  // only the second logon failed
  EXPECT_EQ(test::report()["logons"], 3);
}

}  // namespace
}  // namespace qvsim::mapi::test
