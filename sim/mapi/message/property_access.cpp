#include "sim/mapi/message/property_access.h"

#include <cstring>
#include <vector>

#include "sim/mapi/base/call_points.h"
#include "sim/mapi/base/com_answers.h"
#include "sim/mapi/message/memory_stream.h"
#include "sim/mapi/message/table.h"
#include "sim/mapi/base/text_codec.h"

namespace qvsim::mapi {
namespace {

constexpr ULONG kOpenPropertyFlags = MAPI_MODIFY | MAPI_CREATE | STREAM_APPEND |
                                     MAPI_DEFERRED_ERRORS | MAPI_BEST_ACCESS | MAPI_UNICODE;
constexpr ULONG kSaveChangesFlags =
    KEEP_OPEN_READONLY | KEEP_OPEN_READWRITE | FORCE_SAVE | MAPI_DEFERRED_ERRORS;

HRESULT copy_values(const std::vector<ResolvedValue>& resolved, const Allocator& allocator,
                    ULONG* count, LPSPropValue* values) {
  auto* array = static_cast<LPSPropValue>(allocator.get(
      static_cast<ULONG>(sizeof(SPropValue) * (resolved.empty() ? 1 : resolved.size())), nullptr));
  if (array == nullptr) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  bool errors = false;
  for (size_t i = 0; i < resolved.size(); ++i) {
    if (const HRESULT hr =
            copy_to_mapi(resolved[i].value, resolved[i].tag, allocator, array, &array[i]);
        FAILED(hr)) {
      allocator.free(array);
      return hr;
    }
    errors = errors || resolved[i].is_error();
  }
  *count = static_cast<ULONG>(resolved.size());
  *values = array;
  return errors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT report_problems(const std::vector<SPropProblem>& found, const Allocator& allocator,
                        LPSPropProblemArray* problems) {
  if (found.empty() || problems == nullptr) {
    return S_OK;
  }
  auto* array = static_cast<LPSPropProblemArray>(
      allocator.get(static_cast<ULONG>(CbNewSPropProblemArray(found.size())), nullptr));
  if (array == nullptr) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  array->cProblem = static_cast<ULONG>(found.size());
  std::copy(found.begin(), found.end(), array->aProblem);
  *problems = array;
  return S_OK;
}

bool is_stream_type(ULONG type) {
  return type == PT_STRING8 || type == PT_UNICODE || type == PT_BINARY;
}

// A MAPINAMEID in memory linked to parent.
LPMAPINAMEID new_name(const PropertyName& name, const Allocator& allocator, void* parent) {
  auto* result = static_cast<LPMAPINAMEID>(allocator.get(sizeof(MAPINAMEID), parent));
  auto* guid = static_cast<LPGUID>(allocator.get(sizeof(GUID), parent));
  if (result == nullptr || guid == nullptr) {
    return nullptr;
  }
  *guid = name.property_set;
  result->lpguid = guid;
  result->ulKind = name.kind;
  if (name.kind == MNID_ID) {
    result->Kind.lID = name.id;
    return result;
  }
  const size_t bytes = (name.name.size() + 1) * sizeof(wchar_t);
  auto* text = static_cast<LPWSTR>(allocator.get(static_cast<ULONG>(bytes), parent));
  if (text == nullptr) {
    return nullptr;
  }
  std::memcpy(text, name.name.c_str(), bytes);
  result->Kind.lpwstrName = text;
  return result;
}

bool name_wanted(const PropertyName& name, const GUID* property_set, ULONG flags) {
  if (property_set != nullptr && std::memcmp(property_set, &name.property_set, sizeof(GUID)) != 0) {
    return false;
  }
  if ((flags & MAPI_NO_STRINGS) && name.kind == MNID_STRING) {
    return false;
  }
  return !((flags & MAPI_NO_IDS) && name.kind == MNID_ID);
}

}  // namespace

PropertyAccess::PropertyAccess(std::shared_ptr<ObjectScope> scope,
                               std::shared_ptr<MessageData> message,
                               std::shared_ptr<PropertyBag> bag)
    : scope_(std::move(scope)), message_(std::move(message)), bag_(std::move(bag)) {}

ReadRules PropertyAccess::read_rules(ULONG flags) const {
  ReadRules rules;
  rules.unicode = (flags & MAPI_UNICODE) != 0;
  rules.size_limit = message_->options->getprops_limit;
  return rules;
}

HRESULT PropertyAccess::get_last_error(LPMAPIERROR* error) const {
  return answer_no_last_error(error);
}

HRESULT PropertyAccess::get_props(LPSPropTagArray tags, ULONG flags, ULONG* count,
                                  LPSPropValue* values) const {
  if (count != nullptr) {
    *count = 0;
  }
  if (values != nullptr) {
    *values = nullptr;
  }
  if (const HRESULT hr = enter_call("IMAPIProp.GetProps"); FAILED(hr)) {
    return hr;
  }
  if (count == nullptr || values == nullptr || (tags != nullptr && tags->cValues == 0)) {
    return MAPI_E_INVALID_PARAMETER;
  }
  if ((flags & ~MAPI_UNICODE) != 0) {
    return MAPI_E_UNKNOWN_FLAGS;
  }
  const ReadRules rules = read_rules(flags);
  std::vector<ResolvedValue> resolved;
  if (tags == nullptr) {
    resolved = bag_->resolve_all(rules);
  } else {
    for (ULONG i = 0; i < tags->cValues; ++i) {
      resolved.push_back(bag_->resolve(tags->aulPropTag[i], rules));
    }
  }
  return copy_values(resolved, scope_->allocator, count, values);
}

HRESULT PropertyAccess::get_prop_list(ULONG flags, LPSPropTagArray* tags) const {
  if (tags != nullptr) {
    *tags = nullptr;
  }
  if (const HRESULT hr = enter_call("IMAPIProp.GetPropList"); FAILED(hr)) {
    return hr;
  }
  if (tags == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  if ((flags & ~MAPI_UNICODE) != 0) {
    return MAPI_E_UNKNOWN_FLAGS;
  }
  std::vector<ULONG> list;
  for (const ULONG tag : bag_->tags()) {
    list.push_back(
        PROP_TAG(unspecified_type(PROP_TYPE(tag), (flags & MAPI_UNICODE) != 0), PROP_ID(tag)));
  }
  *tags = new_tag_array(list, scope_->allocator);
  return *tags ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

HRESULT PropertyAccess::open_stream(ULONG tag, ULONG flags, LPUNKNOWN* stream) const {
  const bool modify = (flags & (MAPI_MODIFY | MAPI_CREATE)) != 0;
  if (modify && !scope_->writable) {
    return MAPI_E_NO_ACCESS;
  }
  const PropertyValue* stored = bag_->find(tag);
  ULONG type = PROP_TYPE(tag);
  if (type == PT_UNSPECIFIED) {
    type = stored ? unspecified_type(stored->type(), (flags & MAPI_UNICODE) != 0) : PT_BINARY;
  }
  if (!is_stream_type(type)) {
    return stored || modify ? MAPI_E_INTERFACE_NOT_SUPPORTED : MAPI_E_NOT_FOUND;
  }
  std::string bytes;
  if ((flags & MAPI_CREATE) == 0 || (flags & STREAM_APPEND) != 0) {
    std::optional<PropertyValue> value;
    if (stored != nullptr) {
      value = value_as(*stored, type, bag_->string_code_page());
    }
    if (!value && (flags & MAPI_CREATE) == 0) {
      return MAPI_E_NOT_FOUND;
    }
    bytes = value ? value->stream_bytes() : std::string();
  }
  MemoryStream::CommitHandler write_back;
  if (modify) {
    const ULONG typed_tag = PROP_TAG(type, PROP_ID(tag));
    write_back = [bag = bag_, typed_tag](const std::string& content) {
      bag->set(typed_tag, PropertyValue::from_stream_bytes(PROP_TYPE(typed_tag), content));
      return S_OK;
    };
  }
  IStream* result = MemoryStream::create(std::move(bytes), message_->options->stream_for(tag),
                                         modify, std::move(write_back));
  if (flags & STREAM_APPEND) {
    LARGE_INTEGER end{};
    result->Seek(end, STREAM_SEEK_END, nullptr);
  }
  *stream = result;
  return S_OK;
}

HRESULT PropertyAccess::set_props(ULONG count, LPSPropValue values, LPSPropProblemArray* problems) {
  if (problems != nullptr) {
    *problems = nullptr;
  }
  if (const HRESULT hr = enter_call("IMAPIProp.SetProps"); FAILED(hr)) {
    return hr;
  }
  if (values == nullptr && count != 0) {
    return MAPI_E_INVALID_PARAMETER;
  }
  if (!scope_->writable) {
    return MAPI_E_NO_ACCESS;
  }
  std::vector<SPropProblem> found;
  for (ULONG i = 0; i < count; ++i) {
    const ULONG tag = values[i].ulPropTag;
    const ULONG type = PROP_TYPE(tag);
    if (type == PT_ERROR || type == PT_NULL) {
      continue;  // MAPI ignores these in SetProps
    }
    std::optional<PropertyValue> value =
        PROP_ID(tag) == PROP_ID_NULL ? std::nullopt : from_mapi(values[i]);
    if (!value) {
      found.push_back(SPropProblem{i, tag, MAPI_E_BAD_VALUE});
      continue;
    }
    bag_->set(tag, std::move(*value));
  }
  return report_problems(found, scope_->allocator, problems);
}

HRESULT PropertyAccess::delete_props(LPSPropTagArray tags, LPSPropProblemArray* problems) {
  if (problems != nullptr) {
    *problems = nullptr;
  }
  if (const HRESULT hr = enter_call("IMAPIProp.DeleteProps"); FAILED(hr)) {
    return hr;
  }
  if (tags == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  if (!scope_->writable) {
    return MAPI_E_NO_ACCESS;
  }
  for (ULONG i = 0; i < tags->cValues; ++i) {
    bag_->erase(tags->aulPropTag[i]);
  }
  return S_OK;
}

HRESULT PropertyAccess::get_names_from_ids(LPSPropTagArray* tags, LPGUID property_set, ULONG flags,
                                           ULONG* count, LPMAPINAMEID** names) const {
  if (count != nullptr) {
    *count = 0;
  }
  if (names != nullptr) {
    *names = nullptr;
  }
  if (const HRESULT hr = enter_call("IMAPIProp.GetNamesFromIDs"); FAILED(hr)) {
    return hr;
  }
  if (tags == nullptr || count == nullptr || names == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  const Allocator& allocator = scope_->allocator;
  std::vector<ULONG> ids;
  const bool all = *tags == nullptr;
  if (all) {
    for (const auto& [id, name] : message_->names->entries()) {
      if (name_wanted(name, property_set, flags)) {
        ids.push_back(id);
      }
    }
  } else {
    for (ULONG i = 0; i < (*tags)->cValues; ++i) {
      ids.push_back(PROP_ID((*tags)->aulPropTag[i]));
    }
  }
  auto* array = static_cast<LPMAPINAMEID*>(allocator.get(
      static_cast<ULONG>(sizeof(LPMAPINAMEID) * (ids.empty() ? 1 : ids.size())), nullptr));
  if (array == nullptr) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  bool missing = false;
  for (size_t i = 0; i < ids.size(); ++i) {
    const std::optional<PropertyName> name = message_->names->name_of(ids[i]);
    array[i] = name ? new_name(*name, allocator, array) : nullptr;
    missing = missing || array[i] == nullptr;
  }
  if (all) {
    std::vector<ULONG> list;
    for (const ULONG id : ids) {
      list.push_back(PROP_TAG(PT_UNSPECIFIED, id));
    }
    *tags = new_tag_array(list, allocator);
  }
  *count = static_cast<ULONG>(ids.size());
  *names = array;
  return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT PropertyAccess::get_ids_from_names(ULONG count, LPMAPINAMEID* names, ULONG flags,
                                           LPSPropTagArray* tags) const {
  if (tags != nullptr) {
    *tags = nullptr;
  }
  if (const HRESULT hr = enter_call("IMAPIProp.GetIDsFromNames"); FAILED(hr)) {
    return hr;
  }
  if (tags == nullptr || (count != 0 && names == nullptr)) {
    return MAPI_E_INVALID_PARAMETER;
  }
  if ((flags & ~MAPI_CREATE) != 0) {
    return MAPI_E_UNKNOWN_FLAGS;
  }
  NamedPropertyMap& map = *message_->names;
  std::vector<ULONG> result;
  bool unmapped = false;
  if (count == 0) {  // every mapped name
    for (const auto& [id, name] : map.entries()) {
      result.push_back(PROP_TAG(PT_UNSPECIFIED, id));
    }
  }
  for (ULONG i = 0; i < count; ++i) {
    if (names[i] == nullptr) {
      return MAPI_E_INVALID_PARAMETER;
    }
    std::optional<ULONG> id;
    if (const std::optional<PropertyName> name = PropertyName::from_mapi(*names[i])) {
      id = (flags & MAPI_CREATE) ? map.map(*name) : map.find(*name);
    }
    result.push_back(id ? PROP_TAG(PT_UNSPECIFIED, *id) : PROP_TAG(PT_ERROR, 0));
    unmapped = unmapped || !id;
  }
  *tags = new_tag_array(result, scope_->allocator);
  if (*tags == nullptr) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  return unmapped ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT check_save_changes(const PropertyAccess& access, ULONG flags) {
  if (const HRESULT hr = enter_call("IMAPIProp.SaveChanges"); FAILED(hr)) {
    return hr;
  }
  if ((flags & ~kSaveChangesFlags) != 0) {
    return MAPI_E_UNKNOWN_FLAGS;
  }
  return access.scope()->writable ? S_OK : MAPI_E_NO_ACCESS;
}

HRESULT check_open_property(LPCIID iid, ULONG flags, LPUNKNOWN* object) {
  if (object != nullptr) {
    *object = nullptr;
  }
  if (const HRESULT hr = enter_call("IMAPIProp.OpenProperty"); FAILED(hr)) {
    return hr;
  }
  if (object == nullptr || iid == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  return (flags & ~kOpenPropertyFlags) != 0 ? MAPI_E_UNKNOWN_FLAGS : S_OK;
}

}  // namespace qvsim::mapi
