#include "search/drop_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/entry_path.h"
#include "search/search_texts.h"
#include "store/catalog.h"

namespace mardo {
namespace {

using Paths = std::vector<std::string>;
using Bytes = std::vector<uint8_t>;

// A volume catalogued at `root`, with \a.txt, \docs, \docs\b.txt and \docs\sub.
struct Volume {
  explicit Volume(const std::string& root, int16_t version = 3) {
    catalog.volumeRoot = root;
    catalog.formatVersion = version;
    catalog.AddDirectory("");
    catalog.AddDirectory("\\docs");
    catalog.AddDirectory("\\docs\\sub");
    a = catalog.AddFile("a.txt", 0, 1, 0);
    docs = catalog.AddFile("docs", 0, -1, 0);
    b = catalog.AddFile("b.txt", 0, 2, 1);
    sub = catalog.AddFile("sub", 0, -2, 1);
  }
  Catalog catalog;
  const FileRecord* a;
  const FileRecord* docs;
  const FileRecord* b;
  const FileRecord* sub;
};

TEST(FilePaths, SelectedFilesInRowOrderWithoutDirectories) {
  const Volume usb("/media/no-such-usb/");
  const FileRecord* rows[] = {usb.b, usb.docs, nullptr, usb.a, usb.sub};
  const FilePaths paths = CollectFilePaths(rows);
  EXPECT_EQ(paths.paths, (Paths{"/media/no-such-usb/docs/b.txt", "/media/no-such-usb/a.txt"}));
  EXPECT_EQ(paths.files, (std::vector<const FileRecord*>{usb.b, usb.a}));
  EXPECT_TRUE(paths.leftOut.empty());

  const FileRecord* dirsOnly[] = {usb.docs, usb.sub};
  const FilePaths none = CollectFilePaths(dirsOnly);
  EXPECT_TRUE(none.paths.empty());
  EXPECT_TRUE(none.leftOut.empty());
}

TEST(FilePaths, FilesWithoutAPathHereAreLeftOutWithTheReason) {
  const Volume usb("/media/no-such-usb/");
  const Volume windows("E:\\");
  const Volume share("\\\\srv\\share\\");
  const Volume old("", 1);
  const FileRecord* rows[] = {windows.b, usb.a, share.a, old.b};
  const FilePaths paths = CollectFilePaths(rows);
  EXPECT_EQ(paths.paths, (Paths{"/media/no-such-usb/a.txt"}));
  ASSERT_EQ(paths.leftOut.size(), 3u);
  EXPECT_EQ(paths.leftOut[0].path, "E:\\docs\\b.txt");
  EXPECT_EQ(paths.leftOut[0].reason,
            "It was catalogued on another system (volume root E:\\) and cannot be reached from here.");
  EXPECT_EQ(paths.leftOut[1].path, "\\\\srv\\share\\a.txt");
  EXPECT_EQ(paths.leftOut[2].path, "\\docs\\b.txt");
  EXPECT_EQ(paths.leftOut[2].reason, texts::kOldCatalog);

  EXPECT_EQ(FileProblemsMessage(texts::kLeftOutOfDrag, paths.leftOut),
            std::string(texts::kLeftOutOfDrag) + "\nE:\\docs\\b.txt: " + paths.leftOut[0].reason +
                "\n\\\\srv\\share\\a.txt: " + paths.leftOut[1].reason +
                "\n\\docs\\b.txt: " + texts::kOldCatalog);
  EXPECT_EQ(FileProblemsMessage(texts::kLeftOutOfDrag, {}), "");
}

TEST(FilePaths, LongProblemListsEndWithTheCountOfTheOthers) {
  std::vector<FileProblem> problems;
  for (int i = 0; i < 25; ++i) problems.push_back({"/f" + std::to_string(i), "why"});
  const std::string message = FileProblemsMessage("Heading:", problems);
  EXPECT_EQ(message.find("Heading:\n/f0: why\n/f1: why"), 0u);
  EXPECT_NE(message.find("\n/f19: why\n... and 5 more"), std::string::npos);
  EXPECT_EQ(message.find("/f20"), std::string::npos);
}

TEST(FilePaths, NamesThatWouldLeadOutOfTheirDirectoryHaveNoPath) {
  Volume usb("/media/no-such-usb/");
  const FileRecord* up = usb.catalog.AddFile("..", 0, 1, 1);
  const FileRecord* here = usb.catalog.AddFile(".", 0, 1, 1);
  const FileRecord* slash = usb.catalog.AddFile("x/../../etc", 0, 1, 1);
  const FileRecord* nul = usb.catalog.AddFile(std::string_view("a\0b", 3), 0, 1, 1);
  const FileRecord* backslash = usb.catalog.AddFile("a\\b", 0, 1, 1);
  EXPECT_EQ(NativeEntryPath(*up), std::nullopt);
  EXPECT_EQ(NativeEntryPath(*here), std::nullopt);
  EXPECT_EQ(NativeEntryPath(*slash), std::nullopt);
  EXPECT_EQ(NativeEntryPath(*nul), std::nullopt);
  EXPECT_EQ(NativeEntryPath(*backslash), "/media/no-such-usb/docs/a\\b");  // a Linux name may hold one

  // A stored path with a ".." component, or a volume root with one.
  Volume crafted("/media/no-such-usb/");
  crafted.catalog.AddDirectory("\\..\\..\\etc");
  const FileRecord* passwd = crafted.catalog.AddFile("passwd", 0, 1, 3);
  EXPECT_FALSE(crafted.catalog.KeepsDirectoryNumbering());
  EXPECT_EQ(NativeEntryPath(*passwd), std::nullopt);
  Volume climbing("/media/../etc/");
  EXPECT_EQ(NativeEntryPath(*climbing.a), std::nullopt);
}

TEST(DropFiles, PathListHasAZeroAfterEachPath) {
  const Paths paths = {"/m/a.txt", "/m/b"};
  EXPECT_EQ(PathListLength(paths), 14u);
  EXPECT_EQ(BuildPathList(paths), std::string("/m/a.txt\0/m/b\0", 14));
  EXPECT_EQ(BuildPathList({}), "");
  EXPECT_EQ(PathListLength({}), 0u);
}

TEST(DropFiles, BlockIsHeaderThenListThenFourZeros) {
  const std::string list = BuildPathList(Paths{"/m/a.txt", "/m/b"});
  const Bytes block = MakeDropFiles(list);
  ASSERT_EQ(block.size(), list.size() + 24);
  Bytes expected = {20, 0, 0, 0,   // offset of the file list
                    0,  0, 0, 0,   // drop point x
                    0,  0, 0, 0,   // drop point y
                    0,  0, 0, 0,   // non-client flag
                    0,  0, 0, 0};  // wide-character flag
  for (char c : std::string("/m/a.txt\0/m/b\0", 14)) expected.push_back(static_cast<uint8_t>(c));
  expected.insert(expected.end(), {0, 0, 0, 0});
  EXPECT_EQ(block, expected);
}

TEST(DropFiles, DirectoriesOnlyGiveAnEmptyListOf24Bytes) {
  const Volume usb("/media/no-such-usb/");
  const FileRecord* rows[] = {usb.docs, usb.sub};
  const Bytes block = MakeDropFiles(BuildPathList(CollectFilePaths(rows).paths));
  Bytes expected(24, 0);
  expected[0] = 20;
  EXPECT_EQ(block, expected);
}

}  // namespace
}  // namespace mardo
