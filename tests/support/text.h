// Texts that tests compare and print: UTF-8 and UTF-16 conversions, and
// bytes and numbers in hexadecimal. One copy for every test program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::test {

// UTF-16 to UTF-8, for messages, traces and JSON.
std::string utf8(std::wstring_view text);
// UTF-8 to UTF-16.
std::wstring wide(std::string_view utf8_text);

// Bytes as upper-case hexadecimal digits, two per byte: "00AB".
std::string hex_of(const void* data, std::size_t size);
std::string hex_of(std::string_view bytes);
std::string hex_of(const std::vector<std::uint8_t>& bytes);

// A number in upper-case hexadecimal without prefix, at least `digits`
// digits: hex_number(0xAB, 4) is "00AB".
std::string hex_number(std::uint64_t value, int digits = 1);
// The same with the prefix "0x", as C writes a constant: "0x00AB".
std::string hex_constant(std::uint64_t value, int digits = 1);
// An HRESULT as "0x8004010F".
std::string hresult_text(long hr);

}  // namespace qv::test
