#include "sim/mapi/message/property_bag.h"

#include "sim/mapi/base/text_codec.h"

namespace qvsim::mapi {
namespace {

size_t value_size(const PropertyValue& value) {
  switch (value.type()) {
    case PT_STRING8:
      return value.bytes().size() + 1;
    case PT_UNICODE:
      return (value.text().size() + 1) * sizeof(wchar_t);
    case PT_BINARY:
      return value.bytes().size();
    default:
      return 0;
  }
}

ResolvedValue error_value(ULONG tag, SCODE error) {
  return ResolvedValue{PROP_TAG(PT_ERROR, PROP_ID(tag)), PropertyValue::error(error)};
}

}  // namespace

void PropertyBag::set(ULONG tag, PropertyValue value) { values_[PROP_ID(tag)] = std::move(value); }

bool PropertyBag::erase(ULONG tag) { return values_.erase(PROP_ID(tag)) != 0; }

const PropertyValue* PropertyBag::find(ULONG tag) const {
  const auto it = values_.find(PROP_ID(tag));
  return it == values_.end() ? nullptr : &it->second;
}

const PropertyValue* PropertyBag::find_exact(ULONG tag) const {
  const PropertyValue* value = find(tag);
  return value != nullptr && value->type() == PROP_TYPE(tag) ? value : nullptr;
}

std::vector<ULONG> PropertyBag::tags() const {
  std::vector<ULONG> result;
  result.reserve(values_.size());
  for (const auto& [id, value] : values_) {
    result.push_back(PROP_TAG(value.type(), id));
  }
  return result;
}

std::optional<LONG> PropertyBag::get_long(ULONG tag) const {
  const PropertyValue* value = find(tag);
  if (value == nullptr || value->type() != PT_LONG) {
    return std::nullopt;
  }
  return static_cast<LONG>(value->integer());
}

std::optional<std::wstring> PropertyBag::get_text(ULONG tag) const {
  const PropertyValue* value = find(tag);
  if (value == nullptr || is_multi_valued(value->type()) || !is_string_type(value->type())) {
    return std::nullopt;
  }
  return value_as(*value, PT_UNICODE, string_code_page())->text();
}

UINT PropertyBag::string_code_page() const {
  for (const ULONG tag : {PR_MESSAGE_CODEPAGE, PR_INTERNET_CPID}) {
    if (const std::optional<LONG> code_page = get_long(tag); code_page && *code_page > 0) {
      return static_cast<UINT>(*code_page);
    }
  }
  return CP_ACP;
}

ResolvedValue PropertyBag::resolve(ULONG requested_tag, const ReadRules& rules) const {
  const PropertyValue* stored = find(requested_tag);
  if (stored == nullptr) {
    return error_value(requested_tag, MAPI_E_NOT_FOUND);
  }
  if (stored->type() == PT_OBJECT) {
    return error_value(requested_tag, MAPI_E_NO_SUPPORT);
  }
  ULONG type = PROP_TYPE(requested_tag);
  if (type == PT_UNSPECIFIED) {
    type = unspecified_type(stored->type(), rules.unicode);
  }
  std::optional<PropertyValue> value = value_as(*stored, type, string_code_page());
  if (!value) {
    return error_value(requested_tag, MAPI_E_NOT_FOUND);
  }
  if (rules.size_limit != 0 && value_size(*value) > rules.size_limit) {
    return error_value(requested_tag, MAPI_E_NOT_ENOUGH_MEMORY);
  }
  return ResolvedValue{PROP_TAG(type, PROP_ID(requested_tag)), std::move(*value)};
}

std::vector<ResolvedValue> PropertyBag::resolve_all(const ReadRules& rules) const {
  std::vector<ResolvedValue> result;
  for (const auto& [id, value] : values_) {
    if (value.type() == PT_OBJECT) {
      continue;
    }
    result.push_back(resolve(PROP_TAG(PT_UNSPECIFIED, id), rules));
  }
  return result;
}

}  // namespace qvsim::mapi
