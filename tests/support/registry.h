// Registry state for tests. Tests that change the prefix's registry run one
// at a time (CTest resource lock "wine_registry") and put back what they
// changed with RegistryBackup.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qv::test {

// HKLM: the default mail client ("Microsoft Outlook" as its default value),
// and Outlook's key under it, which may name its MAPI library (DllPathEx).
constexpr wchar_t kMailKey[] = L"SOFTWARE\\Clients\\Mail";
constexpr wchar_t kOutlookKey[] = L"SOFTWARE\\Clients\\Mail\\Microsoft Outlook";

// Keeps a copy of a key and everything under it, and puts the key back as it
// was (or removes it, when it did not exist) on destruction.
class RegistryBackup {
 public:
  RegistryBackup(HKEY root, std::wstring path);
  RegistryBackup(const RegistryBackup&) = delete;
  RegistryBackup& operator=(const RegistryBackup&) = delete;
  ~RegistryBackup();

 private:
  HKEY root_;
  std::wstring path_;
  std::wstring backup_path_;
  bool existed_ = false;
};

// Writes a value of exactly the bytes given (a text without terminator stays
// without); the key is created when missing. Throws std::runtime_error.
void set_registry_value(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type,
                        const void* data, DWORD size);
// A text value with its terminating null (REG_SZ, REG_EXPAND_SZ).
void set_registry_text(HKEY root, const std::wstring& path, const wchar_t* name,
                       const std::wstring& text, DWORD type = REG_SZ);
void set_registry_dword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value);

// Removes a key and everything under it; nothing happens when it is missing.
void delete_registry_tree(HKEY root, const std::wstring& path);

bool registry_key_exists(HKEY root, const std::wstring& path);

}  // namespace qv::test
