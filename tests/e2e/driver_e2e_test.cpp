// qv_driver.exe end to end: what it prints, byte for byte, and how it ends.
#include "tests/e2e/driver_run.h"

#include "errors/exceptions.h"
#include "tests/support/mailbox_json.h"
#include "tests/support/sim_support.h"

namespace qv::test {
namespace {

// Phase three with nothing selected: the message object gets no source, and
// no compound file opens without a name.
std::string nothing_selected_failure() {
  return "Exception accessing MAPI object: " + ascii(system_error_text(STG_E_INVALIDNAME)) + "\n";
}

std::string title_line(const std::string& title) {
  return "\nFirst selected object title = " + title + "\n";
}

// simple_store() with these items selected.
nlohmann::json simple_mailbox(const nlohmann::json& selection) {
  nlohmann::json mailbox = mailbox_of({simple_store()});
  mailbox["explorer"] = {{"selection", selection}};
  return mailbox;
}

constexpr char kSimpleFolders[] =
    "\nCreating Mapi class, then listing Outlook folders\n"
    "  \\\\Mailbox\n"
    "  \\\\Mailbox\\Calendar\n"
    "  \\\\Mailbox\\Inbox\n"
    "  \\\\Mailbox\\Inbox\\Projects\n";

TEST_F(DriverTest, SampleMailbox) {
  const DriverRun run = run_driver_on(sample_mailbox_path());
  EXPECT_EQ(run.output,
            windows_lines("EntryID values on clipboard:\n"
                          "EntryID=outlook:00000000C060E6C7837E670B39AE7BBFB250856164000000\n"
                          "EntryID=outlook:00000000C060E6C7837E670B39AE7BBFB250856184000000\n"
                          "\n"
                          "Creating Mapi class, then listing Outlook folders\n"
                          "  \\\\Archive 2023\n"
                          "  \\\\Archive 2023\\Inbox\n"
                          "  \\\\Archive 2023\\Old Projects\n"
                          "  \\\\Archive 2023\\Old Projects\\Client Correspondence\n"
                          "  \\\\Mailbox - Alice Martin\n"
                          "  \\\\Mailbox - Alice Martin\\Calendar\n"
                          "  \\\\Mailbox - Alice Martin\\Calendar\\Team Events\n"
                          "  \\\\Mailbox - Alice Martin\\Contacts\n"
                          "  \\\\Mailbox - Alice Martin\\Deleted Items\n"
                          "  \\\\Mailbox - Alice Martin\\Drafts\n"
                          "  \\\\Mailbox - Alice Martin\\Inbox\n"
                          "  \\\\Mailbox - Alice Martin\\Inbox\\Projects\n"
                          "  \\\\Mailbox - Alice Martin\\Inbox\\Projects\\Website Redesign\n"
                          "  \\\\Mailbox - Alice Martin\\Inbox\\Receipts\n"
                          "  \\\\Mailbox - Alice Martin\\Sent Items\n"
                          "  \\\\Mailbox - Alice Martin\\Tasks\n"
                          "  \\\\Mailbox - Bob Chen\n"
                          "  \\\\Mailbox - Bob Chen\\Calendar\n"
                          "  \\\\Mailbox - Bob Chen\\Contacts\n"
                          "  \\\\Mailbox - Bob Chen\\Inbox\n"
                          "\n"
                          "First selected object title = Q3 budget review\n"));
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_EQ(run.error, "");
  // 20 folders, each fetched by position four times.
  EXPECT_EQ(calls(run.outlook_report, "_Folders.Item"), 80u);
  // One connection for the selection, one for the folder listing.
  EXPECT_EQ(calls(run.outlook_report, "Application.CreateInstance"), 2u);
  // The run's own Mapi object, and the shared one that opens the item. Each
  // holds mapi32.dll as its library and one more reference while MAPI
  // initialises; the second finds the first's library still loaded.
  EXPECT_EQ(calls(run.mapi_report, "MAPIInitialize"), 2u);
  EXPECT_EQ(calls(run.mapi_report, "MAPIUninitialize"), 2u);
  EXPECT_EQ(run.mapi_report["program_references_at_initialize"], nlohmann::json({2, 3}));
  // Both profiles logged on once; one read of each table: the profiles, the
  // two sessions' stores, the item's attachments.
  EXPECT_EQ(calls(run.mapi_report, "MAPIAdminProfiles"), 1u);
  EXPECT_EQ(calls(run.mapi_report, "MAPILogonEx"), 2u);
  EXPECT_EQ(calls(run.mapi_report, "IMAPITable.QueryRows"), 4u);
  EXPECT_EQ(calls(run.mapi_report, "IMAPIProp.GetIDsFromNames"), 0u);
}

TEST_F(DriverTest, NothingSelected) {
  const DriverRun run = run_driver(simple_mailbox(nlohmann::json::array()));
  EXPECT_EQ(run.output, windows_lines(std::string("EntryID values on clipboard:\n") +
                                      kSimpleFolders + nothing_selected_failure()));
  EXPECT_EQ(run.exit_code, 1u);
  // The item phase failed before it needed MAPI: no second initialisation,
  // no logon.
  EXPECT_EQ(calls(run.mapi_report, "MAPIInitialize"), 1u);
  EXPECT_EQ(calls(run.mapi_report, "MAPILogonEx"), 0u);
}

TEST_F(DriverTest, SeveralItemsSelectedOneWithoutReadableEntryId) {
  nlohmann::json mailbox = simple_mailbox({"meeting", "unreadable", "alpha", "meeting"});
  mailbox["stores"][0]["top_folder"]["folders"][0]["items"].push_back(
      {{"id", "unreadable"},
       {"entry_id", "A003"},
       {"by_name", {{"EntryID", {{"error", "E_FAIL"}}}}}});
  const DriverRun run = run_driver(mailbox);
  EXPECT_EQ(run.output, windows_lines(std::string("EntryID values on clipboard:\n"
                                                  "EntryID=outlook:C001\n"
                                                  "EntryID=outlook:A001\n"
                                                  "EntryID=outlook:C001\n") +
                                      kSimpleFolders + title_line("Meeting")));
  EXPECT_EQ(run.exit_code, 0u);
}

TEST_F(DriverTest, NoExplorerWindowEndsWithADiagnosticAndExitCode2) {
  const DriverRun run = run_driver(mailbox_of({simple_store()}));
  EXPECT_EQ(run.output, "");
  EXPECT_EQ(run.error, windows_lines("qv_driver: unexpected exception: _com_error 0x80004003\n"));
  EXPECT_EQ(run.exit_code, 2u);
}

TEST_F(DriverTest, UnexpectedComErrorShowsTheDescriptionOutlookGave) {
  if (local_server_mode()) {
    GTEST_SKIP() << "Wine's COM does not carry a server's error object back to the client "
                    "(docs/simulator.md)";
  }
  nlohmann::json mailbox = simple_mailbox({"alpha"});
  mailbox["faults"] = {{{"call", "_Folders.Item"},
                        {"nth", 2},
                        {"hr", "0x80040115"},
                        {"error_info", true},
                        {"description", "The store is offline"}}};
  const DriverRun run = run_driver(mailbox);
  EXPECT_EQ(run.error, windows_lines("qv_driver: unexpected exception: _com_error 0x80040115: "
                                     "The store is offline\n"));
  EXPECT_EQ(run.exit_code, 2u);
}

TEST_F(DriverTest, FailingFoldersItemEndsWithADiagnosticAndReleasesEverything) {
  nlohmann::json mailbox = simple_mailbox({"alpha"});
  mailbox["faults"] = {{{"call", "_Folders.Item"}, {"nth", 6}, {"hr", "0x80020009"}}};
  const DriverRun run = run_driver(mailbox);
  EXPECT_EQ(run.output, windows_lines("EntryID values on clipboard:\n"
                                      "EntryID=outlook:A001\n"
                                      "\n"
                                      "Creating Mapi class, then listing Outlook folders\n"));
  EXPECT_EQ(run.error, windows_lines("qv_driver: unexpected exception: _com_error 0x80020009\n"));
  EXPECT_EQ(run.exit_code, 2u);
  // The run's Mapi object was destroyed as the exception left the phases.
  EXPECT_EQ(calls(run.mapi_report, "MAPIUninitialize"), 1u);
}

TEST_F(DriverTest, EmptyFolderMapPrintsNoFolderLine) {
  nlohmann::json mailbox = {{"stores", nlohmann::json::array()},
                            {"explorer", {{"selection", nlohmann::json::array()}}}};
  const DriverRun run = run_driver(mailbox);
  EXPECT_EQ(run.output,
            windows_lines(std::string("EntryID values on clipboard:\n"
                                      "\n"
                                      "Creating Mapi class, then listing Outlook folders\n") +
                          nothing_selected_failure()));
  EXPECT_EQ(run.exit_code, 1u);
}

// The driver runs with a console of its own (no window) and its output
// redirected to a pipe: its lines come out in the console's output code page,
// 437, where u-umlaut is 0x81 and CJK letters do not exist.
TEST_F(DriverTest, NamesOutsideTheCodePageShowAsQuestionMarksAndNoCharacterVanishes) {
  nlohmann::json mailbox = mailbox_of({store(
      "Mailbox", "F000", {folder("B\u00fcro", "F001"), folder("\u6771\u4eac Office", "F002")})});
  mailbox["explorer"] = {{"selection", nlohmann::json::array()}};
  const DriverRun run = run_driver(mailbox);
  EXPECT_EQ(run.output,
            windows_lines(std::string("EntryID values on clipboard:\n"
                                      "\n"
                                      "Creating Mapi class, then listing Outlook folders\n"
                                      "  \\\\Mailbox\n"
                                      "  \\\\Mailbox\\B\x81ro\n"
                                      "  \\\\Mailbox\\?? Office\n") +
                          nothing_selected_failure()));
}

TEST_F(DriverTest, FailingMapiInitializeIsReportedWithThePhaseText) {
  nlohmann::json mailbox = simple_mailbox(nlohmann::json::array());
  mailbox["faults"] = {{{"call", "MAPIInitialize"}, {"hr", "MAPI_E_NOT_ENOUGH_MEMORY"}}};
  const DriverRun run = run_driver(mailbox);
  EXPECT_EQ(run.output, windows_lines("EntryID values on clipboard:\n"
                                      "\n"
                                      "Creating Mapi class, then listing Outlook folders\n"
                                      "Exception creating Mapi class: ") +
                            ascii(system_error_text(static_cast<int32_t>(0x8007000E))) + "\r\n");
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(calls(run.mapi_report, "MAPIUninitialize"), 0u);
  // No folder was listed: Outlook was reached for the selection only.
  EXPECT_EQ(calls(run.outlook_report, "Application.CreateInstance"), 1u);
}

TEST_F(DriverTest, OutlookUnreachableForTheFolderListingIsReportedWithThePhaseText) {
  nlohmann::json mailbox = simple_mailbox({"alpha"});
  mailbox["faults"] = {
      {{"call", "Application.CreateInstance"}, {"nth", 2}, {"hr", "CO_E_SERVER_EXEC_FAILURE"}}};
  const DriverRun run = run_driver(mailbox);
  EXPECT_EQ(run.output, windows_lines("EntryID values on clipboard:\n"
                                      "EntryID=outlook:A001\n"
                                      "\n"
                                      "Creating Mapi class, then listing Outlook folders\n"
                                      "Exception interating over Outlook folders: ") +
                            ascii(system_error_text(CO_E_SERVER_EXEC_FAILURE)) + "\r\n");
  EXPECT_EQ(run.exit_code, 1u);
  // The run's Mapi object was built, and destroyed as the failure unwound.
  EXPECT_EQ(calls(run.mapi_report, "MAPIInitialize"), 1u);
  EXPECT_EQ(calls(run.mapi_report, "MAPIUninitialize"), 1u);
}

TEST_F(DriverTest, PercentSignsInNamesArePrintedAsTheyStand) {
  nlohmann::json mailbox =
      mailbox_of({store("Mailbox", "F000", {folder("100% %s %1 done", "F001")})});
  mailbox["explorer"] = {{"selection", nlohmann::json::array()}};
  const DriverRun run = run_driver(mailbox);
  EXPECT_NE(run.output.find("\r\n  \\\\Mailbox\\100% %s %1 done\r\n"), std::string::npos)
      << run.output;
}

}  // namespace
}  // namespace qv::test
