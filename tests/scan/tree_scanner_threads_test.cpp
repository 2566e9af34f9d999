// The scan with directories listed on helper threads against the scan on the caller's thread
// alone: the same real trees must give the same catalogs, field by field and byte by byte.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/directory_reader.h"
#include "platform/mount_table.h"
#include "scan/scan_texts.h"
#include "scan/tree_scanner.h"
#include "support/fake_directory_reader.h"
#include "support/mounted_at.h"
#include "support/temp_tree.h"

namespace mardo {
namespace {

using test::FakeDirectoryReader;
using test::MountedAt;
using test::TempDir;
using Entry = FakeDirectoryReader::Entry;

int OpenDescriptors() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

// The real file system, except that directories whose names begin with "mnt" are on a file
// system of their own, as mount points would be. May be shared between threads, as the real
// reader.
class ElsewhereReader final : public DirectoryReader {
 public:
  bool Concurrent() const override { return true; }
  DirectoryHandle OpenDirectory(const std::string& path) override { return real_.OpenDirectory(path); }
  DirectoryHandle OpenSubdirectory(DirectoryHandle parent, std::string_view name) override {
    return real_.OpenSubdirectory(parent, name);
  }
  void CloseDirectory(DirectoryHandle directory) override { real_.CloseDirectory(directory); }
  bool ListInto(DirectoryHandle directory, DirectoryContents& listing) override {
    DirectoryContents real;
    listing.Clear();
    if (!real_.ListInto(directory, real)) return false;
    listing.SetDevice(real.Device());
    for (size_t i = 0; i < real.Size(); ++i) {
      const DirectoryEntry e = real.Entry(i);
      const bool elsewhere = e.isDirectory && e.name.starts_with("mnt");
      listing.Add(e.name, e.isDirectory, e.size, e.lastWriteTime, elsewhere ? e.device + 1 : e.device);
    }
    return true;
  }
  bool List(DirectoryHandle directory) override { return real_.List(directory); }
  uint64_t Device() const override { return real_.Device(); }
  bool Next(DirectoryEntry& entry) override { return real_.Next(entry); }
  void Close() override { real_.Close(); }

 private:
  PosixDirectoryReader real_;
};

// Everything a scan leaves behind: its result and reports, the catalog field by field and the
// catalog file written from it.
struct Outcome {
  int32_t found = 0;
  bool cancelled = false;
  std::string refusal;
  int32_t unreadable = 0;
  std::vector<std::string> unreadablePaths;
  std::vector<std::tuple<std::string, int32_t, double>> dirs;             // path, files, bytes
  std::vector<std::tuple<std::string, int64_t, int64_t, int32_t>> files;  // name, time, length, dir
  std::vector<std::pair<int64_t, std::string>> progress;
  std::string fileBytes;
};

struct ScanSetup {
  std::string root;
  std::string ignore;
  const MountTable* mounts = nullptr;
  DirectoryReader* reader = nullptr;
};

Outcome ScanWith(const ScanSetup& setup, int helpers, const TempDir& out) {
  PosixDirectoryReader posix;
  const MountTable noMounts = MountTable::Parse("");
  Catalog catalog;
  TreeScanner scanner(catalog, setup.reader != nullptr ? *setup.reader : posix,
                      setup.mounts != nullptr ? *setup.mounts : noMounts);
  scanner.SetHelperThreads(helpers);
  // A clock that moves one millisecond each time it is read: the reports come at the same points
  // of the walk whatever the threads do.
  std::chrono::steady_clock::time_point now{};
  scanner.SetClock([&now] { return now += std::chrono::milliseconds(1); });
  Outcome o;
  scanner.SetProgressCallback(
      [&o](const ScanProgress& p) { o.progress.emplace_back(p.entries, std::string(p.directory)); },
      std::chrono::milliseconds(3));
  o.found = scanner.Scan(setup.root, setup.ignore);
  o.cancelled = scanner.Cancelled();
  o.refusal = scanner.RefusalText();
  o.unreadable = scanner.Unreadable().count;
  o.unreadablePaths = scanner.Unreadable().paths;
  for (const DirRecord* d : catalog.dirs)
    o.dirs.emplace_back(std::string(d->Path()), d->fileCount, d->totalLength);
  for (const FileRecord* f : catalog.files)
    o.files.emplace_back(std::string(f->Name()), f->lastWriteTime, f->length, f->dirNumber);

  catalog.filePath = out / ("helpers-" + std::to_string(helpers) + ".mvl");
  catalog.volumeRoot = "/media/test/";
  catalog.volumeLabel = "TEST";
  catalog.serialNumber = 0x12345678u;
  EXPECT_TRUE(catalog.Write());
  o.fileBytes = out.ReadFile("helpers-" + std::to_string(helpers) + ".mvl");
  // From byte 6 on, 4 bytes (version 3) or 8 (version 4) hold the moment the file was written.
  const size_t timeSize = o.fileBytes.size() > 4 && o.fileBytes[4] == 4 ? 8 : 4;
  if (o.fileBytes.size() >= 6 + timeSize) o.fileBytes.replace(6, timeSize, timeSize, '\0');
  return o;
}

// Reports the first difference of each part rather than two listings of thousands of rows.
template <typename T>
void ExpectSameRows(const std::vector<T>& expected, const std::vector<T>& actual, const char* what) {
  ASSERT_EQ(expected.size(), actual.size()) << what;
  for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(expected[i], actual[i]) << what << " " << i;
}

void ExpectSameOutcome(const Outcome& one, const Outcome& more) {
  EXPECT_EQ(one.found, more.found);
  EXPECT_EQ(one.cancelled, more.cancelled);
  EXPECT_EQ(one.refusal, more.refusal);
  EXPECT_EQ(one.unreadable, more.unreadable);
  EXPECT_EQ(one.unreadablePaths, more.unreadablePaths);
  ExpectSameRows(one.dirs, more.dirs, "directory");
  ExpectSameRows(one.files, more.files, "file");
  ExpectSameRows(one.progress, more.progress, "progress report");
  EXPECT_TRUE(one.fileBytes == more.fileBytes) << "the catalog files differ";
}

// Scans with the directories listed on the caller's thread alone, then with one and with three
// helpers, and expects the same outcome each time, without a descriptor left open.
Outcome ExpectSameWithHelpers(const ScanSetup& setup) {
  TempDir out;
  const int descriptors = OpenDescriptors();
  const Outcome one = ScanWith(setup, 0, out);
  for (const int helpers : {1, 3}) {
    SCOPED_TRACE(std::to_string(helpers) + " helpers");
    ExpectSameOutcome(one, ScanWith(setup, helpers, out));
  }
  EXPECT_EQ(OpenDescriptors(), descriptors);
  return one;
}

// Directories and files nested at random below `top`, some directories left empty, names that
// differ only in case.
void MakeRandomTree(const TempDir& tmp, const std::string& top, uint32_t seed, int count) {
  std::vector<std::string> dirs{top};
  tmp.MakeDir(top);
  const char* names[] = {"a", "A", "b", "B", "Cache", "x.log", "data", "Data", "_u", "z"};
  for (int i = 0; i < count; ++i) {
    seed = seed * 1103515245u + 12345u;
    const std::string& parent = dirs[(seed >> 8) % dirs.size()];
    const std::string path = parent + "/" + names[(seed >> 3) % 10] + std::to_string(i % 37);
    if (std::filesystem::exists(tmp / path)) continue;
    if ((seed >> 16) % 3 == 0) {
      tmp.MakeDir(path);
      dirs.push_back(path);
    } else {
      tmp.MakeFile(path, (seed >> 12) % 100000, (seed >> 5) % 2000000000);
    }
  }
}

// One tree of everything at once, made once for all the tests that only read it: a random part,
// a chain deeper than the walk keeps open, a level wider than it keeps open, a directory of
// thousands of entries, a huge file, links, directories to ignore, directories it may not read
// and directories that ElsewhereReader puts on another file system.
class TreeScannerHelpers : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    tree_ = new TempDir;
    const TempDir& tmp = *tree_;
    MakeRandomTree(tmp, "mixed", 1, 300);
    std::string deep = "deep";
    for (int level = 0; level < 45; ++level) {
      deep += "/level" + std::to_string(level);
      if (level % 4 == 0) tmp.MakeFile(deep + "/f", level);
    }
    tmp.MakeDir(deep);
    for (int i = 0; i < 100; ++i) {
      const std::string dir = "wide/w" + std::to_string(1000 + i);
      if (i % 10 == 0) {
        tmp.MakeFile(dir + "/c/f", i);
      } else {
        tmp.MakeDir(dir + "/c");
      }
    }
    // Links to one file: far quicker to make than as many files.
    const std::string one = tmp.MakeFile("many/f0", 10, 1000);
    for (int i = 1; i < 4500; ++i) ::link(one.c_str(), (tmp / ("many/f" + std::to_string(i))).c_str());
    tmp.MakeFile("big/huge.bin", int64_t{3} << 30, int64_t{1} << 33);
    tmp.MakeDir("empty/inner/innermost");
    tmp.MakeSymlink("links/to-dir", "../mixed");
    tmp.MakeSymlink("links/to-file", "../big/huge.bin");
    tmp.MakeSymlink("links/dangling", "nowhere");
    tmp.MakeSymlink("links/loop", ".");
    tmp.MakeFile("ignored/Cache/inside", 100);
    tmp.MakeFile("ignored/trace.LOG", 100);
    tmp.MakeFile("mnt-usb/elsewhere", 7);
    tmp.MakeFile("mixed/mnt-inner/far/away", 9);
    tmp.MakeFile("locked/secret/deeper", 5);
    tmp.MakeFile("listable-only/hidden", 6);
    ::chmod((tmp / "locked").c_str(), 0);
    ::chmod((tmp / "listable-only").c_str(), S_IRUSR);
  }
  static void TearDownTestSuite() {
    delete tree_;
    tree_ = nullptr;
  }

  static TempDir* tree_;
};

TempDir* TreeScannerHelpers::tree_ = nullptr;

TEST_F(TreeScannerHelpers, VariedTreesGiveTheSameCatalogOnEveryThreadCount) {
  const TempDir& tmp = *tree_;
  const MountTable mounts = MountedAt(tmp.Path());
  const Outcome plain = ExpectSameWithHelpers({tmp.Path(), "", &mounts, nullptr});
  EXPECT_GT(plain.found, 4800);
  EXPECT_GT(plain.progress.size(), 3u);
  if (::geteuid() != 0) {
    EXPECT_EQ(plain.unreadable, 2);
  }
  const Outcome ignoring = ExpectSameWithHelpers({tmp.Path(), "\\cache *.log", &mounts, nullptr});
  EXPECT_LT(ignoring.found, plain.found);
  for (const uint32_t seed : {2u, 3u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    TempDir random;
    MakeRandomTree(random, "top", seed, 300);
    ExpectSameWithHelpers({random / "top", "", &mounts, nullptr});
  }
}

TEST_F(TreeScannerHelpers, CatalogPathsFollowTheMountTableOnEveryThreadCount) {
  const TempDir& tmp = *tree_;
  const MountTable none = MountTable::Parse("");
  const Outcome full = ExpectSameWithHelpers({tmp.Path() + "/", "", &none, nullptr});
  ASSERT_FALSE(full.dirs.empty());
  EXPECT_GT(std::get<0>(full.dirs[0]).size(), 5u);  // the whole path from the system's root
  const MountTable wideIsAVolume = MountedAt(tmp / "wide");
  const Outcome wide = ExpectSameWithHelpers({tmp / "wide", "", &wideIsAVolume, nullptr});
  ASSERT_EQ(wide.dirs.size(), 201u);
  EXPECT_EQ(std::get<0>(wide.dirs[0]), "");
  EXPECT_EQ(std::get<0>(wide.dirs[1]), "\\w1000");
}

TEST_F(TreeScannerHelpers, OtherFileSystemsAreNotEnteredOnEveryThreadCount) {
  const TempDir& tmp = *tree_;
  const MountTable mounts = MountedAt(tmp.Path());
  ElsewhereReader reader;
  const Outcome o = ExpectSameWithHelpers({tmp.Path(), "", &mounts, &reader});
  int mounted = 0;
  for (const auto& [path, files, bytes] : o.dirs) {
    if (path.find("\\mnt-") == std::string::npos) continue;
    ++mounted;
    EXPECT_EQ(files, 0) << path;
    EXPECT_EQ(path.find("\\far"), std::string::npos) << path;
  }
  EXPECT_EQ(mounted, 2);
  if (::geteuid() != 0) {
    EXPECT_EQ(o.unreadable, 2);  // the other file systems do not count
  }
}

TEST_F(TreeScannerHelpers, TreesOfOneBranchAndEmptyTreesGiveTheSameCatalog) {
  TempDir tmp;
  std::vector<std::string> names;
  for (int level = 0; level < 80; ++level) names.push_back(std::string(120, 'n') + std::to_string(level));
  tmp.MakeDeepChain("chain", names, "f", 3);
  tmp.MakeDir("nothing");
  const MountTable mounts = MountedAt(tmp.Path());
  const Outcome chain = ExpectSameWithHelpers({tmp / "chain", "", &mounts, nullptr});
  EXPECT_EQ(chain.found, 160);
  const Outcome empty = ExpectSameWithHelpers({tmp / "nothing", "", &mounts, nullptr});
  EXPECT_EQ(empty.found, 0);
  EXPECT_EQ(empty.dirs.size(), 1u);
  const Outcome missing = ExpectSameWithHelpers({tmp / "missing", "", &mounts, nullptr});
  EXPECT_TRUE(missing.dirs.empty());
}

std::vector<Entry> Subdirectories(int count, const std::string& prefix = "d") {
  std::vector<Entry> entries;
  for (int i = 0; i < count; ++i) entries.push_back({prefix + std::to_string(i), true});
  return entries;
}

TEST_F(TreeScannerHelpers, WideLevelsOfManyDirectoriesComeOutTheSameOnEveryThreadCount) {
  FakeDirectoryReader reader;
  reader.concurrent = true;
  const ScanSetup setup{"/r", "", nullptr, &reader};
  // 200 directories of 163 each: more directories than 16 bits number, met while other directories
  // of the same level are being listed, and the walk's list grows under the listers.
  reader.Add("/r", Subdirectories(200, "p"));
  for (int i = 0; i < 200; ++i) {
    reader.Add("/r/p" + std::to_string(i), Subdirectories(163));
    for (int j = 0; j < 163; ++j)
      reader.Add("/r/p" + std::to_string(i) + "/d" + std::to_string(j), {{"f", false, 1}});
  }
  const Outcome wide = ExpectSameWithHelpers(setup);
  EXPECT_EQ(wide.dirs.size(), 1u + 200 + 200 * 163);
  EXPECT_EQ(wide.found, 200 + 2 * 200 * 163);
  EXPECT_TRUE(wide.refusal.empty());
  EXPECT_EQ(reader.held, 0);
}

TEST_F(TreeScannerHelpers, UnreadableDirectoriesAndOtherFileSystemsCountTheSameOnEveryThreadCount) {
  // 3000 directories, each below a random earlier one; some cannot be opened, some cannot be
  // listed, some are on another file system (with what is below them).
  std::map<std::string, std::vector<Entry>> tree{{"/r", {}}};
  std::vector<std::string> paths{"/r"};
  std::set<std::string> unopenable;
  std::set<std::string> unlistable;
  std::set<std::string> elsewhere;
  uint32_t seed = 5;
  for (int i = 0; i < 3000; ++i) {
    seed = seed * 1103515245u + 12345u;
    const std::string parent = paths[(seed >> 8) % paths.size()];
    const std::string name = "d" + std::to_string(i);
    const std::string path = parent + "/" + name;
    const uint32_t kind = (seed >> 16) % 40;
    const bool far = kind == 3 || elsewhere.count(parent) != 0;
    tree[parent].push_back({name, true, 0, i, far ? uint64_t{2} : uint64_t{1}});
    tree[parent].push_back({name + ".txt", false, i, i});
    paths.push_back(path);
    if (far) elsewhere.insert(path);
    if (kind == 1) unopenable.insert(path);
    if (kind == 2) unlistable.insert(path);
    tree[path];
  }
  FakeDirectoryReader reader;
  reader.concurrent = true;
  for (auto& [path, entries] : tree) {
    if (unopenable.count(path) != 0) continue;
    if (unlistable.count(path) != 0) {
      reader.AddUnlistable(path);
    } else {
      reader.Add(path, entries, elsewhere.count(path) != 0 ? 2 : 1);
    }
  }
  const Outcome o = ExpectSameWithHelpers({"/r", "", nullptr, &reader});
  EXPECT_GT(o.dirs.size(), 1000u);
  EXPECT_GT(o.unreadable, 20);
  EXPECT_EQ(o.unreadablePaths.size(), UnreadableDirectories::kKeptPaths);
  EXPECT_EQ(reader.held, 0);
  const Outcome ignoring = ExpectSameWithHelpers({"/r", "\\d1* *5.txt", nullptr, &reader});
  EXPECT_LT(ignoring.dirs.size(), o.dirs.size());
}

TEST_F(TreeScannerHelpers, ACancelInTheMiddleStoresNothingAndClosesEverything) {
  const TempDir& tmp = *tree_;
  const MountTable mounts = MountedAt(tmp.Path());
  PosixDirectoryReader reader;
  const int descriptors = OpenDescriptors();
  for (const int64_t cancelAt : {int64_t{1}, int64_t{300}, int64_t{3000}, int64_t{5000}}) {
    SCOPED_TRACE(cancelAt);
    Catalog catalog;
    TreeScanner scanner(catalog, reader, mounts);
    std::atomic<bool> cancel{false};
    scanner.SetCancelFlag(&cancel);
    int reportsAfterCancel = 0;
    scanner.SetProgressCallback(
        [&](const ScanProgress& p) {
          if (cancel) ++reportsAfterCancel;
          if (p.entries >= cancelAt) cancel = true;
        },
        std::chrono::milliseconds(0));
    EXPECT_EQ(scanner.Scan(tmp.Path(), ""), 0);
    EXPECT_TRUE(scanner.Cancelled());
    EXPECT_EQ(catalog.files.Size(), 0);
    EXPECT_EQ(catalog.dirs.Size(), 0);
    EXPECT_EQ(scanner.Unreadable().count, 0);
    EXPECT_EQ(reportsAfterCancel, 0);  // the walk stopped before the next report was due
    EXPECT_EQ(OpenDescriptors(), descriptors);
  }
}

TEST_F(TreeScannerHelpers, ACancelFromAnotherThreadEndsEitherWayCleanly) {
  const TempDir& tmp = *tree_;
  const MountTable mounts = MountedAt(tmp.Path());
  PosixDirectoryReader reader;
  Catalog reference;
  const int32_t expected = TreeScanner(reference, reader, mounts).Scan(tmp.Path(), "");
  const int descriptors = OpenDescriptors();
  // The cancel lands wherever the scan happens to be: before it, among the listings, in the
  // totals, or after the end.
  for (int round = 0; round < 20; ++round) {
    Catalog catalog;
    TreeScanner scanner(catalog, reader, mounts);
    std::atomic<bool> cancel{false};
    scanner.SetCancelFlag(&cancel);
    std::thread canceller([&cancel, round] {
      for (int i = 0; i < round * round * 50; ++i) std::this_thread::yield();
      cancel = true;
    });
    const int32_t found = scanner.Scan(tmp.Path(), "");
    canceller.join();
    if (scanner.Cancelled()) {
      EXPECT_EQ(found, 0);
      EXPECT_EQ(catalog.files.Size(), 0);
      EXPECT_EQ(catalog.dirs.Size(), 0);
    } else {
      EXPECT_EQ(found, expected);
      EXPECT_EQ(catalog.dirs.Size(), reference.dirs.Size());
    }
    EXPECT_EQ(OpenDescriptors(), descriptors);
  }
}

}  // namespace
}  // namespace mardo
