// The drawing dialog over the main window: text typed shows in the preview, OK inserts the Poses
// after the current one as one undo step.
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "link/ui/drawing_dialog_window.h"
#include "main_window_fixture.h"

namespace velmora {
namespace {

using testing::MainWindowTest;

TEST_F(MainWindowTest, TextDialogPreviewsTheWordAndOkInsertsItAsOneStep) {
  std::vector<FontChoice> fonts = AvailableFonts();
  if (fonts.empty()) GTEST_SKIP() << "hershey-fonts-data is not installed";
  const std::size_t before = state.document.motion.Poses().size();
  const Pose from = state.document.motion.Current();
  DrawingDialogWindow dialog(state.geometry.Get(), DrawingSource{{}, std::move(fonts), JapaneseFont()},
                             CurrentDrawingOptions(state), from, state.simulator.comparison,
                             window.get());
  dialog.show();
  auto* text = qobject_cast<QPlainTextEdit*>(dialog.Control(kDrawingTextField));
  ASSERT_NE(text, nullptr);
  text->setPlainText(QString::fromUtf8("Velmora\nかな漢"));
  // The preview: the strokes of the words, the travel to and between them; the kanji no font has
  // named.
  const auto paths = state.simulator.comparison.Get();
  ASSERT_NE(paths, nullptr);
  EXPECT_GT(paths->strokes.size(), 7u);
  EXPECT_EQ(paths->travel.size(), paths->strokes.size());  // the first from where the arm is
  EXPECT_TRUE(paths->outside.empty());
  auto* ok = qobject_cast<QPushButton*>(dialog.Control(kDrawingOkButton));
  ASSERT_NE(ok, nullptr);
  EXPECT_TRUE(ok->isEnabled());
  auto* missing = qobject_cast<QLabel*>(dialog.Control(kDrawingMissingText));
  ASSERT_NE(missing, nullptr);
  EXPECT_TRUE(missing->text().endsWith(QString::fromUtf8("漢")));
  const QString screenshot = qEnvironmentVariable("VELMORA_DRAWING_SCREENSHOT");
  if (!screenshot.isEmpty()) {
    // Larger, for the README's picture.
    text->setPlainText(QString::fromUtf8("Velmora\nかな"));
    auto* height = qobject_cast<QLineEdit*>(dialog.Control(kDrawingHeightField));
    height->setText("22");
    QTest::keyClick(height, Qt::Key_0);
    QTest::keyClick(height, Qt::Key_Backspace);
    // Too wide there: the fit button finds the largest size that is drawable.
    EXPECT_FALSE(ok->isEnabled());
    QTest::mouseClick(qobject_cast<QPushButton*>(dialog.Control(kDrawingFitButton)),
                      Qt::LeftButton);
    EXPECT_TRUE(ok->isEnabled());
    QTest::qWait(1500);
    // The window with the dialog over its top left corner, whatever the size of the test screen.
    QPixmap shot = window->grab();
    QPainter painter(&shot);
    painter.drawPixmap(QPoint(10, 60), dialog.grab());
    painter.end();
    shot.save(screenshot);
  }

  const std::vector<Pose> poses = dialog.Behaviour().Plan().poses;
  ASSERT_TRUE(InsertDrawing(state.pane, poses));
  EXPECT_EQ(state.document.motion.Poses().size(), before + poses.size());
  EXPECT_EQ(state.document.motion.CurrentIndex(), poses.size());
  // One step back undoes the whole drawing (once the window has taken in the change).
  for (int k = 0; k < 200 && !Action(kCmdUndo)->isEnabled(); ++k) QTest::qWait(10);
  Action(kCmdUndo)->trigger();
  EXPECT_EQ(state.document.motion.Poses().size(), before);
}

}  // namespace
}  // namespace velmora
