// Logging on to the user's profiles and opening entries by EntryID, in
// process, through a Mapi object of the test's own.
#include "mapi/logon.h"

#include <mapicode.h>

#include "errors/exceptions.h"
#include "items/entry_id.h"
#include "mapi/mapi.h"
#include "tests/items/item_fixture.h"

namespace qv::test {
namespace {

nlohmann::json profile(const nlohmann::json& name, bool is_default = false) {
  return {{"name", name}, {"stores", {"mailbox"}}, {"default", is_default}};
}

class LogonTest : public ItemTest {
 protected:
  void serve_profiles(const nlohmann::json& profiles) {
    nlohmann::json mailbox = mailbox_of({simple_store()});
    mailbox["stores"][0]["id"] = "mailbox";
    mailbox["profiles"] = profiles;
    serve(mailbox);
  }
  static std::uint64_t mapi_calls(const char* call_point) {
    return calls(mapi_report_now(), call_point);
  }
};

TEST_F(LogonTest, ProfileNamesPutTheDefaultFirst) {
  using Names = std::vector<std::wstring>;
  const struct {
    nlohmann::json profiles;
    Names names;
  } cases[] = {
      {{profile("Work"), profile("Home", true), profile("Archive")},
       {L"Home", L"Work", L"Archive"}},
      {{profile("Work", true), profile("Home"), profile("Archive")},
       {L"Work", L"Home", L"Archive"}},
      // Without a name, default or not, a profile is left out.
      {{profile(nullptr), profile("Work"), profile("", true), profile("B\u00fcro")},
       {L"Work", L"B\u00fcro"}},
      // Only the first ten rows are read.
      {{profile("0"), profile("1"), profile("2"), profile("3"), profile("4"), profile("5"),
        profile("6"), profile("7"), profile("8"), profile("9"), profile("10", true), profile("11")},
       {L"0", L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.profiles.dump());
    serve_profiles(c.profiles);
    const Mapi mapi;
    EXPECT_EQ(profile_names(mapi), c.names);
  }
}

TEST_F(LogonTest, AFailedLogonKeepsNothingAndTheNextAttemptStartsAfresh) {
  serve_profiles({profile("Alpha"), profile("Bravo"), profile("Charlie")});
  ASSERT_EQ(set_mapi_faults({{{"call", "MAPILogonEx"}, {"nth", 2}, {"hr", "MAPI_E_LOGON_FAILED"}}}),
            S_OK);
  Mapi mapi;
  const EntryId item(L"outlook:A001");
  try {
    mapi.open_entry(item, MAPI_MESSAGE);
    FAIL() << "no exception";
  } catch (const win32_error& e) {
    EXPECT_EQ(e.code(), static_cast<std::int32_t>(MAPI_E_LOGON_FAILED));
  }
  EXPECT_TRUE(mapi_report_now()["live_objects"].empty()) << "the first session was kept";
  // Listed and logged on again, all three this time; then kept.
  EXPECT_TRUE(mapi.open_entry(item, MAPI_MESSAGE));
  EXPECT_TRUE(mapi.open_entry(item, MAPI_MESSAGE));
  EXPECT_EQ(mapi_calls("IProfAdmin.GetProfileTable"), 2u);
  EXPECT_EQ(mapi_calls("MAPILogonEx"), 5u);
  EXPECT_EQ(mapi.logon().sessions().size(), 3u);
  EXPECT_EQ(mapi.logon().stores().size(), 3u);
}

TEST_F(LogonTest, OpenEntryGivesTheObjectOfTheExpectedTypeOnly) {
  serve_profiles(nlohmann::json::array({profile("Alpha")}));
  Mapi mapi;
  EXPECT_TRUE(mapi.open_entry(EntryId(L"outlook:A001"), MAPI_MESSAGE));
  EXPECT_FALSE(mapi.open_entry(EntryId(L"outlook:F001"), MAPI_MESSAGE));  // a folder
  EXPECT_TRUE(mapi.open_entry(EntryId(L"outlook:F001"), MAPI_FOLDER));
  const struct {
    EntryId entry_id;
    const wchar_t* message;
  } not_found[] = {
      {EntryId(L"outlook:0BAD"), L"Outlook object [0BAD] not found"},
      {EntryId(), L"Outlook object [Unknown] not found"},
      {EntryId(L"outlook:\\\\Mailbox\\Nowhere"),
       L"Outlook object [outlook:\\\\Mailbox\\Nowhere] not found"},
  };
  for (const auto& c : not_found) {
    try {
      mapi.open_entry(c.entry_id, MAPI_MESSAGE);
      ADD_FAILURE() << "no exception";
    } catch (const win32_error&) {
      ADD_FAILURE() << "a named failure is truntime_error";
    } catch (const truntime_error& e) {
      EXPECT_EQ(e.message(), c.message);
    }
  }
}

}  // namespace
}  // namespace qv::test
