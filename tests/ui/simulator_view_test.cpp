#include "simulator/ui/simulator_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "shell/program_state.h"
#include "simulator/ui/render_thread.h"

namespace velmora {
namespace {

QRgb Pixel(const QImage& image, int x, int y) {
  return image.convertToFormat(QImage::Format_ARGB32).pixel(x, y);
}

class SimulatorViewTest : public ::testing::Test {
 protected:
  SimulatorViewTest() { InitialiseProgramState(state); }

  // Waits until the view holds a frame drawn after `after` frames.
  bool WaitForFrames(SimulatorView& view, uint64_t count) {
    return QTest::qWaitFor(
        [&] { return view.Renderer() != nullptr && view.Renderer()->FramesPresented() >= count; },
        10000);
  }

  ProgramState state;
};

TEST_F(SimulatorViewTest, RendersAtTheFirstLayoutSizeAndStopsCleanly) {
  state.settings.Update([](Settings& s) { s.scaling = 1.0; });  // the base plate leaves a margin
  SimulatorView view(state);
  view.resize(320, 200);
  EXPECT_FALSE(view.Rendering());
  view.StartRendering();
  ASSERT_TRUE(view.Rendering());
  view.resize(500, 400);  // later sizes do not change the frames
  view.StartRendering();
  ASSERT_TRUE(WaitForFrames(view, 3));
  const QImage frame = view.LatestFrame();
  EXPECT_EQ(frame.size(), QSize(320, 200));
  EXPECT_EQ(Pixel(frame, 319, 199), 0xFF92D050u);
  view.StopRendering();
  const uint64_t frames = view.Renderer()->FramesPresented();
  QTest::qWait(50);
  EXPECT_EQ(view.Renderer()->FramesPresented(), frames);
}

TEST_F(SimulatorViewTest, EachMissingTextureIsReportedOnceAndItsSpriteDrawnPlain) {
  QTemporaryDir empty;
  ASSERT_TRUE(empty.isValid());
  std::vector<QString> reports;
  SimulatorView view(state);
  view.resize(666, 462);
  view.SetBaseDirectory(empty.path());
  view.SetTextureFailureHandler([&](const QString& text) { reports.push_back(text); });
  view.StartRendering();
  ASSERT_TRUE(WaitForFrames(view, 1));
  ASSERT_EQ(reports.size(), 7u);
  EXPECT_EQ(reports[0],
            QStringLiteral("テクスチャファイルの読み込みに失敗しました。\n'skin/piller.PNG'"));
  EXPECT_EQ(reports[4],
            QStringLiteral("テクスチャファイルの読み込みに失敗しました。\n'skin/yaw.PNG'"));
  EXPECT_EQ(reports[6],
            QStringLiteral("テクスチャファイルの読み込みに失敗しました。\n'skin/base.PNG'"));
  // The base plate without its texture: plain white.
  EXPECT_EQ(Pixel(view.LatestFrame(), 333 + 100, 231 + 100), 0xFFFFFFFFu);
}

TEST_F(SimulatorViewTest, RenderThreadWaitsForEachErrorBoxInTurn) {
  QTemporaryDir empty;
  QWidget owner;
  auto* view = new SimulatorView(state, &owner);
  view->resize(200, 150);
  view->SetBaseDirectory(empty.path());
  std::vector<QString> texts;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    // Until this box is closed the render thread draws nothing.
    EXPECT_EQ(view->Renderer()->FramesPresented(), 0u);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Velmora"));
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    texts.push_back(box->text());
    box->accept();
  });
  closer.start(5);
  view->StartRendering();
  ASSERT_TRUE(WaitForFrames(*view, 1));
  ASSERT_EQ(texts.size(), 7u);
  EXPECT_TRUE(texts[2].endsWith(QStringLiteral("'skin/linkb.PNG'")));
}

TEST_F(SimulatorViewTest, ClosingWhileATextureBoxIsPendingDoesNotHang) {
  QTemporaryDir empty;
  int shown = 0;
  {
    SimulatorView view(state);
    view.resize(200, 150);
    view.SetBaseDirectory(empty.path());
    view.SetTextureFailureHandler([&](const QString&) { ++shown; });
    view.StartRendering();
    // No events are processed: the render thread is (or soon will be) waiting for a box that
    // never opens. Destroying the view must still end the thread.
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(shown, 0);  // the boxes were meant for a view that is gone
}

TEST_F(SimulatorViewTest, DraggingTheMarkerWithThePenDownMovesThePoseAndDrawsATrace) {
  SimulatorView view(state);
  view.resize(666, 462);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  view.StartRendering();
  ASSERT_TRUE(WaitForFrames(view, 2));

  // The default Pose has its tool on the origin, the view's centre.
  QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(333, 231));
  ASSERT_TRUE(view.DragController().DraggingTip());
  QTest::mouseMove(&view, QPoint(333 + 60, 231 - 90));  // user (40, 60) at magnification 1.5
  QTest::mousePress(&view, Qt::RightButton, {}, QPoint(333 + 60, 231 - 90));
  EXPECT_DOUBLE_EQ(state.document.motion.Current().z, -20.0);
  uint64_t frames = view.Renderer()->FramesPresented();
  ASSERT_TRUE(WaitForFrames(view, frames + 2));
  QTest::mouseMove(&view, QPoint(333 + 120, 231 - 90));  // user (80, 60)
  frames = view.Renderer()->FramesPresented();
  ASSERT_TRUE(WaitForFrames(view, frames + 2));
  const QImage drawn = view.LatestFrame();
  QTest::mouseRelease(&view, Qt::RightButton, {}, QPoint(333 + 120, 231 - 90));
  QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(333 + 120, 231 - 90));

  const Pose p = state.document.motion.Current();
  EXPECT_NEAR(p.x, 80, 1e-3);
  EXPECT_NEAR(p.y, 60, 1e-3);
  EXPECT_DOUBLE_EQ(p.z, -5.5);
  EXPECT_FALSE(view.DragController().DraggingTip());
  EXPECT_TRUE(state.document.history.CanUndo());
  EXPECT_TRUE(state.document.motion.IsModified());
  // The stroke from (393, 141) to (453, 141) is black.
  EXPECT_EQ(Pixel(drawn, 423, 141), 0xFF000000u);
  EXPECT_EQ(Pixel(drawn, 400, 141), 0xFF000000u);
}

}  // namespace
}  // namespace velmora
