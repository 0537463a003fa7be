// Comparison that ignores the case of the ASCII letters A to Z only; every
// other character must be identical. Item URL prefixes, subjects in
// path-form URLs and the mail client's name compare this way.
#pragma once

#include <string_view>

namespace qv {

constexpr wchar_t ascii_lower(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
}

constexpr bool equals_ignoring_ascii_case(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace qv
