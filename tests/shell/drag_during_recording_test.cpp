// A marker drag may end while a recording ends: the UI thread and the recorder both record an
// undo step then. Run under ThreadSanitizer this test shows whether the two meet unguarded.
#include <gtest/gtest.h>

#include "shell/shell_fixture.h"
#include "simulator/draw_queue.h"
#include "simulator/marker_drag.h"

namespace velmora {
namespace {

constexpr int kW = 666;
constexpr int kH = 462;

using DragDuringRecordingTest = testing::ShellTest;

TEST_F(DragDuringRecordingTest, DragsReleasedWhileRecordingsEndEachRecordOneWholeStep) {
  LoadPoses(3);
  // Not connected: each recording takes one sample, sees no link and ends with its undo step at
  // once, while the drag below is released on this thread.
  MarkerDragController drag(state, [](double, double) {});
  state.simulator.marker.SetViewInverse(ViewInverse(1.0, kW, kH));
  constexpr int kRounds = 150;
  int drags = 0;
  for (int i = 0; i < kRounds; ++i) {
    state.simulator.marker.Place({40.0f, -20.0f, 0}, state.geometry.Get().baseDrawInverse);
    ASSERT_TRUE(testing::Eventually([&] { return !state.busy.recording.load(); }));
    ASSERT_TRUE(app.StartRecording());
    if (drag.OnLeftPress(333 + 40, 231 - 20)) {
      drag.OnLeftRelease();
      ++drags;
    }
  }
  ASSERT_TRUE(testing::Eventually([&] { return !state.busy.recording.load(); }));
  app.Recording().Join();
  ASSERT_EQ(drags, kRounds);
  // Every step is there, each a whole Motion: one per recording (its sample) and one per drag.
  EXPECT_EQ(state.document.history.Count(), 1u + 2u * kRounds);
  EXPECT_EQ(state.document.motion.Size(), 3u + kRounds);
  int undone = 0;
  while (Undo(state.document)) ++undone;
  EXPECT_EQ(undone, 2 * kRounds);
  EXPECT_EQ(state.document.motion.Size(), 3u);
}

}  // namespace
}  // namespace velmora
