// What the library does when Outlook does not answer a call: a busy Outlook
// (a dialog open, a synchronisation under way) rejects calls for a while, and
// the call is made again after a pause; an Outlook that has gone away (closed
// by the user, or ended) is not called again.
#pragma once

#include <windows.h>

namespace qv {

// The schedule of the retries: the first pause, doubling after each retry up
// to the longest pause, while the pauses together stay within the total wait
// (10, 20, 40, ..., 640, 1000, 1000, 1000, 730 ms: 5 s in all).
constexpr DWORD kFirstBusyPauseMs = 10;
constexpr DWORD kLongestBusyPauseMs = 1000;
constexpr DWORD kBusyWaitLimitMs = 5000;

// RPC_E_CALL_REJECTED and RPC_E_SERVERCALL_RETRYLATER: the server is there
// but will not take the call now.
bool is_busy_code(HRESULT hr) noexcept;

// The codes with which COM reports a server process that has ended or can no
// longer be reached (RPC_E_DISCONNECTED, RPC_E_SERVER_DIED,
// RPC_E_SERVER_DIED_DNE, CO_E_OBJNOTCONNECTED, RPC_S_SERVER_UNAVAILABLE and
// RPC_S_CALL_FAILED as HRESULTs, ...).
bool is_gone_code(HRESULT hr) noexcept;

// Whether the code says that Outlook gave no answer at all (busy or gone), as
// opposed to an answer that is a failure.
inline bool is_unanswered_code(HRESULT hr) noexcept { return is_busy_code(hr) || is_gone_code(hr); }

// Waits for the pause while the thread's apartment stays responsive: in a
// single-threaded apartment, COM calls and messages sent to the thread are
// dispatched meanwhile (CoWaitForMultipleHandles).
void pause_for_busy_server(DWORD milliseconds) noexcept;

// Makes the call, and makes it again with the same arguments after each
// pause of the schedule for as long as it is answered busy. Returns the last
// answer: a busy code when Outlook stayed busy for the whole wait. Other
// failures, gone codes included, are returned at once.
template <class Call>
HRESULT call_while_busy(Call&& call) {
  HRESULT hr = call();
  DWORD waited = 0;
  DWORD pause = kFirstBusyPauseMs;
  while (is_busy_code(hr) && waited < kBusyWaitLimitMs) {
    const DWORD this_pause = pause < kBusyWaitLimitMs - waited ? pause : kBusyWaitLimitMs - waited;
    pause_for_busy_server(this_pause);
    waited += this_pause;
    pause = pause * 2 < kLongestBusyPauseMs ? pause * 2 : kLongestBusyPauseMs;
    hr = call();
  }
  return hr;
}

}  // namespace qv
