#include "tests/support/sim_support.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "sim/common/mailbox.h"
#include "tests/support/paths.h"

namespace qv::test {
namespace {

constexpr wchar_t kClassKey[] = L"Software\\Classes\\CLSID\\{0006F03A-0000-0000-C000-000000000046}";
constexpr wchar_t kProgIdKey[] = L"Software\\Classes\\Outlook.Application";
constexpr wchar_t kVersionedProgIdKey[] = L"Software\\Classes\\Outlook.Application.16";
constexpr wchar_t kDllName[] = L"outlook_sim.dll";

// A DLL's export as a function of its own type (through void*, which the
// compilers accept between function pointer types).
template <class Function>
Function export_of(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

void call_registration_entry(const char* entry) {
  HMODULE module = ::LoadLibraryW(outlook_sim_path().c_str());
  if (module == nullptr) {
    throw std::runtime_error("cannot load outlook_sim.dll, error " +
                             std::to_string(::GetLastError()));
  }
  using Entry = HRESULT(STDAPICALLTYPE*)();
  const auto function = export_of<Entry>(module, entry);
  const HRESULT hr = function != nullptr ? function() : E_FAIL;
  ::FreeLibrary(module);
  if (FAILED(hr)) {
    throw std::runtime_error(std::string(entry) + " failed");
  }
}

// An export of a simulator DLL loaded in this process.
template <class Function>
Function loaded_export(const wchar_t* dll, const char* name) {
  HMODULE module = ::GetModuleHandleW(dll);
  const auto function = module != nullptr ? export_of<Function>(module, name) : nullptr;
  if (function == nullptr) {
    throw std::runtime_error("the simulator's export " + std::string(name) +
                             " is not loaded in this process");
  }
  return function;
}

template <class Function>
Function loaded_outlook_sim_export(const char* name) {
  return loaded_export<Function>(kDllName, name);
}

template <class Function>
Function loaded_mapi_export(const char* name) {
  return loaded_export<Function>(L"mapi32.dll", name);
}

}  // namespace

std::wstring sample_mailbox_path() { return source_dir() + L"\\sim\\mailboxes\\sample.json"; }

std::wstring outlook_sim_path() { return bin_path(kDllName); }

void register_outlook_sim() { call_registration_entry("DllRegisterServer"); }

void unregister_outlook_sim() { call_registration_entry("DllUnregisterServer"); }

bool outlook_sim_registered() {
  return registry_key_exists(HKEY_LOCAL_MACHINE, std::wstring(kClassKey) + L"\\InprocServer32");
}

OutlookRegistrationBackup::OutlookRegistrationBackup()
    : class_key_(std::make_unique<RegistryBackup>(HKEY_LOCAL_MACHINE, kClassKey)),
      prog_id_(std::make_unique<RegistryBackup>(HKEY_LOCAL_MACHINE, kProgIdKey)),
      versioned_prog_id_(
          std::make_unique<RegistryBackup>(HKEY_LOCAL_MACHINE, kVersionedProgIdKey)) {}

OutlookRegistrationBackup::~OutlookRegistrationBackup() = default;

void use_outlook_as_default_mail_client() {
  set_registry_text(HKEY_LOCAL_MACHINE, kMailKey, nullptr, L"Microsoft Outlook");
}

nlohmann::json read_report(const std::wstring& path) {
  const nlohmann::json report = nlohmann::json::parse(read_text_file(path), nullptr, false);
  if (report.is_discarded()) {
    throw std::runtime_error("the report is not JSON");
  }
  return report;
}

nlohmann::json outlook_report_now() {
  using WriteReport = HRESULT(WINAPI*)(const wchar_t*);
  const auto write = loaded_outlook_sim_export<WriteReport>("QvSimOutlookWriteReport");
  TempDir dir;
  const std::wstring path = dir.file(L"report.json");
  if (write(path.c_str()) != S_OK) {
    throw std::runtime_error("QvSimOutlookWriteReport failed");
  }
  return read_report(path);
}

HRESULT use_outlook_mailbox(const std::wstring& path) {
  ::SetEnvironmentVariableW(kMailboxVariable, path.c_str());
  if (::GetModuleHandleW(kDllName) == nullptr) {
    return S_OK;
  }
  using Reset = HRESULT(WINAPI*)(const wchar_t*);
  return loaded_outlook_sim_export<Reset>("QvSimOutlookReset")(path.c_str());
}

HRESULT apply_outlook_change(const nlohmann::json& change) {
  using Apply = HRESULT(WINAPI*)(const char*);
  const auto apply = loaded_outlook_sim_export<Apply>("QvSimOutlookApply");
  return apply(change.dump().c_str());
}

void write_mailbox_file(const std::wstring& path, const nlohmann::json& description) {
  try {
    qvsim::Mailbox::parse(description, path.substr(0, path.find_last_of(L"\\/")));
  } catch (const qvsim::MailboxError& e) {
    throw std::runtime_error(std::string("the test's mailbox description is wrong: ") + e.what());
  }
  write_text_file(path, description.dump(2));
}

HRESULT use_mapi_mailbox(const std::wstring& path) {
  ::SetEnvironmentVariableW(kMailboxVariable, path.c_str());
  using Reset = HRESULT(WINAPI*)(const wchar_t*);
  return loaded_mapi_export<Reset>("QvSimMapiReset")(path.c_str());
}

nlohmann::json mapi_report_now() {
  using GetReport = ULONG(WINAPI*)(char*, ULONG);
  const auto get = loaded_mapi_export<GetReport>("QvSimMapiGetReport");
  std::string text(get(nullptr, 0), '\0');
  if (text.empty() || get(text.data(), static_cast<ULONG>(text.size())) > text.size()) {
    throw std::runtime_error("QvSimMapiGetReport failed");
  }
  text.resize(text.find('\0'));
  return nlohmann::json::parse(text);
}

HRESULT set_mapi_faults(const nlohmann::json& faults) {
  using SetFaults = HRESULT(WINAPI*)(const char*);
  const std::string text = faults.is_null() ? std::string() : faults.dump();
  return loaded_mapi_export<SetFaults>("QvSimMapiSetFaults")(text.c_str());
}

HRESULT set_mapi_message_options(IUnknown* message, const nlohmann::json& options) {
  using SetOptions = HRESULT(WINAPI*)(IUnknown*, const char*);
  return loaded_mapi_export<SetOptions>("QvSimMapiSetMessageOptions")(message,
                                                                      options.dump().c_str());
}

std::uint64_t calls(const nlohmann::json& report, const char* call_point) {
  if (report.is_null() || !report["calls"].contains(call_point)) {
    return 0;
  }
  return report["calls"][call_point].get<std::uint64_t>();
}

std::vector<std::string> leftovers(const nlohmann::json& report) {
  std::vector<std::string> found;
  if (report.is_null()) {
    return found;
  }
  const std::string component = report.value("component", std::string());
  const nlohmann::json live = report.value("live_objects", nlohmann::json::array());
  if (report.value("unreleased_references", 0) != 0 || !live.empty()) {
    found.push_back(component + " objects left: " + live.dump());
  }
  // A MAPI library that was loaded but never called reports no MAPI counts.
  const auto count = [&report](const char* member) { return report.value(member, 0); };
  if (count("mapi_initialized") != 0 || !report.value("mapi_initialize_balanced", true) ||
      count("mapi_initialize_calls") != count("mapi_uninitialize_calls")) {
    found.push_back("MAPI initialised " + std::to_string(count("mapi_initialize_calls")) +
                    " times, uninitialised " + std::to_string(count("mapi_uninitialize_calls")));
  }
  if (count("mapi_allocations_outstanding") != 0) {
    found.push_back("MAPI buffers left: " + std::to_string(count("mapi_allocations_outstanding")));
  }
  if (count("released_after_uninitialize") != 0) {
    found.push_back("sessions or stores released after MAPI was uninitialised: " +
                    std::to_string(count("released_after_uninitialize")));
  }
  // A console program must neither receive mail nor wait for the user.
  if (count("spooler_sessions") != 0) {
    found.push_back("sessions made known to the MAPI spooler: " +
                    std::to_string(count("spooler_sessions")));
  }
  const nlohmann::json dialogs = report.value("dialogs", nlohmann::json::array());
  if (!dialogs.empty()) {
    found.push_back("dialogs that MAPI would have shown: " + dialogs.dump());
  }
  return found;
}

}  // namespace qv::test
