// The mapping of named properties (a property set GUID with a numeric or
// string name) to property identifiers from 0x8000 up. A message store owns
// one map, as a .msg file owns the one of its named-property storage; every
// message, attachment and embedded message of that store or file shares it
// through a std::shared_ptr, so a name has the same identifier in all of
// them, and different stores may give it different identifiers.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/mapi/base/mapi_platform.h"

namespace qvsim::mapi {

struct PropertyName {
  GUID property_set{};
  ULONG kind = MNID_ID;  // MNID_ID or MNID_STRING
  LONG id = 0;           // MNID_ID
  std::wstring name;     // MNID_STRING

  static PropertyName numeric(const GUID& set, LONG id);
  static PropertyName string(const GUID& set, std::wstring name);
  // nullopt for a malformed MAPINAMEID (no GUID, unknown kind, null string).
  static std::optional<PropertyName> from_mapi(const MAPINAMEID& name);

  bool operator<(const PropertyName& other) const;
  bool operator==(const PropertyName& other) const;
};

class NamedPropertyMap {
 public:
  static constexpr ULONG kFirstId = 0x8000;
  static constexpr ULONG kLastId = 0xFFFE;

  // The identifier of a mapped name.
  std::optional<ULONG> find(const PropertyName& name) const;
  // The identifier of name, mapping it to the next free identifier first
  // when it is new. nullopt when every identifier is taken.
  std::optional<ULONG> map(const PropertyName& name);
  // Maps name to a given identifier (a .msg file's mapping); false when the
  // identifier or the name is mapped otherwise already.
  bool assign(ULONG id, const PropertyName& name);
  // The name of an identifier.
  std::optional<PropertyName> name_of(ULONG id) const;
  // Every mapping, by identifier.
  std::vector<std::pair<ULONG, PropertyName>> entries() const;
  size_t size() const;

 private:
  mutable std::mutex mutex_;
  std::map<PropertyName, ULONG> ids_;
  std::map<ULONG, PropertyName> names_;
};

}  // namespace qvsim::mapi
