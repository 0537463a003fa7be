#include "sim/mapi/message/named_properties.h"

#include <cstring>
#include <tuple>

namespace qvsim::mapi {
namespace {

int compare_guids(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)); }

}  // namespace

PropertyName PropertyName::numeric(const GUID& set, LONG id) {
  PropertyName result;
  result.property_set = set;
  result.kind = MNID_ID;
  result.id = id;
  return result;
}

PropertyName PropertyName::string(const GUID& set, std::wstring name) {
  PropertyName result;
  result.property_set = set;
  result.kind = MNID_STRING;
  result.name = std::move(name);
  return result;
}

std::optional<PropertyName> PropertyName::from_mapi(const MAPINAMEID& name) {
  if (name.lpguid == nullptr) {
    return std::nullopt;
  }
  if (name.ulKind == MNID_ID) {
    return numeric(*name.lpguid, name.Kind.lID);
  }
  if (name.ulKind == MNID_STRING && name.Kind.lpwstrName != nullptr) {
    return string(*name.lpguid, name.Kind.lpwstrName);
  }
  return std::nullopt;
}

bool PropertyName::operator<(const PropertyName& other) const {
  const int guid_order = compare_guids(property_set, other.property_set);
  if (guid_order != 0) {
    return guid_order < 0;
  }
  return std::tie(kind, id, name) < std::tie(other.kind, other.id, other.name);
}

bool PropertyName::operator==(const PropertyName& other) const {
  return compare_guids(property_set, other.property_set) == 0 && kind == other.kind &&
         (kind == MNID_ID ? id == other.id : name == other.name);
}

std::optional<ULONG> NamedPropertyMap::find(const PropertyName& name) const {
  std::lock_guard lock(mutex_);
  const auto it = ids_.find(name);
  return it == ids_.end() ? std::nullopt : std::optional<ULONG>(it->second);
}

std::optional<ULONG> NamedPropertyMap::map(const PropertyName& name) {
  std::lock_guard lock(mutex_);
  if (const auto it = ids_.find(name); it != ids_.end()) {
    return it->second;
  }
  const ULONG id = names_.empty() ? kFirstId : names_.rbegin()->first + 1;
  if (id > kLastId) {
    return std::nullopt;
  }
  ids_.emplace(name, id);
  names_.emplace(id, name);
  return id;
}

bool NamedPropertyMap::assign(ULONG id, const PropertyName& name) {
  std::lock_guard lock(mutex_);
  if (id < kFirstId || id > kLastId || names_.count(id) != 0 || ids_.count(name) != 0) {
    return false;
  }
  ids_.emplace(name, id);
  names_.emplace(id, name);
  return true;
}

std::optional<PropertyName> NamedPropertyMap::name_of(ULONG id) const {
  std::lock_guard lock(mutex_);
  const auto it = names_.find(id);
  return it == names_.end() ? std::nullopt : std::optional<PropertyName>(it->second);
}

std::vector<std::pair<ULONG, PropertyName>> NamedPropertyMap::entries() const {
  std::lock_guard lock(mutex_);
  return std::vector<std::pair<ULONG, PropertyName>>(names_.begin(), names_.end());
}

size_t NamedPropertyMap::size() const {
  std::lock_guard lock(mutex_);
  return names_.size();
}

}  // namespace qvsim::mapi
