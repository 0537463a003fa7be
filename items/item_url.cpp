#include "items/item_url.h"

#include <cwchar>

namespace qv {
namespace {

wchar_t ascii_lower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? c + (L'a' - L'A') : c; }

bool starts_with_prefix(const wchar_t* text) {
  for (size_t i = 0; i < kItemUrlPrefixLength; ++i) {
    if (text[i] == L'\0' || ascii_lower(text[i]) != kItemUrlPrefix[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool is_item_url(const wchar_t* text, bool* entry_id_form) noexcept {
  if (text == nullptr || *text == L'\0' || !starts_with_prefix(text)) {
    return false;
  }
  const size_t length = std::wcslen(text);
  if (length <= kItemUrlPrefixLength) {
    return false;
  }
  if (entry_id_form != nullptr) {
    const bool path_form = length > 10 && text[8] == L'\\' && text[9] == L'\\';
    *entry_id_form = !path_form;
  }
  return true;
}

std::wstring decode_url_spaces(const wchar_t* text) {
  std::wstring result = text != nullptr ? text : L"";
  static constexpr wchar_t kEncodedSpace[] = L"%20";
  for (size_t at = result.find(kEncodedSpace); at != std::wstring::npos;
       at = result.find(kEncodedSpace, at + 1)) {
    result.replace(at, 3, 1, L' ');
  }
  return result;
}

}  // namespace qv
