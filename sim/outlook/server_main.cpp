// outlook_sim_server.exe: the simulated Outlook as a local server.
//
//   outlook_sim_server.exe              started by a user: runs until closed
//   outlook_sim_server.exe -Embedding   started by COM (local_server.h)
//   outlook_sim_server.exe /RegServer   registers it as Outlook's application
//                                       class (LocalServer32) and the type library
//   outlook_sim_server.exe /UnregServer removes that registration
//   outlook_sim_server.exe /Close       closes the simulated Outlook that runs,
//                                       as a user closes Outlook, and waits
//                                       until it has ended (for scripts)
//   outlook_sim_server.exe /WaitForEnd  waits until no simulated Outlook runs
// The last two exit with 1 when one still runs after 30 seconds.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "sim/common/com_guard.h"
#include "sim/outlook/local_server.h"
#include "sim/outlook/registration.h"
#include "sim/outlook/server.h"

namespace {

bool is_switch(const wchar_t* argument, const wchar_t* name) {
  return (argument[0] == L'-' || argument[0] == L'/') &&
         ::CompareStringOrdinal(argument + 1, -1, name, -1, TRUE) == CSTR_EQUAL;
}

// The server keeps none of the standard handles it was given: whoever reads
// them to their end (a client's caller, under Wine) must not wait for it.
void drop_standard_handles() {
  for (const DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    const HANDLE given = ::GetStdHandle(which);
    const HANDLE none =
        ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    ::SetStdHandle(which, none);
    if (given != nullptr && given != INVALID_HANDLE_VALUE) {
      ::CloseHandle(given);
    }
  }
}

// Waits until no simulated Outlook runs (none has its main window), closing
// each one found when close is set; 0, or 1 after 30 seconds.
int until_ended(bool close) {
  const ULONGLONG deadline = ::GetTickCount64() + 30000;
  while (const HWND window = ::FindWindowW(qvsim::outlook::kMainWindowClass, nullptr)) {
    if (::GetTickCount64() >= deadline) {
      return 1;
    }
    if (close) {
      ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    ::Sleep(10);
  }
  return 0;
}

int registration(HRESULT (*change)()) {
  if (FAILED(::CoInitialize(nullptr))) {
    return 1;
  }
  const HRESULT hr = change();
  ::CoUninitialize();
  return SUCCEEDED(hr) ? 0 : 1;
}

int run(HINSTANCE instance) {
  qvsim::outlook::Server::instance().set_module(instance);
  int count = 0;
  LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  const std::wstring first = arguments != nullptr && count > 1 ? arguments[1] : L"";
  ::LocalFree(arguments);
  if (is_switch(first.c_str(), L"RegServer")) {
    return registration(
        [] { return qvsim::outlook::register_server(qvsim::outlook::Host::kLocalServer); });
  }
  if (is_switch(first.c_str(), L"UnregServer")) {
    return registration([] { return qvsim::outlook::unregister_server(); });
  }
  if (is_switch(first.c_str(), L"Close") || is_switch(first.c_str(), L"WaitForEnd")) {
    return until_ended(is_switch(first.c_str(), L"Close"));
  }
  drop_standard_handles();
  return qvsim::outlook::run_local_server(instance, is_switch(first.c_str(), L"Embedding"));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) try {
  return run(instance);
}
QVSIM_CATCH_RETURN(::qvsim::caught_exception_value(1))
