#include "errors/compat.h"

#include <new>

namespace qv {

void raise_com_error(HRESULT hr) {
  _com_issue_error(hr);
  // Only a handler installed with _set_com_error_handler that returns gets
  // here; the error must not be lost.
  throw _com_error(hr);
}

HRESULT hresult_from_win32_error(DWORD error) noexcept {
  const auto value = static_cast<LONG>(error);
  if (value > 0) {
    return static_cast<HRESULT>(0x80070000u | (error & 0xFFFFu));
  }
  return static_cast<HRESULT>(value);
}

HRESULT hresult_from_last_error() noexcept { return hresult_from_win32_error(::GetLastError()); }

void throw_last_error_as_atl() { ATL::AtlThrow(hresult_from_last_error()); }

std::wstring to_wide(const char* text, int length, UINT code_page) {
  if (text == nullptr || length == 0 || (length < 0 && *text == '\0')) {
    return std::wstring();
  }
  const int needed = ::MultiByteToWideChar(code_page, 0, text, length, nullptr, 0);
  if (needed <= 0) {
    throw_last_error_as_atl();
  }
  std::wstring result;
  try {
    result.resize(static_cast<size_t>(needed));
  } catch (const std::bad_alloc&) {
    ATL::AtlThrow(E_OUTOFMEMORY);
  }
  if (::MultiByteToWideChar(code_page, 0, text, length, result.data(), needed) <= 0) {
    throw_last_error_as_atl();
  }
  if (length < 0) {
    result.pop_back();  // the converted terminator
  }
  return result;
}

std::string to_narrow(const wchar_t* text, int length, UINT code_page) {
  if (text == nullptr || length == 0 || (length < 0 && *text == L'\0')) {
    return std::string();
  }
  const int needed =
      ::WideCharToMultiByte(code_page, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) {
    throw_last_error_as_atl();
  }
  std::string result;
  try {
    result.resize(static_cast<size_t>(needed));
  } catch (const std::bad_alloc&) {
    ATL::AtlThrow(E_OUTOFMEMORY);
  }
  if (::WideCharToMultiByte(code_page, 0, text, length, result.data(), needed, nullptr, nullptr) <=
      0) {
    throw_last_error_as_atl();
  }
  if (length < 0) {
    result.pop_back();
  }
  return result;
}

}  // namespace qv

#if !defined(_MSC_VER)

namespace ATL {

void AtlThrow(HRESULT hr) { throw CAtlException(hr); }

}  // namespace ATL

// The COM support library's error raiser: the error object of the thread goes
// with the _com_error only when the object that failed supports rich error
// information for the interface that was called.
void WINAPI _com_issue_errorex(HRESULT hr, IUnknown* object, REFIID iid) {
  IErrorInfo* error_info = nullptr;
  if (object != nullptr) {
    ISupportErrorInfo* support = nullptr;
    if (SUCCEEDED(
            object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support))) &&
        support != nullptr) {
      const HRESULT supported = support->InterfaceSupportsErrorInfo(iid);
      support->Release();
      if (supported == S_OK && ::GetErrorInfo(0, &error_info) != S_OK) {
        error_info = nullptr;
      }
    }
  }
  // _com_error takes over the reference that GetErrorInfo gave.
  _com_raise_error(hr, error_info);
}

#endif
