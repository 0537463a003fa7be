// Outlook's type library as the simulated Outlook embeds it (outlook.idl,
// the module's TYPELIB resource 1): its registration, and the type
// information from which the objects answer IDispatch.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace qvsim::outlook {

// Outlook's library: LIBID {00062FFF-0000-0000-C000-000000000046}, 9.6.
inline constexpr GUID kLibraryId = {
    0x00062FFF, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr WORD kLibraryMajorVersion = 9;
inline constexpr WORD kLibraryMinorVersion = 6;

// The full path of a module; empty when it cannot be had.
std::wstring module_path(HMODULE module);

// Registers the type library embedded in the module at path: the TypeLib key
// and, for each dual interface, an Interface key whose proxy is the
// type-library marshaler.
HRESULT register_type_library(const std::wstring& path);
// Removes that registration; S_OK also when there was none.
HRESULT unregister_type_library();

// The type information of an interface of the library embedded in the
// server's module (its dispatch view, as IDispatch::GetTypeInfo gives it),
// loaded once and kept for the life of the process; null when the library
// cannot be loaded or has no such interface.
ITypeInfo* interface_type_info(REFIID iid);

}  // namespace qvsim::outlook
