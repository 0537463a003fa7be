#include "driver/console_output.h"

#include <optional>

namespace qv::driver {
namespace {

std::wstring with_windows_line_ends(std::wstring_view text) {
  std::wstring result;
  result.reserve(text.size() + 8);
  for (const wchar_t c : text) {
    if (c == L'\n') {
      result.push_back(L'\r');
    }
    result.push_back(c);
  }
  return result;
}

// text in a code page; nothing when the system refuses the conversion.
std::optional<std::string> convert(const std::wstring& text, UINT code_page, DWORD flags,
                                   const char* default_char) {
  const int length = static_cast<int>(text.size());
  const int size = ::WideCharToMultiByte(code_page, flags, text.data(), length, nullptr, 0,
                                         default_char, nullptr);
  if (size <= 0) {
    return std::nullopt;
  }
  std::string bytes(static_cast<size_t>(size), '\0');
  if (::WideCharToMultiByte(code_page, flags, text.data(), length, bytes.data(), size, default_char,
                            nullptr) != size) {
    return std::nullopt;
  }
  return bytes;
}

// The code page of redirected output.
UINT output_code_page() {
  const UINT console_page = ::GetConsoleOutputCP();
  return console_page != 0 ? console_page : ::GetACP();
}

void write_to(DWORD stream, std::wstring_view text) {
  const HANDLE handle = ::GetStdHandle(stream);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) {
    return;
  }
  DWORD mode = 0;
  DWORD written = 0;
  if (::GetConsoleMode(handle, &mode)) {
    const std::wstring lines = with_windows_line_ends(text);
    ::WriteConsoleW(handle, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
    return;
  }
  const std::string bytes = encode_for_code_page(text, output_code_page());
  ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

std::wstring fill_format(std::wstring_view format, std::wstring_view argument) {
  std::wstring result;
  result.reserve(format.size() + argument.size());
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == L'%' && i + 1 < format.size()) {
      if (format[i + 1] == L's') {
        result.append(argument);
        ++i;
        continue;
      }
      if (format[i + 1] == L'%') {
        result.push_back(L'%');
        ++i;
        continue;
      }
    }
    result.push_back(format[i]);
  }
  return result;
}

std::string encode_for_code_page(std::wstring_view text, UINT code_page) {
  const std::wstring lines = with_windows_line_ends(text);
  if (lines.empty()) {
    return std::string();
  }
  // Best-fit mapping would turn characters the code page lacks into look-alike
  // letters; they must show as '?' instead.
  if (std::optional<std::string> bytes = convert(lines, code_page, WC_NO_BEST_FIT_CHARS, "?")) {
    return *bytes;
  }
  // UTF-7, UTF-8, GB 18030, the ISO 2022 and ISCII code pages and the symbol
  // code page take neither that flag nor a default character.
  if (std::optional<std::string> bytes = convert(lines, code_page, 0, nullptr)) {
    return *bytes;
  }
  // The system cannot convert the whole text (a code page it does not know,
  // or a character it cannot map at all): character by character, with ASCII
  // as it stands where the system gives nothing, and '?' for the rest.
  std::string bytes;
  for (const wchar_t c : lines) {
    if (std::optional<std::string> one = convert(std::wstring(1, c), code_page, 0, nullptr)) {
      bytes += *one;
    } else {
      bytes.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
  }
  return bytes;
}

void write_output(std::wstring_view text) { write_to(STD_OUTPUT_HANDLE, text); }

void write_error(std::wstring_view text) { write_to(STD_ERROR_HANDLE, text); }

void print(std::wstring_view format, std::wstring_view argument) {
  write_output(fill_format(format, argument));
}

}  // namespace qv::driver
