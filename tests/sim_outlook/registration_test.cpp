// Registration of the simulated Outlook in the prefix, and "Outlook not
// installed" when it is removed. These tests change what every other test
// sees, so they run alone (RUN_SERIAL) and put the registration back.
#include <gtest/gtest.h>

#include <string>

#include "tests/sim_outlook/outlook_client.h"
#include "tests/support/paths.h"
#include "tests/support/process.h"
#include "tests/support/sim_support.h"

namespace qvsim::test {
namespace {

constexpr wchar_t kInprocServerKey[] =
    L"Software\\Classes\\CLSID\\{0006F03A-0000-0000-C000-000000000046}\\InprocServer32";

std::wstring registry_text(const wchar_t* key, const wchar_t* name) {
  wchar_t value[MAX_PATH * 2] = {};
  DWORD size = sizeof(value);
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, nullptr, value, &size) !=
      ERROR_SUCCESS) {
    return L"<missing>";
  }
  return value;
}

std::wstring system_program(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  ::GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder) + L"\\" + name;
}

class OutlookRegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    qv::test::use_outlook_mailbox(qv::test::sample_mailbox_path());
  }
  void TearDown() override { ::CoUninitialize(); }

  qv::test::OutlookRegistrationBackup backup_;
};

TEST_F(OutlookRegistrationTest, RegistersAnApartmentInProcessServerWithProgIds) {
  qv::test::register_outlook_sim();
  qv::test::register_outlook_sim();  // again: no harm
  EXPECT_TRUE(qv::test::outlook_sim_registered());
  EXPECT_EQ(::CompareStringOrdinal(registry_text(kInprocServerKey, nullptr).c_str(), -1,
                                   qv::test::outlook_sim_path().c_str(), -1, TRUE),
            CSTR_EQUAL);
  EXPECT_EQ(registry_text(kInprocServerKey, L"ThreadingModel"), L"Apartment");
  CLSID clsid = {};
  EXPECT_EQ(::CLSIDFromProgID(L"Outlook.Application", &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_OutlookApplication));
  qv::com_ptr<_Application> application;
  EXPECT_EQ(connect_outlook(&application), S_OK);
}

TEST_F(OutlookRegistrationTest, WithoutTheRegistrationOutlookIsNotInstalled) {
  qv::test::unregister_outlook_sim();
  qv::test::unregister_outlook_sim();  // again: no harm
  EXPECT_FALSE(qv::test::outlook_sim_registered());
  qv::com_ptr<_Application> application;
  EXPECT_EQ(connect_outlook(&application), REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(application);
  CLSID clsid = {};
  EXPECT_NE(::CLSIDFromProgID(L"Outlook.Application", &clsid), S_OK);
}

TEST_F(OutlookRegistrationTest, Regsvr32RegistersAndUnregistersTheServer) {
  qv::test::ProcessOptions options;
  options.arguments = {L"/s", L"/u", qv::test::outlook_sim_path()};
  EXPECT_EQ(qv::test::run_process(system_program(L"regsvr32.exe"), options).exit_code, 0u);
  EXPECT_FALSE(qv::test::outlook_sim_registered());
  options.arguments = {L"/s", qv::test::outlook_sim_path()};
  EXPECT_EQ(qv::test::run_process(system_program(L"regsvr32.exe"), options).exit_code, 0u);
  EXPECT_TRUE(qv::test::outlook_sim_registered());
}

}  // namespace
}  // namespace qvsim::test
