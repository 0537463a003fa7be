// Failures of the platform's routines that the program itself calls,
// feigned on request, so that tests reach the program's handling of a
// conversion or an allocation that fails. When the DLL is loaded as an
// import of the main executable, the executable's imports of these routines
// point at wrappers; a wrapper counts a call at its call point and fails it
// as the fault rule says only while a rule names that point, and otherwise
// only passes the call on (so the counts and traces of other runs do not
// change):
//   program.WideCharToMultiByte  fails with 0 and the low 16 bits of the
//                                rule's HRESULT as the thread's last error;
//                                the qualifier is the code page in decimal
//                                ("3" for CP_THREAD_ACP)
//   program.malloc               a request of 1 MiB or more fails with null:
//                                the process's heap has no such block left
#pragma once

namespace qvsim::mapi {

// Redirects the executable's imports; once, from DllMain's process attach.
void watch_program_calls();

}  // namespace qvsim::mapi
