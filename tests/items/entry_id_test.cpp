// EntryIDs built from item URLs of both forms and from bare digits.
#include "items/entry_id.h"

#include <mapicode.h>

#include "errors/exceptions.h"
#include "mapi/mapi.h"
#include "tests/items/item_fixture.h"

namespace qv::test {
namespace {

class EntryIdTest : public ItemTest {
 protected:
  void SetUp() override {
    ItemTest::SetUp();
    serve(mailbox_of({simple_store()}));
  }
};

TEST_F(EntryIdTest, DigitsBecomeBytes) {
  const struct {
    const wchar_t* text;
    const char* bytes;
  } cases[] = {
      {L"OUTLOOK:00AB", "00AB"},
      {L"outlook:00ab", "00AB"},
      {L"outlook:A", ""},  // an odd last digit is dropped
      {L"outlook:ABC", "AB"},
      {L"0102", "0102"},  // bare digits are decoded whole
      {L"", ""},
      // A pair that is not two digits ends the conversion; the rest is zero,
      // not what the memory held.
      {L"outlook:ABZZCD", "AB0000"},
      {L"outlook:", "00000000"},  // not an item URL: its 8 characters are the digits
      {L"outlook:\\\\", "00"},    // 10 characters: the EntryID form
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
    const EntryId entry_id(c.text);
    EXPECT_EQ(hex_of(entry_id.bytes()), c.bytes);
    EXPECT_EQ(entry_id.empty(), *c.bytes == '\0');
    EXPECT_EQ(entry_id.source(), L"");
    EXPECT_EQ(entry_id.to_text(), wide(c.bytes));
    EXPECT_EQ(entry_id.data() == nullptr, entry_id.empty());
  }
}

TEST_F(EntryIdTest, PathFormKeepsItsUrlResolvedOrNot) {
  const struct {
    const wchar_t* url;
    const char* bytes;
  } cases[] = {
      {L"Outlook:\\\\Mailbox\\Inbox\\alpha", "A001"},
      {L"outlook:\\\\Mailbox\\Inbox", "F001"},
      {L"outlook:\\\\Mailbox\\Inbox\\Nothing like it", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.url)));
    const EntryId entry_id(c.url);
    EXPECT_EQ(hex_of(entry_id.bytes()), c.bytes);
    EXPECT_EQ(entry_id.source(), c.url);
    EXPECT_EQ(entry_id.to_text(), c.url);
  }
}

TEST_F(EntryIdTest, TextOfALongEntryIdHoldsEveryByte) {
  std::string digits;
  for (int i = 0; i < 300; ++i) {
    digits += "1F";
  }
  EXPECT_EQ(EntryId(item_url(digits).c_str()).to_text(), wide(digits));
  EntryId assigned;
  const std::uint8_t bytes[] = {0x00, 0xFF, 0x10};
  assigned.assign(3, bytes);
  EXPECT_EQ(assigned.to_text(), L"00FF10");
  EXPECT_EQ(EntryId().to_text(), L"");
  EXPECT_TRUE(EntryId().empty());
}

TEST_F(EntryIdTest, MapiMemoryThatCannotBeHadIsWin32Error) {
  shared_mapi(false);  // MAPI is up before the fault is set
  ASSERT_EQ(set_mapi_faults({{{"call", "MAPIAllocateBuffer"}, {"hr", "MAPI_E_NOT_ENOUGH_MEMORY"}}}),
            S_OK);
  try {
    EntryId entry_id(L"outlook:00AB");
    FAIL() << "no exception";
  } catch (const win32_error& e) {
    EXPECT_EQ(e.code(), static_cast<std::int32_t>(MAPI_E_NOT_ENOUGH_MEMORY));
  }
}

}  // namespace
}  // namespace qv::test
