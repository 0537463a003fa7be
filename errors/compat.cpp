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

namespace {

// One conversion of text (length characters, -1 up to and with the
// terminator) by a system converter called as convert(output, room): first
// without room, for the size, then into the result. The terminator that a
// length of -1 converts is dropped.
template <class Result, class Char, class Convert>
Result converted(const Char* text, int length, Convert convert) {
  if (text == nullptr || length == 0 || (length < 0 && *text == Char())) {
    return Result();
  }
  const int needed = convert(nullptr, 0);
  if (needed <= 0) {
    throw_last_error_as_atl();
  }
  Result result;
  try {
    result.resize(static_cast<size_t>(needed));
  } catch (const std::bad_alloc&) {
    ATL::AtlThrow(E_OUTOFMEMORY);
  }
  if (convert(result.data(), needed) <= 0) {
    throw_last_error_as_atl();
  }
  if (length < 0) {
    result.pop_back();  // the converted terminator
  }
  return result;
}

}  // namespace

std::wstring to_wide(const char* text, int length, UINT code_page) {
  return converted<std::wstring>(text, length, [&](wchar_t* output, int room) {
    return ::MultiByteToWideChar(code_page, 0, text, length, output, room);
  });
}

std::string to_narrow(const wchar_t* text, int length, UINT code_page) {
  return converted<std::string>(text, length, [&](char* output, int room) {
    return ::WideCharToMultiByte(code_page, 0, text, length, output, room, nullptr, nullptr);
  });
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
