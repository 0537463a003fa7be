// A program that drives the simulated mapi32.dll through one scenario and
// prints what it saw, for the report tests (report_test.cpp). It lies in
// the bin folder beside the DLL. Usage: qvsim_mapi_report_child SCENARIO
#include <cstdio>
#include <cstring>
#include <string>

#include "sim/mapi/base/mapi_platform.h"

namespace {

struct Routines {
  LPMAPIINITIALIZE initialize;
  LPMAPIUNINITIALIZE uninitialize;
  LPMAPIALLOCATEBUFFER allocate_buffer;
  HRESULT(STDAPICALLTYPE* wrap_rtf)(LPSTREAM, ULONG, LPSTREAM*);
  LPMAPIADMINPROFILES admin_profiles;
  LPMAPILOGONEX logon;
};

template <typename T>
T routine(HMODULE module, const char* name) {
  return reinterpret_cast<T>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// Copies the report file to standard output.
int print_report_file() {
  wchar_t path[MAX_PATH];
  ::GetEnvironmentVariableW(L"QV_SIM_MAPI_REPORT", path, MAX_PATH);
  FILE* file = _wfopen(path, L"rb");
  if (file == nullptr) {
    return 2;
  }
  char buffer[8192];
  const size_t size = std::fread(buffer, 1, sizeof buffer, file);
  std::fclose(file);
  std::fwrite(buffer, 1, size, stdout);
  return 0;
}

// Initialises twice and uninitialises twice, leaking one buffer and one
// stream; prints the report file as the last uninitialisation left it.
int balanced_with_leaks(const Routines& r) {
  r.initialize(nullptr);
  r.initialize(nullptr);
  void* leaked = nullptr;
  r.allocate_buffer(10, &leaked);
  IStream* source = nullptr;
  ::CreateStreamOnHGlobal(nullptr, TRUE, &source);
  IStream* leaked_stream = nullptr;
  r.wrap_rtf(source, 0, &leaked_stream);
  source->Release();
  r.uninitialize();
  r.uninitialize();
  return print_report_file();
}

// Lists the profiles and logs on to the default one as the product does,
// releasing everything but the session; prints the report of the last
// uninitialisation.
int leaked_session(const Routines& r) {
  r.initialize(nullptr);
  IProfAdmin* admin = nullptr;
  IMAPITable* table = nullptr;
  if (FAILED(r.admin_profiles(0, &admin)) || FAILED(admin->GetProfileTable(0, &table))) {
    return 2;
  }
  table->Release();
  admin->Release();
  wchar_t profile[] = L"Outlook";
  IMAPISession* session = nullptr;
  if (FAILED(r.logon(0, reinterpret_cast<LPTSTR>(profile), nullptr, 0x80008022, &session))) {
    return 2;
  }
  r.uninitialize();
  return print_report_file();
}

// Initialises twice and uninitialises once; the report comes at exit.
int unbalanced(const Routines& r) {
  r.initialize(nullptr);
  r.initialize(nullptr);
  r.uninitialize();
  return 0;
}

// Prints what MAPIInitialize and MAPIAllocateBuffer return, with the faults
// of the mailbox description in force.
int mailbox_faults(const Routines& r) {
  const HRESULT initialized = r.initialize(nullptr);
  void* buffer = nullptr;
  const HRESULT allocated = r.allocate_buffer(10, &buffer);
  std::printf("%08lX %08lX\n", static_cast<unsigned long>(initialized),
              static_cast<unsigned long>(allocated));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    return 3;
  }
  HMODULE module = ::LoadLibraryW(L"mapi32.dll");
  if (module == nullptr) {
    return 4;
  }
  const Routines r{routine<LPMAPIINITIALIZE>(module, "MAPIInitialize"),
                   routine<LPMAPIUNINITIALIZE>(module, "MAPIUninitialize"),
                   routine<LPMAPIALLOCATEBUFFER>(module, "MAPIAllocateBuffer"),
                   routine<HRESULT(STDAPICALLTYPE*)(LPSTREAM, ULONG, LPSTREAM*)>(
                       module, "WrapCompressedRTFStream"),
                   routine<LPMAPIADMINPROFILES>(module, "MAPIAdminProfiles"),
                   routine<LPMAPILOGONEX>(module, "MAPILogonEx")};
  const std::wstring scenario = argv[1];
  if (scenario == L"balanced-with-leaks") {
    return balanced_with_leaks(r);
  }
  if (scenario == L"unbalanced") {
    return unbalanced(r);
  }
  if (scenario == L"mailbox-faults") {
    return mailbox_faults(r);
  }
  if (scenario == L"leaked-session") {
    return leaked_session(r);
  }
  return 3;
}
