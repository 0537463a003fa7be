// docs/fields.md against the field table and the named field numbers: a
// change of the table, of a constant or of the page alone fails here.
#include <windows.h>
#include <mapidefs.h>

#include <cstdlib>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "items/field_numbers.h"
#include "items/field_table.h"
#include "mapi/mapi_platform.h"
#include "tests/support/paths.h"

namespace qv::test {
namespace {

#define QV_FIELD(name) \
  { #name, field::name }
const std::map<std::string, int> kConstants = {QV_FIELD(subject),
                                               QV_FIELD(sent_representing_email_address),
                                               QV_FIELD(display_to),
                                               QV_FIELD(display_cc),
                                               QV_FIELD(display_bcc),
                                               QV_FIELD(delivery_time),
                                               QV_FIELD(body),
                                               QV_FIELD(given_name),
                                               QV_FIELD(middle_name),
                                               QV_FIELD(surname),
                                               QV_FIELD(company_name),
                                               QV_FIELD(home_address_street),
                                               QV_FIELD(home_address_city),
                                               QV_FIELD(home_address_state),
                                               QV_FIELD(home_address_postal_code),
                                               QV_FIELD(home_address_country),
                                               QV_FIELD(home_telephone),
                                               QV_FIELD(mobile_telephone),
                                               QV_FIELD(business_telephone),
                                               QV_FIELD(business_fax),
                                               QV_FIELD(home2_telephone),
                                               QV_FIELD(business2_telephone),
                                               QV_FIELD(assistant_telephone),
                                               QV_FIELD(callback_telephone),
                                               QV_FIELD(car_telephone),
                                               QV_FIELD(other_telephone),
                                               QV_FIELD(primary_telephone),
                                               QV_FIELD(home_fax),
                                               QV_FIELD(primary_fax),
                                               QV_FIELD(title),
                                               QV_FIELD(display_name_prefix),
                                               QV_FIELD(generation),
                                               QV_FIELD(web_page),
                                               QV_FIELD(email1_address),
                                               QV_FIELD(email2_address),
                                               QV_FIELD(email3_address),
                                               QV_FIELD(im_address),
                                               QV_FIELD(business_address_street),
                                               QV_FIELD(business_address_city),
                                               QV_FIELD(business_address_state),
                                               QV_FIELD(business_address_postal_code),
                                               QV_FIELD(business_address_country),
                                               QV_FIELD(other_address_street),
                                               QV_FIELD(other_address_city),
                                               QV_FIELD(other_address_state),
                                               QV_FIELD(other_address_postal_code),
                                               QV_FIELD(other_address_country),
                                               QV_FIELD(location),
                                               QV_FIELD(start),
                                               QV_FIELD(end),
                                               QV_FIELD(duration),
                                               QV_FIELD(rtf_body),
                                               QV_FIELD(busy_status),
                                               QV_FIELD(all_day_event),
                                               QV_FIELD(reminder_set),
                                               QV_FIELD(is_recurring),
                                               QV_FIELD(reminder_time),
                                               QV_FIELD(reminder_minutes_before_start),
                                               QV_FIELD(reminder_signal_time),
                                               QV_FIELD(recurrence_pattern),
                                               QV_FIELD(recurrence_data),
                                               QV_FIELD(recurrence_type),
                                               QV_FIELD(common_start),
                                               QV_FIELD(common_end),
                                               QV_FIELD(task_due_date),
                                               QV_FIELD(task_complete),
                                               QV_FIELD(mileage),
                                               QV_FIELD(percent_complete),
                                               QV_FIELD(actual_work),
                                               QV_FIELD(total_work),
                                               QV_FIELD(billing_information),
                                               QV_FIELD(task_date_completed),
                                               QV_FIELD(companies),
                                               QV_FIELD(priority),
                                               QV_FIELD(sent_representing_address_type),
                                               QV_FIELD(sent_representing_name),
                                               QV_FIELD(last_modification_time),
                                               QV_FIELD(work_address_street),
                                               QV_FIELD(work_address_city),
                                               QV_FIELD(work_address_state),
                                               QV_FIELD(work_address_postal_code),
                                               QV_FIELD(work_address_country),
                                               QV_FIELD(work_address),
                                               QV_FIELD(home_address),
                                               QV_FIELD(postal_address),
                                               QV_FIELD(file_under)};
#undef QV_FIELD

const std::map<std::string, ULONG> kTypes = {{"PT_LONG", PT_LONG},
                                             {"PT_DOUBLE", PT_DOUBLE},
                                             {"PT_BOOLEAN", PT_BOOLEAN},
                                             {"PT_UNICODE", PT_UNICODE},
                                             {"PT_SYSTIME", PT_SYSTIME},
                                             {"PT_BINARY", PT_BINARY},
                                             {"PT_MV_UNICODE", PT_MV_UNICODE}};

const std::map<std::string, GUID> kSets = {{"PSETID_Appointment", PSETID_Appointment},
                                           {"PSETID_Task", PSETID_Task},
                                           {"PSETID_Address", PSETID_Address},
                                           {"PSETID_Common", PSETID_Common}};

TEST(FieldPageTest, EveryRowAgreesWithTheTableAndTheNamedNumber) {
  const std::string page = read_text_file(source_dir() + L"\\docs\\fields.md");
  // | 47 | `location` | Location | `PidLidLocation`: `PSETID_Appointment`, LID `0x8208` | ...
  // | 0 | `subject` | Subject | `PR_SUBJECT_W` (`0x0037001F`) | PT_UNICODE | the text |
  const std::regex row(
      R"(\n\| (\d+) \| `(\w+)` \| [^|]+ \| (?:`\w+` \(`0x([0-9A-F]{8})`\)|`\w+`: `(\w+)`, LID `0x([0-9A-F]{4})`) \| (\w+) \|)");
  int rows = 0;
  for (auto it = std::sregex_iterator(page.begin(), page.end(), row); it != std::sregex_iterator();
       ++it, ++rows) {
    const std::smatch& m = *it;
    SCOPED_TRACE(m.str(0));
    const int number = std::stoi(m[1]);
    ASSERT_EQ(number, rows) << "rows in field order";
    ASSERT_EQ(kConstants.count(m[2]), 1u);
    EXPECT_EQ(kConstants.at(m[2]), number);
    const FieldDef& entry = field_table[number];
    ASSERT_EQ(kTypes.count(m[6]), 1u);
    if (m[3].matched) {
      EXPECT_EQ(entry.tag, std::strtoul(m[3].str().c_str(), nullptr, 16));
      EXPECT_EQ(PROP_TYPE(entry.tag), kTypes.at(m[6]));
    } else {
      EXPECT_EQ(entry.tag, 0u);
      ASSERT_EQ(kSets.count(m[4]), 1u);
      EXPECT_TRUE(IsEqualGUID(entry.property_set, kSets.at(m[4])));
      EXPECT_EQ(entry.lid, std::strtoul(m[5].str().c_str(), nullptr, 16));
      EXPECT_EQ(entry.type, kTypes.at(m[6]));
    }
  }
  EXPECT_EQ(rows, kFieldCount);
  EXPECT_EQ(kConstants.size(), static_cast<size_t>(kFieldCount));
}

}  // namespace
}  // namespace qv::test
