// The main window: start-up, settings, the tabs and the lists' columns.
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabBar>

#include <unistd.h>

#include <filesystem>

#include "app/qt_settings_store.h"
#include "search/row_texts.h"
#include "ui/about_dialog.h"
#include "window_fixture.h"

namespace mardo {
namespace {

using test::WindowTest;
using Strings = std::vector<std::string>;

QString Setting(const std::string& path, const char* key) {
  QSettings settings(QString::fromStdString(path), QSettings::IniFormat);
  return settings.value(key).toString();
}

TEST_F(WindowTest, AFirstStartShowsTheDefaultsAndWritesTheFormats) {
  WriteCatalog("a.mvl", "ALPHA");
  WriteCatalog("b.mvl", "BETA");
  Start();
  EXPECT_EQ(Frame().windowTitle(), "Mardo - catalogs");
  EXPECT_EQ(Pane(0), "2 catalogs loaded");
  EXPECT_EQ(Pane(1), "");
  EXPECT_EQ(Pane(2), "10");
  EXPECT_EQ(Find<QLineEdit>("hitLimit")->text(), "512");
  EXPECT_TRUE(Find<QCheckBox>("dirsFirst")->isChecked());
  EXPECT_EQ(Find<QComboBox>("mode")->currentText(), "Standard search");
  EXPECT_EQ(Find<QComboBox>("ignore")->currentText(), "*.tmp; \\tmp; \\Temp*");
  ASSERT_EQ(Find<QComboBox>("root")->count(), 1);
  EXPECT_EQ(Find<QComboBox>("root")->itemText(0), "");
  EXPECT_EQ(Find<QTabBar>("tabs")->count(), 3);
  EXPECT_EQ(Form().CurrentTab(), 0);
  EXPECT_FALSE(Form().ExpertMode());
  EXPECT_TRUE(Find<QComboBox>("pattern")->hasFocus());  // ready for typing
  // The formats are in the file at once, before anything is closed.
  EXPECT_EQ(Setting(settingsPath, "Format/Result"), "%y-%m-%d");
  EXPECT_EQ(Setting(settingsPath, "Format/Dir"), "%y-%m-%d %H:%M:%S");
  EXPECT_EQ(Setting(settingsPath, "Format/Catalog"), "%y-%m-%d %H:%M:%S");

  Close();
  EXPECT_EQ(Setting(settingsPath, "Settings/MaxHits"), "512");
  EXPECT_EQ(Setting(settingsPath, "Settings/TopDirs"), "1");
  // The built-in widths, grown with the font when it is wider than the one they were made for.
  const QStringList results = Setting(settingsPath, "Settings/ColumnWidthResult").split(',');
  ASSERT_EQ(results.size(), 5);
  EXPECT_GE(results[0].toInt(), 200);
  EXPECT_LT(results[0].toInt(), 400);
  EXPECT_EQ(Setting(settingsPath, "Settings/ColumnWidthCatalog").split(',').size(), 6);
  EXPECT_EQ(Setting(settingsPath, "Directories/0"), "0,");
  EXPECT_EQ(QString(Setting(settingsPath, "Settings/WindowPos")).split(',').size(), 10);
}

TEST_F(WindowTest, StoredValuesOutOfRangeAreReplacedAndHandTypedHistoriesLoadWhole) {
  WriteSettings(
      "[Settings]\nMaxHits=0\nTopDirs=2\nColumnWidthResult=0x64,010\n"
      "[Patterns]\n0=5,a,b\n1=abc\n[Format]\nResult=%d.%m.%Y\n");
  Start({"/DD"});
  EXPECT_EQ(Find<QLineEdit>("hitLimit")->text(), "2560");
  EXPECT_TRUE(Find<QCheckBox>("dirsFirst")->isChecked());
  EXPECT_TRUE(Form().ExpertMode());
  const QHeaderView* header = Form().ListOf(ListKind::kResults)->horizontalHeader();
  EXPECT_EQ(header->sectionSize(0), 100);
  EXPECT_EQ(header->sectionSize(1), 8);
  EXPECT_GE(header->sectionSize(2), 75);  // not stored: the built-in width
  QComboBox* pattern = Find<QComboBox>("pattern");
  ASSERT_EQ(pattern->count(), 2);
  EXPECT_EQ(pattern->itemText(0), "a,b");
  EXPECT_EQ(pattern->itemText(1), "abc");
  EXPECT_EQ(pattern->currentText(), "a,b");
  EXPECT_EQ(Setting(settingsPath, "Format/Result"), "%d.%m.%Y");
  Close();
  EXPECT_EQ(Setting(settingsPath, "Patterns/0"), "5,a,b");
  EXPECT_EQ(Setting(settingsPath, "Settings/MaxHits"), "2560");
}

TEST_F(WindowTest, HandTypedValuesWithCommasAndSemicolonsReadAsTyped) {
  WriteSettings("[Ignored]\n0=0,*.tmp; \\tmp, a b\n1=\"0,quoted, kept\"\n[Format]\nResult=%d; %m\n");
  Start();
  QComboBox* ignore = Find<QComboBox>("ignore");
  ASSERT_EQ(ignore->count(), 2);
  EXPECT_EQ(ignore->itemText(0), "*.tmp; \\tmp, a b");
  EXPECT_EQ(ignore->itemText(1), "quoted, kept");
  EXPECT_EQ(QtSettingsStore(QString::fromStdString(settingsPath)).ReadString("Format", "Result"), "%d; %m");
  Close();
  // Written back, the same texts read the same again.
  Start();
  EXPECT_EQ(Find<QComboBox>("ignore")->itemText(0), "*.tmp; \\tmp, a b");
}

TEST_F(WindowTest, CatalogsTheLoadPassesOverAreNamedOnceAfterStart) {
  WriteCatalog("a.mvl", "ALPHA");
  tmp.MakeFile("catalogs/broken.mvl", 0, -1, "not a catalog");
  Start({"-dir", "gone"});
  EXPECT_EQ(Rows(ListKind::kCatalog), (Strings{"ALPHA"}));
  ASSERT_EQ(prompts.log.size(), 1u);
  EXPECT_EQ(prompts.log[0],
            "Mardo|These catalog directories cannot be read, so their catalogs are not loaded:\n" +
                tmp / "catalogs/gone" +
                ": No such file or directory\n\nThese catalog files are not loaded:\n" +
                tmp / "catalogs/broken.mvl" + ": not a catalog file");
  Close();
  tmp.MakeFile("catalogs/broken.mvl", 0, -1, "");
  std::filesystem::remove(tmp / "catalogs/broken.mvl");
  prompts.log.clear();
  Start();
  EXPECT_TRUE(prompts.log.empty());
}

TEST_F(WindowTest, TheOperatorBoxesShowTheirWidestItemWhole) {
  Start();
  for (const char* name : {"dateOperator", "lengthOperator"}) {
    QComboBox* box = Find<QComboBox>(name);
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.frame = true;
    option.editable = false;
    const QRect field =
        box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
    for (const char* item : {"<", "<=", "=", ">=", ">"})
      EXPECT_GE(field.width(), box->fontMetrics().horizontalAdvance(item)) << name << " " << item;
  }
}

TEST_F(WindowTest, TheWindowMayShrinkAndOpensOnAScreen) {
  WriteCatalog("a.mvl", "ALPHA");
  Start();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect opened = Frame().frameGeometry();
  EXPECT_TRUE(screen.contains(opened))
      << opened.x() << "," << opened.y() << " " << opened.width() << "x" << opened.height() << " on "
      << screen.width() << "x" << screen.height();
  for (int tab : {0, 2, 1}) {
    if (tab == 1) ClickRow(ListKind::kCatalog, 0);
    ClickTab(tab);
    Frame().resize(400, 300);
    QApplication::processEvents();
    EXPECT_LE(Frame().width(), 500) << "tab " << tab;
  }
  Close();

  // A position stored on a monitor that is gone comes back onto the screen.
  WriteSettings("[Settings]\nWindowPos=0,1,-1,-1,-1,-1,5000,4000,5600,4400\n");
  Start();
  EXPECT_TRUE(screen.contains(Frame().frameGeometry()));
  EXPECT_EQ(Frame().size(), QSize(600, 400));
}

TEST_F(WindowTest, PositionWidthsAndHistoriesComeBackAtTheNextStart) {
  WriteCatalog("a.mvl", "ALPHA");
  Start();
  const int fileNameWidth = Form().ListOf(ListKind::kCatalog)->horizontalHeader()->sectionSize(6);
  Frame().setGeometry(60, 80, 700, 500);
  Form().ListOf(ListKind::kDirectory)->horizontalHeader()->resizeSection(3, 222);
  Form().ListOf(ListKind::kCatalog)->horizontalHeader()->resizeSection(6, 333);  // never kept
  QComboBox* pattern = Find<QComboBox>("pattern");
  pattern->setEditText("old");
  Form().Search().ReadSearchConditions();
  const QRect geometry = Frame().geometry();
  Close();

  Start();
  EXPECT_EQ(Frame().geometry(), geometry);
  EXPECT_EQ(Form().ListOf(ListKind::kDirectory)->horizontalHeader()->sectionSize(3), 222);
  EXPECT_EQ(Form().ListOf(ListKind::kCatalog)->horizontalHeader()->sectionSize(6), fileNameWidth);
  EXPECT_EQ(Find<QComboBox>("pattern")->itemText(0), "old");
}

TEST_F(WindowTest, ASettingsFileThatCannotBeWrittenIsLeftAsItWas) {
  WriteSettings("[Settings]\nMaxHits=100\n");
  const std::string dir = tmp / "config/kEzu";
  std::filesystem::permissions(settingsPath, std::filesystem::perms::owner_read);
  std::filesystem::permissions(dir, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  Start();
  EXPECT_EQ(Find<QLineEdit>("hitLimit")->text(), "100");
  Close();
  std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
  std::filesystem::permissions(settingsPath,
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  if (::geteuid() != 0) {
    EXPECT_EQ(tmp.ReadFile("config/kEzu/Mardo.conf"), "[Settings]\nMaxHits=100\n");
  }
}

TEST_F(WindowTest, EachTabShowsItsOwnControlsAndHint) {
  WriteCatalog("a.mvl", "ALPHA");
  Start();
  const struct {
    const char* name;
    bool shown[3];
  } table[] = {
      {"pattern", {true, false, false}},      {"search", {true, false, false}},
      {"dateOperator", {true, false, false}}, {"length", {true, false, false}},
      {"selectedOnly", {true, false, true}},  {"mode", {true, false, true}},
      {"results", {true, false, false}},      {"hitLimit", {false, true, false}},
      {"hitLimitNote", {false, true, false}}, {"dirsFirst", {false, true, false}},
      {"parent", {false, true, false}},       {"subdirectory", {false, true, false}},
      {"directory", {false, true, false}},    {"caption", {false, true, false}},
      {"root", {false, false, true}},         {"browse", {false, false, true}},
      {"add", {false, false, true}},          {"ignore", {false, false, true}},
      {"volumeLabel", {false, false, true}},  {"catalogs", {false, false, true}},
  };
  const char* hints[] = {"Type a part of filename and push Search",
                         "Doubleclick on directory shows its content",
                         "Select volume root and push Add to catalogize"};
  SelectRows(ListKind::kCatalog, {0});
  for (int tab : {2, 1, 0}) {
    if (tab == 1) Find<QTabBar>("tabs")->setCurrentIndex(2);  // the Directory tab is reached from a catalog
    Find<QTabBar>("tabs")->setCurrentIndex(tab);
    ASSERT_EQ(Form().ShownTab(), tab);
    for (const auto& row : table)
      EXPECT_EQ(Find<QWidget>(row.name)->isVisible(), row.shown[tab]) << row.name << " on tab " << tab;
    EXPECT_EQ(Pane(0), hints[tab]);
    EXPECT_EQ(Frame().Action("parentDirectory")->isEnabled(), tab == 1);
  }
  // The three lists take one place and one size, also after a resize.
  Frame().resize(900, 700);
  QApplication::processEvents();
  Find<QTabBar>("tabs")->setCurrentIndex(2);
  QApplication::processEvents();
  EXPECT_EQ(Form().ListOf(ListKind::kCatalog)->geometry().size(),
            Form().ListOf(ListKind::kResults)->geometry().size());
}

TEST_F(WindowTest, CatalogRowsShowTheCoresTextsAndHeaderClicksSortByTheLastClicked) {
  WriteCatalog("a.mvl", "ALPHA", 7);
  WriteCatalog("b.mvl", "beta", 3000000000u);
  WriteCatalog("c.mvl", "Gamma", 5);
  Start();
  EXPECT_EQ(Rows(ListKind::kCatalog), (Strings{"ALPHA", "beta", "Gamma"}));
  const Catalog* alpha = Form().Library().Catalogs()[0];
  for (int c = 0; c < 7; ++c)
    EXPECT_EQ(Rows(ListKind::kCatalog, c)[0], CatalogCell(*alpha, c, "%y-%m-%d %H:%M:%S")) << c;
  // Serial number ascending, compared unsigned.
  Form().OnColumnClick(ListKind::kCatalog, 5);
  EXPECT_EQ(Rows(ListKind::kCatalog), (Strings{"Gamma", "ALPHA", "beta"}));
  Form().OnColumnClick(ListKind::kCatalog, 5);
  EXPECT_EQ(Rows(ListKind::kCatalog), (Strings{"beta", "ALPHA", "Gamma"}));
  const QHeaderView* header = Form().ListOf(ListKind::kCatalog)->horizontalHeader();
  EXPECT_EQ(header->sortIndicatorSection(), 5);
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
  // A click on the header itself reaches the same handler.
  QTest::mouseClick(Form().ListOf(ListKind::kCatalog)->horizontalHeader()->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
  EXPECT_EQ(Form().SortOf(ListKind::kCatalog).Keys()[0], 1);
  EXPECT_EQ(Form().SortOf(ListKind::kCatalog).Keys()[1], 6);
}

TEST_F(WindowTest, TheMenuCarriesItsLabelsAndPromptsAndTheDialogsTheirTexts) {
  Start();
  const struct {
    const char* name;
    const char* text;
  } items[] = {{"exit", "E&xit"},
               {"selectAll", "Select &All"},
               {"statusBar", "&Status Bar"},
               {"tips", "&Tips"},
               {"about", "&About Mardo..."}};
  for (const auto& item : items) EXPECT_EQ(Frame().Action(item.name)->text(), item.text);
  EXPECT_EQ(Frame().Action("selectAll")->shortcut(), QKeySequence("Ctrl+A"));
  EXPECT_EQ(Frame().Action("parentDirectory")->shortcut(), QKeySequence("Ctrl+U"));
  Frame().Action("tips")->showStatusText(&Frame());
  EXPECT_EQ(Pane(0), "Tips & Hints - how to use Mardo");

  CTipsDlg tips;
  EXPECT_EQ(tips.windowTitle(), "Tips & Hints");
  const QString usage = tips.findChild<QPlainTextEdit*>("usage")->toPlainText();
  EXPECT_TRUE(usage.startsWith("Mardo is a simple media cataloging tool, quite good usable for 200,000\n"));
  EXPECT_TRUE(
      usage.endsWith("from more than one directory. Catalogs from StartIn directory are always read.\n\n"));
  CAboutDlg about(QString::fromStdString(settingsPath));
  EXPECT_EQ(about.windowTitle(), "About Mardo");
  EXPECT_EQ(about.findChild<QLabel*>("version")->text(), "Mardo V2.6.3");
  EXPECT_EQ(about.findChild<QLabel*>("settingsPath")->text(),
            QString::fromStdString("Settings: " + settingsPath));
}

// What a screen reader reads of a control: its role, its name (on Linux a combo box's name is its
// text, and its label comes through the label relation), its value or text, its description.
struct Spoken {
  QAccessible::Role role;
  QString name;
  QString label;
  QString value;
  QString description;
};
Spoken Speak(QObject* control) {
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control);
  if (a == nullptr) return {QAccessible::NoRole, "<none>", "", "", ""};
  Spoken heard{a->role(), a->text(QAccessible::Name), "", a->text(QAccessible::Value),
               a->text(QAccessible::Description)};
  for (const auto& [other, relation] : a->relations(QAccessible::Label))
    heard.label = other->text(QAccessible::Name);
  return heard;
}

TEST_F(WindowTest, AScreenReaderHearsEveryControlOfEveryTabWithItsRoleNameAndValue) {
  WriteCatalog("a.mvl", "ALPHA");
  Start();
  const struct {
    int tab;
    const char* control;
    QAccessible::Role role;
    const char* name;   // for a combo box: its label
    const char* value;  // nullptr: not checked
  } controls[] = {
      {0, "tabs", QAccessible::PageTabList, "Search", nullptr},
      {0, "pattern", QAccessible::ComboBox, "Pattern", "readme"},
      {0, "dateOperator", QAccessible::ComboBox, "YYMMDD", ">="},
      {0, "date", QAccessible::EditableText, "Date YYMMDD", "0612"},
      {0, "lengthOperator", QAccessible::ComboBox, "Length", ""},
      {0, "length", QAccessible::EditableText, "Length in bytes", ""},
      {0, "search", QAccessible::Button, "Search", nullptr},
      {0, "selectedOnly", QAccessible::CheckBox, "Selected Catalogs only", nullptr},
      {0, "results", QAccessible::Table, "Search results", nullptr},
      {1, "tabs", QAccessible::PageTabList, "Directory", nullptr},
      {1, "hitLimit", QAccessible::EditableText, "Hit limit", "512"},
      {1, "hitLimitNote", QAccessible::StaticText, "< 5120", nullptr},
      {1, "dirsFirst", QAccessible::CheckBox, "Dirs before files", nullptr},
      {1, "parent", QAccessible::Button, "Parent", nullptr},
      {1, "subdirectory", QAccessible::Button, "Subdirectory", nullptr},
      {1, "directory", QAccessible::Table, "Directory", nullptr},
      {2, "root", QAccessible::ComboBox, "Root directory", "/"},
      {2, "browse", QAccessible::Button, "Choose the root directory", nullptr},
      {2, "ignore", QAccessible::ComboBox, "Ignore files", "*.tmp; \\tmp; \\Temp*"},
      {2, "volumeLabel", QAccessible::EditableText, "Volume label", "Holiday"},
      {2, "add", QAccessible::Button, "Add", nullptr},
      {2, "catalogs", QAccessible::Table, "Catalogs", nullptr},
  };
  Type(Find<QComboBox>("pattern"), "readme");
  Find<QComboBox>("dateOperator")->setCurrentIndex(4);
  Type(Find<QLineEdit>("date"), "0612");
  SelectRows(ListKind::kCatalog, {0});
  ClickTab(2);
  Type(Find<QLineEdit>("volumeLabel"), "Holiday");
  Type(Find<QComboBox>("root"), "/");
  for (int tab : {0, 1, 2}) {
    ClickTab(tab == 1 ? 2 : tab);
    if (tab == 1) ClickTab(1);  // the Directory tab opens from the selected catalog
    ASSERT_EQ(Form().ShownTab(), tab);
    for (const auto& c : controls) {
      if (c.tab != tab) continue;
      const Spoken heard = Speak(Find<QWidget>(c.control));
      EXPECT_EQ(heard.role, c.role) << c.control;
      EXPECT_EQ(c.role == QAccessible::ComboBox ? heard.label : heard.name, c.name) << c.control;
      if (c.value != nullptr) {
        EXPECT_EQ(heard.value, c.value) << c.control;
      }
    }
  }
  // The mode box has no label of its own: its description says what it is.
  EXPECT_EQ(Speak(Find<QComboBox>("mode")).value, "Standard search");
  EXPECT_EQ(Speak(Find<QComboBox>("mode")).description, "Search mode");
  EXPECT_TRUE(prompts.log.empty());
  // The caption and the status panes are heard by their texts; their role is their description.
  const Spoken caption = Speak(Find<QLabel>("caption"));
  EXPECT_EQ(caption.name, "ALPHA");
  EXPECT_EQ(caption.description, "Catalog of the listed directory");
  const struct {
    const char* pane;
    const char* description;
    int index;
  } panes[] = {{"messagePane", "Messages", 0}, {"hitCountPane", "Hits", 1}, {"fileCountPane", "Entries", 2}};
  for (const auto& p : panes) {
    const Spoken heard = Speak(Frame().findChild<QLabel*>(p.pane));
    EXPECT_EQ(heard.role, QAccessible::StaticText) << p.pane;
    EXPECT_EQ(heard.name, Pane(p.index)) << p.pane;
    EXPECT_EQ(heard.description, p.description) << p.pane;
  }
  EXPECT_EQ(Speak(Frame().findChild<QLabel*>("fileCountPane")).name, "5");
  // Every other control that takes the focus is named, or labelled, or described.
  for (int tab : {2, 0}) {
    ClickTab(tab);
    for (QWidget* w : Form().findChildren<QWidget*>()) {
      if (!w->isVisible() || w->focusPolicy() == Qt::NoFocus ||
          qobject_cast<QComboBox*>(w->parent()) != nullptr)
        continue;
      const Spoken heard = Speak(w);
      EXPECT_FALSE(heard.name.isEmpty() && heard.label.isEmpty() && heard.description.isEmpty())
          << w->objectName().toStdString() << " on tab " << tab;
    }
  }
}

}  // namespace
}  // namespace mardo
