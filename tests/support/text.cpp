#include "tests/support/text.h"

#include <windows.h>

namespace qv::test {

std::string utf8(std::wstring_view text) {
  if (text.empty()) {
    return std::string();
  }
  const int length = static_cast<int>(text.size());
  const int size =
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, result.data(), size, nullptr, nullptr);
  return result;
}

std::wstring wide(std::string_view utf8_text) {
  if (utf8_text.empty()) {
    return std::wstring();
  }
  const int length = static_cast<int>(utf8_text.size());
  const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8_text.data(), length, nullptr, 0);
  std::wstring result(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8_text.data(), length, result.data(), size);
  return result;
}

std::string hex_of(const void* data, std::size_t size) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const auto* bytes = static_cast<const unsigned char*>(data);
  std::string text;
  text.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0xF];
  }
  return text;
}

std::string hex_of(std::string_view bytes) { return hex_of(bytes.data(), bytes.size()); }

std::string hex_of(const std::vector<std::uint8_t>& bytes) {
  return hex_of(bytes.data(), bytes.size());
}

std::string hex_number(std::uint64_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  while (value != 0 || static_cast<int>(text.size()) < digits) {
    text.insert(text.begin(), kDigits[value & 0xF]);
    value >>= 4;
  }
  return text;
}

std::string hex_constant(std::uint64_t value, int digits) {
  return "0x" + hex_number(value, digits);
}

std::string hresult_text(long hr) { return hex_constant(static_cast<std::uint32_t>(hr), 8); }

}  // namespace qv::test
