#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "simulator/simulator_context.h"
#include "simulator/timeline.h"
#include "simulator/timeline_retime.h"

class QPainter;
class QToolButton;

namespace velmora {

// The timeline pane: a lane per motor in use and the tool height against time, the Poses as
// handles, the limits and the check's flags on the curves, and a playhead. It shows what the core
// timeline computes and hands the user's gestures back to it: a click on a handle selects the
// Pose, a drag retimes it (one undo step), a drag of the playhead shows the arm at that instant.
class TimelineWidget : public QWidget {
  Q_OBJECT

 public:
  struct Hooks {
    // Makes a Pose current and selects its row, as a click in the list does.
    std::function<void(std::size_t pose)> selectPose;
    // After a drag wrote new times into these rows: the list, the pane and the check follow.
    std::function<void(const std::vector<std::size_t>& rows)> timesChanged;
    // How long a playback at its speed takes for the move of a Pose, in ms.
    std::function<uint32_t(std::size_t pose)> playedMoveMs;
  };

  TimelineWidget(SimulatorContext state, Hooks hooks, QWidget* parent = nullptr);
  ~TimelineWidget() override;

  // Brings the lanes up to date with the latest analysis and the axis choice, and the playhead
  // with a playback that started or ended. Cheap when nothing changed.
  void Refresh();
  // Brings the move of `pose` into view (the motion check's double-click).
  void ScrollToPose(std::size_t pose);
  void FitAll();
  // Lets go of the arm shown at the playhead, so the simulator shows the current Pose again.
  void ReleaseScrub();

  const TimelineModel& Model() const { return model_; }
  const TimelineView& View() const { return view_; }
  const TimelineLayout& Layout() const { return layout_; }
  double Playhead() const { return playheadMs_; }
  // The tooltip the pane shows at a point (empty for none).
  QString ToolTipAt(QPoint at) const;
  // Draws the whole pane (the paint event and the benchmarks): the lanes, ruler and handles from
  // a picture kept until they change, and the playhead over it.
  void Draw(QPainter& p);
  // Frames whose lanes were drawn anew (not taken from the kept picture).
  uint64_t LanesDrawn() const { return lanesDrawn_; }
  // The next frame draws the lanes anew (the benchmarks time that).
  void ForgetLanes() { lanesValid_ = false; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void Rebuild();
  void DrawLanes(QPainter& p);
  void ScrubTo(double ms);
  void FollowPlayback();
  void DrawLane(QPainter& p, std::size_t index);
  void DrawHandles(QPainter& p);
  void DrawRuler(QPainter& p);

  SimulatorContext state_;
  Hooks hooks_;
  std::shared_ptr<const CheckedMotion> checked_;
  TimelineModel model_;
  int modelAxes_ = 0;
  bool fitted_ = false;  // the view was fitted to a Motion once
  TimelineView view_;
  TimelineLayout layout_;
  double playheadMs_ = 0;
  QToolButton* fit_ = nullptr;

  // A gesture under way.
  enum class Gesture { kNone, kHandle, kPlayhead };
  Gesture gesture_ = Gesture::kNone;
  int pressX_ = 0;
  bool moved_ = false;
  RetimeDrag drag_;

  // The arm shown at the playhead, and the current Pose when it was set: a new current Pose or a
  // new plan lets go of it.
  bool scrubbing_ = false;
  std::size_t scrubCurrent_ = 0;
  uint64_t scrubRevision_ = 0;

  // The playback being followed: which Pose it plays and since when.
  QTimer follow_;
  QElapsedTimer moveClock_;
  std::size_t followedPose_ = SIZE_MAX;

  std::vector<TimelinePoint> curve_;  // scratch for the drawing

  // Everything but the playhead, and what it was drawn from: a playback or a scrub moves only the
  // playhead, so its frames cost a copy of this picture.
  struct LanesKey {
    uint64_t revision = 0;
    int axes = 0;
    double originMs = 0, msPerPixel = 0;
    int width = 0, height = 0;
    std::size_t current = 0;
    std::vector<std::size_t> selected;
    friend bool operator==(const LanesKey&, const LanesKey&) = default;
  };
  QImage lanes_;
  LanesKey lanesKey_;
  bool lanesValid_ = false;
  uint64_t lanesDrawn_ = 0;
};

}  // namespace velmora
