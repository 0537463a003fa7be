#include "items/field_table.h"

#include <mapix.h>

#include "errors/exceptions.h"
#include "items/message.h"
#include "mapi/mapi_holders.h"

namespace qv {
namespace {

// Outlook's property sets of named properties.
constexpr GUID kPsetidAppointment = {0x00062002, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kPsetidTask = {0x00062003, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kPsetidAddress = {0x00062004, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kPsetidCommon = {0x00062008, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

constexpr FieldDef named(const GUID& property_set, ULONG lid, ULONG type) {
  return FieldDef{0, property_set, lid, type};
}

}  // namespace

const FieldDef field_table[kFieldCount] = {
    {0x0037001F, {}, 0, 0},                         // 0 PR_SUBJECT
    {0x0065001F, {}, 0, 0},                         // 1 PR_SENT_REPRESENTING_EMAIL_ADDRESS
    {0x0E04001F, {}, 0, 0},                         // 2 PR_DISPLAY_TO
    {0x0E03001F, {}, 0, 0},                         // 3 PR_DISPLAY_CC
    {0x0E02001F, {}, 0, 0},                         // 4 PR_DISPLAY_BCC
    {0x0E060040, {}, 0, 0},                         // 5 PR_MESSAGE_DELIVERY_TIME
    {0x1000001F, {}, 0, 0},                         // 6 PR_BODY
    {0x3A06001F, {}, 0, 0},                         // 7 PR_GIVEN_NAME
    {0x3A44001F, {}, 0, 0},                         // 8 PR_MIDDLE_NAME
    {0x3A11001F, {}, 0, 0},                         // 9 PR_SURNAME
    {0x3A16001F, {}, 0, 0},                         // 10 PR_COMPANY_NAME
    {0x3A5D001F, {}, 0, 0},                         // 11 PR_HOME_ADDRESS_STREET
    {0x3A59001F, {}, 0, 0},                         // 12 PR_HOME_ADDRESS_CITY
    {0x3A5C001F, {}, 0, 0},                         // 13 PR_HOME_ADDRESS_STATE_OR_PROVINCE
    {0x3A5B001F, {}, 0, 0},                         // 14 PR_HOME_ADDRESS_POSTAL_CODE
    {0x3A5A001F, {}, 0, 0},                         // 15 PR_HOME_ADDRESS_COUNTRY
    {0x3A09001F, {}, 0, 0},                         // 16 PR_HOME_TELEPHONE_NUMBER
    {0x3A1C001F, {}, 0, 0},                         // 17 PR_MOBILE_TELEPHONE_NUMBER
    {0x3A08001F, {}, 0, 0},                         // 18 PR_BUSINESS_TELEPHONE_NUMBER
    {0x3A24001F, {}, 0, 0},                         // 19 PR_BUSINESS_FAX_NUMBER
    {0x3A2F001F, {}, 0, 0},                         // 20 PR_HOME2_TELEPHONE_NUMBER
    {0x3A1B001F, {}, 0, 0},                         // 21 PR_BUSINESS2_TELEPHONE_NUMBER
    {0x3A2E001F, {}, 0, 0},                         // 22 PR_ASSISTANT_TELEPHONE_NUMBER
    {0x3A02001F, {}, 0, 0},                         // 23 PR_CALLBACK_TELEPHONE_NUMBER
    {0x3A1E001F, {}, 0, 0},                         // 24 PR_CAR_TELEPHONE_NUMBER
    {0x3A1F001F, {}, 0, 0},                         // 25 PR_OTHER_TELEPHONE_NUMBER
    {0x3A1A001F, {}, 0, 0},                         // 26 PR_PRIMARY_TELEPHONE_NUMBER
    {0x3A25001F, {}, 0, 0},                         // 27 PR_HOME_FAX_NUMBER
    {0x3A23001F, {}, 0, 0},                         // 28 PR_PRIMARY_FAX_NUMBER
    {0x3A17001F, {}, 0, 0},                         // 29 PR_TITLE
    {0x3A45001F, {}, 0, 0},                         // 30 PR_DISPLAY_NAME_PREFIX
    {0x3A05001F, {}, 0, 0},                         // 31 PR_GENERATION
    named(kPsetidAddress, 0x802B, PT_UNICODE),      // 32 PidLidHtml
    named(kPsetidAddress, 0x8083, PT_UNICODE),      // 33 PidLidEmail1EmailAddress
    named(kPsetidAddress, 0x8093, PT_UNICODE),      // 34 PidLidEmail2EmailAddress
    named(kPsetidAddress, 0x80A3, PT_UNICODE),      // 35 PidLidEmail3EmailAddress
    named(kPsetidAddress, 0x8062, PT_UNICODE),      // 36 PidLidInstantMessagingAddress
    {0x3A29001F, {}, 0, 0},                         // 37 PR_BUSINESS_ADDRESS_STREET
    {0x3A27001F, {}, 0, 0},                         // 38 PR_BUSINESS_ADDRESS_CITY
    {0x3A28001F, {}, 0, 0},                         // 39 PR_BUSINESS_ADDRESS_STATE_OR_PROVINCE
    {0x3A2A001F, {}, 0, 0},                         // 40 PR_BUSINESS_ADDRESS_POSTAL_CODE
    {0x3A26001F, {}, 0, 0},                         // 41 PR_BUSINESS_ADDRESS_COUNTRY
    {0x3A63001F, {}, 0, 0},                         // 42 PR_OTHER_ADDRESS_STREET
    {0x3A5F001F, {}, 0, 0},                         // 43 PR_OTHER_ADDRESS_CITY
    {0x3A62001F, {}, 0, 0},                         // 44 PR_OTHER_ADDRESS_STATE_OR_PROVINCE
    {0x3A61001F, {}, 0, 0},                         // 45 PR_OTHER_ADDRESS_POSTAL_CODE
    {0x3A60001F, {}, 0, 0},                         // 46 PR_OTHER_ADDRESS_COUNTRY
    named(kPsetidAppointment, 0x8208, PT_UNICODE),  // 47 PidLidLocation
    named(kPsetidAppointment, 0x820D, PT_SYSTIME),  // 48 PidLidAppointmentStartWhole
    named(kPsetidAppointment, 0x820E, PT_SYSTIME),  // 49 PidLidAppointmentEndWhole
    named(kPsetidAppointment, 0x8213, PT_LONG),     // 50 PidLidAppointmentDuration
    {0x10090102, {}, 0, 0},                         // 51 PR_RTF_COMPRESSED
    named(kPsetidAppointment, 0x8205, PT_LONG),     // 52 PidLidBusyStatus
    named(kPsetidAppointment, 0x8215, PT_BOOLEAN),  // 53 PidLidAppointmentSubType
    named(kPsetidCommon, 0x8503, PT_BOOLEAN),       // 54 PidLidReminderSet
    named(kPsetidAppointment, 0x8223, PT_BOOLEAN),  // 55 PidLidRecurring
    named(kPsetidCommon, 0x8502, PT_SYSTIME),       // 56 PidLidReminderTime
    named(kPsetidCommon, 0x8501, PT_LONG),          // 57 PidLidReminderDelta
    named(kPsetidCommon, 0x8560, PT_SYSTIME),       // 58 PidLidReminderSignalTime
    named(kPsetidAppointment, 0x8232, PT_UNICODE),  // 59 PidLidRecurrencePattern
    named(kPsetidAppointment, 0x8216, PT_BINARY),   // 60 PidLidAppointmentRecur
    named(kPsetidAppointment, 0x8231, PT_LONG),     // 61 PidLidRecurrenceType
    named(kPsetidCommon, 0x8516, PT_SYSTIME),       // 62 PidLidCommonStart
    named(kPsetidCommon, 0x8517, PT_SYSTIME),       // 63 PidLidCommonEnd
    named(kPsetidTask, 0x8105, PT_SYSTIME),         // 64 PidLidTaskDueDate
    named(kPsetidTask, 0x811C, PT_BOOLEAN),         // 65 PidLidTaskComplete
    named(kPsetidCommon, 0x8534, PT_UNICODE),       // 66 PidLidMileage
    named(kPsetidTask, 0x8102, PT_DOUBLE),          // 67 PidLidPercentComplete
    named(kPsetidTask, 0x8110, PT_LONG),            // 68 PidLidTaskActualEffort
    named(kPsetidTask, 0x8111, PT_LONG),            // 69 PidLidTaskEstimatedEffort
    named(kPsetidCommon, 0x8535, PT_UNICODE),       // 70 PidLidBilling
    named(kPsetidTask, 0x810F, PT_SYSTIME),         // 71 PidLidTaskDateCompleted
    named(kPsetidCommon, 0x8539, PT_MV_UNICODE),    // 72 PidLidCompanies
    {0x00260003, {}, 0, 0},                         // 73 PR_PRIORITY
    {0x0064001F, {}, 0, 0},                         // 74 PR_SENT_REPRESENTING_ADDRTYPE
    {0x0042001F, {}, 0, 0},                         // 75 PR_SENT_REPRESENTING_NAME
    {0x30080040, {}, 0, 0},                         // 76 PR_LAST_MODIFICATION_TIME
    named(kPsetidAddress, 0x8045, PT_UNICODE),      // 77 PidLidWorkAddressStreet
    named(kPsetidAddress, 0x8046, PT_UNICODE),      // 78 PidLidWorkAddressCity
    named(kPsetidAddress, 0x8047, PT_UNICODE),      // 79 PidLidWorkAddressState
    named(kPsetidAddress, 0x8048, PT_UNICODE),      // 80 PidLidWorkAddressPostalCode
    named(kPsetidAddress, 0x8049, PT_UNICODE),      // 81 PidLidWorkAddressCountry
    named(kPsetidAddress, 0x801B, PT_UNICODE),      // 82 PidLidWorkAddress
    named(kPsetidAddress, 0x801A, PT_UNICODE),      // 83 PidLidHomeAddress
    {0x3A15001F, {}, 0, 0},                         // 84 PR_POSTAL_ADDRESS
    named(kPsetidAddress, 0x8005, PT_UNICODE),      // 85 PidLidFileUnder
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
  return (named_tag(message, entry.property_set, entry.lid) & 0xFFFF0000u) | entry.type;
}

ULONG named_tag(const MapiMessageImpl& message, const GUID& property_set, ULONG lid) {
  GUID set = property_set;
  MAPINAMEID name{};
  name.lpguid = &set;
  name.ulKind = MNID_ID;
  name.Kind.lID = static_cast<LONG>(lid);
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

}  // namespace qv
