// mardo-cli as a user runs it: a real process in a temporary directory.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_tree.h"

namespace mardo {
namespace {

struct Result {
  int status;
  std::string out;
  std::string err;
};

// Runs the program in `dir` with TZ=UTC0, its output and errors captured in files.
Result RunIn(const std::string& dir, const std::vector<std::string>& args) {
  const std::string out = dir + "/.out";
  const std::string err = dir + "/.err";
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(dir.c_str()) != 0 || !std::freopen(out.c_str(), "w", stdout) ||
        !std::freopen(err.c_str(), "w", stderr) || !std::freopen("/dev/null", "r", stdin)) {
      ::_exit(99);
    }
    ::setenv("TZ", "UTC0", 1);
    ::setenv("XDG_CACHE_HOME", (dir + "/.cache").c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(MARDO_CLI_PATH)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(MARDO_CLI_PATH, argv.data());
    ::_exit(98);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  auto read = [](const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  };
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read(out), read(err)};
}

TEST(CliProcess, CataloguesSearchesAndDeletesInItsCurrentDirectory) {
  test::TempDir tmp;
  tmp.MakeFile("disk/music/song.mp3", 4000);
  tmp.MakeFile("disk/music/Song.MP3", 4000);
  tmp.MakeDir("work");
  const Result add = RunIn(tmp / "work", {"add", tmp / "disk", "--label", "Music disk"});
  ASSERT_EQ(add.status, 0) << add.err;
  // The label is the directory's path on its file system, whatever holds the temporary directory.
  EXPECT_EQ(add.out.rfind("3 files added to catalog from [\\", 0), 0u) << add.out;
  EXPECT_EQ(add.out.substr(add.out.size() - 7), "\\disk]\n");

  const Result catalogs = RunIn(tmp / "work", {"catalogs"});
  EXPECT_EQ(catalogs.status, 0);
  EXPECT_EQ(catalogs.out.substr(0, 11), "Music disk\t");
  EXPECT_NE(catalogs.out.find(tmp / "work/Music-disk.mvl"), std::string::npos);

  const Result dups = RunIn(tmp / "work", {"search", "--mode", "duplicates"});
  EXPECT_EQ(dups.status, 0);
  EXPECT_EQ(dups.err, "2\n");
  const Result none = RunIn(tmp / "work", {"search", "--pattern", "|nothing|"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(RunIn(tmp / "work", {"search"}).status, 2);

  EXPECT_EQ(RunIn(tmp / "work", {"delete", "Music disk"}).status, 1);  // nobody to say yes
  const Result deleted = RunIn(tmp / "work", {"delete", "Music disk", "--yes"});
  EXPECT_EQ(deleted.status, 0);
  EXPECT_EQ(RunIn(tmp / "work", {"catalogs"}).out, "");
}

}  // namespace
}  // namespace mardo
