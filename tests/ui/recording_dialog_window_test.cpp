#include "link/ui/recording_dialog_window.h"

#include <gtest/gtest.h>

#include "support/dialog_test_support.h"

namespace velmora {
namespace {

using testing::ButtonOf;
using testing::CheckOf;
using testing::Click;
using testing::EditOf;
using testing::ScriptedQuestions;
using testing::Type;

TEST(RecordingDialogWindow, StartStoresTheIntervalRoundedDownAndAtLeast80) {
  struct Case {
    const char* typed;
    uint32_t stored;
  };
  // At most nine digits are taken: a longer interval would overrun the recorder's clock.
  for (const Case c : {Case{"85", 80}, Case{"1234", 1230}, Case{"0", 80}, Case{"", 80},
                       Case{"300", 300}, Case{"99999999999", 999999990}}) {
    Guarded<Settings> settings;
    RecordingDialogWindow w(settings, nullptr, ScriptedQuestions().Hooks());
    w.show();
    Type(EditOf(w, kRecIntervalField), QString::fromUtf8(c.typed));
    Click(CheckOf(w, kRecAutoPowerOffCheck));
    Click(ButtonOf(w, kRecStartButton));
    EXPECT_FALSE(w.isVisible()) << c.typed;
    EXPECT_EQ(w.Result(), 1) << c.typed;
    EXPECT_EQ(settings.Get().recInterval, c.stored) << c.typed;
    EXPECT_EQ(settings.Get().recAutoPowOff, 0) << c.typed;
    EXPECT_EQ(EditOf(w, kRecIntervalField)->text(), QString::number(c.stored)) << c.typed;
    EXPECT_LT(settings.Get().recInterval, uint32_t{INT32_MAX});
  }
}

TEST(RecordingDialogWindow, OpensWithTheSettingsAndTakesDigitsOnly) {
  Guarded<Settings> settings;
  settings.Update([](Settings& s) {
    s.recInterval = 450;
    s.recAutoPowOff = 0;
  });
  RecordingDialogWindow w(settings, nullptr, ScriptedQuestions().Hooks());
  w.show();
  EXPECT_EQ(w.windowTitle(), QStringLiteral("レコーディングの設定"));
  EXPECT_EQ(EditOf(w, kRecIntervalField)->text(), QStringLiteral("450"));
  EXPECT_FALSE(CheckOf(w, kRecAutoPowerOffCheck)->isChecked());
  EXPECT_EQ(CheckOf(w, kRecAutoPowerOffCheck)->text(), QStringLiteral("自動的にモータをOFFにする"));
  EXPECT_EQ(ButtonOf(w, kRecStartButton)->text(), QStringLiteral("開始"));
  Type(EditOf(w, kRecIntervalField), QStringLiteral("-1.5e3 9"));
  EXPECT_EQ(EditOf(w, kRecIntervalField)->text(), QStringLiteral("1539"));
  // Enter starts, as the default button does.
  QTest::keyClick(EditOf(w, kRecIntervalField), Qt::Key_Return);
  EXPECT_EQ(w.Result(), 1);
  EXPECT_EQ(settings.Get().recInterval, 1530u);
}

TEST(RecordingDialogWindow, CloseEscapeAndTheCloseBoxChangeNothing) {
  for (int way = 0; way < 3; ++way) {
    Guarded<Settings> settings;
    RecordingDialogWindow w(settings, nullptr, ScriptedQuestions().Hooks());
    w.show();
    Type(EditOf(w, kRecIntervalField), QStringLiteral("900"));
    Click(CheckOf(w, kRecAutoPowerOffCheck));
    if (way == 0) Click(ButtonOf(w, kRecCloseButton));
    if (way == 1) QTest::keyClick(&w, Qt::Key_Escape);
    if (way == 2) w.close();
    EXPECT_FALSE(w.isVisible()) << way;
    EXPECT_EQ(w.Result(), 0) << way;
    EXPECT_EQ(settings.Get(), Settings{}) << way;
  }
}

TEST(RunRecordingDialog, ReturnsOneForStart) {
  Guarded<Settings> settings;
  testing::ModalScript script({[](QWidget* modal) {
    if (modal->objectName() != QStringLiteral("137")) return false;
    modal->findChild<QLineEdit*>(QStringLiteral("40066"))->setText(QStringLiteral("95"));
    testing::PostClick(modal->findChild<QPushButton*>(QStringLiteral("1")));
    return true;
  }});
  EXPECT_EQ(RunRecordingDialog(settings, nullptr), 1);
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(settings.Get().recInterval, 90u);
}

}  // namespace
}  // namespace velmora
