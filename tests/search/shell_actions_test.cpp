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
#include "support/volume_fixture.h"

namespace mardo {
namespace {

using Calls = std::vector<std::string>;
using Failure = ShellResult::Failure;

// The serial number of the fixture's card at media/usb.
constexpr uint32_t kUsbSerial = 0xABCD1234;

// Fills a catalog of the volume "VOL" at `root` with \a.txt, \docs and \docs\b.txt.
void FillVolume(Catalog& catalog, const std::string& root, uint32_t serial = kUsbSerial) {
  catalog.volumeRoot = root;
  catalog.volumeLabel = "VOL";
  catalog.serialNumber = serial;
  catalog.UpdateDisplayName();
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

// The catalogued card, mounted at media/usb of a temporary machine.
class OpenWithShellTest : public testing::Test {
 protected:
  void SetUp() override { FillVolume(catalog_, machine_.Usb() + "/"); }
  const FileRecord* Entry(std::string_view name) const { return Find(catalog_, name); }
  OpenOutcome Open(std::string_view name, OpenMode mode) {
    return OpenWithShell(Entry(name), mode, shell_, prompts_, volumes_);
  }
  // The native path of `relative` on the card ("" for its root).
  std::string At(const std::string& relative) const { return machine_.Usb() + relative; }

  test::VolumeFixture machine_;
  VolumeQuery volumes_{machine_.paths};
  Catalog catalog_;
  test::FakeDesktopShell shell_;
  test::ScriptedPrompts prompts_;
};

TEST_F(OpenWithShellTest, FileOpensStartsOrShowsInItsFolder) {
  EXPECT_TRUE(Open("b.txt", OpenMode::kOpen).succeeded);
  EXPECT_TRUE(Open("b.txt", OpenMode::kNewWindowOrExplore).succeeded);
  EXPECT_TRUE(Open("a.txt", OpenMode::kExploreParent).succeeded);
  EXPECT_EQ(shell_.calls,
            (Calls{"open|" + At("/docs/b.txt"), "start|" + At("/docs/b.txt"), "show|" + At("/a.txt")}));
  EXPECT_TRUE(prompts_.log.empty());
}

TEST_F(OpenWithShellTest, DirectoryOpensOrGoesToTheFileManager) {
  Open("docs", OpenMode::kOpen);
  Open("docs", OpenMode::kNewWindowOrExplore);
  Open("docs", OpenMode::kExploreParent);
  EXPECT_EQ(shell_.calls, (Calls{"open|" + At("/docs"), "dir|" + At("/docs"), "dir|" + At("/docs")}));
}

TEST_F(OpenWithShellTest, FailuresAreReportedWithTheReasonOfWhatWentWrong) {
  shell_.results["open|" + At("/a.txt")] = ShellResult::Fail(Failure::kNoApplication);
  shell_.results["start|" + At("/a.txt")] = ShellResult::Fail(Failure::kNoApplication);
  shell_.results["open|" + At("/docs/b.txt")] = ShellResult::Fail(Failure::kNoSuchFile);
  shell_.results["start|" + At("/docs/b.txt")] = ShellResult::Fail(Failure::kNoSuchDirectory);
  shell_.results["dir|" + At("/docs")] = ShellResult::Fail(Failure::kPermissionDenied);
  shell_.results["open|" + At("/docs")] = ShellResult::Fail(Failure::kOther, "Input/output error");

  const OpenOutcome outcome = Open("a.txt", OpenMode::kOpen);
  EXPECT_TRUE(outcome.attempted);
  EXPECT_FALSE(outcome.succeeded);
  Open("a.txt", OpenMode::kNewWindowOrExplore);
  Open("b.txt", OpenMode::kOpen);
  Open("b.txt", OpenMode::kNewWindowOrExplore);
  Open("docs", OpenMode::kNewWindowOrExplore);
  Open("docs", OpenMode::kOpen);
  const std::string noApplication = "There is no application associated with the given filename extension.";
  EXPECT_EQ(prompts_.log,
            (Calls{CannotOpen(At("/a.txt"), noApplication), CannotOpen(At("/a.txt"), noApplication),
                   CannotOpen(At("/docs/b.txt"), "The specified file was not found."),
                   CannotOpen(At("/docs/b.txt"), "The specified path was not found."),
                   CannotOpen(At("/docs"), "The operating system denied access to the specified file."),
                   CannotOpen(At("/docs"), "Input/output error")}));
  EXPECT_EQ(outcome.message, prompts_.log[0].substr(6));
}

TEST_F(OpenWithShellTest, ExploreParentNamesTheDirectoryAndFallsBackToIt) {
  // The directory is missing: the message names it, not the file.
  shell_.results["show|" + At("/a.txt")] = ShellResult::Fail(Failure::kNoSuchDirectory);
  Open("a.txt", OpenMode::kExploreParent);
  EXPECT_EQ(prompts_.log, (Calls{CannotOpen(At(""), "The specified path was not found.")}));

  // The file is gone but its directory is there: the directory is opened.
  prompts_.log.clear();
  shell_.calls.clear();
  shell_.results["show|" + At("/docs/b.txt")] = ShellResult::Fail(Failure::kNoSuchFile);
  EXPECT_TRUE(Open("b.txt", OpenMode::kExploreParent).succeeded);
  EXPECT_EQ(shell_.calls, (Calls{"show|" + At("/docs/b.txt"), "dir|" + At("/docs")}));
  EXPECT_TRUE(prompts_.log.empty());

  shell_.results["dir|" + At("/docs")] = ShellResult::Fail(Failure::kNoSuchFile);
  EXPECT_FALSE(Open("b.txt", OpenMode::kExploreParent).succeeded);
  EXPECT_EQ(prompts_.log, (Calls{CannotOpen(At("/docs"), "The specified file was not found.")}));
}

TEST_F(OpenWithShellTest, AMissingFileOnAnotherMediumSaysThatTheMediumIsAnother) {
  const std::string other =
      "\r\n The medium 'VOL' is not present in original device (" + At("/") + "). Insert it and try again.";
  machine_.SetUuid("sdb1", "1111-2222");  // another card with the same label, at the same place
  shell_.results["open|" + At("/a.txt")] = ShellResult::Fail(Failure::kNoSuchFile);
  shell_.results["show|" + At("/docs/b.txt")] = ShellResult::Fail(Failure::kNoSuchDirectory);
  shell_.results["start|" + At("/docs/b.txt")] = ShellResult::Fail(Failure::kNoApplication);
  Open("a.txt", OpenMode::kOpen);
  Open("b.txt", OpenMode::kExploreParent);
  Open("b.txt", OpenMode::kNewWindowOrExplore);  // not a missing file: nothing to add
  EXPECT_EQ(prompts_.log,
            (Calls{CannotOpen(At("/a.txt"), "The specified file was not found." + other),
                   CannotOpen(At("/docs"), "The specified path was not found." + other),
                   CannotOpen(At("/docs/b.txt"),
                              "There is no application associated with the given filename extension.")}));
}

TEST_F(OpenWithShellTest, ARootThatIsNoAbsolutePathReachesNoApplication) {
  for (const char* root : {"-oProxy=x/", "./", "media/usb/"}) {
    Catalog crafted;
    FillVolume(crafted, root);
    prompts_.log.clear();
    for (const OpenMode mode : {OpenMode::kOpen, OpenMode::kNewWindowOrExplore, OpenMode::kExploreParent})
      OpenWithShell(Find(crafted, "b.txt"), mode, shell_, prompts_, volumes_);
    EXPECT_EQ(PlanOpenWithShell(Find(crafted, "docs"), OpenMode::kOpen).call, ShellCall::kNone);
    ASSERT_EQ(prompts_.log.size(), 3u);
    EXPECT_NE(prompts_.log[0].find("which is not an absolute path"), std::string::npos) << prompts_.log[0];
  }
  EXPECT_TRUE(shell_.calls.empty());
}

TEST_F(OpenWithShellTest, OldCatalogsAndMissingRowsStopSilently) {
  catalog_.formatVersion = 1;
  const OpenOutcome outcome = Open("a.txt", OpenMode::kOpen);
  EXPECT_FALSE(outcome.attempted);
  EXPECT_EQ(outcome.message, "");
  Open("docs", OpenMode::kNewWindowOrExplore);
  OpenWithShell(nullptr, OpenMode::kOpen, shell_, prompts_, volumes_);
  EXPECT_TRUE(shell_.calls.empty());
  EXPECT_TRUE(prompts_.log.empty());
}

TEST(OpenWithShell, CatalogOfAnotherSystemIsNotOpenedHereAndSaysSo) {
  Catalog windows;
  FillVolume(windows, "E:\\");
  test::FakeDesktopShell shell;
  test::ScriptedPrompts prompts;
  const VolumeQuery volumes;
  const std::string reason =
      "It was catalogued on another system (volume root E:\\) and cannot be reached from here.";
  const OpenOutcome outcome = OpenWithShell(Find(windows, "b.txt"), OpenMode::kOpen, shell, prompts, volumes);
  EXPECT_FALSE(outcome.attempted);
  OpenWithShell(Find(windows, "a.txt"), OpenMode::kExploreParent, shell, prompts, volumes);
  OpenWithShell(Find(windows, "docs"), OpenMode::kNewWindowOrExplore, shell, prompts, volumes);
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

// The library holds a catalog of the card mounted at media/usb of a temporary machine.
class DeleteFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    library_ = std::make_unique<CatalogLibrary>(std::vector<std::string>{}, machine_.tmp.MakeDir("catalogs"));
    usb_ = AddVolume("VOL", Usb("/"));
    library_->AddObserver(&log_);
  }
  void TearDown() override { library_->RemoveObserver(&log_); }

  const Catalog* AddVolume(const std::string& label, const std::string& root, uint32_t serial = kUsbSerial) {
    auto pending = std::make_unique<Catalog>();
    FillVolume(*pending, root, serial);
    pending->volumeLabel = label;
    const Catalog* added = pending.get();
    EXPECT_TRUE(library_->AddCatalog(pending));
    return added;
  }
  DeleteFilesResult Delete(FormTab tab, std::vector<const FileRecord*> rows) {
    return DeleteSelectedFiles(*library_, prompts_, shell_, volumes_, tab, rows);
  }
  std::string Usb(const std::string& relative) const { return machine_.Usb() + relative; }
  std::vector<std::string> Names(const Catalog& catalog) const {
    std::vector<std::string> names;
    for (const FileRecord* r : catalog.files) names.emplace_back(r->Name());
    return names;
  }

  test::VolumeFixture machine_;
  VolumeQuery volumes_{machine_.paths};
  std::unique_ptr<CatalogLibrary> library_;
  const Catalog* usb_ = nullptr;
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
  EXPECT_EQ(prompts_.details, (Calls{Usb("/docs/b.txt") + "\n" + Usb("/a.txt") + " [default No]"}));
  EXPECT_EQ(shell_.calls, (Calls{"trash|" + Usb("/docs/b.txt"), "trash|" + Usb("/a.txt")}));
  EXPECT_EQ(result.trashed, (Calls{Usb("/docs/b.txt"), Usb("/a.txt")}));
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
  const Catalog* windows = AddVolume("WIN", "E:\\");
  shell_.results["trash|" + Usb("/docs/b.txt")] = ShellResult::Fail(Failure::kPermissionDenied);
  prompts_.answers = {true};
  const FileRecord* a = Find(*usb_, "a.txt");
  const FileRecord* b = Find(*usb_, "b.txt");
  const FileRecord* winA = Find(*windows, "a.txt");
  const DeleteFilesResult result = Delete(FormTab::kDirectory, {a, b, winA});
  EXPECT_EQ(shell_.calls, (Calls{"trash|" + Usb("/a.txt"), "trash|" + Usb("/docs/b.txt")}));
  EXPECT_EQ(result.removed, 1);
  EXPECT_EQ(result.kept, (std::vector<const FileRecord*>{b, winA}));
  EXPECT_EQ(Names(*usb_), (Calls{"docs", "b.txt"}));
  EXPECT_EQ(windows->FileCount(), 3);
  const std::string message =
      std::string(texts::kNotTrashed) + "\n" + Usb("/docs/b.txt") +
      ": The operating system denied access to the specified file.\nE:\\a.txt: It was "
      "catalogued on another system (volume root E:\\) and cannot be reached from here.";
  EXPECT_EQ(result.message, message);
  EXPECT_EQ(prompts_.log, (Calls{"?Mardo|Really want to delete ?", "Mardo|" + message}));
}

TEST_F(DeleteFilesTest, OneFileNamedByTwoCatalogsOrTwoRowsGoesToTheTrashOnce) {
  const Catalog* again = AddVolume("AGAIN", Usb("/"));
  prompts_.answers = {true};
  const FileRecord* a = Find(*usb_, "a.txt");
  const DeleteFilesResult result = Delete(FormTab::kSearch, {a, a, Find(*again, "a.txt")});
  EXPECT_EQ(shell_.calls, (Calls{"trash|" + Usb("/a.txt")}));
  EXPECT_EQ(result.removed, 2);
  EXPECT_EQ(result.changed, (std::vector<const Catalog*>{usb_, again}));
  EXPECT_EQ(log_.told, (Calls{"VOL:a.txt", "AGAIN:a.txt"}));
  EXPECT_EQ(library_->RecordCount(), 4);
}

TEST_F(DeleteFilesTest, NothingIsTrashedUnlessTheCataloguedMediumIsAtItsRoot) {
  const Catalog* elsewhere = AddVolume("HOME", machine_.tmp.Path() + "/", kUsbSerial);  // no mount point
  const std::vector<const FileRecord*> rows = {Find(*usb_, "a.txt"), Find(*usb_, "b.txt")};
  const std::string refusal =
      "Nothing was moved to the trash, because the medium 'VOL' \r\nis not present in original device (" +
      Usb("/") + "). Insert it and try again.";
  // Another card with the same label, mounted at the same place.
  machine_.SetUuid("sdb1", "1111-2222");
  prompts_.answers = {true, true};
  DeleteFilesResult result = Delete(FormTab::kSearch, rows);
  EXPECT_EQ(result.message, refusal);
  EXPECT_EQ(result.kept, rows);
  EXPECT_EQ(result.removed, 0);
  // A root that is not the mount point of a volume with the catalog's serial number.
  machine_.SetUuid("sdb1", "ABCD-1234");
  result = Delete(FormTab::kSearch, {Find(*elsewhere, "a.txt"), rows[0]});
  EXPECT_EQ(result.removed, 0);
  EXPECT_TRUE(shell_.calls.empty());
  EXPECT_EQ(prompts_.log,
            (Calls{"?Mardo|Really want to delete ?", "Mardo|" + refusal, "?Mardo|Really want to delete ?",
                   "Mardo|Nothing was moved to the trash, because the medium 'HOME' \r\nis not "
                   "present in original device (" +
                       machine_.tmp.Path() + "/). Insert it and try again."}));
  EXPECT_EQ(usb_->FileCount(), 3);
  EXPECT_TRUE(log_.told.empty());
}

TEST_F(DeleteFilesTest, ARootThatIsNoAbsolutePathIsNeverHandedToTheTrash) {
  const Catalog* crafted = AddVolume("X", "-oProxy=x/");
  prompts_.answers = {true};
  const DeleteFilesResult result = Delete(FormTab::kSearch, {Find(*crafted, "a.txt")});
  EXPECT_TRUE(shell_.calls.empty());
  EXPECT_EQ(result.message, std::string(texts::kNotTrashed) +
                                "\n-oProxy=x/a.txt: Its catalog gives the volume root '-oProxy=x/', which is "
                                "not an absolute path, so it cannot be reached.");
}

}  // namespace
}  // namespace mardo
