// The row actions of the window: the context menus, copying, dragging, opening and trashing.
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QMimeData>
#include <QStandardPaths>
#include <QTabBar>

#include <filesystem>

#include "platform/volume_query.h"
#include "scan/volume_path.h"
#include "search/command_ids.h"
#include "search/copy_text.h"
#include "search/entry_path.h"
#include "ui/qt_desktop_shell.h"
#include "window_fixture.h"

namespace mardo {
namespace {

using test::WindowTest;
using Strings = std::vector<std::string>;

class ActionsTest : public WindowTest {
 protected:
  // Writes the catalog "a.mvl" of the directory media/usb as a scan on this machine records it:
  // with the root and serial number of the file system that holds it (another medium with
  // `otherMedium`). Returns the directory's real path.
  std::string WriteCatalogOfThisMachine(bool otherMedium = false) {
    const std::string dir = tmp.MakeDir("media/usb");
    const VolumeIdentity volume = VolumeQuery().Identify(dir);
    EXPECT_TRUE(volume.ok);
    const VolumeSplit split = SplitAtMountPoint(volume.mountPoint, volume.canonicalPath);
    WriteCatalog("a.mvl", "ALPHA", volume.serial + (otherMedium ? 1 : 0), split.volumeRoot, split.rest);
    return volume.canonicalPath;
  }
  QTabBar* Tabs() { return Find<QTabBar>("tabs"); }
  Strings Menu() {
    Strings labels;
    for (const MenuItem& item : Form().Actions().ContextMenuItems())
      labels.push_back(item.IsSeparator() ? "-" : item.label);
    return labels;
  }
};

TEST_F(ActionsTest, EachTabBuildsItsOwnMenu) {
  WriteCatalog("a.mvl", "ALPHA");
  Start({"-dd"});
  Search("o");  // "docs" and "old"
  SelectRows(ListKind::kResults, {RowNamed(ListKind::kResults, "docs")});
  EXPECT_EQ(Menu(), (Strings{"Open", "Explore", "-", "Delete selected files", "-",
                             "Copy selected rows to the clipboard"}));
  SelectRows(ListKind::kResults, {0, 1});
  EXPECT_EQ(Menu(), (Strings{"Delete selected files", "-", "Copy selected rows to the clipboard"}));

  Search("b.txt");
  SelectRows(ListKind::kResults, {0});
  Tabs()->setCurrentIndex(1);
  SelectRows(ListKind::kDirectory, {RowNamed(ListKind::kDirectory, "b.txt")});
  EXPECT_EQ(Menu(), (Strings{"Open", "Open in New Window", "Explore parent directory", "-",
                             "Display parent directory", "-", "Delete selected files", "-",
                             "Copy selected rows to the clipboard"}));

  Tabs()->setCurrentIndex(2);
  SelectRows(ListKind::kCatalog, {0});
  EXPECT_EQ(Menu(),
            (Strings{"Refresh", "Delete selected catalogs", "-", "Copy selected rows to the clipboard"}));
  // A catalog of an older version has nothing to refresh from.
  const_cast<Catalog*>(Form().Library().Catalogs()[0])->formatVersion = 1;  // as read from an old file
  EXPECT_EQ(Menu(), (Strings{"Delete selected catalogs", "-", "Copy selected rows to the clipboard"}));
}

TEST_F(ActionsTest, CopyPutsTheCoresTextOnTheClipboardOnlyWithASelection) {
  WriteCatalog("a.mvl", "ALPHA");
  Start();
  QGuiApplication::clipboard()->setText("before");
  Search(".txt");
  Form().Actions().RunCommand(command::kCopySelectedRows);  // no row selected: the command is off
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");

  SelectRows(ListKind::kResults, {0, 2});
  QTest::keyClick(Form().ListOf(ListKind::kResults), Qt::Key_C, Qt::ControlModifier);
  const std::vector<const FileRecord*> rows = Form().SelectedRecords(ListKind::kResults);
  DateFormats formats{"%y-%m-%d", "%y-%m-%d %H:%M:%S", "%y-%m-%d %H:%M:%S"};
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
            BuildCopyText(FormTab::kSearch, rows, {}, formats, "."));
  EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith("/a.txt"));
  EXPECT_TRUE(QGuiApplication::clipboard()->text().endsWith("ALPHA\r\n"));

  Tabs()->setCurrentIndex(2);
  Form().OnSelectAll();
  Form().Actions().RunCommand(command::kCopySelectedRows);
  EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith("ALPHA           \t"));
}

TEST_F(ActionsTest, OpenAndExploreGoToTheDesktopWithTheEntrysPath) {
  tmp.MakeFile("media/usb/docs/b.txt", 20);
  WriteCatalog("a.mvl", "ALPHA", 0, tmp / "media/usb/");
  Start();
  Search("b.txt");
  SelectRows(ListKind::kResults, {0});
  Form().Actions().RunCommand(command::kOpen);
  Form().Actions().RunCommand(command::kOpenInNewWindow);
  Form().Actions().RunCommand(command::kExploreParent);
  const std::string file = tmp / "media/usb/docs/b.txt";
  EXPECT_EQ(shell.calls, (Strings{"open|" + file, "start|" + file, "show|" + file}));

  // A failure says why, naming the file.
  shell.results["open|" + file] = ShellResult::Fail(ShellResult::Failure::kNoApplication);
  Form().Actions().RunCommand(command::kOpen);
  EXPECT_EQ(prompts.log, (Strings{"Mardo|The file '" + file +
                                  "' cannot be opened.\r\n There is no application associated with the given "
                                  "filename extension."}));
}

TEST_F(ActionsTest, TrashedFilesLeaveBothFileListsAndTheOthersStay) {
  tmp.MakeFile("media/usb/a.txt", 10);
  tmp.MakeFile("media/usb/docs/b.txt", 20);
  const std::string usb = WriteCatalogOfThisMachine();
  Start({"-dd"});
  Search(".txt");
  ASSERT_EQ(Rows(ListKind::kResults).size(), 3u);
  // The directory list shows the same a.txt.
  SelectRows(ListKind::kResults, {RowNamed(ListKind::kResults, "a.txt")});
  Tabs()->setCurrentIndex(1);
  ASSERT_EQ(Rows(ListKind::kDirectory), (Strings{"docs", "a.txt"}));
  Tabs()->setCurrentIndex(0);

  const std::string b = usb + "/docs/b.txt";
  shell.results["trash|" + b] = ShellResult::Fail(ShellResult::Failure::kPermissionDenied);
  SelectRows(ListKind::kResults, {0, 1, 2});
  prompts.answers = {true};
  Form().Actions().RunCommand(command::kDeleteSelectedFiles);
  EXPECT_EQ(shell.calls,
            (Strings{"trash|" + usb + "/a.txt", "trash|" + b, "trash|" + usb + "/docs/old/c.txt"}));
  EXPECT_EQ(Rows(ListKind::kResults), (Strings{"b.txt"}));
  EXPECT_EQ(Rows(ListKind::kDirectory), (Strings{"docs"}));
  ASSERT_EQ(prompts.log.size(), 2u);
  EXPECT_NE(prompts.log[1].find(b), std::string::npos);
  // The record count and the catalog list's Files say the same.
  EXPECT_EQ(Rows(ListKind::kCatalog, 3), (Strings{"3"}));
  EXPECT_EQ(Pane(2), "3");
  // The rows that stayed can be drawn and used.
  Form().ListOf(ListKind::kResults)->grab();
  Form().ListOf(ListKind::kDirectory)->grab();
  Form().Actions().RunCommand(command::kCopySelectedRows);
}

TEST_F(ActionsTest, DeletingFromAnotherMediumIsRefusedWithAMessage) {
  tmp.MakeFile("media/usb/a.txt", 10);
  const std::string usb = WriteCatalogOfThisMachine(true);
  Start({"-dd"});
  Search("a.txt");
  SelectRows(ListKind::kResults, {0});
  prompts.answers = {true};
  Form().Actions().RunCommand(command::kDeleteSelectedFiles);
  EXPECT_TRUE(shell.calls.empty());
  ASSERT_EQ(prompts.log.size(), 2u);
  EXPECT_EQ(prompts.log[1].rfind("Mardo|Nothing was moved to the trash, because the medium 'ALPHA' ", 0), 0u);
  EXPECT_EQ(Rows(ListKind::kResults), (Strings{"a.txt"}));
  EXPECT_TRUE(std::filesystem::exists(usb + "/a.txt"));
}

TEST_F(ActionsTest, ADragCarriesTheFilesAndNothingForDirectoriesOnly) {
  WriteCatalog("a.mvl", "ALPHA", 0, "/media/my usb/");
  Start();
  Search("o");
  SelectRows(ListKind::kResults, {0, 1});
  EXPECT_EQ(Form().Actions().MakeDragData(), nullptr);
  Form().Actions().OnBeginDrag();  // nothing to drag, and no crash

  Search(".txt");
  SelectRows(ListKind::kResults, {0, 1});
  std::unique_ptr<QMimeData> data(Form().Actions().MakeDragData());
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->data("text/uri-list"),
            "file:///media/my%20usb/a.txt\r\nfile:///media/my%20usb/docs/b.txt\r\n");
  EXPECT_EQ(data->text(), "/media/my usb/a.txt\n/media/my usb/docs/b.txt\n");
  const QByteArray block = data->data("application/x-mardo-dropfiles");
  ASSERT_EQ(block.size(), 20 + 20 + 25 + 4);
  EXPECT_EQ(block[0], 20);
  EXPECT_EQ(block.mid(20, 20), QByteArray("/media/my usb/a.txt\0", 20));
}

TEST_F(ActionsTest, FilesDragOutOfTheListWithThePressAMoveAndTheRelease) {
  WriteCatalog("a.mvl", "ALPHA", 0, "/media/usb/");
  Start();
  Search("b.txt");
  CListCtrlEx* list = Form().ListOf(ListKind::kResults);
  const QPoint row = list->visualRect(list->model()->index(0, 0)).center();
  QTest::mousePress(list->viewport(), Qt::LeftButton, {}, row);
  QTest::mouseMove(list->viewport(), row + QPoint(2, 1));
  QTest::mouseMove(list->viewport(), row + QPoint(QApplication::startDragDistance() + 20, 5));
  QTest::mouseRelease(list->viewport(), Qt::LeftButton, {},
                      row + QPoint(QApplication::startDragDistance() + 20, 5));
  ASSERT_NE(dragged, nullptr);
  EXPECT_EQ(dragged->data("text/uri-list"), "file:///media/usb/docs/b.txt\r\n");

  // The catalog list has no files to drag.
  dragged.reset();
  ClickTab(2);
  CListCtrlEx* catalogs = Form().ListOf(ListKind::kCatalog);
  const QPoint catalog = catalogs->visualRect(catalogs->model()->index(0, 0)).center();
  QTest::mousePress(catalogs->viewport(), Qt::LeftButton, {}, catalog);
  QTest::mouseMove(catalogs->viewport(), catalog + QPoint(2, 1));
  QTest::mouseMove(catalogs->viewport(), catalog + QPoint(40, 5));
  QTest::mouseRelease(catalogs->viewport(), Qt::LeftButton, {}, catalog + QPoint(40, 5));
  EXPECT_EQ(dragged, nullptr);
}

TEST(DesktopTrash, AFileGoesToTheTrashOfTheUsersDataDirectory) {
  test::TempDir tmp;
  const std::string file = tmp.MakeFile("work/doomed.txt", 4, -1, "gone");
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(tmp / "data"));
  QtDesktopShell shell;
  EXPECT_TRUE(shell.MoveToTrash(file).Succeeded());
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_TRUE(std::filesystem::exists(tmp / "data/Trash/files/doomed.txt"));
  EXPECT_TRUE(std::filesystem::exists(tmp / "data/Trash/info/doomed.txt.trashinfo"));
  EXPECT_EQ(shell.MoveToTrash(file).failure, ShellResult::Failure::kNoSuchFile);
  qunsetenv("XDG_DATA_HOME");
}

// Runs with the user's data directory and the current directory set, and sets them back.
class TrashPlace {
 public:
  TrashPlace(const std::string& dataHome, const std::string& current) : before_(QDir::currentPath()) {
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dataHome));
    QDir::setCurrent(QString::fromStdString(current));
  }
  ~TrashPlace() {
    QDir::setCurrent(before_);
    qunsetenv("XDG_DATA_HOME");
  }

 private:
  QString before_;
};

TEST(DesktopTrash, AFailureSaysWhatTheTrashGaveAsReason) {
  test::TempDir tmp;
  const std::string file = tmp.MakeFile("work/doomed.txt", 4, -1, "kept");
  tmp.MakeFile("data/Trash/files", 0, -1, "not a directory");
  const TrashPlace place(tmp / "data", tmp.MakeDir("current"));
  const ShellResult result = QtDesktopShell().MoveToTrash(file);
  EXPECT_EQ(result.failure, ShellResult::Failure::kOther);
  EXPECT_FALSE(result.systemText.empty());
  EXPECT_EQ(result.systemText.find("Unknown error"), std::string::npos) << result.systemText;
  EXPECT_EQ(tmp.ReadFile("work/doomed.txt"), "kept");
}

TEST(DesktopTrash, WithoutATrashTheFileStaysAndNothingIsLeftBehind) {
  test::TempDir tmp;
  const std::string file = tmp.MakeFile("work/doomed.txt", 4, -1, "kept");
  tmp.MakeFile("blocker", 0, -1, "a file where the data directory would be");
  const std::string current = tmp.MakeDir("current");
  tmp.MakeDir("current/info");  // the user's own, which stays
  const TrashPlace place(tmp / "blocker/data", current);
  const ShellResult result = QtDesktopShell().MoveToTrash(file);
  EXPECT_EQ(result.failure, ShellResult::Failure::kOther);
  EXPECT_EQ(result.systemText, "there is no trash to move it to");
  EXPECT_EQ(tmp.ReadFile("work/doomed.txt"), "kept");
  EXPECT_FALSE(std::filesystem::exists(tmp / "current/files"));
  EXPECT_TRUE(std::filesystem::is_empty(tmp / "current/info"));
}

TEST(DesktopOpen, AFileWhoseTypeHasNoApplicationOpensWithThatOfItsParentType) {
  test::TempDir tmp;
  const std::string script = tmp.MakeFile("work/tool.py", 0, -1, "print('hi')\n");
  tmp.MakeFile("config/mimeapps.list", 0, -1, "[Default Applications]\ntext/plain=copier.desktop\n");
  tmp.MakeFile("data/applications/copier.desktop", 0, -1,
               "[Desktop Entry]\nType=Application\nExec=cp %f " + tmp / "opened" + "\n");
  qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(tmp / "config"));
  qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(tmp / "none"));
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(tmp / "data"));
  QtDesktopShell shell;
  EXPECT_TRUE(shell.StartDefaultApplication(script).Succeeded());
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME"}) qunsetenv(name);
  // The program runs on its own: wait for its copy of the script, whole (the copy exists before
  // its bytes are written).
  EXPECT_TRUE(QTest::qWaitFor([&] { return tmp.ReadFile("opened") == "print('hi')\n"; }, 20000));
  EXPECT_EQ(tmp.ReadFile("opened"), "print('hi')\n");
}

}  // namespace
}  // namespace mardo
