#include "store/catalog_library.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <type_traits>
#include <vector>

#include "store/store_texts.h"
#include "support/catalog_bytes.h"
#include "support/dead_writer.h"
#include "support/scripted_prompts.h"
#include "support/temp_tree.h"

namespace mardo {
namespace {

using test::TempDir;
using Args = std::vector<std::string>;

// A catalog file with one directory and `files` entries.
void WriteCatalog(const std::string& path, const std::string& label, const std::string& name = "",
                  uint32_t serial = 0, int files = 1) {
  Catalog catalog;
  catalog.filePath = path;
  catalog.volumeLabel = label;
  catalog.catalogName = name;
  catalog.serialNumber = serial;
  catalog.AddDirectory("");
  for (int i = 0; i < files; ++i) catalog.AddFile("f" + std::to_string(i), 0, i, 0);
  ASSERT_TRUE(catalog.Write());
}

std::vector<std::string> Labels(const CatalogLibrary& library) {
  std::vector<std::string> labels;
  for (const Catalog* c : library.Catalogs()) labels.push_back(c->volumeLabel);
  return labels;
}

std::unique_ptr<Catalog> Pending(const std::string& label, const std::string& name = "",
                                 uint32_t serial = 0) {
  auto c = std::make_unique<Catalog>();
  c->volumeLabel = label;
  c->catalogName = name;
  c->serialNumber = serial;
  c->AddDirectory("");
  c->AddFile("x", 0, 1, 0);
  return c;
}

void Add(CatalogLibrary& library, std::unique_ptr<Catalog> catalog) {
  library.AddCatalog(catalog);
}

TEST(CatalogLibraryOptions, StartDirectoryAndDirOption) {
  const CatalogLibrary plain({}, "/work/");
  EXPECT_EQ(plain.CatalogDirectories(), (Args{"/work"}));
  EXPECT_EQ(CatalogLibrary({}, "/").CatalogDirectories(), (Args{""}));

  const CatalogLibrary dirs({"-dir", "/cat,old, x"}, "/work");
  EXPECT_EQ(dirs.CatalogDirectories(), (Args{"/work", "/cat", "/work/old", "/work/ x"}));
  EXPECT_EQ(CatalogLibrary({"-DIR", "a"}, "/s").CatalogDirectories(), (Args{"/s", "/s/a"}));
  EXPECT_EQ(CatalogLibrary({"/dir", "a"}, "/s").CatalogDirectories(), (Args{"/s", "/s/a"}));
  EXPECT_EQ(CatalogLibrary({"-dir"}, "/s").CatalogDirectories(), (Args{"/s"}));
  EXPECT_EQ(CatalogLibrary({"-dir", "a,,b"}, "/s").CatalogDirectories(), (Args{"/s", "/s/a", "/s/", "/s/b"}));
  EXPECT_EQ(CatalogLibrary({"-dir", "\"a,b\""}, "/s").CatalogDirectories(), (Args{"/s", "/s/a", "/s/b"}));
  EXPECT_EQ(CatalogLibrary({"-dir", "D:\\cat,\\x"}, "/s").CatalogDirectories(),
            (Args{"/s", "D:\\cat", "/s/\\x"}));
  EXPECT_EQ(CatalogLibrary({"--dir", "a"}, "/s").CatalogDirectories(), (Args{"/s"}));
}

TEST(CatalogLibraryOptions, TheValueOfDirIsNeverTakenForAnOption) {
  EXPECT_FALSE(CatalogLibrary({"-dir", "/dd"}, "/s").Options().expertMode);
  EXPECT_EQ(CatalogLibrary({"-dir", "/dd"}, "/s").CatalogDirectories(), (Args{"/s", "/dd"}));
  EXPECT_FALSE(CatalogLibrary({"-dir", "-dd"}, "/s").Options().expertMode);
  EXPECT_TRUE(CatalogLibrary({"x", "/Dd", "-dir", "a", "-dd", "b"}, "/s").Options().expertMode);
  EXPECT_EQ(CatalogLibrary({"-dd", "-dir", "a"}, "/s").CatalogDirectories(), (Args{"/s", "/s/a"}));
}

TEST(CatalogLibraryLoading, LoadsEveryCatalogInAFixedOrder) {
  TempDir tmp;
  tmp.MakeDir("start");
  tmp.MakeDir("other");
  WriteCatalog(tmp / "start/b.mvl", "B", "", 0, 2);
  WriteCatalog(tmp / "start/a.MVL", "A", "", 0, 3);
  WriteCatalog(tmp / "start/C.mvl", "C");
  WriteCatalog(tmp / "other/z.mvl", "Z");
  tmp.MakeFile("start/broken.mvl", 0, -1, "not a catalog");
  tmp.MakeFile("start/notes.txt", 0, -1, "x");
  tmp.MakeDir("start/dir.mvl");
  tmp.MakeSymlink("start/link.mvl", "b.mvl");

  CatalogLibrary library({"-dir", (tmp / "other") + ",missing"}, tmp / "start");
  const std::vector<CatalogLibrary::SkippedFile> skipped = library.LoadAll();
  EXPECT_EQ(Labels(library), (Args{"C", "A", "B", "B", "Z"}));  // byte order: 'C' < 'a' < 'b' < 'l'
  ASSERT_EQ(skipped.size(), 1u);  // the file that is not a catalog, named for the front ends
  EXPECT_EQ(skipped[0].path, tmp / "start/broken.mvl");
  EXPECT_EQ(skipped[0].reason, "not a catalog file");
  EXPECT_EQ(library.CatalogCount(), 5);
  EXPECT_EQ(library.RecordCount(), 1 + 3 + 2 + 2 + 1);
  EXPECT_EQ(library.Catalogs()[1]->filePath, tmp / "start/a.MVL");
  EXPECT_EQ(library.Catalogs()[1]->DisplayName(), "A");

  CatalogLibrary twice({"-dir", tmp / "start"}, tmp / "start");  // the same directory twice
  twice.LoadAll();
  EXPECT_EQ(twice.CatalogCount(), 8);
  EXPECT_EQ(twice.RecordCount(), 16);
}

TEST(CatalogLibraryNaming, FileNamesComeFromTheDisplayName) {
  TempDir tmp;
  const CatalogLibrary library({}, tmp.Path());
  EXPECT_EQ(library.MakeFileName("My CD [1]"), tmp / "My-CD--1-.mvl");
  tmp.MakeFile("My-CD--1-.mvl");
  EXPECT_EQ(library.MakeFileName("My CD [1]"), tmp / "My-CD--1-1.mvl");
  tmp.MakeFile("My-CD--1-1.mvl");
  EXPECT_EQ(library.MakeFileName("My CD [1]"), tmp / "My-CD--1-2.mvl");
  EXPECT_EQ(library.MakeFileName("Photos 2000/Backup disk"), tmp / "Photos-2000-Back.mvl");
  EXPECT_EQ(library.MakeFileName("$a_b.c:d\\e"), tmp / "$a_b-c-d-e.mvl");
  // Letters and digits of any script stay, one '-' stands for each other character; 16 characters.
  EXPECT_EQ(library.MakeFileName("\xC3\xA9t\xC3\xA9"), tmp / "\xC3\xA9t\xC3\xA9.mvl");
  EXPECT_EQ(library.MakeFileName("Fotos M\xC3\xBCller"), tmp / "Fotos-M\xC3\xBCller.mvl");
  EXPECT_EQ(library.MakeFileName("\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0 \xE2\x80\x93 "
                                 "\xE6\x9D\xB1\xE4\xBA\xAC\xE2\x80\xA6"),
            tmp / "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0---\xE6\x9D\xB1\xE4\xBA\xAC-.mvl");
  EXPECT_EQ(library.MakeFileName("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
                                 "abcdefgh!"),
            tmp / ("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
                   "abcdefgh.mvl"));
  EXPECT_EQ(library.MakeFileName("a\xFF\xC3"), tmp / "a--.mvl");  // bytes that are no UTF-8
  EXPECT_EQ(library.MakeFileName("\xC2\xA0\xF0\x9F\x93\xB7"
                                 "x"),
            tmp / "--x.mvl");  // a space, a pictograph
  EXPECT_EQ(library.MakeFileName(""), tmp / ".mvl");
  tmp.MakeFile(".mvl");
  EXPECT_EQ(library.MakeFileName(""), tmp / "1.mvl");
  EXPECT_EQ(library.MakeFileName("my-cd--1-"), tmp / "my-cd--1-.mvl");  // the exact name counts
}

TEST(CatalogLibraryAdding, WritesTheCatalogAndHandsBackAnEmptyOne) {
  TempDir tmp;
  CatalogLibrary library({}, tmp.Path());
  auto pending = Pending("VOL", "Holiday", 9);
  const Catalog* added = pending.get();
  EXPECT_TRUE(library.AddCatalog(pending));
  EXPECT_NE(pending.get(), added);
  EXPECT_EQ(pending->files.Size(), 0);
  EXPECT_EQ(added->filePath, tmp / "Holiday.mvl");
  EXPECT_TRUE(std::filesystem::exists(added->filePath));
  EXPECT_EQ(library.CatalogCount(), 1);
  EXPECT_EQ(library.RecordCount(), 1);

  // A catalog that could not be written does not join: the library is as it was, the caller
  // keeps the catalog and learns why.
  auto lost = Pending("LOST");
  const Catalog* kept = lost.get();
  lost->filePath = tmp / "no-such-dir/lost.mvl";
  std::string error;
  EXPECT_FALSE(library.AddCatalog(lost, &error));
  EXPECT_EQ(error, "No such file or directory");
  EXPECT_EQ(lost.get(), kept);
  EXPECT_EQ(library.CatalogCount(), 1);
  EXPECT_EQ(library.RecordCount(), 1);
  EXPECT_EQ(Labels(library), (Args{"VOL"}));
}

TEST(CatalogLibraryMatching, SameVolumeSameNameAndNeither) {
  TempDir tmp;
  CatalogLibrary library({}, tmp.Path());
  Add(library, Pending("", "", 0));
  Add(library, Pending("CD", "Music", 7));
  Add(library, Pending("CD", "", 8));
  Add(library, Pending("X", "Photos", 1));
  EXPECT_EQ(library.FindSameVolume(*Pending("", "", 0)), 0);  // empty label and serial 0: no identity
  EXPECT_EQ(library.FindSameVolume(*Pending("", "Other", 0)), 0);
  EXPECT_EQ(library.FindSameVolume(*Pending("CD", "Music", 7)), 3);
  EXPECT_EQ(library.CurrentIndex(), 1);
  EXPECT_EQ(library.FindSameVolume(*Pending("CD", "", 8)), 1);
  EXPECT_EQ(library.CurrentIndex(), 2);
  EXPECT_EQ(library.FindSameVolume(*Pending("Y", "Photos", 2)), 2);
  EXPECT_EQ(library.CurrentIndex(), 3);
  EXPECT_EQ(library.FindSameVolume(*Pending("cd", "music", 7)), 0);  // case counts
  EXPECT_EQ(library.CurrentIndex(), 3);
  EXPECT_EQ(library.CurrentCatalog()->catalogName, "Photos");

  EXPECT_EQ(library.NameForVolume("CD", 7), "Music");
  EXPECT_EQ(library.NameForVolume("CD", 8), "CD");
  EXPECT_EQ(library.NameForVolume("", 0), "");  // the first catalog: empty label, no name
  EXPECT_EQ(library.NameForVolume("CD", 9), "");
}

std::vector<std::string> CatalogFileNames(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() == ".mvl") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(CatalogLibraryWriting, ACatalogOfTheSameVolumeWrittenMeanwhileIsReplacedNotJoined) {
  TempDir tmp;
  CatalogLibrary first({}, tmp.Path());
  CatalogLibrary second({}, tmp.Path());
  first.LoadAll();
  second.LoadAll();  // both found nothing, so neither asked about replacing
  Add(first, Pending("DOC", "", 7));
  std::unique_ptr<Catalog> again = Pending("DOC", "", 7);
  again->AddFile("y", 0, 2, 0);
  EXPECT_TRUE(second.AddCatalog(again));
  EXPECT_EQ(CatalogFileNames(tmp.Path()), (Args{"DOC.mvl"}));
  EXPECT_EQ(second.Catalogs()[0]->filePath, tmp / "DOC.mvl");
  Catalog stored;
  stored.filePath = tmp / "DOC.mvl";
  ASSERT_TRUE(stored.Read());
  EXPECT_EQ(stored.FileCount(), 2);  // the second scan
  // Another volume, or the same name alone, gets a file of its own.
  std::unique_ptr<Catalog> other = Pending("DOC", "", 8);
  EXPECT_TRUE(second.AddCatalog(other));
  EXPECT_EQ(CatalogFileNames(tmp.Path()), (Args{"DOC.mvl", "DOC1.mvl"}));
}

TEST(CatalogLibraryWriting, WritersAtOnceLeaveOneCatalogOfAVolume) {
  TempDir tmp;
  constexpr int kWriters = 4;
  int ready[2];
  int go[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(go), 0);
  std::vector<pid_t> writers;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      CatalogLibrary library({}, tmp.Path());
      library.LoadAll();
      std::unique_ptr<Catalog> pending = Pending("[\\share\\doc]", "DOC", 7);
      char c = 'r';
      const bool synced = ::write(ready[1], &c, 1) == 1 && ::read(go[0], &c, 1) == 1;
      ::_exit(synced && library.AddCatalog(pending) ? 0 : 1);
    }
    writers.push_back(pid);
  }
  char c = 0;
  for (int w = 0; w < kWriters; ++w) ASSERT_EQ(::read(ready[0], &c, 1), 1);
  const std::string start(kWriters, 'g');
  ASSERT_EQ(::write(go[1], start.data(), start.size()), static_cast<ssize_t>(start.size()));
  for (const pid_t pid : writers) {
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_EQ(status, 0);
  }
  for (int fd : {ready[0], ready[1], go[0], go[1]}) ::close(fd);
  EXPECT_EQ(CatalogFileNames(tmp.Path()), (Args{"DOC.mvl"}));
}

TEST(CatalogLibraryWriting, LeftoversOfCrashedWritersGoWhenTheDirectoryIsWrittenNext) {
  TempDir tmp;
  const std::string leftover = test::LeaveDeadReplacement(tmp / "A.mvl");
  ASSERT_FALSE(leftover.empty());
  CatalogLibrary library({}, tmp.Path());
  Add(library, Pending("B"));
  EXPECT_FALSE(std::filesystem::exists(tmp / leftover));
  EXPECT_TRUE(std::filesystem::exists(tmp / "B.mvl"));
}

TEST(CatalogLibraryDeleting, DeletesFileAndCatalogTogether) {
  TempDir tmp;
  CatalogLibrary library({}, tmp.Path());
  for (const char* label : {"A", "B", "C"}) Add(library, Pending(label));
  const Catalog* b = library.Catalogs()[1];
  const std::string bPath = b->filePath;
  EXPECT_TRUE(library.DeleteCatalog(b));
  EXPECT_FALSE(std::filesystem::exists(bPath));
  EXPECT_EQ(Labels(library), (Args{"A", "C"}));
  EXPECT_EQ(library.CatalogCount(), 2);
  EXPECT_EQ(library.RecordCount(), 2);

  Catalog stranger;
  EXPECT_FALSE(library.DeleteCatalog(&stranger));
  EXPECT_EQ(library.CatalogCount(), 2);

  // A file that is already gone: the catalog goes too.
  std::filesystem::remove(library.Catalogs()[0]->filePath);
  EXPECT_TRUE(library.DeleteCatalog(library.Catalogs()[0]));
  EXPECT_EQ(Labels(library), (Args{"C"}));

  // A file that cannot be deleted keeps its catalog.
  const std::string cPath = library.Catalogs()[0]->filePath;
  std::filesystem::remove(cPath);
  std::filesystem::create_directory(cPath);
  EXPECT_FALSE(library.DeleteCatalog(library.Catalogs()[0]));
  EXPECT_EQ(library.CatalogCount(), 1);
  EXPECT_EQ(library.FindSameVolume(*Pending("C")), 1);
  std::filesystem::remove(cPath);
  EXPECT_TRUE(library.DeleteCatalog());  // the current catalog
  EXPECT_EQ(library.CatalogCount(), 0);
  EXPECT_EQ(library.RecordCount(), 0);
  EXPECT_FALSE(library.DeleteCatalog());
}

// Keeps references to records as a list would, and checks them when told they go: under
// AddressSanitizer, a notice that came after the destruction would read freed memory.
class RowKeeper final : public CatalogObserver {
 public:
  std::vector<const FileRecord*> rows;
  std::vector<std::string> log;

  void CatalogRemoving(const Catalog& catalog) override {
    log.push_back("catalog " + catalog.volumeLabel + " " + std::to_string(catalog.files.Size()));
    std::erase_if(rows, [&](const FileRecord* r) {
      log.push_back("drop " + std::string(r->Name()));  // reads the record
      return r->OwningCatalog() == &catalog;
    });
  }
  void RecordsRemoving(const Catalog& catalog, std::span<const FileRecord* const> records) override {
    log.push_back("records " + catalog.volumeLabel + " " + std::to_string(records.size()));
    std::erase_if(rows, [&](const FileRecord* r) {
      return std::find(records.begin(), records.end(), r) != records.end() && !r->Name().empty();
    });
  }
};

// Whether records of a catalog can be removed by whoever holds it.
template <class C>
concept RemovesFiles = requires(C& catalog, std::span<const FileRecord* const> records) {
  catalog.RemoveFiles(records);
};

TEST(CatalogLibraryObservers, NothingButTheLibraryCanRemoveRecords) {
  // Catalogs come out of the library, and out of their records, read-only; and the catalog's own
  // removal is the library's alone, so that no removal passes the observers by.
  static_assert(!RemovesFiles<Catalog>);
  static_assert(std::is_same_v<decltype(std::declval<CatalogLibrary&>().Catalogs()[0]), const Catalog*>);
  static_assert(std::is_same_v<decltype(std::declval<CatalogLibrary&>().CurrentCatalog()), const Catalog*>);
  static_assert(std::is_same_v<decltype(std::declval<const FileRecord&>().OwningCatalog()), const Catalog*>);
  SUCCEED();
}

TEST(CatalogLibraryObservers, RowsAreDroppedBeforeTheirRecordsGo) {
  TempDir tmp;
  WriteCatalog(tmp / "a.mvl", "A", "", 0, 3);
  WriteCatalog(tmp / "b.mvl", "B", "", 0, 2);
  CatalogLibrary library({}, tmp.Path());
  library.LoadAll();
  RowKeeper keeper;
  library.AddObserver(&keeper);
  library.AddObserver(&keeper);  // once only
  for (const Catalog* c : library.Catalogs())
    for (const FileRecord* r : c->files) keeper.rows.push_back(r);

  const Catalog* a = library.Catalogs()[0];
  const std::vector<const FileRecord*> doomed = {a->files[0], a->files[2]};
  EXPECT_EQ(library.RemoveRecords(*a, doomed), 2);
  EXPECT_EQ(library.RecordCount(), 3);
  EXPECT_EQ(keeper.rows.size(), 3u);
  EXPECT_EQ(a->files.Size(), 1);
  EXPECT_EQ(a->files[0]->Name(), "f1");

  EXPECT_TRUE(library.DeleteCatalog(a));
  EXPECT_EQ(keeper.rows.size(), 2u);
  EXPECT_TRUE(library.RemoveCatalog(library.Catalogs()[0]));
  EXPECT_TRUE(keeper.rows.empty());
  EXPECT_EQ(keeper.log, (Args{"records A 2", "catalog A 1", "drop f1", "drop f0", "drop f1", "catalog B 2",
                              "drop f0", "drop f1"}));

  library.RemoveObserver(&keeper);
  WriteCatalog(tmp / "c.mvl", "C");
  CatalogLibrary other({}, tmp.Path());
  other.LoadAll();
  EXPECT_TRUE(other.DeleteCatalog(other.Catalogs()[0]));  // nobody to tell
}

TEST(CatalogLibraryDeleting, SelectedCatalogsGoOnlyAfterYesToAQuestionThatNamesThem) {
  TempDir tmp;
  for (const char* label : {"A", "B", "C", "D"}) WriteCatalog(tmp / (std::string(label) + ".mvl"), label);
  CatalogLibrary library({}, tmp.Path());
  library.LoadAll();
  const auto& all = library.Catalogs();
  std::vector<const Catalog*> selected = {all[0], all[2], all[3]};
  test::ScriptedPrompts prompts;

  // No: nothing changes. The question names the catalogs and their files, and defaults to No.
  EXPECT_FALSE(DeleteSelectedCatalogs(library, prompts, selected).confirmed);
  EXPECT_EQ(library.CatalogCount(), 4);
  EXPECT_EQ(prompts.log, (Args{"?Mardo|Really want to delete ?"}));
  EXPECT_EQ(prompts.details, (Args{"A (" + tmp / "A.mvl" + ")\nC (" + tmp / "C.mvl" + ")\nD (" +
                                   tmp / "D.mvl" + ") [default No]"}));

  // A file that cannot be deleted keeps its catalog, and says why.
  const std::string dPath = all[3]->filePath;
  std::filesystem::remove(dPath);
  std::filesystem::create_directory(dPath);
  std::filesystem::create_directory(dPath + "/inside");
  prompts.answers = {true};
  const DeleteCatalogsResult result = DeleteSelectedCatalogs(library, prompts, selected);
  EXPECT_EQ(result.deleted, 2);
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].rfind("The catalog file '" + dPath + "' could not be deleted: ", 0), 0u);
  EXPECT_EQ(Labels(library), (Args{"B", "D"}));
  EXPECT_EQ(library.CatalogCount(), 2);
}

}  // namespace
}  // namespace mardo
