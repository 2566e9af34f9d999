#include "search/fit_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mardo {
namespace {

// Every byte is 10 pixels wide, the zero character included.
int TenPerByte(std::string_view text) {
  return static_cast<int>(text.size()) * 10;
}

TEST(FitText, TextsThatFitStayWholeAndOthersEndInDots) {
  EXPECT_EQ(FitText("", 0, 12, TenPerByte), "");
  EXPECT_EQ(FitText("abcdef", 72, 12, TenPerByte), "abcdef");  // 60 + 12
  // 71 pixels: "ab" + 12 + the four-character dots (40) = 72 is too wide, "a" fits.
  EXPECT_EQ(FitText("abcdef", 71, 12, TenPerByte), "a...");
  EXPECT_EQ(FitText("abcdefghij", 82, 12, TenPerByte), "abc...");
  EXPECT_EQ(FitText("abcdefghij", 81, 12, TenPerByte), "ab...");
  // Nothing fits: the first character stays.
  EXPECT_EQ(FitText("abcdef", 5, 4, TenPerByte), "a...");
  EXPECT_EQ(FitText("x", 5, 4, TenPerByte), "x...");
}

// Whether `text` ends with a whole UTF-8 character.
bool EndsWhole(std::string_view text) {
  size_t lead = text.size() - 1;
  while (lead > 0 && (static_cast<unsigned char>(text[lead]) & 0xC0) == 0x80) --lead;
  const auto first = static_cast<unsigned char>(text[lead]);
  const size_t length = first < 0x80 ? 1 : first < 0xE0 ? 2 : first < 0xF0 ? 3 : 4;
  return text.size() - lead == length;
}

TEST(FitText, CharactersOfSeveralBytesAreNeverCut) {
  // "é" is two bytes, "日" three; the measure only ever sees whole characters.
  std::vector<std::string> measured;
  const auto measure = [&](std::string_view text) {
    measured.emplace_back(text);
    return static_cast<int>(text.size()) * 10;
  };
  EXPECT_EQ(FitText("é日é日", 75, 4, measure), "é...");
  for (const std::string& text : measured) {
    if (text != std::string_view("...\0", 4)) {
      EXPECT_TRUE(EndsWhole(text)) << text;
    }
  }
  EXPECT_EQ(FitText("日本", 5, 4, TenPerByte), "日...");
}

}  // namespace
}  // namespace mardo
