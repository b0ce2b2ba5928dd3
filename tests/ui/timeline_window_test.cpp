// The timeline pane under the simulator: shown from the view menu, the check's flags drawn in its
// colour with its text as tooltip, the lanes of the axis choice, and a handle drag as one undo
// step.
#include <QDockWidget>
#include <QImage>
#include <QRadioButton>

#include "document/ui/pose_pane_widget.h"
#include "geometry/kinematics.h"
#include "shell/ui/widget_control_view.h"
#include "simulator/ui/timeline_widget.h"
#include "support/poses.h"
#include "ui/main_window_fixture.h"

namespace velmora {
namespace {

using testing::MainWindowTest;

using testing::LinearTo;

std::vector<uint32_t> Times(const Motion& motion) {
  std::vector<uint32_t> t;
  for (const Pose& p : motion.Poses()) t.push_back(p.transitionTime);
  return t;
}

TEST_F(MainWindowTest, TimelineDrawsTheCheckFollowsTheAxesAndRetimesByDrag) {
  const QSize hidden = window->size();
  Action(kCmdTimeline)->trigger();
  EXPECT_TRUE(app.TimelineShown());
  EXPECT_TRUE(Action(kCmdTimeline)->isChecked());
  TimelineWidget* t = window->Timeline();
  ASSERT_NE(t, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->TimelineDock()->isVisible(); }));

  const ArmGeometry g = state.geometry.Get();
  state.document.motion.Replace(
      {LinearTo(g, 40, 60, 1000), LinearTo(g, 80, -20, 100), LinearTo(g, 60, 0, 2000)}, 0);
  ResetHistory(state.document);
  state.pane.RefreshAfterReplace();
  window->FlushChanges();
  t->FitAll();

  // The 3-axis arm (the default): ID1 to ID3 and z.
  ASSERT_EQ(t->Model().lanes.size(), 4u);
  int flaggedLane = -1;
  for (std::size_t i = 0; i < t->Model().lanes.size(); ++i) {
    if (!t->Model().lanes[i].flagged.empty()) flaggedLane = static_cast<int>(i);
  }
  ASSERT_GE(flaggedLane, 0);
  const FlaggedSpan& span = t->Model().lanes[static_cast<std::size_t>(flaggedLane)].flagged[0];
  EXPECT_EQ(span.pose, 1u);

  // Drawn in the check's colour, only where the check found it.
  const QImage image = t->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const TimelineBox box = t->Layout().lanes[static_cast<std::size_t>(flaggedLane)];
  const int x0 = static_cast<int>(t->View().X(t->Model().times[span.from]));
  const int x1 = static_cast<int>(t->View().X(t->Model().times[span.to]));
  auto warningPixels = [&](int from, int to) {
    int n = 0;
    for (int x = std::max(from, 0); x <= to && x < image.width(); ++x) {
      for (int y = box.top; y < box.bottom; ++y) n += image.pixel(x, y) == kIssueColour ? 1 : 0;
    }
    return n;
  };
  EXPECT_GT(warningPixels(x0, x1), 0);
  EXPECT_EQ(
      warningPixels(static_cast<int>(t->View().X(t->Model().keyTimes[1])) + 8, image.width() - 1),
      0);
  const std::vector<CheckLine> lines = CheckLines(*state.analysis.Latest());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(t->ToolTipAt(QPoint((x0 + x1) / 2, box.top + 4)), ToQString(lines[0].text));

  // The lanes follow the toolbar's axis choice.
  QTest::mouseClick(window->ToolBar()->Axis5(), Qt::LeftButton);
  window->FlushChanges();
  EXPECT_EQ(t->Model().lanes.size(), 6u);
  QTest::mouseClick(window->ToolBar()->Axis3(), Qt::LeftButton);
  window->FlushChanges();
  EXPECT_EQ(t->Model().lanes.size(), 4u);

  // A drag of the first handle lengthens that Pose's move alone, and Undo takes it back at once.
  const std::vector<uint32_t> before = Times(state.document.motion);
  const std::size_t steps = state.document.history.Count();
  const uint32_t keyBefore = t->Model().keyTimes[0];
  const int y = t->Layout().handles.top + 5;
  const int x = static_cast<int>(std::lround(t->View().X(t->Model().keyTimes[0])));
  QTest::mousePress(t, Qt::LeftButton, {}, QPoint(x, y));
  EXPECT_EQ(state.document.motion.CurrentIndex(), 0u);
  QTest::mouseMove(t, QPoint(x + 20, y));
  QTest::mouseMove(t, QPoint(x + 40, y));
  QTest::mouseRelease(t, Qt::LeftButton, {}, QPoint(x + 40, y));
  const std::vector<uint32_t> after = Times(state.document.motion);
  EXPECT_GT(after[0], before[0]);
  EXPECT_EQ(after[0] % 10, 0u);
  EXPECT_EQ(after[1], before[1]);
  EXPECT_EQ(after[2], before[2]);
  EXPECT_EQ(state.document.history.Count(), steps + 1);
  window->FlushChanges();
  EXPECT_EQ(t->Model().keyTimes[0], keyBefore + (after[0] - before[0]));  // from the new plan
  window->Execute(kCmdUndo, CommandSource::kMenu);
  EXPECT_EQ(Times(state.document.motion), before);

  // Hidden again, the window has its old size.
  Action(kCmdTimeline)->trigger();
  EXPECT_FALSE(app.TimelineShown());
  EXPECT_TRUE(QTest::qWaitFor([&] { return window->size() == hidden; }));
}

}  // namespace
}  // namespace velmora
