#include <gtest/gtest.h>

#include <QMessageBox>
#include <cmath>
#include <memory>

#include "base/string_table.h"
#include "document/document.h"
#include "document/motion_conversion.h"
#include "geometry/base_rotations.h"
#include "geometry/kinematics.h"
#include "geometry/ui/conversion_window.h"
#include "geometry/ui/coordinate_system_window.h"
#include "shell/program_state.h"
#include "support/dialog_test_support.h"
#include "support/dialog_window_fixture.h"
#include "support/poses.h"

namespace velmora {
namespace {

using namespace testing;  // the dialog helpers and the fixture of tests/support/
namespace ids = coordinate_ids;

class CoordinateSystemWindowTest : public DialogWindowFixture {
 protected:
  CoordinateSystemWindowTest() {
    const ArmGeometry g = state.geometry.Get();
    poses = {FromMotors(g, 100, 200, 300, 0, 0, 500), FromMotors(g, -400, 700, 0, 0, 0, 500),
             FromMotors(g, 0, 0, 50, 0, 0, 500)};
    UseMotion(1);
  }

  void Open() {
    window = std::make_unique<CoordinateSystemWindow>(state, nullptr, questions.Hooks());
    window->SetConversionRunner([this](int loadConversionType) {
      // The real conversion window, owned by the coordinate-system window, driven by hand.
      ConversionWindow conversion(loadConversionType, window.get(), conversionQuestions.Hooks());
      conversion.show();
      EXPECT_TRUE(conversion.isModal());
      EXPECT_EQ(conversion.parentWidget(), window.get());
      preselected.push_back(ButtonOf(conversion, conversion_ids::kKeepMotorValues)->isChecked()
                                ? kKeepMotorValues
                                : kKeepCoordinates);
      if (conversionChoice >= 0) {
        Click(ButtonOf(conversion, conversion_ids::kKeepCoordinates + conversionChoice));
      }
      Click(
          ButtonOf(conversion, conversionCancels ? conversion_ids::kCancel : conversion_ids::kOk));
      EXPECT_FALSE(conversion.isVisible());
      return conversion.Result();
    });
    window->show();
  }

  void Apply(MessageAnswer answer = MessageAnswer::kYes) {
    questions.answers = {answer};
    Click(ButtonOf(*window, ids::kApply));
  }

  ScriptedQuestions conversionQuestions;
  int conversionChoice = -1;  // -1: keep the preselection
  bool conversionCancels = false;
  std::vector<int> preselected;
  std::unique_ptr<CoordinateSystemWindow> window;
};

TEST_F(CoordinateSystemWindowTest, OpensShowingTheProgramsValues) {
  state.geometry.SetCoordinateSystem(-3.25, 40, kBaseRotations[2]);
  state.geometry.SetClawPosition(3);
  state.geometry.SetArmSign(1);
  state.settings.Update([](Settings& s) {
    s.loadConvType = 2;
    s.loadDialogEnable = 0;
  });
  Open();
  EXPECT_EQ(window->windowTitle(), QStringLiteral("座標系の設定"));
  QComboBox* angle = ComboOf(*window, ids::kAngle);
  ASSERT_NE(angle, nullptr);
  ASSERT_EQ(angle->count(), 4);
  EXPECT_EQ(angle->itemText(3), QStringLiteral("270°"));
  EXPECT_EQ(angle->currentIndex(), 2);
  EXPECT_EQ(EditOf(*window, ids::kOffsetX)->text(), QStringLiteral("-3.250000"));
  EXPECT_EQ(EditOf(*window, ids::kOffsetY)->text(), QStringLiteral("+40.000000"));
  EXPECT_TRUE(ButtonOf(*window, ids::kClaw1 + 3)->isChecked());
  EXPECT_EQ(ButtonOf(*window, ids::kClaw1)->text(), QStringLiteral("①"));
  EXPECT_EQ(ComboOf(*window, ids::kArmBend)->currentText(), QStringLiteral("時計回り"));
  EXPECT_EQ(ComboOf(*window, ids::kLoadConversion)->currentText(),
            QStringLiteral("座標系の設定をモーションに合わせて変更"));
  EXPECT_FALSE(CheckOf(*window, ids::kShowLoadDialog)->isChecked());
  EXPECT_TRUE(qobject_cast<QPushButton*>(ButtonOf(*window, ids::kApply))->isDefault());
}

TEST_F(CoordinateSystemWindowTest, ApplyWithoutAChangeOnlyAsksAndStoresTheOtherSettings) {
  Open();
  Choose(ComboOf(*window, ids::kArmBend), 1);
  Choose(ComboOf(*window, ids::kLoadConversion), 1);
  Click(CheckOf(*window, ids::kShowLoadDialog));
  Apply();
  ASSERT_EQ(questions.asked.size(), 1u);
  EXPECT_EQ(questions.asked[0].text, LoadText(40018));
  EXPECT_EQ(questions.asked[0].icon, MessageIcon::kQuestion);
  EXPECT_TRUE(preselected.empty());  // no conversion dialog: the bend side alone converts nothing
  EXPECT_EQ(state.geometry.Get().armSign, 1);
  EXPECT_EQ(state.settings.Get().loadConvType, 1);
  EXPECT_EQ(state.settings.Get().loadDialogEnable, 0);
  EXPECT_EQ(state.document.motion.Poses(), poses);
  EXPECT_TRUE(window->isVisible());  // applying keeps the dialog open
}

TEST_F(CoordinateSystemWindowTest, NoToTheQuestionAppliesNothing) {
  Open();
  Type(EditOf(*window, ids::kOffsetX), QStringLiteral("7"));
  Choose(ComboOf(*window, ids::kArmBend), 1);
  Apply(MessageAnswer::kNo);
  EXPECT_EQ(EditOf(*window, ids::kOffsetX)->text(), QStringLiteral("7"));
  EXPECT_TRUE(preselected.empty());
  EXPECT_EQ(state.geometry.Get().armSign, 0);
  EXPECT_EQ(state.geometry.Coords(), CoordinateSystem{});
}

TEST_F(CoordinateSystemWindowTest, AMovedBaseConvertsEveryPoseAsTheConversionDialogSays) {
  state.settings.Update([](Settings& s) { s.loadConvType = 1; });
  Open();
  Type(EditOf(*window, ids::kOffsetX), QStringLiteral("12.5"));
  Apply();
  EXPECT_EQ(EditOf(*window, ids::kOffsetX)->text(), QStringLiteral("+12.500000"));
  EXPECT_EQ(preselected, (std::vector<int>{kKeepMotorValues}));
  EXPECT_EQ(conversionQuestions.beeps, 1);
  EXPECT_DOUBLE_EQ(state.geometry.Coords().centreOffsetX, 12.5);
  const std::vector<Pose> after = state.document.motion.Poses();
  ASSERT_EQ(after.size(), poses.size());
  for (std::size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].motorValues, poses[i].motorValues) << i;
    EXPECT_NEAR(after[i].x, poses[i].x + 12.5, 1e-3) << i;
    EXPECT_NEAR(after[i].y, poses[i].y, 1e-3) << i;
  }
  // A conversion is no edit: no undo step, no modified flag.
  EXPECT_FALSE(state.document.motion.IsModified());
  EXPECT_FALSE(state.document.history.CanUndo());
}

TEST_F(CoordinateSystemWindowTest, TurningTheBaseWithKeepCoordinatesRecomputesTheMotors) {
  Open();
  Choose(ComboOf(*window, ids::kAngle), 1);
  conversionChoice = kKeepCoordinates;
  Apply();
  EXPECT_EQ(preselected, (std::vector<int>{kKeepCoordinates}));
  EXPECT_EQ(state.geometry.Coords().baseRotation, kBaseRotations[1]);
  const std::vector<Pose> after = state.document.motion.Poses();
  for (std::size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].x, poses[i].x) << i;
    EXPECT_EQ(after[i].y, poses[i].y) << i;
  }
  EXPECT_NE(after[0].motorValues, poses[0].motorValues);
}

TEST_F(CoordinateSystemWindowTest, CancelInTheConversionDialogAppliesNothing) {
  Open();
  Type(EditOf(*window, ids::kOffsetY), QStringLiteral("-20"));
  Click(ButtonOf(*window, ids::kClaw1 + 2));
  Choose(ComboOf(*window, ids::kArmBend), 1);
  Choose(ComboOf(*window, ids::kLoadConversion), 2);
  conversionCancels = true;
  const CoordinateSystem before = state.geometry.Coords();
  const Settings settingsBefore = state.settings.Get();
  Apply();
  EXPECT_EQ(preselected.size(), 1u);
  EXPECT_EQ(state.geometry.Coords(), before);
  EXPECT_EQ(state.geometry.Get().armSign, 0);
  EXPECT_EQ(state.settings.Get(), settingsBefore);
  EXPECT_EQ(state.document.motion.Poses(), poses);
  // The entries stay for another try.
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(EditOf(*window, ids::kOffsetY)->text(), QStringLiteral("-20.000000"));
  EXPECT_TRUE(ButtonOf(*window, ids::kClaw1 + 2)->isChecked());
}

TEST_F(CoordinateSystemWindowTest, ARotationNotInTheListShowsNoAngleAndIsKept) {
  const double deg45 = RotationFromDegrees(45);
  state.geometry.SetCoordinateSystem(0, 0, deg45);
  Open();
  EXPECT_EQ(ComboOf(*window, ids::kAngle)->currentIndex(), -1);
  EXPECT_TRUE(ComboOf(*window, ids::kAngle)->currentText().isEmpty());
  Type(EditOf(*window, ids::kOffsetX), QStringLiteral("1"));
  Apply();
  EXPECT_EQ(preselected.size(), 1u);
  EXPECT_EQ(state.geometry.Coords().baseRotation, deg45);
  EXPECT_EQ(state.geometry.Coords().centreOffsetX, 1);
}

TEST_F(CoordinateSystemWindowTest, CloseEscapeAndTheCloseBoxEndItWithoutApplying) {
  for (int way = 0; way < 3; ++way) {
    Open();
    Type(EditOf(*window, ids::kOffsetX), QStringLiteral("5"));
    Choose(ComboOf(*window, ids::kArmBend), 1);
    if (way == 0) Click(ButtonOf(*window, ids::kClose));
    if (way == 1) QTest::keyClick(window.get(), Qt::Key_Escape);
    if (way == 2) window->close();
    EXPECT_FALSE(window->isVisible()) << way;
  }
  EXPECT_TRUE(questions.asked.empty());
  EXPECT_EQ(state.geometry.Coords(), CoordinateSystem{});
  EXPECT_EQ(state.geometry.Get().armSign, 0);
}

TEST(ConversionWindow, PreselectsFromTheLoadTypeBeepsAndEndsAsEachButtonSays) {
  struct Case {
    int loadType;
    int preselected;
  };
  for (const Case c :
       {Case{0, kKeepCoordinates}, Case{1, kKeepMotorValues}, Case{2, kKeepMotorValues}}) {
    ScriptedQuestions q;
    ConversionWindow w(c.loadType, nullptr, q.Hooks());
    w.show();
    EXPECT_EQ(q.beeps, 1);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("座標系の設定変更に伴うモーションの変換"));
    EXPECT_EQ(w.Result(), c.preselected);
    EXPECT_TRUE(ButtonOf(w, conversion_ids::kKeepCoordinates + c.preselected)->isChecked());
    EXPECT_FALSE(ButtonOf(w, conversion_ids::kKeepCoordinates + 1 - c.preselected)->isChecked());
  }

  ConversionWindow picked(0, nullptr, ScriptedQuestions().Hooks());
  picked.show();
  Click(ButtonOf(picked, conversion_ids::kKeepMotorValues));
  EXPECT_FALSE(ButtonOf(picked, conversion_ids::kKeepCoordinates)->isChecked());
  picked.close();  // the close box keeps the selection, as OK does
  EXPECT_FALSE(picked.isVisible());
  EXPECT_EQ(picked.Result(), kKeepMotorValues);

  ConversionWindow escaped(1, nullptr, ScriptedQuestions().Hooks());
  escaped.show();
  QTest::keyClick(&escaped, Qt::Key_Escape);  // Escape is キャンセル
  EXPECT_FALSE(escaped.isVisible());
  EXPECT_EQ(escaped.Result(), kConversionCancelled);
}

// The real modal chain: the question box, then the conversion dialog over the coordinate-system
// dialog, then closing.
TEST(RunCoordinateSystemDialog, ConvertsThroughTheModalConversionDialog) {
  ProgramState state;
  InitialiseProgramState(state);
  state.document.motion.Replace(std::vector<Pose>(3, state.document.motion.Current()), 0);
  state.pane.Selection().Set({0, 2}, 0);
  const Pose before = state.document.motion.Current();
  bool sawConversionOwner = false;
  testing::ModalScript script({
      [](QWidget* modal) {
        if (modal->objectName() != QStringLiteral("142")) return false;
        auto* edit = modal->findChild<QLineEdit*>(QStringLiteral("1002"));
        edit->setText(QStringLiteral("10"));
        testing::PostClick(modal->findChild<QPushButton*>(QStringLiteral("1")));
        return true;
      },
      [](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) return false;
        testing::PostClick(box->button(QMessageBox::Yes));
        return true;
      },
      [&](QWidget* modal) {
        if (modal->objectName() != QStringLiteral("141")) return false;
        sawConversionOwner = modal->parentWidget() != nullptr &&
                             modal->parentWidget()->objectName() == QStringLiteral("142");
        testing::PostClick(modal->findChild<QPushButton*>(QStringLiteral("1")));
        return true;
      },
      [&](QWidget* modal) {
        // Back in the coordinate-system dialog once the conversion is done.
        if (modal->objectName() != QStringLiteral("142") ||
            state.geometry.Coords().centreOffsetX != 10) {
          return false;
        }
        testing::PostClick(modal->findChild<QPushButton*>(QStringLiteral("2")));
        return true;
      },
  });
  RunCoordinateSystemDialog(state, nullptr);
  EXPECT_TRUE(script.Finished());
  EXPECT_TRUE(sawConversionOwner);
  EXPECT_EQ(state.geometry.Coords().centreOffsetX, 10);
  // LOAD_CONV_TYPE 0 preselects keeping the coordinates.
  EXPECT_EQ(state.document.motion.Current().x, before.x);
  EXPECT_NE(state.document.motion.Current().motorValues, before.motorValues);
  // Every row was converted in place; the user's selection is still there.
  EXPECT_EQ(state.pane.Selection().Selected(), (std::vector<std::size_t>{0, 2}));
}

}  // namespace
}  // namespace velmora
