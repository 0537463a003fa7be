// The few platform pieces that differ between MSVC and MinGW-w64.
//
// With MSVC, ATL and the COM support library (comsuppw.lib) provide
// ATL::CAtlException, ATL::AtlThrow and _com_issue_errorex. MinGW-w64 ships
// comdef.h with _com_error but neither ATL nor a library that defines
// _com_issue_errorex, so this header and compat.cpp supply compatible ones.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <comdef.h>

#include <string>

#if defined(_MSC_VER)

#include <atlbase.h>
#include <atlexcept.h>
#pragma comment(lib, "comsuppw.lib")

#else  // MinGW-w64

namespace ATL {

// Exception of the ATL conversion helpers: an HRESULT only.
class CAtlException {
 public:
  CAtlException() noexcept : m_hr(E_FAIL) {}
  CAtlException(HRESULT hr) noexcept : m_hr(hr) {}  // NOLINT: implicit as in ATL
  operator HRESULT() const noexcept { return m_hr; }

  HRESULT m_hr;
};

[[noreturn]] void AtlThrow(HRESULT hr);

}  // namespace ATL

#endif

using ATL::CAtlException;

// MSVC declares interface IDs with __declspec(uuid); MinGW-w64 with
// __CRT_UUID_DECL. Declarations use both, so one must be empty.
#ifndef __CRT_UUID_DECL
#define __CRT_UUID_DECL(type, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)
#endif

namespace qv {

// Raises _com_error for hr without an error object, through the COM support
// library's handler (_com_issue_error).
[[noreturn]] void raise_com_error(HRESULT hr);

// The HRESULT for a last-error value: 0x8007xxxx for a positive Win32 code,
// the value itself when it is 0 or negative (taken as signed).
HRESULT hresult_from_win32_error(DWORD error) noexcept;

// The same for the calling thread's last-error value.
HRESULT hresult_from_last_error() noexcept;

// Throws CAtlException with the HRESULT of the thread's last error.
[[noreturn]] void throw_last_error_as_atl();

// 8-bit text in the given code page to UTF-16, and back, with
// MultiByteToWideChar / WideCharToMultiByte and flags 0. A length of -1 means
// zero-terminated (the terminator is not part of the result). Throws
// CAtlException: E_OUTOFMEMORY when the buffer cannot be had, the HRESULT of
// the last error when the conversion fails. A null text gives an empty one.
std::wstring to_wide(const char* text, int length, UINT code_page);
std::string to_narrow(const wchar_t* text, int length, UINT code_page);

}  // namespace qv
