// Property values as text: the rules by which the message object turns a
// MAPI property value into a wide text.
#pragma once

#include <windows.h>
#include <mapidefs.h>

#include <cstdint>
#include <string>

namespace qv {

// The text of one property value: a PT_STRING8 value converted with the ANSI
// code page of the thread's locale, a PT_UNICODE value as it is, the empty
// text for anything else. Throws CAtlException when the conversion fails.
std::wstring value_text(const SPropValue& value);

// Signed decimal text, "-" before a negative value.
std::wstring decimal_text(std::int32_t n);

// What "%.*f" gives for x with precision digits after the point, in full
// whatever the magnitude.
std::wstring fixed_text(double x, int precision);

// A FILETIME (UTC, taken as it is) as an OLE automation date: days since
// 30 December 1899, the time of day as the fraction; 0.0 when the platform
// cannot convert it.
double variant_time(const FILETIME& filetime) noexcept;

}  // namespace qv
