// Runs qv_driver.exe against a mailbox description and collects what it
// printed and what the simulators report.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/paths.h"
#include "tests/support/sim_support.h"

namespace qv::test {

struct DriverRun {
  DWORD exit_code = 0;
  bool timed_out = false;
  std::string output;             // standard output, byte for byte
  std::string error;              // standard error
  nlohmann::json outlook_report;  // null when the simulated Outlook was not activated
  nlohmann::json mapi_report;     // null when the MAPI library was not loaded
};

class DriverTest : public ::testing::Test {
 protected:
  // Registers the simulated Outlook and makes Outlook the mail client.
  static void SetUpTestSuite();

  // Runs the driver against the description (written to a file of the test).
  // Every run is expected to leave clean reports (expect_clean_reports).
  DriverRun run_driver(const nlohmann::json& mailbox);
  // Runs it against a description file.
  DriverRun run_driver_on(const std::wstring& mailbox_path);
  // The same run, without expecting anything of it.
  DriverRun start_driver(const std::wstring& mailbox_path);

  // Expects that the simulated Outlook holds no object the driver took, and
  // that MAPI, when loaded, was initialised and uninitialised equally often,
  // with no MAPI memory left allocated, no MAPI object alive, no session
  // made known to the spooler and no dialog shown (leftovers).
  static void expect_clean_reports(const DriverRun& run);

  TempDir dir_;
  // Further environment of the driver's runs, and how long one may take.
  std::map<std::wstring, std::optional<std::wstring>> environment_;
  DWORD timeout_ms_ = 60000;
};

// What the two reports show left behind (leftovers); empty when the run was
// clean.
std::vector<std::string> report_problems(const DriverRun& run);

// Text in the bytes that the driver writes when its output is redirected
// (code page 1252, "\r\n" line ends): for expected outputs written in ASCII
// with "\n".
std::string windows_lines(const std::string& text);

// The bytes of a text made only of ASCII characters (a system message).
std::string ascii(const std::wstring& text);

}  // namespace qv::test
