#include "simulator/render_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "geometry/kinematics.h"
#include "shell/program_state.h"
#include "simulator/scene.h"
#include "simulator/sprites.h"

namespace velmora {
namespace {

constexpr int kW = 666;
constexpr int kH = 462;

// Keeps what the drawing layer was given, and when.
class RecordingRenderer : public FrameRenderer {
 public:
  explicit RecordingRenderer(Clock& clock) : clock_(clock) {}
  bool DrawFrame(const std::vector<DrawItem>& items,
                 const std::vector<OverlayText>& overlay) override {
    lastItems = items;
    lastOverlay = overlay;
    drawTimes.push_back(clock_.NowMs());
    return succeed;
  }
  std::vector<DrawItem> lastItems;
  std::vector<OverlayText> lastOverlay;
  std::vector<uint32_t> drawTimes;
  bool succeed = true;

 private:
  Clock& clock_;
};

class RenderLoopTest : public ::testing::Test {
 protected:
  RenderLoopTest() : renderer(clock), loop(state, clock, renderer, kW, kH) {
    InitialiseProgramState(state);
  }

  void SetCurrent(std::array<int16_t, 5> motors, double x, double y) {
    state.document.motion.Modify([&](std::vector<Pose>& poses, std::size_t& current) {
      poses[current].motorValues = motors;
      poses[current].x = x;
      poses[current].y = y;
    });
  }

  const DrawItem* Find(int layer) const {
    for (const DrawItem& item : renderer.lastItems) {
      if (item.layer == layer) return &item;
    }
    return nullptr;
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const OverlayText& t : renderer.lastOverlay) out.push_back(t.text);
    return out;
  }

  FakeClock clock{1000};
  ProgramState state;
  RecordingRenderer renderer;
  RenderLoop loop;
};

TEST_F(RenderLoopTest, FramesAreDrawnOnceTheClockIsPastSixteenMillisecondsAfterTheirStart) {
  loop.RunFrame();
  loop.RunFrame();
  loop.RunFrame();
  EXPECT_EQ(renderer.drawTimes, (std::vector<uint32_t>{1017, 1034, 1051}));
}

TEST_F(RenderLoopTest, PacingSurvivesTheWrapOfTheMillisecondClock) {
  clock.Advance(0xFFFFFFFFu - 1000 - 5);  // 5 ms before the wrap
  loop.RunFrame();
  ASSERT_EQ(renderer.drawTimes.size(), 1u);
  EXPECT_EQ(renderer.drawTimes[0], 11u);  // 17 ms later, across the wrap
}

// A renderer whose picture stays on show: frames equal to it are left out, still paced. The
// trace of an arm that moved changes for VPEN_POINTS frames, so those are all drawn; then each
// kind of change shows in the very next frame, and a frame that failed is never taken as shown.
TEST_F(RenderLoopTest, AKeptPictureIsNotDrawnAgainUntilSomethingInItChanges) {
  class KeepingRenderer : public RecordingRenderer {
   public:
    using RecordingRenderer::RecordingRenderer;
    bool KeepsPicture() const override { return true; }
  } keeping(clock);
  RenderLoop keep(state, clock, keeping, kW, kH);
  for (int i = 0; i < 5; ++i) keep.RunFrame();
  EXPECT_EQ(keeping.drawTimes, (std::vector<uint32_t>{1017}));
  EXPECT_EQ(keep.framesUnchanged(), 4u);
  EXPECT_EQ(clock.NowMs(), 1000u + 5 * 17);

  SetCurrent({300, 0, 0, 0, 0}, 0, 0);
  for (int i = 0; i < 400; ++i) keep.RunFrame();
  EXPECT_EQ(keeping.drawTimes.size(), 1u + 360);

  std::size_t drawn = keeping.drawTimes.size();
  const std::vector<std::function<void()>> changes = {
      [&] { state.busy.playing = true; },  // an overlay text
      [&] { state.settings.Update([](Settings& s) { s.scaling = 2.0; }); },
      [&] { state.settings.Update([](Settings& s) { s.vpenEnable = 0; }); },
      [&] {
        state.servos.connected = true;
        state.servos.motorCurrents[0] = 300;
      },
  };
  for (const auto& change : changes) {
    int frames = 0;
    do {
      drawn = keeping.drawTimes.size();
      keep.RunFrame();
    } while (keeping.drawTimes.size() != drawn && ++frames < 400);
    ASSERT_EQ(keeping.drawTimes.size(), drawn);  // settled again
    change();
    keep.RunFrame();
    EXPECT_EQ(keeping.drawTimes.size(), drawn + 1);
  }

  keeping.succeed = false;
  state.servos.motorCurrents[1] = 500;
  EXPECT_FALSE(keep.RunFrame());
  keeping.succeed = true;
  drawn = keeping.drawTimes.size();
  EXPECT_TRUE(keep.RunFrame());
  EXPECT_EQ(keeping.drawTimes.size(), drawn + 1);
}

TEST_F(RenderLoopTest, DrawnItemsAreInViewPixelsAndInDrawingOrder) {
  loop.RunFrame();
  const DrawItem* marker = Find(kLayerMarker);
  ASSERT_NE(marker, nullptr);
  // The default Pose has its tool on the origin: the view's centre.
  // (The folded default arm's tool misses the origin by 0.0025 mm.)
  EXPECT_NEAR(marker->vertices[2].x, 333, 0.01);
  EXPECT_NEAR(marker->vertices[0].y, 231, 0.01);
  EXPECT_NEAR(marker->vertices[0].x, 333 - 15, 0.01);  // 10 mm at magnification 1.5
  for (std::size_t i = 1; i < renderer.lastItems.size(); ++i) {
    EXPECT_GE(renderer.lastItems[i - 1].layer, renderer.lastItems[i].layer);
  }
  // The pen trace was made for VPEN_POINTS and its newest point is the tool.
  const DrawItem* trace = Find(kLayerPenTrace);
  ASSERT_NE(trace, nullptr);
  EXPECT_EQ(trace->VertexCount(), 360);
  EXPECT_NEAR(trace->vertices.back().x, 333, 0.01);
  EXPECT_EQ(loop.pen().pointCount(), 360u);
}

TEST_F(RenderLoopTest, ArmShowsWhatTheMotorValuesSayNotTheStoredCoordinates) {
  SetCurrent({0, 0, 0, 0, 0}, -40, 77);  // stored x, y disagree with the motors
  loop.RunFrame();
  EXPECT_EQ(renderer.lastOverlay[0].text,
            "(X=98.000000,Y=0.000000,Z=0.000000,回転軸=0.000000,ハンド幅=20.000000)");
  EXPECT_FLOAT_EQ(Find(kLayerMarker)->vertices[2].x, 333 + 98 * 1.5f);
  // The stored Pose itself is not touched.
  EXPECT_DOUBLE_EQ(state.document.motion.Current().x, -40);
}

TEST_F(RenderLoopTest, ConnectedRobotWithThreeAxesShowsOnlyIdsOneToThree) {
  SetCurrent({100, 200, 300, 400, 50}, 0, 0);
  state.servos.connected = true;
  state.servos.axisCount = 3;
  for (int id = 1; id <= 5; ++id)
    state.servos.SetPresentPosition(id, static_cast<int16_t>(-10 * id));
  state.servos.motorCurrents[0] = 120;
  state.servos.motorCurrents[1] = -1;
  state.linkControls.SetAxisChoice(5);  // the toolbar's 5-axis view
  const Pose p = SimulatedPose(state.document.motion, state.servos, state.geometry.Get());
  EXPECT_EQ(p.motorValues, (std::array<int16_t, 5>{-10, -20, -30, 0, 0}));

  loop.RunFrame();
  const std::vector<std::string> texts = Texts();
  ASSERT_GE(texts.size(), 6u);
  EXPECT_EQ(texts[1], "ID1:   -10, 120mA");
  EXPECT_EQ(texts[2], "ID2:   -20, 65535mA");  // the reading printed as unsigned
  EXPECT_EQ(texts[4], "ID4:    +0,   0mA");
  EXPECT_EQ(texts[5], "ID5:    +0,   0mA");
}

TEST_F(RenderLoopTest, OverlayListsFiveMotorsSixteenPixelsApartForTheHandType) {
  state.linkControls.SetAxisChoice(5);
  SetCurrent({-672, 1344, 0, -672, 7}, 0, 0);
  loop.RunFrame();
  std::vector<int> ys;
  for (const OverlayText& t : renderer.lastOverlay) {
    if (t.text.rfind("ID", 0) == 0) {
      ys.push_back(t.y);
      EXPECT_EQ(t.x, 2);
    }
  }
  EXPECT_EQ(ys, (std::vector<int>{18, 34, 50, 66, 82}));
  EXPECT_EQ(renderer.lastOverlay[1].text, "ID1:  -672");
  EXPECT_EQ(renderer.lastOverlay[2].text, "ID2: +1344");
  EXPECT_EQ(renderer.lastOverlay[5].text, "ID5:    +7");
  EXPECT_NE(Find(kLayerWrist), nullptr);

  state.linkControls.SetAxisChoice(3);
  loop.RunFrame();
  EXPECT_EQ(Find(kLayerWrist), nullptr);
  EXPECT_EQ(renderer.lastOverlay[3].text, "ID3:    +0");
  EXPECT_NE(renderer.lastOverlay[4].text.rfind("ID", 0), 0u);
}

TEST_F(RenderLoopTest, AxisLabelsSitAtTheEdgesOfTheView) {
  loop.RunFrame();
  const std::vector<OverlayText>& o = renderer.lastOverlay;
  ASSERT_EQ(o.size(), 8u);  // coordinates, three motors, four labels
  EXPECT_EQ(o[4], (OverlayText{336, 26, "+Y", kOverlayBlack}));
  EXPECT_EQ(o[5], (OverlayText{336, kH - 24, "-Y", kOverlayBlack}));
  EXPECT_EQ(o[6], (OverlayText{2, 234, "-X", kOverlayBlack}));
  EXPECT_EQ(o[7], (OverlayText{kW - 32, 234, "+X", kOverlayBlack}));
  EXPECT_EQ(o[0].x, 2);
  EXPECT_EQ(o[0].y, 2);
}

TEST_F(RenderLoopTest, PlaybackShowsPlayWithOneTwoThreeDotsAndRecordingWins) {
  state.busy.playing = true;
  std::vector<std::string> seen;
  for (int i = 0; i < 6; ++i) {
    // Align the draw time with the 300 ms phases: frames are drawn 17 ms after they start.
    const uint32_t target = 1800 + 300 * static_cast<uint32_t>(i) + 100 - 17;
    clock.Advance(target - clock.NowMs());
    loop.RunFrame();
    const OverlayText& t = renderer.lastOverlay.back();
    EXPECT_EQ(t.rgb, kOverlayBlue);
    EXPECT_EQ(t.x, kW - 56);
    EXPECT_EQ(t.y, 2);
    seen.push_back(t.text);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"Play.  ", "Play.. ", "Play...", "Play.  ", "Play.. ",
                                            "Play..."}));

  state.busy.recording = true;
  loop.RunFrame();
  EXPECT_EQ(renderer.lastOverlay.back().rgb, kOverlayRed);
  EXPECT_EQ(renderer.lastOverlay.back().x, kW - 48);
  EXPECT_EQ(renderer.lastOverlay.back().text.substr(0, 3), "Rec");

  state.busy.playing = false;
  state.busy.recording = false;
  loop.RunFrame();
  EXPECT_EQ(renderer.lastOverlay.back().text, "+X");
}

TEST_F(RenderLoopTest, FrameHandsTheViewMappingToTheMarker) {
  EXPECT_FALSE(state.simulator.marker.BeginMarkerDrag(333, 231, state.geometry.Get()));
  loop.RunFrame();
  EXPECT_TRUE(state.simulator.marker.BeginMarkerDrag(333 + 12, 231 + 6, state.geometry.Get()));
}

TEST_F(RenderLoopTest, DroppedFrameLeavesNothingBehindForTheNext) {
  renderer.succeed = false;
  EXPECT_FALSE(loop.RunFrame());
  const std::size_t count = renderer.lastItems.size();
  renderer.succeed = true;
  EXPECT_TRUE(loop.RunFrame());
  EXPECT_EQ(renderer.lastItems.size(), count);
}

TEST_F(RenderLoopTest, DisconnectedRobotsCurrentsAreClearedBeforeAReconnectCanShowThem) {
  for (auto& c : state.servos.motorCurrents) c = 400;
  loop.RunFrame();  // the pen type: the wrist and claw readings are not used
  EXPECT_EQ(state.servos.motorCurrents[2].load(), 0);
  EXPECT_EQ(state.servos.motorCurrents[3].load(), 400);
  EXPECT_EQ(Find(kLayerLink1)->vertices[0].colour, kOpaqueWhite);
  EXPECT_EQ(renderer.lastOverlay[1].text, "ID1:  -672");

  state.linkControls.SetAxisChoice(5);
  loop.RunFrame();
  for (const auto& c : state.servos.motorCurrents) EXPECT_EQ(c.load(), 0);
  // Connected again before the link has read any current: nothing of the old connection shows.
  state.servos.connected = true;
  state.servos.axisCount = 5;
  loop.RunFrame();
  EXPECT_EQ(Find(kLayerLink1)->vertices[0].colour, kOpaqueWhite);
  EXPECT_EQ(renderer.lastOverlay[1].text, "ID1:    +0,   0mA");
}

TEST_F(RenderLoopTest, EmptyMotionShowsTheArmAtRest) {
  state.document.motion.Free();
  loop.RunFrame();
  EXPECT_EQ(renderer.lastOverlay[0].text,
            "(X=0.000000,Y=0.000000,Z=0.000000,回転軸=0.000000,ハンド幅=0.000000)");
}

TEST_F(RenderLoopTest, RunEndsWhenStopIsSet) {
  std::atomic<bool> stop{true};
  loop.Run(stop);
  EXPECT_TRUE(renderer.drawTimes.empty());
}

// Counts frames from the render thread.
class CountingRenderer : public FrameRenderer {
 public:
  bool DrawFrame(const std::vector<DrawItem>& items, const std::vector<OverlayText>&) override {
    for (const DrawItem& item : items) {
      if (item.layer == kLayerMarker) lastMarkerColour = item.vertices[0].colour;
    }
    frames.fetch_add(1);
    return true;
  }
  std::atomic<int> frames{0};
  std::atomic<uint32_t> lastMarkerColour{0};
};

TEST(RenderLoopThreads, FramesRunBesideTheMouseTheDialogAndTheLink) {
  ProgramState state;
  InitialiseProgramState(state);
  FakeClock clock;
  CountingRenderer renderer;
  RenderLoop loop(state, clock, renderer, kW, kH);
  std::atomic<bool> stop{false};
  std::thread render([&] { loop.Run(stop); });

  auto waitFrames = [&](int more) {
    const int target = renderer.frames.load() + more;
    while (renderer.frames.load() < target) std::this_thread::yield();
  };
  waitFrames(1);
  for (int round = 0; round < 20; ++round) {
    // The mouse on the UI thread picks the marker up on the tool and drags it.
    const Pose shown = SimulatedPose(state.document.motion, state.servos, state.geometry.Get());
    const double px = 333 + shown.x * 1.5;
    const double py = 231 - shown.y * 1.5;
    ASSERT_TRUE(state.simulator.marker.BeginMarkerDrag(px, py, state.geometry.Get())) << round;
    double x = 0;
    double y = 0;
    state.simulator.marker.DragMarker(px + 3, py + 2, state.geometry.Get(), state.settings.Get(),
                                      &x, &y);
    state.document.motion.Modify([&](std::vector<Pose>& poses, std::size_t& current) {
      poses[current].x = x;
      poses[current].y = y;
      UpdateMotorValues(state.geometry.Get(), poses[current]);
    });
    waitFrames(1);
    state.simulator.marker.EndDrag(state.geometry.Get());
    // The dialog, the link and the erase command change what the next frames read.
    state.settings.Update([&](Settings& s) { s.vpenPoints = 100 + static_cast<uint32_t>(round); });
    state.linkControls.SetAxisChoice(round % 2 == 0 ? 5 : 3);
    state.servos.motorCurrents[0] = static_cast<int16_t>(round * 30);
    state.simulator.penTraceReset = true;
    state.busy.playing = round % 3 == 0;
  }
  waitFrames(2);
  EXPECT_EQ(renderer.lastMarkerColour.load(), kOpaqueRed);  // the marker follows the arm again
  stop = true;
  render.join();
  EXPECT_EQ(loop.pen().pointCount(), 119u);
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

// The vertices of the frame's items in `colour`.
std::size_t VerticesIn(const std::vector<DrawItem>& items, uint32_t colour) {
  std::size_t n = 0;
  for (const DrawItem& item : items) {
    for (const SceneVertex& v : item.vertices) n += v.colour == colour ? 1 : 0;
  }
  return n;
}

TEST_F(RenderLoopTest, PathPreviewFollowsTheToggleEditsAndThePlayback) {
  const ArmGeometry g = state.geometry.Get();
  auto at = [&g](double x, double y, double z, int32_t interpolation) {
    Pose p;
    p.x = x;
    p.y = y;
    p.z = z;
    p.handWidth = 20;
    p.interpolation = interpolation;
    p.transitionTime = 1000;
    UpdateMotorValues(g, p);
    return p;
  };
  state.document.motion.Replace(
      {at(20, 60, -25, kNone), at(80, 60, -25, kLinear), at(80, 0, 0, kLinear)}, 1);
  state.analysis.Update(state.document.motion, g, 5, 300);
  loop.RunFrame();
  EXPECT_EQ(VerticesIn(renderer.lastItems, kPenDownPathColour), 0u);  // off by default

  state.programSettings.Update([](ProgramSettings& s) { s.pathPreview = true; });
  loop.RunFrame();
  EXPECT_GT(VerticesIn(renderer.lastItems, kPenDownPathColour), 0u);  // the stroke, pen down
  EXPECT_GT(VerticesIn(renderer.lastItems, kPenUpPathColour), 0u);    // lifting on the way to 3
  EXPECT_GT(VerticesIn(renderer.lastItems, kCurrentMoveColour), 0u);
  std::vector<std::string> numbers;
  for (const OverlayText& t : renderer.lastOverlay) {
    if (t.rgb == kPoseNumberRgb) numbers.push_back(t.text);
  }
  EXPECT_EQ(numbers, (std::vector<std::string>{"1", "2", "3"}));

  // An edit shows at the next frame: the whole stroke is lifted.
  state.document.motion.Modify([&g](std::vector<Pose>& p, std::size_t&) {
    for (Pose& pose : p) {
      pose.z = 0;
      UpdateMotorValues(g, pose);
    }
  });
  ASSERT_TRUE(state.analysis.Update(state.document.motion, g, 5, 300));
  loop.RunFrame();
  EXPECT_EQ(VerticesIn(renderer.lastItems, kPenDownPathColour), 0u);

  // What the robot did in a playback lies over it, with the largest deviation in the overlay.
  PlannedPath plan = state.analysis.Latest()->path;
  state.measured.Begin(0);
  state.measured.Add(1, 100, state.document.motion.PoseAt(1)->motorValues, g);
  state.measured.Add(2, 200, state.document.motion.PoseAt(2)->motorValues, g);
  state.measured.Finish(std::move(plan));
  loop.RunFrame();
  EXPECT_EQ(VerticesIn(renderer.lastItems, kMeasuredPathColour), 2u);
  EXPECT_EQ(renderer.lastOverlay.front().text.rfind("計画との最大ずれ", 0), std::string::npos);
  bool shown = false;
  for (const OverlayText& t : renderer.lastOverlay) {
    shown = shown || t.text.rfind("計画との最大ずれ 0.", 0) == 0;
  }
  EXPECT_TRUE(shown);
}

// The plan is handed over as a layer that stays the same object while only the current Pose
// moves, so a renderer that keeps pictures draws it once per edit or view, not every frame.
TEST(RenderLoopLayer, ThePlanIsOneLayerThatChangesOnlyWithAnEditOrTheView) {
  struct LayerRenderer : FrameRenderer {
    bool DrawFrame(const std::vector<DrawItem>&, const std::vector<OverlayText>&) override {
      return false;  // everything comes through DrawContent
    }
    bool DrawContent(const FrameContent& frame) override {
      frames.push_back(frame);
      return true;
    }
    std::vector<FrameContent> frames;
  };
  FakeClock clock{1000};
  ProgramState state;
  InitialiseProgramState(state);
  LayerRenderer renderer;
  RenderLoop loop(state, clock, renderer, kW, kH);
  const ArmGeometry g = state.geometry.Get();
  std::vector<Pose> poses;
  for (int i = 0; i < 4; ++i) {
    Pose p;
    p.x = 20 + 20 * i;
    p.y = 60;
    p.z = -25;
    p.handWidth = 20;
    p.interpolation = kLinear;
    p.transitionTime = 1000;
    UpdateMotorValues(g, p);
    poses.push_back(p);
  }
  state.document.motion.Replace(poses, 1);
  state.analysis.Update(state.document.motion, g, 5, 300);
  state.programSettings.Update([](ProgramSettings& s) { s.pathPreview = true; });

  loop.RunFrame();
  state.document.motion.SetCurrentIndex(2);
  loop.RunFrame();
  state.settings.Update([](Settings& s) { s.scaling *= 1.5; });
  loop.RunFrame();
  ASSERT_EQ(renderer.frames.size(), 3u);
  const FrameContent& first = renderer.frames[0];
  ASSERT_NE(first.layer, nullptr);
  EXPECT_GT(VerticesIn(first.layer->items, kPenDownPathColour), 0u);
  EXPECT_EQ(first.layer->labels.size(), 4u);
  // In the frame itself only the layer's place and the current move.
  EXPECT_EQ(VerticesIn(first.items, kPenDownPathColour), 0u);
  EXPECT_EQ(
      std::count_if(first.items.begin(), first.items.end(),
                    [](const DrawItem& item) { return item.kind == PrimitiveKind::kCachedLayer; }),
      1);
  EXPECT_GT(VerticesIn(first.items, kCurrentMoveColour), 0u);
  EXPECT_EQ(renderer.frames[1].layer, first.layer);  // another current Pose, the same plan
  EXPECT_NE(renderer.frames[1].items, first.items);
  EXPECT_NE(renderer.frames[2].layer, first.layer);  // another view
  // Drawn without a kept picture, the frame is what it was before layers: the plan in its place.
  const FrameContent flat = FlattenLayer(first);
  EXPECT_EQ(VerticesIn(flat.items, kPenDownPathColour),
            VerticesIn(first.layer->items, kPenDownPathColour));
  EXPECT_EQ(flat.overlay.size(), first.overlay.size() + 4);
}

}  // namespace
}  // namespace velmora
