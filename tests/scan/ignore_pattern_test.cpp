#include "scan/ignore_pattern.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
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

TEST(ParseIgnoreList, MalformedPatternsAreNamedWithHowTheyAreRead) {
  RecordArray<IgnorePattern> patterns;
  std::vector<std::string> notes;
  const std::string longText(130, 'x');
  ParseIgnoreList("*.tmp [a- \\Temp[ [z-a]x;[]x] [!-] " + longText + "[", patterns, &notes);
  EXPECT_EQ(patterns.Size(), 7);
  EXPECT_EQ(
      notes,
      (std::vector<std::string>{
          "The ignore pattern '[a-' has a '[' without its ']' and matches no name",
          "The ignore pattern '\\Temp[' has a '[' without its ']' and matches no name",
          "The ignore pattern '[z-a]x' has the range z-a, which holds no character (a range goes "
          "from the lower byte to the higher)",
          "The ignore pattern '" + longText + "[' is longer than 127 characters and is cut to its first 127",
      }));
  // As read, "[a-" matches nothing, not even what it may have been meant for.
  EXPECT_FALSE(WildcardMatch("a", patterns[1]->text));
  notes.clear();
  ParseIgnoreList("*.tmp; \\tmp; \\Temp* [0-9]* []x] [^a-] ?", patterns, &notes);
  EXPECT_TRUE(notes.empty());
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

// The recursive backtracking matcher that WildcardMatch replaced, kept as the reference for its
// results: it tries every later name position at each star, so it takes exponential time on
// patterns with many stars.
bool ReferenceSet(std::string_view pattern, size_t& pi, char c, bool& member) {
  const auto value = static_cast<signed char>(c);
  member = false;
  bool first = true;
  while (true) {
    if (pi >= pattern.size()) return false;
    if (!first && pattern[pi] == ']') {
      ++pi;
      return true;
    }
    first = false;
    const auto low = static_cast<signed char>(pattern[pi]);
    if (pi + 2 < pattern.size() && pattern[pi + 1] == '-' && pattern[pi + 2] != ']') {
      const auto high = static_cast<signed char>(pattern[pi + 2]);
      if (low <= value && value <= high) member = true;
      pi += 3;
    } else {
      if (low == value) member = true;
      pi += 1;
    }
  }
}

bool ReferenceMatch(std::string_view name, size_t ni, std::string_view pattern, size_t pi) {
  while (true) {
    if (pi == pattern.size()) return ni == name.size();
    const char p = pattern[pi];
    if (p == '*') {
      while (pi < pattern.size() && pattern[pi] == '*') ++pi;
      if (pi == pattern.size()) return true;
      if (ni == name.size()) return false;
      for (size_t k = ni; k < name.size(); ++k) {
        if (ReferenceMatch(name, k, pattern, pi)) return true;
      }
      return false;
    }
    if (ni == name.size()) return false;
    if (p == '?') {
      ++ni;
      ++pi;
      continue;
    }
    if (p == '[') {
      ++pi;
      bool negated = false;
      if (pi < pattern.size() && pattern[pi] == '^') {
        negated = true;
        ++pi;
      }
      bool member = false;
      if (!ReferenceSet(pattern, pi, name[ni], member)) return false;
      if (member == negated) return false;
      ++ni;
      continue;
    }
    if (name[ni] != p) return false;
    ++ni;
    ++pi;
  }
}

// A random string of up to `maxLength` bytes drawn from `alphabet`; the engine's raw output is
// used so that every standard library draws the same cases.
std::string RandomText(std::mt19937& engine, std::string_view alphabet, uint32_t maxLength) {
  std::string text(engine() % (maxLength + 1), ' ');
  for (char& c : text) c = alphabet[engine() % alphabet.size()];
  return text;
}

// A pattern made from `name` by turning some of its bytes into '?', stars or bracket sets, so
// that about half of the cases match.
std::string PatternNear(std::mt19937& engine, std::string_view name, std::string_view alphabet) {
  std::string pattern;
  for (size_t i = 0; i < name.size(); ++i) {
    switch (engine() % 10) {
      case 0:
        pattern += '?';
        break;
      case 1:
        pattern += '*';
        i += engine() % 3;
        break;
      case 2:
        pattern += '*';
        pattern += name[i];
        break;
      case 3:
        pattern += '[' + RandomText(engine, alphabet, 4) + ']';
        break;
      default:
        pattern += name[i];
    }
  }
  if (engine() % 4 == 0) pattern += '*';
  return pattern;
}

TEST(WildcardMatch, AgreesWithTheBacktrackingMatcherOnRandomCases) {
  std::mt19937 engine(20240611);
  // Small alphabets, so that stars, sets, ranges, negations and stray brackets meet often; 0x80
  // and 0xE9 rank below ASCII in ranges.
  const std::string names = "ab-]^\x80";
  const std::string patterns = "ab*?[]^-\x80";
  const std::string both = "ab*?[]^-\xE9";
  int matched = 0;
  constexpr int kCases = 300000;
  for (int i = 0; i < kCases; ++i) {
    const std::string name = RandomText(engine, i % 3 == 0 ? both : names, 9);
    const std::string pattern = i % 3 == 2 ? PatternNear(engine, name, patterns)
                                           : RandomText(engine, i % 3 == 0 ? both : patterns, 10);
    const bool expected = ReferenceMatch(name, 0, pattern, 0);
    ASSERT_EQ(WildcardMatch(name, pattern), expected) << '"' << name << "\" ~ \"" << pattern << '"';
    matched += expected ? 1 : 0;
  }
  // Both outcomes occur often enough for the comparison to mean something.
  EXPECT_GT(matched, kCases / 10);
  EXPECT_LT(matched, kCases - kCases / 10);
}

TEST(WildcardMatch, ManyStarsAgainstALongNameStillFinish) {
  // The backtracking matcher tries every way of spreading the name over the stars, which for
  // these takes longer than anyone waits; they must come back at all.
  std::string pattern;
  for (int i = 0; i < 12; ++i) pattern += "*a";
  const std::string starsThenB = pattern + "*b";
  EXPECT_FALSE(WildcardMatch(std::string(255, 'a'), starsThenB));
  EXPECT_TRUE(WildcardMatch(std::string(254, 'a') + "b", starsThenB));
  EXPECT_FALSE(WildcardMatch(std::string(40, 'a'), "*a*a*a*a*a*a*a*a*a*a*a*a*b"));
  std::string sets;
  for (int i = 0; i < 60; ++i) sets += "*[a-c]?";
  EXPECT_FALSE(WildcardMatch(std::string(255, 'b'), sets + "[^b]"));
  EXPECT_TRUE(WildcardMatch(std::string(255, 'b') + "x", sets + "[^b]"));
}

}  // namespace
}  // namespace mardo
