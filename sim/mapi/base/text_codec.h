// Conversions between 8-bit and Unicode property values, as MAPI makes them
// when a caller asks for a string property in the other string type.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sim/mapi/message/property_value.h"

namespace qvsim::mapi {

// 8-bit text in code_page to UTF-16; an unusable code page falls back to
// CP_ACP.
std::wstring to_wide(std::string_view bytes, UINT code_page);
// UTF-16 to 8-bit text in code_page (CP_ACP for MAPI's conversions).
std::string to_narrow(std::wstring_view text, UINT code_page);

// The stored value in the requested type: the value itself when the types
// match; PT_STRING8 <-> PT_UNICODE (single or multi-valued) converted,
// 8-bit text read in code_page and Unicode written in CP_ACP. nullopt when
// the stored type cannot serve the requested one.
std::optional<PropertyValue> value_as(const PropertyValue& stored, ULONG requested_type,
                                      UINT code_page);

// The type that a PT_UNSPECIFIED request gets for a stored type: string
// types become Unicode with MAPI_UNICODE and 8-bit without it.
ULONG unspecified_type(ULONG stored_type, bool unicode);

}  // namespace qvsim::mapi
