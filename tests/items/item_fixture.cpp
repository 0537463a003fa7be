#include "tests/items/item_fixture.h"

#include <windows.h>

#include <cwchar>

#include "mapi/mapi.h"

namespace qv::test {

void ItemTest::SetUpTestSuite() {
  register_outlook_sim();
  use_outlook_as_default_mail_client();
}

void ItemTest::SetUp() { ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr))); }

void ItemTest::TearDown() {
  shared_mapi(true);
  const nlohmann::json mapi = mapi_report_now();
  EXPECT_EQ(mapi.value("mapi_initialized", 0), 0) << mapi.dump(2);
  EXPECT_EQ(mapi.value("mapi_allocations_outstanding", 0), 0) << mapi.dump(2);
  EXPECT_EQ(mapi.value("unreleased_references", 0), 0) << mapi["live_objects"].dump();
  EXPECT_EQ(mapi.value("released_after_uninitialize", 0), 0);
  EXPECT_EQ(mapi.value("spooler_sessions", 0), 0);
  EXPECT_EQ(mapi.value("dialogs", nlohmann::json::array()), nlohmann::json::array());
  if (::GetModuleHandleW(L"outlook_sim.dll") != nullptr) {
    const nlohmann::json outlook = outlook_report_now();
    EXPECT_EQ(outlook.value("unreleased_references", 0), 0) << outlook["live_objects"].dump();
  }
  set_mapi_faults(nullptr);
  ::CoUninitialize();
}

void ItemTest::serve(const nlohmann::json& description) {
  shared_mapi(true);
  const std::wstring path = dir_.file(L"mailbox.json");
  write_mailbox_file(path, description);
  ASSERT_EQ(use_mapi_mailbox(path), S_OK);
  ASSERT_EQ(use_outlook_mailbox(path), S_OK);
}

std::wstring item_url(const std::string& hex_digits) {
  return L"outlook:" + std::wstring(hex_digits.begin(), hex_digits.end());
}

double ole_automation_date(int year, int month, int day, int hour, int minute, int second) {
  // Days from 1 March of year 0 in the proleptic Gregorian calendar, with
  // January and February counted at the end of the year before.
  const int y = month <= 2 ? year - 1 : year;
  const int shifted_month = month <= 2 ? month + 9 : month - 3;
  const long days = 365L * y + y / 4 - y / 100 + y / 400 + (153 * shifted_month + 2) / 5 + day - 1;
  // The same count for 30 December 1899, day 0 of the OLE calendar.
  constexpr long kDayZero =
      365L * 1899 + 1899 / 4 - 1899 / 100 + 1899 / 400 + (153 * 9 + 2) / 5 + 29;
  return static_cast<double>(days - kDayZero) + (hour * 3600 + minute * 60 + second) / 86400.0;
}

std::wstring five_decimals(double value) {
  wchar_t text[400];
  std::swprintf(text, std::size(text), L"%.5f", value);
  return text;
}

}  // namespace qv::test
