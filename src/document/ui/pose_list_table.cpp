#include "document/ui/pose_list_table.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QItemSelection>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>

#include "base/flag_scope.h"
#include "document/pose_edit_pane.h"
#include "document/ui/pose_list_model.h"
#include "shell/ui/dialog_fonts.h"

namespace velmora {

namespace {

// Tips come up 10 ms after the mouse stops, not after the usual long hover.
constexpr int kTipDelayMs = 10;

constexpr int kTimeColumn = 2;

// Draws a cell's text with a narrow margin; the style still draws the selection and the focus.
class CompactCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    const QString text = cell.text;
    cell.text.clear();
    const QWidget* view = cell.widget;
    QStyle* style = view != nullptr ? view->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, view);

    // A flagged row's icon comes first; the number follows it.
    const int icon = cell.features.testFlag(QStyleOptionViewItem::HasDecoration)
                         ? cell.decorationSize.width() + 1
                         : 0;
    const QRect room = cell.rect.adjusted(kTextMargin + icon, 0, 0, 0);
    const QPalette::ColorGroup group = !(cell.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (cell.state & QStyle::State_Active) ? QPalette::Active
                                                                             : QPalette::Inactive;
    painter->save();
    painter->setFont(cell.font);
    painter->setPen(cell.palette.color(
        group, (cell.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(room, Qt::AlignLeft | Qt::AlignVCenter,
                      cell.fontMetrics.elidedText(text, Qt::ElideRight, room.width()));
    painter->restore();
  }

  static constexpr int kTextMargin = 2;
};

}  // namespace

PoseListTable::PoseListTable(PoseEditPane& pane, QWidget* parent)
    : QTableView(parent), pane_(pane), model_(new PoseListModel(this)) {
  setModel(model_);
  setItemDelegate(new CompactCellDelegate(this));
  setIconSize(QSize(10, 10));
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(false);
  setShowGrid(true);
  setWordWrap(false);
  setTextElideMode(Qt::ElideRight);
  setCornerButtonEnabled(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setContextMenuPolicy(Qt::CustomContextMenu);
  viewport()->setMouseTracking(true);

  // The rows in the half-width face of the fields; the header keeps the pane's face.
  QHeaderView* header = horizontalHeader();
  header->setFont(font());
  setFont(FieldFont());
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // The parameters take whatever width the other columns leave.
  header->setStretchLastSection(true);
  header->setHighlightSections(false);
  header->setSectionsClickable(false);
  header->setMinimumSectionSize(0);
  for (std::size_t c = 0; c < kPoseListColumns.size(); ++c) {
    header->resizeSection(static_cast<int>(c), kPoseListColumns[c].width);
  }
  // The longest time, "655350msec", is shown whole.
  const int longestTime = fontMetrics().horizontalAdvance(QStringLiteral("655350msec")) +
                          CompactCellDelegate::kTextMargin + 2;
  header->resizeSection(kTimeColumn, std::max(kPoseListColumns[kTimeColumn].width, longestTime));
  QHeaderView* rows = verticalHeader();
  rows->hide();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setMinimumSectionSize(0);
  rows->setDefaultSectionSize(fontMetrics().height() + 3);

  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { SelectionTouched(); });
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { SelectionTouched(); });
  connect(this, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { emit contextMenuRequested(viewport()->mapToGlobal(pos)); });

  tipTimer_.setSingleShot(true);
  tipTimer_.setInterval(kTipDelayMs);
  connect(&tipTimer_, &QTimer::timeout, this, [this] { ShowCellTip(); });
}

PoseListTable::~PoseListTable() {
  // The command guards must not find a list that is gone still holding the focus.
  pane_.OnListFocusChanged(false);
}

// ---- PoseListView ----

void PoseListTable::SetRows(const Motion& motion) {
  FlagScope applying(applying_);
  model_->Reset(motion);
  knownSelected_.clear();
  knownFocused_ = -1;
}

void PoseListTable::SetRowTexts(std::size_t row, const PoseRowTexts& /*texts*/) {
  // The texts are those of the row's Pose, which the model formats when the row is drawn.
  model_->RowChanged(row);
}

void PoseListTable::SetSelection(const std::vector<std::size_t>& selected, long focused) {
  FlagScope applying(applying_);
  const auto rows = static_cast<std::size_t>(model_->rowCount());
  const int lastColumn = model_->columnCount() - 1;
  std::vector<std::size_t> wanted;
  wanted.reserve(selected.size());
  for (std::size_t row : selected) {
    if (row < rows) wanted.push_back(row);
  }
  std::sort(wanted.begin(), wanted.end());
  wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());

  // One range per run of consecutive rows keeps a selection of every row of a long Motion small.
  QItemSelection selection;
  for (std::size_t i = 0; i < wanted.size();) {
    std::size_t last = i;
    while (last + 1 < wanted.size() && wanted[last + 1] == wanted[last] + 1) ++last;
    selection.select(model_->index(static_cast<int>(wanted[i]), 0),
                     model_->index(static_cast<int>(wanted[last]), lastColumn));
    i = last + 1;
  }
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  const bool hasFocusRow = focused >= 0 && static_cast<std::size_t>(focused) < rows;
  selectionModel()->setCurrentIndex(
      hasFocusRow ? model_->index(static_cast<int>(focused), 0) : QModelIndex(),
      QItemSelectionModel::NoUpdate);
  knownSelected_ = std::move(wanted);
  knownFocused_ = hasFocusRow ? focused : -1;
}

void PoseListTable::EnsureVisible(std::size_t row) {
  if (row >= static_cast<std::size_t>(model_->rowCount())) return;
  // Only the rows scroll; the columns stay where the user put them.
  const int across = horizontalScrollBar()->value();
  scrollTo(model_->index(static_cast<int>(row), 0), QAbstractItemView::EnsureVisible);
  horizontalScrollBar()->setValue(across);
}

// ---- Reporting what the user did ----

void PoseListTable::SelectionTouched() {
  if (applying_) return;
  if (eventDepth_ > 0) {
    selectionTouched_ = true;
  } else {
    ReportSelection();
  }
}

void PoseListTable::ReportSelection() {
  selectionTouched_ = false;
  std::vector<std::size_t> selected;
  const QItemSelection ranges = selectionModel()->selection();
  for (const QItemSelectionRange& range : ranges) {
    for (int row = range.top(); row <= range.bottom(); ++row) {
      selected.push_back(static_cast<std::size_t>(row));
    }
  }
  std::sort(selected.begin(), selected.end());
  selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
  const QModelIndex current = selectionModel()->currentIndex();
  const long focused = current.isValid() ? current.row() : -1;
  if (selected == knownSelected_ && focused == knownFocused_) return;
  knownSelected_ = selected;
  knownFocused_ = focused;
  pane_.OnListSelectionChanged(std::move(selected), focused);
}

bool PoseListTable::event(QEvent* event) {
  // A deferred delete ends this object inside the call.
  if (event->type() == QEvent::DeferredDelete) return QTableView::event(event);
  ++eventDepth_;
  const bool handled = QTableView::event(event);
  --eventDepth_;
  if (eventDepth_ == 0 && selectionTouched_) ReportSelection();
  return handled;
}

bool PoseListTable::viewportEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::ToolTip:
      return true;  // our own tips (ShowCellTip) replace the slow default ones
    case QEvent::MouseMove:
      tipPoint_ = static_cast<QMouseEvent*>(event)->position().toPoint();
      tipTimer_.start();
      break;
    case QEvent::Leave:
      tipTimer_.stop();
      tipIndex_ = QPersistentModelIndex();
      break;
    default:
      break;
  }
  ++eventDepth_;
  const bool handled = QTableView::viewportEvent(event);
  --eventDepth_;
  if (eventDepth_ == 0 && selectionTouched_) ReportSelection();
  return handled;
}

void PoseListTable::focusInEvent(QFocusEvent* event) {
  pane_.OnListFocusChanged(true);
  QTableView::focusInEvent(event);
}

void PoseListTable::focusOutEvent(QFocusEvent* event) {
  if (event->reason() != Qt::PopupFocusReason) pane_.OnListFocusChanged(false);
  QTableView::focusOutEvent(event);
}

void PoseListTable::keyPressEvent(QKeyEvent* event) {
  // A report view has one column of items: Left and Right scroll sideways.
  if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
    horizontalScrollBar()->triggerAction(event->key() == Qt::Key_Left
                                             ? QAbstractSlider::SliderSingleStepSub
                                             : QAbstractSlider::SliderSingleStepAdd);
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

QModelIndex PoseListTable::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  const int rows = model_->rowCount();
  const int column = std::max(0, currentIndex().column());
  switch (action) {
    case MoveHome:  // the first and last rows, not the ends of the current row
      return rows > 0 ? model_->index(0, column) : QModelIndex();
    case MoveEnd:
      return rows > 0 ? model_->index(rows - 1, column) : QModelIndex();
    case MoveLeft:
    case MoveRight:
      return currentIndex();
    default:
      return QTableView::moveCursor(action, modifiers);
  }
}

void PoseListTable::ShowCellTip() {
  const QModelIndex index = indexAt(tipPoint_);
  if (!index.isValid()) {
    tipIndex_ = QPersistentModelIndex();
    QToolTip::hideText();
    return;
  }
  if (QPersistentModelIndex(index) == tipIndex_ && QToolTip::isVisible()) return;
  tipIndex_ = QPersistentModelIndex(index);
  const QRect cell = visualRect(index);
  // A row the motion check flagged shows its reasons, whatever cell the mouse is on.
  const QString issues = index.data(PoseListModel::kIssueRole).toString();
  if (!issues.isEmpty()) {
    QToolTip::showText(viewport()->mapToGlobal(cell.bottomLeft()), issues, viewport(), cell);
    return;
  }
  const QString text = index.data(Qt::ToolTipRole).toString();
  // Like a label tip: only a text that the cell cuts off is shown, over the cell itself.
  if (fontMetrics().horizontalAdvance(text) + CompactCellDelegate::kTextMargin <=
      cell.width() - 1) {
    QToolTip::hideText();
    return;
  }
  QToolTip::showText(viewport()->mapToGlobal(cell.topLeft()), text, viewport(), cell);
}

}  // namespace velmora
