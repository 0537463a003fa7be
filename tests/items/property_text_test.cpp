// The conversions of property values to text.
#include "items/property_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace qv {
namespace {

TEST(FixedTextTest, FiveDecimalsInFullWhateverTheMagnitude) {
  const struct {
    double x;
    const wchar_t* text;
  } cases[] = {
      {39083.5, L"39083.50000"},
      {-0.25, L"-0.25000"},
      {2.0 / 3.0, L"0.66667"},
      // More digits than a fixed buffer of 50 characters holds: all of them.
      {1e43, L"10000000000000000139372116959414099130712064.00000"},
      {-1e43, L"-10000000000000000139372116959414099130712064.00000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fixed_text(c.x, 5), c.text);
  }
  EXPECT_EQ(fixed_text(1e300, 5).size(), 307u);
  EXPECT_EQ(fixed_text(std::numeric_limits<double>::max(), 5).size(), 315u);
}

TEST(DecimalTextTest, SignedDecimal) {
  EXPECT_EQ(decimal_text(0), L"0");
  EXPECT_EQ(decimal_text(-7), L"-7");
  EXPECT_EQ(decimal_text(std::numeric_limits<std::int32_t>::min()), L"-2147483648");
}

TEST(VariantTimeTest, UtcFileTimeAsOleAutomationDate) {
  // 1 January 2007, 00:00 and 12:00 UTC, as 100-ns intervals since 1601.
  const struct {
    unsigned long long ticks;
    double date;
  } cases[] = {
      {128120832000000000ull, 39083.0},
      {128121264000000000ull, 39083.5},
      {0x8000000000000000ull, 0.0},  // beyond what the platform converts
  };
  for (const auto& c : cases) {
    FILETIME time{};
    time.dwLowDateTime = static_cast<DWORD>(c.ticks);
    time.dwHighDateTime = static_cast<DWORD>(c.ticks >> 32);
    EXPECT_EQ(variant_time(time), c.date) << c.ticks;
  }
}

TEST(ValueTextTest, StringsOfEitherWidthOthersEmpty) {
  SPropValue value{};
  value.ulPropTag = PROP_TAG(PT_UNICODE, 0x0037);
  value.Value.lpszW = const_cast<wchar_t*>(L"Stra\u00dfe");
  EXPECT_EQ(value_text(value), L"Stra\u00dfe");
  char eight_bit[] =
      "Stra\xDF"
      "e";  // code page 1252, the thread's under the harness
  value.ulPropTag = PROP_TAG(PT_STRING8, 0x0037);
  value.Value.lpszA = eight_bit;
  EXPECT_EQ(value_text(value), L"Stra\u00dfe");
  value.ulPropTag = PROP_TAG(PT_ERROR, 0x0037);
  value.Value.err = 0x8004010F;
  EXPECT_EQ(value_text(value), L"");
  value.ulPropTag = PROP_TAG(PT_LONG, 0x0037);
  value.Value.l = 5;
  EXPECT_EQ(value_text(value), L"");
}

}  // namespace
}  // namespace qv
