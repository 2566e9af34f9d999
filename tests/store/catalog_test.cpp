#include "store/catalog.h"

#include "store/catalog_library.h"

#include <gtest/gtest.h>

#include "base/text_compare.h"

namespace mardo {
namespace {

TEST(Catalog, StartsEmptyWithUnknownFreeSpaceAndVersion3) {
  Catalog catalog;
  EXPECT_EQ(catalog.formatVersion, 3);
  EXPECT_EQ(catalog.freeSpace, -1.0f);
  EXPECT_EQ(catalog.serialNumber, 0u);
  EXPECT_FALSE(catalog.selected);
  EXPECT_EQ(catalog.dirs.GrowBy(), 128);
  EXPECT_EQ(catalog.files.GrowBy(), 1024);
  EXPECT_EQ(catalog.DisplayName(), "");
}

TEST(Catalog, DisplayNameIsTheNameElseTheLabelAsOfTheLastUpdate) {
  Catalog catalog;
  catalog.volumeLabel = "CD1";
  catalog.UpdateDisplayName();
  EXPECT_EQ(catalog.DisplayName(), "CD1");
  catalog.catalogName = "Holiday";
  EXPECT_EQ(catalog.DisplayName(), "CD1");  // still the label until the next update
  catalog.UpdateDisplayName();
  EXPECT_EQ(catalog.DisplayName(), "Holiday");
  catalog.catalogName = "Trip";
  EXPECT_EQ(catalog.DisplayName(), "Trip");  // it refers to the field, not to a copy
}

TEST(Catalog, RecordsKeepTheirNamesAndOwner) {
  Catalog catalog;
  catalog.AddDirectory("");
  catalog.AddDirectory("\\Sub", 1, 5.0);
  const std::string odd("new\nline\\back\xFF", 15);
  const FileRecord* file = catalog.AddFile(odd, 7, 10, 0);
  const FileRecord* dir = catalog.AddFile("Sub", 8, -1, 0);
  const FileRecord* empty = catalog.AddFile("zero", 9, 0, 1);
  for (int i = 0; i < 100000; ++i) catalog.AddFile("filler-name-" + std::to_string(i), 0, 1, 1);
  EXPECT_EQ(file->Name(), odd);
  EXPECT_EQ(file->Name().data()[file->Name().size()], '\0');
  EXPECT_EQ(file->OwningCatalog(), &catalog);
  EXPECT_TRUE(dir->IsDirectory());
  EXPECT_FALSE(empty->IsDirectory());  // a file of length 0 is a file
  EXPECT_EQ(catalog.DirectoryOf(*dir)->Path(), "\\Sub");
  EXPECT_EQ(catalog.DirectoryOf(*file), nullptr);
  EXPECT_EQ(catalog.ContainingDirectory(*empty)->Path(), "\\Sub");
  EXPECT_EQ(catalog.files.Last()->Name(), "filler-name-99999");
  EXPECT_EQ(catalog.FileCount(), 100003);

  const FileRecord* stray = catalog.AddFile("stray", 0, -40000, 99);  // from a damaged old file
  EXPECT_EQ(catalog.DirectoryOf(*stray), nullptr);
  EXPECT_EQ(catalog.ContainingDirectory(*stray), nullptr);

  catalog.ClearRecords();
  EXPECT_EQ(catalog.FileCount(), 0);
  EXPECT_EQ(catalog.dirs.Size(), 0);
  EXPECT_EQ(catalog.names.BytesUsed(), 0u);
}

TEST(TextCompare, FoldsAsciiOnlyAndComparesUnsigned) {
  EXPECT_EQ(CompareNoCase("abc", "ABC"), 0);
  EXPECT_EQ(CompareNoCase("_", "a"), -1);  // '_' sorts before letters
  EXPECT_EQ(CompareNoCase("Z", "_"), 1);   // ... also before folded upper case
  EXPECT_EQ(CompareNoCase("ab", "abc"), -1);
  EXPECT_EQ(CompareNoCase("\xC3\x89", "z"), 1);
  EXPECT_EQ(CompareNoCase("\xC3\x89", "\xC3\xA9"), -1);  // no folding beyond A-Z
  EXPECT_EQ(FoldAscii("MiXeD \xC3\x89"), "mixed \xC3\x89");
}

// A catalog as a scan leaves it: "" with "a" (holding "b") and "c"; the entries in breadth-first
// order, directory entries numbered -1, -2, -3.
void AddScannedTree(Catalog& catalog) {
  catalog.AddDirectory("");
  catalog.AddDirectory("\\a");
  catalog.AddDirectory("\\c");
  catalog.AddDirectory("\\a\\b");
  catalog.AddFile("a", 0, -1, 0);
  catalog.AddFile("c", 0, -2, 0);
  catalog.AddFile("x.txt", 0, 5, 0);
  catalog.AddFile("b", 0, -3, 1);
  catalog.AddFile("y.txt", 0, 7, 3);
}

TEST(Catalog, ScannedNumberingIsRecognisedAndNamesEachDirectorysEntry) {
  CatalogLibrary library({}, std::string("/"));
  auto owned = std::make_unique<Catalog>();
  Catalog& catalog = *owned;
  AddScannedTree(catalog);
  library.AdoptCatalog(std::move(owned));
  EXPECT_TRUE(catalog.KeepsDirectoryNumbering());
  EXPECT_EQ(catalog.EntryOfDirectory(0), nullptr);
  EXPECT_EQ(catalog.EntryOfDirectory(1)->Name(), "a");
  EXPECT_EQ(catalog.EntryOfDirectory(3)->Name(), "b");
  EXPECT_EQ(catalog.EntryOfDirectory(4), nullptr);

  // Removing files keeps the numbering; a directory entry out of order breaks it.
  const FileRecord* x = catalog.files[2];
  EXPECT_EQ(library.RemoveRecords(catalog, std::span<const FileRecord* const>(&x, 1)), 1);
  EXPECT_TRUE(catalog.KeepsDirectoryNumbering());
  catalog.files[0]->length = -2;
  catalog.files[1]->length = -1;
  catalog.AddFile("z", 0, 1, 0);  // any change makes the catalog look again
  EXPECT_FALSE(catalog.KeepsDirectoryNumbering());
  // Without the numbering, the entry of a directory is found by its length.
  EXPECT_EQ(catalog.EntryOfDirectory(2)->Name(), "a");
}

TEST(Catalog, NumberingNeedsOneEntryPerDirectoryInALowerDirectory) {
  Catalog missing;  // directory 3 has no entry
  missing.AddDirectory("");
  missing.AddDirectory("\\a");
  missing.AddFile("a", 0, -1, 0);
  missing.AddDirectory("\\b");
  EXPECT_FALSE(missing.KeepsDirectoryNumbering());

  Catalog upward;  // an entry lying in the directory it stands for
  upward.AddDirectory("");
  upward.AddDirectory("\\a");
  upward.AddFile("a", 0, -1, 1);
  EXPECT_FALSE(upward.KeepsDirectoryNumbering());

  Catalog empty;
  EXPECT_FALSE(empty.KeepsDirectoryNumbering());
  empty.AddDirectory("");
  EXPECT_TRUE(empty.KeepsDirectoryNumbering());
}

}  // namespace
}  // namespace mardo
