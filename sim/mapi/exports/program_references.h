// The references that the program itself takes to this DLL with LoadLibraryW
// and gives back with FreeLibrary. When the DLL is loaded as an import of the
// main executable, the executable's imports of those two routines are pointed
// at counting wrappers; loaded otherwise, it counts nothing. The reference
// that the executable holds because it imports the DLL is not among them.
#pragma once

#include <windows.h>

namespace qvsim::mapi {

// Redirects the executable's LoadLibraryW and FreeLibrary; once, from
// DllMain's process attach.
void watch_program_references(HMODULE self);

// The program's references to this DLL now.
long program_references();

}  // namespace qvsim::mapi
