#include "geometry/ui/load_dialog_window.h"

#include <gtest/gtest.h>

#include <fstream>

#include "document/document.h"
#include "document/motion_file.h"
#include "geometry/base_rotations.h"
#include "geometry/kinematics.h"
#include "shell/program_state.h"
#include "support/dialog_test_support.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using testing::ButtonOf;
using testing::CheckOf;
using testing::Click;
using testing::ScriptedQuestions;
namespace ids = load_ids;

int CheckedRadio(const LayoutDialog& d) {
  for (int i = 0; i < 3; ++i) {
    if (ButtonOf(d, ids::kKeepCoordinates + i)->isChecked()) return i;
  }
  return -1;
}

TEST(LoadDialogWindow, OpensWithTheRememberedChoiceAndBeeps) {
  for (int type : {0, 1, 2}) {
    Guarded<Settings> settings;
    settings.Update([type](Settings& s) {
      s.loadConvType = type;
      s.loadDialogEnable = type == 1 ? 0 : 1;
    });
    ScriptedQuestions q;
    LoadDialogWindow w(settings, nullptr, q.Hooks());
    w.show();
    EXPECT_EQ(q.beeps, 1);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("異なる座標系のモーションの読み込み"));
    EXPECT_EQ(CheckedRadio(w), type);
    EXPECT_EQ(CheckOf(w, ids::kShowLoadDialog)->isChecked(), type != 1);
    EXPECT_EQ(ButtonOf(w, ids::kAdoptMotionSystem)->text(),
              QStringLiteral("座標系の設定をモーションに合わせて変更"));
  }
}

TEST(LoadDialogWindow, ChoicesTakeEffectAtOnceAndOkOrTheCloseBoxKeepsThem) {
  for (bool viaCloseBox : {false, true}) {
    Guarded<Settings> settings;
    LoadDialogWindow w(settings, nullptr, ScriptedQuestions().Hooks());
    w.show();
    Click(ButtonOf(w, ids::kKeepMotorValues));
    EXPECT_EQ(settings.Get().loadConvType, 1);
    EXPECT_EQ(CheckedRadio(w), 1);
    Click(CheckOf(w, ids::kShowLoadDialog));
    EXPECT_EQ(settings.Get().loadDialogEnable, 0);
    if (viaCloseBox) {
      w.close();
    } else {
      Click(ButtonOf(w, ids::kOk));
    }
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.Result(), 1);
    EXPECT_EQ(settings.Get().loadConvType, 1);
    EXPECT_EQ(settings.Get().loadDialogEnable, 0);
  }
}

TEST(LoadDialogWindow, CancelAndEscapePutTheRememberedValuesBack) {
  for (bool viaEscape : {false, true}) {
    Guarded<Settings> settings;
    settings.Update([](Settings& s) { s.loadConvType = 1; });
    LoadDialogWindow w(settings, nullptr, ScriptedQuestions().Hooks());
    w.show();
    Click(ButtonOf(w, ids::kAdoptMotionSystem));
    Click(CheckOf(w, ids::kShowLoadDialog));
    EXPECT_EQ(settings.Get().loadConvType, 2);
    if (viaEscape) {
      QTest::keyClick(&w, Qt::Key_Escape);
    } else {
      Click(ButtonOf(w, ids::kCancel));
    }
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.Result(), 0);
    EXPECT_EQ(settings.Get().loadConvType, 1);
    EXPECT_EQ(settings.Get().loadDialogEnable, 1);
  }
}

// Opening a file made in another coordinate system, with the dialog on real widgets.
class LoadFromOtherSystemTest : public ::testing::Test {
 protected:
  LoadFromOtherSystemTest() {
    InitialiseProgramState(state);
    Pose p = DefaultPose(state.geometry.Get());
    p.transitionTime = 700;
    original = state.document.motion.Poses();
    CoordinateSystem other;
    other.centreOffsetX = 20;
    other.baseRotation = kBaseRotations[1];
    other.clawPosition = 2;
    filePoses = {p, p};
    filePoses[1].x += 5;
    std::ofstream(path, std::ios::binary) << FormatMotionFile(filePoses, other);
  }

  // Reads the file with the load hook the shell builds, the dialog driven by `drive`.
  bool Load(const std::function<void(LoadDialogWindow&)>& drive) {
    const LoadReconcile hook = MakeLoadConversionHook(state.geometry, state.settings, [&] {
      ++dialogs;
      LoadDialogWindow w(state.settings, nullptr, ScriptedQuestions().Hooks());
      w.show();
      drive(w);
      EXPECT_FALSE(w.isVisible());
      return w.Result();
    });
    return ReadMotionFile(state.document, state.geometry, path.string(), hook);
  }

  ProgramState state;
  testing::TempDir dir;
  std::filesystem::path path = dir / "other.KMO";
  std::vector<Pose> original;
  std::vector<Pose> filePoses;
  int dialogs = 0;
};

TEST_F(LoadFromOtherSystemTest, ThirdChoiceThenCancelKeepsTheSettingsAndTheMotion) {
  const Settings before = state.settings.Get();
  EXPECT_FALSE(Load([](LoadDialogWindow& w) {
    Click(ButtonOf(w, ids::kAdoptMotionSystem));
    Click(ButtonOf(w, ids::kCancel));
  }));
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(state.settings.Get(), before);
  EXPECT_EQ(state.document.motion.Poses(), original);
  EXPECT_EQ(state.geometry.Coords(), CoordinateSystem{});
}

TEST_F(LoadFromOtherSystemTest, ThirdChoiceThenOkAdoptsTheFilesSystem) {
  EXPECT_TRUE(Load([](LoadDialogWindow& w) {
    Click(ButtonOf(w, ids::kAdoptMotionSystem));
    Click(ButtonOf(w, ids::kOk));
  }));
  EXPECT_EQ(state.settings.Get().loadConvType, 2);
  EXPECT_EQ(state.geometry.Coords().centreOffsetX, 20);
  EXPECT_EQ(state.geometry.Coords().baseRotation, kBaseRotations[1]);
  EXPECT_EQ(state.geometry.Coords().clawPosition, 2);
  ASSERT_EQ(state.document.motion.Size(), 2u);
  EXPECT_EQ(state.document.motion.Poses()[1].x, filePoses[1].x);

  // With the check box cleared, the next such file loads silently with the remembered choice.
  state.geometry.SetCoordinateSystem(0, 0, 0);
  state.settings.Update([](Settings& s) { s.loadDialogEnable = 0; });
  EXPECT_TRUE(Load([](LoadDialogWindow&) { ADD_FAILURE() << "no dialog expected"; }));
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(state.geometry.Coords().centreOffsetX, 20);
}

TEST(RunLoadDialog, ReturnsZeroWhenEscaped) {
  Guarded<Settings> settings;
  testing::ModalScript script({[](QWidget* modal) {
    if (modal->objectName() != QStringLiteral("140")) return false;
    QTest::keyClick(modal, Qt::Key_Escape);
    return true;
  }});
  EXPECT_EQ(RunLoadDialog(settings, nullptr), 0);
  EXPECT_TRUE(script.Finished());
}

}  // namespace
}  // namespace velmora
