#include "base/start_options.h"

#include <gtest/gtest.h>

#include "settings/window_title.h"

namespace mardo {
namespace {

using Args = std::vector<std::string>;

struct OptionCase {
  Args arguments;
  bool expertMode;
  Args dirLists;
  bool help = false;
  std::vector<size_t> others = {};
  bool dirWithoutList = false;
};

TEST(StartOptions, OneReadingOfTheOddCases) {
  const OptionCase cases[] = {
      {{}, false, {}},
      {{"-dd"}, true, {}},
      {{"-DD", "/dd"}, true, {}},  // twice, in any case and with '/'
      {{"-dir", "/cat,old"}, false, {"/cat,old"}},
      {{"/DIR", "a"}, false, {"a"}},
      {{"-Dir", "a", "-dir", "b"}, false, {"a", "b"}},  // the first counts
      // The value of -dir is never an option, whatever it looks like.
      {{"-dir", "/dd"}, false, {"/dd"}},
      {{"-dir", "-dd"}, false, {"-dd"}},
      {{"-dir", "--help"}, false, {"--help"}},
      {{"-dir", "-dir", "x"}, false, {"-dir"}, false, {2}},
      {{"-dd", "-dir"}, true, {}, false, {}, true},
      {{"--dir", "a", "dd", "-d"}, false, {}, false, {0, 1, 2, 3}},
      {{"x", "-h", "-dd"}, true, {}, true, {0}},
  };
  for (const OptionCase& c : cases) {
    const StartOptions options = ParseStartOptions(c.arguments);
    const std::string shown = ::testing::PrintToString(c.arguments);
    EXPECT_EQ(options.expertMode, c.expertMode) << shown;
    EXPECT_EQ(options.dirLists, c.dirLists) << shown;
    EXPECT_EQ(options.help, c.help) << shown;
    EXPECT_EQ(options.others, c.others) << shown;
    EXPECT_EQ(options.dirWithoutList, c.dirWithoutList) << shown;
  }
  EXPECT_EQ(ParseStartOptions(Args{"-dir", "a", "-dir", "b"}).DirList(), "a");
  EXPECT_TRUE(ParseStartOptions(Args{"--version"}).version);
}

TEST(StartOptions, BeforeACommandTheOptionsEndAtTheCommand) {
  const StartOptions options =
      ParseStartOptions(Args{"-dir", "a", "search", "-dd", "--help"}, OptionScope::kBeforeCommand);
  EXPECT_FALSE(options.expertMode);
  EXPECT_FALSE(options.help);
  EXPECT_EQ(options.dirLists, (Args{"a"}));
  EXPECT_EQ(options.others, (std::vector<size_t>{2}));
  EXPECT_TRUE(LooksLikeStartOption("/DD"));
  EXPECT_FALSE(LooksLikeStartOption("/srv/cat"));
}

TEST(StartOptions, TheTitleNamesTheLastComponentOfTheStartDirectory) {
  EXPECT_EQ(WindowTitle("/home/ann/Disks"), "Mardo - Disks");
  EXPECT_EQ(WindowTitle("/"), "Mardo - ");
  EXPECT_EQ(WindowTitle(""), "Mardo - ");
}

}  // namespace
}  // namespace mardo
