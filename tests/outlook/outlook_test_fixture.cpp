#include "tests/outlook/outlook_test_fixture.h"

namespace qv::test {
namespace {

// Adds a report to the reports before it: numbers add up, lists join, the
// other members are the later report's.
void add_report(nlohmann::json& total, const nlohmann::json& report) {
  for (const auto& [name, value] : report.items()) {
    nlohmann::json& into = total[name];
    if (value.is_number_integer() && into.is_number_integer()) {
      into = into.get<std::int64_t>() + value.get<std::int64_t>();
    } else if (value.is_array() && into.is_array()) {
      into.insert(into.end(), value.begin(), value.end());
    } else if (value.is_object() && into.is_object()) {
      add_report(into, value);
    } else {
      into = value;
    }
  }
}

}  // namespace

void OutlookTest::TearDown() {
  if (local_server_mode()) {
    outlook_.reset();
    close_outlook();
  }
  ::CoUninitialize();
}

void OutlookTest::use_mailbox(const nlohmann::json& description) {
  const std::wstring path = dir_.file(L"mailbox.json");
  write_mailbox_file(path, description);
  if (!local_server_mode()) {
    ASSERT_EQ(use_outlook_mailbox(path), S_OK);
    return;
  }
  outlook_.reset();
  close_outlook();
  // The test's own process keeps the variables too: its simulated MAPI reads
  // the description, and a simulated Outlook that COM starts for it later
  // takes them over.
  report_path_ = dir_.file(L"outlook-report.json");
  ::DeleteFileW(report_path_.c_str());
  ASSERT_EQ(use_outlook_mailbox(path), S_OK);
  ::SetEnvironmentVariableW(kOutlookReportVariable, report_path_.c_str());
  ended_ = nlohmann::json::object();
  outlook_ = std::make_unique<RunningOutlook>(std::map<std::wstring, std::optional<std::wstring>>{
      {kMailboxVariable, path}, {kOutlookReportVariable, report_path_}});
}

nlohmann::json OutlookTest::report() {
  if (!local_server_mode()) {
    return outlook_report_now();
  }
  outlook_.reset();
  close_outlook();
  if (path_exists(report_path_)) {
    add_report(ended_, read_report(report_path_));
    ::DeleteFileW(report_path_.c_str());
  }
  return ended_;
}

std::uint64_t OutlookTest::calls(const char* call_point) {
  const nlohmann::json counted = report()["calls"];
  return counted.contains(call_point) ? counted[call_point].get<std::uint64_t>() : 0;
}

void OutlookTest::expect_everything_released() {
  const nlohmann::json state = report();
  EXPECT_EQ(state["unreleased_references"], 0) << state["live_objects"].dump();
  EXPECT_TRUE(state["live_objects"].empty()) << state["live_objects"].dump();
}

void OutlookTest::expect_outlook_not_called() {
  if (local_server_mode()) {
    // COM's calls that register the running server's own object count too:
    // no connection is what shows that the library called nothing.
    EXPECT_EQ(calls("Application.CreateInstance"), 0u) << "Outlook was called";
  } else if (::GetModuleHandleW(L"outlook_sim.dll") != nullptr) {
    EXPECT_EQ(report()["calls"], nlohmann::json::object());
  }
}

}  // namespace qv::test
