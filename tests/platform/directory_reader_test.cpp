#include "platform/directory_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/ordinary_user.h"
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

std::vector<std::string> NamesOf(const DirectoryContents& listing) {
  std::vector<std::string> names;
  for (size_t i = 0; i < listing.Size(); ++i) names.emplace_back(listing.Entry(i).name);
  return names;
}

TEST(PosixDirectoryReader, ListsLargeDirectoriesWholeIntoListingsOfTheCaller) {
  // More names than one read of directory records brings: links to one file, quick to make.
  test::TempDir tmp;
  const std::string one = tmp.MakeFile("big/" + std::string(60, 'x') + "0000", 7, 500);
  std::vector<std::string> expected{std::string(60, 'x') + "0000"};
  for (int i = 1; i < 3000; ++i) {
    expected.push_back(std::string(60, 'x') + std::to_string(10000 + i).substr(1));
    ASSERT_EQ(::link(one.c_str(), (tmp / ("big/" + expected.back())).c_str()), 0);
  }
  tmp.MakeFile("small/A", 1);
  tmp.MakeFile("small/b", 2);
  PosixDirectoryReader reader;
  ASSERT_TRUE(reader.Concurrent());
  const DirectoryHandle big = reader.OpenDirectory(tmp / "big");
  const DirectoryHandle small = reader.OpenDirectory(tmp / "small");
  // Two threads share the reader, each with listings of its own, each handle listed again and
  // again from its start.
  auto listRepeatedly = [&reader](DirectoryHandle handle, std::vector<std::vector<std::string>>& seen) {
    DirectoryContents listing;
    for (int i = 0; i < 20; ++i) {
      EXPECT_TRUE(reader.ListInto(handle, listing));
      seen.push_back(NamesOf(listing));
    }
  };
  std::vector<std::vector<std::string>> bigSeen;
  std::vector<std::vector<std::string>> smallSeen;
  std::thread other(listRepeatedly, big, std::ref(bigSeen));
  listRepeatedly(small, smallSeen);
  other.join();
  for (const auto& names : bigSeen) EXPECT_EQ(names, expected);
  for (const auto& names : smallSeen) EXPECT_EQ(names, (std::vector<std::string>{"A", "b"}));

  DirectoryContents listing;
  ASSERT_TRUE(reader.ListInto(big, listing));
  EXPECT_EQ(listing.Entry(2999).size, 7);
  EXPECT_EQ(listing.Entry(2999).lastWriteTime, 500);
  EXPECT_FALSE(listing.Entry(2999).isDirectory);
  struct stat st;
  ASSERT_EQ(::stat((tmp / "big").c_str(), &st), 0);
  EXPECT_EQ(listing.Device(), static_cast<uint64_t>(st.st_dev));
  EXPECT_FALSE(reader.ListInto(DirectoryHandle{}, listing));
  EXPECT_EQ(listing.Size(), 0u);
  reader.CloseDirectory(big);
  reader.CloseDirectory(small);
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
  test::TempDir tmp;
  tmp.MakeFile("locked/a", 1);
  tmp.MakeFile("names-only/b", 1);
  tmp.MakeDir("empty-names-only");
  // Root reads every directory: the test then reads as an ordinary user, who owns them.
  std::filesystem::permissions(tmp.Path(), std::filesystem::perms::all);
  if (::geteuid() == 0) {
    for (const char* dir : {"locked", "names-only", "names-only/b", "empty-names-only"})
      ASSERT_EQ(::chown((tmp / dir).c_str(), 65534, 65534), 0);
  }
  const test::OrdinaryUser user;
  ASSERT_TRUE(user.Ok());
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
