// The platform's MAPI headers, included in the order they need, with what
// the MinGW-w64 headers lack (mapi/mapi_platform.h: the interface IDs for
// __uuidof, a few tags and flags).
#pragma once

#include <windows.h>
#include <objbase.h>
#include <objidl.h>

#include <mapidefs.h>
#include <mapicode.h>
#include <mapiguid.h>
#include <mapitags.h>
#include <mapix.h>
#include <mapiutil.h>
#include <imessage.h>

#include "mapi/mapi_platform.h"

#ifndef PT_UNICODE
#define PT_UNICODE ((ULONG)31)
#endif
#ifndef PT_MV_UNICODE
#define PT_MV_UNICODE (MV_FLAG | PT_UNICODE)
#endif
#ifndef PT_MV_STRING8
#define PT_MV_STRING8 (MV_FLAG | PT_STRING8)
#endif

// Flags that Outlook's MAPI documents and the MinGW-w64 headers lack.
#ifndef MAPI_BG_SESSION
#define MAPI_BG_SESSION 0x00200000  // MAPILogonEx
#endif
#ifndef MAPI_NO_COINIT
#define MAPI_NO_COINIT 0x00000008  // MAPIINIT_0
#endif
#ifndef MDB_ONLINE
#define MDB_ONLINE ((ULONG)0x00000100)  // OpenMsgStore
#endif
#ifndef MAPI_NO_CACHE
#define MAPI_NO_CACHE ((ULONG)0x00000200)  // OpenEntry
#endif
#ifndef MAPI_CACHE_ONLY
#define MAPI_CACHE_ONLY ((ULONG)0x00004000)  // OpenEntry
#endif
#ifndef SHOW_SOFT_DELETES
#define SHOW_SOFT_DELETES ((ULONG)0x00000002)  // OpenEntry
#endif

namespace qvsim::mapi {

// The window-handle parameter of IMessage::DeleteAttach and
// IMAPIProp::CopyTo: ULONG in the MinGW-w64 headers, ULONG_PTR in the
// Windows SDK's.
#ifdef __MINGW32__
using UiParam = ULONG;
#else
using UiParam = ULONG_PTR;
#endif

// Property sets of MAPI, defined here so that the simulator needs no
// definitions from elsewhere (and clashes with none).
constexpr GUID kPsMapi = {0x00020328, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kPsPublicStrings = {0x00020329, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// The property type without the multi-value and instance flags.
inline ULONG base_type(ULONG type) { return type & ~static_cast<ULONG>(MV_FLAG | MV_INSTANCE); }
inline bool is_multi_valued(ULONG type) { return (type & MV_FLAG) != 0; }
inline bool is_string_type(ULONG type) {
  const ULONG base = base_type(type);
  return base == PT_STRING8 || base == PT_UNICODE;
}

}  // namespace qvsim::mapi
