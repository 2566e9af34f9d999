#include "scan/ignore_pattern.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mardo {
namespace {

struct Pattern {
  std::string text;
  bool directory;
  bool operator==(const Pattern&) const = default;
};

std::vector<Pattern> Parse(std::string_view text) {
  RecordArray<IgnorePattern> patterns;
  ParseIgnoreList(text, patterns);
  std::vector<Pattern> out;
  for (const IgnorePattern* p : patterns) out.push_back({p->text, p->IsDirectoryPattern()});
  return out;
}

TEST(ParseIgnoreList, SplitsOnSemicolonsAndWhiteSpace) {
  EXPECT_EQ(Parse("*.tmp; \\temp ;*.bak"),
            (std::vector<Pattern>{{"*.tmp", false}, {"temp", true}, {"*.bak", false}}));
  EXPECT_EQ(Parse("*.TMP\t\\Cache\n*.Log"),
            (std::vector<Pattern>{{"*.tmp", false}, {"cache", true}, {"*.log", false}}));
  EXPECT_EQ(Parse("  ;  "), (std::vector<Pattern>{{"", false}}));
  EXPECT_EQ(Parse("a;;b"), (std::vector<Pattern>{{"a", false}, {"", false}, {"b", false}}));
  EXPECT_EQ(Parse("\\"), (std::vector<Pattern>{{"", true}}));
  EXPECT_EQ(Parse(""), (std::vector<Pattern>{}));
  // Only A-Z fold; other bytes stay.
  EXPECT_EQ(Parse("\xC3\x89T\xC3\x89"), (std::vector<Pattern>{{"\xC3\x89t\xC3\x89", false}}));
}

TEST(ParseIgnoreList, CutsLongPatternsTo127Bytes) {
  const std::string longText(300, 'x');
  const auto patterns = Parse(longText + " y");
  ASSERT_EQ(patterns.size(), 2u);
  EXPECT_EQ(patterns[0].text, std::string(127, 'x'));
  EXPECT_EQ(patterns[1].text, "y");
  // The backslash of a directory pattern counts among the 127 bytes.
  EXPECT_EQ(Parse("\\" + longText)[0].text, std::string(126, 'x'));
}

struct MatchCase {
  const char* name;
  const char* pattern;
  bool matches;
};

class WildcardMatchTest : public testing::TestWithParam<MatchCase> {};

TEST_P(WildcardMatchTest, AnchoredAtBothEnds) {
  const MatchCase& c = GetParam();
  EXPECT_EQ(WildcardMatch(c.name, c.pattern), c.matches) << c.name << " ~ " << c.pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WildcardMatchTest,
    testing::Values(
        // Stars.
        MatchCase{"anything", "*", true}, MatchCase{"anything", "**", true}, MatchCase{"", "*", true},
        MatchCase{"a.b", "*.*", true}, MatchCase{"ab", "*.*", false}, MatchCase{"a.tmp", "*.tmp", true},
        MatchCase{"a.tmp.bak", "*.tmp", false}, MatchCase{"aXbYbZc", "a*b*c", true},
        MatchCase{"ab", "a*b", true}, MatchCase{"ab", "a**b", true}, MatchCase{"a", "a*b", false},
        MatchCase{"abc", "abc", true}, MatchCase{"abcd", "abc", false},
        // Question marks.
        MatchCase{"a", "a?", false}, MatchCase{"ab", "a?", true}, MatchCase{"abc", "a?", false},
        // Bracket sets.
        MatchCase{"5abc", "[0-9]*", true}, MatchCase{"9", "[0-9]*", true}, MatchCase{"x9", "[0-9]*", false},
        MatchCase{"5abc", "[^0-9]*", false}, MatchCase{"abc5", "[^0-9]*", true}, MatchCase{"]", "[]x]", true},
        MatchCase{"x", "[]x]", true}, MatchCase{"y", "[]x]", false}, MatchCase{"a", "[a-]", true},
        MatchCase{"-", "[a-]", true}, MatchCase{"b", "[a-]", false}, MatchCase{"m", "[z-a]", false},
        MatchCase{"a", "[z-a]", false}, MatchCase{"z", "[z-a]", false}, MatchCase{"a", "[abc", false},
        MatchCase{"a", "[", false}, MatchCase{"a", "[^", false}, MatchCase{"]", "[^]x]", false},
        MatchCase{"y", "[^]x]", true}, MatchCase{"", "[a]", false},
        // Signed byte ranges: 0x80-0xFF rank below 0x00-0x7F.
        MatchCase{"\xE9", "[\x80-a]", true}, MatchCase{"0", "[\x80-a]", true},
        MatchCase{"z", "[\x80-a]", false}, MatchCase{"a", "[a-\x80]", false},
        // Literals, no escapes.
        MatchCase{"a\\b", "a\\b", true}, MatchCase{"^", "^", true}, MatchCase{"]", "]", true},
        MatchCase{"", "", true}, MatchCase{"a", "", false}));

TEST(WildcardMatch, UpperCasePatternsIgnoreEveryCase) {
  RecordArray<IgnorePattern> patterns;
  ParseIgnoreList("*.TMP", patterns);
  for (const char* name : {"FILE.tmp", "file.TMP"}) {
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    EXPECT_TRUE(WildcardMatch(lower, patterns[0]->text)) << name;
  }
}

}  // namespace
}  // namespace mardo
