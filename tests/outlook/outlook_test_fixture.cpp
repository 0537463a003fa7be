#include "tests/outlook/outlook_test_fixture.h"

namespace qv::test {

void OutlookTest::use_mailbox(const nlohmann::json& description) {
  const std::wstring path = dir_.file(L"mailbox.json");
  write_mailbox_file(path, description);
  ASSERT_EQ(use_outlook_mailbox(path), S_OK);
}

std::uint64_t OutlookTest::calls(const char* call_point) const {
  const nlohmann::json counted = report()["calls"];
  return counted.contains(call_point) ? counted[call_point].get<std::uint64_t>() : 0;
}

void OutlookTest::expect_everything_released() const {
  const nlohmann::json state = report();
  EXPECT_EQ(state["unreleased_references"], 0) << state["live_objects"].dump();
  EXPECT_TRUE(state["live_objects"].empty()) << state["live_objects"].dump();
}

void OutlookTest::expect_outlook_not_called() const {
  if (::GetModuleHandleW(L"outlook_sim.dll") != nullptr) {
    EXPECT_EQ(report()["calls"], nlohmann::json::object());
  }
}

}  // namespace qv::test
