#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFont>
#include <QImage>
#include <cmath>
#include <vector>

#include "geometry/kinematics.h"
#include "shell/program_state.h"
#include "simulator/render_loop.h"
#include "simulator/ui/queue_rasterizer.h"
#include "simulator/ui/texture_table.h"
#include "support/poses.h"

namespace velmora {
namespace {

constexpr int kW = 666;
constexpr int kH = 462;

// Frames of the real scene drawn by the real rasteriser, one at a time on a fake clock.
class SimulatorRenderTest : public ::testing::Test {
 protected:
  SimulatorRenderTest() {
    InitialiseProgramState(state);
    textures = LoadTextures(QCoreApplication::applicationDirPath(), nullptr);
  }

  QImage Frame() {
    QImage out;
    QueueRasterizer rasterizer(QSize(kW, kH), textures, QFont(),
                               [&](QImage& frame) { out = frame.copy(); });
    RenderLoop loop(state, clock, rasterizer, kW, kH);
    EXPECT_TRUE(loop.RunFrame());
    return out;
  }

  // Runs frames on one loop, so that the pen trace carries over from frame to frame.
  struct Session {
    explicit Session(SimulatorRenderTest& t)
        : rasterizer(QSize(kW, kH), t.textures, QFont(), [this](QImage& f) { last = f.copy(); }),
          loop(t.state, t.clock, rasterizer, kW, kH) {}
    QImage last;
    QueueRasterizer rasterizer;
    RenderLoop loop;
  };

  void SetMotors(std::array<int16_t, 5> motors) {
    state.document.motion.Modify([&](std::vector<Pose>& poses, std::size_t& current) {
      poses[current].motorValues = motors;
    });
  }

  void MoveTool(double x, double y, double z) {
    const ArmGeometry g = state.geometry.Get();
    state.document.motion.Modify([&](std::vector<Pose>& poses, std::size_t& current) {
      InverseKinematics(g, x, y, z, 0, 20, poses[current]);
    });
  }

  static QRgb Pixel(const QImage& image, int x, int y) {
    return image.convertToFormat(QImage::Format_ARGB32).pixel(x, y);
  }

  FakeClock clock;
  ProgramState state;
  TextureTable textures;
};

TEST_F(SimulatorRenderTest, TexturesOfTheSkinFolderAllLoad) {
  for (const QImage& t : textures) {
    EXPECT_FALSE(t.isNull());
    EXPECT_EQ(t.format(), QImage::Format_ARGB32_Premultiplied);
  }
}

TEST_F(SimulatorRenderTest, BackgroundIsLightGreenOutsideTheBasePlate) {
  const QImage frame = Frame();
  ASSERT_EQ(frame.size(), QSize(kW, kH));
  EXPECT_EQ(Pixel(frame, kW - 1, kH - 1), 0xFF92D050u);
  EXPECT_EQ(Pixel(frame, 0, kH - 1), 0xFF92D050u);
  EXPECT_EQ(Pixel(frame, kW - 1, 0), 0xFF92D050u);
  // The base plate is textured: its middle is neither the background nor white.
  const QRgb plate = Pixel(frame, kW / 2 + 100, kH / 2 + 120);
  EXPECT_NE(plate, 0xFF92D050u);
  EXPECT_NE(plate, 0xFFFFFFFFu);
}

TEST_F(SimulatorRenderTest, MarkerIsRedOnTheToolOfTheStretchedArm) {
  SetMotors({0, 0, 0, 0, 0});
  const QImage frame = Frame();
  const int mx = kW / 2 + 98 * 3 / 2;  // w/2 + 98 x SCALING
  EXPECT_EQ(Pixel(frame, mx, kH / 2), 0xFFFF0000u);
  EXPECT_EQ(Pixel(frame, mx + 12, kH / 2), 0xFFFF0000u);
  EXPECT_EQ(Pixel(frame, mx, kH / 2 - 12), 0xFFFF0000u);
  EXPECT_NE(Pixel(frame, mx + 20, kH / 2), 0xFFFF0000u);  // 10 mm = 15 px each way
}

TEST_F(SimulatorRenderTest, LinkTurnsRedUnderFiveHundredMilliamperes) {
  state.servos.connected = true;
  state.servos.axisCount = 3;
  state.servos.SetPresentPosition(1, 900);  // link 1 points up the screen
  // A point on link 1 only: arm drawing frame (-54, -50).
  const int x = kW / 2 - 81;
  const int y = kH / 2 - 75;
  const QRgb rest = Pixel(Frame(), x, y);
  state.servos.motorCurrents[0] = 500;
  const QRgb loaded = Pixel(Frame(), x, y);
  EXPECT_GT(qGreen(rest), 100);
  EXPECT_GT(qRed(loaded), 100);
  EXPECT_EQ(qGreen(loaded), 0);
  EXPECT_EQ(qBlue(loaded), 0);
  EXPECT_NEAR(qRed(loaded), qRed(rest), 1);
}

TEST_F(SimulatorRenderTest, SpritesWithoutTexturesShowTheirVertexColour) {
  textures = TextureTable{};
  SetMotors({0, 0, 0, 0, 0});
  state.servos.connected = true;
  state.servos.motorCurrents[0] = 300;
  const QImage frame = Frame();
  EXPECT_EQ(Pixel(frame, kW / 2 + 100, kH / 2 + 100), 0xFFFFFFFFu);  // base plate
  EXPECT_EQ(Pixel(frame, kW / 2 - 60, kH / 2 + 15), 0xFFFF7F7Fu);    // link 1, 300 mA
}

TEST_F(SimulatorRenderTest, PenDownLeavesABlackLineAndPenUpNone) {
  state.settings.Update([](Settings& s) { s.scaling = 1.0; });
  Session session(*this);
  MoveTool(40, 60, -20);
  session.loop.RunFrame();
  MoveTool(80, 60, -20);
  session.loop.RunFrame();
  // From pixel (373, 171) to (413, 171).
  EXPECT_EQ(Pixel(session.last, 393, 171), 0xFF000000u);
  EXPECT_EQ(Pixel(session.last, 380, 171), 0xFF000000u);
  EXPECT_NE(Pixel(session.last, 393, 175), 0xFF000000u);

  MoveTool(40, 20, 0);  // lifted: the new segment, to (373, 211), is transparent
  session.loop.RunFrame();
  EXPECT_NE(Pixel(session.last, 393, 191), 0xFF000000u);
  EXPECT_EQ(Pixel(session.last, 393, 171), 0xFF000000u);
}

TEST_F(SimulatorRenderTest, OverlayIsWrittenInBlackAndPlayInBlue) {
  state.busy.playing = true;
  const QImage frame = Frame();
  int dark = 0;
  for (int y = 2; y < 16; ++y) {
    for (int x = 2; x < 200; ++x) {
      const QRgb p = Pixel(frame, x, y);
      if (qRed(p) < 60 && qGreen(p) < 60 && qBlue(p) < 60) ++dark;
    }
  }
  EXPECT_GT(dark, 30);
  int blue = 0;
  for (int y = 2; y < 18; ++y) {
    for (int x = kW - 56; x < kW; ++x) {
      const QRgb p = Pixel(frame, x, y);
      if (qBlue(p) > 150 && qRed(p) < 80 && qGreen(p) < 150) ++blue;
    }
  }
  EXPECT_GT(blue, 10);
}

// The planned path is drawn once into a layer and composed into each frame: the frames look as
// when every item and number is drawn in its place, as the current Pose moves along.
TEST_F(SimulatorRenderTest, ThePlanComposedFromItsLayerLooksAsDrawnInPlace) {
  const ArmGeometry g = state.geometry.Get();
  const std::vector<Pose> poses = testing::DrawnMotion(g, 40, 1000);
  state.document.motion.Replace(poses, 0);
  state.analysis.Update(state.document.motion, g, 5, 300);
  state.programSettings.Update([](ProgramSettings& s) { s.pathPreview = true; });

  struct Both : FrameRenderer {
    Both(const TextureTable& textures)
        : layered(QSize(kW, kH), textures, QFont(), [this](QImage& f) { withLayer = f.copy(); }),
          inPlace(QSize(kW, kH), textures, QFont(), [this](QImage& f) { flat = f.copy(); }) {}
    bool DrawFrame(const std::vector<DrawItem>&, const std::vector<OverlayText>&) override {
      return false;
    }
    bool DrawContent(const FrameContent& frame) override {
      const FrameContent expanded = FlattenLayer(frame);
      return layered.DrawContent(frame) && inPlace.DrawFrame(expanded.items, expanded.overlay);
    }
    QImage withLayer, flat;
    QueueRasterizer layered, inPlace;
  } both(textures);
  RenderLoop loop(state, clock, both, kW, kH);
  for (std::size_t current : {0u, 7u, 23u}) {
    state.document.motion.SetCurrentIndex(current);
    ASSERT_TRUE(loop.RunFrame());
    EXPECT_EQ(both.withLayer, both.flat) << current;
  }
}

TEST(TintImage, MultipliesEveryChannelIncludingAlpha) {
  QImage texture(2, 1, QImage::Format_ARGB32);
  texture.setPixel(0, 0, 0xFFC0A080u);
  texture.setPixel(1, 0, 0x80FFFFFFu);
  const QImage tinted =
      TintImage(texture.convertToFormat(QImage::Format_ARGB32_Premultiplied), 0x80FF0000u)
          .convertToFormat(QImage::Format_ARGB32);
  EXPECT_EQ(qAlpha(tinted.pixel(0, 0)), 0x80);
  EXPECT_NEAR(qRed(tinted.pixel(0, 0)), 0xC0, 2);
  EXPECT_EQ(qGreen(tinted.pixel(0, 0)), 0);
  EXPECT_EQ(qBlue(tinted.pixel(0, 0)), 0);
  EXPECT_NEAR(qAlpha(tinted.pixel(1, 0)), 0x40, 1);
}

}  // namespace
}  // namespace velmora
