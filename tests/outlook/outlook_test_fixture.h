// The fixture of the tests that run the library's Outlook automation against
// the simulated Outlook: in the test's own process, or (QV_SIM_MODE=local) in
// a process of its own, as Outlook runs for every user.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/mailbox_json.h"
#include "tests/support/paths.h"
#include "tests/support/sim_support.h"

namespace qv::test {

class OutlookTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    register_outlook_sim();
    use_outlook_as_default_mail_client();
  }
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr))); }
  void TearDown() override;

  // Serves this description from now on, with the counts started afresh. In
  // the local-server mode a simulated Outlook is started on it, as a user
  // starts Outlook, after any that runs has been closed.
  void use_mailbox(const nlohmann::json& description);

  // What the simulated Outlook has counted so far, and what is still alive.
  // The local server reports when it ends: it is closed for this (a later
  // call of the test starts it again, through COM), and the reports of the
  // Outlooks of one test add up.
  nlohmann::json report();
  std::uint64_t calls(const char* call_point);
  // Expects that the library holds no reference to any Outlook object.
  void expect_everything_released();
  // Expects that nothing of Outlook was called since the mailbox was served.
  // Once activated, the simulated Outlook stays loaded in the process, so
  // an earlier test may have loaded it: its calls since the reset count. The
  // local server: no connection since the mailbox was served.
  void expect_outlook_not_called();

  TempDir dir_;

 private:
  std::wstring report_path_;
  std::unique_ptr<RunningOutlook> outlook_;
  nlohmann::json ended_ = nlohmann::json::object();  // the local servers' reports, added up
};

}  // namespace qv::test
