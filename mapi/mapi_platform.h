// What the MinGW-w64 MAPI headers leave out and the Windows SDK's and
// Outlook's MAPI headers have: the interface IDs bound to the MAPI interface
// types, so that __uuidof(IMessage) works as it does with MSVC, and the few
// property tags, flags and property sets that qv and its simulator use by
// their platform names.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <mapidefs.h>
#include <mapitags.h>
#include <mapix.h>

#include "../errors/compat.h"

// Every MAPI interface ID is {000203xx-0000-0000-C000-000000000046}.
#if defined(_MSC_VER)
struct __declspec(uuid("00020300-0000-0000-C000-000000000046")) IMAPISession;
struct __declspec(uuid("00020301-0000-0000-C000-000000000046")) IMAPITable;
struct __declspec(uuid("00020303-0000-0000-C000-000000000046")) IMAPIProp;
struct __declspec(uuid("00020306-0000-0000-C000-000000000046")) IMsgStore;
struct __declspec(uuid("00020307-0000-0000-C000-000000000046")) IMessage;
struct __declspec(uuid("00020308-0000-0000-C000-000000000046")) IAttach;
struct __declspec(uuid("0002030B-0000-0000-C000-000000000046")) IMAPIContainer;
struct __declspec(uuid("0002030C-0000-0000-C000-000000000046")) IMAPIFolder;
struct __declspec(uuid("0002031C-0000-0000-C000-000000000046")) IProfAdmin;
#else
__CRT_UUID_DECL(IMAPISession, 0x00020300, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46)
__CRT_UUID_DECL(IMAPITable, 0x00020301, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46)
__CRT_UUID_DECL(IMAPIProp, 0x00020303, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46)
__CRT_UUID_DECL(IMsgStore, 0x00020306, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46)
__CRT_UUID_DECL(IMessage, 0x00020307, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46)
__CRT_UUID_DECL(IAttach, 0x00020308, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46)
__CRT_UUID_DECL(IMAPIContainer, 0x0002030B, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46)
__CRT_UUID_DECL(IMAPIFolder, 0x0002030C, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46)
__CRT_UUID_DECL(IProfAdmin, 0x0002031C, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46)
#endif

// Outlook's property sets of named properties.
inline constexpr GUID PSETID_Appointment = {0x00062002, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PSETID_Task = {0x00062003, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PSETID_Address = {0x00062004, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PSETID_Common = {0x00062008, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

#ifndef PR_MESSAGE_CODEPAGE
#define PR_MESSAGE_CODEPAGE PROP_TAG(PT_LONG, 0x3FFD)
#endif
#ifndef PR_INTERNET_CPID
#define PR_INTERNET_CPID PROP_TAG(PT_LONG, 0x3FDE)
#endif
#ifndef STORE_UNICODE_OK
#define STORE_UNICODE_OK ((ULONG)0x00040000)
#endif
