#include "scan/tree_scanner.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "platform/directory_reader.h"
#include "platform/mount_table.h"
#include "scan/scan_texts.h"
#include "support/fake_directory_reader.h"
#include "support/mounted_at.h"
#include "support/ordinary_user.h"
#include "support/temp_tree.h"

namespace mardo {
namespace {

using test::FakeDirectoryReader;
using test::MountedAt;
using test::TempDir;
using Entry = FakeDirectoryReader::Entry;

struct Row {
  std::string name;
  int64_t length;
  int32_t dir;
  bool operator==(const Row&) const = default;
};

std::vector<Row> Rows(const Catalog& catalog) {
  std::vector<Row> rows;
  for (const FileRecord* r : catalog.files) rows.push_back({std::string(r->Name()), r->length, r->dirNumber});
  return rows;
}

std::vector<std::string> DirPaths(const Catalog& catalog) {
  std::vector<std::string> paths;
  for (const DirRecord* d : catalog.dirs) paths.emplace_back(d->Path());
  return paths;
}

// Checks every invariant of a scanned catalog: directory entries numbered -1, -2, ... in file
// order, each naming the DirRecord whose path is its own full path, owners and containing numbers
// in range, and totals equal to the files of each subtree.
void ExpectInvariants(const Catalog& catalog) {
  const int32_t dirCount = catalog.dirs.Size();
  std::vector<int32_t> parent(static_cast<size_t>(dirCount), -1);
  int32_t expectedNumber = 1;
  for (const FileRecord* r : catalog.files) {
    ASSERT_EQ(r->OwningCatalog(), &catalog);
    ASSERT_GE(r->dirNumber, 0);
    ASSERT_LT(r->dirNumber, dirCount);
    if (r->length < 0) {
      ASSERT_EQ(r->length, -expectedNumber);
      ASSERT_LT(r->dirNumber, expectedNumber);
      ASSERT_EQ(catalog.dirs[expectedNumber]->Path(),
                std::string(catalog.dirs[r->dirNumber]->Path()) + "\\" + std::string(r->Name()));
      parent[static_cast<size_t>(expectedNumber)] = r->dirNumber;
      ++expectedNumber;
    }
  }
  ASSERT_EQ(expectedNumber, dirCount);
  std::vector<int32_t> files(static_cast<size_t>(dirCount), 0);
  std::vector<double> bytes(static_cast<size_t>(dirCount), 0.0);
  for (const FileRecord* r : catalog.files) {
    if (r->length < 0) continue;
    for (int32_t d = r->dirNumber; d >= 0; d = parent[static_cast<size_t>(d)]) {
      files[static_cast<size_t>(d)] += 1;
      bytes[static_cast<size_t>(d)] += r->length;
    }
  }
  for (int32_t d = 0; d < dirCount; ++d) {
    EXPECT_EQ(catalog.dirs[d]->fileCount, files[static_cast<size_t>(d)]) << catalog.dirs[d]->Path();
    EXPECT_EQ(catalog.dirs[d]->totalLength, bytes[static_cast<size_t>(d)]) << catalog.dirs[d]->Path();
  }
}

TEST(TreeScanner, ScansASmallVolumeWithTotalsAndNumbering) {
  TempDir tmp;
  tmp.MakeFile("A.TXT", 10, 1000);
  tmp.MakeFile("Sub/b.txt", 5, 2000);
  test::SetMtime(tmp / "Sub", 3000);
  const MountTable mounts = MountedAt(tmp.Path());
  PosixDirectoryReader reader;
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  EXPECT_EQ(scanner.Scan(tmp.Path() + "/", ""), 3);
  EXPECT_EQ(DirPaths(catalog), (std::vector<std::string>{"", "\\Sub"}));
  EXPECT_EQ(Rows(catalog), (std::vector<Row>{{"A.TXT", 10, 0}, {"Sub", -1, 0}, {"b.txt", 5, 1}}));
  EXPECT_EQ(catalog.files[0]->lastWriteTime, 1000);
  EXPECT_EQ(catalog.files[1]->lastWriteTime, 3000);
  EXPECT_EQ(catalog.dirs[0]->fileCount, 2);
  EXPECT_EQ(catalog.dirs[0]->totalLength, 15.0);
  EXPECT_EQ(catalog.dirs[1]->fileCount, 1);
  EXPECT_EQ(catalog.dirs[1]->totalLength, 5.0);
}

TEST(TreeScanner, PathsAreRelativeToTheMountPoint) {
  TempDir tmp;
  tmp.MakeFile("photos/2000/a.jpg", 1);
  tmp.MakeFile("photos/2000/b/c.jpg", 1);
  const MountTable mounts = MountedAt(tmp.Path());
  PosixDirectoryReader reader;
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  EXPECT_EQ(scanner.Scan(tmp / "photos", ""), 4);
  EXPECT_EQ(DirPaths(catalog), (std::vector<std::string>{"\\photos", "\\photos\\2000", "\\photos\\2000\\b"}));
  ExpectInvariants(catalog);
}

TEST(TreeScanner, DeepTreesKeepEveryInvariant) {
  TempDir tmp;
  uint32_t seed = 7;
  std::vector<std::string> dirs{""};
  for (int i = 0; i < 300; ++i) {
    seed = seed * 1103515245u + 12345u;
    const std::string& parent = dirs[(seed >> 8) % dirs.size()];
    const std::string path = (parent.empty() ? "" : parent + "/") + "d" + std::to_string(i);
    if ((seed >> 4) % 3 == 0) {
      tmp.MakeDir(path);
      dirs.push_back(path);
    } else {
      tmp.MakeFile(path, (seed >> 12) % 5000);
    }
  }
  const MountTable mounts = MountedAt(tmp.Path());
  PosixDirectoryReader reader;
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  EXPECT_EQ(scanner.Scan(tmp.Path(), ""), 300);
  EXPECT_EQ(catalog.dirs.Size(), static_cast<int32_t>(dirs.size()));
  ExpectInvariants(catalog);
  // Breadth-first: the depth of the directories never decreases along the array.
  size_t depth = 0;
  for (const DirRecord* d : catalog.dirs) {
    const auto here = static_cast<size_t>(std::count(d->Path().begin(), d->Path().end(), '\\'));
    EXPECT_GE(here, depth);
    depth = here;
  }
}

TEST(TreeScanner, IgnoredEntriesContributeNothing) {
  TempDir tmp;
  tmp.MakeFile("keep.txt", 1);
  tmp.MakeFile("a/Cache/inner.txt", 100);
  tmp.MakeFile("a/b/CACHE/x/deep.txt", 100);
  tmp.MakeFile("a/cache", 2);           // a file named cache stays
  tmp.MakeFile("a/x.log/kept.txt", 4);  // a directory named x.log stays
  tmp.MakeFile("a/b/trace.LOG", 1000);
  const MountTable mounts = MountedAt(tmp.Path());
  PosixDirectoryReader reader;
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  scanner.Scan(tmp.Path(), "\\cache *.log");
  EXPECT_EQ(DirPaths(catalog), (std::vector<std::string>{"", "\\a", "\\a\\b", "\\a\\x.log"}));
  std::vector<std::string> names;
  for (const FileRecord* r : catalog.files) names.emplace_back(r->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"a", "keep.txt", "b", "cache", "x.log", "kept.txt"}));
  EXPECT_EQ(catalog.dirs[0]->fileCount, 3);
  EXPECT_EQ(catalog.dirs[0]->totalLength, 7.0);
  ExpectInvariants(catalog);
}

TEST(TreeScanner, EmptyAndMissingRoots) {
  TempDir tmp;
  tmp.MakeDir("empty");
  PosixDirectoryReader reader;
  const MountTable mounts = MountedAt(tmp.Path());
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  EXPECT_EQ(scanner.Scan(tmp / "empty", ""), 0);
  EXPECT_EQ(DirPaths(catalog), (std::vector<std::string>{"\\empty"}));
  EXPECT_EQ(scanner.Scan(tmp / "missing", ""), 0);
  EXPECT_EQ(catalog.dirs.Size(), 0);
  EXPECT_EQ(scanner.Scan("", ""), 0);
  EXPECT_EQ(catalog.dirs.Size(), 0);
  tmp.MakeFile("plain", 3);
  EXPECT_EQ(scanner.Scan(tmp / "plain", ""), 0);  // a file is not a tree
  EXPECT_EQ(catalog.dirs.Size(), 0);
}

TEST(TreeScanner, LinksAreFilesAndAreNeverFollowed) {
  TempDir tmp;
  tmp.MakeFile("dir/target.txt", 50);
  tmp.MakeSymlink("dir/loop", "..");
  tmp.MakeSymlink("dir/to-file", "target.txt");
  tmp.MakeSymlink("dir/dangling", "nowhere/at/all");
  const MountTable mounts = MountedAt(tmp.Path());
  PosixDirectoryReader reader;
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  EXPECT_EQ(scanner.Scan(tmp.Path(), ""), 5);
  EXPECT_EQ(
      Rows(catalog),
      (std::vector<Row>{
          {"dir", -1, 0}, {"dangling", 14, 1}, {"loop", 2, 1}, {"target.txt", 50, 1}, {"to-file", 10, 1}}));
  ExpectInvariants(catalog);
}

TEST(TreeScanner, NamesAreRecordedAsTheyAreInFoldedOrder) {
  TempDir tmp;
  for (const char* name : {"b", "B", "_x", "a", "A", "new\nline", "back\\slash", "\xFF\xFE", " space "}) {
    tmp.MakeFile(name, 1);
  }
  const MountTable mounts = MountedAt(tmp.Path());
  PosixDirectoryReader reader;
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  EXPECT_EQ(scanner.Scan(tmp.Path(), ""), 9);
  std::vector<std::string> names;
  for (const FileRecord* r : catalog.files) names.emplace_back(r->Name());
  EXPECT_EQ(names, (std::vector<std::string>{" space ", "_x", "A", "a", "B", "b", "back\\slash", "new\nline",
                                             "\xFF\xFE"}));
}

TEST(TreeScanner, HugeFilesAndFarTimesAreRecordedWhole) {
  TempDir tmp;
  const int64_t threeGiB = int64_t{3} << 30;
  tmp.MakeFile("big/huge.bin", threeGiB, int64_t{1} << 33);
  tmp.MakeFile("big/small.bin", 1, 0);
  const MountTable mounts = MountedAt(tmp.Path());
  PosixDirectoryReader reader;
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  ASSERT_EQ(scanner.Scan(tmp.Path(), ""), 3);
  const FileRecord* huge = catalog.files[1];
  EXPECT_EQ(huge->Name(), "huge.bin");
  EXPECT_EQ(huge->length, threeGiB);
  EXPECT_FALSE(huge->IsDirectory());
  EXPECT_EQ(huge->lastWriteTime, int64_t{1} << 33);
  EXPECT_EQ(catalog.dirs[0]->totalLength, static_cast<double>(threeGiB + 1));
  EXPECT_EQ(catalog.dirs[1]->totalLength, static_cast<double>(threeGiB + 1));
  EXPECT_EQ(catalog.files[0]->length, -1);
}

// A volume that version 3 records truthfully is still written as version 3, byte for byte.
TEST(TreeScanner, ASmallTreeIsStillWrittenAsVersion3ByteForByte) {
  TempDir tmp;
  tmp.MakeFile("tree/a.txt", 10, 1000000000);
  tmp.MakeFile("tree/Sub/b.txt", 5, 1000000200);
  test::SetMtime(tmp / "tree/Sub", 1000000100);
  const MountTable mounts = MountedAt(tmp / "tree");
  PosixDirectoryReader reader;
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  ASSERT_EQ(scanner.Scan(tmp / "tree", ""), 3);
  catalog.volumeRoot = "/media/usb/";
  catalog.volumeLabel = "USB";
  catalog.serialNumber = 0xABCD1234;
  catalog.freeSpace = 1.5f;
  catalog.filePath = tmp / "usb.mvl";
  ASSERT_TRUE(catalog.Write());
  std::string bytes = tmp.ReadFile("usb.mvl");
  ASSERT_GT(bytes.size(), 10u);
  bytes.replace(6, 4, "TIME");
  const unsigned char expected[] = {
      0x27, 0x06, 0xA4, 0xD0, 0x03, 0x00, 'T',  'I',  'M',  'E',  // word, version, time
      11,   '/',  'm',  'e',  'd',  'i',  'a',  '/',  'u',  's', 'b', '/',  3,    'U',
      'S',  'B',                                                                   // root, label
      0,    0x34, 0x12, 0xCD, 0xAB, 0x00, 0x00, 0xC0, 0x3F,                        // name, serial, free
      2,    0,    0,    0,                                                         // 2 directories
      0,    2,    0,    0,    0,    0,    0,    0,    0,    0,   0,   0x2E, 0x40,  // "", 2 files, 15.0
      4,    '\\', 'S',  'u',  'b',  1,    0,    0,    0,    0,   0,   0,    0,    0,
      0,    0x14, 0x40,     // "\Sub", 1, 5.0
      3,    0,    0,    0,  // 3 entries
      0x00, 0xCA, 0x9A, 0x3B, 10,   0,    0,    0,    0,    0,   5,   'a',  '.',  't',
      'x',  't',                                                                        // a.txt
      0x64, 0xCA, 0x9A, 0x3B, 0xFF, 0xFF, 0xFF, 0xFF, 0,    0,   3,   'S',  'u',  'b',  // Sub
      0xC8, 0xCA, 0x9A, 0x3B, 5,    0,    0,    0,    1,    0,   5,   'b',  '.',  't',
      'x',  't',  // b.txt
  };
  EXPECT_EQ(bytes, std::string(reinterpret_cast<const char*>(expected), sizeof expected));
  EXPECT_EQ(catalog.formatVersion, 3);
}

TEST(TreeScanner, OtherFileSystemsAndUnreadableDirectoriesKeepAnEmptyRecord) {
  FakeDirectoryReader reader;
  reader.Add("/vol/root", {{"mnt", true, 4096, 5, 2}, {"locked", true}, {"open", true}, {"f", false, 7}});
  reader.Add("/vol/root/mnt", {{"inside", false, 100, 0, 2}}, 2);
  reader.Add("/vol/root/open", {{"g", false, 3}});
  const MountTable mounts = MountTable::Parse("1 0 8:1 / /vol rw - ext4 /dev/sda1 rw\n");
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  EXPECT_EQ(scanner.Scan("/vol/root", ""), 5);
  EXPECT_EQ(DirPaths(catalog),
            (std::vector<std::string>{"\\root", "\\root\\mnt", "\\root\\locked", "\\root\\open"}));
  EXPECT_EQ(Rows(catalog),
            (std::vector<Row>{{"mnt", -1, 0}, {"locked", -2, 0}, {"open", -3, 0}, {"f", 7, 0}, {"g", 3, 3}}));
  EXPECT_EQ(reader.opens, 3);  // root, locked (fails), open: never the other file system
  EXPECT_EQ(catalog.dirs[1]->fileCount, 0);
  EXPECT_EQ(catalog.dirs[0]->fileCount, 2);
  EXPECT_EQ(catalog.dirs[0]->totalLength, 10.0);
}

TEST(TreeScanner, EntriesThatVanishDuringTheWalkAreNoFailure) {
  FakeDirectoryReader reader;
  reader.Add("/v/r", {{"gone", true}, {"stays", true}});
  reader.Add("/v/r/gone", {{"x", false, 1}});
  reader.Add("/v/r/stays", {{"y", false, 2}});
  reader.onOpen = [&reader](const std::string& path) {
    if (path == "/v/r") reader.Remove("/v/r/gone");
  };
  const MountTable mounts = MountTable::Parse("");
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  EXPECT_EQ(scanner.Scan("/v/r", ""), 3);
  EXPECT_EQ(DirPaths(catalog), (std::vector<std::string>{"\\v\\r", "\\v\\r\\gone", "\\v\\r\\stays"}));
  ExpectInvariants(catalog);
}

std::vector<Entry> ManyDirectories(int count) {
  std::vector<Entry> entries;
  for (int i = 0; i < count; ++i) entries.push_back({"d" + std::to_string(i), true});
  return entries;
}

TEST(TreeScanner, NumbersMoreDirectoriesThanSixteenBitsHold) {
  FakeDirectoryReader reader;
  const MountTable mounts = MountTable::Parse("");
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  reader.Add("/r", ManyDirectories(70000));  // with the root, 70001 directories
  EXPECT_EQ(scanner.Scan("/r", ""), 70000);
  EXPECT_EQ(catalog.dirs.Size(), 70001);
  EXPECT_EQ(catalog.files.Last()->length, -70000);
  EXPECT_EQ(catalog.dirs[70000]->Path(), "\\r\\d69999");
  EXPECT_TRUE(scanner.RefusalText().empty());
  ExpectInvariants(catalog);
}

TEST(TreeScanner, ReportsProgressAndStopsWhenCancelled) {
  FakeDirectoryReader reader;
  reader.Add("/r", {{"a", true}, {"b", true}, {"f", false, 1}});
  reader.Add("/r/a", {{"g", false, 1}});
  reader.Add("/r/b", {{"h", false, 1}});
  const MountTable mounts = MountTable::Parse("");
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  std::vector<int64_t> seen;
  scanner.SetProgressCallback([&seen](const ScanProgress& p) { seen.push_back(p.entries); },
                              std::chrono::milliseconds(0));
  EXPECT_EQ(scanner.Scan("/r", ""), 5);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), 5);

  std::atomic<bool> cancel{false};
  scanner.SetCancelFlag(&cancel);
  reader.onOpen = [&cancel](const std::string& path) {
    if (path == "/r/a") cancel = true;
  };
  EXPECT_EQ(scanner.Scan("/r", ""), 0);
  EXPECT_TRUE(scanner.Cancelled());
  EXPECT_EQ(catalog.files.Size(), 0);
  EXPECT_EQ(catalog.dirs.Size(), 0);
}

TEST(TreeScanner, TreesDeeperThanThePathLimitAreCataloguedWhole) {
  // Two chains of 40 directories with 202-byte names, a file in each: the deepest paths are
  // twice as long as the system accepts in one piece.
  std::vector<std::string> names;
  for (int level = 0; level < 40; ++level)
    names.push_back(std::string(200, 'n') + std::to_string(10 + level));
  TempDir tmp;
  tmp.MakeDeepChain("a", names, "f", 1);
  tmp.MakeDeepChain("b", names, "g", 2);
  const MountTable mounts = MountedAt(tmp.Path());
  PosixDirectoryReader reader;
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  EXPECT_EQ(scanner.Scan(tmp.Path(), ""), 2 + 4 * 40);
  ASSERT_EQ(catalog.dirs.Size(), 3 + 2 * 40);
  ExpectInvariants(catalog);
  EXPECT_EQ(catalog.dirs[0]->fileCount, 80);
  EXPECT_EQ(catalog.dirs[0]->totalLength, 120.0);
  std::string deepest = "\\b";
  for (const std::string& name : names) deepest += "\\" + name;
  EXPECT_GT(deepest.size(), 8000u);
  EXPECT_EQ(catalog.dirs.Last()->Path(), deepest);
  EXPECT_EQ(catalog.files.Last()->Name(), "g");
  EXPECT_EQ(catalog.files.Last()->dirNumber, catalog.dirs.Size() - 1);
  EXPECT_EQ(scanner.Unreadable().count, 0);
}

TEST(TreeScanner, UnreadableDirectoriesAreCountedWithTheFirstPaths) {
  FakeDirectoryReader reader;
  std::vector<Entry> rootEntries{{"mnt", true, 0, 0, 2}, {"ok", true}};
  for (int i = 10; i < 22; ++i) {
    const std::string name = "u" + std::to_string(i);
    rootEntries.push_back({name, true});
    // Half cannot be opened, half can be opened but not listed.
    if (i % 2 == 0) reader.AddUnlistable("/v/r/" + name);
  }
  reader.Add("/v/r", rootEntries);
  reader.Add("/v/r/mnt", {{"elsewhere", false, 9, 0, 2}}, 2);
  reader.Add("/v/r/ok", {{"f", false, 4}});
  const MountTable mounts = MountTable::Parse("");
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  EXPECT_EQ(scanner.Scan("/v/r", ""), 15);
  EXPECT_EQ(catalog.dirs.Size(), 15);
  ExpectInvariants(catalog);
  // The other file system is not entered on purpose and does not count.
  EXPECT_EQ(scanner.Unreadable().count, 12);
  std::vector<std::string> expected;
  for (int i = 10; i < 20; ++i) expected.push_back("/v/r/u" + std::to_string(i));
  EXPECT_EQ(scanner.Unreadable().paths, expected);
  EXPECT_EQ(reader.held, 0);

  // Each scan counts afresh; a root that cannot be read stores nothing and counts nothing.
  reader.Add("/v/r", {{"ok", true}});
  EXPECT_EQ(scanner.Scan("/v/r", ""), 2);
  EXPECT_EQ(scanner.Unreadable().count, 0);
  EXPECT_TRUE(scanner.Unreadable().paths.empty());
  EXPECT_EQ(scanner.Scan("/v/missing", ""), 0);
  EXPECT_EQ(scanner.Unreadable().count, 0);
}

TEST(TreeScanner, EntriesThatCannotBeLookedAtAreLeftOutAndCounted) {
  // A scratched disc: the names are listed, but looking at two of the entries fails.
  FakeDirectoryReader reader;
  reader.Add("/v/r", {{"a", false, 5}, {"bad.jpg", false, 0, 0, 1, true}, {"sub", true}});
  reader.Add("/v/r/sub", {{"worse", true, 0, 0, 1, true}, {"b", false, 2}});
  const MountTable mounts = MountTable::Parse("");
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  EXPECT_EQ(scanner.Scan("/v/r", ""), 3);
  EXPECT_EQ(Rows(catalog), (std::vector<Row>{{"a", 5, 0}, {"sub", -1, 0}, {"b", 2, 1}}));
  ExpectInvariants(catalog);
  EXPECT_EQ(scanner.Unreadable().count, 0);
  EXPECT_EQ(scanner.Unreadable().entryCount, 2);
  EXPECT_EQ(scanner.Unreadable().entryPaths, (std::vector<std::string>{"/v/r/bad.jpg", "/v/r/sub/worse"}));
}

TEST(TreeScanner, SubdirectoriesOfDirectoriesThatWentAwayAreCountedUnreadable) {
  // 70 directories with one subdirectory each: more than the walk keeps open from their listing,
  // so that some are reached again through their parent.
  FakeDirectoryReader reader;
  std::vector<Entry> rootEntries;
  for (int i = 10; i < 80; ++i) {
    const std::string path = "/r/p" + std::to_string(i);
    rootEntries.push_back({"p" + std::to_string(i), true});
    reader.Add(path, {{"c", true}});
    reader.Add(path + "/c", {{"f", false, 1}});
  }
  reader.Add("/r", rootEntries);
  // Two of them go away, with what is in them, after they were listed.
  reader.onOpen = [&reader](const std::string& path) {
    if (path != "/r/p79") return;
    for (const char* gone : {"/r/p10", "/r/p10/c", "/r/p78", "/r/p78/c"}) reader.Remove(gone);
  };
  const MountTable mounts = MountTable::Parse("");
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  EXPECT_EQ(scanner.Scan("/r", ""), 70 + 70 + 68);
  EXPECT_EQ(catalog.dirs.Size(), 141);
  ExpectInvariants(catalog);
  EXPECT_EQ(catalog.dirs[0]->fileCount, 68);
  EXPECT_EQ(scanner.Unreadable().count, 2);
  EXPECT_EQ(scanner.Unreadable().paths, (std::vector<std::string>{"/r/p10/c", "/r/p78/c"}));
  EXPECT_EQ(reader.held, 0);
}

TEST(TreeScanner, DirectoriesWithoutPermissionAreCountedUnreadable) {
  TempDir tmp;
  tmp.MakeFile("locked/secret", 5);
  tmp.MakeFile("listable-only/hidden", 6);
  tmp.MakeFile("open/seen", 7);
  // Root reads every directory: the scan then runs as an ordinary user, who owns the tree.
  std::filesystem::permissions(tmp.Path(), std::filesystem::perms::all);
  if (::geteuid() == 0) {
    for (const char* path :
         {"locked", "locked/secret", "listable-only", "listable-only/hidden", "open", "open/seen"})
      ASSERT_EQ(::chown((tmp / path).c_str(), 65534, 65534), 0);
  }
  const test::OrdinaryUser user;
  ASSERT_TRUE(user.Ok());
  ASSERT_EQ(::chmod((tmp / "locked").c_str(), 0), 0);
  ASSERT_EQ(::chmod((tmp / "listable-only").c_str(), S_IRUSR), 0);
  const MountTable mounts = MountedAt(tmp.Path());
  PosixDirectoryReader reader;
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  EXPECT_EQ(scanner.Scan(tmp.Path(), ""), 4);
  EXPECT_EQ(DirPaths(catalog), (std::vector<std::string>{"", "\\listable-only", "\\locked", "\\open"}));
  EXPECT_EQ(catalog.dirs[0]->fileCount, 1);
  EXPECT_EQ(scanner.Unreadable().count, 2);
  EXPECT_EQ(scanner.Unreadable().paths, (std::vector<std::string>{tmp / "listable-only", tmp / "locked"}));
}

// Adds a chain of `depth` directories named `name` below `top`, each holding a file of 1 byte.
void AddChain(FakeDirectoryReader& reader, std::string top, const std::string& name, int depth) {
  for (int level = 0; level < depth; ++level) {
    reader.Add(top, {{name, true}, {"f", false, 1}});
    top += "/" + name;
  }
  reader.Add(top, {{"f", false, 1}});
}

TEST(TreeScanner, ATreeStraightDownOpensEachDirectoryOnceAndFewAtATime) {
  FakeDirectoryReader reader;
  AddChain(reader, "/r", "d", 300);
  const MountTable mounts = MountTable::Parse("");
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  EXPECT_EQ(scanner.Scan("/r", ""), 601);
  EXPECT_EQ(catalog.dirs.Size(), 301);
  ExpectInvariants(catalog);
  EXPECT_EQ(reader.opens, 301);
  EXPECT_LE(reader.mostHeld, 70);
  EXPECT_EQ(reader.held, 0);
}

TEST(TreeScanner, DeepBranchesSideBySideAreWalkedWithFewDirectoriesOpen) {
  FakeDirectoryReader reader;
  reader.Add("/r", {{"a", true}, {"b", true}, {"c", true}});
  AddChain(reader, "/r/a", "x", 150);
  AddChain(reader, "/r/b", "y", 150);
  reader.Add("/r/c", {});
  const MountTable mounts = MountTable::Parse("");
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  EXPECT_EQ(scanner.Scan("/r", ""), 3 + 2 * 150 + 2 * 151);
  EXPECT_EQ(catalog.dirs.Size(), 4 + 2 * 150);
  ExpectInvariants(catalog);
  EXPECT_LE(reader.mostHeld, 70);
  EXPECT_EQ(reader.held, 0);
}

TEST(TreeScanner, ABushyTreeNeedsAboutOneOpeningPerDirectory) {
  // 3000 directories, each below a random earlier one, so that siblings and cousins mix.
  std::map<std::string, std::vector<Entry>> tree{{"/r", {}}};
  std::vector<std::string> paths{"/r"};
  uint32_t seed = 11;
  for (int i = 0; i < 3000; ++i) {
    seed = seed * 1103515245u + 12345u;
    const std::string parent = paths[(seed >> 8) % paths.size()];
    const std::string name = "d" + std::to_string(i);
    tree[parent].push_back({name, true});
    tree[parent].push_back({name + ".txt", false, 1});
    paths.push_back(parent + "/" + name);
    tree[paths.back()];
  }
  FakeDirectoryReader reader;
  for (auto& [path, entries] : tree) reader.Add(path, entries);
  const MountTable mounts = MountTable::Parse("");
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  EXPECT_EQ(scanner.Scan("/r", ""), 6000);
  ExpectInvariants(catalog);
  EXPECT_LE(reader.opens, 3001 * 2);
  EXPECT_EQ(reader.held, 0);
}

// A root with `dirs` subdirectories of `files` files each.
void AddWideTree(FakeDirectoryReader& reader, int dirs, int files) {
  std::vector<Entry> rootEntries = ManyDirectories(dirs);
  reader.Add("/r", rootEntries);
  for (const Entry& dir : rootEntries) {
    std::vector<Entry> inside;
    for (int i = 0; i < files; ++i) inside.push_back({"f" + std::to_string(i), false, 1});
    reader.Add("/r/" + dir.name, inside);
  }
}

TEST(TreeScanner, ProgressComesOnlyOnceWithinALongInterval) {
  FakeDirectoryReader reader;
  AddWideTree(reader, 200, 10);
  const MountTable mounts = MountTable::Parse("");
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  std::vector<int64_t> seen;
  scanner.SetProgressCallback([&seen](const ScanProgress& p) { seen.push_back(p.entries); },
                              std::chrono::hours(24));
  EXPECT_EQ(scanner.Scan("/r", ""), 2200);
  EXPECT_EQ(seen, (std::vector<int64_t>{2200}));  // the final count only
}

TEST(TreeScanner, ProgressIsSpacedByTheIntervalAndReadsTheClockRarely) {
  FakeDirectoryReader reader;
  AddWideTree(reader, 300, 20);
  const MountTable mounts = MountTable::Parse("");
  Catalog catalog;
  TreeScanner scanner(catalog, reader, mounts);
  // A clock that moves one millisecond each time it is read.
  using Clock = std::chrono::steady_clock;
  Clock::time_point now{};
  int reads = 0;
  scanner.SetClock([&now, &reads] {
    ++reads;
    now += std::chrono::milliseconds(1);
    return now;
  });
  std::vector<int64_t> counts;
  std::vector<Clock::time_point> times;
  scanner.SetProgressCallback(
      [&](const ScanProgress& p) {
        counts.push_back(p.entries);
        times.push_back(now);
      },
      std::chrono::milliseconds(10));
  const int32_t found = scanner.Scan("/r", "");
  EXPECT_EQ(found, 6300);
  // 301 directories and 6300 entries met: the clock is read once at the start and then once
  // every so many of them, not for each.
  EXPECT_LE(reads, 1 + (301 + 6300) / 50);
  ASSERT_GE(counts.size(), 3u);
  EXPECT_EQ(counts.back(), found);
  for (size_t i = 1; i < counts.size(); ++i) EXPECT_LE(counts[i - 1], counts[i]);
  // Every report during the scan comes at least one interval after the previous one (the first
  // after the start, when the clock was first read).
  Clock::time_point last = Clock::time_point{} + std::chrono::milliseconds(1);
  for (size_t i = 0; i + 1 < times.size(); ++i) {
    EXPECT_GE(times[i] - last, std::chrono::milliseconds(10)) << i;
    last = times[i];
  }
}

}  // namespace
}  // namespace mardo
