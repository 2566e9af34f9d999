#include "ui/row_actions.h"

#include <QClipboard>
#include <QDrag>
#include <QGuiApplication>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QShortcut>

#include "platform/desktop_applications.h"
#include "search/command_ids.h"
#include "search/copy_text.h"
#include "search/drop_files.h"
#include "search/search_texts.h"
#include "ui/catalog_tab.h"
#include "ui/directory_tab.h"
#include "ui/form_controls.h"
#include "ui/list_ctrl_ex.h"
#include "ui/list_models.h"
#include "ui/search_add.h"

namespace mardo {
namespace {

// The private type under which a drag carries the drop block.
constexpr const char* kDropFilesMimeType = "application/x-mardo-dropfiles";

FormTab TabOf(int tab) {
  return static_cast<FormTab>(tab);
}

}  // namespace

RowActions::RowActions(SearchAdd& form) : QObject(&form), form_(form) {}

void RowActions::Attach(CListCtrlEx* list) {
  connect(list, &QWidget::customContextMenuRequested, this,
          [this, list](const QPoint& at) { OnListRightClick(list->viewport()->mapToGlobal(at)); });
  auto* menuKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), list);
  menuKey->setContext(Qt::WidgetShortcut);
  connect(menuKey, &QShortcut::activated, this, [this, list] { OnContextMenuKey(list); });
  auto* deleteKey = new QShortcut(QKeySequence(Qt::Key_Delete), list);
  deleteKey->setContext(Qt::WidgetShortcut);
  connect(deleteKey, &QShortcut::activated, this, [this, list] {
    if (list == form_.ListOf(ListKind::kCatalog)) {
      RunCommand(command::kDeleteSelectedCatalogs);
    } else if (form_.ExpertMode()) {
      RunCommand(command::kDeleteSelectedFiles);
    }
  });
  connect(list, &CListCtrlEx::DragRequested, this, &RowActions::OnBeginDrag);
}

std::vector<const FileRecord*> RowActions::SelectedFileRows() const {
  const int tab = form_.CurrentTab();
  if (tab != static_cast<int>(FormTab::kSearch) && tab != static_cast<int>(FormTab::kDirectory)) return {};
  return form_.SelectedRecords(static_cast<ListKind>(tab));
}

std::vector<MenuItem> RowActions::ContextMenuItems() {
  form_.SelectCurrentList();
  const auto tab = static_cast<ListKind>(form_.CurrentTab());
  const int selected = static_cast<int>(form_.CurrentList()->SelectedRows().size());
  const FileRecord* file = nullptr;
  const Catalog* catalog = nullptr;
  if (tab == ListKind::kCatalog) {
    catalog = form_.FocusedCatalog();
  } else {
    file = form_.FocusedRecord(tab);
  }
  return BuildContextMenu(TabOf(form_.CurrentTab()), selected, file, catalog, form_.ExpertMode());
}

void RowActions::OnListRightClick(const QPoint& globalPosition) {
  QMenu menu(&form_);
  menu.setObjectName("contextMenu");
  for (const MenuItem& item : ContextMenuItems()) {
    if (item.IsSeparator()) {
      menu.addSeparator();
      continue;
    }
    QAction* action = menu.addAction(Text(item.label));
    action->setData(item.command);
  }
  if (QAction* chosen = menu.exec(globalPosition)) RunCommand(chosen->data().toInt());
}

void RowActions::OnContextMenuKey(CListCtrlEx* list) {
  const QModelIndex current = list->currentIndex();
  const QRect row = current.isValid() ? list->visualRect(current) : QRect();
  const QPoint at = row.isValid() ? row.bottomLeft() : QPoint(0, 0);
  OnListRightClick(list->viewport()->mapToGlobal(at));
}

void RowActions::RunCommand(int32_t commandId) {
  form_.SelectCurrentList();
  if (!CommandEnabled(commandId, static_cast<int32_t>(form_.CurrentList()->SelectedRows().size()))) return;
  const bool catalogTab = form_.CurrentTab() == static_cast<int>(FormTab::kCatalog);
  switch (commandId) {
    case command::kCopySelectedRows:
      CopySelectedRows();
      break;
    case command::kDisplayParent:
      form_.Directory().OnParent();
      break;
    case command::kDeleteSelectedCatalogs:
      if (catalogTab) form_.Catalogs().DeleteSelectedCatalogs();
      break;
    case command::kOpen:
    case command::kOpenInNewWindow:
    case command::kExploreParent:
      OpenWithShell(*OpenModeOfCommand(commandId));
      break;
    case command::kRefresh:
      if (catalogTab) form_.Catalogs().OnRefresh();
      break;
    case command::kSelectAll:
      form_.OnSelectAll();
      break;
    case command::kDeleteSelectedFiles:
      OnDeleteFiles();
      break;
    default:
      break;
  }
}

void RowActions::CopySelectedRows() {
  form_.SelectCurrentList();
  const std::vector<const FileRecord*> files = SelectedFileRows();
  const std::vector<const Catalog*> catalogs = form_.CurrentTab() == static_cast<int>(FormTab::kCatalog)
                                                   ? form_.SelectedCatalogs()
                                                   : std::vector<const Catalog*>{};
  // The user's decimal separator, for the megabytes of directory rows.
  const std::string separator = QLocale().decimalPoint().toStdString();
  const std::string text =
      BuildCopyText(TabOf(form_.CurrentTab()), files, catalogs, form_.Formats(), separator);
  QGuiApplication::clipboard()->setText(Text(text));
}

QMimeData* RowActions::MakeDragData() {
  form_.SelectCurrentList();
  const FilePaths paths = CollectFilePaths(SelectedFileRows());
  if (!paths.leftOut.empty()) form_.Message(FileProblemsMessage(texts::kLeftOutOfDrag, paths.leftOut));
  if (paths.paths.empty()) return nullptr;
  // The files as file URLs made from the names' bytes, as plain text, and as the drop block.
  QByteArray uris;
  QString plain;
  for (const std::string& path : paths.paths) {
    uris += QByteArray::fromStdString(DesktopApplications::FileUrl(path)) + "\r\n";
    plain += Text(path) + '\n';
  }
  auto* data = new QMimeData();
  data->setData("text/uri-list", uris);
  data->setText(plain);
  const std::vector<uint8_t> block = MakeDropFiles(BuildPathList(paths.paths));
  data->setData(kDropFilesMimeType, QByteArray(reinterpret_cast<const char*>(block.data()),
                                               static_cast<qsizetype>(block.size())));
  return data;
}

void RowActions::OnBeginDrag() {
  QMimeData* data = MakeDragData();
  if (data == nullptr) return;
  if (form_.Services().drag) {
    form_.Services().drag(form_.CurrentList(), data);
    return;
  }
  auto* drag = new QDrag(form_.CurrentList());
  drag->setMimeData(data);
  drag->exec(Qt::CopyAction, Qt::CopyAction);
}

void RowActions::OpenWithShell(OpenMode mode) {
  form_.SelectCurrentList();
  const FormServices& services = form_.Services();
  if (services.shell == nullptr || form_.CurrentTab() == static_cast<int>(FormTab::kCatalog)) return;
  mardo::OpenWithShell(form_.FocusedRecord(static_cast<ListKind>(form_.CurrentTab())), mode, *services.shell,
                       form_.Prompts(), volumes_);
}

void RowActions::OnDeleteFiles() {
  form_.SelectCurrentList();
  const FormServices& services = form_.Services();
  if (services.shell == nullptr) return;
  DeleteSelectedFiles(form_.Library(), form_.Prompts(), *services.shell, volumes_, TabOf(form_.CurrentTab()),
                      SelectedFileRows());
  // The record count and the catalog list's Files follow the records that went.
  form_.ShowRecordCount();
}

}  // namespace mardo
