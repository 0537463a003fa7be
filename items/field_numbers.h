// The numbers of the field table's 86 fields by name, so that a caller
// writes message.field_text(qv::field::location, L"") instead of 47.
// docs/fields.md lists each field's property, type and text.
#pragma once

namespace qv::field {

// NOLINTBEGIN(readability-identifier-naming): named as docs/fields.md and
// callers write them (qv::field::subject), not as other constants
inline constexpr int subject = 0;
inline constexpr int sent_representing_email_address = 1;
inline constexpr int display_to = 2;
inline constexpr int display_cc = 3;
inline constexpr int display_bcc = 4;
inline constexpr int delivery_time = 5;
inline constexpr int body = 6;
inline constexpr int given_name = 7;
inline constexpr int middle_name = 8;
inline constexpr int surname = 9;
inline constexpr int company_name = 10;
inline constexpr int home_address_street = 11;
inline constexpr int home_address_city = 12;
inline constexpr int home_address_state = 13;
inline constexpr int home_address_postal_code = 14;
inline constexpr int home_address_country = 15;
inline constexpr int home_telephone = 16;
inline constexpr int mobile_telephone = 17;
inline constexpr int business_telephone = 18;
inline constexpr int business_fax = 19;
inline constexpr int home2_telephone = 20;
inline constexpr int business2_telephone = 21;
inline constexpr int assistant_telephone = 22;
inline constexpr int callback_telephone = 23;
inline constexpr int car_telephone = 24;
inline constexpr int other_telephone = 25;
inline constexpr int primary_telephone = 26;
inline constexpr int home_fax = 27;
inline constexpr int primary_fax = 28;
inline constexpr int title = 29;
inline constexpr int display_name_prefix = 30;
inline constexpr int generation = 31;
inline constexpr int web_page = 32;
inline constexpr int email1_address = 33;
inline constexpr int email2_address = 34;
inline constexpr int email3_address = 35;
inline constexpr int im_address = 36;
inline constexpr int business_address_street = 37;
inline constexpr int business_address_city = 38;
inline constexpr int business_address_state = 39;
inline constexpr int business_address_postal_code = 40;
inline constexpr int business_address_country = 41;
inline constexpr int other_address_street = 42;
inline constexpr int other_address_city = 43;
inline constexpr int other_address_state = 44;
inline constexpr int other_address_postal_code = 45;
inline constexpr int other_address_country = 46;
inline constexpr int location = 47;
inline constexpr int start = 48;
inline constexpr int end = 49;
inline constexpr int duration = 50;
inline constexpr int rtf_body = 51;
inline constexpr int busy_status = 52;
inline constexpr int all_day_event = 53;
inline constexpr int reminder_set = 54;
inline constexpr int is_recurring = 55;
inline constexpr int reminder_time = 56;
inline constexpr int reminder_minutes_before_start = 57;
inline constexpr int reminder_signal_time = 58;
inline constexpr int recurrence_pattern = 59;
inline constexpr int recurrence_data = 60;
inline constexpr int recurrence_type = 61;
inline constexpr int common_start = 62;
inline constexpr int common_end = 63;
inline constexpr int task_due_date = 64;
inline constexpr int task_complete = 65;
inline constexpr int mileage = 66;
inline constexpr int percent_complete = 67;
inline constexpr int actual_work = 68;
inline constexpr int total_work = 69;
inline constexpr int billing_information = 70;
inline constexpr int task_date_completed = 71;
inline constexpr int companies = 72;
inline constexpr int priority = 73;
inline constexpr int sent_representing_address_type = 74;
inline constexpr int sent_representing_name = 75;
inline constexpr int last_modification_time = 76;
inline constexpr int work_address_street = 77;
inline constexpr int work_address_city = 78;
inline constexpr int work_address_state = 79;
inline constexpr int work_address_postal_code = 80;
inline constexpr int work_address_country = 81;
inline constexpr int work_address = 82;
inline constexpr int home_address = 83;
inline constexpr int postal_address = 84;
inline constexpr int file_under = 85;
// NOLINTEND(readability-identifier-naming)

}  // namespace qv::field
