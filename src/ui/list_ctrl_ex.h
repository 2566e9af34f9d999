#pragma once

#include <QStyledItemDelegate>
#include <QTableView>

namespace mardo {

// A report list that draws whole rows: a selected row is highlighted across every column up to the
// right edge of the list, also while another control has the focus; rows of directory entries may
// stand out in dark blue; cell texts that do not fit end in "..."; the focus rectangle frames the
// whole focused row while the list has the focus.
class CListCtrlEx final : public QTableView {
  Q_OBJECT
 public:
  explicit CListCtrlEx(QWidget* parent = nullptr);

  // Whole-row drawing; true when the setting changed (the list is then repainted).
  bool SetFullRowSelect(bool on);
  bool IsFullRowSelect() const { return fullRowSelect_; }
  // Rows whose model says kDirectoryRole are drawn in dark blue when not selected.
  void SetDirectoryMarking(bool on) { markDirectories_ = on; }
  bool IsDirectoryMarking() const { return markDirectories_; }
  // Selects every row; gives the row count.
  int SelectAllRows();

  // The rows of the selection in ascending order, and the focused row (-1 for none).
  QList<int> SelectedRows() const;
  int FocusedRow() const;

  // The highlight of a row reaches at least the right edge of the viewport.
  bool extendToClient = true;

 signals:
  void HeaderClicked(int column);
  // The user began to drag rows (left or right button); the form builds the drag.
  void DragRequested();

 protected:
  void startDrag(Qt::DropActions supportedActions) override;
  // The focus rectangle and the highlight reach beyond the cells: whole rows are repainted.
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
  void paintEvent(QPaintEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void UpdateRows(int first, int last);

  bool fullRowSelect_ = false;
  bool markDirectories_ = false;
};

// Draws the cells of a CListCtrlEx.
class FullRowDelegate final : public QStyledItemDelegate {
 public:
  explicit FullRowDelegate(CListCtrlEx* list);
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  CListCtrlEx* list_;
};

// Dark blue, for unselected rows of directory entries.
inline constexpr QRgb kDirectoryRowColour = qRgb(0, 0, 192);

}  // namespace mardo
