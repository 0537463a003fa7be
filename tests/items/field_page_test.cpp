// docs/fields.md against the field table and the named field numbers of
// items/field_numbers.h: a change of the table, of a constant or of the page
// alone fails here.
#include <windows.h>
#include <mapidefs.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <regex>
#include <string>

#include "items/field_table.h"
#include "mapi/mapi_platform.h"
#include "tests/support/paths.h"

namespace qv::test {
namespace {

// The named numbers as items/field_numbers.h defines them.
std::map<std::string, int> named_numbers() {
  const std::string header = read_text_file(source_dir() + L"\\items\\field_numbers.h");
  const std::regex constant(R"(inline constexpr int (\w+) = (\d+);)");
  std::map<std::string, int> numbers;
  for (auto it = std::sregex_iterator(header.begin(), header.end(), constant);
       it != std::sregex_iterator(); ++it) {
    numbers[(*it)[1]] = std::stoi((*it)[2]);
  }
  return numbers;
}

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
  const std::map<std::string, int> numbers = named_numbers();
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
    ASSERT_EQ(numbers.count(m[2]), 1u);
    EXPECT_EQ(numbers.at(m[2]), number);
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
  EXPECT_EQ(numbers.size(), static_cast<size_t>(kFieldCount));
}

}  // namespace
}  // namespace qv::test
