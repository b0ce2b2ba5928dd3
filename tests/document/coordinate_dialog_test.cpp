#include "document/coordinate_dialog.h"

#include <gtest/gtest.h>

#include <cmath>

#include "base/string_table.h"
#include "document/document.h"
#include "document/motion_conversion.h"
#include "geometry/base_rotations.h"
#include "geometry/kinematics.h"
#include "support/map_view.h"
#include "support/poses.h"

namespace velmora {
namespace {

using testing::FromMotors;
using testing::MapView;
namespace ids = coordinate_ids;

class CoordinateDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ArmGeometry g = geo.Get();
    before = {FromMotors(g, 100, 200, 300, 0, 0), FromMotors(g, -500, 900, 0, 10, -100)};
    doc.motion.Replace(before, 0);
    ResetHistory(doc);
  }
  CoordinateSystemDialog Open() {
    CoordinateSystemDialog d(
        view, geo, doc, settings,
        [this](int type) {
          conversionTypes.push_back(type);
          return conversionAnswer;
        },
        [this](const std::vector<std::size_t>&) { ++refreshes; });
    d.OnInit();
    return d;
  }
  // Everything the dialog can change, to compare before and after.
  struct Observed {
    CoordinateSystem coords;
    int armSign;
    Settings settings;
    std::vector<Pose> poses;
    bool operator==(const Observed&) const = default;
  };
  Observed Observe() const {
    return {geo.Coords(), geo.Get().armSign, settings.Get(), doc.motion.Poses()};
  }

  MapView view;
  Geometry geo;
  Document doc;
  Guarded<Settings> settings;
  std::vector<Pose> before;
  std::vector<int> conversionTypes;
  int conversionAnswer = kKeepMotorValues;
  int refreshes = 0;
};

TEST_F(CoordinateDialogTest, OpeningShowsTheProgramWideValues) {
  geo.SetCoordinateSystem(12.5, -3, kBaseRotations[2]);
  geo.SetClawPosition(2);
  geo.SetArmSign(-7);
  settings.Update([](Settings& s) {
    s.loadConvType = 2;
    s.loadDialogEnable = 0;
  });
  Open();
  EXPECT_EQ(view.controls[ids::kAngle].items,
            (std::vector<std::string>{"0°", "90°", "180°", "270°"}));
  EXPECT_EQ(view.Selection(ids::kAngle), 2);
  EXPECT_EQ(view.Text(ids::kOffsetX), "+12.500000");
  EXPECT_EQ(view.Text(ids::kOffsetY), "-3.000000");
  EXPECT_EQ(view.controls[ids::kArmBend].items,
            (std::vector<std::string>{"反時計回り", "時計回り"}));
  EXPECT_EQ(view.Selection(ids::kArmBend), 1);  // any non-zero ArmSign is clockwise
  EXPECT_EQ(view.controls[ids::kLoadConversion].items,
            (std::vector<std::string>{LoadText(40046), LoadText(40047), LoadText(40048)}));
  EXPECT_EQ(view.Selection(ids::kLoadConversion), 2);
  EXPECT_EQ(view.Check(ids::kShowLoadDialog), CheckState::kUnchecked);
  for (int i = 0; i < ids::kClawCount; ++i) {
    EXPECT_EQ(view.Check(ids::kClaw1 + i), i == 2 ? CheckState::kChecked : CheckState::kUnchecked);
  }
}

TEST_F(CoordinateDialogTest, AngleSelectionNeedsAnExactMatch) {
  // 270 degrees as the motion-file and def.ini readers compute it selects the 270 entry.
  volatile double degrees = 270;
  geo.SetCoordinateSystem(0, 0, degrees / 180 * kPi);
  Open();
  EXPECT_EQ(view.Selection(ids::kAngle), 3);

  // 45 degrees (typed into def.ini) selects nothing, and applying keeps it.
  const double deg45 = RotationFromDegrees(45);
  geo.SetCoordinateSystem(0, 0, deg45);
  CoordinateSystemDialog d = Open();
  EXPECT_EQ(view.Selection(ids::kAngle), -1);
  view.answers = {MessageAnswer::kYes};
  EXPECT_EQ(d.Apply(), CoordinateSystemDialog::ApplyResult::kStored);
  EXPECT_EQ(geo.Coords().baseRotation, deg45);
  EXPECT_TRUE(conversionTypes.empty());
}

TEST_F(CoordinateDialogTest, NoToTheQuestionChangesNothing) {
  CoordinateSystemDialog d = Open();
  view.SetText(ids::kOffsetX, "12.5");
  view.SetSelection(ids::kArmBend, 1);
  view.SetCheck(ids::kShowLoadDialog, CheckState::kUnchecked);
  const Observed was = Observe();
  view.answers = {MessageAnswer::kNo};
  EXPECT_FALSE(d.OnClick(ids::kApply));  // the dialog stays open
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_EQ(view.questions[0].text, "設定を適用します。よろしいですか？");
  EXPECT_EQ(view.questions[0].buttons, MessageButtons::kYesNo);
  EXPECT_EQ(view.questions[0].icon, MessageIcon::kQuestion);
  EXPECT_EQ(Observe(), was);
  EXPECT_EQ(view.Text(ids::kOffsetX), "12.5");
}

TEST_F(CoordinateDialogTest, UnchangedSystemOnlyStoresTheOtherSettings) {
  CoordinateSystemDialog d = Open();
  view.SetSelection(ids::kArmBend, 1);
  view.SetSelection(ids::kLoadConversion, 1);
  view.SetCheck(ids::kShowLoadDialog, CheckState::kUnchecked);
  view.answers = {MessageAnswer::kYes};
  EXPECT_EQ(d.Apply(), CoordinateSystemDialog::ApplyResult::kStored);
  EXPECT_EQ(view.questions.size(), 1u);
  EXPECT_TRUE(conversionTypes.empty());
  EXPECT_EQ(geo.Get().armSign, 1);
  EXPECT_EQ(settings.Get().loadConvType, 1);
  EXPECT_EQ(settings.Get().loadDialogEnable, 0);
  EXPECT_EQ(doc.motion.Poses(), before);  // changing the elbow side never converts
  EXPECT_EQ(refreshes, 0);
}

TEST_F(CoordinateDialogTest, ChangedOffsetConvertsThroughTheChosenMethod) {
  settings.Update([](Settings& s) { s.loadConvType = 2; });
  CoordinateSystemDialog d = Open();
  view.SetText(ids::kOffsetX, "10");
  view.SetText(ids::kOffsetY, "  -0.25abc");
  view.answers = {MessageAnswer::kYes};
  EXPECT_EQ(d.Apply(), CoordinateSystemDialog::ApplyResult::kConverted);
  EXPECT_EQ(conversionTypes, std::vector<int>{2});  // the dialog preselects from this type
  EXPECT_EQ(view.Text(ids::kOffsetX), "+10.000000");
  EXPECT_EQ(view.Text(ids::kOffsetY), "-0.250000");
  EXPECT_EQ(geo.Coords().centreOffsetX, 10);
  EXPECT_EQ(geo.Coords().centreOffsetY, -0.25);
  const std::vector<Pose> after = doc.motion.Poses();
  for (std::size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].motorValues, before[i].motorValues);
    EXPECT_NEAR(after[i].x, before[i].x + 10, 1e-4);
  }
  EXPECT_EQ(refreshes, 1);
  EXPECT_FALSE(doc.motion.IsModified());
  EXPECT_FALSE(doc.history.CanUndo());
}

TEST_F(CoordinateDialogTest, NewClawPositionAndAngleAreApplied) {
  conversionAnswer = kKeepCoordinates;
  CoordinateSystemDialog d = Open();
  view.SetSelection(ids::kAngle, 1);
  d.OnClick(ids::kClaw1 + 3);
  EXPECT_EQ(view.Check(ids::kClaw1 + 1), CheckState::kUnchecked);
  view.answers = {MessageAnswer::kYes};
  EXPECT_EQ(d.Apply(), CoordinateSystemDialog::ApplyResult::kConverted);
  EXPECT_EQ(geo.Coords().baseRotation, 1.5707963);
  EXPECT_EQ(geo.Coords().clawPosition, 3);
  // KeepCoordinates: the hand width stays, so ID5 is recomputed on the new claw scale.
  const std::vector<Pose> after = doc.motion.Poses();
  EXPECT_EQ(after[0].handWidth, before[0].handWidth);
  EXPECT_EQ(after[0].motorValues[4], 350);  // 20 mm on the 40 mm claw: 636.6, limited
}

TEST_F(CoordinateDialogTest, CancelledConversionAppliesNothing) {
  conversionAnswer = kConversionCancelled;
  CoordinateSystemDialog d = Open();
  view.SetText(ids::kOffsetX, "5");
  view.SetSelection(ids::kAngle, 3);
  d.OnClick(ids::kClaw1);
  view.SetSelection(ids::kArmBend, 1);
  view.SetSelection(ids::kLoadConversion, 2);
  view.SetCheck(ids::kShowLoadDialog, CheckState::kUnchecked);
  const Observed was = Observe();
  view.answers = {MessageAnswer::kYes};
  EXPECT_EQ(d.Apply(), CoordinateSystemDialog::ApplyResult::kCancelled);
  EXPECT_EQ(Observe(), was);
  EXPECT_EQ(refreshes, 0);
  // The entries stay for another try.
  EXPECT_EQ(view.Selection(ids::kAngle), 3);
  EXPECT_EQ(view.Check(ids::kClaw1), CheckState::kChecked);
  EXPECT_EQ(view.Selection(ids::kArmBend), 1);
}

TEST_F(CoordinateDialogTest, ArmSignIsStoredAfterTheConversion) {
  // A Pose whose ID2 is 0 takes its elbow side from ArmSign; the conversion must still use the
  // side in force before the dialog was applied.
  Pose fresh = DefaultPose(geo.Get());
  fresh.x = 0;
  fresh.y = 0;
  fresh.motorValues = {};
  doc.motion.Replace({fresh}, 0);
  conversionAnswer = kKeepCoordinates;
  CoordinateSystemDialog d = Open();
  view.SetText(ids::kOffsetX, "0.5");
  view.SetSelection(ids::kArmBend, 1);
  view.answers = {MessageAnswer::kYes};
  d.Apply();
  EXPECT_GT(doc.motion.Current().motorValues[1], 0);  // counterclockwise, the old side
  EXPECT_EQ(geo.Get().armSign, 1);
}

TEST_F(CoordinateDialogTest, OffsetsThatAreNotUsableNumbersReadAsZero) {
  geo.SetCoordinateSystem(3, 4, 0);
  CoordinateSystemDialog d = Open();
  view.SetText(ids::kOffsetX, "inf");
  view.SetText(ids::kOffsetY, "1e39");  // beyond the single-precision placement
  view.answers = {MessageAnswer::kYes};
  d.Apply();
  EXPECT_EQ(view.Text(ids::kOffsetX), "+0.000000");
  EXPECT_EQ(view.Text(ids::kOffsetY), "+0.000000");
  EXPECT_EQ(geo.Coords().centreOffsetX, 0);
  EXPECT_EQ(geo.Coords().centreOffsetY, 0);
  for (const Pose& p : doc.motion.Poses()) EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
}

class ConversionDialogTest : public ::testing::Test {
 protected:
  MapView view;
};

TEST_F(ConversionDialogTest, PreselectionFollowsTheLoadType) {
  const int expected[] = {kKeepCoordinates, kKeepMotorValues, kKeepMotorValues, kKeepCoordinates};
  const int types[] = {0, 1, 2, 7};
  for (int i = 0; i < 4; ++i) {
    ConversionDialog d(view, types[i]);
    d.OnInit();
    EXPECT_EQ(d.Result(), expected[i]) << types[i];
    EXPECT_EQ(view.Check(conversion_ids::kKeepMotorValues),
              expected[i] == kKeepMotorValues ? CheckState::kChecked : CheckState::kUnchecked);
    EXPECT_TRUE(d.OnClose());  // the close box ends with the preselected method
    EXPECT_EQ(d.Result(), expected[i]);
  }
  EXPECT_EQ(view.beeps, 4);
}

TEST_F(ConversionDialogTest, OkTakesTheClickedMethodAndCancelGivesMinusOne) {
  ConversionDialog d(view, 0);
  d.OnInit();
  EXPECT_FALSE(d.OnClick(conversion_ids::kKeepMotorValues));
  EXPECT_EQ(view.Check(conversion_ids::kKeepCoordinates), CheckState::kUnchecked);
  EXPECT_TRUE(d.OnClick(conversion_ids::kOk));
  EXPECT_EQ(d.Result(), kKeepMotorValues);

  ConversionDialog c(view, 1);
  c.OnInit();
  EXPECT_TRUE(c.OnClick(conversion_ids::kCancel));
  EXPECT_EQ(c.Result(), kConversionCancelled);
}

}  // namespace
}  // namespace velmora
