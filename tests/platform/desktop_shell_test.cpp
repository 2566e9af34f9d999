#include "platform/desktop_shell.h"

#include <gtest/gtest.h>

#include "support/temp_tree.h"

namespace mardo {
namespace {

using Failure = ShellResult::Failure;

TEST(ProbeShellTarget, TellsAMissingFileFromAMissingDirectory) {
  test::TempDir tmp;
  const std::string file = tmp.MakeFile("docs/a.txt", 1);
  tmp.MakeSymlink("docs/dangling", tmp / "nowhere");
  EXPECT_TRUE(ProbeShellTarget(file).Succeeded());
  EXPECT_TRUE(ProbeShellTarget(tmp / "docs").Succeeded());
  EXPECT_TRUE(ProbeShellTarget(tmp / "docs/dangling").Succeeded());  // the link itself is there
  EXPECT_EQ(ProbeShellTarget(tmp / "docs/b.txt").failure, Failure::kNoSuchFile);
  // The medium is not mounted: the directories on the way are missing.
  EXPECT_EQ(ProbeShellTarget(tmp / "unmounted/docs/a.txt").failure, Failure::kNoSuchDirectory);
  EXPECT_EQ(ProbeShellTarget(file + "/x").failure, Failure::kNoSuchDirectory);
  EXPECT_EQ(ProbeShellTarget("").failure, Failure::kNoSuchFile);
}

TEST(ProbeShellTarget, OnlyAbsolutePathsAreEverHandedOn) {
  test::TempDir tmp;
  tmp.MakeFile("-oProxy=x/a.txt", 1);
  for (const char* path : {"-oProxy=x/a.txt", "./a.txt", "a.txt", "--help"}) {
    const ShellResult result = ProbeShellTarget(path);
    EXPECT_EQ(result.failure, Failure::kOther) << path;
    EXPECT_EQ(result.systemText, "it is not an absolute path");
  }
}

TEST(ProbeShellTarget, OtherFailuresCarryTheSystemsText) {
  const ShellResult result = ProbeShellTarget("/" + std::string(5000, 'x'));
  EXPECT_EQ(result.failure, Failure::kOther);
  EXPECT_FALSE(result.systemText.empty());
}

}  // namespace
}  // namespace mardo
