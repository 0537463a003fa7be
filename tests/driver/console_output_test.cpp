#include "driver/console_output.h"

#include <gtest/gtest.h>

namespace qv::driver {
namespace {

TEST(FillFormatTest, TheArgumentIsTextNeverAFormat) {
  EXPECT_EQ(fill_format(L"EntryID=%s\n", L"outlook:00AB"), L"EntryID=outlook:00AB\n");
  EXPECT_EQ(fill_format(L"Exception creating Mapi class: %s\n", L"50%s off %% %1"),
            L"Exception creating Mapi class: 50%s off %% %1\n");
  EXPECT_EQ(fill_format(L"Exception creating Mapi class: %s\n", L""),
            L"Exception creating Mapi class: \n");
}

TEST(FillFormatTest, DoublePercentIsOnePercentAndALoneOneStays) {
  EXPECT_EQ(fill_format(L"100%% %s", L"x"), L"100% x");
  EXPECT_EQ(fill_format(L"50% done %", L"x"), L"50% done %");
  EXPECT_EQ(fill_format(L"no placeholder\n", L"ignored"), L"no placeholder\n");
}

TEST(EncodeForCodePageTest, LineEndsBecomeCarriageReturnLineFeed) {
  EXPECT_EQ(encode_for_code_page(L"\nCreating\n  a\n", 1252), "\r\nCreating\r\n  a\r\n");
}

TEST(EncodeForCodePageTest, CharactersTheCodePageLacksBecomeQuestionMarks) {
  EXPECT_EQ(encode_for_code_page(L"M\u00fcnchen", 1252),
            "M\xFC"
            "nchen");
  EXPECT_EQ(encode_for_code_page(L"M\u00fcnchen", 437),
            "M\x81"
            "nchen");
  EXPECT_EQ(encode_for_code_page(L"\u6771\u4eac office", 1252), "?? office");
  // No best-fit look-alikes: a Latin letter with a macron is not an 'a'.
  EXPECT_EQ(encode_for_code_page(L"\u0101", 1252), "?");
}

TEST(EncodeForCodePageTest, Utf8KeepsEveryCharacter) {
  EXPECT_EQ(encode_for_code_page(L"\u6771\u4eac\u00fc\n", CP_UTF8),
            "\xE6\x9D\xB1\xE4\xBA\xAC\xC3\xBC\r\n");
}

// Code pages that refuse WC_NO_BEST_FIT_CHARS or a default character, or that
// the system may not know at all: what the system converts comes through as
// it converts it (UTF-7 writes a backslash as "+AFw-"), and ASCII comes
// through where the system gives nothing (Wine 8 knows none of the others).
TEST(EncodeForCodePageTest, CodePagesWithoutBestFitOrDefaultCharacterKeepTheirCharacters) {
  const std::string ascii = "  \\\\Mailbox\\Inbox 1\r\n";
  const struct {
    UINT code_page;
    std::string bytes;
  } cases[] = {
      {50220, ascii}, {50221, ascii}, {50222, ascii}, {50225, ascii},
      {50227, ascii}, {50229, ascii}, {54936, ascii}, {57002, ascii},
      {57006, ascii}, {57011, ascii}, {42, ascii},    {65000, "  +AFwAXA-Mailbox+AFw-Inbox 1\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(encode_for_code_page(L"  \\\\Mailbox\\Inbox 1\n", c.code_page), c.bytes)
        << c.code_page;
  }
  // In a code page that no system knows, ASCII still comes through.
  EXPECT_EQ(encode_for_code_page(L"a\u6771\n", 12345), "a?\r\n");
}

}  // namespace
}  // namespace qv::driver
