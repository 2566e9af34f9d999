#include "scan/add_workflow.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/volume_query.h"
#include "store/catalog_library.h"
#include "support/in_child.h"
#include "support/scripted_prompts.h"
#include "support/volume_fixture.h"

namespace mardo {
namespace {

// The Catalog tab as the workflow sees it, remembering what was done to it.
class FakeForm final : public CatalogForm {
 public:
  std::string root, label, ignore;
  std::string status;
  std::vector<std::string> histories;
  std::vector<std::string> rows;  // what happened to the catalog rows, in order
  int resultsCleared = 0;
  int progressCalls = 0;
  bool cancelOnProgress = false;
  std::atomic<bool> cancel{false};

  // Set: the root box cuts what it is given to this many bytes, as a box with a length limit does.
  size_t rootLimit = std::string::npos;

  std::string RootText() const override { return root; }
  void SetRootText(const std::string& text) override { root = text.substr(0, rootLimit); }
  std::string LabelText() const override { return label; }
  void SetLabelText(const std::string& text) override { label = text; }
  std::string IgnoreText() const override { return ignore; }
  void SetStatusMessage(const std::string& text) override { status = text; }
  void AddHistory(History history, const std::string& text) override {
    histories.push_back((history == History::kDirectories ? "dir:" : "ignore:") + text);
  }
  void RemoveCatalogRow(const Catalog* catalog) override {
    rows.push_back("remove " + catalog->DisplayName());
  }
  void AddCatalogRow(int32_t position, bool select) override {
    rows.push_back("add " + std::to_string(position) + (select ? " selected" : ""));
  }
  void SortCatalogs() override {}
  void ClearResults() override { ++resultsCleared; }
  void ShowCatalogCounts() override {}
  void ScanProgress(const mardo::ScanProgress&) override {
    ++progressCalls;
    if (cancelOnProgress) cancel = true;
  }
  const std::atomic<bool>* CancelFlag() override { return &cancel; }
};

class AddWorkflowTest : public testing::Test {
 protected:
  AddWorkflowTest()
      : volumes_(machine_.paths),
        library_({}, machine_.tmp.MakeDir("catalogs")),
        workflow_(library_, form_, prompts_, volumes_) {
    machine_.tmp.MakeFile("media/usb/a.jpg", 10);
    machine_.tmp.MakeFile("media/usb/photos/2000/b.jpg", 20);
  }

  // As in the window: leaving the root box identifies the volume, then the user may type a label.
  void Add(const std::string& root, const std::string& label = "") {
    form_.root = root;
    form_.label = "";
    if (!label.empty()) {
      workflow_.IdentifyVolume(root);
      form_.label = label;
    }
    workflow_.AddVolume(false);
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const Catalog* c : library_.Catalogs()) names.push_back(c->DisplayName());
    return names;
  }

  test::VolumeFixture machine_;
  VolumeQuery volumes_;
  CatalogLibrary library_;
  FakeForm form_;
  test::ScriptedPrompts prompts_;
  AddWorkflow workflow_;
};

TEST_F(AddWorkflowTest, AddsAVolumeUnderItsProposedLabel) {
  form_.ignore = "*.tmp";
  Add(machine_.Usb());
  ASSERT_EQ(Names(), (std::vector<std::string>{"PHOTOS"}));
  const Catalog& added = *library_.Catalogs()[0];
  EXPECT_EQ(added.volumeRoot, machine_.Usb() + "/");
  EXPECT_EQ(added.serialNumber, 0xABCD1234u);
  EXPECT_EQ(added.catalogName, "");
  EXPECT_EQ(added.files.Size(), 4);
  EXPECT_GE(added.freeSpace, 0.0f);
  EXPECT_EQ(added.filePath, machine_.tmp / "catalogs/PHOTOS.mvl");
  EXPECT_TRUE(std::filesystem::exists(added.filePath));
  EXPECT_EQ(form_.status, "4 files added to catalog from PHOTOS");
  EXPECT_EQ(form_.histories, (std::vector<std::string>{"dir:" + machine_.Usb(), "ignore:*.tmp"}));
  EXPECT_EQ(form_.rows, (std::vector<std::string>{"add 0"}));
  EXPECT_EQ(form_.root, "");
  EXPECT_EQ(form_.label, "");
  EXPECT_GT(form_.progressCalls, 0);
  EXPECT_TRUE(prompts_.log.empty());
  EXPECT_EQ(workflow_.Pending().files.Size(), 0);
}

TEST_F(AddWorkflowTest, AMalformedIgnorePatternIsNamedAfterTheScan) {
  form_.root = machine_.Usb();
  form_.ignore = "*.tmp [a-";
  AddWorkflow::Result result = workflow_.AddVolume(false);
  const std::string note = "The ignore pattern '[a-' has a '[' without its ']' and matches no name";
  EXPECT_EQ(result.ignoreNotes, (std::vector<std::string>{note}));
  EXPECT_EQ(ScanStatusText(result), "4 files added to catalog from PHOTOS; " + note);
  result.unreadableCount = 2;
  result.unreadableEntryCount = 1;
  EXPECT_EQ(ScanStatusText(result),
            "4 files added to catalog from PHOTOS; 2 directories could not be read; 1 "
            "entries could not be read; " +
                note);
}

TEST_F(AddWorkflowTest, MissingRootAndFailedIdentification) {
  Add("");
  EXPECT_EQ(prompts_.log, (std::vector<std::string>{"Mardo|Select Root directory before Add"}));
  EXPECT_TRUE(form_.histories.empty());

  prompts_.log.clear();
  Add(machine_.tmp / "media/gone");
  EXPECT_EQ(prompts_.log, (std::vector<std::string>{"Volume label error|No such file or directory",
                                                    "Mardo|Select Root directory before Add"}));
  EXPECT_TRUE(library_.Catalogs().Empty());
}

TEST_F(AddWorkflowTest, ATypedLabelBecomesTheCatalogName) {
  Add(machine_.Usb(), "Holiday");
  ASSERT_EQ(Names(), (std::vector<std::string>{"Holiday"}));
  EXPECT_EQ(library_.Catalogs()[0]->volumeLabel, "PHOTOS");
  EXPECT_EQ(library_.Catalogs()[0]->filePath, machine_.tmp / "catalogs/Holiday.mvl");
}

TEST_F(AddWorkflowTest, ALabelTypedBeforeIdentificationKeepsAnEmptyIdentity) {
  form_.root = machine_.Usb();
  form_.label = "Typed";
  workflow_.AddVolume(false);
  ASSERT_EQ(Names(), (std::vector<std::string>{"Typed"}));
  EXPECT_EQ(library_.Catalogs()[0]->volumeLabel, "");
  EXPECT_EQ(library_.Catalogs()[0]->volumeRoot, "");
  EXPECT_EQ(library_.Catalogs()[0]->serialNumber, 0u);
}

TEST_F(AddWorkflowTest, TheSameVolumeTwiceAsksBeforeReplacing) {
  Add(machine_.Usb());
  const std::string path = library_.Catalogs()[0]->filePath;
  machine_.tmp.MakeFile("media/usb/new.txt", 1);

  prompts_.answers = {false};
  Add(machine_.Usb());
  EXPECT_EQ(prompts_.log, (std::vector<std::string>{"?Mardo|Already existing. Overwrite ?"}));
  EXPECT_EQ(library_.Catalogs()[0]->files.Size(), 4);
  EXPECT_EQ(form_.status, "Wait, please...");
  EXPECT_EQ(form_.root, "");

  prompts_.answers = {true};
  Add(machine_.Usb());
  ASSERT_EQ(library_.CatalogCount(), 1);
  EXPECT_EQ(library_.Catalogs()[0]->files.Size(), 5);
  EXPECT_EQ(library_.Catalogs()[0]->filePath, path);
  EXPECT_EQ(form_.rows, (std::vector<std::string>{"add 0", "remove PHOTOS", "add 0"}));
  EXPECT_EQ(form_.resultsCleared, 1);
  CatalogLibrary reloaded({}, machine_.tmp / "catalogs");
  reloaded.LoadAll();
  ASSERT_EQ(reloaded.CatalogCount(), 1);
  EXPECT_EQ(reloaded.Catalogs()[0]->files.Size(), 5);
}

TEST_F(AddWorkflowTest, TheSameNameOnAnotherVolumeAsks) {
  Add(machine_.Usb(), "Backup");
  prompts_.answers = {true};
  machine_.tmp.MakeFile("media/disk/x", 1);
  Add(machine_.tmp / "media/disk", "Backup");
  EXPECT_EQ(
      prompts_.log,
      (std::vector<std::string>{"?Mardo|Same label already archived.\r\nRemove the previous archive ?"}));
  ASSERT_EQ(library_.CatalogCount(), 1);
  EXPECT_EQ(library_.Catalogs()[0]->volumeLabel, "My Disk");
}

TEST_F(AddWorkflowTest, AnOverwriteThatFindsNothingKeepsTheOldCatalog) {
  Add(machine_.Usb());
  const std::string path = library_.Catalogs()[0]->filePath;
  const std::string before = machine_.tmp.ReadFile("catalogs/PHOTOS.mvl");
  prompts_.answers = {true};
  form_.ignore = "* \\*";  // everything ignored: the scan yields nothing
  Add(machine_.Usb());
  EXPECT_EQ(form_.status, "No files added to catalog from PHOTOS");
  ASSERT_EQ(library_.CatalogCount(), 1);
  EXPECT_EQ(library_.Catalogs()[0]->files.Size(), 4);
  EXPECT_EQ(machine_.tmp.ReadFile("catalogs/PHOTOS.mvl"), before);
  EXPECT_EQ(form_.rows, (std::vector<std::string>{"add 0"}));
}

TEST_F(AddWorkflowTest, RefreshRescansASubdirectoryCatalog) {
  Add(machine_.Usb() + "/photos/2000");
  ASSERT_EQ(Names(), (std::vector<std::string>{"\\2000"}));
  EXPECT_EQ(library_.Catalogs()[0]->volumeLabel, "[\\photos\\2000]");
  machine_.tmp.MakeFile("media/usb/photos/2000/c.jpg", 30);
  machine_.tmp.MakeFile("media/usb/elsewhere.jpg", 30);

  workflow_.RefreshCatalog(library_.Catalogs()[0]);
  EXPECT_TRUE(prompts_.log.empty());
  ASSERT_EQ(library_.CatalogCount(), 1);
  const Catalog& refreshed = *library_.Catalogs()[0];
  EXPECT_EQ(refreshed.files.Size(), 2);
  EXPECT_EQ(refreshed.DisplayName(), "\\2000");
  EXPECT_EQ(refreshed.dirs[0]->Path(), "\\photos\\2000");
  EXPECT_EQ(form_.rows.back(), "add 0 selected");
}

TEST_F(AddWorkflowTest, RefreshWithAnotherMediumChangesNothing) {
  Add(machine_.Usb(), "Holiday");
  machine_.SetUuid("sdb1", "1111-2222");
  workflow_.RefreshCatalog(library_.Catalogs()[0]);
  EXPECT_EQ(
      prompts_.log,
      (std::vector<std::string>{"Mardo|The catalog file cannot be refreshed, because the medium 'Holiday' "
                                "\r\nis not present in original device (" +
                                machine_.Usb() + "/). Insert it and try again."}));
  EXPECT_EQ(Names(), (std::vector<std::string>{"Holiday"}));
}

TEST_F(AddWorkflowTest, RefreshLeavesASameNamedCatalogAlone) {
  machine_.tmp.MakeFile("media/disk/x", 1);
  Add(machine_.tmp / "media/disk", "Backup");
  prompts_.answers = {false};  // keep both
  Add(machine_.Usb(), "Backup");
  ASSERT_EQ(library_.CatalogCount(), 1);
  // Make the second one directly: same name, other volume, later in the library.
  auto other = std::make_unique<Catalog>();
  other->volumeRoot = machine_.Usb() + "/";
  other->volumeLabel = "PHOTOS";
  other->serialNumber = 0xABCD1234u;
  other->catalogName = "Backup";
  other->AddDirectory("");
  other->AddFile("old", 0, 1, 0);
  library_.AddCatalog(other);
  ASSERT_EQ(library_.CatalogCount(), 2);
  const Catalog* disk = library_.Catalogs()[0];

  workflow_.RefreshCatalog(library_.Catalogs()[1]);
  ASSERT_EQ(library_.CatalogCount(), 2);
  EXPECT_EQ(library_.Catalogs()[0], disk);  // untouched
  EXPECT_EQ(library_.Catalogs()[1]->volumeLabel, "PHOTOS");
  EXPECT_EQ(library_.Catalogs()[1]->files.Size(), 4);
  EXPECT_EQ(library_.Catalogs()[1]->DisplayName(), "Backup");
}

// Lets every user read and enter everything below `path`.
void OpenToEveryone(const std::string& path) {
  namespace fs = std::filesystem;
  fs::permissions(path, fs::perms::all);
  for (const auto& entry : fs::recursive_directory_iterator(path)) {
    if (entry.is_symlink()) continue;
    fs::permissions(entry.path(), entry.is_directory() ? fs::perms::all
                                                       : fs::perms::owner_all | fs::perms::group_read |
                                                             fs::perms::others_read);
  }
}

TEST_F(AddWorkflowTest, AWriteRefusedByAReadOnlyDirectoryChangesNothingAndSaysWhy) {
  OpenToEveryone(machine_.tmp.Path());
  std::filesystem::permissions(machine_.tmp / "catalogs",
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                   std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
  const int status = test::InChild([&] {
    // Root writes anywhere: take the identity of an ordinary user first.
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 3;
    form_.ignore = "*.tmp";
    Add(machine_.Usb(), "Holiday");
    if (library_.CatalogCount() != 0 || library_.RecordCount() != 0) return 10;
    if (!form_.rows.empty() || form_.resultsCleared != 0) return 11;
    const std::string file = machine_.tmp / "catalogs/Holiday.mvl";
    if (prompts_.log != std::vector<std::string>{"Mardo|The catalog file '" + file +
                                                 "' could not be written.\r\nPermission denied"})
      return 12;
    if (form_.status !=
        "Nothing added: the catalog file '" + file + "' could not be written (Permission denied)")
      return 13;
    // The boxes and the identified volume stay for another try.
    if (form_.root != machine_.Usb() || form_.label != "Holiday") return 14;
    if (workflow_.Pending().volumeLabel != "PHOTOS" || workflow_.Pending().serialNumber != 0xABCD1234u)
      return 15;
    return std::filesystem::exists(file) ? 16 : 0;
  });
  if (status == 3) GTEST_SKIP() << "this machine does not let root take another identity";
  EXPECT_EQ(status, 0);
}

TEST_F(AddWorkflowTest, AnOverwriteThatCannotBeWrittenKeepsTheOldCatalogInTheLibraryAndOnDisk) {
  Add(machine_.Usb());
  const std::string before = machine_.tmp.ReadFile("catalogs/PHOTOS.mvl");
  for (int i = 0; i < 400; ++i) machine_.tmp.MakeFile("media/usb/many/file-" + std::to_string(i) + ".txt", 1);
  const int status = test::InChild([&] {
    // The disk fills up: the process may not write more than 4 KiB to any file.
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const Catalog* old = library_.Catalogs()[0];
    prompts_.answers = {true};
    Add(machine_.Usb());
    if (library_.CatalogCount() != 1 || library_.Catalogs()[0] != old || old->files.Size() != 4) return 10;
    if (library_.RecordCount() != 4) return 11;
    if (form_.rows != std::vector<std::string>{"add 0"} || form_.resultsCleared != 0) return 12;
    if (prompts_.log.size() != 2 || prompts_.log[1].find("File too large") == std::string::npos) return 13;
    if (form_.status.rfind("Nothing added: the catalog file '", 0) != 0) return 14;
    return 0;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(machine_.tmp.ReadFile("catalogs/PHOTOS.mvl"), before);
}

TEST_F(AddWorkflowTest, TheOverwriteQuestionsNameTheCatalogTheyReplace) {
  Add(machine_.Usb(), "Holiday");
  Add(machine_.Usb());
  ASSERT_EQ(prompts_.details.size(), 1u);
  EXPECT_EQ(prompts_.details[0],
            "Yes replaces the catalog 'Holiday' (" + machine_.tmp / "catalogs/Holiday.mvl" + ").");
}

TEST_F(AddWorkflowTest, RefreshScansTheCatalogsOwnRootWhateverTheBoxMakesOfIt) {
  // A root longer than the box takes: read back from the box, it would be its parent.
  const std::string deep =
      "photos/" + std::string(60, 'p') + "/" + std::string(60, 'q') + "/" + std::string(60, 'r');
  machine_.tmp.MakeFile("media/usb/" + deep + "/inside.jpg", 1);
  machine_.tmp.MakeFile("media/usb/photos/beside.jpg", 1);
  Add(machine_.Usb() + "/" + deep);
  ASSERT_EQ(library_.CatalogCount(), 1);
  form_.rootLimit = 128;
  ASSERT_LT(form_.rootLimit, (machine_.Usb() + "/" + deep).size());
  workflow_.RefreshCatalog(library_.Catalogs()[0]);
  EXPECT_TRUE(prompts_.log.empty());
  ASSERT_EQ(library_.CatalogCount(), 1);
  EXPECT_EQ(library_.Catalogs()[0]->files.Size(), 1);
  EXPECT_EQ(library_.Catalogs()[0]->files[0]->Name(), "inside.jpg");
}

TEST(UnreadableDirectories, TheWindowNamesTheFirstOfThemAndCountsTheRest) {
  AddWorkflow::Result result;
  EXPECT_EQ(UnreadableDirectoriesText(result), "");
  result.unreadableCount = 1;
  result.unreadablePaths = {"/m/a"};
  EXPECT_EQ(UnreadableDirectoriesText(result),
            "1 directory could not be read and is catalogued as empty:\n/m/a");
  result.unreadableCount = 12;
  result.unreadablePaths = {"/m/a", "/m/b"};
  EXPECT_EQ(UnreadableDirectoriesText(result),
            "12 directories could not be read and are catalogued as empty:\n/m/a\n/m/b\n... and 10 more");
}

TEST_F(AddWorkflowTest, AFailedIdentificationEmptiesTheBoxesBeforeItSpeaks) {
  std::vector<std::string> boxesWhileShown;
  prompts_.whileShown = [&] { boxesWhileShown.push_back(form_.root + "|" + form_.label); };
  form_.label = "typed";
  workflow_.IdentifyVolume(machine_.tmp / "media/gone");
  EXPECT_EQ(boxesWhileShown, (std::vector<std::string>{"|"}));
}

TEST_F(AddWorkflowTest, ACancelledScanStoresAndRemovesNothingAndKeepsTheBoxesForAnotherTry) {
  Add(machine_.Usb());
  prompts_.answers = {true};
  form_.cancelOnProgress = true;
  Add(machine_.Usb(), "Holiday");
  EXPECT_EQ(form_.status, "Scan cancelled: nothing added to catalog from PHOTOS");
  ASSERT_EQ(library_.CatalogCount(), 1);
  EXPECT_EQ(library_.Catalogs()[0]->files.Size(), 4);
  EXPECT_EQ(form_.resultsCleared, 0);
  EXPECT_EQ(form_.root, machine_.Usb());
  EXPECT_EQ(form_.label, "Holiday");

  // The next Add is the same request again.
  form_.cancelOnProgress = false;
  form_.cancel = false;
  prompts_.answers = {true};
  workflow_.AddVolume(false);
  ASSERT_EQ(library_.CatalogCount(), 1);
  EXPECT_EQ(library_.Catalogs()[0]->DisplayName(), "Holiday");
  EXPECT_EQ(library_.Catalogs()[0]->volumeLabel, "PHOTOS");
  EXPECT_EQ(library_.Catalogs()[0]->serialNumber, 0xABCD1234u);
}

TEST_F(AddWorkflowTest, TheScanRunsOnAnotherThreadBetweenPrepareAndCommit) {
  Add(machine_.Usb());
  machine_.tmp.MakeFile("media/usb/new.txt", 1);
  prompts_.answers = {true};
  form_.root = machine_.Usb();
  workflow_.IdentifyVolume(form_.root);
  std::unique_ptr<ScanJob> job = workflow_.PrepareAdd(false);
  ASSERT_NE(job, nullptr);
  EXPECT_EQ(job->Root(), machine_.Usb());
  // Until the commit the library is as it was, and a new identification may start.
  EXPECT_EQ(library_.Catalogs()[0]->files.Size(), 4);
  EXPECT_EQ(workflow_.Pending().volumeLabel, "");
  int reports = 0;
  std::thread worker([&job, &reports] { job->Run(nullptr, [&reports](const ScanProgress&) { ++reports; }); });
  worker.join();
  EXPECT_GT(reports, 0);
  const AddWorkflow::Result result = workflow_.Commit(std::move(job));
  EXPECT_EQ(result.outcome, AddWorkflow::Outcome::kStored);
  EXPECT_EQ(result.message, "5 files added to catalog from PHOTOS");
  EXPECT_EQ(result.catalogPath, machine_.tmp / "catalogs/PHOTOS.mvl");
  ASSERT_EQ(library_.CatalogCount(), 1);
  EXPECT_EQ(library_.Catalogs()[0]->files.Size(), 5);
}

TEST_F(AddWorkflowTest, ACatalogThatWentDuringTheScanIsNotReplacedAndItsFileNotReused) {
  Add(machine_.Usb());
  const std::string oldPath = library_.Catalogs()[0]->filePath;
  prompts_.answers = {true};
  form_.root = machine_.Usb();
  std::unique_ptr<ScanJob> job = workflow_.PrepareAdd(false);
  ASSERT_NE(job, nullptr);
  job->Run(nullptr, {});
  ASSERT_TRUE(library_.DeleteCatalog(library_.Catalogs()[0]));
  machine_.tmp.MakeFile("catalogs/PHOTOS.mvl", 3, -1, "new");  // someone else's file by now
  const AddWorkflow::Result result = workflow_.Commit(std::move(job));
  EXPECT_EQ(result.outcome, AddWorkflow::Outcome::kStored);
  EXPECT_EQ(result.catalogPath, machine_.tmp / "catalogs/PHOTOS1.mvl");
  EXPECT_EQ(machine_.tmp.ReadFile("catalogs/PHOTOS.mvl"), "new");
  EXPECT_EQ(library_.CatalogCount(), 1);
}

TEST_F(AddWorkflowTest, RefreshRefusesAPathThatFitsTwoDirectories) {
  machine_.tmp.MakeFile("media/usb/a\\b/one.txt", 1);
  Add(machine_.Usb() + "/a\\b");
  ASSERT_EQ(library_.CatalogCount(), 1);
  EXPECT_EQ(library_.Catalogs()[0]->volumeLabel, "[\\a\\b]");

  // Only the directory that was catalogued exists: the refresh finds it.
  workflow_.RefreshCatalog(library_.Catalogs()[0]);
  EXPECT_TRUE(prompts_.log.empty());
  EXPECT_EQ(form_.status, "1 files added to catalog from [\\a\\b]");

  // Now "a/b" exists as well: which one was catalogued is not known.
  machine_.tmp.MakeFile("media/usb/a/b/two.txt", 1);
  const AddWorkflow::Result result = workflow_.RefreshCatalog(library_.Catalogs()[0]);
  EXPECT_EQ(result.outcome, AddWorkflow::Outcome::kNothing);
  ASSERT_EQ(prompts_.log.size(), 1u);
  EXPECT_NE(prompts_.log[0].find("cannot be refreshed"), std::string::npos);
  EXPECT_NE(prompts_.log[0].find(machine_.Usb() + "/a/b"), std::string::npos);
  EXPECT_NE(prompts_.log[0].find(machine_.Usb() + "/a\\b"), std::string::npos);
  EXPECT_EQ(library_.Catalogs()[0]->files.Size(), 1);
}

TEST_F(AddWorkflowTest, ALongLabelIsKeptWholeAndOnlyALabelCutByAnOldWriterRefusesARefresh) {
  const std::string name(127, 'n');
  machine_.tmp.MakeFile("media/usb/" + name + "/" + name + "/" + name + "/f.txt", 1);
  // A neighbour whose path is what is left of the label cut at 255 bytes.
  machine_.tmp.MakeFile("media/usb/" + name + "/" + name.substr(0, 124) + "/other.txt", 1);
  Add(machine_.Usb() + "/" + name + "/" + name);
  ASSERT_EQ(library_.CatalogCount(), 1);
  // The file holds the label whole, so the refresh knows the directory.
  Catalog read;
  read.filePath = library_.Catalogs()[0]->filePath;
  ASSERT_TRUE(read.Read());
  EXPECT_EQ(read.formatVersion, 4);
  EXPECT_EQ(read.volumeLabel, "[\\" + name + "\\" + name + "]");
  EXPECT_FALSE(OriginOf(read).cut);
  {
    CatalogLibrary reloaded({}, machine_.tmp / "catalogs");
    reloaded.LoadAll();
    AddWorkflow workflow(reloaded, form_, prompts_, volumes_);
    EXPECT_EQ(workflow.RefreshCatalog(reloaded.Catalogs()[0]).outcome, AddWorkflow::Outcome::kStored);
    EXPECT_TRUE(prompts_.log.empty());
    ASSERT_EQ(reloaded.Catalogs()[0]->files.Size(), 2);
    EXPECT_EQ(reloaded.Catalogs()[0]->files[1]->Name(), "f.txt");
  }

  // The same catalog as a version-3 writer left it: the label cut at 255 bytes.
  auto old = std::make_unique<Catalog>();
  old->volumeRoot = read.volumeRoot;
  old->volumeLabel = read.volumeLabel.substr(0, 255);
  old->serialNumber = read.serialNumber;
  old->UpdateDisplayName();
  CatalogLibrary oldLibrary({}, machine_.tmp / "catalogs");
  oldLibrary.AdoptCatalog(std::move(old));
  EXPECT_TRUE(OriginOf(*oldLibrary.Catalogs()[0]).cut);
  AddWorkflow workflow(oldLibrary, form_, prompts_, volumes_);
  EXPECT_EQ(workflow.RefreshCatalog(oldLibrary.Catalogs()[0]).outcome, AddWorkflow::Outcome::kNothing);
  ASSERT_EQ(prompts_.log.size(), 1u);
  EXPECT_NE(prompts_.log[0].find("too long to be stored whole"), std::string::npos);
}

}  // namespace
}  // namespace mardo
