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
constexpr wchar_t kServerName[] = L"outlook_sim_server.exe";
// Outlook's main window class, which the local server's window has too.
constexpr wchar_t kOutlookWindowClass[] = L"rctrl_renwnd32";

// A DLL's export as a function of its own type (through void*, which the
// compilers accept between function pointer types).
template <class Function>
Function export_of(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

void run_server_registration(const wchar_t* option) {
  ProcessOptions options;
  options.arguments = {option};
  if (run_process(outlook_sim_server_path(), options).exit_code != 0) {
    throw std::runtime_error("outlook_sim_server.exe " +
                             std::string(option, option + wcslen(option)) + " failed");
  }
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

std::wstring outlook_sim_server_path() { return bin_path(kServerName); }

bool local_server_mode() {
  wchar_t mode[16] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"QV_SIM_MODE", mode, 16);
  return length > 0 && length < 16 && std::wstring(mode).rfind(L"local", 0) == 0;
}

void register_outlook_sim() {
  if (local_server_mode()) {
    run_server_registration(L"/RegServer");
  } else {
    call_registration_entry("DllRegisterServer");
  }
}

void unregister_outlook_sim() {
  if (local_server_mode()) {
    run_server_registration(L"/UnregServer");
  } else {
    call_registration_entry("DllUnregisterServer");
  }
}

bool outlook_sim_registered() {
  return registry_key_exists(
      HKEY_LOCAL_MACHINE,
      std::wstring(kClassKey) + (local_server_mode() ? L"\\LocalServer32" : L"\\InprocServer32"));
}

bool outlook_running() { return ::FindWindowW(kOutlookWindowClass, nullptr) != nullptr; }

bool wait_until_outlook_ended(DWORD timeout_ms) {
  const ULONGLONG deadline = ::GetTickCount64() + timeout_ms;
  while (outlook_running()) {
    if (::GetTickCount64() >= deadline) {
      return false;
    }
    ::Sleep(10);
  }
  return true;
}

void close_outlook() {
  const ULONGLONG deadline = ::GetTickCount64() + 20000;
  while (const HWND window = ::FindWindowW(kOutlookWindowClass, nullptr)) {
    if (::GetTickCount64() >= deadline) {
      throw std::runtime_error("the simulated Outlook did not end when it was closed");
    }
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ::Sleep(10);
  }
}

namespace {

ProcessHandle start_outlook(
    const std::map<std::wstring, std::optional<std::wstring>>& environment) {
  ProcessOptions options;
  options.environment = environment;
  ProcessHandle process = start_process(outlook_sim_server_path(), options);
  const ULONGLONG deadline = ::GetTickCount64() + 20000;
  while (!outlook_running()) {
    if (::WaitForSingleObject(process.get(), 10) == WAIT_OBJECT_0 ||
        ::GetTickCount64() >= deadline) {
      throw std::runtime_error("the simulated Outlook did not start");
    }
  }
  return process;
}

}  // namespace

RunningOutlook::RunningOutlook(
    const std::map<std::wstring, std::optional<std::wstring>>& environment)
    : process_(start_outlook(environment)) {}

RunningOutlook::~RunningOutlook() {
  try {
    close();
  } catch (...) {
    ::TerminateProcess(process_.get(), 1);
  }
}

void RunningOutlook::close() {
  if (closed_) {
    return;
  }
  closed_ = true;
  close_outlook();
  ::WaitForSingleObject(process_.get(), 20000);
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

nlohmann::json outlook_report_of_run(const std::wstring& path, DWORD timeout_ms) {
  if (local_server_mode()) {
    // The server writes its report before its window goes.
    wait_until_outlook_ended(timeout_ms);
  }
  return path_exists(path) ? read_report(path) : nlohmann::json();
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
