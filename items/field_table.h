// The field table: the 86 fields that callers of the message object name by
// number, each a standard MAPI property with a fixed tag or a named property
// of one of Outlook's property sets, whose identifier each store assigns.
#pragma once

#include <windows.h>
#include <mapidefs.h>

#include <cstdint>

namespace qv {

class MapiMessageImpl;

struct FieldDef {
  ULONG tag;          // full tag of a standard property; 0 for a named one
  GUID property_set;  // of a named property
  ULONG lid;          // numeric name of a named property in its set
  ULONG type;         // property type of a named property
};

inline constexpr int kFieldCount = 86;

extern const FieldDef field_table[kFieldCount];

// The full property tag of a field: the fixed tag, or the identifier that
// the message's store gives the named property, with the field's type (an
// identifier of 0 when the store has no mapping for the name). Asks the
// message afresh at every call. Throws win32_error when GetIDsFromNames
// fails, and truntime_error for a field outside 0 to 85.
ULONG field_tag(const MapiMessageImpl& message, int field);

// The tag that the message gives a named property (MNID_ID), without
// creating a mapping. Throws win32_error when GetIDsFromNames fails.
ULONG named_tag(const MapiMessageImpl& message, const GUID& property_set, ULONG lid);
// The same for a named property with a string name (MNID_STRING).
ULONG named_tag(const MapiMessageImpl& message, const GUID& property_set, const wchar_t* name);

}  // namespace qv
