// qv_driver.exe with the Outlook registration and the mail-client keys of the
// registry in each of their states.
#include "errors/exceptions.h"
#include "tests/e2e/driver_run.h"
#include "tests/support/mailbox_json.h"
#include "tests/support/registry.h"
#include "tests/support/sim_support.h"

namespace qv::test {
namespace {

constexpr char kPhaseOne[] =
    "EntryID values on clipboard:\n"
    "EntryID=outlook:A001\n";
constexpr char kAnnouncement[] = "\nCreating Mapi class, then listing Outlook folders\n";
constexpr char kFolders[] =
    "  \\\\Mailbox\n"
    "  \\\\Mailbox\\Calendar\n"
    "  \\\\Mailbox\\Inbox\n"
    "  \\\\Mailbox\\Inbox\\Projects\n";
constexpr char kTitle[] = "\nFirst selected object title = Alpha\n";
constexpr char kLocateFailure[] =
    "Exception creating Mapi class: Failed to locate Outlook Extended MAPI DLL\n";

class DriverRegistryTest : public DriverTest {
 protected:
  void SetUp() override { delete_registry_tree(HKEY_LOCAL_MACHINE, kMailKey); }

  DriverRun run() {
    nlohmann::json mailbox = mailbox_of({simple_store()});
    mailbox["explorer"] = {{"selection", {"alpha"}}};
    return run_driver(mailbox);
  }
  // The output of a run whose folder phase got as far as this.
  static std::string output_with(const std::string& after_announcement) {
    return windows_lines(std::string(kPhaseOne) + kAnnouncement + after_announcement);
  }
  static void set_default_client(const std::wstring& name) {
    set_registry_text(HKEY_LOCAL_MACHINE, kMailKey, nullptr, name);
  }
  static void set_dll_path(const std::wstring& path, DWORD type = REG_SZ) {
    set_registry_text(HKEY_LOCAL_MACHINE, kOutlookKey, L"DllPathEx", path, type);
  }
  // Once for the run's own Mapi object, once for the shared one.
  static void expect_mapi_initialised_twice(const DriverRun& run) {
    EXPECT_EQ(calls(run.mapi_report, "MAPIInitialize"), 2u);
    EXPECT_EQ(calls(run.mapi_report, "MAPIUninitialize"), 2u);
  }

  RegistryBackup mail_keys_{HKEY_LOCAL_MACHINE, kMailKey};
};

TEST_F(DriverRegistryTest, OutlookNotRegistered) {
  set_default_client(L"Microsoft Outlook");
  const OutlookRegistrationBackup registration;
  unregister_outlook_sim();
  const DriverRun run = this->run();
  EXPECT_EQ(run.output, windows_lines("Retrieving Clipboard Url(s): " +
                                      ascii(system_error_text(REGDB_E_CLASSNOTREG)) + "\n"));
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_TRUE(run.outlook_report.is_null()) << "the server was activated";
  // mapi32.dll is loaded with the program, for the routines it imports; no
  // MAPI routine was called.
  EXPECT_TRUE(run.mapi_report["calls"].empty()) << run.mapi_report.dump();
}

TEST_F(DriverRegistryTest, OutlookAsDefaultClientInCapitals) {
  set_default_client(L"MICROSOFT OUTLOOK");
  set_dll_path(L"C:\\never\\loaded.dll");
  const DriverRun run = this->run();
  EXPECT_EQ(run.output, output_with(std::string(kFolders) + kTitle));
  expect_mapi_initialised_twice(run);
}

TEST_F(DriverRegistryTest, AnotherClientWithDllPathExAsText) {
  set_default_client(L"Native Mail Client");
  set_dll_path(bin_path(L"olmapi32.dll"));
  const DriverRun run = this->run();
  EXPECT_EQ(run.output, output_with(std::string(kFolders) + kTitle));
  // Outlook's library forwards to mapi32.dll: one MAPI state, one report.
  expect_mapi_initialised_twice(run);
  // Each Mapi object holds mapi32.dll itself while MAPI initialises.
  EXPECT_EQ(run.mapi_report["program_references_at_initialize"], nlohmann::json({1, 1}));
}

TEST_F(DriverRegistryTest, DllPathExAsMultiStringUsesItsFirstString) {
  const std::wstring list = bin_path(L"olmapi32.dll") + L'\0' + L"C:\\second.dll" + L'\0';
  set_registry_value(HKEY_LOCAL_MACHINE, kOutlookKey, L"DllPathEx", REG_MULTI_SZ, list.c_str(),
                     static_cast<DWORD>((list.size() + 1) * sizeof(wchar_t)));
  const DriverRun run = this->run();
  EXPECT_EQ(run.output, output_with(std::string(kFolders) + kTitle));
  expect_mapi_initialised_twice(run);
}

TEST_F(DriverRegistryTest, ExpandableDllPathExIsLoadedUnexpanded) {
  ::SetEnvironmentVariableW(L"QV_MAPI_FOLDER", bin_dir().c_str());
  set_dll_path(L"%QV_MAPI_FOLDER%\\olmapi32.dll", REG_EXPAND_SZ);
  const DriverRun run = this->run();
  // No file has that literal name: the load fails with the module not found.
  EXPECT_EQ(run.output,
            output_with("Exception creating Mapi class: " +
                        ascii(system_error_text(static_cast<int32_t>(0x8007007E))) + "\n"));
  EXPECT_EQ(run.exit_code, 1u);
  // mapi32.dll is loaded with the program, for the routines it imports; no
  // MAPI routine was called.
  EXPECT_TRUE(run.mapi_report["calls"].empty()) << run.mapi_report.dump();
}

TEST_F(DriverRegistryTest, DllPathExThatIsNoTextFailsToLocate) {
  set_registry_dword(HKEY_LOCAL_MACHINE, kOutlookKey, L"DllPathEx", 1);
  DriverRun run = this->run();
  EXPECT_EQ(run.output, output_with(kLocateFailure));
  EXPECT_EQ(run.exit_code, 1u);
  const std::wstring unterminated = bin_path(L"olmapi32.dll");
  set_registry_value(HKEY_LOCAL_MACHINE, kOutlookKey, L"DllPathEx", REG_SZ, unterminated.data(),
                     static_cast<DWORD>(unterminated.size() * sizeof(wchar_t)));
  run = this->run();
  EXPECT_EQ(run.output, output_with(kLocateFailure));
  EXPECT_EQ(run.exit_code, 1u);
}

TEST_F(DriverRegistryTest, DllPathExOf260CharactersIsUsedAndOf261FailsToLocate) {
  const std::wstring longest = L"C:\\" + std::wstring(251, L'q') + L"\\m.dll";
  ASSERT_EQ(longest.size(), 260u);
  set_dll_path(longest);
  DriverRun run = this->run();
  // Read whole: the load fails for want of the file, not for the length.
  EXPECT_EQ(run.output,
            output_with("Exception creating Mapi class: " +
                        ascii(system_error_text(static_cast<int32_t>(0x8007007E))) + "\n"));
  set_dll_path(longest + L"q");
  run = this->run();
  EXPECT_EQ(run.output, output_with(kLocateFailure));
}

TEST_F(DriverRegistryTest, MissingKeysFailToLocate) {
  const DriverRun run = this->run();
  EXPECT_EQ(run.output, output_with(kLocateFailure));
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(run.error, "");
}

TEST_F(DriverRegistryTest, LibraryWithoutMapiInitialize) {
  set_dll_path(bin_path(L"mapi_without_initialize.dll"));
  const DriverRun run = this->run();
  EXPECT_EQ(run.output,
            output_with("Exception creating Mapi class: " +
                        ascii(system_error_text(static_cast<int32_t>(0x80004005))) + "\n"));
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(calls(run.mapi_report, "MAPIInitialize"), 0u);
}

// Both Mapi objects load the library that DllPathEx names; the shared one
// then misses an entry point of the logon, which counts as E_FAIL.
TEST_F(DriverRegistryTest, LibraryWithoutAdminProfilesOrLogon) {
  for (const wchar_t* library : {L"mapi_without_logon.dll", L"mapi_without_logon_ex.dll"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(library)));
    set_dll_path(bin_path(library));
    const DriverRun run = this->run();
    EXPECT_EQ(run.output,
              output_with(std::string(kFolders) + "Exception accessing MAPI object: " +
                          ascii(system_error_text(static_cast<int32_t>(0x80004005))) + "\n"));
    EXPECT_EQ(run.exit_code, 1u);
    EXPECT_EQ(calls(run.mapi_report, "MAPILogonEx"), 0u);
    expect_mapi_initialised_twice(run);
  }
}

}  // namespace
}  // namespace qv::test
