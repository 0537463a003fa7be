// The standard properties of Outlook's items that the simulated Outlook
// answers by name (Subject, Start, SenderName, ...): each read from the item's
// MAPI property with the VARIANT type that Outlook's object model gives.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <cstdint>

#include "sim/common/mailbox.h"

namespace qvsim::outlook {

enum class ItemValue { kText, kTime, kLong, kBoolean };

// Which items have the property, by their OlObjectClass.
enum class ItemKinds { kEvery, kMessage, kAppointment, kContact };

struct StandardProperty {
  const wchar_t* name;
  DISPID id;
  std::uint16_t property_id;  // a standard property's identifier, or a named one's LID
  const GUID* property_set;   // null for a standard property
  ItemValue value;
  ItemKinds kinds;
  long absent;  // kLong and kBoolean: the value when the item lacks it
};

// The table, in the order in which the names are looked up.
const StandardProperty* standard_properties();
std::size_t standard_property_count();

bool has_property(const StandardProperty& property, long object_class);

// The property's value as Outlook gives it: VT_BSTR (empty when absent),
// VT_DATE in local time (1 January 4501, Outlook's "none", when absent),
// VT_I4 or VT_BOOL.
HRESULT read_standard_property(const Item& item, const StandardProperty& property, VARIANT* out);

// A UTC FILETIME as Outlook's object model shows it: the local time of the
// time-zone rules in force at that date, as an OLE automation date (whole
// seconds).
double local_variant_time(std::int64_t filetime);

// Outlook's date for "none": 1 January 4501.
inline constexpr double kNoDate = 949998.0;

}  // namespace qvsim::outlook
