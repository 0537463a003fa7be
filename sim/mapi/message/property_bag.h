// The properties of one MAPI object (a message, an attachment, a recipient,
// a table row): at most one typed value per property identifier.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/mapi/message/property_value.h"

namespace qvsim::mapi {

// What a caller gets for one requested tag: the tag it is given back (the
// stored type, or PT_ERROR with the requested identifier) and the value.
struct ResolvedValue {
  ULONG tag = 0;
  PropertyValue value;
  bool is_error() const { return PROP_TYPE(tag) == PT_ERROR; }
};

// How requested tags are served.
struct ReadRules {
  bool unicode = false;  // MAPI_UNICODE: PT_UNSPECIFIED strings as Unicode
  ULONG size_limit = 0;  // string/binary values larger than this many bytes
                         // give MAPI_E_NOT_ENOUGH_MEMORY; 0: no limit
};

class PropertyBag {
 public:
  // Sets the property of tag's identifier, replacing any value of another
  // type. The value's type is the property's type; tag only names the
  // identifier.
  void set(ULONG tag, PropertyValue value);
  // Removes the property of tag's identifier; false when there was none.
  bool erase(ULONG tag);
  void clear() { values_.clear(); }

  // The stored value of tag's identifier, whatever its type; null if absent.
  const PropertyValue* find(ULONG tag) const;
  // The value of tag if stored with exactly tag's type.
  const PropertyValue* find_exact(ULONG tag) const;
  // The stored tags, in identifier order.
  std::vector<ULONG> tags() const;
  bool empty() const { return values_.empty(); }
  size_t size() const { return values_.size(); }

  // Convenience setters and getters for the common types.
  void set_unicode(ULONG tag, std::wstring text) {
    set(tag, PropertyValue::unicode(std::move(text)));
  }
  void set_long(ULONG tag, LONG value) { set(tag, PropertyValue::long_value(value)); }
  std::optional<LONG> get_long(ULONG tag) const;
  // A string property as Unicode, converted when stored 8-bit.
  std::optional<std::wstring> get_text(ULONG tag) const;

  // The code page of the object's 8-bit strings: PR_MESSAGE_CODEPAGE, else
  // PR_INTERNET_CPID, else CP_ACP.
  UINT string_code_page() const;

  // Serves one requested tag by MAPI's rules: PT_UNSPECIFIED takes the stored
  // type, 8-bit and Unicode strings are converted, a missing value or a type
  // that cannot be served is PT_ERROR MAPI_E_NOT_FOUND, an oversized one
  // PT_ERROR MAPI_E_NOT_ENOUGH_MEMORY, an object PT_ERROR MAPI_E_NO_SUPPORT.
  ResolvedValue resolve(ULONG requested_tag, const ReadRules& rules) const;

  // Every stored property but objects as resolve() serves it for
  // PT_UNSPECIFIED.
  std::vector<ResolvedValue> resolve_all(const ReadRules& rules) const;

  bool operator==(const PropertyBag& other) const { return values_ == other.values_; }

 private:
  std::map<ULONG, PropertyValue> values_;  // by property identifier
};

}  // namespace qvsim::mapi
