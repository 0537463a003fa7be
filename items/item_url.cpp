#include "items/item_url.h"

#include <cwchar>

#include "items/ascii_case.h"

namespace qv {

bool is_item_url(const wchar_t* text, bool* entry_id_form) noexcept {
  if (text == nullptr) {
    return false;
  }
  const size_t length = std::wcslen(text);
  if (length <= kItemUrlPrefixLength ||
      !equals_ignoring_ascii_case(std::wstring_view(text, kItemUrlPrefixLength), kItemUrlPrefix)) {
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
