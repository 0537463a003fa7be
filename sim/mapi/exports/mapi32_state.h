// The state of the simulated mapi32.dll as a whole: MAPIInitialize and
// MAPIUninitialize and their balance, the mailbox description that it
// serves, and the report of the DLL's ledger.
#pragma once

#include <string>

#include "sim/mapi/base/mapi_platform.h"

namespace qvsim::mapi {

// Environment variables that the DLL reads.
constexpr wchar_t kReportVariable[] = L"QV_SIM_MAPI_REPORT";  // where the report goes
constexpr wchar_t kMailboxVariable[] = L"QV_SIM_MAILBOX";     // the mailbox description served

// Sets the ledger's component name and report extension, registers the .msg
// reader with the mailbox description and serves the description with its
// faults; every export calls it first (cheap after the first time).
void prepare_library();

// MAPIInitialize: counts the call; fails with MAPI_E_CORRUPT_DATA when the
// mailbox description could not be read. Initialisations nest.
HRESULT initialize_library();
// MAPIUninitialize: counts the call; the last one that balances the
// initialisations writes the report.
void uninitialize_library();
bool library_initialized();

// Writes the report to path (the report variable's path when empty), with
// reason ("last_uninitialize", "process_exit", "on_demand") in it.
bool write_library_report(const std::wstring& path, const char* reason);
// The report as JSON text.
std::string library_report_text();

// Serves the description at path (QV_SIM_MAILBOX's when empty) from now on
// with the call counts started afresh, as if MAPIInitialize had read it.
HRESULT reset_library(const std::wstring& path);

}  // namespace qvsim::mapi
