// One typed MAPI property value held by the simulator, independent of MAPI
// memory: the value of a property bag, a table cell, a .msg entry.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/mapi/base/mapi_platform.h"
#include "sim/mapi/base/memory.h"

namespace qvsim::mapi {

class PropertyValue {
 public:
  PropertyValue() = default;  // PT_NULL

  static PropertyValue i2(short value);
  static PropertyValue long_value(LONG value);
  static PropertyValue r4(float value);
  static PropertyValue real(double value);
  static PropertyValue currency(LONGLONG value);
  static PropertyValue app_time(double value);
  static PropertyValue error(SCODE value);
  static PropertyValue boolean(bool value);
  static PropertyValue i8(LONGLONG value);
  static PropertyValue string8(std::string value);
  static PropertyValue unicode(std::wstring value);
  static PropertyValue systime(FILETIME value);
  static PropertyValue systime(ULONGLONG ticks);  // 100 ns since 1601, UTC
  static PropertyValue clsid(const GUID& value);
  static PropertyValue binary(std::string bytes);
  static PropertyValue object();  // PT_OBJECT: opened, never read as a value
  // A multi-valued property of mv_type (PT_MV_...), whose elements have the
  // single-valued type mv_type & ~MV_FLAG.
  static PropertyValue multi(ULONG mv_type, std::vector<PropertyValue> elements);

  ULONG type() const { return type_; }
  // PT_I2, PT_LONG, PT_BOOLEAN, PT_I8, PT_CURRENCY, PT_SYSTIME, PT_ERROR.
  LONGLONG integer() const { return integer_; }
  // PT_R4, PT_DOUBLE, PT_APPTIME.
  double real_value() const { return real_; }
  // PT_STRING8 and PT_BINARY bytes; PT_CLSID's 16 bytes.
  const std::string& bytes() const { return bytes_; }
  // PT_UNICODE.
  const std::wstring& text() const { return text_; }
  // Multi-valued types.
  const std::vector<PropertyValue>& elements() const { return elements_; }
  FILETIME filetime() const;
  GUID guid() const;

  // The bytes that a stream over the value holds: PT_UNICODE as UTF-16LE,
  // PT_STRING8 and PT_BINARY as they are; no terminator. Other types: empty.
  std::string stream_bytes() const;
  // The value of a string or binary type made from stream bytes (the
  // reverse of stream_bytes).
  static PropertyValue from_stream_bytes(ULONG type, std::string bytes);

  bool operator==(const PropertyValue& other) const;
  bool operator!=(const PropertyValue& other) const { return !(*this == other); }

 private:
  ULONG type_ = PT_NULL;
  LONGLONG integer_ = 0;
  double real_ = 0;
  std::string bytes_;
  std::wstring text_;
  std::vector<PropertyValue> elements_;
};

// Fills *out with tag and the value; variable-length data goes into memory
// linked to parent (through allocator.allocate_more). Returns
// MAPI_E_NOT_ENOUGH_MEMORY when an allocation fails.
HRESULT copy_to_mapi(const PropertyValue& value, ULONG tag, const Allocator& allocator,
                     void* parent, SPropValue* out);

// The simulator's value of a MAPI property value; nullopt for PT_NULL and
// for types that the simulator does not keep.
std::optional<PropertyValue> from_mapi(const SPropValue& value);

}  // namespace qvsim::mapi
