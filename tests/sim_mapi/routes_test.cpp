// The libraries of the registry routes by which the product finds MAPI:
// mapi32.dll by name is the simulated one, Outlook's olmapi32.dll (loaded
// by full path) shares its MAPI state, and the two failure libraries lack
// exactly their entry points.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/sim_mapi/mapi_session.h"

namespace qvsim::mapi::test {
namespace {

constexpr const char* kSessionRoutines[] = {"MAPIInitialize", "MAPIUninitialize",
                                            "MAPIAdminProfiles", "MAPILogonEx"};

// A library loaded by full path from the bin folder, freed at the end.
class Library {
 public:
  explicit Library(const wchar_t* file)
      : module_(::LoadLibraryW(qv::test::bin_path(file).c_str())) {}
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  ~Library() {
    if (module_ != nullptr) {
      ::FreeLibrary(module_);
    }
  }
  HMODULE module() const { return module_; }
  FARPROC routine(const char* name) const { return ::GetProcAddress(module_, name); }
  template <typename T>
  T as(const char* name) const {
    return reinterpret_cast<T>(reinterpret_cast<void*>(routine(name)));
  }

 private:
  HMODULE module_;
};

TEST(RoutesTest, Mapi32ByNameIsTheSimulatedLibrary) {
  HMODULE by_name = ::LoadLibraryW(L"mapi32.dll");
  ASSERT_NE(by_name, nullptr);
  EXPECT_EQ(by_name, Mapi32::get().module);
  EXPECT_NE(::GetProcAddress(by_name, "QvSimMapiGetReport"), nullptr);
  ::FreeLibrary(by_name);
}

TEST(RoutesTest, OutlooksLibraryByFullPathSharesTheMapiState) {
  const Mapi32& mapi32 = Mapi32::get();
  ServedDescription served;  // the sample, served by mapi32.dll; MAPI initialised once through it
  Library outlook(L"olmapi32.dll");
  ASSERT_NE(outlook.module(), nullptr);
  for (const char* name : kSessionRoutines) {
    EXPECT_EQ(outlook.routine(name), mapi32.by_name(name)) << name;  // forwarded, not copied
  }
  const auto initialize = outlook.as<LPMAPIINITIALIZE>("MAPIInitialize");
  const auto logon_ex = outlook.as<LPMAPILOGONEX>("MAPILogonEx");
  const int initialized = report()["mapi_initialized"].get<int>();
  ASSERT_EQ(initialize(nullptr), S_OK);
  EXPECT_EQ(report()["mapi_initialized"], initialized + 1);
  wchar_t work[] = L"Work";
  qv::com_ptr<IMAPISession> session;
  ASSERT_EQ(logon_ex(0, reinterpret_cast<LPTSTR>(work), nullptr, kProductLogonFlags, session.put()),
            S_OK);
  session.reset();
  mapi32.uninitialize();  // ends the initialisation made through olmapi32.dll
  const nlohmann::json report = test::report();
  EXPECT_EQ(report["logons"], 1);
  EXPECT_EQ(report["calls"]["MAPILogonEx"], 1);
  EXPECT_EQ(report["mapi_initialized"], initialized);
}

TEST(RoutesTest, TheFailureLibrariesLackExactlyTheirEntryPoints) {
  struct Expected {
    const wchar_t* file;
    std::set<std::string> missing;
  };
  for (const Expected& expected :
       {Expected{L"mapi_without_initialize.dll", {"MAPIInitialize"}},
        Expected{L"mapi_without_uninitialize.dll", {"MAPIUninitialize"}},
        Expected{L"mapi_without_logon.dll", {"MAPIAdminProfiles", "MAPILogonEx"}},
        Expected{L"mapi_without_logon_ex.dll", {"MAPILogonEx"}}}) {
    Library library(expected.file);
    ASSERT_NE(library.module(), nullptr);
    for (const char* name : kSessionRoutines) {
      EXPECT_EQ(library.routine(name) == nullptr, expected.missing.count(name) == 1) << name;
    }
  }
}

}  // namespace
}  // namespace qvsim::mapi::test
