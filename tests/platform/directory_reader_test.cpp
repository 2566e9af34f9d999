#include "platform/directory_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

TEST(PosixDirectoryReader, DirectoriesWithoutPermissionCannotBeListed) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not keep the superuser out";
  test::TempDir tmp;
  tmp.MakeFile("locked/a", 1);
  tmp.MakeFile("names-only/b", 1);
  tmp.MakeDir("empty-names-only");
  ASSERT_EQ(::chmod((tmp / "locked").c_str(), 0), 0);
  ASSERT_EQ(::chmod((tmp / "names-only").c_str(), S_IRUSR), 0);
  ASSERT_EQ(::chmod((tmp / "empty-names-only").c_str(), S_IRUSR), 0);
  PosixDirectoryReader reader;
  EXPECT_FALSE(reader.Open(tmp / "locked"));
  // Its names can be read but none of its entries looked at.
  EXPECT_FALSE(reader.Open(tmp / "names-only"));
  EXPECT_TRUE(reader.Open(tmp / "empty-names-only"));  // nothing in it to miss
}

std::vector<std::string> Names(DirectoryReader& reader, DirectoryHandle directory) {
  std::vector<std::string> names;
  if (!reader.List(directory)) return names;
  DirectoryEntry entry;
  while (reader.Next(entry)) names.emplace_back(entry.name);
  reader.Close();
  return names;
}

TEST(PosixDirectoryReader, OpensSubdirectoriesOneNameAtATimeWithoutFollowingLinks) {
  test::TempDir tmp;
  tmp.MakeFile("sub/inner/x", 1);
  tmp.MakeFile("file", 1);
  tmp.MakeSymlink("link", "sub");
  PosixDirectoryReader reader;
  const DirectoryHandle root = reader.OpenDirectory(tmp.Path());
  ASSERT_TRUE(root.Valid());
  const DirectoryHandle sub = reader.OpenSubdirectory(root, "sub");
  ASSERT_TRUE(sub.Valid());
  // Listed twice, the same entries each time.
  EXPECT_EQ(Names(reader, sub), (std::vector<std::string>{"inner"}));
  EXPECT_EQ(Names(reader, sub), (std::vector<std::string>{"inner"}));
  for (const char* refused : {"link", "file", "missing", "", ".", "..", "sub/inner"}) {
    const DirectoryHandle handle = reader.OpenSubdirectory(root, refused);
    EXPECT_FALSE(handle.Valid()) << refused;
    reader.CloseDirectory(handle);
  }
  EXPECT_FALSE(reader.OpenSubdirectory(DirectoryHandle{}, "sub").Valid());
  EXPECT_FALSE(reader.List(DirectoryHandle{}));
  reader.CloseDirectory(sub);
  reader.CloseDirectory(root);
}

TEST(PosixDirectoryReader, ReachesDirectoriesBeyondThePathLimit) {
  test::TempDir tmp;
  const std::vector<std::string> names(30, std::string(250, 'q'));
  tmp.MakeDeepChain("top", names, "end.txt", 4);
  std::string fullPath = tmp / "top";
  for (const std::string& name : names) fullPath += "/" + name;
  PosixDirectoryReader reader;
  EXPECT_FALSE(reader.OpenDirectory(fullPath).Valid());  // too long for the system in one piece
  DirectoryHandle at = reader.OpenDirectory(tmp / "top");
  for (const std::string& name : names) {
    const DirectoryHandle next = reader.OpenSubdirectory(at, name);
    reader.CloseDirectory(at);
    at = next;
    ASSERT_TRUE(at.Valid());
  }
  EXPECT_EQ(Names(reader, at), (std::vector<std::string>{"end.txt"}));
  reader.CloseDirectory(at);
}

}  // namespace
}  // namespace mardo
