#include "sim/mapi/base/text_codec.h"

#include <vector>

#include "sim/common/ledger.h"

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
    return PropertyValue::unicode(to_wide(stored.bytes(), usable_code_page(code_page)));
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
