#include "settings/start_options.h"

#include <gtest/gtest.h>

namespace mardo {
namespace {

TEST(StartOptions, HelpAndVersionButNeverTheValueOfDir) {
  EXPECT_TRUE(ReadStartOptions({"--help"}).help);
  EXPECT_TRUE(ReadStartOptions({"-dd", "-h"}).help);
  EXPECT_TRUE(ReadStartOptions({"--version"}).version);
  EXPECT_FALSE(ReadStartOptions({"-dir", "--help"}).help);
  EXPECT_FALSE(ReadStartOptions({"/DIR", "--version"}).version);
  EXPECT_FALSE(ReadStartOptions({"-dd", "file.mvl", "-dir"}).help);
}

TEST(StartOptions, TheTitleNamesTheLastComponentOfTheStartDirectory) {
  EXPECT_EQ(WindowTitle("/home/ann/Disks"), "Mardo - Disks");
  EXPECT_EQ(WindowTitle("/"), "Mardo - ");
  EXPECT_EQ(WindowTitle(""), "Mardo - ");
}

}  // namespace
}  // namespace mardo
