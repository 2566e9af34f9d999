#include "app/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QWindow>

#include "app/mardo_doc.h"
#include "app/qt_settings_store.h"
#include "search/command_ids.h"
#include "settings/app_texts.h"
#include "settings/window_fit.h"
#include "ui/about_dialog.h"
#include "ui/catalog_tab.h"
#include "ui/directory_tab.h"
#include "ui/row_actions.h"

namespace mardo {

CMainFrame::CMainFrame(CMardoDoc& document, QtSettingsStore& settings, FormServices services,
                       std::vector<std::string> arguments, std::optional<std::string> startDirectory)
    : document_(document), settings_(settings) {
  setObjectName("mainFrame");
  CreateStatusBar();
  form_ = new SearchAdd(document_.Histories(), *this, std::move(services), std::move(arguments),
                        std::move(startDirectory), this);
  setCentralWidget(form_);
  CreateMenu();
}

void CMainFrame::PlaceOnScreen() {
  // The window comes back in its normal size, wherever it was when it was last closed.
  std::optional<WindowGeometry> stored;
  if (const std::optional<WindowPlacement> placement = ReadWindowPlacement(settings_))
    stored = RestoredGeometry(*placement);
  // The screens' usable areas, the primary one first.
  std::vector<ScreenArea> screens;
  const QScreen* primary = QGuiApplication::primaryScreen();
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect area = screen->availableGeometry();
    const ScreenArea usable{area.x(), area.y(), area.width(), area.height()};
    screens.insert(screen == primary ? screens.begin() : screens.end(), usable);
  }
  // The frame as the platform tells it once the window exists; a window manager tells it only
  // when the window shows, and then the style's title bar stands for it.
  create();
  FrameMargins frame{0, style()->pixelMetric(QStyle::PM_TitleBarHeight), 0, 0};
  if (const QWindow* window = windowHandle()) {
    const QMargins margins = window->frameMargins();
    if (!margins.isNull()) frame = {margins.left(), margins.top(), margins.right(), margins.bottom()};
  }
  const QSize minimum = minimumSizeHint();
  const WindowGeometry wanted = stored.value_or(WindowGeometry{0, 0, kDefaultWidth, kDefaultHeight});
  const FittedWindow fitted =
      FitWindowToScreens(wanted, stored.has_value(), screens, frame, minimum.width(), minimum.height());
  const WindowGeometry& g = fitted.geometry;
  if (fitted.placed) {
    setGeometry(g.x, g.y, g.width, g.height);
  } else {
    resize(g.width, g.height);
  }
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::CreateMenu() {
  auto add = [this](QMenu* menu, const char* name, const char* text, const char* prompt) {
    auto* action = new QAction(QString::fromUtf8(text), this);
    action->setObjectName(name);
    action->setStatusTip(QString::fromUtf8(prompt));
    if (menu != nullptr) menu->addAction(action);
    return action;
  };
  QMenu* file = menuBar()->addMenu(texts::kMenuFile);
  QAction* exit = add(file, "exit", texts::kMenuExit, texts::kExitPrompt);
  exit->setShortcut(QKeySequence::Quit);
  connect(exit, &QAction::triggered, this, &QWidget::close);

  QMenu* edit = menuBar()->addMenu(texts::kMenuEdit);
  // Ctrl+C copies the selected rows of the current list; a text box with selected text copies
  // its text instead.
  QAction* copy = add(edit, "copy", texts::kMenuCopy, texts::kCopyPrompt);
  copy->setShortcut(QKeySequence::Copy);
  connect(copy, &QAction::triggered, form_,
          [this] { form_->Actions().RunCommand(command::kCopySelectedRows); });
  QAction* selectAll = add(edit, "selectAll", texts::kMenuSelectAll, texts::kSelectAllPrompt);
  selectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  connect(selectAll, &QAction::triggered, form_, &SearchAdd::OnSelectAll);

  QMenu* view = menuBar()->addMenu(texts::kMenuView);
  QAction* statusBarAction = add(view, "statusBar", texts::kMenuStatusBar, texts::kStatusBarPrompt);
  statusBarAction->setCheckable(true);
  statusBarAction->setChecked(true);
  connect(statusBarAction, &QAction::toggled, statusBar(), &QWidget::setVisible);

  QMenu* help = menuBar()->addMenu(texts::kMenuHelp);
  QAction* tips = add(help, "tips", texts::kMenuTips, texts::kTipsPrompt);
  connect(tips, &QAction::triggered, this, &CMainFrame::OnTips);
  QAction* about = add(help, "about", texts::kMenuAbout, texts::kAboutPrompt);
  connect(about, &QAction::triggered, this, &CMainFrame::OnAbout);

  // Ctrl+U shows the parent directory, only while the Directory tab is shown.
  QAction* parent = add(nullptr, "parentDirectory", texts::kParentPrompt, texts::kParentPrompt);
  parent->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
  parent->setEnabled(false);
  addAction(parent);
  connect(parent, &QAction::triggered, form_, [this] { form_->Directory().OnParent(); });
  connect(form_, &SearchAdd::ParentCommandEnabled, parent, &QAction::setEnabled);

  // When a menu closes, the message pane shows the idle message.
  for (QMenu* menu : {file, edit, view, help})
    connect(menu, &QMenu::aboutToHide, this, [this] { SetPaneText(0, texts::kIdleMessage); });
}

void CMainFrame::CreateStatusBar() {
  auto* bar = statusBar();
  bar->setObjectName("statusBar");
  bar->setSizeGripEnabled(true);
  for (int i = 0; i < 3; ++i) {
    panes_[i] = new QLabel(bar);
    panes_[i]->setTextFormat(Qt::PlainText);
  }
  // A screen reader reads a pane's text; what the pane is for is its description.
  panes_[0]->setObjectName("messagePane");
  panes_[0]->setAccessibleDescription("Messages");
  panes_[1]->setObjectName("hitCountPane");
  panes_[1]->setAccessibleDescription("Hits");
  panes_[2]->setObjectName("fileCountPane");
  panes_[2]->setAccessibleDescription("Entries");
  // The count panes are as wide as their widest text; the message pane takes the rest.
  const char* samples[] = {texts::kHitCountPaneSample, texts::kFileCountPaneSample};
  for (int i = 1; i < 3; ++i) {
    panes_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panes_[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    panes_[i]->setMinimumWidth(panes_[i]->fontMetrics().horizontalAdvance(samples[i - 1]) + 8);
  }
  panes_[0]->setMinimumWidth(1);
  bar->addWidget(panes_[0], 1);
  bar->addPermanentWidget(panes_[1]);
  bar->addPermanentWidget(panes_[2]);
}

QAction* CMainFrame::Action(const char* name) const {
  return findChild<QAction*>(name);
}

void CMainFrame::SetPaneText(int pane, const QString& text) {
  if (pane >= 0 && pane < 3) panes_[pane]->setText(text);
}

QString CMainFrame::PaneText(int pane) const {
  return pane >= 0 && pane < 3 ? panes_[pane]->text() : QString();
}

bool CMainFrame::event(QEvent* event) {
  // A highlighted menu item shows its prompt in the message pane, which keeps it; the idle message
  // comes back when the menu closes.
  if (event->type() == QEvent::StatusTip) {
    const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
    if (!tip.isEmpty()) SetPaneText(0, tip);
    return true;
  }
  return QMainWindow::event(event);
}

void CMainFrame::OnAbout() {
  CAboutDlg dialog(settings_.Path(), this);
  dialog.exec();
}

void CMainFrame::OnTips() {
  CTipsDlg dialog(this);
  dialog.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    closed_ = true;
    form_->Catalogs().AbandonScan();
    document_.SaveSettings(settings_, *form_);
    WindowPlacement placement;
    const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    placement.flags = 0;
    placement.showCommand = isMaximized() ? 3 : (isMinimized() ? 2 : 1);
    placement.minimizedX = placement.minimizedY = -1;
    placement.maximizedX = placement.maximizedY = -1;
    placement.left = normal.left();
    placement.top = normal.top();
    placement.right = normal.left() + normal.width();
    placement.bottom = normal.top() + normal.height();
    WriteWindowPlacement(settings_, placement);
    settings_.Sync();
  }
  event->accept();
}

}  // namespace mardo
