// The Extended MAPI session class. Constructing a Mapi locates the MAPI
// library of the installed Outlook through the registry, loads it and
// initialises MAPI; destroying it uninitialises MAPI and frees the library.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "../errors/com_holders.h"
#include "../errors/unique_any.h"
#include "../outlook/folders.h"

namespace qv {

class EntryId;
class MapiLogon;

class Mapi {
 public:
  // Throws truntime_error "Failed to locate Outlook Extended MAPI DLL" when
  // the registry names no MAPI library, and win32_error when the library
  // cannot be loaded or MAPI cannot be initialised. A constructor that throws
  // leaves nothing loaded and MAPI not initialised by it.
  Mapi();
  Mapi(const Mapi&) = delete;
  Mapi& operator=(const Mapi&) = delete;
  ~Mapi();

  // The loaded MAPI library, in which entry points are looked up by name.
  HMODULE library_handle() const noexcept { return library.get(); }

  // The logged-on state: every profile logged on, with its message stores.
  // Made on the first call and kept; a failed attempt keeps nothing, so the
  // next call starts again. Throws what the MapiLogon constructor throws.
  MapiLogon& logon();

  // Opens an object by its EntryID, offering it to each session in turn.
  // Returns the object when the first session that opens it gives the
  // expected MAPI object type, and an empty reference when it gives another
  // type. Throws truntime_error "Outlook object [<EntryID text>] not found"
  // when no session opens it, and what logon() throws.
  com_ptr<IUnknown> open_entry(const EntryId& entry_id, ULONG expected_type);

  // The map of Outlook's folders, built from Outlook on first use and served
  // from this object afterwards. refresh: on entry, true asks for a rebuild
  // even when the map holds entries; on return it is true when the map
  // already held entries and no rebuild was asked for, and otherwise keeps
  // its value. Throws win32_error when Outlook cannot be reached and
  // _com_error when a member of the folder tree fails; the map then keeps
  // the folders inserted before the failure.
  const FolderMap& list_folders(bool& refresh);

 private:
  unique_library library;
  std::unique_ptr<MapiLogon> logon_state;  // destroyed before MAPI is uninitialised
  FolderMap folders;
};

// An entry point of a library, looked up by its 8-bit name at each use; null
// when the library lacks it.
template <class Function>
Function* find_entry_point(HMODULE library, const char* name) noexcept {
  const FARPROC address = ::GetProcAddress(library, name);
  return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(address));
}

// Calls an entry point of a library, looked up by name, with arguments and
// returns its HRESULT; E_FAIL when the library lacks it.
template <class Function, class... Arguments>
HRESULT call_entry_point(HMODULE library, const char* name, Arguments... arguments) {
  Function* entry = find_entry_point<Function>(library, name);
  return entry != nullptr ? entry(arguments...) : E_FAIL;
}

// The path (or bare file name) of the MAPI library to load: "mapi32.dll" when
// the default mail client is Microsoft Outlook, otherwise the "DllPathEx"
// value of Outlook's mail client key, unexpanded. Throws truntime_error
// "Failed to locate Outlook Extended MAPI DLL" when neither is available.
std::wstring locate_mapi_dll();

// Loads a library (as data only: without running or resolving it). Returns
// null on failure, or throws win32_error from the thread's last error when
// throw_on_failure is true.
HMODULE load_library(const wchar_t* path, bool as_data, bool throw_on_failure);

// The process's shared Mapi, created on first use. release true destroys it
// at once and returns null; the next call creates a new one. A failed
// creation throws and leaves none. The shared instance is destroyed at
// process exit.
Mapi* shared_mapi(bool release = false);

}  // namespace qv
