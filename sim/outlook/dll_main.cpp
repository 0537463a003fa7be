// The DLL's entry points: COM activation of the Outlook application class,
// self-registration, and the hooks that tests call in-process.
#include <windows.h>

#include <string>

#include "errors/com_holders.h"
#include "outlook/outlook_interfaces.h"
#include "sim/common/com_guard.h"
#include "sim/common/ledger.h"
#include "sim/outlook/application_factory.h"
#include "sim/outlook/dispatch.h"
#include "sim/outlook/registration.h"
#include "sim/outlook/server.h"

using qvsim::outlook::Server;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) try {
  if (reason == DLL_PROCESS_ATTACH) {
    ::DisableThreadLibraryCalls(instance);
    Server::instance().set_module(instance);
  } else if (reason == DLL_PROCESS_DETACH && Server::instance().used()) {
    // At process exit this runs after the program's own exit routines.
    qvsim::Ledger::instance().write_report_to_env_path(qvsim::outlook::kReportVariable);
  }
  return TRUE;
}
QVSIM_CATCH_RETURN(::qvsim::caught_exception_value(TRUE))

// Counted as "DllGetClassObject". The mailbox is read here, at the first
// activation; a description that cannot be read fails CreateInstance (COM
// would turn a failure here into REGDB_E_CLASSNOTREG, as for a class that is
// not there).
STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* result) try {
  if (result == nullptr) {
    return E_POINTER;
  }
  *result = nullptr;
  if (!IsEqualCLSID(clsid, CLSID_OutlookApplication)) {
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  Server::instance().ensure_loaded();
  qvsim::outlook::CallScope call("DllGetClassObject");
  if (call.outcome().failed()) {
    return call.outcome().hr;
  }
  return qvsim::outlook::ApplicationFactory::instance().QueryInterface(iid, result);
}
QVSIM_CATCH_HRESULT

// The DLL stays loaded until the process ends, so that its ledger and mailbox
// keep their state across CoUninitialize.
STDAPI DllCanUnloadNow() { return S_FALSE; }

STDAPI DllRegisterServer() try {
  return qvsim::outlook::register_server(qvsim::outlook::Host::kInProcess);
}
QVSIM_CATCH_HRESULT

STDAPI DllUnregisterServer() try { return qvsim::outlook::unregister_server(); }
QVSIM_CATCH_HRESULT

// Writes the report now, to path, or (path null) to QV_SIM_OUTLOOK_REPORT's
// path. S_OK when written, S_FALSE when there is no path, E_FAIL when the
// file cannot be written.
extern "C" HRESULT WINAPI QvSimOutlookWriteReport(const wchar_t* path) try {
  const std::wstring target = path != nullptr
                                  ? std::wstring(path)
                                  : qvsim::environment_variable(qvsim::outlook::kReportVariable);
  if (target.empty()) {
    return S_FALSE;
  }
  return qvsim::Ledger::instance().write_report(target) ? S_OK : E_FAIL;
}
QVSIM_CATCH_HRESULT

// Applies a change to the mailbox, given as UTF-8 JSON text in the form of an
// event's change ({"add_folder": {"to": ..., "folder": {...}}}, ...). Reads
// the mailbox first if no activation has yet. S_OK, or E_INVALIDARG when the
// text is not a valid change (the reason goes into the report).
extern "C" HRESULT WINAPI QvSimOutlookApply(const char* change) try {
  if (change == nullptr) {
    return E_POINTER;
  }
  Server& server = Server::instance();
  const HRESULT loaded = server.ensure_loaded();
  if (FAILED(loaded)) {
    return loaded;
  }
  const nlohmann::json action = nlohmann::json::parse(change, nullptr, false);
  return action.is_discarded() ? E_INVALIDARG : server.apply(action);
}
QVSIM_CATCH_HRESULT

// Serves the description at path (QV_SIM_MAILBOX's when null) from now on and
// starts the call counts afresh, for tests that drive the DLL in-process, one
// test after another. S_OK, or CO_E_SERVER_EXEC_FAILURE when the description
// cannot be read.
extern "C" HRESULT WINAPI QvSimOutlookReset(const wchar_t* mailbox_path) try {
  return Server::instance().reload(mailbox_path != nullptr ? mailbox_path : L"");
}
QVSIM_CATCH_HRESULT
