#include "simulator/simulator_settings_dialog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "base/string_table.h"
#include "support/map_view.h"

namespace velmora {
namespace {

using testing::MapView;

class SimulatorSettingsDialogTest : public ::testing::Test {
 protected:
  SimulatorSettingsDialogTest() : dialog(view, settings, reset) { dialog.OnInit(); }

  // Types a value into a field and applies it, answering the question with `answer`.
  void ApplyWith(int id, const std::string& text, MessageAnswer answer = MessageAnswer::kYes) {
    view.SetText(id, text);
    view.answers.push_back(answer);
    dialog.OnClick(kSimApply);
  }

  MapView view;
  Guarded<Settings> settings;
  std::atomic<bool> reset{false};
  SimulatorSettingsDialog dialog;
};

TEST_F(SimulatorSettingsDialogTest, OpensWithTheStoredValues) {
  EXPECT_EQ(view.Text(kSimRangeLeft), "-115.000000");
  EXPECT_EQ(view.Text(kSimRangeTop), "-105.000000");
  EXPECT_EQ(view.Text(kSimRangeRight), "115.000000");
  EXPECT_EQ(view.Text(kSimRangeBottom), "105.000000");
  EXPECT_EQ(view.Text(kSimPenThreshold), "-19.000000");
  EXPECT_EQ(view.Text(kSimPenPushIn), "1.000000");
  EXPECT_EQ(view.Text(kSimPenPoints), "360");
  EXPECT_EQ(view.Text(kSimScaling), "1.500000");
  EXPECT_EQ(view.Check(kSimPenEnable), CheckState::kChecked);
  EXPECT_EQ(view.Check(kSimPenFade), CheckState::kUnchecked);
  EXPECT_EQ(view.Check(kSimEnableMarkerLim), CheckState::kChecked);
  EXPECT_TRUE(view.questions.empty());
}

TEST_F(SimulatorSettingsDialogTest, ApplyAsksFirstAndNoChangesNothing) {
  view.SetText(kSimScaling, "2.5");
  view.SetCheck(kSimPenFade, CheckState::kChecked);
  view.answers.push_back(MessageAnswer::kNo);
  EXPECT_FALSE(dialog.OnApply());
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_EQ(view.questions[0].text, LoadText(40018));
  EXPECT_EQ(view.questions[0].text, "設定を適用します。よろしいですか？");
  EXPECT_EQ(view.questions[0].buttons, MessageButtons::kYesNo);
  EXPECT_EQ(view.questions[0].icon, MessageIcon::kQuestion);
  EXPECT_EQ(settings.Get(), Settings{});
  EXPECT_FALSE(reset.load());
  EXPECT_EQ(view.Text(kSimScaling), "2.5");  // the typed text stays for another try
}

TEST_F(SimulatorSettingsDialogTest, ApplyStoresEveryFieldAndErasesThePenTrace) {
  view.SetText(kSimPenThreshold, "  -7.25mm");
  view.SetText(kSimPenPushIn, "3");
  view.SetText(kSimPenPoints, "500");
  view.SetCheck(kSimPenEnable, CheckState::kUnchecked);
  view.SetCheck(kSimPenFade, CheckState::kChecked);
  view.SetCheck(kSimEnableMarkerLim, CheckState::kUnchecked);
  ApplyWith(kSimScaling, "2.25");
  const Settings s = settings.Get();
  EXPECT_DOUBLE_EQ(s.vpenTh, -7.25);
  EXPECT_DOUBLE_EQ(s.vpenOvw, 3);
  EXPECT_EQ(s.vpenPoints, 500u);
  EXPECT_EQ(s.vpenEnable, 0);
  EXPECT_EQ(s.vpenIsFade, 1);
  EXPECT_EQ(s.enableMarkerLim, 0);
  EXPECT_DOUBLE_EQ(s.scaling, 2.25);
  EXPECT_TRUE(reset.exchange(false));
  // The stored values are written back.
  EXPECT_EQ(view.Text(kSimPenThreshold), "-7.250000");
  EXPECT_EQ(view.Text(kSimPenPushIn), "3.000000");
  EXPECT_EQ(view.Text(kSimScaling), "2.250000");

  // A second Apply without edits stores the same and erases again.
  view.answers.push_back(MessageAnswer::kYes);
  EXPECT_TRUE(dialog.OnApply());
  EXPECT_EQ(settings.Get(), s);
  EXPECT_TRUE(reset.load());
}

TEST_F(SimulatorSettingsDialogTest, RangeIsNormalisedWithTheSmallerEdgeWinning) {
  view.SetText(kSimRangeLeft, "10");
  view.SetText(kSimRangeRight, "5");
  view.SetText(kSimRangeTop, "20");
  ApplyWith(kSimRangeBottom, "15");
  EXPECT_EQ(settings.Get().markerRange, (MarkerRange{10, 20, 10, 20}));
  EXPECT_EQ(view.Text(kSimRangeLeft), "10.000000");
  EXPECT_EQ(view.Text(kSimRangeRight), "10.000000");
  EXPECT_EQ(view.Text(kSimRangeTop), "20.000000");
  EXPECT_EQ(view.Text(kSimRangeBottom), "20.000000");
}

TEST_F(SimulatorSettingsDialogTest, RangeIsKeptInSinglePrecision) {
  ApplyWith(kSimRangeLeft, "0.1");
  EXPECT_DOUBLE_EQ(settings.Get().markerRange.left, static_cast<double>(0.1f));
  EXPECT_EQ(view.Text(kSimRangeLeft), "0.100000");
}

TEST_F(SimulatorSettingsDialogTest, TooFewPointsBecomeTwoButANegativeCountIsHuge) {
  for (const char* text : {"1", "0", "abc", ""}) {
    ApplyWith(kSimPenPoints, text);
    EXPECT_EQ(settings.Get().vpenPoints, 2u) << text;
    EXPECT_EQ(view.Text(kSimPenPoints), "2");
  }
  ApplyWith(kSimPenPoints, "-5");
  EXPECT_EQ(settings.Get().vpenPoints, 4294967291u);
  EXPECT_EQ(view.Text(kSimPenPoints), "-5");
}

TEST_F(SimulatorSettingsDialogTest, MagnificationIsLimitedToOneToThree) {
  const std::pair<const char*, const char*> cases[] = {
      {"0.5", "1.000000"}, {"4", "3.000000"},     {"2.25", "2.250000"}, {"x", "1.000000"},
      {"nan", "1.000000"}, {"1e999", "3.000000"}, {"-inf", "1.000000"}};
  for (const auto& [typed, shown] : cases) {
    ApplyWith(kSimScaling, typed);
    EXPECT_EQ(view.Text(kSimScaling), shown) << typed;
  }
}

TEST_F(SimulatorSettingsDialogTest, NegativePushInBecomesZero) {
  settings.Update([](Settings& s) { s.vpenOvw = -2; });  // only def.ini can hold one
  dialog.OnInit();
  EXPECT_EQ(view.Text(kSimPenPushIn), "-2.000000");
  ApplyWith(kSimPenThreshold, "-19");
  EXPECT_DOUBLE_EQ(settings.Get().vpenOvw, 0);
  EXPECT_EQ(view.Text(kSimPenPushIn), "0.000000");
}

TEST_F(SimulatorSettingsDialogTest, NumbersThatAreNotFiniteCountAsNoNumber) {
  view.SetText(kSimRangeRight, "inf");
  view.SetText(kSimPenPushIn, "1e999");
  view.SetText(kSimRangeTop, "1e300");  // beyond single precision
  ApplyWith(kSimPenThreshold, "nan");
  const Settings s = settings.Get();
  EXPECT_DOUBLE_EQ(s.vpenTh, 0);
  EXPECT_DOUBLE_EQ(s.vpenOvw, 0);
  EXPECT_DOUBLE_EQ(s.markerRange.top, 0);
  EXPECT_DOUBLE_EQ(s.markerRange.right, 0);
  EXPECT_EQ(view.Text(kSimRangeRight), "0.000000");
}

TEST_F(SimulatorSettingsDialogTest, FieldsAreReadThroughTheirFirst1023Characters) {
  ApplyWith(kSimRangeLeft, std::string(1023, ' ') + "12");
  EXPECT_DOUBLE_EQ(settings.Get().markerRange.left, 0);
  ApplyWith(kSimRangeLeft, std::string(1021, ' ') + "12");
  EXPECT_DOUBLE_EQ(settings.Get().markerRange.left, 12);
}

}  // namespace
}  // namespace velmora
