#pragma once

#include <QPersistentModelIndex>
#include <QPoint>
#include <QTableView>
#include <QTimer>
#include <cstddef>
#include <vector>

#include "document/pose_list_view.h"

namespace velmora {

class PoseEditPane;
class PoseListModel;

// The PoseList (control 1165): a report view with one row per Pose, several rows selectable,
// whole rows selected, grid lines and tips that show a cell's whole text. It is the PoseListView
// of the pane and reports what the user does to it:
//  - a new selection or focused row: PoseEditPane::OnListSelectionChanged, once per user action
//    (a click or a key changes both, in either order);
//  - the keyboard focus coming and going: PoseEditPane::OnListFocusChanged. A popup menu opened
//    over the list does not take the focus away, so that a command chosen from the context menu
//    still finds the list focused;
//  - a right click: contextMenuRequested with the screen position.
// The keys behave as in a list: Up, Down, Page Up, Page Down, Home and End move the focused row
// (Shift extends the selection, Ctrl moves the focus alone and Ctrl+Space toggles a row), Left
// and Right scroll sideways, and Tab leaves the list.
class PoseListTable : public QTableView, public PoseListView {
  Q_OBJECT

 public:
  PoseListTable(PoseEditPane& pane, QWidget* parent = nullptr);
  ~PoseListTable() override;

  PoseListModel* Model() const { return model_; }

  // PoseListView
  void SetRows(const Motion& motion) override;
  void SetRowTexts(std::size_t row, const PoseRowTexts& texts) override;
  void SetSelection(const std::vector<std::size_t>& selected, long focused) override;
  void EnsureVisible(std::size_t row) override;

 signals:
  void contextMenuRequested(QPoint globalPos);

 protected:
  bool event(QEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

 private:
  void SelectionTouched();
  void ReportSelection();
  void ShowCellTip();

  PoseEditPane& pane_;
  PoseListModel* model_ = nullptr;
  // Nesting depth of the input events being handled; the selection is reported when the
  // outermost one is done, so that one click or key makes one report.
  int eventDepth_ = 0;
  bool selectionTouched_ = false;
  // Set while the pane's own changes are applied; those are not reported back.
  bool applying_ = false;
  // What the pane last knew of the selection, from a report or from SetSelection.
  std::vector<std::size_t> knownSelected_;
  long knownFocused_ = -1;

  // A cell whose text does not fit shows it whole in a tip shortly after the mouse stops on it.
  QTimer tipTimer_;
  QPoint tipPoint_;
  QPersistentModelIndex tipIndex_;
};

}  // namespace velmora
