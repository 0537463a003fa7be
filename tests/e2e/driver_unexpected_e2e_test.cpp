// qv_driver.exe when an exception outside the library's error model reaches
// its entry point: a text conversion that fails (CAtlException) and memory
// that cannot be had (a standard exception). The simulated MAPI, which the
// driver imports, feigns the failures of the platform's routines that the
// driver calls ("program." faults).
#include "tests/e2e/driver_run.h"
#include "tests/support/mailbox_json.h"

namespace qv::test {
namespace {

constexpr char kSelectionAndFolders[] =
    "EntryID values on clipboard:\n"
    "EntryID=outlook:A001\n"
    "\n"
    "Creating Mapi class, then listing Outlook folders\n";

TEST_F(DriverTest, ExceptionsOutsideTheErrorModelEndWithADiagnosticAndExitCode2) {
  const struct {
    const char* call_point;
    nlohmann::json fault;
    std::string output;
    const char* error;
  } cases[] = {
      // The URL's digits in the thread's code page (CP_THREAD_ACP, 3), in
      // the item phase.
      {"program.WideCharToMultiByte",
       {{"call", "program.WideCharToMultiByte"}, {"only_for", "3"}, {"hr", "0x80070459"}},
       std::string(kSelectionAndFolders) +
           "  \\\\Mailbox\n  \\\\Mailbox\\Calendar\n  \\\\Mailbox\\Inbox\n"
           "  \\\\Mailbox\\Inbox\\Projects\n  \\\\Mailbox\\Long\n",
       "qv_driver: unexpected exception: CAtlException 0x80070459\n"},
      // The text of a folder's EntryID of 1.2 MB, in the folder phase.
      {"program.malloc",
       {{"call", "program.malloc"}, {"nth", 1}},
       kSelectionAndFolders,
       "qv_driver: unexpected exception: std::exception std::bad_alloc\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call_point);
    nlohmann::json mailbox = mailbox_of({simple_store()});
    mailbox["stores"][0]["top_folder"]["folders"].push_back(
        {{"name", "Long"}, {"entry_id", std::string(600000, 'E')}});
    mailbox["explorer"] = {{"selection", {"alpha"}}};
    mailbox["faults"] = {c.fault};
    const DriverRun run = run_driver(mailbox);
    EXPECT_EQ(run.output, windows_lines(c.output));
    EXPECT_EQ(run.error, windows_lines(c.error));
    EXPECT_EQ(run.exit_code, 2u);
    EXPECT_GE(calls(run.mapi_report, c.call_point), 1u);
  }
}

}  // namespace
}  // namespace qv::test
