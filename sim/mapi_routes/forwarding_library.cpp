// A MAPI library whose exports all forward to the system's mapi32.dll (see
// the module-definition file of each library); it has no code of its own.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD /*reason*/, LPVOID /*reserved*/) { return TRUE; }
