// outlook_sim_server.exe's life: the simulated Outlook in a process of its
// own, as Outlook runs on a user's machine, serving Outlook's application
// class to every client of the Wine prefix.
//
// Started by COM (-Embedding) at the first activation, or by a user (no
// argument), it registers the class object for many activations and its
// running application object for GetActiveObject, and then makes its main
// window (class rctrl_renwnd32, as Outlook's), which closing ends it. Started
// by COM, it also ends when no client needs it any more (reason_to_end in
// local_server.cpp): after its last external reference is released and a
// short while without calls. However started, it ends soon after the process
// that started it has ended (under Wine, COM starts a server from the
// client's own process, and never releases the references of a client that
// is gone; a program that started it as a user would, a test or a benchmark,
// does not leave it behind when it dies). Ending, it
// refuses activations, revokes both registrations, writes its report (the
// calls, the faults, and the objects still held), and destroys its window.
#pragma once

#include <windows.h>

#include <string>

namespace qvsim::outlook {

// The window class of Outlook's main window, by which programs find a
// running Outlook.
inline constexpr wchar_t kMainWindowClass[] = L"rctrl_renwnd32";

// How long a server that COM started waits without calls before it ends:
// long enough for a client that releases everything between two operations
// to activate it again (Wine's COM does not retry an activation that meets a
// server on its way out).
inline constexpr DWORD kIdleMilliseconds = 2000;

// Runs the server until it ends; the process's exit code.
int run_local_server(HINSTANCE instance, bool started_by_com);

}  // namespace qvsim::outlook
