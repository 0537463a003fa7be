// A MAPI library whose exports all forward to the system's mapi32.dll (see
// the module-definition file of each library); it has no MAPI code of its
// own.
//
// The MAPI state lives in mapi32.dll, so mapi32.dll must stay loaded as long
// as this library is: a forwarded export does not keep its target loaded
// (Wine takes no reference for it when the target is already loaded), so the
// library also imports one routine from mapi32.dll, which makes mapi32.dll a
// load-time dependency of its own.
#include <windows.h>
#include <mapix.h>

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    const void* volatile dependency = reinterpret_cast<const void*>(&MAPIFreeBuffer);
    (void)dependency;
  }
  return TRUE;
}
