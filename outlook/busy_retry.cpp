#include "outlook/busy_retry.h"

#include <objbase.h>

#include "errors/unique_any.h"

namespace qv {
namespace {

// Win32 RPC failures as COM gives them: HRESULTs of facility 7 (written out,
// as HRESULT_FROM_WIN32 is no constant expression everywhere).
constexpr HRESULT kServerUnavailable =
    static_cast<HRESULT>(0x800706BAL);                              // RPC_S_SERVER_UNAVAILABLE
constexpr HRESULT kCallFailed = static_cast<HRESULT>(0x800706BEL);  // RPC_S_CALL_FAILED
constexpr HRESULT kCallFailedNotExecuted =
    static_cast<HRESULT>(0x800706BFL);  // RPC_S_CALL_FAILED_DNE

}  // namespace

bool is_busy_code(HRESULT hr) noexcept {
  return hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER;
}

bool is_gone_code(HRESULT hr) noexcept {
  switch (hr) {
    case RPC_E_DISCONNECTED:
    case RPC_E_SERVER_DIED:
    case RPC_E_SERVER_DIED_DNE:
    case RPC_E_CONNECTION_TERMINATED:
    case CO_E_OBJNOTCONNECTED:
    case CO_E_SERVER_STOPPING:
    case kServerUnavailable:
    case kCallFailed:
    case kCallFailedNotExecuted:
      return true;
    default:
      return false;
  }
}

void pause_for_busy_server(DWORD milliseconds) noexcept {
  // An event that nobody sets: the wait always lasts the whole pause. A
  // thread of a single-threaded apartment must not simply sleep for seconds:
  // calls into its apartment and messages sent to its windows would wait
  // with it, so the pause goes through COM's modal wait, which dispatches
  // them.
  const unique_any<HANDLE, &::CloseHandle> never_set(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!never_set) {
    ::Sleep(milliseconds);
    return;
  }
  HANDLE handles[] = {never_set.get()};
  DWORD index = 0;
  const HRESULT hr = ::CoWaitForMultipleHandles(0, milliseconds, 1, handles, &index);
  if (hr != RPC_S_CALLPENDING) {
    ::Sleep(milliseconds);  // the wait did not happen (no apartment on this thread)
  }
}

}  // namespace qv
