#include "base/number_scan.h"

#include <gtest/gtest.h>

#include <limits>

namespace mardo {
namespace {

struct Scanned {
  bool ok;
  int64_t value;
  size_t end;
};

Scanned Scan(std::string_view text, NumberStyle style) {
  size_t pos = 0;
  int64_t value = -999;
  const bool ok = ScanNumber(text, pos, style, value);
  return {ok, value, pos};
}

TEST(NumberScanTest, AnyStyleReadsHexadecimalOctalAndDecimal) {
  EXPECT_EQ(Scan("0x64", NumberStyle::kAny).value, 100);
  EXPECT_EQ(Scan("0X1f,", NumberStyle::kAny).value, 31);
  EXPECT_EQ(Scan("010", NumberStyle::kAny).value, 8);
  EXPECT_EQ(Scan("-0x10", NumberStyle::kAny).value, -16);
  EXPECT_EQ(Scan(" +250", NumberStyle::kAny).value, 250);
  // Octal ends at the first digit that is not octal.
  const Scanned octal = Scan("09", NumberStyle::kAny);
  EXPECT_EQ(octal.value, 0);
  EXPECT_EQ(octal.end, 1u);
  // A lone prefix is the number 0, and the scan stands at the "x".
  const Scanned prefix = Scan("0xg", NumberStyle::kAny);
  EXPECT_TRUE(prefix.ok);
  EXPECT_EQ(prefix.value, 0);
  EXPECT_EQ(prefix.end, 1u);
}

TEST(NumberScanTest, DecimalStyleReadsLeadingZerosAndStopsAtAnX) {
  EXPECT_EQ(Scan("010", NumberStyle::kDecimal).value, 10);
  const Scanned hex = Scan("0x64", NumberStyle::kDecimal);
  EXPECT_EQ(hex.value, 0);
  EXPECT_EQ(hex.end, 1u);
}

TEST(NumberScanTest, NoDigitsIsNoNumberAndMovesNothing) {
  for (std::string_view text : {"", "  ", "-", "+x", "abc", ",5"}) {
    const Scanned s = Scan(text, NumberStyle::kAny);
    EXPECT_FALSE(s.ok) << text;
    EXPECT_EQ(s.end, 0u) << text;
    EXPECT_EQ(s.value, -999) << text;
  }
}

TEST(NumberScanTest, LongDigitRunsSaturate) {
  EXPECT_EQ(LeadingInteger("99999999999999999999999999"), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(LeadingInteger("-99999999999999999999999999"), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(LeadingInteger("0xffffffffffffffffffffff"), 0);
}

}  // namespace
}  // namespace mardo
