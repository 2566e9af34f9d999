#include "app/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>

#include "app/mardo_doc.h"
#include "app/qt_settings_store.h"
#include "settings/app_texts.h"
#include "ui/about_dialog.h"

namespace mardo {

CMainFrame::CMainFrame(CMardoDoc& document, QtSettingsStore& settings, FormServices services,
                       std::vector<std::string> arguments, std::optional<std::string> startDirectory)
    : document_(document), settings_(settings) {
  setObjectName("mainFrame");
  // The window comes back in its normal size, wherever it was when it was last closed.
  if (const std::optional<WindowPlacement> placement = ReadWindowPlacement(settings_)) {
    if (const std::optional<WindowGeometry> geometry = RestoredGeometry(*placement))
      setGeometry(geometry->x, geometry->y, geometry->width, geometry->height);
  } else {
    resize(980, 640);
  }
  CreateStatusBar();
  form_ = new SearchAdd(document_, *this, std::move(services), std::move(arguments),
                        std::move(startDirectory), this);
  setCentralWidget(form_);
  CreateMenu();
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
  connect(parent, &QAction::triggered, form_, &SearchAdd::OnParent);
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
  panes_[0]->setObjectName("messagePane");
  panes_[0]->setAccessibleName("Messages");
  panes_[1]->setObjectName("hitCountPane");
  panes_[1]->setAccessibleName("Hits");
  panes_[2]->setObjectName("fileCountPane");
  panes_[2]->setAccessibleName("Entries");
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
    form_->AbandonScan();
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
