// Locating, loading and initialising the MAPI library; the shared instance.
#include "mapi/mapi.h"

#include <gtest/gtest.h>
#include <mapix.h>

#include <string>

#include "errors/exceptions.h"
#include "tests/support/paths.h"
#include "tests/support/registry.h"
#include "tests/support/sim_support.h"

namespace qv {
namespace {

using test::delete_registry_tree;
using test::kMailKey;
using test::kOutlookKey;
using test::set_registry_dword;
using test::set_registry_text;
using test::set_registry_value;

constexpr wchar_t kLocateFailure[] = L"Failed to locate Outlook Extended MAPI DLL";

// Every test starts without mail-client keys and gets back the prefix's own.
class MapiLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override { delete_registry_tree(HKEY_LOCAL_MACHINE, kMailKey); }

  static void set_default_client(const std::wstring& name) {
    set_registry_text(HKEY_LOCAL_MACHINE, kMailKey, nullptr, name);
  }
  static void set_dll_path(const std::wstring& path, DWORD type = REG_SZ) {
    set_registry_text(HKEY_LOCAL_MACHINE, kOutlookKey, L"DllPathEx", path, type);
  }
  static void set_dll_path_bytes(const std::wstring& text, DWORD type) {
    set_registry_value(HKEY_LOCAL_MACHINE, kOutlookKey, L"DllPathEx", type, text.data(),
                       static_cast<DWORD>(text.size() * sizeof(wchar_t)));
  }
  static void expect_locate_failure() {
    try {
      locate_mapi_dll();
      FAIL() << "no exception";
    } catch (const win32_error&) {
      FAIL() << "a named failure must be truntime_error, not win32_error";
    } catch (const truntime_error& e) {
      EXPECT_EQ(e.message(), kLocateFailure);
    }
  }
  static bool is_loaded(const wchar_t* module) { return ::GetModuleHandleW(module) != nullptr; }

  test::RegistryBackup backup_{HKEY_LOCAL_MACHINE, kMailKey};
};

TEST_F(MapiLibraryTest, OutlookAsDefaultClientInAnyLetterCaseMeansTheSystemLibrary) {
  set_default_client(L"MICROSOFT OUTLOOK");
  set_dll_path(L"C:\\not\\read.dll");
  EXPECT_EQ(locate_mapi_dll(), L"mapi32.dll");
  set_default_client(L"microsoft outlook");
  EXPECT_EQ(locate_mapi_dll(), L"mapi32.dll");
}

TEST_F(MapiLibraryTest, AnotherDefaultClientUsesDllPathEx) {
  set_default_client(L"Native Mail Client");
  set_dll_path(L"C:\\Program Files\\Microsoft Office\\root\\Office16\\OLMAPI32.DLL");
  EXPECT_EQ(locate_mapi_dll(),
            L"C:\\Program Files\\Microsoft Office\\root\\Office16\\OLMAPI32.DLL");
}

TEST_F(MapiLibraryTest, UnusableDefaultValueFallsBackToDllPathEx) {
  set_registry_dword(HKEY_LOCAL_MACHINE, kMailKey, nullptr, 1);
  set_dll_path(L"C:\\a.dll");
  EXPECT_EQ(locate_mapi_dll(), L"C:\\a.dll");
  // Only the default client's name counts, not a longer text that starts with it.
  set_default_client(L"Microsoft Outlook 2016");
  EXPECT_EQ(locate_mapi_dll(), L"C:\\a.dll");
}

TEST_F(MapiLibraryTest, ExpandableTextIsUsedUnexpanded) {
  set_dll_path(L"%ProgramFiles%\\Outlook\\olmapi32.dll", REG_EXPAND_SZ);
  EXPECT_EQ(locate_mapi_dll(), L"%ProgramFiles%\\Outlook\\olmapi32.dll");
}

TEST_F(MapiLibraryTest, MultiStringGivesItsFirstString) {
  set_dll_path_bytes(std::wstring(L"C:\\first.dll\0C:\\second.dll\0\0", 29), REG_MULTI_SZ);
  EXPECT_EQ(locate_mapi_dll(), L"C:\\first.dll");
}

TEST_F(MapiLibraryTest, ValuesThatAreNoTextFailToLocate) {
  {
    SCOPED_TRACE("REG_DWORD");
    set_registry_dword(HKEY_LOCAL_MACHINE, kOutlookKey, L"DllPathEx", 42);
    expect_locate_failure();
  }
  {
    SCOPED_TRACE("REG_SZ without terminator");
    set_dll_path_bytes(L"C:\\no\\terminator.dll", REG_SZ);
    expect_locate_failure();
  }
  {
    SCOPED_TRACE("REG_MULTI_SZ with one terminator");
    set_dll_path_bytes(std::wstring(L"C:\\one\\null.dll\0", 16), REG_MULTI_SZ);
    expect_locate_failure();
  }
  {
    SCOPED_TRACE("REG_SZ of an odd byte count");
    set_registry_value(HKEY_LOCAL_MACHINE, kOutlookKey, L"DllPathEx", REG_SZ, "\0\0\0", 3);
    expect_locate_failure();
  }
}

TEST_F(MapiLibraryTest, TextOf260CharactersIsReadWholeAndLongerFails) {
  const std::wstring longest = L"C:\\" + std::wstring(253, L'x') + L".dll";
  ASSERT_EQ(longest.size(), 260u);
  set_dll_path(longest);
  EXPECT_EQ(locate_mapi_dll(), longest);
  set_dll_path(longest + L"y");
  expect_locate_failure();
}

TEST_F(MapiLibraryTest, MissingKeysOrValueFailToLocate) {
  expect_locate_failure();
  set_default_client(L"Native Mail Client");
  expect_locate_failure();
  set_registry_text(HKEY_LOCAL_MACHINE, kOutlookKey, L"DLLPath", L"C:\\other.dll");
  expect_locate_failure();
}

TEST_F(MapiLibraryTest, LoadLibraryReportsTheLastErrorOrNull) {
  EXPECT_EQ(load_library(L"qv_no_such_mapi.dll", false, false), nullptr);
  try {
    load_library(L"qv_no_such_mapi.dll", false, true);
    FAIL() << "no exception";
  } catch (const win32_error& e) {
    EXPECT_EQ(e.code(), ERROR_MOD_NOT_FOUND);
  }
  const std::wstring path = test::bin_path(L"mapi_without_logon.dll");
  HMODULE as_data = load_library(path.c_str(), true, true);
  ASSERT_NE(as_data, nullptr);
  ::FreeLibrary(as_data);
}

TEST_F(MapiLibraryTest, ConstructsThroughTheDllPathExRouteAndFreesTheLibrary) {
  set_dll_path(test::bin_path(L"olmapi32.dll"));
  {
    Mapi mapi;
    EXPECT_EQ(mapi.library_handle(), ::GetModuleHandleW(L"olmapi32.dll"));
    EXPECT_NE(::GetProcAddress(mapi.library_handle(), "MAPILogonEx"), nullptr);
  }
  EXPECT_FALSE(is_loaded(L"olmapi32.dll"));
}

TEST_F(MapiLibraryTest, MissingMapiInitializeIsEFailAndTheLibraryIsFreed) {
  set_dll_path(test::bin_path(L"mapi_without_initialize.dll"));
  try {
    Mapi mapi;
    FAIL() << "no exception";
  } catch (const win32_error& e) {
    EXPECT_EQ(static_cast<uint32_t>(e.code()), 0x80004005u);
    EXPECT_EQ(e.message(), system_error_text(static_cast<int32_t>(0x80004005)));
  }
  EXPECT_FALSE(is_loaded(L"mapi_without_initialize.dll"));
}

TEST_F(MapiLibraryTest, MissingMapiUninitializeIsSkippedAndTheLibraryIsFreed) {
  set_dll_path(test::bin_path(L"mapi_without_uninitialize.dll"));
  const nlohmann::json before = test::mapi_report_now();
  {
    Mapi mapi;
    EXPECT_TRUE(is_loaded(L"mapi_without_uninitialize.dll"));
  }
  EXPECT_FALSE(is_loaded(L"mapi_without_uninitialize.dll"));
  const nlohmann::json after = test::mapi_report_now();
  EXPECT_EQ(test::calls(after, "MAPIInitialize") - test::calls(before, "MAPIInitialize"), 1u);
  EXPECT_EQ(test::calls(after, "MAPIUninitialize"), test::calls(before, "MAPIUninitialize"));
  // The initialisation that the library could not end, ended here.
  const auto uninitialize = reinterpret_cast<LPMAPIUNINITIALIZE>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleW(L"mapi32.dll"), "MAPIUninitialize")));
  ASSERT_NE(uninitialize, nullptr);
  uninitialize();
  EXPECT_EQ(test::mapi_report_now().value("mapi_initialized", -1), 0);
}

TEST_F(MapiLibraryTest, UnloadableLibraryIsWin32ErrorFromTheLastError) {
  set_dll_path(L"%ProgramFiles%\\qv\\olmapi32.dll", REG_EXPAND_SZ);
  try {
    Mapi mapi;
    FAIL() << "no exception";
  } catch (const win32_error& e) {
    EXPECT_EQ(e.code(), ERROR_MOD_NOT_FOUND);
  }
}

TEST_F(MapiLibraryTest, ConstructorFailureLeavesNoSharedInstanceAndTheNextCallRetries) {
  try {
    shared_mapi(false);
    FAIL() << "no exception";
  } catch (const truntime_error& e) {
    EXPECT_EQ(e.message(), kLocateFailure);
  }
  set_dll_path(test::bin_path(L"olmapi32.dll"));
  Mapi* first = shared_mapi(false);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(shared_mapi(false), first);
  EXPECT_EQ(shared_mapi(true), nullptr);
  EXPECT_FALSE(is_loaded(L"olmapi32.dll"));
  Mapi* second = shared_mapi(false);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(is_loaded(L"olmapi32.dll"));
  shared_mapi(true);
}

}  // namespace
}  // namespace qv
