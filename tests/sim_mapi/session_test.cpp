// MAPIInitialize and MAPIUninitialize, and the profile routines, which need
// an initialised MAPI.
#include <gtest/gtest.h>

#include "tests/sim_mapi/mapi32_library.h"

namespace qvsim::mapi::test {
namespace {

class SessionTest : public ::testing::Test {
 protected:
  void TearDown() override { set_faults(nullptr); }
  const Mapi32& mapi_ = Mapi32::get();
};

TEST_F(SessionTest, InitialisationsNestAndAreCounted) {
  const nlohmann::json before = report();
  ASSERT_EQ(mapi_.initialize(nullptr), S_OK);
  MAPIINIT_0 init{MAPI_INIT_VERSION, MAPI_MULTITHREAD_NOTIFICATIONS};
  ASSERT_EQ(mapi_.initialize(&init), S_OK);
  EXPECT_EQ(report()["mapi_initialized"], before["mapi_initialized"].get<int>() + 2);
  mapi_.uninitialize();
  mapi_.uninitialize();
  const nlohmann::json after = report();
  EXPECT_EQ(after["mapi_initialized"], before["mapi_initialized"]);
  EXPECT_EQ(after["mapi_initialize_calls"], before["mapi_initialize_calls"].get<int>() + 2);
  EXPECT_EQ(after["mapi_uninitialize_calls"], before["mapi_uninitialize_calls"].get<int>() + 2);
  EXPECT_TRUE(after["mapi_initialize_balanced"].get<bool>());
}

TEST_F(SessionTest, ProfileRoutinesNeedInitialisationAndFindTheDefaultProfileWithoutDescription) {
  ASSERT_EQ(mapi_.reset(nullptr), S_OK);  // QV_SIM_MAILBOX is not set: an empty description
  LPPROFADMIN admin = reinterpret_cast<LPPROFADMIN>(1);
  EXPECT_EQ(mapi_.admin_profiles(0, &admin), MAPI_E_NOT_INITIALIZED);
  EXPECT_EQ(admin, nullptr);
  LPMAPISESSION session = reinterpret_cast<LPMAPISESSION>(1);
  wchar_t profile[] = L"Outlook";
  EXPECT_EQ(mapi_.logon(0, reinterpret_cast<LPTSTR>(profile), nullptr, 0x80008022, &session),
            MAPI_E_NOT_INITIALIZED);
  EXPECT_EQ(session, nullptr);
  ASSERT_EQ(mapi_.initialize(nullptr), S_OK);
  ASSERT_EQ(mapi_.admin_profiles(0, &admin), S_OK);
  admin->Release();
  ASSERT_EQ(mapi_.logon(0, reinterpret_cast<LPTSTR>(profile), nullptr, 0x80008022, &session), S_OK);
  session->Release();
  mapi_.uninitialize();
}

TEST_F(SessionTest, LogonFaultsNameOneProfileOrTheNthLogon) {
  ASSERT_EQ(mapi_.reset(nullptr), S_OK);  // profile "Outlook" only
  ASSERT_EQ(mapi_.initialize(nullptr), S_OK);
  set_faults(R"([{"call": "MAPILogonEx", "only_for": "Home", "hr": "MAPI_E_USER_CANCEL"},
                 {"call": "MAPILogonEx", "nth": 3, "hr": "MAPI_E_NETWORK_ERROR"}])");
  LPMAPISESSION session = nullptr;
  wchar_t work[] = L"Work";
  wchar_t home[] = L"Home";
  EXPECT_EQ(mapi_.logon(0, reinterpret_cast<LPTSTR>(work), nullptr, 0x80008022, &session),
            MAPI_E_LOGON_FAILED);
  EXPECT_EQ(mapi_.logon(0, reinterpret_cast<LPTSTR>(home), nullptr, 0x80008022, &session),
            MAPI_E_USER_CANCEL);
  EXPECT_EQ(mapi_.logon(0, reinterpret_cast<LPTSTR>(work), nullptr, 0x80008022, &session),
            MAPI_E_NETWORK_ERROR);
  char ansi_home[] = "Home";
  EXPECT_EQ(mapi_.logon(0, ansi_home, nullptr, 0, &session), MAPI_E_USER_CANCEL);
  EXPECT_EQ(report()["calls"]["MAPILogonEx"], 4);
  mapi_.uninitialize();
}

}  // namespace
}  // namespace qvsim::mapi::test
