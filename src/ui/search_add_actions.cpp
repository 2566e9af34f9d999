// SearchAdd: the row actions: the context menu, copying, dragging, opening, exploring and
// trashing.
#include <QClipboard>
#include <QDrag>
#include <QGuiApplication>
#include <QLocale>
#include <QMenu>
#include <QMimeData>

#include "platform/desktop_applications.h"
#include "search/command_ids.h"
#include "search/copy_text.h"
#include "search/drop_files.h"
#include "search/search_texts.h"
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

std::vector<const FileRecord*> SearchAdd::SelectedFileRows() const {
  if (currentTab_ != static_cast<int>(FormTab::kSearch) &&
      currentTab_ != static_cast<int>(FormTab::kDirectory))
    return {};
  return SelectedRecords(static_cast<ListKind>(currentTab_));
}

std::vector<MenuItem> SearchAdd::ContextMenuItems() {
  SelectCurrentList();
  const auto tab = static_cast<ListKind>(currentTab_);
  const int selected = static_cast<int>(currentList_->SelectedRows().size());
  const FileRecord* file = nullptr;
  const Catalog* catalog = nullptr;
  if (tab == ListKind::kCatalog) {
    catalog = FocusedCatalog();
  } else {
    file = FocusedRecord(tab);
  }
  return BuildContextMenu(TabOf(currentTab_), selected, file, catalog, expertMode_);
}

void SearchAdd::OnListRightClick(const QPoint& globalPosition) {
  QMenu menu(this);
  menu.setObjectName("contextMenu");
  for (const MenuItem& item : ContextMenuItems()) {
    if (item.IsSeparator()) {
      menu.addSeparator();
      continue;
    }
    QAction* action = menu.addAction(QString::fromStdString(item.label));
    action->setData(item.command);
  }
  if (QAction* chosen = menu.exec(globalPosition)) RunCommand(chosen->data().toInt());
}

void SearchAdd::RunCommand(int32_t commandId) {
  SelectCurrentList();
  if (!CommandEnabled(commandId, static_cast<int32_t>(currentList_->SelectedRows().size()))) return;
  switch (commandId) {
    case command::kCopySelectedRows:
      CopySelectedRows();
      break;
    case command::kDisplayParent:
      OnParent();
      break;
    case command::kDeleteSelectedCatalogs:
      DeleteSelectedCatalogs();
      break;
    case command::kOpen:
    case command::kOpenInNewWindow:
    case command::kExploreParent:
      OpenWithShell(*OpenModeOfCommand(commandId));
      break;
    case command::kRefresh:
      OnRefresh();
      break;
    case command::kSelectAll:
      OnSelectAll();
      break;
    case command::kDeleteSelectedFiles:
      OnDeleteFiles();
      break;
    default:
      break;
  }
}

void SearchAdd::CopySelectedRows() {
  SelectCurrentList();
  const std::vector<const FileRecord*> files = SelectedFileRows();
  const std::vector<const Catalog*> catalogs =
      currentTab_ == static_cast<int>(FormTab::kCatalog) ? SelectedCatalogs() : std::vector<const Catalog*>{};
  // The user's decimal separator, for the megabytes of directory rows.
  const std::string separator = QLocale().decimalPoint().toStdString();
  const std::string text = BuildCopyText(TabOf(currentTab_), files, catalogs, formats_, separator);
  QGuiApplication::clipboard()->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

QMimeData* SearchAdd::MakeDragData() {
  SelectCurrentList();
  const FilePaths paths = CollectFilePaths(SelectedFileRows());
  if (!paths.leftOut.empty()) Message(FileProblemsMessage(texts::kLeftOutOfDrag, paths.leftOut));
  if (paths.paths.empty()) return nullptr;
  // The files as file URLs made from the names' bytes, as plain text, and as the drop block.
  QByteArray uris;
  QString plain;
  for (const std::string& path : paths.paths) {
    uris += QByteArray::fromStdString(DesktopApplications::FileUrl(path)) + "\r\n";
    plain += QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())) + '\n';
  }
  auto* data = new QMimeData();
  data->setData("text/uri-list", uris);
  data->setText(plain);
  const std::vector<uint8_t> block = MakeDropFiles(BuildPathList(paths.paths));
  data->setData(kDropFilesMimeType, QByteArray(reinterpret_cast<const char*>(block.data()),
                                               static_cast<qsizetype>(block.size())));
  return data;
}

void SearchAdd::OnBeginDrag() {
  QMimeData* data = MakeDragData();
  if (data == nullptr) return;
  auto* drag = new QDrag(currentList_);
  drag->setMimeData(data);
  drag->exec(Qt::CopyAction, Qt::CopyAction);
}

void SearchAdd::OpenWithShell(OpenMode mode) {
  SelectCurrentList();
  if (services_.shell == nullptr || currentTab_ == static_cast<int>(FormTab::kCatalog)) return;
  mardo::OpenWithShell(FocusedRecord(static_cast<ListKind>(currentTab_)), mode, *services_.shell,
                       *services_.prompts, volumes_);
}

void SearchAdd::OnDeleteFiles() {
  SelectCurrentList();
  if (services_.shell == nullptr) return;
  DeleteSelectedFiles(library_, *services_.prompts, *services_.shell, volumes_, TabOf(currentTab_),
                      SelectedFileRows());
}

}  // namespace mardo
