#include "document/batch_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "document/document.h"
#include "geometry/kinematics.h"
#include "support/map_view.h"
#include "support/poses.h"

namespace velmora {
namespace {

using testing::FromMotors;
using testing::MapView;
namespace ids = batch_ids;

const char kApplyQuestion[] = "現在の設定を適用します。\nよろしいですか?";

class BatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ArmGeometry g = geo.Get();
    before = {FromMotors(g, 300, 600, 200, -100, -50, 1000),
              FromMotors(g, -400, -700, 0, 50, 100, 15), FromMotors(g, 100, 900, -300, 0, 0, 10000),
              FromMotors(g, 0, 500, 0, 0, 0, 2000)};
    before[3].excluded = {1, 0, 1, 0, 0};
    before[3].interpolation = kArc;
    before[3].arcDirection = kCounterClockwise;
    doc.motion.Replace(before, 3);
    ResetHistory(doc);
  }
  BatchConversionDialog& Open(std::vector<std::size_t> rows) {
    dialog.emplace(view, doc, geo, modes, std::move(rows),
                   [this](const std::vector<std::size_t>&) { ++refreshes; });
    dialog->OnInit();
    return *dialog;
  }
  // Presses OK, answering every question with Yes.
  bool PressOk() {
    view.answers.assign(6, MessageAnswer::kYes);
    return dialog->OnClick(ids::kOk);
  }
  Pose At(std::size_t row) const { return *doc.motion.PoseAt(row); }

  MapView view;
  Geometry geo;
  Document doc;
  BatchConversionModes modes;
  std::optional<BatchConversionDialog> dialog;
  std::vector<Pose> before;
  int refreshes = 0;
};

TEST_F(BatchTest, OpeningSetsEveryControl) {
  modes.absolute = true;
  geo.SetMotorLimits({1000, 1100, 1200, 1300, 300});
  Open({0});
  EXPECT_EQ(view.controls[ids::kInterpolation].items,
            (std::vector<std::string>{"なし", "直線", "円弧", "(変更なし)"}));
  EXPECT_EQ(view.Selection(ids::kInterpolation), 3);
  EXPECT_EQ(view.controls[ids::kArcDirection].items,
            (std::vector<std::string>{"時計回り", "反時計回り", "(変更なし)"}));
  EXPECT_EQ(view.Selection(ids::kArcDirection), 2);
  EXPECT_EQ(view.Check(ids::kAbsolute), CheckState::kChecked);
  EXPECT_EQ(view.Check(ids::kRelative), CheckState::kUnchecked);
  EXPECT_EQ(view.Check(ids::kTimeMs), CheckState::kChecked);
  EXPECT_TRUE(view.IsEnabled(ids::kTimeMsValue));
  EXPECT_FALSE(view.IsEnabled(ids::kTimeFactorValue));
  EXPECT_EQ(view.controls[ids::kMotorTrack1 + 4].low, -300);
  EXPECT_EQ(view.controls[ids::kMotorTrack1 + 4].high, 300);
  for (int i = 0; i < kMotorCount; ++i) {
    EXPECT_EQ(view.Check(ids::kMotorCheck1 + i), CheckState::kIndeterminate);
    EXPECT_EQ(view.Text(ids::kMotorValue1 + i), "");
  }
}

TEST_F(BatchTest, RelativeXMovesEachPoseAndRecomputesOnlyID1AndID2) {
  Open({0, 1, 2});
  view.SetText(ids::kX, "10");
  ASSERT_TRUE(PressOk());
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_EQ(view.questions[0].text, kApplyQuestion);
  EXPECT_EQ(view.questions[0].icon, MessageIcon::kQuestion);
  const ArmGeometry g = geo.Get();
  for (std::size_t row = 0; row < 3; ++row) {
    const Pose p = At(row);
    const Pose& b = before[row];
    EXPECT_EQ(p.x, b.x + 10);
    EXPECT_EQ(p.y, b.y);
    Pose expected = b;
    InverseKinematics(g, b.x + 10, b.y, b.z, b.rotation, b.handWidth, expected);
    EXPECT_EQ(p.motorValues[0], expected.motorValues[0]);
    EXPECT_EQ(p.motorValues[1], expected.motorValues[1]);
    EXPECT_NE(p.motorValues[0], b.motorValues[0]);
    // ID3..ID5 and the other coordinates stay; the rotation is not recomputed from ID1/ID2.
    EXPECT_EQ(p.motorValues[2], b.motorValues[2]);
    EXPECT_EQ(p.motorValues[3], b.motorValues[3]);
    EXPECT_EQ(p.motorValues[4], b.motorValues[4]);
    EXPECT_EQ(p.z, b.z);
    EXPECT_EQ(p.rotation, b.rotation);
    EXPECT_EQ(p.handWidth, b.handWidth);
    EXPECT_EQ(p.transitionTime, b.transitionTime);
  }
  EXPECT_EQ(At(3), before[3]);  // not selected
  EXPECT_EQ(refreshes, 1);
  EXPECT_TRUE(doc.motion.IsModified());
  EXPECT_FALSE(modes.absolute);
}

TEST_F(BatchTest, AbsoluteID3SetsOnlyItAndItsHeight) {
  Open({0, 1});
  dialog->OnClick(ids::kAbsolute);
  view.SetText(ids::kMotorValue1 + 2, "500");
  ASSERT_TRUE(PressOk());
  EXPECT_EQ(view.Text(ids::kMotorValue1 + 2), "+500");
  for (std::size_t row = 0; row < 2; ++row) {
    Pose expected = before[row];
    expected.motorValues[2] = 500;
    expected.z = 500 / 1485.4 * 35;
    EXPECT_EQ(At(row), expected);
  }
  EXPECT_TRUE(modes.absolute);
}

TEST_F(BatchTest, OneUndoStepForTheWholeBatch) {
  RecordStep(doc);  // an earlier edit, so the state before the batch has current row 3
  Open({0, 1, 2, 3});
  view.SetText(ids::kZ, "5");
  view.SetText(ids::kTimeMsValue, "100");
  ASSERT_TRUE(PressOk());
  EXPECT_EQ(doc.history.Count(), 3u);
  EXPECT_NE(doc.motion.Poses(), before);
  ASSERT_TRUE(Undo(doc));
  EXPECT_EQ(doc.motion.Poses(), before);
  EXPECT_EQ(doc.motion.CurrentIndex(), 3u);
  ASSERT_TRUE(Redo(doc));
  EXPECT_EQ(At(0).z, before[0].z + 5);
  EXPECT_EQ(At(3).transitionTime, 2100u);
}

TEST_F(BatchTest, TransitionTimeRules) {
  // Factor 0.5: 1000 -> 500, 15 -> 7 -> 10; factor 100: 10000 -> 1000000 -> 655350.
  Open({0, 1, 2});
  dialog->OnClick(ids::kTimeFactor);
  EXPECT_FALSE(view.IsEnabled(ids::kTimeMsValue));
  EXPECT_TRUE(view.IsEnabled(ids::kTimeFactorValue));
  view.SetText(ids::kTimeFactorValue, "0.5");
  view.SetText(ids::kTimeMsValue, "777");  // ignored in factor mode
  ASSERT_TRUE(PressOk());
  EXPECT_EQ(At(0).transitionTime, 500u);
  EXPECT_EQ(At(1).transitionTime, 10u);
  EXPECT_EQ(At(2).transitionTime, 5000u);
  EXPECT_TRUE(modes.timeFactor);

  Open({2});  // the factor mode is remembered
  EXPECT_EQ(view.Check(ids::kTimeFactor), CheckState::kChecked);
  dialog->OnClick(ids::kAbsolute);  // a factor scales the Pose's own time in both modes
  view.SetText(ids::kTimeFactorValue, "200");
  ASSERT_TRUE(PressOk());
  EXPECT_EQ(At(2).transitionTime, 655350u);

  // Milliseconds, relative: -2000 on 1000 is 10; 1234 added to 15 is 1240 after rounding down.
  Open({0, 1});
  dialog->OnClick(ids::kTimeMs);
  dialog->OnClick(ids::kRelative);
  view.SetText(ids::kTimeMsValue, "-2000");
  ASSERT_TRUE(PressOk());
  EXPECT_EQ(At(0).transitionTime, 10u);
  Open({1});
  view.SetText(ids::kTimeMsValue, "1234");
  ASSERT_TRUE(PressOk());
  EXPECT_EQ(At(1).transitionTime, 1240u);
}

TEST_F(BatchTest, NonNumericFactorsStayInRange) {
  Open({0, 1});
  dialog->OnClick(ids::kTimeFactor);
  view.SetText(ids::kTimeFactorValue, "nan");
  ASSERT_TRUE(PressOk());
  EXPECT_EQ(At(0).transitionTime, 10u);
  Open({0});
  view.SetText(ids::kTimeFactorValue, "inf");
  ASSERT_TRUE(PressOk());
  EXPECT_EQ(At(0).transitionTime, 655350u);
}

TEST_F(BatchTest, ConflictQuestionsComeInOrderAndNoStopsEverything) {
  Open({0, 1});
  view.SetText(ids::kX, "1");
  view.SetText(ids::kMotorValue1, "100");
  view.SetText(ids::kZ, "1");
  view.SetText(ids::kMotorValue1 + 2, "100");
  view.SetText(ids::kRotation, "1");
  view.SetText(ids::kMotorValue1 + 3, "100");
  view.SetText(ids::kHandWidth, "1");
  view.SetText(ids::kMotorValue1 + 4, "100");
  view.answers = {MessageAnswer::kYes, MessageAnswer::kYes, MessageAnswer::kYes,
                  MessageAnswer::kNo};
  EXPECT_FALSE(dialog->OnClick(ids::kOk));  // the dialog stays open
  ASSERT_EQ(view.questions.size(), 4u);
  EXPECT_EQ(view.questions[1].text,
            "X/Y座標とID1,ID2モータの両方に設定値を入力しています。\n"
            "この場合、X/Y座標に合わせてID1,ID2のモータ値が補正されます。\nよろしいですか?");
  EXPECT_EQ(view.questions[1].icon, MessageIcon::kWarning);
  EXPECT_EQ(view.questions[1].buttons, MessageButtons::kYesNo);
  EXPECT_NE(view.questions[2].text.find("Z座標とID3"), std::string::npos);
  EXPECT_NE(view.questions[3].text.find("回転軸角度とID4"), std::string::npos);
  EXPECT_EQ(doc.motion.Poses(), before);
  EXPECT_EQ(doc.history.Count(), 1u);
  EXPECT_FALSE(dialog->Applied());

  view.questions.clear();
  view.answers = {MessageAnswer::kYes, MessageAnswer::kYes, MessageAnswer::kYes,
                  MessageAnswer::kYes, MessageAnswer::kYes};
  EXPECT_TRUE(dialog->OnClick(ids::kOk));
  EXPECT_EQ(view.questions.size(), 5u);
  EXPECT_NE(view.questions[4].text.find("ハンド軸幅とID5"), std::string::npos);
}

TEST_F(BatchTest, CoordinatesWinOverEnteredMotorValues) {
  Open({0});
  dialog->OnClick(ids::kAbsolute);
  view.SetText(ids::kX, "50");
  view.SetText(ids::kY, "40");
  view.SetText(ids::kMotorValue1, "-1000");
  ASSERT_TRUE(PressOk());
  const Pose p = At(0);
  Pose expected = before[0];
  expected.motorValues[0] = -1000;
  InverseKinematics(geo.Get(), 50, 40, p.z, p.rotation, p.handWidth, expected);
  EXPECT_EQ(p.motorValues[0], expected.motorValues[0]);
  EXPECT_EQ(p.motorValues[1], expected.motorValues[1]);
  EXPECT_NE(p.motorValues[0], -1000);
  EXPECT_EQ(p.x, 50);
  EXPECT_EQ(p.y, 40);
}

TEST_F(BatchTest, EnteredID2PicksTheElbowSideForNewCoordinates) {
  // Pose 0 bends counterclockwise (ID2 +600); an entered ID2 of -1 asks for the other side.
  Open({0});
  dialog->OnClick(ids::kAbsolute);
  view.SetText(ids::kX, "60");
  view.SetText(ids::kY, "30");
  view.SetText(ids::kMotorValue1 + 1, "-1");
  ASSERT_TRUE(PressOk());
  EXPECT_LT(At(0).motorValues[1], 0);
}

TEST_F(BatchTest, EnteredMotorValuesRecomputeTheirCoordinatesOnly) {
  Open({1});
  view.SetText(ids::kMotorValue1 + 3, "100");    // relative: ID4 50 -> 150
  view.SetText(ids::kMotorValue1 + 4, "-1400");  // limited by the field to -350, then added
  dialog->OnChange(ids::kMotorValue1 + 4);
  EXPECT_EQ(view.Text(ids::kMotorValue1 + 4), "-350");
  ASSERT_TRUE(PressOk());
  const Pose p = At(1);
  EXPECT_EQ(p.motorValues[3], 150);
  EXPECT_EQ(p.rotation, (-400 - 700 + 150) / 10.0);
  EXPECT_EQ(p.motorValues[4], -250);  // 100 - 350
  EXPECT_DOUBLE_EQ(p.handWidth, 250 / 318.3 * 10 + 20);
  EXPECT_EQ(p.x, before[1].x);
  EXPECT_EQ(p.z, before[1].z);
}

TEST_F(BatchTest, MotorSumsAreHeldAtTheLimit) {
  Open({2});  // ID2 900
  view.SetText(ids::kMotorValue1 + 1, "1000");
  ASSERT_TRUE(PressOk());
  EXPECT_EQ(At(2).motorValues[1], 1400);
}

TEST_F(BatchTest, CheckBoxesSetOrKeepTheExcludedFlags) {
  Open({0, 3});
  view.SetCheck(ids::kMotorCheck1, CheckState::kChecked);
  view.SetCheck(ids::kMotorCheck1 + 1, CheckState::kUnchecked);
  ASSERT_TRUE(PressOk());
  EXPECT_EQ(At(3).excluded, (std::array<int32_t, 5>{0, 1, 1, 0, 0}));
  EXPECT_EQ(At(0).excluded, (std::array<int32_t, 5>{0, 1, 0, 0, 0}));
  EXPECT_EQ(At(3).motorValues, before[3].motorValues);
}

TEST_F(BatchTest, ComboChoices) {
  Open({0, 3});
  ASSERT_TRUE(PressOk());  // "(変更なし)" in both lists leaves both fields
  EXPECT_EQ(At(3).interpolation, kArc);
  EXPECT_EQ(At(3).arcDirection, kCounterClockwise);
  Open({0, 3});
  view.SetSelection(ids::kInterpolation, kLinear);
  view.SetSelection(ids::kArcDirection, kClockwise);
  view.SetText(ids::kArcRadius, "25");
  ASSERT_TRUE(PressOk());
  EXPECT_EQ(At(0).interpolation, kLinear);
  EXPECT_EQ(At(3).interpolation, kLinear);
  EXPECT_EQ(At(3).arcDirection, kClockwise);
  EXPECT_EQ(At(3).arcRadius, 25);
}

TEST_F(BatchTest, NonNumericEntriesCountAsZero) {
  Open({0});
  dialog->OnClick(ids::kAbsolute);
  view.SetText(ids::kZ, "abc");
  view.SetText(ids::kMotorValue1 + 3, "x");
  ASSERT_TRUE(PressOk());
  EXPECT_EQ(view.questions.size(), 1u);  // Z with ID4 is no conflict
  EXPECT_EQ(At(0).z, 0);
  EXPECT_EQ(At(0).motorValues[2], 0);
  EXPECT_EQ(At(0).motorValues[3], 0);
  EXPECT_EQ(view.Text(ids::kMotorValue1 + 3), "+0");
}

TEST_F(BatchTest, HugeRealsStayFiniteInThePoses) {
  Open({0});
  view.SetText(ids::kX, "1e308");
  view.SetText(ids::kY, "inf");
  view.SetText(ids::kArcRadius, "nan");
  ASSERT_TRUE(PressOk());
  const Pose p = At(0);
  EXPECT_TRUE(std::isfinite(p.x));
  EXPECT_TRUE(std::isfinite(p.y));
  EXPECT_EQ(p.arcRadius, before[0].arcRadius);
  EXPECT_EQ(p.motorValues[1], 0);  // far away: the stretched arm
}

TEST_F(BatchTest, RowsBeyondTheEndAndRepeatsAreSkipped) {
  Open({9, 0, 0, 4});
  view.SetText(ids::kX, "1");
  ASSERT_TRUE(PressOk());
  EXPECT_EQ(At(0).x, before[0].x + 1);  // applied once, not twice
  EXPECT_EQ(doc.motion.Size(), 4u);
}

TEST_F(BatchTest, FieldAndTrackbarFollowEachOther) {
  Open({0});
  const int field = ids::kMotorValue1;
  const int track = ids::kMotorTrack1;
  view.SetText(field, "5000");
  dialog->OnChange(field);
  EXPECT_EQ(view.Text(field), "+1400");
  EXPECT_EQ(view.Position(track), 1400);
  view.SetText(field, "99999999999");  // read whole, not wrapped into 16 bits
  dialog->OnChange(field);
  EXPECT_EQ(view.Text(field), "+1400");
  view.SetText(field, "-20");
  dialog->OnChange(field);
  EXPECT_EQ(view.Text(field), "-20");  // within the limit: left as typed
  EXPECT_EQ(view.Position(track), -20);
  view.SetPosition(track, 35);
  dialog->OnScroll(track, false);
  EXPECT_EQ(view.Text(field), "+35");
  view.SetPosition(track, 0);
  dialog->OnScroll(track, true);
  EXPECT_EQ(view.Text(field), "+0");
}

TEST_F(BatchTest, CancelAndCloseChangeNothing) {
  Open({0, 1});
  view.SetText(ids::kX, "10");
  EXPECT_TRUE(dialog->OnClick(ids::kCancel));
  EXPECT_TRUE(dialog->OnClose());
  EXPECT_EQ(doc.motion.Poses(), before);
  EXPECT_TRUE(view.questions.empty());

  view.answers = {MessageAnswer::kNo};
  EXPECT_FALSE(dialog->OnClick(ids::kOk));
  EXPECT_EQ(doc.motion.Poses(), before);
  EXPECT_EQ(doc.history.Count(), 1u);
}

TEST_F(BatchTest, ModeClicksAreRememberedEvenWhenCancelled) {
  Open({0});
  dialog->OnClick(ids::kAbsolute);
  dialog->OnClick(ids::kTimeFactor);
  dialog->OnClick(ids::kCancel);
  Open({0});
  EXPECT_EQ(view.Check(ids::kAbsolute), CheckState::kChecked);
  EXPECT_EQ(view.Check(ids::kTimeFactor), CheckState::kChecked);
  EXPECT_FALSE(view.IsEnabled(ids::kTimeMsValue));
}

TEST(BatchSelection, NoSelectedRowWarnsInstead) {
  MapView view;
  EXPECT_FALSE(CheckBatchSelection(view, {}));
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_EQ(view.questions[0].text, "設定を変更するモーションを選択してください。");
  EXPECT_EQ(view.questions[0].icon, MessageIcon::kWarning);
  EXPECT_TRUE(CheckBatchSelection(view, {2}));
  EXPECT_EQ(view.questions.size(), 1u);
}

}  // namespace
}  // namespace velmora
