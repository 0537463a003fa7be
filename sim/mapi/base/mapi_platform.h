// The platform's MAPI headers, included in the order they need, and the few
// constants of Extended MAPI that the MinGW-w64 headers lack.
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

namespace qvsim::mapi {

// The window-handle parameter of IMessage::DeleteAttach and
// IMAPIProp::CopyTo: ULONG in the MinGW-w64 headers, ULONG_PTR in the
// Windows SDK's.
#ifdef __MINGW32__
using UiParam = ULONG;
#else
using UiParam = ULONG_PTR;
#endif

// Tags used by the library itself. The headers name 8-bit or Unicode
// variants depending on UNICODE, so the explicit ones are spelled out here.
constexpr ULONG kTagMessageCodePage = PROP_TAG(PT_LONG, 0x3FFD);     // PR_MESSAGE_CODEPAGE
constexpr ULONG kTagInternetCodePage = PROP_TAG(PT_LONG, 0x3FDE);    // PR_INTERNET_CPID
constexpr ULONG kTagStoreSupportMask = PROP_TAG(PT_LONG, 0x340D);    // PR_STORE_SUPPORT_MASK
constexpr ULONG kStoreUnicodeOk = 0x00040000;                        // STORE_UNICODE_OK
constexpr ULONG kTagAttachNum = PROP_TAG(PT_LONG, 0x0E21);           // PR_ATTACH_NUM
constexpr ULONG kTagAttachMethod = PROP_TAG(PT_LONG, 0x3705);        // PR_ATTACH_METHOD
constexpr ULONG kTagAttachDataObject = PROP_TAG(PT_OBJECT, 0x3701);  // PR_ATTACH_DATA_OBJ
constexpr ULONG kTagRowId = PROP_TAG(PT_LONG, 0x3000);               // PR_ROWID
constexpr ULONG kTagRtfCompressed = PROP_TAG(PT_BINARY, 0x1009);     // PR_RTF_COMPRESSED
constexpr ULONG kTagDisplayNameW = PROP_TAG(PT_UNICODE, 0x3001);     // PR_DISPLAY_NAME_W
constexpr ULONG kTagSubjectW = PROP_TAG(PT_UNICODE, 0x0037);         // PR_SUBJECT_W
constexpr ULONG kTagMessageClassW = PROP_TAG(PT_UNICODE, 0x001A);    // PR_MESSAGE_CLASS_W
constexpr ULONG kTagContainerClassW = PROP_TAG(PT_UNICODE, 0x3613);  // PR_CONTAINER_CLASS_W
constexpr ULONG kTagAttachLongFilenameW =
    PROP_TAG(PT_UNICODE, 0x3707);                                   // PR_ATTACH_LONG_FILENAME_W
constexpr ULONG kTagAttachMimeTagW = PROP_TAG(PT_UNICODE, 0x370E);  // PR_ATTACH_MIME_TAG_W

// Interface identifiers and property sets of MAPI, defined here so that the
// simulator needs no definitions from elsewhere (and clashes with none).
constexpr GUID kIidMapiTable = {0x00020301, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidMapiProp = {0x00020303, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidMessage = {0x00020307, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidAttachment = {0x00020308, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidMapiSession = {0x00020300, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidMsgStore = {0x00020306, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidMapiContainer = {0x0002030B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidMapiFolder = {0x0002030C, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidProfAdmin = {0x0002031C, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
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
