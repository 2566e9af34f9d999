// The window from the keyboard: what is typed stays typed, Tab and Ctrl+Tab, the menu keys, Delete,
// and questions that come once.
#include <QAction>
#include <QDialogButtonBox>
#include <QPushButton>

#include "ui/about_dialog.h"
#include "window_fixture.h"

namespace mardo {
namespace {

using test::WindowTest;
using Strings = std::vector<std::string>;

class KeyboardTest : public WindowTest {
 protected:
  std::string FocusName() {
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr) return "";
    // A combo box's edit field stands for its box.
    if (auto* box = qobject_cast<QComboBox*>(focus->parentWidget())) return box->objectName().toStdString();
    return focus->objectName().toStdString();
  }
};

TEST_F(KeyboardTest, TypedTextIsNeverCompletedFromTheHistory) {
  WriteSettings("[Patterns]\n0=0,f1.dat\n[Directories]\n0=0,/usr\n[Ignored]\n0=0,*.bak\n");
  WriteCatalog("a.mvl", "ALPHA");
  Start();
  Search("f");
  QComboBox* pattern = Find<QComboBox>("pattern");
  EXPECT_EQ(pattern->currentText(), "f");
  EXPECT_EQ(pattern->itemText(0), "f");  // the search was for "f"
  EXPECT_EQ(pattern->itemText(1), "f1.dat");

  ClickTab(2);
  QComboBox* root = Find<QComboBox>("root");
  Type(root, "/");
  QTest::keyClick(root->lineEdit(), Qt::Key_Tab);
  EXPECT_EQ(root->currentText(), "/");
  QComboBox* ignore = Find<QComboBox>("ignore");
  Type(ignore, "*");
  QTest::keyClick(ignore->lineEdit(), Qt::Key_Tab);
  EXPECT_EQ(ignore->currentText(), "*");
}

TEST_F(KeyboardTest, EnterOnARootThatCannotBeIdentifiedSaysSoOnce) {
  Start();
  ClickTab(2);
  // As a message box does, each box takes the focus from the window while it shows.
  prompts.whileShown = [this] {
    QWidget box;
    box.show();
    QApplication::setActiveWindow(&box);
    QApplication::processEvents();
    QApplication::setActiveWindow(&Frame());
  };
  QComboBox* root = Find<QComboBox>("root");
  Type(root, QString::fromStdString(tmp / "media/gone"));
  QTest::keyClick(root->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(prompts.log, (Strings{"Volume label error|No such file or directory",
                                  "Mardo|Select Root directory before Add"}));
}

TEST_F(KeyboardTest, TabFollowsEachTabsVisualOrder) {
  WriteCatalog("a.mvl", "ALPHA");
  Start();
  const struct {
    int tab;
    const char* first;
    Strings then;
  } orders[] = {
      {0,
       "pattern",
       {"dateOperator", "date", "lengthOperator", "length", "search", "selectedOnly", "mode", "results"}},
      {2, "root", {"browse", "ignore", "volumeLabel", "add", "selectedOnly", "mode", "catalogs"}},
      {1, "hitLimit", {"dirsFirst", "parent", "subdirectory", "directory"}},
  };
  for (const auto& order : orders) {
    if (order.tab == 1) ClickRow(ListKind::kCatalog, 0);  // the Directory tab opens from a catalog
    ClickTab(order.tab);
    ASSERT_EQ(Form().ShownTab(), order.tab);
    Find<QWidget>(order.first)->setFocus();
    Strings visited;
    for (size_t i = 0; i < order.then.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      visited.push_back(FocusName());
    }
    EXPECT_EQ(visited, order.then) << "tab " << order.tab;
  }
}

TEST_F(KeyboardTest, CtrlTabPassesOverADirectoryTabThatWouldNotOpen) {
  WriteCatalog("a.mvl", "ALPHA");
  Start();
  QTest::keyClick(Find<QComboBox>("pattern")->lineEdit(), Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(Form().ShownTab(), 2);
  EXPECT_EQ(FocusName(), "root");  // the focus goes to the first box of the tab that comes
  ClickRow(ListKind::kCatalog, 0);
  QTest::keyClick(Form().ListOf(ListKind::kCatalog), Qt::Key_Backtab,
                  Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Form().ShownTab(), 1);  // one catalog selected: the Directory tab opens
  QTest::keyClick(Form().ListOf(ListKind::kDirectory), Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(Form().ShownTab(), 2);
  EXPECT_TRUE(prompts.log.empty());
}

TEST_F(KeyboardTest, ShiftF10OpensTheContextMenuAsTheMenuKeyDoes) {
  WriteCatalog("a.mvl", "ALPHA");
  Start();
  Search("b.txt");
  ClickRow(ListKind::kResults, 0);
  Strings items;
  OnNextMenu(items);
  QTest::keyClick(Form().ListOf(ListKind::kResults), Qt::Key_F10, Qt::ShiftModifier);
  EXPECT_EQ(items, (Strings{"Open", "Open in New Window", "Explore parent directory", "-",
                            "Copy selected rows to the clipboard"}));
}

TEST_F(KeyboardTest, DeleteAsksBeforeDeletingCatalogsOrInExpertModeFiles) {
  WriteCatalog("a.mvl", "ALPHA");
  WriteCatalog("b.mvl", "BETA");
  Start({"-dd"});
  Search("a.txt");
  ClickRow(ListKind::kResults, 0);
  QTest::keyClick(Form().ListOf(ListKind::kResults), Qt::Key_Delete);  // answered No
  ClickTab(2);
  ClickRow(ListKind::kCatalog, RowNamed(ListKind::kCatalog, "BETA"));
  QTest::keyClick(Form().ListOf(ListKind::kCatalog), Qt::Key_Delete);  // answered No
  EXPECT_EQ(prompts.log, (Strings{"?Mardo|Really want to delete ?", "?Mardo|Really want to delete ?"}));
  // Deleting catalogs names them and defaults to No.
  ASSERT_EQ(prompts.details.size(), 2u);
  EXPECT_EQ(prompts.details[1], "BETA (" + tmp / "catalogs/b.mvl" + ") [default No]");
  EXPECT_EQ(Rows(ListKind::kCatalog).size(), 2u);
  prompts.answers = {true};
  QTest::keyClick(Form().ListOf(ListKind::kCatalog), Qt::Key_Delete);
  EXPECT_EQ(Rows(ListKind::kCatalog), (Strings{"ALPHA"}));
  Close();

  // Without expert mode, Delete leaves found files alone.
  Start();
  Search("a.txt");
  ClickRow(ListKind::kResults, 0);
  prompts.log.clear();
  QTest::keyClick(Form().ListOf(ListKind::kResults), Qt::Key_Delete);
  EXPECT_TRUE(prompts.log.empty());
}

TEST_F(KeyboardTest, TheEditMenuShowsCopyWithCtrlCAndAboutClosesWithAButton) {
  Start();
  QAction* copy = Frame().Action("copy");
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->text(), "&Copy");
  EXPECT_EQ(copy->shortcut(), QKeySequence("Ctrl+C"));
  EXPECT_TRUE(Frame().Action("selectAll")->associatedObjects().size() > 0);

  CAboutDlg about(QString::fromStdString(settingsPath));
  about.show();
  QDialogButtonBox* buttons = about.findChild<QDialogButtonBox*>("buttons");
  ASSERT_NE(buttons, nullptr);
  QPushButton* close = buttons->button(QDialogButtonBox::Close);
  ASSERT_NE(close, nullptr);
  QTest::mouseClick(close, Qt::LeftButton);
  EXPECT_FALSE(about.isVisible());
}

}  // namespace
}  // namespace mardo
