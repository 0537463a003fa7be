// Helpers for tests that run against the simulated Outlook: where its DLL and
// the sample mailbox are, its registration in the prefix, and its report.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/process.h"
#include "tests/support/registry.h"

namespace qv::test {

// Environment variables that the simulated Outlook reads.
inline constexpr wchar_t kMailboxVariable[] = L"QV_SIM_MAILBOX";
inline constexpr wchar_t kOutlookReportVariable[] = L"QV_SIM_OUTLOOK_REPORT";

// sim/mailboxes/sample.json of the sources.
std::wstring sample_mailbox_path();

// outlook_sim.dll and outlook_sim_server.exe in the build's bin folder.
std::wstring outlook_sim_path();
std::wstring outlook_sim_server_path();

// How this run serves the simulated Outlook: in the program's own process
// (outlook_sim.dll), or, with QV_SIM_MODE=local (or local2, the second
// prefix of that mode), as a local server in a process of its own
// (outlook_sim_server.exe). wine-run gives each a Wine prefix of its own.
bool local_server_mode();

// Registers or unregisters the simulated Outlook as the Outlook application
// class for this run's mode: the DLL's own DllRegisterServer /
// DllUnregisterServer, or the local server's /RegServer and /UnregServer.
// Both may be repeated. Throws std::runtime_error when that fails.
void register_outlook_sim();
void unregister_outlook_sim();
bool outlook_sim_registered();

// The local server: whether a simulated Outlook runs in the prefix now (its
// main window exists), and a wait until none does; false when one still
// runs after timeout_ms.
bool outlook_running();
bool wait_until_outlook_ended(DWORD timeout_ms);
// Closes a simulated Outlook that runs, as a user closes Outlook (WM_CLOSE to
// its main window), and waits until it has ended.
void close_outlook();

// The local server started as a user starts Outlook, before any client, with
// these variables in its environment (QV_SIM_MAILBOX, QV_SIM_OUTLOOK_REPORT,
// ...): it serves every activation until it is closed, and writes its report
// as it ends. Closed when the holder goes.
class RunningOutlook {
 public:
  explicit RunningOutlook(const std::map<std::wstring, std::optional<std::wstring>>& environment);
  RunningOutlook(const RunningOutlook&) = delete;
  RunningOutlook& operator=(const RunningOutlook&) = delete;
  ~RunningOutlook();
  // Closes it and waits for its process to end.
  void close();

 private:
  ProcessHandle process_;
  bool closed_ = false;
};

// Keeps the registry keys of the Outlook application class (the class and its
// two ProgIDs) and puts them back as they were when it goes away. Tests that
// use it take the CTest resource lock wine_registry.
class OutlookRegistrationBackup {
 public:
  OutlookRegistrationBackup();
  OutlookRegistrationBackup(const OutlookRegistrationBackup&) = delete;
  OutlookRegistrationBackup& operator=(const OutlookRegistrationBackup&) = delete;
  ~OutlookRegistrationBackup();

 private:
  std::unique_ptr<RegistryBackup> class_key_;
  std::unique_ptr<RegistryBackup> prog_id_;
  std::unique_ptr<RegistryBackup> versioned_prog_id_;
};

// Makes Microsoft Outlook the default mail client of the prefix, so that the
// MAPI library is the simulated mapi32.dll beside the programs. Tests that
// need another mail-client state change it only while no other test runs
// (RUN_SERIAL) and put it back.
void use_outlook_as_default_mail_client();

// Reads a report file as JSON. Throws std::runtime_error when the file is
// missing or is not JSON.
nlohmann::json read_report(const std::wstring& path);

// The report that the simulated Outlook of a run wrote to path: at once in
// process (the DLL writes it as the program exits); from the local server,
// once it has ended, which a server that the program started does just after
// the program (waiting up to timeout_ms). Null when no report was written.
nlohmann::json outlook_report_of_run(const std::wstring& path, DWORD timeout_ms = 20000);

// The report of the simulated Outlook loaded in this process, written now
// through its exported QvSimOutlookWriteReport. Throws std::runtime_error
// when the DLL is not loaded.
nlohmann::json outlook_report_now();

// Points the simulated Outlook at a mailbox description: sets QV_SIM_MAILBOX
// for this process, which the first activation reads, and, when the DLL is
// already loaded here, makes it serve that description now with its call
// counts started afresh (QvSimOutlookReset). Returns S_OK, or the loaded
// DLL's failure to read the description (CO_E_SERVER_EXEC_FAILURE).
HRESULT use_outlook_mailbox(const std::wstring& path);

// Applies a change to the mailbox of the simulated Outlook loaded in this
// process (QvSimOutlookApply); returns its HRESULT.
HRESULT apply_outlook_change(const nlohmann::json& change);

// Writes a mailbox description to a file, after checking it with the
// simulators' own reader: a description that the simulators would refuse is
// the test's mistake, reported as std::runtime_error with the reader's
// message.
void write_mailbox_file(const std::wstring& path, const nlohmann::json& description);

// The simulated mapi32.dll loaded in this process (the library imports it):
// serves the description at path from now on, with its faults, and the call
// counts started afresh (QvSimMapiReset); also sets QV_SIM_MAILBOX.
HRESULT use_mapi_mailbox(const std::wstring& path);
// Its report now (QvSimMapiGetReport).
nlohmann::json mapi_report_now();
// Replaces its injected faults by a JSON array of fault rules (null: none).
HRESULT set_mapi_faults(const nlohmann::json& faults);
// Sets how the streams of one of its messages behave (QvSimMapiSetMessageOptions).
HRESULT set_mapi_message_options(IUnknown* message, const nlohmann::json& options);

// What a simulator's report shows left behind: objects still alive or
// referenced and, of MAPI, initialisations not ended (or ends without one),
// memory not freed, sessions made known to the spooler and dialogs that
// would have been shown. Empty for a clean report, and for a null one.
std::vector<std::string> leftovers(const nlohmann::json& report);

// Counted calls of a call point in a simulator's report (0 when never called).
std::uint64_t calls(const nlohmann::json& report, const char* call_point);

}  // namespace qv::test
