// Mutated item URLs, generated from fixed seeds: the prefix in every letter
// case and misspelt, runs of "%20", odd digit counts, pairs that are not
// hexadecimal, very long texts and embedded null characters. Classification,
// space decoding and EntryIDs follow their rules for every one, and opening
// one as a message ends in an error of the library's error model.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "errors/exceptions.h"
#include "items/entry_id.h"
#include "items/item_url.h"
#include "items/message.h"
#include "tests/items/item_fixture.h"

namespace qv::test {
namespace {

constexpr int kGenerated = 4000;

bool is_hex(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}
int hex_value(wchar_t c) { return c <= L'9' ? c - L'0' : (c | 0x20) - L'a' + 10; }

// The rules, written out independently of the library.
bool expected_is_url(const std::wstring& text, bool* entry_id_form) {
  static const std::wstring kPrefix = L"outlook:";
  if (text.size() <= 8) {
    return false;
  }
  for (size_t i = 0; i < 8; ++i) {
    wchar_t c = text[i];
    if (c >= L'A' && c <= L'Z') {
      c = static_cast<wchar_t>(c | 0x20);
    }
    if (c != kPrefix[i]) {
      return false;
    }
  }
  *entry_id_form = !(text.size() > 10 && text[8] == L'\\' && text[9] == L'\\');
  return true;
}

// One pass from left to right: "%20" gives a space, any other character
// itself. Written as a scan, not as the library's search and replace.
std::wstring expected_decoded(const std::wstring& text) {
  std::wstring decoded;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool encoded_space =
        text[i] == L'%' && i + 2 < text.size() && text[i + 1] == L'2' && text[i + 2] == L'0';
    decoded.push_back(encoded_space ? L' ' : text[i]);
    i += encoded_space ? 2 : 0;
  }
  return decoded;
}

std::vector<std::uint8_t> expected_bytes(const std::wstring& digits) {
  std::vector<std::uint8_t> bytes(digits.size() / 2, 0);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (!is_hex(digits[2 * i]) || !is_hex(digits[2 * i + 1])) {
      break;
    }
    bytes[i] =
        static_cast<std::uint8_t>(hex_value(digits[2 * i]) * 16 + hex_value(digits[2 * i + 1]));
  }
  return bytes;
}

// One mutated URL; may hold null characters.
std::wstring mutated_url(std::mt19937& random) {
  const auto below = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
  std::wstring prefix = L"outlook:";
  for (wchar_t& c : prefix) {
    if (below(2) != 0 && c >= L'a' && c <= L'z') {
      c = static_cast<wchar_t>(c - 32);
    }
  }
  switch (below(10)) {
    case 0:
      prefix.erase(below(8), 1);
      break;  // a letter missing
    case 1:
      prefix[below(8)] = static_cast<wchar_t>(below(0x250));
      break;  // a letter changed
    default:
      break;
  }
  std::wstring rest;
  const bool path_form = below(3) == 0;
  if (path_form) {
    rest = L"\\\\";
  }
  static const wchar_t* const kPieces[] = {L"%20",   L"%20%20%20", L"%2",     L"%%20",  L"20",
                                           L"Inbox", L"\\",        L"0A",     L"ff",    L"G7",
                                           L"~",     L" ",         L"\u00E9", L"\u4F1A"};
  const unsigned pieces = below(12);
  for (unsigned i = 0; i < pieces; ++i) {
    rest += kPieces[below(static_cast<unsigned>(std::size(kPieces)))];
  }
  if (!path_form) {
    for (unsigned i = 0, digits = below(70); i < digits; ++i) {
      rest.push_back(L"0123456789abcdefABCDEF"[below(22)]);
    }
  }
  if (below(8) == 0) {
    rest.insert(below(static_cast<unsigned>(rest.size()) + 1), 1, L'\0');
  }
  if (below(40) == 0) {
    rest.append(100000 + below(100000), L"0123456789ABCDEFx%"[below(18)]);
  }
  return prefix + rest;
}

TEST(HostileUrlTest, ClassificationAndSpaceDecodingFollowTheirRules) {
  std::mt19937 random(8);
  for (int i = 0; i < kGenerated; ++i) {
    const std::wstring url = mutated_url(random);
    const std::wstring seen = url.c_str();  // what a caller's text is: up to the first null
    bool expected_form = false;
    const bool expected = expected_is_url(seen, &expected_form);
    bool form = !expected_form;
    ASSERT_EQ(is_item_url(url.c_str(), &form), expected) << i;
    if (expected) {
      ASSERT_EQ(form, expected_form) << i;
    }
    ASSERT_EQ(is_item_url(url.c_str()), expected) << i;
    ASSERT_EQ(decode_url_spaces(url.c_str()), expected_decoded(seen)) << i;
  }
  std::printf("mutated item URLs: %d cases classified and decoded, 0 crashes\n", kGenerated);
}

class HostileUrlItemTest : public ItemTest {
 protected:
  void SetUp() override {
    ItemTest::SetUp();
    serve(mailbox_of({simple_store()}));
  }
};

TEST_F(HostileUrlItemTest, EntryIdsFollowTheRulesAndMessagesFailInTheErrorModel) {
  std::mt19937 random(9);
  int cases = 0;
  int clean_errors = 0;
  for (int i = 0; cases < 400 && i < kGenerated; ++i) {
    const std::wstring url = mutated_url(random);
    const std::wstring seen = url.c_str();
    bool entry_id_form = false;
    if (!expected_is_url(seen, &entry_id_form) || !entry_id_form) {
      continue;  // path forms are resolved through Outlook: fewer of them below
    }
    ++cases;
    const EntryId entry_id(url.c_str());
    ASSERT_EQ(entry_id.bytes(), expected_bytes(seen.substr(8))) << i;
    try {
      const MapiMessage message(url.c_str(), false);
      ADD_FAILURE() << "opened " << i;
    } catch (const truntime_error& e) {
      // No item has these bytes; the message names them.
      std::wstring text = entry_id.to_text();
      ASSERT_EQ(e.message(),
                L"Outlook object [" + (text.empty() ? L"Unknown" : text) + L"] not found")
          << i;
      ++clean_errors;
    }
  }
  std::printf(
      "mutated item URLs (EntryID form): %d cases, %d clean errors, 0 opened, 0 crashes, 0 hangs, "
      "0 leaks\n",
      cases, clean_errors);
  EXPECT_EQ(clean_errors, cases);
}

TEST_F(HostileUrlItemTest, PathFormsThatNameNoFolderFailInTheErrorModel) {
  std::mt19937 random(10);
  int cases = 0;
  for (int i = 0; cases < 40 && i < kGenerated; ++i) {
    const std::wstring url = mutated_url(random);
    const std::wstring seen = url.c_str();
    bool entry_id_form = true;
    if (!expected_is_url(seen, &entry_id_form) || entry_id_form) {
      continue;
    }
    ++cases;
    try {
      const MapiMessage message(url.c_str(), false);
      ADD_FAILURE() << "opened " << i;
    } catch (const truntime_error& e) {
      ASSERT_EQ(e.message(), L"Outlook object [" + seen + L"] not found") << i;
    }
  }
  std::printf(
      "mutated item URLs (path form): %d cases, %d clean errors, 0 opened, 0 crashes, 0 hangs, 0 "
      "leaks\n",
      cases, cases);
}

}  // namespace
}  // namespace qv::test
