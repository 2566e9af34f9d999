#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include <future>
#include <memory>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/mardo_app.h"
#include "store/catalog.h"
#include "support/fake_desktop_shell.h"
#include "support/scripted_prompts.h"
#include "support/temp_tree.h"
#include "ui/catalog_tab.h"
#include "ui/directory_tab.h"
#include "ui/list_ctrl_ex.h"
#include "ui/list_models.h"
#include "ui/row_actions.h"
#include "ui/search_add.h"
#include "ui/search_tab.h"

namespace mardo::test {

// One run of the window over a temporary start directory and settings file, with scripted
// answers to every question and a scripted folder chooser.
class WindowTest : public testing::Test {
 protected:
  WindowTest() {
    tmp.MakeDir("catalogs");
    settingsPath = tmp / "config/kEzu/Mardo.conf";
  }
  ~WindowTest() override {
    Release();
    Close();
  }

  // Writes a catalog file into the start directory: directories "" and "\docs", "\docs\old" (below
  // `top`, the catalog path of the catalogued directory on its volume); files a.txt (10 bytes) in
  // the root, b.txt (20) in \docs, c.txt (30) in \docs\old.
  std::string WriteCatalog(const std::string& file, const std::string& label, uint32_t serial = 0,
                           const std::string& root = "/media/usb/", const std::string& top = "") {
    Catalog catalog;
    catalog.filePath = tmp / ("catalogs/" + file);
    catalog.volumeLabel = label;
    catalog.volumeRoot = root;
    catalog.serialNumber = serial;
    catalog.AddDirectory(top, 3, 60.0);
    catalog.AddDirectory(top + "\\docs", 2, 50.0);
    catalog.AddDirectory(top + "\\docs\\old", 1, 30.0);
    catalog.AddFile("a.txt", 1000, 10, 0);
    catalog.AddFile("docs", 2000, -1, 0);
    catalog.AddFile("b.txt", 3000, 20, 1);
    catalog.AddFile("old", 4000, -2, 1);
    catalog.AddFile("c.txt", 5000, 30, 2);
    EXPECT_TRUE(catalog.Write());
    return catalog.filePath;
  }

  void WriteSettings(const std::string& text) { tmp.MakeFile("config/kEzu/Mardo.conf", 0, -1, text); }

  void Start(std::vector<std::string> arguments = {}) {
    FormServices services;
    services.prompts = &prompts;
    services.shell = &shell;
    services.chooseFolder = [this](QWidget*, const QString&) -> std::optional<QString> {
      return chosenFolder;
    };
    services.now = [] { return int64_t{1796601600}; };  // 2026-12-07 00:00 UTC
    // The scan's thread keeps the hook: a scan the window left behind may still run it.
    services.scanStarting = [hook = scanHook_] {
      if (*hook) (*hook)();
    };
    services.drag = [this](QWidget*, QMimeData* data) { dragged.reset(data); };
    app = std::make_unique<CMardoApp>(std::move(arguments), settingsPath, tmp / "catalogs", services);
    app->InitInstance();
    // Shortcuts reach only the active window.
    Frame().activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&Frame()));
  }

  void Close() {
    if (!app) return;
    app->Frame().close();
    app.reset();
  }

  CMainFrame& Frame() { return app->Frame(); }
  SearchAdd& Form() { return app->Frame().Form(); }
  template <class T>
  T* Find(const char* name) {
    T* found = Form().findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  QString Pane(int pane) { return Frame().PaneText(pane); }

  // The names of a list's rows in their shown order.
  std::vector<std::string> Rows(ListKind list, int column = 0) {
    std::vector<std::string> rows;
    const QAbstractItemModel* model = Form().ListOf(list)->model();
    for (int r = 0; r < model->rowCount(); ++r)
      rows.push_back(model->index(r, column).data().toString().toStdString());
    return rows;
  }
  void SelectRows(ListKind list, std::initializer_list<int> rows) {
    CListCtrlEx* view = Form().ListOf(list);
    view->clearSelection();
    for (int row : rows)
      view->selectionModel()->select(view->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (rows.size() > 0)
      view->selectionModel()->setCurrentIndex(view->model()->index(*rows.begin(), 0),
                                              QItemSelectionModel::NoUpdate);
  }
  int RowNamed(ListKind list, const std::string& name) {
    const std::vector<std::string> rows = Rows(list);
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i] == name) return static_cast<int>(i);
    return -1;
  }

  // Types into a text box as a user does: the old text selected, then the keys.
  void Type(QWidget* box, const QString& text) {
    QLineEdit* edit = qobject_cast<QLineEdit*>(box);
    if (auto* combo = qobject_cast<QComboBox*>(box)) edit = combo->lineEdit();
    EXPECT_NE(edit, nullptr);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
  }
  // Types a pattern and presses Enter.
  void Search(const QString& pattern) {
    QComboBox* box = Find<QComboBox>("pattern");
    Type(box, pattern);
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
  }
  // Waits until a running scan has been committed.
  void WaitForScan() {
    QSignalSpy finished(&Form(), &SearchAdd::ScanFinished);
    if (Form().Catalogs().Scanning()) {
      ASSERT_TRUE(finished.wait(10000));
    }
  }
  // The next scan waits on its thread until Release (or the fixture's end).
  void HoldScans() {
    auto gate = std::make_shared<std::promise<void>>();
    released_ = gate;
    std::shared_future<void> open = gate->get_future().share();
    scanStarting = [open] { open.wait(); };
  }
  void Release() {
    if (released_) released_->set_value();
    released_.reset();
  }
  // The next popup menu: its items ("-" for a separator) go to `items`, and it closes.
  void OnNextMenu(std::vector<std::string>& items) {
    QTimer::singleShot(0, [&items] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr) return;
      for (QAction* action : menu->actions())
        items.push_back(action->isSeparator() ? "-" : action->text().toStdString());
      menu->close();
    });
  }

  // Clicks a row of a list, as a user selects one.
  void ClickRow(ListKind list, int row) {
    CListCtrlEx* view = Form().ListOf(list);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(row, 0)).center());
  }
  // Clicks a tab of the tab strip.
  void ClickTab(int tab) {
    QTabBar* tabs = Find<QTabBar>("tabs");
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(tab).center());
  }

  std::shared_ptr<std::function<void()>> scanHook_ = std::make_shared<std::function<void()>>();
  TempDir tmp;
  std::string settingsPath;
  ScriptedPrompts prompts;
  FakeDesktopShell shell;
  std::optional<QString> chosenFolder;
  // Runs on the scan's thread before the walk.
  std::function<void()>& scanStarting = *scanHook_;
  std::unique_ptr<QMimeData> dragged;  // what the last drag carried
  std::unique_ptr<CMardoApp> app;

 private:
  std::shared_ptr<std::promise<void>> released_;
};

}  // namespace mardo::test
