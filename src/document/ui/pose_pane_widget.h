#pragma once

#include <QPoint>
#include <QSize>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "shell/ui/widget_control_view.h"

class QLineEdit;
class QMenu;

namespace velmora {

class PoseListTable;
struct ProgramState;

// The pose pane (dialog 134) on real widgets: the PoseList on top and the fields of the current
// Pose below, each control named by its control number. It is a thin skin over the core's
// PoseEditPane (ProgramState::pane): the fields are its ControlView, the list its PoseListView,
// and every edit, click, selection and scroll is forwarded to it.
//
// Use by the main window:
//  - construct it after def.ini is read (the trackbar ranges come from the motor limits then in
//    force) and place it at (0, toolbar height - 1); its size is fixed (PosePaneSize());
//  - start-up fills it the usual way: state.pane.RefreshAfterReplace(), then SyncViews();
//  - the change sink's coalesced notifications go to OnChanges() on the UI thread; whatever the
//    playback and recorder threads changed reaches the widgets there;
//  - contextMenuRequested asks for menu 144 at a screen position (right click in the list);
//  - state.pane.PoseListHasFocus() says whether Delete, Ctrl+X, Ctrl+C and Ctrl+V are meant for
//    the Poses: it is true only while the list has the keyboard focus (a popup menu over the list
//    does not count as leaving it).
class PosePaneWidget : public QWidget {
  Q_OBJECT

 public:
  explicit PosePaneWidget(ProgramState& state, QWidget* parent = nullptr);
  ~PosePaneWidget() override;

  PoseListTable* List() const { return list_; }
  // The motion check's reasons per row, shown as the rows' flags.
  void SetIssues(std::vector<std::string> reasons);
  // The control with the given number, or null.
  QWidget* Control(int id) const { return view_.Find(id); }

 public slots:
  // Brings every widget up to date with the core (PoseEditPane::SyncViews).
  void SyncViews();
  // A coalesced change notification: syncs when it touches the pane (kPoseViewChanges).
  void OnChanges(uint32_t changes);

 signals:
  void contextMenuRequested(QPoint globalPos);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Build();

  ProgramState& state_;
  WidgetControlView view_;
  PoseListTable* list_ = nullptr;
};

// The pane's dialog units in pixels. Across they are those of every dialog; down they are
// smaller, so that the 460 units of the pane fit the 650-pixel client area under the toolbar.
int PaneUnitsToPixelsX(int units);
int PaneUnitsToPixelsY(int units);
QSize PosePaneSize();

}  // namespace velmora
