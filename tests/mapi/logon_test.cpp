// Logging on to the user's profiles and opening entries by EntryID, in
// process, through a Mapi object of the test's own.
#include "mapi/logon.h"

#include <mapicode.h>

#include <cwchar>

#include "errors/exceptions.h"
#include "items/entry_id.h"
#include "items/message.h"
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

// A store with one item, its EntryIDs made of a letter: X000 the store,
// XF00 its top folder, X001 the item.
nlohmann::json one_item_store(const std::string& id, const std::string& letter,
                              const std::string& subject) {
  nlohmann::json result = store(id, letter + "F00");
  result["id"] = id;
  result["entry_id"] = letter + "000";
  result["top_folder"]["items"] = {{{"entry_id", letter + "001"}, {"subject", subject}}};
  return result;
}

// What opening an item gave: its subject, or the exception's code or text;
// and what writing a property of it gave.
std::wstring opening(const wchar_t* url, HRESULT* set_props) {
  try {
    const MapiMessage message(url, true);
    SPropValue value{};
    value.ulPropTag = PR_IMPORTANCE;
    value.Value.l = 2;
    *set_props = message.impl().message->SetProps(1, &value, nullptr);
    return message.field_text(0, std::wstring());
  } catch (const win32_error& e) {
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(e.code()));
    return code;
  } catch (const truntime_error& e) {
    return e.message();
  }
}

// How many stores the shared instance's logon holds; 0 when it fails.
std::size_t stores_opened() {
  try {
    return shared_mapi(false)->logon().stores().size();
  } catch (const texception&) {
    return 0;
  }
}

// Each refusal that a description can ask of MAPI, through the library's
// logon and opening: a store that needs a password is skipped without a
// dialog, a store that the user may only read opens read-only, a shared
// session does not replace the profiles' own sessions, and a profile that
// needs credentials fails the logon without a dialog.
TEST_F(LogonTest, StoresAndProfilesThatMapiRefusesAreHandledWithoutDialogs) {
  nlohmann::json mailbox = mailbox_of({simple_store(), one_item_store("secret", "E", "Hidden"),
                                       one_item_store("shelf", "D", "Shared notes")});
  mailbox["stores"][0]["id"] = "mailbox";
  mailbox["stores"][1]["needs_password"] = true;
  mailbox["stores"][2]["read_only"] = true;
  const nlohmann::json alpha = profile("Alpha");
  const nlohmann::json with_secret = {{"name", "Alpha"}, {"stores", {"mailbox", "secret"}}};
  const nlohmann::json only_shelf = {{"name", "Alpha"}, {"stores", {"shelf"}}};
  const nlohmann::json shared_shelf = {
      {"name", "Bravo"}, {"stores", {"shelf"}}, {"shared_session", true}};
  nlohmann::json locked = profile("Bravo");
  locked["needs_credentials"] = true;
  const struct {
    nlohmann::json profiles;
    const wchar_t* url;
    const wchar_t* opened;  // the subject, or the failure
    HRESULT set_props;
    std::size_t stores;
  } cases[] = {
      {{with_secret}, L"outlook:A001", L"Alpha", S_OK, 1},
      {{with_secret}, L"outlook:E001", L"Outlook object [E001] not found", E_FAIL, 1},
      {{only_shelf}, L"outlook:D001", L"Shared notes", MAPI_E_NO_ACCESS, 1},
      {{alpha, shared_shelf}, L"outlook:A001", L"Alpha", S_OK, 2},
      {{alpha, shared_shelf}, L"outlook:D001", L"Shared notes", MAPI_E_NO_ACCESS, 2},
      {{alpha, locked}, L"outlook:A001", L"0x80040111", E_FAIL, 0},  // MAPI_E_LOGON_FAILED
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.profiles.dump() + " " + std::string(c.url, c.url + std::wcslen(c.url)));
    mailbox["profiles"] = c.profiles;
    serve(mailbox);
    HRESULT set_props = E_FAIL;
    EXPECT_EQ(opening(c.url, &set_props), c.opened);
    EXPECT_EQ(set_props, c.set_props);
    EXPECT_EQ(stores_opened(), c.stores);
    const nlohmann::json report = mapi_report_now();
    EXPECT_EQ(report["dialogs"], nlohmann::json::array());
    EXPECT_EQ(report["spooler_sessions"], 0);
  }
}

}  // namespace
}  // namespace qv::test
