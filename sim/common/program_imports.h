// The import slots of the process's executable: where its calls of routines
// of other DLLs go. The simulated MAPI points some of them at wrappers, to
// count the program's own references to it and to feign failures of the
// platform's routines that the program calls; tests do the same in their own
// process.
#pragma once

#include <windows.h>

namespace qvsim {

// Whether the executable imports the DLL of this name (case ignored).
bool program_imports_library(const char* library);

// Points the executable's import slots of routine, imported by name from
// the DLL of this name (case ignored), at replacement. Returns what they
// pointed at before; null when the executable does not import the routine
// from that DLL (nothing changes then).
void* redirect_program_import(const char* library, const char* routine, void* replacement);

}  // namespace qvsim
