#include "document/load_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "document/motion_conversion.h"
#include "geometry/kinematics.h"
#include "support/map_view.h"

namespace velmora {
namespace {

using testing::MapView;
namespace ids = load_ids;

void SetLoadSettings(Guarded<Settings>& settings, int type, int show) {
  settings.Update([&](Settings& s) {
    s.loadConvType = type;
    s.loadDialogEnable = show;
  });
}

class LoadDialogTest : public ::testing::Test {
 protected:
  MapView view;
  Guarded<Settings> settings;
};

TEST_F(LoadDialogTest, OpeningBeepsAndShowsTheSettings) {
  const int types[] = {0, 1, 2, 7, -1};
  const int radio[] = {0, 1, 2, 2, 2};
  for (int i = 0; i < 5; ++i) {
    SetLoadSettings(settings, types[i], i % 2);
    LoadDialog d(view, settings);
    d.OnInit();
    for (int r = 0; r < 3; ++r) {
      EXPECT_EQ(view.Check(ids::kKeepCoordinates + r),
                r == radio[i] ? CheckState::kChecked : CheckState::kUnchecked)
          << types[i];
    }
    EXPECT_EQ(view.Check(ids::kShowLoadDialog),
              i % 2 ? CheckState::kChecked : CheckState::kUnchecked);
    EXPECT_EQ(d.Result(), 1);
  }
  EXPECT_EQ(view.beeps, 5);
}

TEST_F(LoadDialogTest, ChoicesTakeEffectAtOnceAndOkKeepsThem) {
  SetLoadSettings(settings, 0, 1);
  LoadDialog d(view, settings);
  d.OnInit();
  EXPECT_FALSE(d.OnClick(ids::kAdoptMotionSystem));
  EXPECT_EQ(settings.Get().loadConvType, 2);
  EXPECT_FALSE(d.OnClick(ids::kKeepMotorValues));
  EXPECT_EQ(settings.Get().loadConvType, 1);
  EXPECT_EQ(view.Check(ids::kAdoptMotionSystem), CheckState::kUnchecked);
  view.SetCheck(ids::kShowLoadDialog, CheckState::kUnchecked);
  EXPECT_FALSE(d.OnClick(ids::kShowLoadDialog));
  EXPECT_EQ(settings.Get().loadDialogEnable, 0);
  EXPECT_TRUE(d.OnClick(ids::kOk));
  EXPECT_EQ(d.Result(), 1);
  EXPECT_EQ(settings.Get().loadConvType, 1);
  EXPECT_EQ(settings.Get().loadDialogEnable, 0);
}

TEST_F(LoadDialogTest, CancelRestoresTheRememberedValues) {
  SetLoadSettings(settings, 1, 1);
  LoadDialog d(view, settings);
  d.OnInit();
  d.OnClick(ids::kAdoptMotionSystem);
  view.SetCheck(ids::kShowLoadDialog, CheckState::kUnchecked);
  d.OnClick(ids::kShowLoadDialog);
  EXPECT_TRUE(d.OnClick(ids::kCancel));
  EXPECT_EQ(d.Result(), 0);
  EXPECT_EQ(settings.Get().loadConvType, 1);
  EXPECT_EQ(settings.Get().loadDialogEnable, 1);
}

TEST_F(LoadDialogTest, TitleBarCloseActsAsOk) {
  SetLoadSettings(settings, 0, 1);
  LoadDialog d(view, settings);
  d.OnInit();
  d.OnClick(ids::kAdoptMotionSystem);
  EXPECT_TRUE(d.OnClose());
  EXPECT_EQ(d.Result(), 1);
  EXPECT_EQ(settings.Get().loadConvType, 2);
}

class ApplyLoadConversionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Pose a;
    a.motorValues = {300, 600, 200, -100, -50};
    Pose b;
    b.motorValues = {-400, -700, 0, 50, 100};
    // Coordinates and motor values as a file made with the base at X +10 holds them.
    fileGeo.SetCoordinateSystem(10, 0, 0);
    UpdateCoordinates(fileGeo.Get(), a);
    UpdateCoordinates(fileGeo.Get(), b);
    loaded = {a, b};
  }
  bool Load() {
    return ApplyLoadConversion(
        geo, settings, [this] { return ++dialogs, dialogAnswer; }, fileSystem, loaded);
  }
  Geometry geo;
  Geometry fileGeo;
  Guarded<Settings> settings;
  CoordinateSystem fileSystem{10, 0, 0, 1};
  std::vector<Pose> loaded;
  int dialogs = 0;
  int dialogAnswer = 1;
};

TEST_F(ApplyLoadConversionTest, KeepCoordinatesRecomputesTheMotorValues) {
  SetLoadSettings(settings, kKeepCoordinates, 0);
  const std::vector<Pose> was = loaded;
  ASSERT_TRUE(Load());
  EXPECT_EQ(dialogs, 0);
  for (std::size_t i = 0; i < loaded.size(); ++i) {
    EXPECT_EQ(loaded[i].x, was[i].x);
    Pose expected = was[i];
    UpdateMotorValues(geo.Get(), expected);
    EXPECT_EQ(loaded[i].motorValues, expected.motorValues);
  }
  EXPECT_LT(loaded[1].motorValues[1], 0);  // the elbow side read from the file is kept
  EXPECT_EQ(geo.Coords(), CoordinateSystem{});
}

TEST_F(ApplyLoadConversionTest, SilentKeepMotorValuesRecomputesTheCoordinates) {
  SetLoadSettings(settings, kKeepMotorValues, 0);
  const std::vector<Pose> was = loaded;
  ASSERT_TRUE(Load());
  EXPECT_EQ(dialogs, 0);
  for (std::size_t i = 0; i < loaded.size(); ++i) {
    EXPECT_EQ(loaded[i].motorValues, was[i].motorValues);
    EXPECT_NEAR(loaded[i].x, was[i].x - 10, 1e-4);
  }
}

TEST_F(ApplyLoadConversionTest, AdoptSwitchesTheProgramToTheFileSystem) {
  SetLoadSettings(settings, kAdoptMotionSystem, 0);
  fileSystem = {10, -5, 1.5707963, 5};
  const std::vector<Pose> was = loaded;
  ASSERT_TRUE(Load());
  EXPECT_EQ(loaded, was);
  EXPECT_EQ(geo.Coords(), (CoordinateSystem{10, -5, 1.5707963, 3}));  // claw 5 is held at 3
  // The placement transforms were rebuilt too.
  double x = 0, y = 0;
  ForwardKinematics(geo.Get(), Pose{}, &x, &y, nullptr, nullptr, nullptr);
  EXPECT_NEAR(x, 10, 1e-4);
  EXPECT_NEAR(y, 93, 1e-4);
}

TEST_F(ApplyLoadConversionTest, DialogDecidesAndItsChoiceIsReadAfterwards) {
  SetLoadSettings(settings, kAdoptMotionSystem, 1);
  const std::vector<Pose> was = loaded;
  // The user switches to KeepMotorValues in the dialog.
  ASSERT_TRUE(ApplyLoadConversion(
      geo, settings,
      [this] {
        ++dialogs;
        settings.Update([](Settings& s) { s.loadConvType = kKeepMotorValues; });
        return 1;
      },
      fileSystem, loaded));
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(geo.Coords(), CoordinateSystem{});  // not adopted
  EXPECT_EQ(loaded[0].motorValues, was[0].motorValues);
  EXPECT_NEAR(loaded[0].x, was[0].x - 10, 1e-4);
}

TEST_F(ApplyLoadConversionTest, CancelledDialogRejectsTheLoadWithNothingChanged) {
  SetLoadSettings(settings, kAdoptMotionSystem, 1);
  dialogAnswer = 0;
  const std::vector<Pose> was = loaded;
  EXPECT_FALSE(Load());
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(loaded, was);
  EXPECT_EQ(geo.Coords(), CoordinateSystem{});
  // Without a way to show the dialog the load cannot be confirmed either.
  EXPECT_FALSE(ApplyLoadConversion(geo, settings, nullptr, fileSystem, loaded));
}

TEST_F(ApplyLoadConversionTest, HostileHeaderIsNeverAdopted) {
  SetLoadSettings(settings, kAdoptMotionSystem, 0);
  const double bad[] = {std::numeric_limits<double>::infinity(),
                        std::numeric_limits<double>::quiet_NaN(), 1e39};
  for (double v : bad) {
    for (int field = 0; field < 3; ++field) {
      fileSystem = {1, 2, 0, 0};
      (field == 0   ? fileSystem.centreOffsetX
       : field == 1 ? fileSystem.centreOffsetY
                    : fileSystem.baseRotation) = v;
      EXPECT_FALSE(Load()) << v << " in field " << field;
      EXPECT_EQ(geo.Coords(), CoordinateSystem{});
    }
  }
}

TEST(LoadConversionHook, BindsTheProgramState) {
  Geometry geo;
  Guarded<Settings> settings;
  SetLoadSettings(settings, kAdoptMotionSystem, 1);
  int shown = 0;
  auto hook = MakeLoadConversionHook(geo, settings, [&] { return ++shown, 1; });
  std::vector<Pose> poses(1);
  EXPECT_TRUE(hook(CoordinateSystem{0, 0, 3.1415926, 1}, poses));
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(geo.Coords().baseRotation, 3.1415926);
}

}  // namespace
}  // namespace velmora
