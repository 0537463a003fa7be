// The fixture of the tests that run the library's Outlook automation, in
// process, against the simulated Outlook.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
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
  void TearDown() override { ::CoUninitialize(); }

  // Serves this description from now on.
  void use_mailbox(const nlohmann::json& description);

  // What the simulated Outlook has counted so far, and what is still alive.
  nlohmann::json report() const { return outlook_report_now(); }
  std::uint64_t calls(const char* call_point) const;
  // Expects that the library holds no reference to any Outlook object.
  void expect_everything_released() const;
  // Expects that nothing of Outlook was called since the mailbox was served.
  // Once activated, the simulated Outlook stays loaded in the process, so
  // an earlier test may have loaded it: its calls since the reset count.
  void expect_outlook_not_called() const;

  TempDir dir_;
};

}  // namespace qv::test
