// The three tabs at work: searching, browsing, adding, refreshing and deleting catalogs.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <future>
#include <tuple>

#include "search/command_ids.h"
#include "search/directory_listing.h"
#include "window_fixture.h"

namespace mardo {
namespace {

using test::WindowTest;
using Strings = std::vector<std::string>;

class TabsTest : public WindowTest {
 protected:
  QTabBar* Tabs() { return Find<QTabBar>("tabs"); }
  std::vector<std::string> SelectedNames(ListKind list) {
    std::vector<std::string> names;
    for (const int row : Form().ListOf(list)->SelectedRows())
      names.push_back(Form().ListOf(list)->model()->index(row, 0).data().toString().toStdString());
    return names;
  }
};

TEST_F(TabsTest, ASearchFillsTheSortedResultsAndTheHitCount) {
  WriteCatalog("a.mvl", "ALPHA");
  WriteCatalog("b.mvl", "BETA");
  Start();
  Search(".txt");
  EXPECT_EQ(Rows(ListKind::kResults), (Strings{"a.txt", "a.txt", "b.txt", "b.txt", "c.txt", "c.txt"}));
  EXPECT_EQ(Rows(ListKind::kResults, 4), (Strings{"", "", "/docs", "/docs", "/docs/old", "/docs/old"}));
  EXPECT_EQ(Pane(1), "6");
  EXPECT_TRUE(Form().ListOf(ListKind::kResults)->hasFocus() || !Frame().isActiveWindow());
  EXPECT_EQ(Find<QComboBox>("pattern")->itemText(0), ".txt");

  // Nothing to search for: the message, and the rows stay.
  Find<QComboBox>("pattern")->setEditText("");
  Form().Search().ReadSearchConditions();
  EXPECT_EQ(prompts.log, (Strings{"Mardo|Define at least one search condition."}));
  EXPECT_EQ(Rows(ListKind::kResults).size(), 6u);

  // Directories first, then by name; the hit limit cuts the scan, '>' marks it.
  Find<QLineEdit>("hitLimit")->setText("3");
  Form().Directory().OnHitLimitLostFocus();
  Search("|");
  EXPECT_EQ(Pane(1), "0");
  Search("o");
  EXPECT_EQ(Rows(ListKind::kResults), (Strings{"docs", "docs", "old"}));
  EXPECT_EQ(Pane(1), ">3");

  // The mode box and the "Selected Catalogs only" box clear the rows and the count.
  Find<QComboBox>("mode")->setCurrentIndex(1);
  EXPECT_TRUE(Rows(ListKind::kResults).empty());
  EXPECT_EQ(Pane(1), "");
  Search("o");
  Find<QCheckBox>("selectedOnly")->click();
  EXPECT_TRUE(Rows(ListKind::kResults).empty());
}

TEST_F(TabsTest, NotOnOtherVolumesListsTheFilesWithoutACopyAndSaysHowMuchThatIs) {
  WriteCatalog("a.mvl", "ALPHA");
  Catalog solo;  // b.txt one byte longer than ALPHA's, the others copies in another case
  solo.filePath = tmp / "catalogs/solo.mvl";
  solo.volumeLabel = "SOLO";
  solo.AddDirectory("", 3, 61.0);
  solo.AddFile("A.TXT", 1, 10, 0);
  solo.AddFile("b.txt", 2, 21, 0);
  solo.AddFile("C.txt", 3, 30, 0);
  ASSERT_TRUE(solo.Write());
  Start();
  QComboBox* mode = Find<QComboBox>("mode");
  mode->setFocus();
  for (int i = 0; i < 3; ++i) QTest::keyClick(mode, Qt::Key_Down);
  ASSERT_EQ(mode->currentText(), "Not on other volumes");
  QTest::mouseClick(Find<QPushButton>("search"), Qt::LeftButton);
  EXPECT_EQ(Rows(ListKind::kResults), (Strings{"b.txt", "b.txt"}));
  EXPECT_EQ(Rows(ListKind::kResults, 2), (Strings{"20", "21"}));
  EXPECT_EQ(Pane(0), "2 files (41 bytes) have no copy on another volume");
  EXPECT_EQ(Pane(1), "2");

  // Only SOLO searched: ALPHA is the other volume. The rows go, and their summary with them.
  QTest::mouseClick(Find<QCheckBox>("selectedOnly"), Qt::LeftButton);
  EXPECT_EQ(Pane(0), "Type a part of filename and push Search");
  SelectRows(ListKind::kCatalog, {RowNamed(ListKind::kCatalog, "SOLO")});
  QTest::mouseClick(Find<QPushButton>("search"), Qt::LeftButton);
  EXPECT_EQ(Rows(ListKind::kResults, 3), (Strings{"SOLO"}));
  EXPECT_EQ(Pane(0), "1 file (21 bytes) has no copy on the volumes not searched");
}

TEST_F(TabsTest, ADateOrLengthReadOtherwiseThanTypedIsSaid) {
  WriteCatalog("a.mvl", "ALPHA");
  Start();
  QComboBox* dateOperator = Find<QComboBox>("dateOperator");
  dateOperator->setFocus();
  for (int i = 0; i < 3; ++i) QTest::keyClick(dateOperator, Qt::Key_Down);  // " ", "<", "<="
  ASSERT_EQ(dateOperator->currentText(), "<=");
  for (const auto& [typed, day] :
       std::vector<std::pair<QString, std::string>>{{"abc", "2000-01-01"}, {"2026", "2020-01-01"}}) {
    Type(Find<QLineEdit>("date"), typed);
    QTest::keyClick(Find<QLineEdit>("date"), Qt::Key_Return);
    EXPECT_EQ(Pane(0).toStdString(),
              "Note: the date '" + typed.toStdString() + "' is read as " + day +
                  " (dates are YYMMDD, YYMM or YY, -N for N days ago, or none for today)");
  }
  // Read as typed: no note; the search keeps its reading.
  Type(Find<QLineEdit>("date"), "700102");
  QTest::keyClick(Find<QLineEdit>("date"), Qt::Key_Return);
  EXPECT_EQ(Pane(0), "Type a part of filename and push Search");
  EXPECT_EQ(Rows(ListKind::kResults).size(), 5u);
}

TEST_F(TabsTest, SelectedCatalogsOnlySearchesTheSelectedRows) {
  WriteCatalog("a.mvl", "ALPHA");
  WriteCatalog("b.mvl", "BETA");
  Start();
  Find<QCheckBox>("selectedOnly")->setChecked(true);
  SelectRows(ListKind::kCatalog, {RowNamed(ListKind::kCatalog, "BETA")});
  Search("a.txt");
  EXPECT_EQ(Rows(ListKind::kResults, 3), (Strings{"BETA"}));
}

TEST_F(TabsTest, TheHitLimitFieldIsNormalisedWhenItLosesTheFocus) {
  Start();
  QLineEdit* field = Find<QLineEdit>("hitLimit");
  for (const auto& [typed, shown] : std::vector<std::pair<QString, QString>>{{"0", "2560"},
                                                                             {"6000", "2560"},
                                                                             {"5120", "5120"},
                                                                             {"-3", "2560"},
                                                                             {"abc", "2560"},
                                                                             {"12x", "12"}}) {
    field->setText(typed);
    Form().Directory().OnHitLimitLostFocus();
    EXPECT_EQ(field->text(), shown) << typed.toStdString();
    EXPECT_EQ(Form().HitLimit(), shown.toInt());
  }
  // A text that is not a number when a search starts: the toolkit's message, the old limit.
  field->setText("many");
  Search("x");
  EXPECT_EQ(prompts.log, (Strings{"Mardo|Please enter an integer."}));
  EXPECT_EQ(Form().HitLimit(), 12);
  Close();

  Start({"-dd"});
  Find<QLineEdit>("hitLimit")->setText("6000");
  Form().Directory().OnHitLimitLostFocus();
  EXPECT_EQ(Form().HitLimit(), 6000);
}

TEST_F(TabsTest, TheDirectoryTabNeedsExactlyOneSelectedRow) {
  WriteCatalog("a.mvl", "ALPHA");
  Start();
  Search(".txt");
  SelectRows(ListKind::kResults, {0, 1});
  Tabs()->setCurrentIndex(1);
  EXPECT_EQ(prompts.log, (Strings{"Mardo|At first select one row from Search results or Catalog list\n"
                                  "to see the files in same directory."}));
  EXPECT_EQ(Tabs()->currentIndex(), 0);
  EXPECT_EQ(Form().ShownTab(), 0);
  EXPECT_TRUE(Find<QWidget>("results")->isVisible());

  // One file: its directory, with its row selected; the caption names the catalog.
  SelectRows(ListKind::kResults, {RowNamed(ListKind::kResults, "b.txt")});
  Form().OnListDoubleClick();
  EXPECT_EQ(Form().ShownTab(), 1);
  EXPECT_EQ(Tabs()->currentIndex(), 1);
  EXPECT_EQ(Rows(ListKind::kDirectory), (Strings{"old", "b.txt"}));
  EXPECT_EQ(SelectedNames(ListKind::kDirectory), (Strings{"b.txt"}));
  EXPECT_EQ(Find<QLabel>("caption")->text(), "ALPHA");

  // A catalog: its root directory.
  Tabs()->setCurrentIndex(2);
  SelectRows(ListKind::kCatalog, {0});
  Form().OnListDoubleClick();
  EXPECT_EQ(Rows(ListKind::kDirectory), (Strings{"docs", "a.txt"}));
}

TEST_F(TabsTest, ParentAndSubdirectoryWalkTheCataloguedTree) {
  WriteCatalog("a.mvl", "ALPHA");
  Start();
  Search("c.txt");
  SelectRows(ListKind::kResults, {0});
  Tabs()->setCurrentIndex(1);
  EXPECT_EQ(Rows(ListKind::kDirectory), (Strings{"c.txt"}));

  Form().Directory().OnParent();
  EXPECT_EQ(Rows(ListKind::kDirectory), (Strings{"old", "b.txt"}));
  EXPECT_EQ(SelectedNames(ListKind::kDirectory), (Strings{"old"}));
  QTest::keyClick(Form().ListOf(ListKind::kDirectory), Qt::Key_U, Qt::ControlModifier);
  EXPECT_EQ(Rows(ListKind::kDirectory), (Strings{"docs", "a.txt"}));
  EXPECT_EQ(SelectedNames(ListKind::kDirectory), (Strings{"docs"}));
  Form().Directory().OnParent();  // the root: nothing happens
  EXPECT_EQ(Rows(ListKind::kDirectory), (Strings{"docs", "a.txt"}));

  // Enter opens the selected directory; on a file it says why not.
  SelectRows(ListKind::kDirectory, {0});
  QTest::keyClick(Form().ListOf(ListKind::kDirectory), Qt::Key_Return);
  EXPECT_EQ(Rows(ListKind::kDirectory), (Strings{"old", "b.txt"}));
  SelectRows(ListKind::kDirectory, {1});
  QTest::keyClick(Form().ListOf(ListKind::kDirectory), Qt::Key_Return);
  EXPECT_EQ(prompts.log, (Strings{"Mardo|Select a Directory row !"}));
  // A double click on a directory row opens it.
  SelectRows(ListKind::kDirectory, {0});
  Form().Directory().OpenDirectoryEntry();
  EXPECT_EQ(Rows(ListKind::kDirectory), (Strings{"c.txt"}));
}

TEST_F(TabsTest, TheHitLimitNoteSaysWhetherTheListingShownIsCut) {
  WriteCatalog("a.mvl", "ALPHA");
  Start();
  ClickTab(2);
  ClickRow(ListKind::kCatalog, 0);
  ClickTab(1);
  ASSERT_EQ(Rows(ListKind::kDirectory), (Strings{"docs", "a.txt"}));
  QLineEdit* limit = Find<QLineEdit>("hitLimit");
  Type(limit, "1");
  QTest::keyClick(limit, Qt::Key_Tab);  // leaving the field takes the limit
  ClickRow(ListKind::kDirectory, 0);
  QTest::keyClick(Form().ListOf(ListKind::kDirectory), Qt::Key_Return);  // "docs": one of two entries
  EXPECT_EQ(Rows(ListKind::kDirectory), (Strings{"b.txt"}));
  EXPECT_EQ(Pane(0), "Only the first 1 entries of this directory are listed (Hit limit)");
  Type(limit, "512");
  QTest::keyClick(limit, Qt::Key_Tab);
  QTest::keyClick(Form().ListOf(ListKind::kDirectory), Qt::Key_U, Qt::ControlModifier);  // all of the root
  EXPECT_EQ(Rows(ListKind::kDirectory), (Strings{"docs", "a.txt"}));
  EXPECT_EQ(Pane(0), "Doubleclick on directory shows its content");

  // A listing cut on the way to the tab keeps its note.
  Type(limit, "1");
  QTest::keyClick(limit, Qt::Key_Tab);
  ClickTab(2);
  ClickTab(1);
  EXPECT_EQ(Pane(0), "Only the first 1 entries of this directory are listed (Hit limit)");
}

TEST_F(TabsTest, EnterOnTheSearchTabSearchesAndCtrlUIsOffThere) {
  WriteCatalog("a.mvl", "ALPHA");
  Start();
  QComboBox* pattern = Find<QComboBox>("pattern");
  pattern->setEditText("b.txt");
  QTest::keyClick(pattern->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(Rows(ListKind::kResults), (Strings{"b.txt"}));
  QTest::keyClick(Form().ListOf(ListKind::kResults), Qt::Key_U, Qt::ControlModifier);
  EXPECT_EQ(Form().ShownTab(), 0);
  EXPECT_TRUE(Rows(ListKind::kDirectory).empty());
}

TEST_F(TabsTest, AddCataloguesOnAWorkerThreadAndSelectsTheNewRow) {
  tmp.MakeFile("media/x/one.txt", 1);
  tmp.MakeFile("media/x/sub/two.txt", 2);
  Start();
  Tabs()->setCurrentIndex(2);
  Find<QComboBox>("root")->setEditText(QString::fromStdString(tmp / "media/x"));
  Form().Catalogs().OnRootLostFocus();  // identifies the volume and proposes a label
  const std::string label = "[" + NormaliseCatalogPath(tmp / "media/x") + "]";
  EXPECT_EQ(Find<QLineEdit>("volumeLabel")->text(), "\\x");
  Find<QLineEdit>("volumeLabel")->setText("Holiday");
  Find<QComboBox>("ignore")->setEditText("*.tmp");
  Find<QPushButton>("add")->click();
  WaitForScan();
  EXPECT_EQ(Pane(0).toStdString(), "3 files added to catalog from " + label);
  EXPECT_EQ(Rows(ListKind::kCatalog), (Strings{"Holiday"}));
  EXPECT_EQ(Pane(2), "3");
  EXPECT_TRUE(std::filesystem::exists(tmp / "catalogs/Holiday.mvl"));
  EXPECT_EQ(Find<QComboBox>("root")->currentText(), "");
  EXPECT_EQ(Find<QLineEdit>("volumeLabel")->text(), "");
  EXPECT_EQ(Find<QComboBox>("root")->itemText(0).toStdString(), tmp / "media/x");
  EXPECT_EQ(Find<QComboBox>("ignore")->itemText(0), "*.tmp");
  EXPECT_TRUE(Find<QWidget>("root")->isEnabled());
  EXPECT_FALSE(Find<QWidget>("cancel")->isVisible());

  // Refresh replaces the catalog and selects its row.
  tmp.MakeFile("media/x/three.txt", 3);
  SelectRows(ListKind::kCatalog, {0});
  Form().Catalogs().OnRefresh();
  WaitForScan();
  EXPECT_EQ(Rows(ListKind::kCatalog, 3), (Strings{"4"}));
  EXPECT_EQ(SelectedNames(ListKind::kCatalog), (Strings{"Holiday"}));
}

TEST_F(TabsTest, DuringAScanOnlyTheCatalogInputsWaitAndOnlyEscapeOrAClickCancels) {
  WriteCatalog("a.mvl", "ALPHA");
  tmp.MakeFile("media/x/one.txt", 1);
  Start();
  ClickTab(2);
  HoldScans();
  Type(Find<QLineEdit>("volumeLabel"), "New");
  Type(Find<QComboBox>("root"), QString::fromStdString(tmp / "media/x"));
  QTest::keyClick(Find<QComboBox>("root")->lineEdit(), Qt::Key_Return);
  ASSERT_TRUE(Form().Catalogs().Scanning());
  for (const char* waiting : {"root", "browse", "ignore", "volumeLabel", "add"})
    EXPECT_FALSE(Find<QWidget>(waiting)->isEnabled()) << waiting;
  EXPECT_TRUE(Find<QWidget>("cancel")->isVisible());
  // The focus is not on Cancel, and Enter does not cancel.
  QWidget* focus = QApplication::focusWidget();
  ASSERT_NE(focus, nullptr);
  EXPECT_NE(focus, Find<QWidget>("cancel"));
  QTest::keyClick(focus, Qt::Key_Return);
  EXPECT_TRUE(Form().Catalogs().Scanning());

  // The Search and Directory tabs work on the loaded catalogs meanwhile.
  ClickTab(0);
  Search("a.txt");
  EXPECT_EQ(Rows(ListKind::kResults), (Strings{"a.txt"}));
  ClickRow(ListKind::kResults, 0);
  ClickTab(1);
  EXPECT_EQ(Form().ShownTab(), 1);
  EXPECT_EQ(Rows(ListKind::kDirectory), (Strings{"docs", "a.txt"}));
  ClickTab(2);

  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  Release();
  WaitForScan();
  EXPECT_EQ(Pane(0), "Scan cancelled: nothing added to catalog from ");
  EXPECT_EQ(Rows(ListKind::kCatalog), (Strings{"ALPHA"}));
  EXPECT_FALSE(std::filesystem::exists(tmp / "catalogs/New.mvl"));
  EXPECT_TRUE(Find<QWidget>("add")->isEnabled());
  // The boxes stay for another try.
  EXPECT_EQ(Find<QComboBox>("root")->currentText().toStdString(), tmp / "media/x");
  EXPECT_EQ(Find<QLineEdit>("volumeLabel")->text(), "New");

  // A click on Cancel cancels too.
  HoldScans();
  QTest::mouseClick(Find<QPushButton>("add"), Qt::LeftButton);
  ASSERT_TRUE(Form().Catalogs().Scanning());
  QTest::mouseClick(Find<QPushButton>("cancel"), Qt::LeftButton);
  Release();
  WaitForScan();
  EXPECT_EQ(Pane(0), "Scan cancelled: nothing added to catalog from ");
  EXPECT_EQ(Rows(ListKind::kCatalog), (Strings{"ALPHA"}));
  EXPECT_TRUE(prompts.log.empty());
}

TEST_F(TabsTest, ClosingTheWindowDuringAScanThatDoesNotAnswerDoesNotWaitForIt) {
  tmp.MakeFile("media/x/one.txt", 1);
  Start();
  ClickTab(2);
  HoldScans();  // the medium does not answer until the window is gone
  Type(Find<QLineEdit>("volumeLabel"), "New");
  Type(Find<QComboBox>("root"), QString::fromStdString(tmp / "media/x"));
  QTest::mouseClick(Find<QPushButton>("add"), Qt::LeftButton);
  ASSERT_TRUE(Form().Catalogs().Scanning());
  Close();  // returns at once: the scan is left to itself
  Release();
  // The scan then ends on its own; nothing of the window is left for it to touch.
  QTest::qWait(50);
  EXPECT_FALSE(std::filesystem::exists(tmp / "catalogs/New.mvl"));
}

TEST_F(TabsTest, TheRootBoxIdentifiesTheVolumeAndAddSaysWhatIsMissing) {
  tmp.MakeFile("media/x/one.txt", 1);
  Start();
  Tabs()->setCurrentIndex(2);
  Form().Catalogs().OnAdd();
  EXPECT_EQ(prompts.log, (Strings{"Mardo|Select Root directory before Add"}));
  chosenFolder = QString::fromStdString(tmp / "media/x");
  Find<QPushButton>("browse")->click();
  EXPECT_EQ(Find<QComboBox>("root")->currentText(), *chosenFolder);
  EXPECT_EQ(Find<QLineEdit>("volumeLabel")->text(), "\\x");
  Find<QLineEdit>("volumeLabel")->clear();
  Find<QComboBox>("root")->setEditText(QString::fromStdString(tmp / "media/gone"));
  Form().Catalogs().OnRootLostFocus();
  ASSERT_EQ(prompts.log.size(), 2u);
  EXPECT_EQ(prompts.log[1], "Volume label error|No such file or directory");
  EXPECT_EQ(Find<QComboBox>("root")->currentText(), "");
}

TEST_F(TabsTest, ACatalogThatCannotBeWrittenLeavesTheListsAndCountsAsTheyWere) {
  WriteCatalog("a.mvl", "ALPHA");
  tmp.MakeFile("media/x/one.txt", 1);
  Start();
  Search("a.txt");
  ClickTab(2);
  const auto before = [this] {
    return std::make_tuple(Rows(ListKind::kCatalog, 0), Rows(ListKind::kCatalog, 3), Rows(ListKind::kResults),
                           Pane(2));
  };
  const auto shown = before();
  // The catalog directory went away while the window was open.
  std::filesystem::rename(tmp / "catalogs", tmp / "elsewhere");
  Type(Find<QLineEdit>("volumeLabel"), "New");
  Type(Find<QComboBox>("root"), QString::fromStdString(tmp / "media/x"));
  QTest::keyClick(Find<QComboBox>("root")->lineEdit(), Qt::Key_Return);
  WaitForScan();
  std::filesystem::rename(tmp / "elsewhere", tmp / "catalogs");
  EXPECT_EQ(before(), shown);
  const std::string file = tmp / "catalogs/New.mvl";
  EXPECT_EQ(Pane(0).toStdString(), "Nothing added: the catalog file '" + file +
                                       "' could not be written (No such file or directory)");
  EXPECT_EQ(prompts.log, (Strings{"Mardo|The catalog file '" + file +
                                  "' could not be written.\r\nNo such file or directory"}));
  EXPECT_EQ(Find<QLineEdit>("volumeLabel")->text(), "New");

  // A full disk under Yes to Overwrite: the old catalog stays, in the list and in its file.
  ClickRow(ListKind::kCatalog, 0);
  const std::string old = tmp.ReadFile("catalogs/a.mvl");
  for (int i = 0; i < 300; ++i) tmp.MakeFile("media/usb/f" + std::to_string(i), 1);
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  const rlimit small{4096, saved.rlim_max};
  ::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &small);
  prompts.answers = {true};
  Type(Find<QLineEdit>("volumeLabel"), "ALPHA");
  Type(Find<QComboBox>("root"), QString::fromStdString(tmp / "media/usb"));
  QTest::mouseClick(Find<QPushButton>("add"), Qt::LeftButton);
  WaitForScan();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, SIG_DFL);
  EXPECT_EQ(before(), shown);
  EXPECT_EQ(tmp.ReadFile("catalogs/a.mvl"), old);
  EXPECT_NE(prompts.log.back().find("File too large"), std::string::npos);
}

TEST_F(TabsTest, RefreshAndTheFolderChooserKeepAWholeLongRoot) {
  const std::string deep = "media/x/" + std::string(70, 'p') + "/" + std::string(70, 'q');
  tmp.MakeFile(deep + "/inside.txt", 1);
  tmp.MakeFile("media/x/" + std::string(70, 'p') + "/beside.txt", 1);
  ASSERT_GT((tmp / deep).size(), 128u);
  Start();
  ClickTab(2);
  chosenFolder = QString::fromStdString(tmp / deep);
  QTest::mouseClick(Find<QPushButton>("browse"), Qt::LeftButton);
  EXPECT_EQ(Find<QComboBox>("root")->currentText(), *chosenFolder);
  QTest::mouseClick(Find<QPushButton>("add"), Qt::LeftButton);
  WaitForScan();
  ASSERT_EQ(Rows(ListKind::kCatalog, 3), (Strings{"1"}));

  ClickRow(ListKind::kCatalog, 0);
  Form().Actions().RunCommand(command::kRefresh);
  WaitForScan();
  EXPECT_EQ(Rows(ListKind::kCatalog, 3), (Strings{"1"}));  // not its parent's two entries
  EXPECT_TRUE(prompts.log.empty());
}

TEST_F(TabsTest, DirectoriesAScanCouldNotReadAreNamed) {
  tmp.MakeFile("media/x/one.txt", 1);
  tmp.MakeFile("media/x/secret/hidden.txt", 1);
  tmp.MakeFile("media/x/private/hidden.txt", 1);
  Start();
  ClickTab(2);
  // Root reads every directory: the test takes the identity of an ordinary user for the scan and
  // its commit, and lets that user write the catalog.
  namespace fs = std::filesystem;
  for (const std::string& dir : {tmp.Path(), tmp / "media", tmp / "media/x", tmp / "catalogs"})
    fs::permissions(dir, fs::perms::all);
  fs::permissions(tmp / "media/x/one.txt", fs::perms::owner_all | fs::perms::others_read);
  for (const char* dir : {"media/x/secret", "media/x/private"})
    fs::permissions(tmp / dir, fs::perms::owner_all);
  if (::geteuid() == 0 && ::setresuid(-1, 65534, -1) != 0)
    GTEST_SKIP() << "root cannot take another identity here";
  Type(Find<QLineEdit>("volumeLabel"), "New");
  Type(Find<QComboBox>("root"), QString::fromStdString(tmp / "media/x"));
  QTest::mouseClick(Find<QPushButton>("add"), Qt::LeftButton);
  WaitForScan();
  if (::getuid() == 0) {
    ASSERT_EQ(::setresuid(-1, 0, -1), 0);
  }
  EXPECT_EQ(Rows(ListKind::kCatalog), (Strings{"New"}));
  EXPECT_EQ(Pane(0), "3 files added to catalog from ; 2 directories could not be read");
  EXPECT_EQ(prompts.log, (Strings{"Mardo|2 directories could not be read and are catalogued as empty:\n" +
                                  tmp / "media/x/private" + "\n" + tmp / "media/x/secret"}));
}

TEST_F(TabsTest, DeletingCatalogsTakesTheirRowsFromEveryList) {
  WriteCatalog("a.mvl", "ALPHA");
  WriteCatalog("b.mvl", "BETA");
  Start();
  Search(".txt");
  SelectRows(ListKind::kResults, {RowNamed(ListKind::kResults, "c.txt")});
  Tabs()->setCurrentIndex(1);
  ASSERT_EQ(Rows(ListKind::kDirectory).size(), 1u);
  Tabs()->setCurrentIndex(2);
  SelectRows(ListKind::kCatalog, {0, 1});

  prompts.answers = {false};
  Form().Catalogs().DeleteSelectedCatalogs();
  EXPECT_EQ(Rows(ListKind::kCatalog).size(), 2u);
  prompts.answers = {true};
  Form().Catalogs().DeleteSelectedCatalogs();
  EXPECT_TRUE(Rows(ListKind::kCatalog).empty());
  EXPECT_TRUE(Rows(ListKind::kResults).empty());
  EXPECT_TRUE(Rows(ListKind::kDirectory).empty());
  EXPECT_EQ(Find<QLabel>("caption")->text(), "");
  EXPECT_EQ(Pane(0), "0 catalogs loaded");
  EXPECT_FALSE(std::filesystem::exists(tmp / "catalogs/a.mvl"));
  // Nothing left refers to the catalogs: drawing and Parent touch no freed record.
  Form().ListOf(ListKind::kDirectory)->grab();
  Form().ListOf(ListKind::kResults)->grab();
  Form().Directory().OnParent();
}

}  // namespace
}  // namespace mardo
