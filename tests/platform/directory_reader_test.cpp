#include "platform/directory_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_tree.h"

namespace mardo {
namespace {

struct Seen {
  std::string name;
  bool isDirectory;
  int64_t size;
  int64_t time;
  bool operator==(const Seen&) const = default;
};

std::vector<Seen> List(DirectoryReader& reader, const std::string& path) {
  std::vector<Seen> seen;
  if (!reader.Open(path)) return seen;
  DirectoryEntry entry;
  while (reader.Next(entry)) {
    // A directory's own size depends on the file system.
    seen.push_back({std::string(entry.name), entry.isDirectory, entry.isDirectory ? -1 : entry.size,
                    entry.lastWriteTime});
  }
  reader.Close();
  return seen;
}

TEST(PosixDirectoryReader, ListsSortedWithoutFollowingLinks) {
  test::TempDir tmp;
  tmp.MakeFile("b.txt", 3, 100);
  tmp.MakeFile("A.txt", 5, 200);
  tmp.MakeDir("sub", 300);
  tmp.MakeSymlink("link", "sub");
  test::SetMtime(tmp / "link", 400);
  PosixDirectoryReader reader;
  EXPECT_EQ(List(reader, tmp.Path()), (std::vector<Seen>{{"A.txt", false, 5, 200},
                                                         {"b.txt", false, 3, 100},
                                                         {"link", false, 3, 400},
                                                         {"sub", true, -1, 300}}));
}

TEST(PosixDirectoryReader, RefusesWhatIsNoDirectory) {
  test::TempDir tmp;
  tmp.MakeFile("file", 1);
  tmp.MakeDir("dir");
  tmp.MakeSymlink("link", "dir");
  PosixDirectoryReader reader;
  EXPECT_FALSE(reader.Open(tmp / "file"));
  EXPECT_FALSE(reader.Open(tmp / "missing"));
  EXPECT_FALSE(reader.Open(tmp / "link"));  // a link to a directory is not entered
  EXPECT_TRUE(reader.Open(tmp / "dir"));
  DirectoryEntry entry;
  EXPECT_FALSE(reader.Next(entry));  // "." and ".." are left out
}

}  // namespace
}  // namespace mardo
