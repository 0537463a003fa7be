#include "sim/outlook/local_server.h"

#include <oleauto.h>
#include <winternl.h>

#include <nlohmann/json.hpp>

#include "outlook/outlook_interfaces.h"
#include "errors/com_holders.h"
#include "sim/common/ledger.h"
#include "sim/outlook/application_factory.h"
#include "sim/outlook/objects.h"
#include "sim/outlook/server.h"

namespace qvsim::outlook {
namespace {

// How often the server looks at its clients while it waits for messages.
constexpr DWORD kCheckMilliseconds = 50;

// The exit code of a process ended by a fault, as of a crashed Outlook.
constexpr UINT kEndedByFault = 3;

LRESULT CALLBACK main_window_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_CLOSE) {  // the user closes Outlook
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, w, l);
}

HWND create_main_window(HINSTANCE instance) {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = main_window_procedure;
  window_class.hInstance = instance;
  window_class.lpszClassName = kMainWindowClass;
  ::RegisterClassW(&window_class);
  return ::CreateWindowExW(0, kMainWindowClass, L"Outlook (simulated)", WS_OVERLAPPEDWINDOW, 0, 0,
                           0, 0, nullptr, nullptr, instance, nullptr);
}

// The process that started this one; null when it cannot be watched.
HANDLE open_parent_process() {
  PROCESS_BASIC_INFORMATION information = {};
  ULONG size = 0;
  if (!NT_SUCCESS(::NtQueryInformationProcess(::GetCurrentProcess(), ProcessBasicInformation,
                                              &information, sizeof(information), &size))) {
    return nullptr;
  }
  return ::OpenProcess(SYNCHRONIZE, FALSE,
                       static_cast<DWORD>(information.InheritedFromUniqueProcessId));
}

class LocalServer {
 public:
  LocalServer(HINSTANCE instance, bool started_by_com)
      : instance_(instance), started_by_com_(started_by_com) {}
  LocalServer(const LocalServer&) = delete;
  LocalServer& operator=(const LocalServer&) = delete;
  ~LocalServer() {
    if (starter_ != nullptr) {
      ::CloseHandle(starter_);
    }
  }

  int run() {
    if (FAILED(::CoInitialize(nullptr))) {
      return 1;
    }
    const bool started = start();
    const char* ended = started ? serve() : "start_failed";
    end(ended);
    ::CoUninitialize();
    return started ? 0 : 1;
  }

 private:
  bool start() {
    // Under Wine COM starts the server from its client's process; a program
    // (a test, a benchmark) may start it as a user would. Either way the
    // server ends soon after that process (reason_to_end).
    starter_ = open_parent_process();
    // A fault ends the process in the middle of a call, unanswered, as a
    // crash does: the report (the objects still held, too) is written first.
    // Windows forgets the class object and the running object of a process
    // that has ended; Wine's COM keeps them and sends later activations in
    // the prefix to the ended process (RPC_S_SERVER_UNAVAILABLE), so they
    // are revoked first, as Windows would.
    Server::instance().set_process_end([this] {
      revoke_registrations();
      Server::instance().set_host_report(host_report("fault"));
      Ledger::instance().write_report_to_env_path(kReportVariable);
      ::TerminateProcess(::GetCurrentProcess(), kEndedByFault);
    });
    // Outlook opens its profile as it starts: a description that cannot be
    // read fails every activation (and shows in the report).
    Server::instance().ensure_loaded();
    auto* running = new ApplicationObject();
    // The running object is the server's own, not a client's.
    Ledger::instance().forget_object(static_cast<TrackedObject*>(running));
    running_ = qv::com_ptr<_Application>::attach(running);
    if (FAILED(::CoRegisterClassObject(CLSID_OutlookApplication, &ApplicationFactory::instance(),
                                       CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &class_cookie_)) ||
        FAILED(::RegisterActiveObject(running_.get(), CLSID_OutlookApplication, ACTIVEOBJECT_WEAK,
                                      &active_cookie_))) {
      return false;
    }
    // Last: whoever finds the window finds Outlook ready to be activated.
    window_ = create_main_window(instance_);
    return window_ != nullptr;
  }

  // Dispatches the clients' calls until the server ends; why it ended.
  const char* serve() {
    bool starter_gone = false;
    for (;;) {
      const DWORD count = starter_ != nullptr && !starter_gone ? 1 : 0;
      const DWORD waited =
          ::MsgWaitForMultipleObjects(count, &starter_, FALSE, kCheckMilliseconds, QS_ALLINPUT);
      starter_gone = starter_gone || (count == 1 && waited == WAIT_OBJECT_0);
      MSG message;
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
          return "closed";
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
      }
      if (const char* why = reason_to_end(starter_gone)) {
        return why;
      }
    }
  }

  // A server that COM started ends when no client needs it: none holds an
  // object or a lock, and none has called or activated it for a while since
  // the first activation. Any server, once the process that started it has
  // ended, ends at once when no object is held, and otherwise when the
  // objects still held have not been used for a while (Wine never releases
  // the references of a client that is gone). A lock keeps it in any case.
  const char* reason_to_end(bool starter_gone) const {
    const ApplicationFactory& factory = ApplicationFactory::instance();
    const Ledger& ledger = Ledger::instance();
    if (factory.locks() > 0) {
      return nullptr;
    }
    const bool held = ledger.live_objects() != 0;
    const std::uint64_t last = std::max(factory.last_activity(), ledger.last_activity());
    const bool quiet = ::GetTickCount64() - last >= kIdleMilliseconds;
    if (starter_gone) {
      return !held || quiet ? "client_gone" : nullptr;
    }
    return started_by_com_ && factory.last_activity() != 0 && !held && quiet ? "last_release"
                                                                             : nullptr;
  }

  nlohmann::json host_report(const char* why) const {
    return {{"host", "local_server"},
            {"started_by", started_by_com_ ? "com" : "user"},
            {"ended_by", why}};
  }

  void revoke_registrations() {
    ApplicationFactory::instance().stop();
    if (class_cookie_ != 0) {
      ::CoRevokeClassObject(class_cookie_);
      class_cookie_ = 0;
    }
    if (active_cookie_ != 0) {
      ::RevokeActiveObject(active_cookie_, nullptr);
      active_cookie_ = 0;
    }
  }

  void end(const char* why) {
    revoke_registrations();
    running_.reset();
    Server::instance().set_host_report(host_report(why));
    Ledger::instance().write_report_to_env_path(kReportVariable);
    // Last: whoever waits for the window to go finds the report written.
    if (window_ != nullptr) {
      ::DestroyWindow(window_);
    }
  }

  HINSTANCE instance_;
  bool started_by_com_;
  HANDLE starter_ = nullptr;
  HWND window_ = nullptr;
  qv::com_ptr<_Application> running_;
  DWORD class_cookie_ = 0;
  DWORD active_cookie_ = 0;
};

}  // namespace

int run_local_server(HINSTANCE instance, bool started_by_com) {
  LocalServer server(instance, started_by_com);
  return server.run();
}

}  // namespace qvsim::outlook
