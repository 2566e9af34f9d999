#include "search/name_pattern.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/text_compare.h"
#include "search/folded_finder.h"

namespace mardo {
namespace {

struct Compiled {
  const char* text;
  const char* head;
  const char* tail;
  bool start;
  bool end;
  bool active;
};

class CompileTest : public testing::TestWithParam<Compiled> {};

TEST_P(CompileTest, SplitsIntoHeadTailAndAnchors) {
  const Compiled& c = GetParam();
  const NamePattern p = CompileNamePattern(c.text);
  EXPECT_EQ(p.head, c.head) << c.text;
  EXPECT_EQ(p.tail, c.tail) << c.text;
  EXPECT_EQ(p.anchoredStart, c.start) << c.text;
  EXPECT_EQ(p.anchoredEnd, c.end) << c.text;
  EXPECT_EQ(p.active, c.active) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, CompileTest,
    testing::Values(
        Compiled{"abc", "abc", "", false, false, true}, Compiled{"ABC", "abc", "", false, false, true},
        Compiled{"*abc", "abc", "", false, false, true}, Compiled{"abc*", "abc", "", false, false, true},
        Compiled{"|abc*", "abc", "", true, false, true}, Compiled{"*str|", "str", "", false, true, true},
        Compiled{"ab*|", "ab", "", false, false, true}, Compiled{"|a*.txt|", "a", ".txt", true, true, true},
        Compiled{"a*b*c", "a", "b*c", false, false, true}, Compiled{"*a*", "a*", "", false, false, true},
        Compiled{"*", "", "", false, false, false}, Compiled{"|*", "", "", false, false, false},
        Compiled{"*|", "", "", false, true, false}, Compiled{"|*|", "", "", false, true, false},
        Compiled{"|", "", "", true, true, true}, Compiled{"||", "", "", true, true, true},
        Compiled{" abc ", " abc ", "", false, false, true}));

struct Match {
  const char* pattern;
  const char* name;
  bool matches;
};

class MatchTest : public testing::TestWithParam<Match> {};

TEST_P(MatchTest, TestsTheFirstOccurrence) {
  const Match& m = GetParam();
  const NamePattern p = CompileNamePattern(m.pattern);
  ASSERT_TRUE(p.active) << m.pattern;
  EXPECT_EQ(MatchesName(p, m.name), m.matches) << m.pattern << " ~ " << m.name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, MatchTest,
    testing::Values(Match{"abc", "xAbCy.TXT", true}, Match{"*abc", "xAbCy.TXT", true},
                    Match{"abc*", "xAbCy.TXT", true}, Match{"ABC", "xabcy", true},
                    Match{"abc", "ab c", false}, Match{"|abc", "abcdef", true}, Match{"|abc", "xabc", false},
                    Match{"|abc*", "ABCd", true}, Match{".c|", "main.c", true},
                    Match{".c|", "main.cpp", false}, Match{"|readme.txt|", "README.TXT", true},
                    Match{"|readme.txt|", "readme.txt.bak", false}, Match{"|a*.txt|", "Alpha.TXT", true},
                    Match{"|a*.txt|", "beta.txt", false}, Match{"a*b", "cab", true},
                    Match{"a*b", "a-b.txt", true}, Match{"a*b", "b-a.txt", false}, Match{"a*b", "ab", true},
                    Match{"a*a", "a", false},  // head and tail never overlap
                    Match{"|s*doc|", "Solution.DOC", true}, Match{"|s*doc|", "StringDOC", true},
                    Match{"|s*doc|", "SolDOCument.txt", false}, Match{"|s*doc", "SolDOCument.txt", true},
                    Match{"s*doc", "unSolDOCument.txt", true}, Match{"|s*doc", "unSolDOCument.txt", false},
                    Match{"ab*|", "xaby", true}, Match{"*ab|", "xab", true}, Match{"*ab|", "xaby", false},
                    Match{"*a*", "banana", false}, Match{"*a*", "a*b", true}, Match{"|", "x", false},
                    Match{"|", "", true}, Match{" abc", "xabc", false}, Match{" abc", "x abc", true},
                    Match{"|ab|", "abab", false}, Match{"ab|", "abab", false}, Match{"ab|", "xab", true},
                    Match{"\xC3\xA9", "\xC3\x89", false},  // only A-Z fold
                    Match{"\xC3\xA9t\xC3\xA9", "L'\xC3\xA9t\xC3\xA9", true}));

TEST(FindFolded, FindsTheFirstOccurrenceFromAPosition) {
  EXPECT_EQ(FindFolded("abcABC", "abc"), 0u);
  EXPECT_EQ(FindFolded("abcABC", "abc", 1), 3u);
  EXPECT_EQ(FindFolded("abc", "", 2), 2u);
  EXPECT_EQ(FindFolded("abc", "abcd"), std::string_view::npos);
  EXPECT_EQ(FindFolded("abc", "c", 4), std::string_view::npos);
}

TEST(FoldedFinder, AgreesWithAPlainSearchOnRandomText) {
  std::mt19937 random(42);
  const std::string alphabet = "aAbB.-_ zZ\xC3\xA9\x80";
  for (int round = 0; round < 400; ++round) {
    std::string text(random() % 300, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    std::string needle(1 + random() % 4, ' ');
    for (char& c : needle) c = static_cast<char>(FoldAscii(alphabet[random() % alphabet.size()]));
    const FoldedFinder finder(needle);
    for (size_t from = 0; from <= text.size(); from += 1 + random() % 40) {
      const char* found = finder.Find(text.data() + from, text.data() + text.size());
      const size_t expected = FindFolded(text, needle, from);
      if (expected == std::string_view::npos) {
        ASSERT_EQ(found, nullptr) << needle << " in " << text;
      } else {
        ASSERT_EQ(found, text.data() + expected) << needle << " in " << text;
      }
    }
  }
}

}  // namespace
}  // namespace mardo
