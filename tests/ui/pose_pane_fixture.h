#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "base/c_format.h"
#include "document/pose_pane_controls.h"
#include "document/ui/pose_list_model.h"
#include "document/ui/pose_list_table.h"
#include "document/ui/pose_pane_widget.h"
#include "geometry/kinematics.h"
#include "shell/program_state.h"

namespace velmora::testing {

// Collects what the core reports, for the test to hand to the widget as the main window would.
struct CollectingSink : ChangeSink {
  void Notify(uint32_t changes) override { bits.fetch_or(changes); }
  uint32_t Take() { return bits.exchange(0); }
  std::atomic<uint32_t> bits{0};
};

// The pose pane on real widgets over fresh program state, shown and filled as at start-up.
class PosePaneUiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitialiseProgramState(state);
    state.document.sink = &sink;
    pane = std::make_unique<PosePaneWidget>(state);
    pane->show();
    pane->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(pane.get()));
    state.pane.RefreshAfterReplace();
    pane->SyncViews();
  }
  void TearDown() override {
    pane.reset();
    state.document.sink = &Document::nullSink;
  }

  // Installs Poses as a freshly opened file would, with `current` current.
  void Load(std::vector<Pose> poses, long current = 0) {
    state.document.motion.Replace(std::move(poses), current);
    ResetHistory(state.document);
    state.pane.RefreshAfterReplace();
    pane->SyncViews();
  }
  // Poses that tell themselves apart by ID1 and their time.
  std::vector<Pose> Poses(int count) const {
    std::vector<Pose> poses;
    const ArmGeometry g = state.geometry.Get();
    for (int i = 0; i < count; ++i) {
      Pose p;
      p.motorValues = {static_cast<int16_t>(10 * i), 300, 100, 0, 0};
      p.transitionTime = 100 + 10 * static_cast<uint32_t>(i);
      UpdateCoordinates(g, p);
      poses.push_back(p);
    }
    return poses;
  }

  QLineEdit* Edit(int id) const { return qobject_cast<QLineEdit*>(pane->Control(id)); }
  QCheckBox* Box(int id) const { return qobject_cast<QCheckBox*>(pane->Control(id)); }
  QSlider* Slider(int id) const { return qobject_cast<QSlider*>(pane->Control(id)); }
  QComboBox* Combo(int id) const { return qobject_cast<QComboBox*>(pane->Control(id)); }
  PoseListTable* List() const { return pane->List(); }
  std::string Text(int id) const { return Edit(id)->text().toStdString(); }

  // Clicks into a field, selects its text and types over it, as the user does.
  void Type(int id, const QString& text) {
    QLineEdit* e = Edit(id);
    ASSERT_NE(e, nullptr) << id;
    e->setFocus(Qt::MouseFocusReason);
    e->selectAll();
    QTest::keyClicks(e, text);
  }
  // Moves the keyboard focus to the list, which ends the visit to a field.
  void FocusList() { List()->setFocus(Qt::MouseFocusReason); }

  // Clicks a row of the list with the given keys held.
  void ClickRow(int row, Qt::KeyboardModifiers keys = Qt::NoModifier,
                Qt::MouseButton button = Qt::LeftButton) {
    const QModelIndex index = List()->Model()->index(row, 1);
    List()->scrollTo(index);
    QTest::mouseClick(List()->viewport(), button, keys, List()->visualRect(index).center());
  }
  // Hands what the core reported to the widget, as the main window's sink does.
  void Deliver() { pane->OnChanges(sink.Take()); }

  Pose Current() const { return state.document.motion.Current(); }
  std::size_t CurrentIndex() const { return state.document.motion.CurrentIndex(); }
  std::size_t Steps() const { return state.document.history.Count(); }
  bool GoalQueued(int id) const { return (state.servos.Entry(id).requests & kSendGoal) != 0; }
  void ClearGoals() {
    for (int id = 1; id <= 5; ++id) state.servos.ClearRequests(id, kSendGoal);
  }

  ProgramState state;
  CollectingSink sink;
  std::unique_ptr<PosePaneWidget> pane;
};

}  // namespace velmora::testing
