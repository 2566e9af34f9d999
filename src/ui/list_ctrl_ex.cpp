#include "ui/list_ctrl_ex.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyle>

#include "search/fit_text.h"
#include "ui/list_models.h"

namespace mardo {
namespace {

// Offsets that FitText keeps free beside a text, and insets of the text inside its cell, in
// pixels: the first column, then the others.
constexpr int kFirstColumnOffset = 4;
constexpr int kOtherColumnOffset = 12;
constexpr int kFirstColumnInset = 2;
constexpr int kOtherColumnInset = 6;

}  // namespace

CListCtrlEx::CListCtrlEx(QWidget* parent) : QTableView(parent) {
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setShowGrid(false);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalHeader()->hide();
  // Every row the same height: the view then needs no per-row layout, whatever the row count.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  horizontalHeader()->setHighlightSections(false);
  // Widths come from the settings as they are, however narrow.
  horizontalHeader()->setMinimumSectionSize(0);
  horizontalHeader()->setSectionsClickable(true);
  horizontalHeader()->setSectionsMovable(false);
  horizontalHeader()->setStretchLastSection(false);
  horizontalHeader()->setSortIndicatorShown(true);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  setItemDelegate(new FullRowDelegate(this));
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &CListCtrlEx::HeaderClicked);
}

bool CListCtrlEx::SetFullRowSelect(bool on) {
  if (fullRowSelect_ == on) return false;
  fullRowSelect_ = on;
  viewport()->update();
  return true;
}

int CListCtrlEx::SelectAllRows() {
  selectAll();
  return model() != nullptr ? model()->rowCount() : 0;
}

QList<int> CListCtrlEx::SelectedRows() const {
  QList<int> rows;
  if (selectionModel() == nullptr) return rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.append(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

int CListCtrlEx::FocusedRow() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.row() : -1;
}

void CListCtrlEx::paintEvent(QPaintEvent* event) {
  QTableView::paintEvent(event);
  if (!fullRowSelect_ || model() == nullptr) return;
  QPainter painter(viewport());
  const int columns = model()->columnCount();
  const int right = columns > 0 ? columnViewportPosition(columns - 1) + columnWidth(columns - 1) : 0;
  const int width = viewport()->width();
  const int first = rowAt(0);
  const int last = rowAt(viewport()->height() - 1);
  if (first < 0) return;
  const int end = last < 0 ? model()->rowCount() - 1 : last;
  // The highlight of selected rows goes on beyond the last column to the edge of the list.
  if (extendToClient && right < width && selectionModel() != nullptr) {
    for (int row = first; row <= end; ++row) {
      if (!selectionModel()->isRowSelected(row, QModelIndex())) continue;
      painter.fillRect(QRect(right, rowViewportPosition(row), width - right, rowHeight(row)),
                       palette().brush(QPalette::Active, QPalette::Highlight));
    }
  }
  // The focus rectangle frames the whole focused row, only while the list has the focus.
  const int focused = FocusedRow();
  if (hasFocus() && focused >= first && focused <= end) {
    const int left = columns > 0 ? columnViewportPosition(0) : 0;
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = QRect(left, rowViewportPosition(focused),
                       std::max(right, extendToClient ? width : right) - left, rowHeight(focused));
    focus.backgroundColor = palette().color(QPalette::Highlight);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
}

void CListCtrlEx::startDrag(Qt::DropActions) {
  emit DragRequested();
}

void CListCtrlEx::UpdateRows(int first, int last) {
  if (first < 0 || last < first) return;
  const int top = rowViewportPosition(first);
  const int bottom = rowViewportPosition(last) + rowHeight(last);
  viewport()->update(QRect(0, top, viewport()->width(), bottom - top));
}

void CListCtrlEx::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (previous.isValid()) UpdateRows(previous.row(), previous.row());
  if (current.isValid()) UpdateRows(current.row(), current.row());
}

void CListCtrlEx::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  QTableView::selectionChanged(selected, deselected);
  for (const QItemSelection* ranges : {&selected, &deselected})
    for (const QItemSelectionRange& range : *ranges) UpdateRows(range.top(), range.bottom());
}

void CListCtrlEx::focusInEvent(QFocusEvent* event) {
  QTableView::focusInEvent(event);
  viewport()->update();
}

void CListCtrlEx::focusOutEvent(QFocusEvent* event) {
  QTableView::focusOutEvent(event);
  viewport()->update();
}

FullRowDelegate::FullRowDelegate(CListCtrlEx* list) : QStyledItemDelegate(list), list_(list) {}

void FullRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  if (!list_->IsFullRowSelect()) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  const QPalette& palette = option.palette;
  // The selection shows in the active colours whether or not the list has the focus.
  const bool selected = (option.state & QStyle::State_Selected) != 0;
  QColor text = palette.color(QPalette::Active, QPalette::Text);
  if (selected) {
    painter->fillRect(option.rect, palette.brush(QPalette::Active, QPalette::Highlight));
    text = palette.color(QPalette::Active, QPalette::HighlightedText);
  } else {
    painter->fillRect(option.rect, palette.brush(QPalette::Active, QPalette::Base));
    if (list_->IsDirectoryMarking() && index.data(kDirectoryRole).toBool())
      text = QColor(kDirectoryRowColour);
  }
  const QString cell = index.data(Qt::DisplayRole).toString();
  if (cell.isEmpty()) return;
  const bool first = index.column() == 0;
  const int inset = first ? kFirstColumnInset : kOtherColumnInset;
  const QFontMetrics metrics(option.font);
  const QByteArray utf8 = cell.toUtf8();
  const std::string fitted = FitText(
      std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())), option.rect.width(),
      first ? kFirstColumnOffset : kOtherColumnOffset, [&metrics](std::string_view part) {
        return metrics.horizontalAdvance(QString::fromUtf8(part.data(), static_cast<qsizetype>(part.size())));
      });
  const bool shortened = fitted.size() != static_cast<size_t>(utf8.size());
  Qt::Alignment alignment = Qt::AlignLeft;
  if (!shortened) {
    const auto wanted = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
    if (wanted & Qt::AlignRight) alignment = Qt::AlignRight;
    if (wanted & Qt::AlignHCenter) alignment = Qt::AlignHCenter;
  }
  painter->save();
  painter->setPen(text);
  painter->setFont(option.font);
  painter->drawText(option.rect.adjusted(inset, 0, -inset, 0),
                    alignment | Qt::AlignVCenter | Qt::TextSingleLine, QString::fromStdString(fitted));
  painter->restore();
}

}  // namespace mardo
