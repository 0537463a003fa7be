// Conversions between 8-bit and Unicode property values, as MAPI makes them
// when a caller asks for a string property in the other string type.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sim/mapi/message/property_value.h"

namespace qvsim::mapi {

// The stored value in the requested type: the value itself when the types
// match; PT_STRING8 <-> PT_UNICODE (single or multi-valued) converted,
// 8-bit text read in code_page (CP_ACP when the system does not know it) and
// Unicode written in CP_ACP. nullopt when
// the stored type cannot serve the requested one.
std::optional<PropertyValue> value_as(const PropertyValue& stored, ULONG requested_type,
                                      UINT code_page);

// The type that a PT_UNSPECIFIED request gets for a stored type: string
// types become Unicode with MAPI_UNICODE and 8-bit without it.
ULONG unspecified_type(ULONG stored_type, bool unicode);

}  // namespace qvsim::mapi
