// The report of the simulated mapi32.dll, written where QV_SIM_MAPI_REPORT
// says: at the last MAPIUninitialize and at process exit. A child process
// (report_child.cpp) runs each scenario.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/support/paths.h"
#include "tests/support/process.h"
#include "tests/support/sim_support.h"

namespace {

class ReportTest : public ::testing::Test {
 protected:
  qv::test::ProcessResult run(const wchar_t* scenario,
                              const std::wstring& mailbox = std::wstring()) {
    qv::test::ProcessOptions options;
    options.arguments = {scenario};
    options.environment[L"QV_SIM_MAPI_REPORT"] = report_path_;
    options.environment[L"QV_SIM_MAILBOX"] =
        mailbox.empty() ? std::nullopt : std::optional<std::wstring>(mailbox);
    return qv::test::run_process(qv::test::bin_path(L"qvsim_mapi_report_child.exe"), options);
  }

  nlohmann::json report_file() const { return qv::test::read_report(report_path_); }

  static void write_file(const std::wstring& path, const std::string& text) {
    qv::test::write_text_file(path, text);
  }

  qv::test::TempDir folder_;
  std::wstring report_path_ = folder_.file(L"mapi-report.json");
};

TEST_F(ReportTest, TheLastUninitializeReportsBalanceAndLeaks) {
  const qv::test::ProcessResult result = run(L"balanced-with-leaks");
  ASSERT_EQ(result.exit_code, 0u) << result.standard_error;
  const nlohmann::json report = nlohmann::json::parse(result.standard_output);
  EXPECT_EQ(report["component"], "mapi");
  EXPECT_EQ(report["report_reason"], "last_uninitialize");
  EXPECT_EQ(report["mapi_initialize_calls"], 2);
  EXPECT_EQ(report["mapi_uninitialize_calls"], 2);
  EXPECT_TRUE(report["mapi_initialize_balanced"].get<bool>());
  EXPECT_EQ(report["mapi_allocations_outstanding"], 1);
  EXPECT_EQ(report["mapi_bytes_outstanding"], 10);
  ASSERT_EQ(report["live_objects"].size(), 1u);
  EXPECT_EQ(report["live_objects"][0]["kind"], "IStream");
  EXPECT_EQ(report["unreleased_references"], 1);
  // The process's exit writes the report again.
  EXPECT_EQ(report_file()["report_reason"], "process_exit");
}

TEST_F(ReportTest, AnUnbalancedInitialisationShowsAtExit) {
  const qv::test::ProcessResult result = run(L"unbalanced");
  ASSERT_EQ(result.exit_code, 0u);
  const nlohmann::json report = report_file();
  EXPECT_EQ(report["report_reason"], "process_exit");
  EXPECT_EQ(report["mapi_initialize_calls"], 2);
  EXPECT_EQ(report["mapi_uninitialize_calls"], 1);
  EXPECT_EQ(report["mapi_initialized"], 1);
  EXPECT_FALSE(report["mapi_initialize_balanced"].get<bool>());
  EXPECT_EQ(report["mapi_allocations_outstanding"], 0);
}

TEST_F(ReportTest, ASessionNeverReleasedShows) {
  const qv::test::ProcessResult result = run(L"leaked-session");
  ASSERT_EQ(result.exit_code, 0u) << result.standard_error;
  const nlohmann::json report = nlohmann::json::parse(result.standard_output);
  EXPECT_EQ(report["report_reason"], "last_uninitialize");
  EXPECT_TRUE(report["mapi_initialize_balanced"].get<bool>());
  EXPECT_EQ(report["mapi_allocations_outstanding"], 0);  // the row set was never read
  EXPECT_EQ(report["logons"], 1);
  EXPECT_EQ(report["calls"]["IProfAdmin.GetProfileTable"], 1);
  ASSERT_EQ(report["live_objects"].size(), 1u);
  EXPECT_EQ(report["live_objects"][0]["kind"], "IMAPISession");
  EXPECT_EQ(report["live_objects"][0]["references"], 1);
  EXPECT_EQ(report["unreleased_references"], 1);
  EXPECT_EQ(report["mailbox"], "");  // no description: the default profile alone
}

TEST_F(ReportTest, AnUnreadableDescriptionFailsInitialisationAndSaysWhy) {
  const std::wstring mailbox = folder_.file(L"mailbox.json");
  write_file(mailbox,
             R"({"stores": [{"display_name": "A", "top_folder": {"items": [{"subjekt": "x"}]}}]})");
  const qv::test::ProcessResult result = run(L"mailbox-faults", mailbox);
  EXPECT_EQ(result.standard_output, "8004011B 00000000\r\n");  // MAPI_E_CORRUPT_DATA
  const std::string error = report_file()["mailbox_error"].get<std::string>();
  EXPECT_NE(error.find("stores[0].top_folder.items[0]"), std::string::npos) << error;
}

TEST_F(ReportTest, FaultsComeFromTheMailboxDescription) {
  const std::wstring mailbox = folder_.file(L"mailbox.json");
  write_file(
      mailbox,
      R"({"stores": [], "faults": [{"call": "MAPIAllocateBuffer", "hr": "MAPI_E_NOT_ENOUGH_MEMORY"}]})");
  qv::test::ProcessResult result = run(L"mailbox-faults", mailbox);
  // Text-mode standard output ends lines with CR LF.
  EXPECT_EQ(result.standard_output, "00000000 8007000E\r\n");
  write_file(mailbox, "not json");
  result = run(L"mailbox-faults", mailbox);
  EXPECT_EQ(result.standard_output, "8004011B 00000000\r\n");  // MAPI_E_CORRUPT_DATA
}

}  // namespace
