// The exports of the simulated mapi32.dll. Each counts its call point in the
// DLL's ledger and fails with an injected fault before it does its work.
#include <cstring>
#include <string>

#include "sim/common/com_guard.h"
#include "sim/common/ledger.h"
#include "sim/mapi/base/call_points.h"
#include "sim/mapi/exports/mapi32_state.h"
#include "sim/mapi/message/message.h"
#include "sim/mapi/message/msg_on_storage.h"
#include "sim/mapi/exports/program_faults.h"
#include "sim/mapi/exports/program_references.h"
#include "sim/mapi/message/rtf_stream.h"
#include "sim/mapi/mailbox/session.h"
#include "sim/mapi/exports/utility_routines.h"

namespace {

using namespace qvsim::mapi;

HRESULT enter(const char* call_point) {
  prepare_library();
  return enter_call(call_point);
}

// The MAPIINIT_0 flags that MAPIInitialize knows.
constexpr ULONG kInitializeFlags =
    MAPI_MULTITHREAD_NOTIFICATIONS | MAPI_NT_SERVICE | MAPI_NO_COINIT;

// MAPIInitialize checks its argument first: null, or a MAPIINIT_0 of the
// one version there is with known flags.
HRESULT check_initialize_options(const MAPIINIT_0* options) {
  if (options == nullptr) {
    return S_OK;
  }
  if (options->ulVersion != MAPI_INIT_VERSION) {
    return MAPI_E_INVALID_PARAMETER;
  }
  return (options->ulFlags & ~kInitializeFlags) != 0 ? MAPI_E_UNKNOWN_FLAGS : S_OK;
}

}  // namespace

extern "C" {

HRESULT WINAPI MAPIInitialize(LPVOID init) try {
  if (const HRESULT hr = enter("MAPIInitialize"); FAILED(hr)) {
    return hr;
  }
  if (const HRESULT hr = check_initialize_options(static_cast<const MAPIINIT_0*>(init));
      FAILED(hr)) {
    return hr;
  }
  return initialize_library();
}
QVSIM_CATCH_HRESULT

void WINAPI MAPIUninitialize() try {
  enter("MAPIUninitialize");  // nothing to fail
  uninitialize_library();
}
QVSIM_CATCH_VOID

// The profiles of the served mailbox. No flag is documented.
HRESULT WINAPI MAPIAdminProfiles(ULONG flags, LPPROFADMIN* admin) try {
  if (admin != nullptr) {
    *admin = nullptr;
  }
  if (const HRESULT hr = enter("MAPIAdminProfiles"); FAILED(hr)) {
    return hr;
  }
  if (admin == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  if (flags != 0) {
    return MAPI_E_UNKNOWN_FLAGS;
  }
  if (!library_initialized()) {
    return MAPI_E_NOT_INITIALIZED;
  }
  *admin = create_profile_admin();
  return S_OK;
}
QVSIM_CATCH_HRESULT

// A session on a profile of the served mailbox, found by its name (wide
// with MAPI_UNICODE), under the rules of log_on. Faults may name the
// profile (only_for, matched against the name in UTF-8) or the nth logon.
HRESULT WINAPI MAPILogonEx(ULONG_PTR, LPTSTR profile, LPTSTR password, ULONG flags,
                           LPMAPISESSION* session) try {
  if (session != nullptr) {
    *session = nullptr;
  }
  prepare_library();
  const std::string qualifier = qvsim::wide_to_utf8(profile_name_text(profile, flags));
  if (const HRESULT hr = qvsim::Ledger::instance().enter_for("MAPILogonEx", qualifier).hr;
      FAILED(hr)) {
    return hr;
  }
  if (session == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  return library_initialized() ? log_on(profile, password, flags, session) : MAPI_E_NOT_INITIALIZED;
}
QVSIM_CATCH_HRESULT

SCODE WINAPI MAPIAllocateBuffer(ULONG size, LPVOID* buffer) try {
  if (buffer != nullptr) {
    *buffer = nullptr;
  }
  if (const HRESULT hr = enter("MAPIAllocateBuffer"); FAILED(hr)) {
    return hr;
  }
  return linked_allocate_buffer(size, buffer);
}
QVSIM_CATCH_HRESULT

SCODE WINAPI MAPIAllocateMore(ULONG size, LPVOID parent, LPVOID* buffer) try {
  if (buffer != nullptr) {
    *buffer = nullptr;
  }
  if (const HRESULT hr = enter("MAPIAllocateMore"); FAILED(hr)) {
    return hr;
  }
  return linked_allocate_more(size, parent, buffer);
}
QVSIM_CATCH_HRESULT

ULONG WINAPI MAPIFreeBuffer(LPVOID buffer) try {
  if (const HRESULT hr = enter("MAPIFreeBuffer"); FAILED(hr)) {
    return static_cast<ULONG>(hr);
  }
  return linked_free_buffer(buffer);
}
QVSIM_CATCH_RETURN(static_cast<ULONG>(::qvsim::caught_exception_hresult()))

BOOL STDAPICALLTYPE FBinFromHex(LPTSTR text, LPBYTE bytes) try {
  if (FAILED(enter("FBinFromHex"))) {
    return FALSE;
  }
  return bin_from_hex(text, bytes);
}
QVSIM_CATCH_RETURN(::qvsim::caught_exception_value(FALSE))

void STDAPICALLTYPE HexFromBin(LPBYTE bytes, int count, LPTSTR text) try {
  enter("HexFromBin");  // nothing to fail
  hex_from_bin(bytes, count, text);
}
QVSIM_CATCH_VOID

LPMALLOC STDAPICALLTYPE MAPIGetDefaultMalloc(VOID) try {
  if (FAILED(enter("MAPIGetDefaultMalloc"))) {
    return nullptr;
  }
  return new_default_malloc();
}
QVSIM_CATCH_RETURN(::qvsim::caught_exception_value(nullptr))

HRESULT STDAPICALLTYPE HrGetOneProp(LPMAPIPROP prop, ULONG tag, LPSPropValue* value) try {
  if (value != nullptr) {
    *value = nullptr;
  }
  if (const HRESULT hr = enter("HrGetOneProp"); FAILED(hr)) {
    return hr;
  }
  return get_one_prop(prop, tag, value, &linked_free_buffer);
}
QVSIM_CATCH_HRESULT

void STDAPICALLTYPE FreeProws(LPSRowSet rows) try {
  enter("FreeProws");  // nothing to fail
  free_rows(rows, &linked_free_buffer);
}
QVSIM_CATCH_VOID

HRESULT STDAPICALLTYPE WrapCompressedRTFStream(LPSTREAM compressed, ULONG flags,
                                               LPSTREAM* rtf) try {
  if (rtf != nullptr) {
    *rtf = nullptr;
  }
  if (const HRESULT hr = enter("WrapCompressedRTFStream"); FAILED(hr)) {
    return hr;
  }
  return wrap_compressed_rtf_stream(compressed, flags, rtf);
}
QVSIM_CATCH_HRESULT

SCODE STDAPICALLTYPE OpenIMsgOnIStg(LPMSGSESS, LPALLOCATEBUFFER allocate,
                                    LPALLOCATEMORE allocate_more, LPFREEBUFFER free,
                                    LPMALLOC malloc, LPVOID, LPSTORAGE storage,
                                    MSGCALLRELEASE* released, ULONG caller_data, ULONG flags,
                                    LPMESSAGE* message) try {
  if (message != nullptr) {
    *message = nullptr;
  }
  if (const HRESULT hr = enter("OpenIMsgOnIStg"); FAILED(hr)) {
    return hr;
  }
  // The message needs OLE's allocator for its storages and streams: unlike
  // the session, the support object and the callback, it is not optional.
  if (malloc == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  return open_message_on_storage(Allocator{allocate, allocate_more, free}, storage, released,
                                 caller_data, flags, message);
}
QVSIM_CATCH_HRESULT

// ---- The simulator's own routines, for tests ----

// Replaces the injected faults by a JSON array of rules (the "faults" of a
// mailbox description); null or empty text removes them all.
HRESULT WINAPI QvSimMapiSetFaults(LPCSTR json) try {
  prepare_library();
  if (json == nullptr || *json == '\0') {
    qvsim::Ledger::instance().clear_faults();
    return S_OK;
  }
  const nlohmann::json faults = nlohmann::json::parse(json, nullptr, false);
  if (faults.is_discarded() || !faults.is_array()) {
    return MAPI_E_INVALID_PARAMETER;
  }
  try {
    qvsim::Ledger::instance().set_faults(faults);
  } catch (const std::exception&) {
    return MAPI_E_INVALID_PARAMETER;
  }
  return S_OK;
}
QVSIM_CATCH_HRESULT

// Forgets the call counts and the created/destroyed object counts.
void WINAPI QvSimMapiResetCounts() try {
  prepare_library();
  qvsim::Ledger::instance().reset_counts();
}
QVSIM_CATCH_VOID

// Copies the report (UTF-8 JSON, zero-terminated) into buffer when size
// bytes suffice; returns the size that it needs.
ULONG WINAPI QvSimMapiGetReport(LPSTR buffer, ULONG size) try {
  prepare_library();
  const std::string text = library_report_text();
  const auto needed = static_cast<ULONG>(text.size() + 1);
  if (buffer != nullptr && size >= needed) {
    std::memcpy(buffer, text.c_str(), needed);
  }
  return needed;
}
QVSIM_CATCH_RETURN(::qvsim::caught_exception_value(ULONG{0}))

// Writes the report to path, or to QV_SIM_MAPI_REPORT's path when path is
// null. Returns whether a file was written.
BOOL WINAPI QvSimMapiWriteReport(LPCWSTR path) try {
  prepare_library();
  return write_library_report(path ? std::wstring(path) : std::wstring(), "on_demand") ? TRUE
                                                                                       : FALSE;
}
QVSIM_CATCH_RETURN(::qvsim::caught_exception_value(FALSE))

// Serves the mailbox description at path (QV_SIM_MAILBOX's when null) from
// now on, with its faults, and starts the call counts afresh, for test
// programs that run several cases in one process. Objects still alive keep
// the mailbox they came from. S_OK, or MAPI_E_CORRUPT_DATA when the
// description cannot be read (the reason goes to the report).
HRESULT WINAPI QvSimMapiReset(LPCWSTR mailbox_path) try {
  prepare_library();
  return reset_library(mailbox_path ? std::wstring(mailbox_path) : std::wstring());
}
QVSIM_CATCH_HRESULT

// Sets how a message of this library (with its attachments and embedded
// messages) serves its properties: the JSON of MessageOptions::from_json.
HRESULT WINAPI QvSimMapiSetMessageOptions(LPUNKNOWN message, LPCSTR json) try {
  const std::shared_ptr<MessageData> data = message_data_of(message);
  if (!data || json == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  try {
    *data->options = MessageOptions::from_json(nlohmann::json::parse(json));
  } catch (const std::exception&) {
    return MAPI_E_INVALID_PARAMETER;
  }
  return S_OK;
}
QVSIM_CATCH_HRESULT

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID process_ends) try {
  if (reason == DLL_PROCESS_ATTACH) {
    watch_program_references(self);
    watch_program_calls();
  }
  if (reason == DLL_PROCESS_DETACH) {
    write_library_report(std::wstring(), process_ends ? "process_exit" : "unload");
  }
  return TRUE;
}
QVSIM_CATCH_RETURN(::qvsim::caught_exception_value(FALSE))

}  // extern "C"
