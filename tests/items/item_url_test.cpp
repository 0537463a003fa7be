#include "items/item_url.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

struct Case {
  const wchar_t* text;
  bool is_url;
  bool entry_id_form;  // read only when is_url
};

class IsItemUrlTest : public ::testing::TestWithParam<Case> {};

TEST_P(IsItemUrlTest, ClassifiesTheText) {
  const Case& c = GetParam();
  bool form = !c.entry_id_form;  // a value it must change
  EXPECT_EQ(is_item_url(c.text, &form), c.is_url);
  EXPECT_EQ(is_item_url(c.text), c.is_url);  // the same answer without the flag
  if (c.is_url) {
    EXPECT_EQ(form, c.entry_id_form);
  } else {
    EXPECT_EQ(form, !c.entry_id_form) << "flag changed for a text that is no URL";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, IsItemUrlTest,
    ::testing::Values(Case{nullptr, false, true}, Case{L"", false, true},
                      Case{L"outlook:", false, true},       // the prefix alone
                      Case{L"outlook", false, true},        // shorter than the prefix
                      Case{L"outlook:A", true, true},       // one character after it
                      Case{L"OUTLOOK:00AB", true, true},    // capitals
                      Case{L"OutLook:00AB", true, true},    // mixed case
                      Case{L"outlook:\\\\", true, true},    // 10 characters: EntryID form
                      Case{L"outlook:\\\\I", true, false},  // 11: path form
                      Case{L"outlook:\\\\Mailbox\\Inbox", true, false},
                      Case{L"OUTLOOK:\\\\Mailbox", true, false},
                      Case{L"outlook:\\Inbox", true, true},  // one backslash
                      Case{L"outlook:x\\\\Inbox", true, true},
                      Case{L"\\\\Mailbox\\Inbox", false, true},  // no prefix
                      Case{L"outlook;00AB", false, true}, Case{L"outlooq:00AB", false, true},
                      Case{L"\u00d6utlook:00AB", false, true},  // only ASCII case is folded
                      Case{L"mailto:someone", false, true}));

TEST(DecodeUrlSpacesTest, ReplacesEachEncodedSpace) {
  EXPECT_EQ(decode_url_spaces(L"\\\\Mailbox\\Sent%20Items"), L"\\\\Mailbox\\Sent Items");
  EXPECT_EQ(decode_url_spaces(L"a%20%20b"), L"a  b");
  EXPECT_EQ(decode_url_spaces(L"%20"), L" ");
  EXPECT_EQ(decode_url_spaces(L"%2020"), L" 20");
  EXPECT_EQ(decode_url_spaces(L"%%2020"), L"% 20");
}

TEST(DecodeUrlSpacesTest, LeavesOtherTextAndOtherEscapesAlone) {
  EXPECT_EQ(decode_url_spaces(L"\\\\Mailbox\\Inbox"), L"\\\\Mailbox\\Inbox");
  EXPECT_EQ(decode_url_spaces(L"50%25 %2 %2x"), L"50%25 %2 %2x");
  EXPECT_EQ(decode_url_spaces(nullptr), L"");
  EXPECT_EQ(decode_url_spaces(L""), L"");
}

}  // namespace
}  // namespace qv
