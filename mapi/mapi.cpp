#include "mapi/mapi.h"

#include <mapix.h>

#include <cstdlib>

#include "errors/exceptions.h"
#include "items/ascii_case.h"
#include "items/entry_id.h"
#include "mapi/logon.h"

namespace qv {
namespace {

constexpr wchar_t kMailClientsKey[] = L"SOFTWARE\\Clients\\Mail";
constexpr wchar_t kOutlookClientKey[] = L"SOFTWARE\\Clients\\Mail\\Microsoft Outlook";
constexpr wchar_t kOutlookClientName[] = L"Microsoft Outlook";
constexpr wchar_t kSystemMapiLibrary[] = L"mapi32.dll";
constexpr wchar_t kLocateFailure[] = L"Failed to locate Outlook Extended MAPI DLL";

// Room for a registry text value, terminator included.
constexpr DWORD kValueCapacity = 261;

// A key of HKEY_LOCAL_MACHINE opened for reading; empty when it cannot be.
unique_registry_key open_machine_key(const wchar_t* path) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &opened) != ERROR_SUCCESS) {
    return unique_registry_key();
  }
  return unique_registry_key(opened);
}

// A registry value read as text into a buffer of kValueCapacity characters.
// The read succeeds for a REG_SZ or REG_EXPAND_SZ value that ends in a null
// character, and for a REG_MULTI_SZ value that ends in two (its first string
// is the text); everything else fails with ERROR_INVALID_DATA, a value too
// large for the buffer with the query's own error.
LSTATUS read_text_value(HKEY key, const wchar_t* name, wchar_t (&buffer)[kValueCapacity]) {
  DWORD type = REG_NONE;
  DWORD size = sizeof(buffer);
  const LSTATUS status =
      ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  if (status != ERROR_SUCCESS) {
    return status;
  }
  const DWORD characters = size / sizeof(wchar_t);
  const bool even = size % sizeof(wchar_t) == 0;
  if ((type == REG_SZ || type == REG_EXPAND_SZ) && even && characters >= 1 &&
      buffer[characters - 1] == L'\0') {
    return ERROR_SUCCESS;
  }
  if (type == REG_MULTI_SZ && even && characters >= 2 && buffer[characters - 1] == L'\0' &&
      buffer[characters - 2] == L'\0') {
    return ERROR_SUCCESS;
  }
  return ERROR_INVALID_DATA;
}

// The owner of the shared instance. The holder itself is never destroyed, so
// that only the exit routine registered on first use ends the instance.
std::unique_ptr<Mapi>& shared_instance() {
  static auto* instance = new std::unique_ptr<Mapi>();
  return *instance;
}

void destroy_shared_mapi() { shared_instance().reset(); }

}  // namespace

std::wstring locate_mapi_dll() {
  wchar_t buffer[kValueCapacity] = {};
  const unique_registry_key mail_clients = open_machine_key(kMailClientsKey);
  if (mail_clients && read_text_value(mail_clients.get(), nullptr, buffer) == ERROR_SUCCESS &&
      equals_ignoring_ascii_case(buffer, kOutlookClientName)) {
    return kSystemMapiLibrary;
  }
  const unique_registry_key outlook_client = open_machine_key(kOutlookClientKey);
  if (!outlook_client ||
      read_text_value(outlook_client.get(), L"DllPathEx", buffer) != ERROR_SUCCESS) {
    throw truntime_error(kLocateFailure);
  }
  return std::wstring(buffer);  // up to the first null character
}

HMODULE load_library(const wchar_t* path, bool as_data, bool throw_on_failure) {
  const HMODULE library =
      as_data
          ? ::LoadLibraryExW(path, nullptr, DONT_RESOLVE_DLL_REFERENCES | LOAD_LIBRARY_AS_DATAFILE)
          : ::LoadLibraryW(path);
  if (library == nullptr && throw_on_failure) {
    throw win32_error();
  }
  return library;
}

Mapi::Mapi() : library(load_library(locate_mapi_dll().c_str(), false, true)) {
  // A counted reference of its own to the system's MAPI library while MAPI
  // is being initialised, whichever library was located.
  const unique_library system_mapi(load_library(kSystemMapiLibrary, false, true));
  check_hresult(call_entry_point<MAPIINITIALIZE>(library.get(), "MAPIInitialize", nullptr));
}

Mapi::~Mapi() {
  // Stores and sessions go while MAPI is still initialised.
  logon_state.reset();
  if (MAPIUNINITIALIZE* uninitialize =
          find_entry_point<MAPIUNINITIALIZE>(library.get(), "MAPIUninitialize")) {
    uninitialize();
  }
  // The folder map, then the library, go with the members.
}

MapiLogon& Mapi::logon() {
  if (!logon_state) {
    logon_state = std::make_unique<MapiLogon>(*this);
  }
  return *logon_state;
}

com_ptr<IUnknown> Mapi::open_entry(const EntryId& entry_id, ULONG expected_type) {
  for (const com_ptr<IMAPISession>& session : logon().sessions()) {
    ULONG type = 0;
    com_ptr<IUnknown> object;
    const HRESULT hr = session->OpenEntry(entry_id.size(), entry_id.data(), nullptr,
                                          MAPI_BEST_ACCESS, &type, object.put());
    if (FAILED(hr) || !object) {
      continue;
    }
    if (type != expected_type) {
      return nullptr;
    }
    return object;
  }
  std::wstring text = entry_id.to_text();
  if (text.empty()) {
    text = L"Unknown";
  }
  throw truntime_error(format_message(L"Outlook object [%1] not found", {text.c_str()}));
}

Mapi* shared_mapi(bool release) {
  std::unique_ptr<Mapi>& instance = shared_instance();
  static const bool kExitRoutineRegistered = std::atexit(destroy_shared_mapi) == 0;
  (void)kExitRoutineRegistered;
  if (release) {
    instance.reset();
    return nullptr;
  }
  if (!instance) {
    instance = std::make_unique<Mapi>();
  }
  return instance.get();
}

}  // namespace qv
