#include "search/copy_text.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/settings_values.h"
#include "store/catalog.h"
#include "support/temp_tree.h"

namespace mardo {
namespace {

constexpr int32_t kNewYear2000 = 946684800;  // 2000-01-01 00:00:00 UTC

std::string Spaces(size_t n) {
  return std::string(n, ' ');
}

// A catalog of the volume "VOL" at E:\ with \a.txt, \docs (1.5 MiB below it) and \docs\b.txt.
class CopyTextTest : public testing::Test {
 protected:
  void SetUp() override {
    test::SetTimeZone("UTC0");
    catalog_.volumeRoot = "E:\\";
    catalog_.volumeLabel = "VOL";
    catalog_.UpdateDisplayName();
    catalog_.AddDirectory("");
    catalog_.AddDirectory("\\docs", 1, 1572864.0);
    docs_ = catalog_.AddFile("docs", kNewYear2000, -1, 0);
    a_ = catalog_.AddFile("a.txt", kNewYear2000, 1234, 0);
    b_ = catalog_.AddFile("b.txt", kNewYear2000 + 3600, 1572864, 1);
  }

  Catalog catalog_;
  const FileRecord* docs_ = nullptr;
  const FileRecord* a_ = nullptr;
  const FileRecord* b_ = nullptr;
  DateFormats formats_{"%y-%m-%d", "%y-%m-%d %H:%M:%S", "%d.%m.%Y %H:%M:%S"};
};

TEST_F(CopyTextTest, FileRowIsPaddedTabSeparatedAndStartsAtTheCatalogPath) {
  EXPECT_EQ(CopyLine(*a_, "%y-%m-%d", "."),
            "/a.txt" + Spaces(26) + "\t     1234\t" + Spaces(9) + "00-01-01\tVOL");
  EXPECT_EQ(CopyLine(*b_, "%y-%m-%d %H:%M:%S", "."),
            "/docs/b.txt" + Spaces(21) + "\t  1572864\t00-01-01 01:00:00\tVOL");
}

TEST_F(CopyTextTest, LongTextsAreNotCut) {
  catalog_.AddDirectory("\\a-directory-name-of-more-than-32");
  const FileRecord* deep = catalog_.AddFile("x", kNewYear2000, 1234567890, 2);
  EXPECT_EQ(CopyLine(*deep, "%Y-%m-%d %H:%M:%S %A", ""),
            "/a-directory-name-of-more-than-32/x\t1234567890\t2000-01-01 00:00:00 Saturday\tVOL");
  const FileRecord* huge = catalog_.AddFile("disk.img", 2208988800, int64_t{5} << 30, 0);
  EXPECT_EQ(CopyLine(*huge, "%Y-%m-%d", ""),
            "/disk.img" + Spaces(23) + "\t5368709120\t" + Spaces(7) + "2040-01-01\tVOL");
}

TEST_F(CopyTextTest, DirectoryTotalInMebibytesWithTheUsersDecimalSeparator) {
  EXPECT_EQ(CopyLengthText(*docs_, "."), "1.500");
  EXPECT_EQ(CopyLengthText(*docs_, ""), "1.500");
  EXPECT_EQ(CopyLengthText(*docs_, ","), "1,500");
  EXPECT_EQ(CopyLengthText(*docs_, ",;"), "1,500");  // only the first character counts
  // A separator of more than one byte is one character, kept whole.
  EXPECT_EQ(CopyLengthText(*docs_, "\xD9\xAB!"),
            "1\xD9\xAB"
            "500");
  EXPECT_EQ(CopyLine(*docs_, "%y", ","), "/docs" + Spaces(27) + "\t1,500\t" + Spaces(15) + "00\tVOL");

  // A version-2 catalog keeps no directory totals.
  catalog_.formatVersion = 2;
  EXPECT_EQ(CopyLengthText(*docs_, ","), "Directory");
  // Nor does a directory entry whose number names no directory.
  catalog_.formatVersion = 3;
  const FileRecord* stray = catalog_.AddFile("stray", 0, -7, 0);
  EXPECT_EQ(CopyLengthText(*stray, "."), "Directory");
}

TEST_F(CopyTextTest, CatalogRowShowsFreeSpaceCountTimeSerialAndFile) {
  catalog_.filePath = "/home/ann/VOL.mvl";
  catalog_.serialNumber = 1234;
  catalog_.cataloguedTime = kNewYear2000;
  catalog_.freeSpace = -1.0f;
  EXPECT_EQ(CopyLine(catalog_, "%y-%m-%d %H:%M:%S"),
            "VOL" + Spaces(13) + "\t --N/A--\t       3\t00-01-01 00:00:00\t(     1234)\t/home/ann/VOL.mvl");
  catalog_.freeSpace = 12.5f;
  catalog_.serialNumber = 0xFFFFFFFFu;
  EXPECT_EQ(CopyLine(catalog_, "%y"), "VOL" + Spaces(13) + "\t  12.500\t       3\t" + Spaces(15) +
                                          "00\t(4294967295)\t/home/ann/VOL.mvl");
  catalog_.freeSpace = 0.0f;
  EXPECT_EQ(CopyLine(catalog_, "%y").substr(16, 10), "\t   0.000\t");
}

TEST_F(CopyTextTest, TabsAndLineBreaksInsideTextsDoNotBreakTheRow) {
  const FileRecord* odd = catalog_.AddFile("a\tb\nc\r", kNewYear2000, 1, 0);
  catalog_.catalogName = "my\tdisk";
  catalog_.UpdateDisplayName();
  EXPECT_EQ(CopyLine(*odd, "%y", "."), "/a?b?c?" + Spaces(25) + "\t        1\t" + Spaces(15) + "00\tmy?disk");
}

TEST_F(CopyTextTest, TimesAreLocal) {
  test::SetTimeZone("CET-1CEST,M3.5.0,M10.5.0/3");
  EXPECT_EQ(CopyLine(*a_, "%H:%M", "."), "/a.txt" + Spaces(26) + "\t     1234\t" + Spaces(12) + "01:00\tVOL");
}

TEST_F(CopyTextTest, EveryRowEndsWithCrLfAndTakesTheDateFormatOfItsTab) {
  const FileRecord* rows[] = {a_, nullptr, docs_};
  const std::string a = "/a.txt" + Spaces(26) + "\t     1234\t";
  const std::string docs = "/docs" + Spaces(27) + "\t1,500\t";
  EXPECT_EQ(BuildCopyText(FormTab::kSearch, rows, {}, formats_, ","),
            a + Spaces(9) + "00-01-01\tVOL\r\n" + docs + Spaces(9) + "00-01-01\tVOL\r\n");
  EXPECT_EQ(BuildCopyText(FormTab::kDirectory, rows, {}, formats_, ","),
            a + "00-01-01 00:00:00\tVOL\r\n" + docs + "00-01-01 00:00:00\tVOL\r\n");

  // The Catalog tab copies the catalog rows, in the catalog format.
  catalog_.cataloguedTime = kNewYear2000;
  Catalog other;
  other.volumeLabel = "OTHER";
  other.UpdateDisplayName();
  const Catalog* catalogs[] = {&catalog_, &other};
  const std::string text = BuildCopyText(FormTab::kCatalog, rows, catalogs, formats_, ",");
  EXPECT_EQ(text, CopyLine(catalog_, formats_.catalog) + "\r\n" + CopyLine(other, formats_.catalog) + "\r\n");
  EXPECT_NE(text.find("01.01.2000 00:00:00"), std::string::npos);

  EXPECT_EQ(BuildCopyText(FormTab::kSearch, {}, catalogs, formats_, ","), "");
}

}  // namespace
}  // namespace mardo
