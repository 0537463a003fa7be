// Self-registration of the simulated Outlook as the in-process server of the
// Outlook application class, under HKLM\Software\Classes (Wine's COM reads
// classes only from there).
#include <windows.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "errors/unique_any.h"
#include "outlook/outlook_interfaces.h"
#include "sim/outlook/server.h"

namespace qvsim::outlook {
namespace {

constexpr wchar_t kClassesKey[] = L"Software\\Classes\\";
constexpr wchar_t kProgId[] = L"Outlook.Application";
constexpr wchar_t kVersionedProgId[] = L"Outlook.Application.16";

std::wstring class_id_text() {
  wchar_t text[40] = {};
  ::StringFromGUID2(CLSID_OutlookApplication, text, 40);
  return text;
}

std::wstring module_path() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(Server::instance().module(), buffer.data(),
                                              static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      return std::wstring();
    }
    if (length < buffer.size()) {
      return std::wstring(buffer.data(), length);
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool set_text(const std::wstring& key_path, const wchar_t* name, const std::wstring& value) {
  HKEY created = nullptr;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kClassesKey + key_path).c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &created, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const qv::unique_registry_key key(created);
  return ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
         ERROR_SUCCESS;
}

bool delete_tree(const std::wstring& key_path) {
  const LSTATUS status = ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kClassesKey + key_path).c_str());
  ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kClassesKey + key_path).c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace

HRESULT register_server() {
  const std::wstring path = module_path();
  const std::wstring clsid = class_id_text();
  const std::wstring class_key = L"CLSID\\" + clsid;
  const bool ok = !path.empty() && set_text(class_key, nullptr, L"Microsoft Outlook") &&
                  set_text(class_key + L"\\InprocServer32", nullptr, path) &&
                  set_text(class_key + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
                  set_text(class_key + L"\\ProgID", nullptr, kVersionedProgId) &&
                  set_text(class_key + L"\\VersionIndependentProgID", nullptr, kProgId) &&
                  set_text(kProgId, nullptr, L"Microsoft Outlook") &&
                  set_text(std::wstring(kProgId) + L"\\CLSID", nullptr, clsid) &&
                  set_text(std::wstring(kProgId) + L"\\CurVer", nullptr, kVersionedProgId) &&
                  set_text(kVersionedProgId, nullptr, L"Microsoft Outlook") &&
                  set_text(std::wstring(kVersionedProgId) + L"\\CLSID", nullptr, clsid);
  return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT unregister_server() {
  // Each key goes, even when an earlier one could not.
  const bool class_deleted = delete_tree(L"CLSID\\" + class_id_text());
  const bool prog_id_deleted = delete_tree(kProgId);
  const bool versioned_deleted = delete_tree(kVersionedProgId);
  return class_deleted && prog_id_deleted && versioned_deleted ? S_OK : SELFREG_E_CLASS;
}

}  // namespace qvsim::outlook
