#include "items/property_text.h"

#include <mapix.h>
#include <mapiutil.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "errors/compat.h"
#include "errors/exceptions.h"
#include "items/field_table.h"
#include "items/message.h"
#include "mapi/mapi_holders.h"

namespace qv {
namespace {

// A stream whose size is unknown is read by this many bytes at a time.
constexpr ULONG kChunkSize = 51200;

// Digits after the decimal point of floating-point and time fields.
constexpr int kPrecision = 5;

constexpr wchar_t kSeparator[] = L"; ";

// The field read instead when the RTF body cannot be read: the plain body.
constexpr int kBodyField = 6;

// The same property with type PT_STRING8, for a PT_UNICODE tag.
ULONG eight_bit_tag(ULONG tag) { return CHANGE_PROP_TYPE(tag, PT_STRING8); }

// Bytes up to the first zero byte (or all of them), converted from the
// system's ANSI code page.
std::wstring ansi_text(const std::vector<std::uint8_t>& bytes) {
  size_t length = 0;
  while (length < bytes.size() && bytes[length] != 0) {
    ++length;
  }
  return to_wide(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(length), CP_ACP);
}

// Bytes as UTF-16 text: every whole pair is one character, zeros included.
std::wstring utf16_text(const std::vector<std::uint8_t>& bytes) {
  std::wstring text(bytes.size() / 2, L'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<wchar_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  return text;
}

// Reads a whole stream into bytes. With a size from Stat, reads until that
// many bytes came or a read gives none; without, reads 51,200 bytes at a
// time until a read gives fewer. Returns the HRESULT of a failed read, else
// S_OK; bytes then hold exactly what the reads returned. The size that Stat
// claims is not allocated at once beyond 1 MB: the room grows with the bytes
// that really come, so a damaged stream that claims gigabytes costs only what
// it holds.
HRESULT read_stream(IStream& stream, std::vector<std::uint8_t>& bytes) {
  constexpr ULONG kFirstRoom = 1 << 20;
  bytes.clear();
  STATSTG stat{};
  if (SUCCEEDED(stream.Stat(&stat, STATFLAG_NONAME))) {
    const ULONG size = stat.cbSize.LowPart;
    ULONG filled = 0;
    while (filled < size) {
      if (filled == bytes.size()) {
        const ULONG room = filled < kFirstRoom ? kFirstRoom : filled;
        bytes.resize(filled + std::min(room, size - filled));
      }
      ULONG read = 0;
      const ULONG wanted = static_cast<ULONG>(bytes.size()) - filled;
      const HRESULT hr = stream.Read(bytes.data() + filled, wanted, &read);
      if (FAILED(hr)) {
        return hr;
      }
      if (read == 0) {
        break;
      }
      filled += std::min(read, wanted);
    }
    bytes.resize(filled);
    return S_OK;
  }
  for (;;) {
    const size_t filled = bytes.size();
    bytes.resize(filled + kChunkSize);
    ULONG read = 0;
    const HRESULT hr = stream.Read(bytes.data() + filled, kChunkSize, &read);
    if (FAILED(hr)) {
      return hr;
    }
    bytes.resize(filled + std::min(read, kChunkSize));
    if (read < kChunkSize) {
      return S_OK;
    }
  }
}

com_ptr<IStream> open_stream(IMAPIProp& prop, ULONG tag, ULONG flags) {
  com_ptr<IStream> stream;
  if (FAILED(prop.OpenProperty(tag, &IID_IStream, 0, flags,
                               reinterpret_cast<IUnknown**>(stream.put())))) {
    stream.reset();
  }
  return stream;
}

// One value through GetProps; empty unless the call answers S_OK exactly.
bool get_one_value(IMAPIProp& prop, ULONG tag, ULONG flags, mapi_buffer<SPropValue>& value) {
  SizedSPropTagArray(1, tags) = {1, {tag}};
  ULONG count = 0;
  const HRESULT hr = prop.GetProps(tag_array(tags), flags, &count, value.put());
  return hr == S_OK && value && count >= 1;
}

// One value through HrGetOneProp; false when it fails.
bool get_one_prop(IMAPIProp* prop, ULONG tag, mapi_buffer<SPropValue>& value) {
  return prop != nullptr && SUCCEEDED(::HrGetOneProp(prop, tag, value.put())) && value;
}

// The default text read as a decimal integer: leading white space and a
// sign allowed, reading stops at the first other character, 0 without digits.
std::int32_t number_in(const std::wstring& text) {
  return static_cast<std::int32_t>(std::wcstol(text.c_str(), nullptr, 10));
}

std::wstring field_text_of(const MapiMessageImpl& message, int field,
                           const std::wstring& default_text) noexcept;

// The text of the property with the full tag, by the rules of its type.
// Throws what the reads throw.
std::wstring text_of_tag(const MapiMessageImpl& message, ULONG tag,
                         const std::wstring& default_text) {
  if (tag == PR_RTF_COMPRESSED) {
    std::vector<std::uint8_t> rtf;
    if (message.get_rtf(rtf)) {
      return ansi_text(rtf);
    }
    return field_text_of(message, kBodyField, std::wstring());
  }
  switch (PROP_TYPE(tag)) {
    case PT_I2:
    case PT_LONG:
    case PT_BOOLEAN:
    case PT_I8:
      return decimal_text(message.get_long(tag, number_in(default_text)));
    case PT_DOUBLE:
    case PT_APPTIME:
    case PT_SYSTIME: {
      const double x = message.get_double(tag);
      return x == 0.0 ? std::wstring() : fixed_text(x, kPrecision);
    }
    case PT_UNICODE:
      return message.get_string(tag);
    case PT_STRING8:
      // Read as a string of the field table is read: the Unicode value
      // first, else the 8-bit one.
      return message.get_string(CHANGE_PROP_TYPE(tag, PT_UNICODE));
    case PT_MV_UNICODE:
    case PT_MV_STRING8:
      return message.get_multi_string(tag);
    default:
      return default_text;
  }
}

// What read() gives, or default_text when anything on the way fails.
template <typename Read>
std::wstring text_or_default(Read read, const std::wstring& default_text) noexcept {
  try {
    return read();
  } catch (...) {
    // Every failure gives the default text.
  }
  try {
    return default_text;
  } catch (...) {
    return std::wstring();
  }
}

// The text of a field, or default_text when anything on the way fails.
std::wstring field_text_of(const MapiMessageImpl& message, int field,
                           const std::wstring& default_text) noexcept {
  return text_or_default(
      [&] { return text_of_tag(message, field_tag(message, field), default_text); }, default_text);
}

// Whether GetProps answers MAPI_E_NOT_FOUND in the property's place. A value
// too large for GetProps (MAPI_E_NOT_ENOUGH_MEMORY) is there, and one that
// could not be asked for is not known to be absent.
bool has_no_value(const MapiProp& message, ULONG tag) {
  if (!message.prop) {
    return false;
  }
  SizedSPropTagArray(1, tags) = {1, {tag}};
  ULONG count = 0;
  mapi_buffer<SPropValue> value;
  const HRESULT hr = message.prop->GetProps(tag_array(tags), 0, &count, value.put());
  return hr == MAPI_W_ERRORS_RETURNED && value && count == 1 &&
         PROP_TYPE(value->ulPropTag) == PT_ERROR && value->Value.err == MAPI_E_NOT_FOUND;
}

// Whether the message lacks the property: a string in both its Unicode and
// 8-bit forms, as either is read.
bool absent(const MapiProp& message, ULONG tag) {
  switch (PROP_TYPE(tag)) {
    case PT_UNICODE:
    case PT_STRING8:
      return has_no_value(message, CHANGE_PROP_TYPE(tag, PT_UNICODE)) &&
             has_no_value(message, eight_bit_tag(tag));
    case PT_MV_UNICODE:
    case PT_MV_STRING8:
      return has_no_value(message, CHANGE_PROP_TYPE(tag, PT_MV_UNICODE)) &&
             has_no_value(message, CHANGE_PROP_TYPE(tag, PT_MV_STRING8));
    default:
      return has_no_value(message, tag);
  }
}

// The text of a property asked for by its tag rather than as a field: one
// that the message lacks gives default_text whatever its type (a field's
// missing string or time gives the empty text); the compressed RTF body
// keeps the field's fallback to the plain body.
std::wstring text_of_property(const MapiMessageImpl& message, ULONG tag,
                              const std::wstring& default_text) {
  if (tag != PR_RTF_COMPRESSED && absent(message, tag)) {
    return default_text;
  }
  return text_of_tag(message, tag, default_text);
}

// The tag of a named property: the identifier that the message's store
// gives the name, with the type asked for.
ULONG typed(ULONG named, ULONG type) { return PROP_TAG(type, PROP_ID(named)); }

}  // namespace

std::wstring value_text(const SPropValue& value) {
  switch (PROP_TYPE(value.ulPropTag)) {
    case PT_STRING8:
      return to_wide(value.Value.lpszA, -1, CP_THREAD_ACP);
    case PT_UNICODE:
      return value.Value.lpszW != nullptr ? value.Value.lpszW : L"";
    default:
      return std::wstring();
  }
}

std::wstring decimal_text(std::int32_t n) { return std::to_wstring(n); }

std::wstring fixed_text(double x, int precision) {
  const int length = std::snprintf(nullptr, 0, "%.*f", precision, x);
  if (length <= 0) {
    return std::wstring();
  }
  std::string text(static_cast<size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%.*f", precision, x);
  text.pop_back();
  return std::wstring(text.begin(), text.end());
}

double variant_time(const FILETIME& filetime) noexcept {
  SYSTEMTIME system_time{};
  double date = 0.0;
  if (!::FileTimeToSystemTime(&filetime, &system_time) ||
      !::SystemTimeToVariantTime(&system_time, &date)) {
    return 0.0;
  }
  return date;
}

// --- MapiProp readers -------------------------------------------------------

std::wstring MapiProp::get_string(ULONG tag) const {
  const ULONG tag8 = eight_bit_tag(tag);
  bool eight_bit = false;
  com_ptr<IStream> stream = open_stream(*prop, tag, MAPI_UNICODE);
  if (!stream) {
    stream = open_stream(*prop, tag, 0);
  }
  if (!stream) {
    stream = open_stream(*prop, tag8, 0);
    eight_bit = static_cast<bool>(stream);
  }
  if (stream) {
    std::vector<std::uint8_t> bytes;
    check_hresult(read_stream(*stream, bytes));
    return eight_bit ? ansi_text(bytes) : utf16_text(bytes);
  }
  mapi_buffer<SPropValue> value;
  if (get_one_value(*prop, tag, MAPI_UNICODE, value) || get_one_value(*prop, tag8, 0, value)) {
    return value_text(*value.get());
  }
  return std::wstring();
}

std::wstring MapiProp::get_multi_string(ULONG tag) const {
  mapi_buffer<SPropValue> value;
  if (!get_one_prop(prop.get(), tag, value)) {
    return std::wstring();
  }
  std::wstring text;
  const auto append = [&text](std::wstring part) {
    if (!text.empty()) {
      text += kSeparator;
    }
    text += part;
  };
  switch (PROP_TYPE(value->ulPropTag)) {
    case PT_MV_STRING8:
      for (ULONG i = 0; i < value->Value.MVszA.cValues; ++i) {
        append(to_wide(value->Value.MVszA.lppszA[i], -1, CP_THREAD_ACP));
      }
      break;
    case PT_MV_UNICODE:
      for (ULONG i = 0; i < value->Value.MVszW.cValues; ++i) {
        const wchar_t* part = value->Value.MVszW.lppszW[i];
        append(part != nullptr ? part : L"");
      }
      break;
    default:
      break;
  }
  return text;
}

double MapiProp::get_double(ULONG tag) const {
  mapi_buffer<SPropValue> value;
  if (!get_one_prop(prop.get(), tag, value)) {
    return 0.0;
  }
  switch (PROP_TYPE(value->ulPropTag)) {
    case PT_DOUBLE:
      return value->Value.dbl;
    case PT_APPTIME:
      return value->Value.at;
    case PT_SYSTIME:
      return variant_time(value->Value.ft);
    default:
      return 0.0;
  }
}

std::int32_t MapiProp::get_long(ULONG tag, std::int32_t fallback) const {
  mapi_buffer<SPropValue> value;
  if (!get_one_prop(prop.get(), tag, value)) {
    return fallback;
  }
  switch (PROP_TYPE(value->ulPropTag)) {
    case PT_I2:
      return value->Value.i;
    case PT_LONG:
      return value->Value.l;
    case PT_BOOLEAN:
      return static_cast<std::uint16_t>(value->Value.b);
    case PT_I8:
      return static_cast<std::int32_t>(value->Value.li.LowPart);
    default:
      return fallback;
  }
}

bool MapiProp::get_rtf(std::vector<std::uint8_t>& bytes) const {
  const com_ptr<IStream> compressed = open_stream(*prop, PR_RTF_COMPRESSED, MAPI_DEFERRED_ERRORS);
  if (!compressed) {
    return false;
  }
  com_ptr<IStream> rtf;
  if (FAILED(::WrapCompressedRTFStream(compressed.get(), 0, rtf.put())) || !rtf) {
    return false;
  }
  return SUCCEEDED(read_stream(*rtf, bytes));
}

// --- MapiMessage's texts ----------------------------------------------------

std::wstring MapiMessage::field_text(int field, const std::wstring& default_text) const noexcept {
  return field_text_of(*impl_, field, default_text);
}

std::wstring MapiMessage::property_text(ULONG tag,
                                        const std::wstring& default_text) const noexcept {
  return text_or_default([&] { return text_of_property(*impl_, tag, default_text); }, default_text);
}

std::wstring MapiMessage::named_property_text(const GUID& property_set, ULONG lid, ULONG type,
                                              const std::wstring& default_text) const noexcept {
  return text_or_default(
      [&] {
        return text_of_property(*impl_, typed(named_tag(*impl_, property_set, lid), type),
                                default_text);
      },
      default_text);
}

std::wstring MapiMessage::named_property_text(const GUID& property_set, const wchar_t* name,
                                              ULONG type,
                                              const std::wstring& default_text) const noexcept {
  return text_or_default(
      [&] {
        return text_of_property(*impl_, typed(named_tag(*impl_, property_set, name), type),
                                default_text);
      },
      default_text);
}

}  // namespace qv
