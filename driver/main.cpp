// qv_driver: exercises the qv library against the Outlook of the user who
// runs it.
#include <windows.h>

#include <cstdio>

int wmain(int /*argc*/, wchar_t** /*argv*/) {
  ::CoInitialize(nullptr);
  std::fputs("EntryID values on clipboard:\n", stdout);
  return 0;
}
