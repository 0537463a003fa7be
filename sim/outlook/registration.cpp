#include "sim/outlook/registration.h"

#include <olectl.h>

#include <string>
#include <vector>

#include "errors/unique_any.h"
#include "outlook/outlook_interfaces.h"
#include "sim/outlook/server.h"
#include "sim/outlook/type_library.h"

namespace qvsim::outlook {
namespace {

constexpr wchar_t kClassesKey[] = L"Software\\Classes\\";
constexpr wchar_t kProgId[] = L"Outlook.Application";
constexpr wchar_t kVersionedProgId[] = L"Outlook.Application.16";
constexpr wchar_t kInProcessKey[] = L"InprocServer32";
constexpr wchar_t kLocalServerKey[] = L"LocalServer32";

std::wstring class_id_text() {
  wchar_t text[40] = {};
  ::StringFromGUID2(CLSID_OutlookApplication, text, 40);
  return text;
}

std::wstring class_key() { return L"CLSID\\" + class_id_text(); }

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

// The server key of the host: the DLL's path, or the program's path quoted as
// a command line (COM appends " -Embedding" to it).
bool set_server_key(Host host, const std::wstring& path) {
  if (host == Host::kInProcess) {
    const std::wstring key = class_key() + L"\\" + kInProcessKey;
    return delete_tree(class_key() + L"\\" + kLocalServerKey) && set_text(key, nullptr, path) &&
           set_text(key, L"ThreadingModel", L"Apartment");
  }
  return delete_tree(class_key() + L"\\" + kInProcessKey) &&
         set_text(class_key() + L"\\" + kLocalServerKey, nullptr, L"\"" + path + L"\"");
}

bool set_class_keys(Host host, const std::wstring& path) {
  const std::wstring clsid = class_id_text();
  return set_text(class_key(), nullptr, L"Microsoft Outlook") && set_server_key(host, path) &&
         set_text(class_key() + L"\\ProgID", nullptr, kVersionedProgId) &&
         set_text(class_key() + L"\\VersionIndependentProgID", nullptr, kProgId) &&
         set_text(kProgId, nullptr, L"Microsoft Outlook") &&
         set_text(std::wstring(kProgId) + L"\\CLSID", nullptr, clsid) &&
         set_text(std::wstring(kProgId) + L"\\CurVer", nullptr, kVersionedProgId) &&
         set_text(kVersionedProgId, nullptr, L"Microsoft Outlook") &&
         set_text(std::wstring(kVersionedProgId) + L"\\CLSID", nullptr, clsid);
}

}  // namespace

HRESULT register_server(Host host) {
  const std::wstring path = module_path(Server::instance().module());
  if (path.empty() || !set_class_keys(host, path)) {
    return SELFREG_E_CLASS;
  }
  return SUCCEEDED(register_type_library(path)) ? S_OK : SELFREG_E_TYPELIB;
}

HRESULT unregister_server() {
  const bool class_deleted = delete_tree(class_key());
  const bool prog_id_deleted = delete_tree(kProgId);
  const bool versioned_deleted = delete_tree(kVersionedProgId);
  const HRESULT library = unregister_type_library();
  return class_deleted && prog_id_deleted && versioned_deleted && SUCCEEDED(library)
             ? S_OK
             : SELFREG_E_CLASS;
}

}  // namespace qvsim::outlook
