#include "tests/e2e/driver_run.h"

#include "tests/support/process.h"
#include "tests/support/sim_support.h"

namespace qv::test {
namespace {

nlohmann::json read_report_if_written(const std::wstring& path) {
  return path_exists(path) ? read_report(path) : nlohmann::json();
}

}  // namespace

void DriverTest::SetUpTestSuite() {
  register_outlook_sim();
  use_outlook_as_default_mail_client();
}

DriverRun DriverTest::run_driver(const nlohmann::json& mailbox) {
  const std::wstring path = dir_.file(L"mailbox.json");
  write_mailbox_file(path, mailbox);
  return run_driver_on(path);
}

DriverRun DriverTest::run_driver_on(const std::wstring& mailbox_path) {
  DriverRun run = start_driver(mailbox_path);
  EXPECT_FALSE(run.timed_out);
  expect_clean_reports(run);
  return run;
}

DriverRun DriverTest::start_driver(const std::wstring& mailbox_path) {
  const std::wstring outlook_report = dir_.file(L"outlook-report.json");
  const std::wstring mapi_report = dir_.file(L"mapi-report.json");
  ::DeleteFileW(outlook_report.c_str());
  ::DeleteFileW(mapi_report.c_str());
  if (local_server_mode() && !wait_until_outlook_ended(20000)) {
    close_outlook();  // left running by another program: the driver starts its own
  }
  ProcessOptions options;
  options.environment = environment_;
  options.timeout_ms = timeout_ms_;
  options.environment[L"QV_SIM_MAILBOX"] = mailbox_path;
  options.environment[L"QV_SIM_OUTLOOK_REPORT"] = outlook_report;
  options.environment[L"QV_SIM_MAPI_REPORT"] = mapi_report;
  const ProcessResult result = run_process(bin_path(L"qv_driver.exe"), options);
  DriverRun run;
  run.exit_code = result.exit_code;
  run.timed_out = result.timed_out;
  run.output = result.standard_output;
  run.error = result.standard_error;
  // The local server that the driver's activation started ends after it.
  run.outlook_report = outlook_report_of_run(outlook_report);
  run.mapi_report = read_report_if_written(mapi_report);
  return run;
}

void DriverTest::expect_clean_reports(const DriverRun& run) {
  for (const std::string& problem : report_problems(run)) {
    ADD_FAILURE() << problem;
  }
}

std::vector<std::string> report_problems(const DriverRun& run) {
  std::vector<std::string> problems = leftovers(run.outlook_report);
  for (std::string& problem : leftovers(run.mapi_report)) {
    problems.push_back(std::move(problem));
  }
  return problems;
}

std::string windows_lines(const std::string& text) {
  std::string result;
  for (const char c : text) {
    if (c == '\n') {
      result.push_back('\r');
    }
    result.push_back(c);
  }
  return result;
}

std::string ascii(const std::wstring& text) {
  std::string result;
  for (const wchar_t c : text) {
    EXPECT_LT(c, 0x80) << "not an ASCII text";
    result.push_back(static_cast<char>(c));
  }
  return result;
}

}  // namespace qv::test
