#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "document/document.h"
#include "document/pose_edit_pane.h"
#include "document/pose_list_view.h"
#include "document/pose_pane_controls.h"
#include "geometry/coordinate_system.h"
#include "geometry/kinematics.h"
#include "link/servo_table.h"
#include "support/map_view.h"

namespace velmora::testing {

// The PoseList as plain data.
class FakePoseListView : public PoseListView {
 public:
  void SetRows(const Motion& motion) override {
    const std::vector<Pose> poses = motion.Poses();
    rows.clear();
    for (std::size_t i = 0; i < poses.size(); ++i) rows.push_back(RowTexts(poses[i], i + 1));
    selected.clear();
    focused = -1;
    ++rebuilds;
  }
  void SetRowTexts(std::size_t row, const PoseRowTexts& texts) override {
    if (row < rows.size()) rows[row] = texts;
  }
  void SetSelection(const std::vector<std::size_t>& s, long f) override {
    selected = s;
    focused = f;
  }
  void EnsureVisible(std::size_t row) override { visible = static_cast<long>(row); }

  std::vector<PoseRowTexts> rows;
  std::vector<std::size_t> selected;
  long focused = -1;
  long visible = -1;
  int rebuilds = 0;
};

struct RecordingSink : ChangeSink {
  void Notify(uint32_t changes) override { all.fetch_or(changes); }
  std::atomic<uint32_t> all{0};
};

// A Pose whose fields tell it apart, with coordinates that agree with its motor values.
inline Pose TimedPose(const Geometry& geo, uint32_t time, int16_t id1 = 0) {
  Pose p;
  p.motorValues = {id1, 300, 100, 0, 0};
  p.transitionTime = time;
  UpdateCoordinates(geo.Get(), p);
  return p;
}

// A pane over fresh program state with both views attached and filled, as at start-up.
class PaneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc.sink = &sink;
    NewMotion(doc, geo, true);
    pane.AttachViews(view, list);
    pane.Initialise();
    pane.RefreshAfterReplace();
    pane.SyncViews();
  }

  // Installs Poses as a freshly opened file would, with `current` current.
  void Load(std::vector<Pose> poses, long current = 0) {
    doc.motion.Replace(std::move(poses), current);
    ResetHistory(doc);
    pane.RefreshAfterReplace();
    pane.SyncViews();
  }
  void Type(int id, const std::string& text) {
    view.SetText(id, text);
    pane.OnChange(id);
  }
  // The user picks rows in the list, the last one focused.
  void Pick(std::vector<std::size_t> rows) {
    const long focused = rows.empty() ? -1 : static_cast<long>(rows.back());
    list.selected = rows;
    list.focused = focused;
    pane.OnListSelectionChanged(std::move(rows), focused);
  }
  std::size_t Steps() const { return doc.history.Count(); }
  std::vector<uint32_t> Times() const {
    std::vector<uint32_t> t;
    for (const Pose& p : doc.motion.Poses()) t.push_back(p.transitionTime);
    return t;
  }
  std::vector<std::string> Numbers() const {
    std::vector<std::string> n;
    for (const PoseRowTexts& r : list.rows) n.push_back(r[0]);
    return n;
  }
  // Forgets every queued goal.
  void ClearGoals() {
    for (int id = 1; id <= 5; ++id) servos.ClearRequests(id, kSendGoal);
  }
  bool GoalQueued(int id) const { return (servos.Entry(id).requests & kSendGoal) != 0; }

  Geometry geo;
  Document doc;
  ServoTable servos;
  PoseEditPane pane{doc, geo, servos};
  MapView view;
  FakePoseListView list;
  RecordingSink sink;
};

}  // namespace velmora::testing
