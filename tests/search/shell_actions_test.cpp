#include "search/shell_actions.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "search/search_texts.h"
#include "store/catalog_library.h"
#include "support/fake_desktop_shell.h"
#include "support/scripted_prompts.h"
#include "support/temp_tree.h"

namespace mardo {
namespace {

using Calls = std::vector<std::string>;
using Failure = ShellResult::Failure;

// Fills a catalog of the volume "VOL" at `root` with \a.txt, \docs and \docs\b.txt.
void FillVolume(Catalog& catalog, const std::string& root) {
  catalog.volumeRoot = root;
  catalog.volumeLabel = "VOL";
  catalog.AddDirectory("");
  catalog.AddDirectory("\\docs");
  catalog.AddFile("a.txt", 0, 1, 0);
  catalog.AddFile("docs", 0, -1, 0);
  catalog.AddFile("b.txt", 0, 2, 1);
}

const FileRecord* Find(const Catalog& catalog, std::string_view name) {
  for (const FileRecord* r : catalog.files)
    if (r->Name() == name) return r;
  return nullptr;
}

std::string CannotOpen(const std::string& path, const std::string& reason) {
  return std::string("Mardo|The file '") + path + "' cannot be opened.\r\n " + reason;
}

class OpenWithShellTest : public testing::Test {
 protected:
  void SetUp() override { FillVolume(catalog_, "/media/usb/"); }
  const FileRecord* Entry(std::string_view name) const { return Find(catalog_, name); }
  OpenOutcome Open(std::string_view name, OpenMode mode) {
    return OpenWithShell(Entry(name), mode, shell_, prompts_);
  }

  Catalog catalog_;
  test::FakeDesktopShell shell_;
  test::ScriptedPrompts prompts_;
};

TEST_F(OpenWithShellTest, FileOpensStartsOrShowsInItsFolder) {
  EXPECT_TRUE(Open("b.txt", OpenMode::kOpen).succeeded);
  EXPECT_TRUE(Open("b.txt", OpenMode::kNewWindowOrExplore).succeeded);
  EXPECT_TRUE(Open("a.txt", OpenMode::kExploreParent).succeeded);
  EXPECT_EQ(shell_.calls,
            (Calls{"open|/media/usb/docs/b.txt", "start|/media/usb/docs/b.txt", "show|/media/usb/a.txt"}));
  EXPECT_TRUE(prompts_.log.empty());
}

TEST_F(OpenWithShellTest, DirectoryOpensOrGoesToTheFileManager) {
  Open("docs", OpenMode::kOpen);
  Open("docs", OpenMode::kNewWindowOrExplore);
  Open("docs", OpenMode::kExploreParent);
  EXPECT_EQ(shell_.calls, (Calls{"open|/media/usb/docs", "dir|/media/usb/docs", "dir|/media/usb/docs"}));
}

TEST_F(OpenWithShellTest, FailuresAreReportedWithTheReasonOfWhatWentWrong) {
  shell_.results["open|/media/usb/a.txt"] = ShellResult::Fail(Failure::kNoApplication);
  shell_.results["start|/media/usb/a.txt"] = ShellResult::Fail(Failure::kNoApplication);
  shell_.results["open|/media/usb/docs/b.txt"] = ShellResult::Fail(Failure::kNoSuchFile);
  shell_.results["start|/media/usb/docs/b.txt"] = ShellResult::Fail(Failure::kNoSuchDirectory);
  shell_.results["dir|/media/usb/docs"] = ShellResult::Fail(Failure::kPermissionDenied);
  shell_.results["open|/media/usb/docs"] = ShellResult::Fail(Failure::kOther, "Input/output error");

  const OpenOutcome outcome = Open("a.txt", OpenMode::kOpen);
  EXPECT_TRUE(outcome.attempted);
  EXPECT_FALSE(outcome.succeeded);
  Open("a.txt", OpenMode::kNewWindowOrExplore);
  Open("b.txt", OpenMode::kOpen);
  Open("b.txt", OpenMode::kNewWindowOrExplore);
  Open("docs", OpenMode::kNewWindowOrExplore);
  Open("docs", OpenMode::kOpen);
  const std::string noApplication = "There is no application associated with the given filename extension.";
  EXPECT_EQ(
      prompts_.log,
      (Calls{CannotOpen("/media/usb/a.txt", noApplication), CannotOpen("/media/usb/a.txt", noApplication),
             CannotOpen("/media/usb/docs/b.txt", "The specified file was not found."),
             CannotOpen("/media/usb/docs/b.txt", "The specified path was not found."),
             CannotOpen("/media/usb/docs", "The operating system denied access to the specified file."),
             CannotOpen("/media/usb/docs", "Input/output error")}));
  EXPECT_EQ(outcome.message, prompts_.log[0].substr(6));
}

TEST_F(OpenWithShellTest, ExploreParentNamesTheDirectoryAndFallsBackToIt) {
  // The volume is not mounted: the message names the directory, not the file.
  shell_.results["show|/media/usb/a.txt"] = ShellResult::Fail(Failure::kNoSuchDirectory);
  Open("a.txt", OpenMode::kExploreParent);
  EXPECT_EQ(prompts_.log, (Calls{CannotOpen("/media/usb", "The specified path was not found.")}));

  // The file is gone but its directory is there: the directory is opened.
  prompts_.log.clear();
  shell_.calls.clear();
  shell_.results["show|/media/usb/docs/b.txt"] = ShellResult::Fail(Failure::kNoSuchFile);
  EXPECT_TRUE(Open("b.txt", OpenMode::kExploreParent).succeeded);
  EXPECT_EQ(shell_.calls, (Calls{"show|/media/usb/docs/b.txt", "dir|/media/usb/docs"}));
  EXPECT_TRUE(prompts_.log.empty());

  shell_.results["dir|/media/usb/docs"] = ShellResult::Fail(Failure::kNoSuchFile);
  EXPECT_FALSE(Open("b.txt", OpenMode::kExploreParent).succeeded);
  EXPECT_EQ(prompts_.log, (Calls{CannotOpen("/media/usb/docs", "The specified file was not found.")}));
}

TEST_F(OpenWithShellTest, OldCatalogsAndMissingRowsStopSilently) {
  catalog_.formatVersion = 1;
  const OpenOutcome outcome = Open("a.txt", OpenMode::kOpen);
  EXPECT_FALSE(outcome.attempted);
  EXPECT_EQ(outcome.message, "");
  Open("docs", OpenMode::kNewWindowOrExplore);
  OpenWithShell(nullptr, OpenMode::kOpen, shell_, prompts_);
  EXPECT_TRUE(shell_.calls.empty());
  EXPECT_TRUE(prompts_.log.empty());
}

TEST(OpenWithShell, CatalogOfAnotherSystemIsNotOpenedHereAndSaysSo) {
  Catalog windows;
  FillVolume(windows, "E:\\");
  test::FakeDesktopShell shell;
  test::ScriptedPrompts prompts;
  const std::string reason =
      "It was catalogued on another system (volume root E:\\) and cannot be reached from here.";
  const OpenOutcome outcome = OpenWithShell(Find(windows, "b.txt"), OpenMode::kOpen, shell, prompts);
  EXPECT_FALSE(outcome.attempted);
  OpenWithShell(Find(windows, "a.txt"), OpenMode::kExploreParent, shell, prompts);
  OpenWithShell(Find(windows, "docs"), OpenMode::kNewWindowOrExplore, shell, prompts);
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_EQ(prompts.log, (Calls{CannotOpen("E:\\docs\\b.txt", reason), CannotOpen("E:", reason),
                                CannotOpen("E:\\docs", reason)}));

  Catalog share;
  FillVolume(share, "\\\\srv\\share\\");
  const ShellOpenPlan plan = PlanOpenWithShell(Find(share, "b.txt"), OpenMode::kExploreParent);
  EXPECT_EQ(plan.call, ShellCall::kNone);
  EXPECT_EQ(plan.messagePath, "\\\\srv\\share\\docs");
}

TEST(OpenWithShell, CommandsGiveTheirModes) {
  EXPECT_EQ(OpenModeOfCommand(32774), OpenMode::kOpen);
  EXPECT_EQ(OpenModeOfCommand(32775), OpenMode::kNewWindowOrExplore);
  EXPECT_EQ(OpenModeOfCommand(32779), OpenMode::kExploreParent);
  EXPECT_EQ(OpenModeOfCommand(32776), std::nullopt);
  EXPECT_EQ(OpenModeOfCommand(32771), std::nullopt);
  EXPECT_EQ(OpenFailureReason(0), "The operating system is out of memory or resources.");
  EXPECT_EQ(OpenFailureReason(4), "");
  EXPECT_EQ(ShellFailureReason(ShellResult::Fail(Failure::kOther)), "");
}

// Records what the library announces, and checks that the records are still whole when told.
class RemovalLog final : public CatalogObserver {
 public:
  std::vector<std::string> told;
  void CatalogRemoving(const Catalog&) override { told.push_back("catalog"); }
  void RecordsRemoving(const Catalog& catalog, std::span<const FileRecord* const> records) override {
    for (const FileRecord* r : records) {
      EXPECT_EQ(r->OwningCatalog(), &catalog);
      told.push_back(catalog.volumeLabel + ":" + std::string(r->Name()));
    }
  }
};

class DeleteFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    library_ = std::make_unique<CatalogLibrary>(std::vector<std::string>{}, tmp_.Path());
    usb_ = AddVolume("VOL", "/media/usb/");
    library_->AddObserver(&log_);
  }
  void TearDown() override { library_->RemoveObserver(&log_); }

  Catalog* AddVolume(const std::string& label, const std::string& root) {
    auto pending = std::make_unique<Catalog>();
    FillVolume(*pending, root);
    pending->volumeLabel = label;
    Catalog* added = pending.get();
    EXPECT_TRUE(library_->AddCatalog(pending));
    return added;
  }
  DeleteFilesResult Delete(FormTab tab, std::vector<const FileRecord*> rows) {
    return DeleteSelectedFiles(*library_, prompts_, shell_, tab, rows);
  }
  std::vector<std::string> Names(const Catalog& catalog) const {
    std::vector<std::string> names;
    for (const FileRecord* r : catalog.files) names.emplace_back(r->Name());
    return names;
  }

  test::TempDir tmp_;
  std::unique_ptr<CatalogLibrary> library_;
  Catalog* usb_ = nullptr;
  RemovalLog log_;
  test::FakeDesktopShell shell_;
  test::ScriptedPrompts prompts_;
};

TEST_F(DeleteFilesTest, TrashesTheFilesDropsTheirRecordsAndPassesOverDirectories) {
  prompts_.answers = {true};
  const FileRecord* docs = Find(*usb_, "docs");
  const DeleteFilesResult result =
      Delete(FormTab::kSearch, {Find(*usb_, "b.txt"), docs, Find(*usb_, "a.txt")});
  EXPECT_TRUE(result.confirmed);
  EXPECT_EQ(prompts_.log, (Calls{"?Mardo|Really want to delete ?"}));
  // The question names the files and defaults to No.
  EXPECT_EQ(prompts_.details, (Calls{"/media/usb/docs/b.txt\n/media/usb/a.txt [default No]"}));
  EXPECT_EQ(shell_.calls, (Calls{"trash|/media/usb/docs/b.txt", "trash|/media/usb/a.txt"}));
  EXPECT_EQ(result.trashed, (Calls{"/media/usb/docs/b.txt", "/media/usb/a.txt"}));
  EXPECT_EQ(result.removed, 2);
  EXPECT_TRUE(result.kept.empty());
  EXPECT_EQ(result.changed, (std::vector<const Catalog*>{usb_}));
  EXPECT_EQ(result.message, "");
  // The observers heard of both before they went; the directory entry stays.
  EXPECT_EQ(log_.told, (Calls{"VOL:b.txt", "VOL:a.txt"}));
  EXPECT_EQ(Names(*usb_), (Calls{"docs"}));
  EXPECT_EQ(library_->RecordCount(), 1);
  // Memory only: the catalog file keeps its three records.
  Catalog reread;
  reread.filePath = usb_->filePath;
  ASSERT_TRUE(reread.Read());
  EXPECT_EQ(reread.FileCount(), 3);
}

TEST_F(DeleteFilesTest, NothingWithoutYesOnTheCatalogTabOrWithoutFileRows) {
  const FileRecord* a = Find(*usb_, "a.txt");
  EXPECT_FALSE(Delete(FormTab::kSearch, {a}).confirmed);  // the script answers No
  prompts_.answers = {true, true};
  EXPECT_TRUE(Delete(FormTab::kCatalog, {a}).confirmed);
  EXPECT_EQ(Delete(FormTab::kDirectory, {Find(*usb_, "docs"), nullptr}).removed, 0);
  EXPECT_EQ(prompts_.log.size(), 3u);  // the three questions, nothing more
  EXPECT_TRUE(shell_.calls.empty());
  EXPECT_EQ(usb_->FileCount(), 3);
  EXPECT_TRUE(log_.told.empty());
}

TEST_F(DeleteFilesTest, FilesThatStayKeepTheirRecordsAndAreListedInOneMessage) {
  Catalog* windows = AddVolume("WIN", "E:\\");
  shell_.results["trash|/media/usb/docs/b.txt"] = ShellResult::Fail(Failure::kPermissionDenied);
  prompts_.answers = {true};
  const FileRecord* a = Find(*usb_, "a.txt");
  const FileRecord* b = Find(*usb_, "b.txt");
  const FileRecord* winA = Find(*windows, "a.txt");
  const DeleteFilesResult result = Delete(FormTab::kDirectory, {a, b, winA});
  EXPECT_EQ(shell_.calls, (Calls{"trash|/media/usb/a.txt", "trash|/media/usb/docs/b.txt"}));
  EXPECT_EQ(result.removed, 1);
  EXPECT_EQ(result.kept, (std::vector<const FileRecord*>{b, winA}));
  EXPECT_EQ(Names(*usb_), (Calls{"docs", "b.txt"}));
  EXPECT_EQ(windows->FileCount(), 3);
  const std::string message = std::string(texts::kNotTrashed) +
                              "\n/media/usb/docs/b.txt: The operating system denied access to the specified "
                              "file.\nE:\\a.txt: It was catalogued on another system (volume root E:\\) and "
                              "cannot be reached from here.";
  EXPECT_EQ(result.message, message);
  EXPECT_EQ(prompts_.log, (Calls{"?Mardo|Really want to delete ?", "Mardo|" + message}));
}

TEST_F(DeleteFilesTest, OneFileNamedByTwoCatalogsOrTwoRowsGoesToTheTrashOnce) {
  Catalog* again = AddVolume("AGAIN", "/media/usb/");
  prompts_.answers = {true};
  const FileRecord* a = Find(*usb_, "a.txt");
  const DeleteFilesResult result = Delete(FormTab::kSearch, {a, a, Find(*again, "a.txt")});
  EXPECT_EQ(shell_.calls, (Calls{"trash|/media/usb/a.txt"}));
  EXPECT_EQ(result.removed, 2);
  EXPECT_EQ(result.changed, (std::vector<const Catalog*>{usb_, again}));
  EXPECT_EQ(log_.told, (Calls{"VOL:a.txt", "AGAIN:a.txt"}));
  EXPECT_EQ(library_->RecordCount(), 4);
}

}  // namespace
}  // namespace mardo
