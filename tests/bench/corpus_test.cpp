#include "bench/corpus.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/mount_table.h"
#include "scan/tree_scanner.h"

namespace mardo::bench {
namespace {

TEST(BenchCorpus, ContentsLinesGiveTheirPaths) {
  EXPECT_EQ(ContentsPath("usr/bin/ls                                   utils/coreutils"), "usr/bin/ls");
  EXPECT_EQ(ContentsPath("usr/share/doc/a b/c.txt\tdoc/x,libs/y\r"), "usr/share/doc/a b/c.txt");
  EXPECT_EQ(ContentsPath("lonely"), "");
  EXPECT_EQ(ContentsPath(""), "");
}

TEST(BenchCorpus, TheSameSeedGivesTheSameCorpus) {
  const std::vector<std::string> paths{"/a/b", "a/c", "", "d"};
  const auto one = MakeCorpus(paths, 42);
  const auto two = MakeCorpus(paths, 42);
  ASSERT_EQ(one.size(), 3u);
  for (size_t i = 0; i < one.size(); ++i) {
    EXPECT_EQ(one[i].path, two[i].path);
    EXPECT_EQ(one[i].size, two[i].size);
    EXPECT_EQ(one[i].time, two[i].time);
    EXPECT_GE(one[i].size, 0);
    EXPECT_GE(one[i].time, 1104537600);
  }
  EXPECT_EQ(one[0].path, "a/b");
  EXPECT_NE(MakeCorpus(paths, 43)[0].size, one[0].size);
}

std::vector<CorpusFile> Files(const std::vector<std::string>& paths) {
  std::vector<CorpusFile> files;
  for (const std::string& p : paths) files.push_back({p, 10, 1200000000});
  return files;
}

TEST(BenchCorpus, VolumesStayWithinTheDirectoryLimit) {
  std::vector<std::string> paths;
  for (int d = 0; d < 50; ++d) {
    for (int f = 0; f < 4; ++f) paths.push_back("top/d" + std::to_string(d) + "/f" + std::to_string(f));
  }
  const auto files = Files(paths);
  const std::vector<size_t> starts = SplitVolumes(files, 2, 10);  // at most 9 directories and the root
  ASSERT_GT(starts.size(), 2u);
  EXPECT_EQ(starts[0], 0u);
  for (size_t v = 0; v < starts.size(); ++v) {
    std::set<std::string> dirs;
    const size_t end = v + 1 < starts.size() ? starts[v + 1] : files.size();
    for (size_t i = starts[v]; i < end; ++i) {
      dirs.insert("top");
      dirs.insert(files[i].path.substr(0, files[i].path.rfind('/')));
    }
    EXPECT_LE(dirs.size() + 1, 10u) << v;
  }
  const auto [first, last] = TreeSlice(files, 5, 10);
  EXPECT_EQ(last - first, 5u);
  // Without a directory limit: exactly the volumes asked for, the rest of the files in the last.
  EXPECT_EQ(SplitVolumes(files, 8, SIZE_MAX).size(), 8u);
  EXPECT_EQ(SplitVolumes(Files({"a", "b", "c"}), 8, SIZE_MAX).size(), 3u);
}

TEST(BenchCorpus, AMemoryTreeScansLikeADisk) {
  const auto files = Files({"a/x.txt", "a/b/y.txt", "A.txt", "a/b/z.txt", "c"});
  MemoryTree tree("/vol", files, 0, files.size());
  EXPECT_EQ(tree.DirectoryCount(), 3u);  // the root, a, a/b
  const MountTable mounts = MountTable::Parse("1 0 8:1 / /vol rw - ext4 /dev/sdz1 rw\n");
  Catalog catalog;
  TreeScanner scanner(catalog, tree, mounts);
  ASSERT_EQ(scanner.Scan("/vol", ""), 7);
  std::vector<std::string> names;
  for (const FileRecord* r : catalog.files) names.emplace_back(r->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"a", "A.txt", "c", "b", "x.txt", "y.txt", "z.txt"}));
  EXPECT_EQ(catalog.dirs[2]->Path(), "\\a\\b");
  EXPECT_EQ(catalog.dirs[0]->fileCount, 5);
}

}  // namespace
}  // namespace mardo::bench
