#pragma once

#include <QObject>
#include <QPoint>

#include <cstdint>
#include <vector>

#include "platform/volume_query.h"
#include "search/context_menu.h"
#include "search/shell_actions.h"

class QMimeData;

namespace mardo {

class CListCtrlEx;
class FileRecord;
class SearchAdd;

// What can be done with the rows of the current list: the context menu (right click, the Menu
// key, Shift+F10), its commands, copying (Ctrl+C), dragging files out, opening and exploring them,
// and deleting (the Delete key: catalogs on the Catalog tab, files in expert mode elsewhere).
class RowActions final : public QObject {
  Q_OBJECT
 public:
  explicit RowActions(SearchAdd& form);

  // Gives a list its keys: Shift+F10 opens its context menu, Delete deletes.
  void Attach(CListCtrlEx* list);

  std::vector<MenuItem> ContextMenuItems();
  // Shows the context menu of the current list at a point of the screen.
  void OnListRightClick(const QPoint& globalPosition);
  // The menu from the keyboard: at the focused row, else at the list's top left.
  void OnContextMenuKey(CListCtrlEx* list);
  void RunCommand(int32_t command);
  void CopySelectedRows();
  // The drag data of the selected files of the current list, or nullptr when it has none.
  QMimeData* MakeDragData();
  void OnBeginDrag();
  void OpenWithShell(OpenMode mode);
  void OnDeleteFiles();

  // The selected rows of the current list when it is a file list (Search or Directory tab).
  std::vector<const FileRecord*> SelectedFileRows() const;

 private:
  SearchAdd& form_;
  // Identifies the volume mounted at a catalog's root before its files are opened or trashed.
  VolumeQuery volumes_;
};

}  // namespace mardo
