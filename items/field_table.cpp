#include "items/field_table.h"

#include <mapix.h>

#include <string>

#include "errors/exceptions.h"
#include "items/message.h"
#include "mapi/mapi_holders.h"
#include "mapi/mapi_platform.h"

namespace qv {
namespace {

constexpr FieldDef standard(ULONG tag) { return FieldDef{tag, {}, 0, 0}; }

constexpr FieldDef named(const GUID& property_set, ULONG lid, ULONG type) {
  return FieldDef{0, property_set, lid, type};
}

}  // namespace

const FieldDef field_table[kFieldCount] = {
    standard(PR_SUBJECT_W),                             // 0
    standard(PR_SENT_REPRESENTING_EMAIL_ADDRESS_W),     // 1
    standard(PR_DISPLAY_TO_W),                          // 2
    standard(PR_DISPLAY_CC_W),                          // 3
    standard(PR_DISPLAY_BCC_W),                         // 4
    standard(PR_MESSAGE_DELIVERY_TIME),                 // 5
    standard(PR_BODY_W),                                // 6
    standard(PR_GIVEN_NAME_W),                          // 7
    standard(PR_MIDDLE_NAME_W),                         // 8
    standard(PR_SURNAME_W),                             // 9
    standard(PR_COMPANY_NAME_W),                        // 10
    standard(PR_HOME_ADDRESS_STREET_W),                 // 11
    standard(PR_HOME_ADDRESS_CITY_W),                   // 12
    standard(PR_HOME_ADDRESS_STATE_OR_PROVINCE_W),      // 13
    standard(PR_HOME_ADDRESS_POSTAL_CODE_W),            // 14
    standard(PR_HOME_ADDRESS_COUNTRY_W),                // 15
    standard(PR_HOME_TELEPHONE_NUMBER_W),               // 16
    standard(PR_MOBILE_TELEPHONE_NUMBER_W),             // 17
    standard(PR_BUSINESS_TELEPHONE_NUMBER_W),           // 18
    standard(PR_BUSINESS_FAX_NUMBER_W),                 // 19
    standard(PR_HOME2_TELEPHONE_NUMBER_W),              // 20
    standard(PR_BUSINESS2_TELEPHONE_NUMBER_W),          // 21
    standard(PR_ASSISTANT_TELEPHONE_NUMBER_W),          // 22
    standard(PR_CALLBACK_TELEPHONE_NUMBER_W),           // 23
    standard(PR_CAR_TELEPHONE_NUMBER_W),                // 24
    standard(PR_OTHER_TELEPHONE_NUMBER_W),              // 25
    standard(PR_PRIMARY_TELEPHONE_NUMBER_W),            // 26
    standard(PR_HOME_FAX_NUMBER_W),                     // 27
    standard(PR_PRIMARY_FAX_NUMBER_W),                  // 28
    standard(PR_TITLE_W),                               // 29
    standard(PR_DISPLAY_NAME_PREFIX_W),                 // 30
    standard(PR_GENERATION_W),                          // 31
    named(PSETID_Address, 0x802B, PT_UNICODE),          // 32 PidLidHtml
    named(PSETID_Address, 0x8083, PT_UNICODE),          // 33 PidLidEmail1EmailAddress
    named(PSETID_Address, 0x8093, PT_UNICODE),          // 34 PidLidEmail2EmailAddress
    named(PSETID_Address, 0x80A3, PT_UNICODE),          // 35 PidLidEmail3EmailAddress
    named(PSETID_Address, 0x8062, PT_UNICODE),          // 36 PidLidInstantMessagingAddress
    standard(PR_BUSINESS_ADDRESS_STREET_W),             // 37
    standard(PR_BUSINESS_ADDRESS_CITY_W),               // 38
    standard(PR_BUSINESS_ADDRESS_STATE_OR_PROVINCE_W),  // 39
    standard(PR_BUSINESS_ADDRESS_POSTAL_CODE_W),        // 40
    standard(PR_BUSINESS_ADDRESS_COUNTRY_W),            // 41
    standard(PR_OTHER_ADDRESS_STREET_W),                // 42
    standard(PR_OTHER_ADDRESS_CITY_W),                  // 43
    standard(PR_OTHER_ADDRESS_STATE_OR_PROVINCE_W),     // 44
    standard(PR_OTHER_ADDRESS_POSTAL_CODE_W),           // 45
    standard(PR_OTHER_ADDRESS_COUNTRY_W),               // 46
    named(PSETID_Appointment, 0x8208, PT_UNICODE),      // 47 PidLidLocation
    named(PSETID_Appointment, 0x820D, PT_SYSTIME),      // 48 PidLidAppointmentStartWhole
    named(PSETID_Appointment, 0x820E, PT_SYSTIME),      // 49 PidLidAppointmentEndWhole
    named(PSETID_Appointment, 0x8213, PT_LONG),         // 50 PidLidAppointmentDuration
    standard(PR_RTF_COMPRESSED),                        // 51
    named(PSETID_Appointment, 0x8205, PT_LONG),         // 52 PidLidBusyStatus
    named(PSETID_Appointment, 0x8215, PT_BOOLEAN),      // 53 PidLidAppointmentSubType
    named(PSETID_Common, 0x8503, PT_BOOLEAN),           // 54 PidLidReminderSet
    named(PSETID_Appointment, 0x8223, PT_BOOLEAN),      // 55 PidLidRecurring
    named(PSETID_Common, 0x8502, PT_SYSTIME),           // 56 PidLidReminderTime
    named(PSETID_Common, 0x8501, PT_LONG),              // 57 PidLidReminderDelta
    named(PSETID_Common, 0x8560, PT_SYSTIME),           // 58 PidLidReminderSignalTime
    named(PSETID_Appointment, 0x8232, PT_UNICODE),      // 59 PidLidRecurrencePattern
    named(PSETID_Appointment, 0x8216, PT_BINARY),       // 60 PidLidAppointmentRecur
    named(PSETID_Appointment, 0x8231, PT_LONG),         // 61 PidLidRecurrenceType
    named(PSETID_Common, 0x8516, PT_SYSTIME),           // 62 PidLidCommonStart
    named(PSETID_Common, 0x8517, PT_SYSTIME),           // 63 PidLidCommonEnd
    named(PSETID_Task, 0x8105, PT_SYSTIME),             // 64 PidLidTaskDueDate
    named(PSETID_Task, 0x811C, PT_BOOLEAN),             // 65 PidLidTaskComplete
    named(PSETID_Common, 0x8534, PT_UNICODE),           // 66 PidLidMileage
    named(PSETID_Task, 0x8102, PT_DOUBLE),              // 67 PidLidPercentComplete
    named(PSETID_Task, 0x8110, PT_LONG),                // 68 PidLidTaskActualEffort
    named(PSETID_Task, 0x8111, PT_LONG),                // 69 PidLidTaskEstimatedEffort
    named(PSETID_Common, 0x8535, PT_UNICODE),           // 70 PidLidBilling
    named(PSETID_Task, 0x810F, PT_SYSTIME),             // 71 PidLidTaskDateCompleted
    named(PSETID_Common, 0x8539, PT_MV_UNICODE),        // 72 PidLidCompanies
    standard(PR_PRIORITY),                              // 73
    standard(PR_SENT_REPRESENTING_ADDRTYPE_W),          // 74
    standard(PR_SENT_REPRESENTING_NAME_W),              // 75
    standard(PR_LAST_MODIFICATION_TIME),                // 76
    named(PSETID_Address, 0x8045, PT_UNICODE),          // 77 PidLidWorkAddressStreet
    named(PSETID_Address, 0x8046, PT_UNICODE),          // 78 PidLidWorkAddressCity
    named(PSETID_Address, 0x8047, PT_UNICODE),          // 79 PidLidWorkAddressState
    named(PSETID_Address, 0x8048, PT_UNICODE),          // 80 PidLidWorkAddressPostalCode
    named(PSETID_Address, 0x8049, PT_UNICODE),          // 81 PidLidWorkAddressCountry
    named(PSETID_Address, 0x801B, PT_UNICODE),          // 82 PidLidWorkAddress
    named(PSETID_Address, 0x801A, PT_UNICODE),          // 83 PidLidHomeAddress
    standard(PR_POSTAL_ADDRESS_W),                      // 84
    named(PSETID_Address, 0x8005, PT_UNICODE),          // 85 PidLidFileUnder
};

ULONG field_tag(const MapiMessageImpl& message, int field) {
  if (field < 0 || field >= kFieldCount) {
    const std::wstring number = std::to_wstring(field);
    throw truntime_error(format_message(L"Field %1 is not in the field table", {number.c_str()}));
  }
  const FieldDef& entry = field_table[field];
  if (entry.tag != 0) {
    return entry.tag;
  }
  return PROP_TAG(entry.type, PROP_ID(named_tag(message, entry.property_set, entry.lid)));
}

namespace {

ULONG tag_of_name(const MapiMessageImpl& message, MAPINAMEID& name) {
  LPMAPINAMEID names[] = {&name};
  mapi_buffer<SPropTagArray> tags;
  // Without MAPI_CREATE: a name that the store never mapped comes back with
  // identifier 0 (and a warning), and no mapping is made.
  check_hresult(message.message->GetIDsFromNames(1, names, 0, tags.put()));
  if (!tags || tags->cValues < 1) {
    return PROP_TAG(PT_ERROR, 0);
  }
  return tags->aulPropTag[0];
}

}  // namespace

ULONG named_tag(const MapiMessageImpl& message, const GUID& property_set, ULONG lid) {
  GUID set = property_set;
  MAPINAMEID name{};
  name.lpguid = &set;
  name.ulKind = MNID_ID;
  name.Kind.lID = static_cast<LONG>(lid);
  return tag_of_name(message, name);
}

ULONG named_tag(const MapiMessageImpl& message, const GUID& property_set, const wchar_t* name) {
  GUID set = property_set;
  std::wstring text = name != nullptr ? name : L"";
  MAPINAMEID id{};
  id.lpguid = &set;
  id.ulKind = MNID_STRING;
  id.Kind.lpwstrName = text.data();
  return tag_of_name(message, id);
}

}  // namespace qv
