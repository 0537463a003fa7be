#include "errors/exceptions.h"

#include <cwctype>
#include <vector>

#include "errors/compat.h"
#include "errors/unique_any.h"

namespace qv {
namespace {

constexpr char kWhatText[] = "qv::texception";

// FormatMessageW flags of the two texts.
constexpr DWORD kSystemTextFlags =
    FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
constexpr DWORD kPatternFlags =
    FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY;

void copy_text(std::wstring& target, const wchar_t* text) noexcept {
  try {
    if (text != nullptr) {
      target = text;
    }
  } catch (...) {
    // The message stays empty.
  }
}

// The highest insert number that the pattern reads, as the system's formatter
// parses it: "%n" with one or two digits, optionally followed by a printf
// format between exclamation marks ("%1!*s!"), where each '*' reads one more
// insert. "%%" and the other escapes read none. Returns -1 when the format
// is not closed.
int highest_insert_read(const wchar_t* pattern) {
  int highest = 0;
  for (const wchar_t* p = pattern; *p != L'\0'; ++p) {
    if (*p != L'%') {
      continue;
    }
    ++p;
    if (*p < L'1' || *p > L'9') {
      if (*p == L'\0') {
        break;
      }
      continue;  // "%%", "%0", "%n", "%!", ...: no insert
    }
    int number = *p - L'0';
    if (p[1] >= L'0' && p[1] <= L'9') {
      ++p;
      number = number * 10 + (*p - L'0');
    }
    if (p[1] == L'!') {
      p += 2;
      while (*p != L'\0' && *p != L'!') {
        if (*p == L'*') {
          ++number;
        }
        ++p;
      }
      if (*p == L'\0') {
        return -1;
      }
    }
    if (number > highest) {
      highest = number;
    }
  }
  return highest;
}

}  // namespace

texception::texception(const wchar_t* text) noexcept { copy_text(message_, text); }

texception::texception(const std::wstring& text) noexcept { copy_text(message_, text.c_str()); }

const char* texception::what() const noexcept { return kWhatText; }

win32_error::win32_error(std::int32_t code) noexcept
    : win32_error(from_text_tag{}, system_error_text(code), code) {}

win32_error::win32_error() noexcept : win32_error(last_error_tag{}, ::GetLastError()) {}

win32_error::win32_error(last_error_tag, DWORD last_error) noexcept
    : win32_error(from_text_tag{}, system_error_text(hresult_from_win32_error(last_error)),
                  static_cast<std::int32_t>(last_error)) {}

win32_error::win32_error(const wchar_t* text) noexcept
    : truntime_error(text), code_(static_cast<std::int32_t>(E_FAIL)) {}

win32_error::win32_error(from_text_tag, const std::wstring& message, std::int32_t code) noexcept
    : truntime_error(message), code_(code) {}

HRESULT check_hresult(HRESULT hr) {
  if (hr < 0) {
    throw win32_error(static_cast<std::int32_t>(hr));
  }
  return hr;
}

std::wstring system_error_text(std::int32_t code) noexcept {
  std::wstring result;
  try {
    unique_local_memory<wchar_t> buffer;
    const DWORD length = ::FormatMessageW(kSystemTextFlags, nullptr, static_cast<DWORD>(code),
                                          MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                          reinterpret_cast<LPWSTR>(buffer.put()), 0, nullptr);
    if (length != 0) {
      result.assign(buffer.get(), length);
      trim_whitespace(result);
    } else {
      result = L"Unknown error";
    }
  } catch (...) {
    // Whatever the result held at that moment.
  }
  return result;
}

std::wstring format_message(const wchar_t* pattern,
                            std::initializer_list<const wchar_t*> inserts) noexcept {
  std::wstring result;
  if (pattern == nullptr) {
    return result;
  }
  try {
    const int highest = highest_insert_read(pattern);
    if (highest < 0 || static_cast<size_t>(highest) > inserts.size()) {
      // The formatter would read past the inserts that were passed.
      result = pattern;
      return result;
    }
    std::vector<DWORD_PTR> arguments;
    arguments.reserve(inserts.size());
    for (const wchar_t* insert : inserts) {
      arguments.push_back(reinterpret_cast<DWORD_PTR>(insert != nullptr ? insert : L""));
    }
    unique_local_memory<wchar_t> buffer;
    const DWORD length = ::FormatMessageW(
        kPatternFlags, pattern, 0, 0, reinterpret_cast<LPWSTR>(buffer.put()), 0,
        reinterpret_cast<va_list*>(arguments.empty() ? nullptr : arguments.data()));
    if (length != 0) {
      result.assign(buffer.get(), length);
    } else {
      result = pattern;
    }
  } catch (...) {
    // The result stays as it was when the failure came.
  }
  return result;
}

std::wstring& trim_whitespace(std::wstring& text) {
  while (!text.empty() && std::iswspace(text.back())) {
    text.pop_back();
  }
  size_t first = 0;
  while (first < text.size() && std::iswspace(text[first])) {
    ++first;
  }
  text.erase(0, first);
  return text;
}

}  // namespace qv
