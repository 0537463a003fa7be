// A client program of the simulated Outlook for the tests of its exit report.
//   sim_outlook_client walk   walks every folder as the product's folder
//                             listing does, prints each FolderPath, releases
//                             everything
//   sim_outlook_client leak   takes the first top folder and never releases it
//   sim_outlook_client vanish takes the first top folder and ends its process
//                             at once, as a crash would, without
//                             uninitialising COM (which would release it)
//   sim_outlook_client wait   prints "connected", then waits (20 s at most)
//                             for the event QvSimOutlookClientMayEnd before it
//                             releases everything
//   sim_outlook_client start  starts outlook_sim_server.exe as a user starts
//                             Outlook, waits until it runs, then connects
// Exit code 0 when connecting worked, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/sim_outlook/outlook_client.h"

namespace {

using qv::com_ptr;

void print_line(const std::wstring& text) {
  const int size =
      ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string line(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, line.data(), size, nullptr, nullptr);
  std::printf("%s\n", line.c_str());
}

// Each folder: its EntryID, FolderPath by name, item type, then its subfolders.
void walk(_Folders* folders) {
  long count = 0;
  for (long i = 1; SUCCEEDED(folders->get_Count(&count)) && i <= count; ++i) {
    com_ptr<MAPIFolder> folder;
    if (FAILED(folders->Item(qvsim::test::position(static_cast<int>(i)), folder.put()))) {
      return;
    }
    qvsim::test::entry_id_of(folder.get());
    print_line(qvsim::test::text_by_name(folder.get(), L"FolderPath"));
    OlItemType type = olMailItem;
    folder->get_DefaultItemType(&type);
    com_ptr<_Folders> children;
    if (SUCCEEDED(folder->get_Folders(children.put()))) {
      walk(children.get());
    }
  }
}

// Starts the simulated Outlook beside this program from this process, as a
// user would (no argument), and waits (10 s at most) until its window exists.
void start_outlook() {
  wchar_t path[MAX_PATH] = {};
  const std::wstring self(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
  const std::wstring server = self.substr(0, self.rfind(L'\\') + 1) + L"outlook_sim_server.exe";
  std::wstring command = L"\"" + server + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started = {};
  if (!::CreateProcessW(server.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started)) {
    return;
  }
  const qv::unique_any<HANDLE, &::CloseHandle> process(started.hProcess);
  const qv::unique_any<HANDLE, &::CloseHandle> thread(started.hThread);
  for (int i = 0; i < 1000 && ::FindWindowW(L"rctrl_renwnd32", nullptr) == nullptr; ++i) {
    ::Sleep(10);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring scenario = argc > 1 ? argv[1] : L"walk";
  if (scenario == L"start") {
    start_outlook();
  }
  ::CoInitialize(nullptr);
  int exit_code = 1;
  {
    com_ptr<_Application> application;
    if (SUCCEEDED(qvsim::test::connect_outlook(&application))) {
      exit_code = 0;
      if (scenario == L"leak") {
        // Leaked on purpose: the reference is given up and never released.
        static_cast<void>(qvsim::test::top_folder(application.get(), 1).release());
      } else if (scenario == L"vanish") {
        static_cast<void>(qvsim::test::top_folder(application.get(), 1).release());
        ::TerminateProcess(::GetCurrentProcess(), 0);
      } else if (scenario == L"wait") {
        std::printf("connected\n");
        std::fflush(stdout);
        const qv::unique_any<HANDLE, &::CloseHandle> may_end(
            ::CreateEventW(nullptr, TRUE, FALSE, L"QvSimOutlookClientMayEnd"));
        ::WaitForSingleObject(may_end.get(), 20000);
      } else {
        com_ptr<_NameSpace> mapi;
        com_ptr<_Folders> folders;
        const qv::unique_bstr type = qv::unique_bstr::from(L"MAPI");
        if (SUCCEEDED(application->GetNamespace(type.get(), mapi.put())) &&
            SUCCEEDED(mapi->get_Folders(folders.put()))) {
          walk(folders.get());
        }
      }
    }
  }
  ::CoUninitialize();
  return exit_code;
}
