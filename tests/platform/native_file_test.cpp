#include "platform/native_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/dead_writer.h"
#include "support/temp_tree.h"

namespace mardo {
namespace {

namespace fs = std::filesystem;

TEST(NativeFile, OnlyTheLeftoversOfDeadWritersOfThisMachineAndUserAreRemoved) {
  test::TempDir tmp;
  const std::string dead = test::LeaveDeadReplacement(tmp / "a.mvl");
  ASSERT_FALSE(dead.empty());
  // ".a.mvl.tmp-HOST-PID-N": the same with other parts.
  const std::string tail = dead.substr(std::string(".a.mvl.tmp-").size());  // HOST-PID-N
  const std::string pidAndCounter = tail.substr(tail.rfind('-', tail.rfind('-') - 1) + 1);
  const std::string host = tail.substr(0, tail.size() - pidAndCounter.size() - 1);
  const std::string otherHost = ".a.mvl.tmp-elsewhere-" + pidAndCounter;
  const std::string noHost = ".a.mvl.tmp-" + pidAndCounter;
  const std::string noDot = "a.mvl.tmp-" + tail;
  const std::string locked = ".b.mvl.tmp-" + tail;
  const std::string directory = ".c.mvl.tmp-" + tail;
  const std::string link = ".d.mvl.tmp-" + tail;
  for (const std::string& name : {otherHost, noHost, noDot, locked}) tmp.MakeFile(name, 1);
  tmp.MakeDir(directory);
  tmp.MakeSymlink(link, dead);
  // A writer whose process id means nothing here (another process namespace) still holds its lock.
  const int holder = ::open((tmp / locked).c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  // A writer that is alive: this process.
  NativeFile live;
  ASSERT_TRUE(live.CreateReplacement(tmp / "a.mvl"));
  ASSERT_TRUE(live.Write("y", 1));

  EXPECT_EQ(NativeFile::RemoveDeadReplacements(tmp.Path()), 1);
  EXPECT_FALSE(fs::exists(tmp / dead));
  for (const std::string& name : {otherHost, noHost, noDot, locked, directory, link})
    EXPECT_TRUE(fs::exists(fs::symlink_status(tmp / name))) << name;
  EXPECT_TRUE(live.Commit(false));
  EXPECT_EQ(tmp.ReadFile("a.mvl"), "y");
  EXPECT_FALSE(host.empty());
  // Once the lock is let go, nothing tells a live writer any more.
  ::close(holder);
  EXPECT_EQ(NativeFile::RemoveDeadReplacements(tmp.Path()), 1);
  EXPECT_FALSE(fs::exists(tmp / locked));

  // Another user's leftover stays, even when its process is gone.
  if (::geteuid() == 0) {
    const std::string others = test::LeaveDeadReplacement(tmp / "e.mvl");
    ASSERT_EQ(::chown((tmp / others).c_str(), 12345, 12345), 0);
    EXPECT_EQ(NativeFile::RemoveDeadReplacements(tmp.Path()), 0);
    EXPECT_TRUE(fs::exists(tmp / others));
  }
}

}  // namespace
}  // namespace mardo
