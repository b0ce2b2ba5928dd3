#include <gtest/gtest.h>

#include <memory>

#include "document/document.h"
#include "geometry/kinematics.h"
#include "geometry/ui/batch_conversion_window.h"
#include "shell/program_state.h"
#include "support/dialog_test_support.h"
#include "support/dialog_window_fixture.h"

namespace velmora {
namespace {

using namespace testing;  // the dialog helpers and the fixture of tests/support/
namespace ids = batch_ids;

class BatchConversionWindowTest : public DialogWindowFixture {
 protected:
  BatchConversionWindowTest() {
    const ArmGeometry g = state.geometry.Get();
    for (int i = 0; i < 4; ++i) {
      Pose p;
      p.motorValues = {static_cast<int16_t>(100 * i), static_cast<int16_t>(300 - 50 * i), 200, 0,
                       0};
      UpdateCoordinates(g, p);
      p.transitionTime = 1000 + 10 * i;
      p.excluded[2] = 1;
      poses.push_back(p);
    }
    UseMotion(0);
  }

  void Open(std::vector<std::size_t> rows = {1, 3}) {
    window =
        std::make_unique<BatchConversionWindow>(state, std::move(rows), nullptr, questions.Hooks());
    window->show();
  }

  void Ok(std::initializer_list<MessageAnswer> answers) {
    questions.answers = answers;
    Click(ButtonOf(*window, ids::kOk));
  }

  std::unique_ptr<BatchConversionWindow> window;
};

TEST_F(BatchConversionWindowTest, OpensWithEverythingAtNoChange) {
  state.batchModes.absolute = true;
  state.batchModes.timeFactor = true;
  Open();
  EXPECT_EQ(window->windowTitle(), QStringLiteral("ポーズの一括変換"));
  EXPECT_EQ(ComboOf(*window, ids::kInterpolation)->currentText(), QStringLiteral("(変更なし)"));
  EXPECT_EQ(ComboOf(*window, ids::kInterpolation)->itemText(2), QStringLiteral("円弧"));
  EXPECT_EQ(ComboOf(*window, ids::kArcDirection)->currentText(), QStringLiteral("(変更なし)"));
  EXPECT_EQ(ComboOf(*window, ids::kArcDirection)->itemText(0), QStringLiteral("時計回り"));
  for (int i = 0; i < kMotorCount; ++i) {
    EXPECT_TRUE(CheckOf(*window, ids::kMotorCheck1 + i)->isTristate());
    EXPECT_EQ(CheckOf(*window, ids::kMotorCheck1 + i)->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(SliderOf(*window, ids::kMotorTrack1 + i)->maximum(), kDefaultMotorLimits[i]);
    EXPECT_EQ(SliderOf(*window, ids::kMotorTrack1 + i)->minimum(), -kDefaultMotorLimits[i]);
    EXPECT_TRUE(EditOf(*window, ids::kMotorValue1 + i)->text().isEmpty());
  }
  EXPECT_TRUE(ButtonOf(*window, ids::kAbsolute)->isChecked());
  EXPECT_TRUE(ButtonOf(*window, ids::kTimeFactor)->isChecked());
  EXPECT_FALSE(EditOf(*window, ids::kTimeMsValue)->isEnabled());
  EXPECT_TRUE(EditOf(*window, ids::kTimeFactorValue)->isEnabled());
}

TEST_F(BatchConversionWindowTest, ModeButtonsAreRememberedAtOnce) {
  Open();
  EXPECT_TRUE(ButtonOf(*window, ids::kRelative)->isChecked());
  EXPECT_TRUE(EditOf(*window, ids::kTimeMsValue)->isEnabled());
  Click(ButtonOf(*window, ids::kAbsolute));
  Click(ButtonOf(*window, ids::kTimeFactor));
  EXPECT_TRUE(state.batchModes.absolute);
  EXPECT_TRUE(state.batchModes.timeFactor);
  EXPECT_FALSE(ButtonOf(*window, ids::kRelative)->isChecked());
  EXPECT_FALSE(EditOf(*window, ids::kTimeMsValue)->isEnabled());
  EXPECT_TRUE(EditOf(*window, ids::kTimeFactorValue)->isEnabled());
  Click(ButtonOf(*window, ids::kCancel));
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(state.batchModes.absolute);  // kept for the run, whatever closes the dialog
}

TEST_F(BatchConversionWindowTest, TrackbarsAndFieldsMoveTogether) {
  Open();
  QSlider* slider = SliderOf(*window, ids::kMotorTrack1 + 1);
  QLineEdit* field = EditOf(*window, ids::kMotorValue1 + 1);
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_PageUp);
  EXPECT_EQ(field->text(), QStringLiteral("+%1").arg(slider->value()));
  EXPECT_NE(slider->value(), 0);

  Type(field, QStringLiteral("-250"));
  EXPECT_EQ(slider->value(), -250);
  EXPECT_EQ(field->text(), QStringLiteral("-250"));  // typed text within the limit stays as typed

  // Typed beyond its limit, a value is pulled back at once, in the field and on the trackbar.
  Type(EditOf(*window, ids::kMotorValue1 + 4), QStringLiteral("99999"));
  EXPECT_EQ(EditOf(*window, ids::kMotorValue1 + 4)->text(), QStringLiteral("+350"));
  EXPECT_EQ(SliderOf(*window, ids::kMotorTrack1 + 4)->value(), 350);
  Type(EditOf(*window, ids::kMotorValue1), QStringLiteral("-2000"));
  EXPECT_EQ(EditOf(*window, ids::kMotorValue1)->text(), QStringLiteral("-1400"));
  EXPECT_EQ(SliderOf(*window, ids::kMotorTrack1)->value(), -1400);
}

TEST_F(BatchConversionWindowTest, FieldsLeftEmptyChangeNothing) {
  Open();
  Ok({MessageAnswer::kYes});
  ASSERT_EQ(questions.asked.size(), 1u);
  EXPECT_EQ(questions.asked[0].text, "現在の設定を適用します。\nよろしいですか?");
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(state.document.motion.Poses(), poses);
}

TEST_F(BatchConversionWindowTest, RelativeTimeAndInterpolationChangeOnlyTheSelectedRows) {
  Open({3, 1});
  Type(EditOf(*window, ids::kTimeMsValue), QStringLiteral("-2000"));
  Choose(ComboOf(*window, ids::kInterpolation), 1);
  Ok({MessageAnswer::kYes});
  EXPECT_FALSE(window->isVisible());
  const std::vector<Pose> after = state.document.motion.Poses();
  EXPECT_EQ(after[0], poses[0]);
  EXPECT_EQ(after[2], poses[2]);
  for (std::size_t row : {1u, 3u}) {
    EXPECT_EQ(after[row].transitionTime, 10u) << row;
    EXPECT_EQ(after[row].interpolation, kLinear) << row;
    EXPECT_EQ(after[row].motorValues, poses[row].motorValues) << row;
  }
  // One undo takes the whole batch back.
  EXPECT_TRUE(state.document.motion.IsModified());
  ASSERT_TRUE(Undo(state.document));
  EXPECT_EQ(state.document.motion.Poses(), poses);
}

TEST_F(BatchConversionWindowTest, ThreeStateBoxesGoRoundAndSetTheParticipation) {
  Open({0, 2});
  // Round as on Windows: unchecked, checked, indeterminate, unchecked again.
  QCheckBox* id3 = CheckOf(*window, ids::kMotorCheck1 + 2);
  const Qt::CheckState expected[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked,
                                     Qt::Unchecked, Qt::Checked};
  for (Qt::CheckState state3 : expected) {
    Click(id3);
    EXPECT_EQ(id3->checkState(), state3);
  }
  Click(CheckOf(*window, ids::kMotorCheck1));  // ID1 unchecked: leaves the motion
  Ok({MessageAnswer::kYes});
  const std::vector<Pose> after = state.document.motion.Poses();
  for (std::size_t row : {0u, 2u}) {
    EXPECT_EQ(after[row].excluded[2], 0) << row;
    EXPECT_EQ(after[row].excluded[0], 1) << row;
  }
  EXPECT_EQ(after[1].excluded[2], 1);
}

TEST_F(BatchConversionWindowTest, BothSidesOfAPairAskAgainAndNoLeavesEverything) {
  Open();
  Type(EditOf(*window, ids::kX), QStringLiteral("10"));
  Type(EditOf(*window, ids::kMotorValue1), QStringLiteral("50"));
  Ok({MessageAnswer::kYes, MessageAnswer::kNo});
  ASSERT_EQ(questions.asked.size(), 2u);
  EXPECT_EQ(questions.asked[1].icon, MessageIcon::kWarning);
  EXPECT_EQ(questions.asked[1].text.rfind("X/Y座標とID1,ID2モータの両方に", 0), 0u);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(state.document.motion.Poses(), poses);
  EXPECT_FALSE(state.document.motion.IsModified());

  // Yes to both: x moves by 10 and ID1/ID2 follow the coordinates, not the typed 50.
  Ok({MessageAnswer::kYes, MessageAnswer::kYes});
  EXPECT_FALSE(window->isVisible());
  const std::vector<Pose> after = state.document.motion.Poses();
  EXPECT_NEAR(after[1].x, poses[1].x + 10, 1e-9);
  EXPECT_EQ(after[1].y, poses[1].y);
  EXPECT_NE(after[1].motorValues[0], poses[1].motorValues[0] + 50);
  EXPECT_EQ(after[1].motorValues[2], poses[1].motorValues[2]);
}

TEST_F(BatchConversionWindowTest, SelectionSurvivesSoTheSameRowsCanBeConvertedAgain) {
  state.pane.Selection().Set({1, 3}, 3);
  ASSERT_TRUE(state.pane.SelectPose(3));
  Open({1, 3});
  Type(EditOf(*window, ids::kX), QStringLiteral("10"));
  Ok({MessageAnswer::kYes});
  EXPECT_EQ(state.pane.Selection().Selected(), (std::vector<std::size_t>{1, 3}));
  EXPECT_EQ(state.pane.Selection().Focused(), 3);
  EXPECT_EQ(state.document.motion.CurrentIndex(), 3u);
  // The shown current Pose is the converted one.
  EXPECT_NEAR(state.document.motion.Current().x, poses[3].x + 10, 1e-9);
}

TEST(RunBatchConversionDialog, TakesThePaneSelectionAndEndsOnEscape) {
  ProgramState state;
  InitialiseProgramState(state);
  state.pane.Selection().SelectOnly(0);
  const std::vector<Pose> before = state.document.motion.Poses();
  testing::ModalScript script({[](QWidget* modal) {
    if (modal->objectName() != QStringLiteral("143")) return false;
    modal->findChild<QLineEdit*>(QStringLiteral("1008"))->setText(QStringLiteral("5"));
    QTest::keyClick(modal, Qt::Key_Escape);
    return true;
  }});
  RunBatchConversionDialog(state, nullptr);
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(state.document.motion.Poses(), before);
}

}  // namespace
}  // namespace velmora
