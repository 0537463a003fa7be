// The standard properties of Outlook's items, read from their MAPI
// properties. The DISPIDs are those of Outlook's item interfaces; where
// Outlook documents the name's property, the property is that one.
#include "sim/outlook/item_properties.h"

#include <iterator>

#include "mapi/mapi_platform.h"
#include "sim/outlook/dispatch.h"

namespace qvsim::outlook {
namespace {

using K = ItemKinds;
using V = ItemValue;

// clang-format off
const StandardProperty kProperties[] = {
    {L"Body",                 0x9100, 0x1000, nullptr, V::kText,    K::kEvery,       0},
    {L"Importance",           0x0017, 0x0017, nullptr, V::kLong,    K::kEvery,       1},  // olImportanceNormal
    {L"Sensitivity",          0x0036, 0x0036, nullptr, V::kLong,    K::kEvery,       0},
    {L"Size",                 0x0E08, 0x0E08, nullptr, V::kLong,    K::kEvery,       0},
    {L"CreationTime",         0x3007, 0x3007, nullptr, V::kTime,    K::kEvery,       0},
    {L"LastModificationTime", 0x3008, 0x3008, nullptr, V::kTime,    K::kEvery,       0},
    {L"ConversationTopic",    0x0070, 0x0070, nullptr, V::kText,    K::kEvery,       0},
    {L"SenderName",           0x0C1A, 0x0C1A, nullptr, V::kText,    K::kMessage,     0},
    {L"SenderEmailAddress",   0x0C1F, 0x0C1F, nullptr, V::kText,    K::kMessage,     0},
    {L"To",                   0x0E04, 0x0E04, nullptr, V::kText,    K::kMessage,     0},
    {L"CC",                   0x0E03, 0x0E03, nullptr, V::kText,    K::kMessage,     0},
    {L"BCC",                  0x0E02, 0x0E02, nullptr, V::kText,    K::kMessage,     0},
    {L"ReceivedTime",         0x0E06, 0x0E06, nullptr, V::kTime,    K::kMessage,     0},
    {L"SentOn",               0x0039, 0x0039, nullptr, V::kTime,    K::kMessage,     0},
    {L"Start",                0x820D, 0x820D, &PSETID_Appointment, V::kTime,    K::kAppointment, 0},
    {L"End",                  0x820E, 0x820E, &PSETID_Appointment, V::kTime,    K::kAppointment, 0},
    {L"Location",             0x8208, 0x8208, &PSETID_Appointment, V::kText,    K::kAppointment, 0},
    {L"AllDayEvent",          0x8215, 0x8215, &PSETID_Appointment, V::kBoolean, K::kAppointment, 0},
    {L"FullName",             0x3001, 0x3001, nullptr, V::kText,    K::kContact,     0},
    {L"CompanyName",          0x3A16, 0x3A16, nullptr, V::kText,    K::kContact,     0},
    {L"Email1Address",        0x8083, 0x8083, &PSETID_Address,     V::kText,    K::kContact,     0},
};
// clang-format on

// Outlook's OlObjectClass codes of the items that carry a message's sender
// and recipients: mail, post, report, meeting request.
bool is_message_class(long object_class) {
  return object_class == 43 || object_class == 45 || object_class == 46 || object_class == 53;
}

const Property* find_property(const Item& item, const StandardProperty& wanted) {
  for (const Property& property : item.properties) {
    const bool same = wanted.property_set == nullptr
                          ? !property.is_named() && (property.tag >> 16) == wanted.property_id
                          : property.is_named() && property.name->lid == wanted.property_id &&
                                IsEqualGUID(property.name->property_set, *wanted.property_set) != 0;
    if (same) {
      return &property;
    }
  }
  return nullptr;
}

HRESULT put_text(const Property* property, VARIANT* out) {
  std::wstring text;
  if (property != nullptr && property->type == kPtUnicode) {
    text = property->text;
  } else if (property != nullptr && property->type == kPtString8) {
    text = from_code_page_1252(property->bytes);
  }
  BSTR value = nullptr;
  const HRESULT hr = allocate_text(text, &value);
  if (SUCCEEDED(hr)) {
    put_variant(out, value);
  }
  return hr;
}

}  // namespace

const StandardProperty* standard_properties() { return kProperties; }
std::size_t standard_property_count() { return std::size(kProperties); }

bool has_property(const StandardProperty& property, long object_class) {
  switch (property.kinds) {
    case ItemKinds::kEvery:
      return true;
    case ItemKinds::kMessage:
      return is_message_class(object_class);
    case ItemKinds::kAppointment:
      return object_class == 26;
    case ItemKinds::kContact:
      return object_class == 40;
  }
  return false;
}

double local_variant_time(std::int64_t filetime) {
  FILETIME utc_time;
  utc_time.dwLowDateTime = static_cast<DWORD>(filetime & 0xFFFFFFFF);
  utc_time.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(filetime) >> 32);
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  double date = kNoDate;
  if (::FileTimeToSystemTime(&utc_time, &utc) &&
      ::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    local.wMilliseconds = 0;
    ::SystemTimeToVariantTime(&local, &date);
  }
  return date;
}

HRESULT read_standard_property(const Item& item, const StandardProperty& wanted, VARIANT* out) {
  ::VariantInit(out);
  const Property* property = find_property(item, wanted);
  switch (wanted.value) {
    case ItemValue::kText:
      return put_text(property, out);
    case ItemValue::kTime:
      out->vt = VT_DATE;
      out->date = property != nullptr && property->type == kPtSysTime
                      ? local_variant_time(property->integer)
                      : kNoDate;
      return S_OK;
    case ItemValue::kLong:
      put_variant(out, property != nullptr && (property->type == kPtLong || property->type == kPtI2)
                           ? static_cast<long>(property->integer)
                           : wanted.absent);
      return S_OK;
    case ItemValue::kBoolean: {
      const bool value = property != nullptr && property->type == kPtBoolean
                             ? property->integer != 0
                             : wanted.absent != 0;
      out->vt = VT_BOOL;
      out->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    }
  }
  return E_UNEXPECTED;
}

}  // namespace qvsim::outlook
