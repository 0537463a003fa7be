#include "sim/mapi/message/property_value.h"

#include <cstring>

namespace qvsim::mapi {
namespace {

template <typename T>
T* allocate_array(const Allocator& allocator, void* parent, size_t count) {
  return static_cast<T*>(
      allocator.get(static_cast<ULONG>(sizeof(T) * (count ? count : 1)), parent));
}

char* copy_bytes(const Allocator& allocator, void* parent, const std::string& bytes,
                 bool terminate) {
  auto* memory = allocate_array<char>(allocator, parent, bytes.size() + (terminate ? 1 : 0));
  if (memory != nullptr) {
    std::memcpy(memory, bytes.data(), bytes.size());
    if (terminate) {
      memory[bytes.size()] = '\0';
    }
  }
  return memory;
}

wchar_t* copy_text(const Allocator& allocator, void* parent, const std::wstring& text) {
  auto* memory = allocate_array<wchar_t>(allocator, parent, text.size() + 1);
  if (memory != nullptr) {
    std::memcpy(memory, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  }
  return memory;
}

// Copies the elements of a multi-valued value of a fixed-size type.
template <typename T, typename Get>
HRESULT copy_fixed_elements(const PropertyValue& value, const Allocator& allocator, void* parent,
                            ULONG* count, T** array, Get get) {
  *count = static_cast<ULONG>(value.elements().size());
  *array = allocate_array<T>(allocator, parent, value.elements().size());
  if (*array == nullptr) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  for (size_t i = 0; i < value.elements().size(); ++i) {
    (*array)[i] = get(value.elements()[i]);
  }
  return S_OK;
}

HRESULT copy_multi(const PropertyValue& value, const Allocator& allocator, void* parent,
                   SPropValue* out) {
  switch (base_type(value.type())) {
    case PT_I2:
      return copy_fixed_elements(
          value, allocator, parent, &out->Value.MVi.cValues, &out->Value.MVi.lpi,
          [](const PropertyValue& e) { return static_cast<short>(e.integer()); });
    case PT_LONG:
      return copy_fixed_elements(
          value, allocator, parent, &out->Value.MVl.cValues, &out->Value.MVl.lpl,
          [](const PropertyValue& e) { return static_cast<LONG>(e.integer()); });
    case PT_R4:
      return copy_fixed_elements(
          value, allocator, parent, &out->Value.MVflt.cValues, &out->Value.MVflt.lpflt,
          [](const PropertyValue& e) { return static_cast<float>(e.real_value()); });
    case PT_DOUBLE:
    case PT_APPTIME:
      return copy_fixed_elements(value, allocator, parent, &out->Value.MVdbl.cValues,
                                 &out->Value.MVdbl.lpdbl,
                                 [](const PropertyValue& e) { return e.real_value(); });
    case PT_CURRENCY:
      return copy_fixed_elements(value, allocator, parent, &out->Value.MVcur.cValues,
                                 &out->Value.MVcur.lpcur, [](const PropertyValue& e) {
                                   CURRENCY c;
                                   c.int64 = e.integer();
                                   return c;
                                 });
    case PT_I8:
      return copy_fixed_elements(value, allocator, parent, &out->Value.MVli.cValues,
                                 &out->Value.MVli.lpli, [](const PropertyValue& e) {
                                   LARGE_INTEGER li;
                                   li.QuadPart = e.integer();
                                   return li;
                                 });
    case PT_SYSTIME:
      return copy_fixed_elements(value, allocator, parent, &out->Value.MVft.cValues,
                                 &out->Value.MVft.lpft,
                                 [](const PropertyValue& e) { return e.filetime(); });
    case PT_CLSID:
      return copy_fixed_elements(value, allocator, parent, &out->Value.MVguid.cValues,
                                 &out->Value.MVguid.lpguid,
                                 [](const PropertyValue& e) { return e.guid(); });
    case PT_STRING8: {
      HRESULT hr = copy_fixed_elements(
          value, allocator, parent, &out->Value.MVszA.cValues, &out->Value.MVszA.lppszA,
          [](const PropertyValue&) { return static_cast<LPSTR>(nullptr); });
      for (size_t i = 0; SUCCEEDED(hr) && i < value.elements().size(); ++i) {
        out->Value.MVszA.lppszA[i] =
            copy_bytes(allocator, parent, value.elements()[i].bytes(), true);
        hr = out->Value.MVszA.lppszA[i] ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
      }
      return hr;
    }
    case PT_UNICODE: {
      HRESULT hr = copy_fixed_elements(
          value, allocator, parent, &out->Value.MVszW.cValues, &out->Value.MVszW.lppszW,
          [](const PropertyValue&) { return static_cast<LPWSTR>(nullptr); });
      for (size_t i = 0; SUCCEEDED(hr) && i < value.elements().size(); ++i) {
        out->Value.MVszW.lppszW[i] = copy_text(allocator, parent, value.elements()[i].text());
        hr = out->Value.MVszW.lppszW[i] ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
      }
      return hr;
    }
    case PT_BINARY: {
      HRESULT hr = copy_fixed_elements(value, allocator, parent, &out->Value.MVbin.cValues,
                                       &out->Value.MVbin.lpbin, [](const PropertyValue&) {
                                         return SBinary{0, nullptr};
                                       });
      for (size_t i = 0; SUCCEEDED(hr) && i < value.elements().size(); ++i) {
        const std::string& bytes = value.elements()[i].bytes();
        out->Value.MVbin.lpbin[i].cb = static_cast<ULONG>(bytes.size());
        out->Value.MVbin.lpbin[i].lpb =
            reinterpret_cast<LPBYTE>(copy_bytes(allocator, parent, bytes, false));
        hr = out->Value.MVbin.lpbin[i].lpb ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
      }
      return hr;
    }
    default:
      return MAPI_E_BAD_VALUE;
  }
}

template <typename T, typename Make>
std::vector<PropertyValue> elements_of(ULONG count, const T* array, Make make) {
  std::vector<PropertyValue> elements;
  elements.reserve(count);
  for (ULONG i = 0; i < count && array != nullptr; ++i) {
    elements.push_back(make(array[i]));
  }
  return elements;
}

std::optional<PropertyValue> multi_from_mapi(const SPropValue& value) {
  const ULONG type = PROP_TYPE(value.ulPropTag);
  const _PV& v = value.Value;
  switch (base_type(type)) {
    case PT_I2:
      return PropertyValue::multi(type, elements_of(v.MVi.cValues, v.MVi.lpi, PropertyValue::i2));
    case PT_LONG:
      return PropertyValue::multi(type,
                                  elements_of(v.MVl.cValues, v.MVl.lpl, PropertyValue::long_value));
    case PT_R4:
      return PropertyValue::multi(type,
                                  elements_of(v.MVflt.cValues, v.MVflt.lpflt, PropertyValue::r4));
    case PT_DOUBLE:
      return PropertyValue::multi(type,
                                  elements_of(v.MVdbl.cValues, v.MVdbl.lpdbl, PropertyValue::real));
    case PT_APPTIME:
      return PropertyValue::multi(
          type, elements_of(v.MVat.cValues, v.MVat.lpat, PropertyValue::app_time));
    case PT_CURRENCY:
      return PropertyValue::multi(
          type, elements_of(v.MVcur.cValues, v.MVcur.lpcur,
                            [](const CURRENCY& c) { return PropertyValue::currency(c.int64); }));
    case PT_I8:
      return PropertyValue::multi(
          type, elements_of(v.MVli.cValues, v.MVli.lpli, [](const LARGE_INTEGER& li) {
            return PropertyValue::i8(li.QuadPart);
          }));
    case PT_SYSTIME:
      return PropertyValue::multi(
          type, elements_of(v.MVft.cValues, v.MVft.lpft,
                            [](const FILETIME& ft) { return PropertyValue::systime(ft); }));
    case PT_CLSID:
      return PropertyValue::multi(
          type, elements_of(v.MVguid.cValues, v.MVguid.lpguid, PropertyValue::clsid));
    case PT_STRING8:
      return PropertyValue::multi(type, elements_of(v.MVszA.cValues, v.MVszA.lppszA, [](LPSTR s) {
                                    return PropertyValue::string8(s ? s : "");
                                  }));
    case PT_UNICODE:
      return PropertyValue::multi(type, elements_of(v.MVszW.cValues, v.MVszW.lppszW, [](LPWSTR s) {
                                    return PropertyValue::unicode(s ? s : L"");
                                  }));
    case PT_BINARY:
      return PropertyValue::multi(
          type, elements_of(v.MVbin.cValues, v.MVbin.lpbin, [](const SBinary& b) {
            return PropertyValue::binary(
                std::string(reinterpret_cast<const char*>(b.lpb), b.lpb ? b.cb : 0));
          }));
    default:
      return std::nullopt;
  }
}

}  // namespace

#define QVSIM_INTEGER_FACTORY(name, argument, type_value) \
  PropertyValue PropertyValue::name(argument value) {     \
    PropertyValue result;                                 \
    result.type_ = type_value;                            \
    result.integer_ = static_cast<LONGLONG>(value);       \
    return result;                                        \
  }
QVSIM_INTEGER_FACTORY(i2, short, PT_I2)
QVSIM_INTEGER_FACTORY(long_value, LONG, PT_LONG)
QVSIM_INTEGER_FACTORY(currency, LONGLONG, PT_CURRENCY)
QVSIM_INTEGER_FACTORY(error, SCODE, PT_ERROR)
QVSIM_INTEGER_FACTORY(i8, LONGLONG, PT_I8)
QVSIM_INTEGER_FACTORY(systime, ULONGLONG, PT_SYSTIME)
#undef QVSIM_INTEGER_FACTORY

PropertyValue PropertyValue::boolean(bool value) {
  PropertyValue result;
  result.type_ = PT_BOOLEAN;
  result.integer_ = value ? 1 : 0;
  return result;
}

PropertyValue PropertyValue::r4(float value) {
  PropertyValue result;
  result.type_ = PT_R4;
  result.real_ = value;
  return result;
}

PropertyValue PropertyValue::real(double value) {
  PropertyValue result;
  result.type_ = PT_DOUBLE;
  result.real_ = value;
  return result;
}

PropertyValue PropertyValue::app_time(double value) {
  PropertyValue result;
  result.type_ = PT_APPTIME;
  result.real_ = value;
  return result;
}

PropertyValue PropertyValue::string8(std::string value) {
  PropertyValue result;
  result.type_ = PT_STRING8;
  result.bytes_ = std::move(value);
  return result;
}

PropertyValue PropertyValue::unicode(std::wstring value) {
  PropertyValue result;
  result.type_ = PT_UNICODE;
  result.text_ = std::move(value);
  return result;
}

PropertyValue PropertyValue::systime(FILETIME value) {
  return systime((static_cast<ULONGLONG>(value.dwHighDateTime) << 32) | value.dwLowDateTime);
}

PropertyValue PropertyValue::clsid(const GUID& value) {
  PropertyValue result;
  result.type_ = PT_CLSID;
  result.bytes_.assign(reinterpret_cast<const char*>(&value), sizeof(GUID));
  return result;
}

PropertyValue PropertyValue::binary(std::string bytes) {
  PropertyValue result;
  result.type_ = PT_BINARY;
  result.bytes_ = std::move(bytes);
  return result;
}

PropertyValue PropertyValue::object() {
  PropertyValue result;
  result.type_ = PT_OBJECT;
  return result;
}

PropertyValue PropertyValue::multi(ULONG mv_type, std::vector<PropertyValue> elements) {
  PropertyValue result;
  result.type_ = mv_type | MV_FLAG;
  result.elements_ = std::move(elements);
  return result;
}

FILETIME PropertyValue::filetime() const {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(static_cast<ULONGLONG>(integer_) & 0xFFFFFFFFu);
  time.dwHighDateTime = static_cast<DWORD>(static_cast<ULONGLONG>(integer_) >> 32);
  return time;
}

GUID PropertyValue::guid() const {
  GUID value{};
  std::memcpy(&value, bytes_.data(), bytes_.size() < sizeof(GUID) ? bytes_.size() : sizeof(GUID));
  return value;
}

std::string PropertyValue::stream_bytes() const {
  switch (type_) {
    case PT_UNICODE:
      return std::string(reinterpret_cast<const char*>(text_.data()),
                         text_.size() * sizeof(wchar_t));
    case PT_STRING8:
    case PT_BINARY:
    case PT_CLSID:
      return bytes_;
    default:
      return std::string();
  }
}

PropertyValue PropertyValue::from_stream_bytes(ULONG type, std::string bytes) {
  switch (type) {
    case PT_UNICODE: {
      std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
      std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
      return unicode(std::move(text));
    }
    case PT_STRING8:
      return string8(std::move(bytes));
    case PT_CLSID: {
      PropertyValue result;
      result.type_ = PT_CLSID;
      bytes.resize(sizeof(GUID));
      result.bytes_ = std::move(bytes);
      return result;
    }
    default:
      return binary(std::move(bytes));
  }
}

bool PropertyValue::operator==(const PropertyValue& other) const {
  return type_ == other.type_ && integer_ == other.integer_ && real_ == other.real_ &&
         bytes_ == other.bytes_ && text_ == other.text_ && elements_ == other.elements_;
}

HRESULT copy_to_mapi(const PropertyValue& value, ULONG tag, const Allocator& allocator,
                     void* parent, SPropValue* out) {
  out->ulPropTag = tag;
  out->dwAlignPad = 0;
  std::memset(&out->Value, 0, sizeof(out->Value));
  if (is_multi_valued(value.type())) {
    return copy_multi(value, allocator, parent, out);
  }
  switch (value.type()) {
    case PT_I2:
      out->Value.i = static_cast<short>(value.integer());
      return S_OK;
    case PT_LONG:
      out->Value.l = static_cast<LONG>(value.integer());
      return S_OK;
    case PT_ERROR:
      out->Value.err = static_cast<SCODE>(value.integer());
      return S_OK;
    case PT_BOOLEAN:
      out->Value.b = static_cast<unsigned short>(value.integer() != 0);
      return S_OK;
    case PT_R4:
      out->Value.flt = static_cast<float>(value.real_value());
      return S_OK;
    case PT_DOUBLE:
      out->Value.dbl = value.real_value();
      return S_OK;
    case PT_APPTIME:
      out->Value.at = value.real_value();
      return S_OK;
    case PT_CURRENCY:
      out->Value.cur.int64 = value.integer();
      return S_OK;
    case PT_I8:
      out->Value.li.QuadPart = value.integer();
      return S_OK;
    case PT_SYSTIME:
      out->Value.ft = value.filetime();
      return S_OK;
    case PT_STRING8:
      out->Value.lpszA = copy_bytes(allocator, parent, value.bytes(), true);
      return out->Value.lpszA ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
    case PT_UNICODE:
      out->Value.lpszW = copy_text(allocator, parent, value.text());
      return out->Value.lpszW ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
    case PT_BINARY:
      out->Value.bin.cb = static_cast<ULONG>(value.bytes().size());
      out->Value.bin.lpb =
          reinterpret_cast<LPBYTE>(copy_bytes(allocator, parent, value.bytes(), false));
      return out->Value.bin.lpb ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
    case PT_CLSID:
      out->Value.lpguid = allocate_array<GUID>(allocator, parent, 1);
      if (out->Value.lpguid == nullptr) {
        return MAPI_E_NOT_ENOUGH_MEMORY;
      }
      *out->Value.lpguid = value.guid();
      return S_OK;
    default:
      out->Value.x = 0;
      return S_OK;
  }
}

std::optional<PropertyValue> from_mapi(const SPropValue& value) {
  const ULONG type = PROP_TYPE(value.ulPropTag);
  if (is_multi_valued(type)) {
    return multi_from_mapi(value);
  }
  const _PV& v = value.Value;
  switch (type) {
    case PT_I2:
      return PropertyValue::i2(v.i);
    case PT_LONG:
      return PropertyValue::long_value(v.l);
    case PT_ERROR:
      return PropertyValue::error(v.err);
    case PT_BOOLEAN:
      return PropertyValue::boolean(v.b != 0);
    case PT_R4:
      return PropertyValue::r4(v.flt);
    case PT_DOUBLE:
      return PropertyValue::real(v.dbl);
    case PT_APPTIME:
      return PropertyValue::app_time(v.at);
    case PT_CURRENCY:
      return PropertyValue::currency(v.cur.int64);
    case PT_I8:
      return PropertyValue::i8(v.li.QuadPart);
    case PT_SYSTIME:
      return PropertyValue::systime(v.ft);
    case PT_STRING8:
      return PropertyValue::string8(v.lpszA ? v.lpszA : "");
    case PT_UNICODE:
      return PropertyValue::unicode(v.lpszW ? v.lpszW : L"");
    case PT_BINARY:
      return PropertyValue::binary(
          std::string(reinterpret_cast<const char*>(v.bin.lpb), v.bin.lpb ? v.bin.cb : 0));
    case PT_CLSID:
      return v.lpguid ? std::optional<PropertyValue>(PropertyValue::clsid(*v.lpguid))
                      : std::nullopt;
    default:
      return std::nullopt;
  }
}

}  // namespace qvsim::mapi
