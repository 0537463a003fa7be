#include "tests/items/item_fixture.h"

#include <windows.h>

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

std::wstring wide(const std::string& utf8) {
  const int size =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
  return text;
}

}  // namespace qv::test
