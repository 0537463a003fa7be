#include "tests/support/registry.h"

#include <gtest/gtest.h>

namespace qv::test {
namespace {

constexpr wchar_t kKey[] = L"SOFTWARE\\qv-tests\\registry-test";

std::wstring read_text(const wchar_t* name) {
  wchar_t buffer[64] = {};
  DWORD size = sizeof(buffer);
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kKey, name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
      ERROR_SUCCESS) {
    return L"<missing>";
  }
  return buffer;
}

TEST(RegistryBackupTest, RestoresChangedAndRemovedValues) {
  delete_registry_tree(HKEY_LOCAL_MACHINE, kKey);
  set_registry_text(HKEY_LOCAL_MACHINE, kKey, L"kept", L"original");
  {
    RegistryBackup backup(HKEY_LOCAL_MACHINE, kKey);
    set_registry_text(HKEY_LOCAL_MACHINE, kKey, L"kept", L"changed");
    set_registry_text(HKEY_LOCAL_MACHINE, kKey, L"added", L"new");
    EXPECT_EQ(read_text(L"kept"), L"changed");
  }
  EXPECT_EQ(read_text(L"kept"), L"original");
  EXPECT_EQ(read_text(L"added"), L"<missing>");
  {
    RegistryBackup backup(HKEY_LOCAL_MACHINE, kKey);
    delete_registry_tree(HKEY_LOCAL_MACHINE, kKey);
    EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, kKey));
  }
  EXPECT_EQ(read_text(L"kept"), L"original");
  delete_registry_tree(HKEY_LOCAL_MACHINE, kKey);
}

TEST(RegistryBackupTest, RemovesAKeyThatDidNotExist) {
  delete_registry_tree(HKEY_LOCAL_MACHINE, kKey);
  {
    RegistryBackup backup(HKEY_LOCAL_MACHINE, kKey);
    set_registry_dword(HKEY_LOCAL_MACHINE, kKey, L"number", 5);
    EXPECT_TRUE(registry_key_exists(HKEY_LOCAL_MACHINE, kKey));
  }
  EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, kKey));
}

}  // namespace
}  // namespace qv::test
