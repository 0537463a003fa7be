// The fixture of the tests that open items in process, against the
// simulated Outlook and the simulated MAPI, both serving one description.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "tests/support/mailbox_json.h"
#include "tests/support/paths.h"
#include "tests/support/sim_support.h"
#include "tests/support/text.h"

namespace qv::test {

class ItemTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  // Ends the shared Mapi instance, then expects both simulators clean: no
  // object alive, no MAPI memory allocated, MAPI uninitialised, no session
  // made known to the spooler and no dialog shown.
  void TearDown() override;

  // Serves the description to both simulators from now on, with their call
  // counts started afresh, and ends the shared Mapi instance, so that the
  // next item opened logs on to this mailbox.
  void serve(const nlohmann::json& description);

  // A file of the test's own temporary folder.
  std::wstring file(const wchar_t* name) const { return dir_.file(name); }

  TempDir dir_;
};

// "outlook:" followed by the digits.
std::wstring item_url(const std::string& hex_digits);

// The OLE automation date of a UTC time, days since 30 December 1899 with
// the time of day as their fraction, counted by the calendar's own rule
// rather than by the platform's conversion.
double ole_automation_date(int year, int month, int day, int hour = 0, int minute = 0,
                           int second = 0);
// A number as field_text writes dates and doubles: five decimals.
std::wstring five_decimals(double value);

}  // namespace qv::test
