// qv_driver.exe's item phase: the first selected item opened through MAPI,
// with the user's profiles, sessions and stores in their various states.
#include <mapicode.h>

#include "errors/exceptions.h"
#include "tests/e2e/driver_run.h"
#include "tests/support/mailbox_json.h"

namespace qv::test {
namespace {

// Three stores of one item each:
//   \\Work     5101 / F100: item B001 "From Work"
//   \\Home     5102 / F200: item B002 "From Home"
//   \\Archive  5103 / F300: item B003 "From Archive"
nlohmann::json three_stores() {
  const auto one_item_store = [](const std::string& name, const std::string& number) {
    nlohmann::json result = store(name, "F" + number + "00");
    result["id"] = name;
    result["entry_id"] = "510" + number;
    result["top_folder"]["items"] = {
        {{"id", name + "-item"}, {"entry_id", "B00" + number}, {"subject", "From " + name}}};
    return result;
  };
  return mailbox_of(
      {one_item_store("Work", "1"), one_item_store("Home", "2"), one_item_store("Archive", "3")});
}

nlohmann::json profile(const nlohmann::json& name, const nlohmann::json& stores,
                       bool is_default = false) {
  return {{"name", name}, {"stores", stores}, {"default", is_default}};
}

constexpr char kFolders[] =
    "\nCreating Mapi class, then listing Outlook folders\n"
    "  \\\\Archive\n"
    "  \\\\Home\n"
    "  \\\\Work\n";

class DriverItemTest : public DriverTest {
 protected:
  // Runs the driver on three_stores() with these profiles and the item of
  // this id selected; expects phase one and two as usual.
  DriverRun run_with(const nlohmann::json& profiles, const std::string& selected,
                     const nlohmann::json& faults = nlohmann::json::array()) {
    nlohmann::json mailbox = three_stores();
    mailbox["profiles"] = profiles;
    mailbox["explorer"] = {{"selection", {selected}}};
    mailbox["faults"] = faults;
    changes_(mailbox);
    DriverRun run = run_driver(mailbox);
    const std::string before = windows_lines(kFolders);
    const size_t folders = run.output.find(before);
    EXPECT_NE(folders, std::string::npos) << run.output;
    item_phase_ =
        folders == std::string::npos ? run.output : run.output.substr(folders + before.size());
    return run;
  }
  // Changes to the mailbox before a run.
  std::function<void(nlohmann::json&)> changes_ = [](nlohmann::json&) {};

  // The output of phase three.
  std::string item_phase_;
};

std::string title(const std::string& text) {
  return windows_lines("\nFirst selected object title = " + text + "\n");
}

std::string failure(const std::string& message) {
  return windows_lines("Exception accessing MAPI object: " + message + "\n");
}

std::string failure(HRESULT hr) { return failure(ascii(system_error_text(hr))); }

const nlohmann::json kThreeProfiles = {profile("Work", {"Work"}), profile("Home", {"Home"}),
                                       profile("Archive", {"Archive"})};

TEST_F(DriverItemTest, TheDefaultProfileIsAskedFirstWhereverItsRow) {
  // Home is the default: Home, Work, Archive; Home's session opens its item
  // at once. With Work as the default: Work, Home, Archive.
  const struct {
    int default_row;
    std::uint64_t sessions_asked;
  } cases[] = {{1, 1}, {0, 2}};
  for (const auto& c : cases) {
    nlohmann::json profiles = kThreeProfiles;
    profiles[c.default_row]["default"] = true;
    const DriverRun run = run_with(profiles, "Home-item");
    EXPECT_EQ(item_phase_, title("From Home"));
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_EQ(calls(run.mapi_report, "IMAPISession.OpenEntry"), c.sessions_asked);
    EXPECT_EQ(calls(run.mapi_report, "MAPILogonEx"), 3u);
    EXPECT_EQ(calls(run.mapi_report, "IMAPISession.OpenMsgStore"), 3u);
  }
}

TEST_F(DriverItemTest, OnlyTheFirstTenProfilesCount) {
  nlohmann::json profiles = nlohmann::json::array();
  for (int row = 0; row < 12; ++row) {
    profiles.push_back(profile("P" + std::to_string(row), {"Work"}, row == 10));
  }
  profiles[10]["stores"] = {"Home"};
  const DriverRun run = run_with(profiles, "Home-item");
  EXPECT_EQ(item_phase_, failure("Outlook object [B002] not found"));
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(calls(run.mapi_report, "MAPILogonEx"), 10u);
  EXPECT_EQ(calls(run.mapi_report, "IMAPITable.QueryRows"), 11u);
}

TEST_F(DriverItemTest, ProfilesWithoutANameAreLeftOut) {
  const nlohmann::json profiles = {profile(nullptr, {"Home"}), profile("Work", {"Work"}),
                                   profile("", {"Home"}, true), profile(nullptr, {"Home"}, true)};
  const DriverRun run = run_with(profiles, "Home-item");
  EXPECT_EQ(item_phase_, failure("Outlook object [B002] not found"));
  EXPECT_EQ(calls(run.mapi_report, "MAPILogonEx"), 1u);
}

TEST_F(DriverItemTest, FailedLogonReleasesTheSessionsBeforeIt) {
  const DriverRun run =
      run_with(kThreeProfiles, "Work-item",
               {{{"call", "MAPILogonEx"}, {"nth", 2}, {"hr", "MAPI_E_LOGON_FAILED"}}});
  EXPECT_EQ(item_phase_, failure(MAPI_E_LOGON_FAILED));
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(calls(run.mapi_report, "MAPILogonEx"), 2u);
  EXPECT_EQ(calls(run.mapi_report, "IMAPISession.OpenEntry"), 0u);
  // run_driver has checked that no session is left.
}

TEST_F(DriverItemTest, ASessionWithoutStoresStillOpensEntries) {
  const DriverRun run = run_with(kThreeProfiles, "Work-item",
                                 {{{"call", "IMAPISession.GetMsgStoresTable"}, {"nth", 1}}});
  EXPECT_EQ(item_phase_, title("From Work"));
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_EQ(calls(run.mapi_report, "IMAPISession.OpenMsgStore"), 2u);
}

TEST_F(DriverItemTest, StoreRowsWithoutEntryIdAreSkipped) {
  const nlohmann::json rows = {
      {{"entry_id", nullptr}, {"display_name", "No EntryID"}}, {{"entry_id", ""}}, "Work"};
  const DriverRun run = run_with(nlohmann::json::array({profile("Work", rows)}), "Work-item");
  EXPECT_EQ(item_phase_, title("From Work"));
  EXPECT_EQ(calls(run.mapi_report, "IMAPISession.OpenMsgStore"), 1u);
}

TEST_F(DriverItemTest, NoStoreOrNoProfileAtAll) {
  DriverRun run =
      run_with(nlohmann::json::array({profile("Work", nlohmann::json::array())}), "Work-item");
  EXPECT_EQ(item_phase_, failure("Outlook message store not found"));
  EXPECT_EQ(run.exit_code, 1u);
  // A store that does not open counts as none.
  run = run_with(nlohmann::json::array({profile("Work", {{{"entry_id", "0BAD"}}})}), "Work-item");
  EXPECT_EQ(item_phase_, failure("Outlook message store not found"));
  run = run_with(nlohmann::json::array(), "Work-item");
  EXPECT_EQ(item_phase_, failure("No Outlook profiles were found"));
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(calls(run.mapi_report, "MAPILogonEx"), 0u);
}

TEST_F(DriverItemTest, ItemsThatNoSessionOpensOrThatAreNoMessages) {
  // The selected item reports as its EntryID the given text.
  const struct {
    const char* entry_id;
    const char* phase_three;
    std::uint64_t sessions_asked;
  } cases[] = {
      // In no profile's stores.
      {"B003", "Exception accessing MAPI object: Outlook object [B003] not found\n", 2},
      // A folder: the first session that opens it ends the search.
      {"F100", "Exception accessing MAPI object: Outlook object [F100] is not a message\n", 1},
      // Path-form URLs: resolved through Outlook's folders, or not.
      {"\\\\Home\\From Home", "\nFirst selected object title = From Home\n", 2},
      {"\\\\Home\\Nowhere",
       "Exception accessing MAPI object: Outlook object [outlook:\\\\Home\\Nowhere] not found\n",
       2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry_id);
    changes_ = [&c](nlohmann::json& mailbox) {
      mailbox["stores"][0]["top_folder"]["items"][0]["by_name"] = {
          {"EntryID", {{"value", c.entry_id}}}};
    };
    const DriverRun run =
        run_with({profile("Work", {"Work"}), profile("Home", {"Home"})}, "Work-item");
    EXPECT_EQ(item_phase_, windows_lines(c.phase_three));
    EXPECT_EQ(calls(run.mapi_report, "IMAPISession.OpenEntry"), c.sessions_asked);
    EXPECT_EQ(calls(run.mapi_report, "IMessage.GetAttachmentTable"),
              *c.phase_three == '\n' ? 1u : 0u);
  }
}

TEST_F(DriverItemTest, AnItemWithoutSubjectHasAnEmptyTitle) {
  changes_ = [](nlohmann::json& mailbox) {
    mailbox["stores"][0]["top_folder"]["items"][0].erase("subject");
  };
  const DriverRun run = run_with(kThreeProfiles, "Work-item");
  EXPECT_EQ(item_phase_, title(""));
  EXPECT_EQ(run.exit_code, 0u);
}

}  // namespace
}  // namespace qv::test
