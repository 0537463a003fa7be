#include "sim/mapi/base/text_codec.h"

#include <vector>

namespace qvsim::mapi {
namespace {

UINT usable_code_page(UINT code_page) {
  return (code_page == CP_ACP || ::IsValidCodePage(code_page)) ? code_page : CP_ACP;
}

std::vector<PropertyValue> convert_elements(const PropertyValue& stored, ULONG element_type,
                                            UINT code_page) {
  std::vector<PropertyValue> elements;
  for (const PropertyValue& element : stored.elements()) {
    elements.push_back(*value_as(element, element_type, code_page));
  }
  return elements;
}

}  // namespace

std::wstring to_wide(std::string_view bytes, UINT code_page) {
  if (bytes.empty()) {
    return std::wstring();
  }
  const UINT page = usable_code_page(code_page);
  const int size =
      ::MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0) {
    ::MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
  }
  return text;
}

std::string to_narrow(std::wstring_view text, UINT code_page) {
  if (text.empty()) {
    return std::string();
  }
  const UINT page = usable_code_page(code_page);
  const int size = ::WideCharToMultiByte(page, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) {
    ::WideCharToMultiByte(page, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                          nullptr, nullptr);
  }
  return bytes;
}

std::optional<PropertyValue> value_as(const PropertyValue& stored, ULONG requested_type,
                                      UINT code_page) {
  const ULONG stored_type = stored.type();
  if (stored_type == requested_type) {
    return stored;
  }
  if (is_multi_valued(stored_type) != is_multi_valued(requested_type) ||
      !is_string_type(stored_type) || !is_string_type(requested_type)) {
    return std::nullopt;
  }
  if (is_multi_valued(stored_type)) {
    return PropertyValue::multi(requested_type,
                                convert_elements(stored, base_type(requested_type), code_page));
  }
  if (requested_type == PT_UNICODE) {
    return PropertyValue::unicode(to_wide(stored.bytes(), code_page));
  }
  return PropertyValue::string8(to_narrow(stored.text(), CP_ACP));
}

ULONG unspecified_type(ULONG stored_type, bool unicode) {
  if (!is_string_type(stored_type)) {
    return stored_type;
  }
  const ULONG string_type = unicode ? PT_UNICODE : PT_STRING8;
  return is_multi_valued(stored_type) ? (string_type | MV_FLAG) : string_type;
}

}  // namespace qvsim::mapi
