#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "shell/program_state.h"
#include "simulator/ui/simulator_settings_window.h"

namespace velmora {
namespace {

// Answers the next message box with `button` and keeps its text.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(QMessageBox::StandardButton button) {
    QObject::connect(&timer_, &QTimer::timeout, [this, button] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      texts.push_back(box->text());
      titles.push_back(box->windowTitle());
      box->button(button)->click();
    });
    timer_.start(5);
  }
  std::vector<QString> texts;
  std::vector<QString> titles;

 private:
  QTimer timer_;
};

class SimulatorSettingsWindowTest : public ::testing::Test {
 protected:
  SimulatorSettingsWindowTest() {
    InitialiseProgramState(state);
    window = std::make_unique<SimulatorSettingsWindow>(state);
    window->show();
  }

  QLineEdit* Edit(int id) { return qobject_cast<QLineEdit*>(window->Control(id)); }
  QCheckBox* Box(int id) { return qobject_cast<QCheckBox*>(window->Control(id)); }
  QPushButton* Button(int id) { return qobject_cast<QPushButton*>(window->Control(id)); }

  // Replaces a field's text by typing.
  void Type(int id, const QString& text) {
    QLineEdit* e = Edit(id);
    ASSERT_NE(e, nullptr) << id;
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Delete);
    QTest::keyClicks(e, text);
  }

  ProgramState state;
  std::unique_ptr<SimulatorSettingsWindow> window;
};

TEST_F(SimulatorSettingsWindowTest, ControlsSitAtTheirPlacesAndShowTheStoredValues) {
  EXPECT_EQ(window->windowTitle(), QStringLiteral("シミュレータの設定"));
  EXPECT_EQ(window->size(), QSize(299, 392));  // 199 x 241 dialog units
  ASSERT_NE(Edit(1001), nullptr);
  EXPECT_EQ(Edit(1001)->geometry(), QRect(41, 36, 78, 23));
  EXPECT_EQ(Edit(1007)->geometry().topLeft(), QPoint(176, 70));
  EXPECT_EQ(Edit(40001)->geometry().topLeft(), QPoint(126, 307));
  EXPECT_EQ(Button(1)->geometry(), QRect(122, 359, 75, 23));
  EXPECT_EQ(Button(2)->text(), QStringLiteral("閉じる"));
  EXPECT_TRUE(Button(1)->isDefault());
  EXPECT_EQ(Box(40068)->text(), QStringLiteral("仮想ペンを使用する"));
  EXPECT_TRUE(Edit(1009)->alignment() & Qt::AlignRight);

  EXPECT_EQ(Edit(1001)->text(), QStringLiteral("-115.000000"));
  EXPECT_EQ(Edit(1006)->text(), QStringLiteral("-105.000000"));
  EXPECT_EQ(Edit(40066)->text(), QStringLiteral("360"));
  EXPECT_EQ(Edit(40001)->text(), QStringLiteral("1.500000"));
  EXPECT_TRUE(Box(40068)->isChecked());
  EXPECT_FALSE(Box(40070)->isChecked());
  EXPECT_TRUE(Box(40000)->isChecked());
}

TEST_F(SimulatorSettingsWindowTest, ApplyConfirmedStoresLimitedValuesAndShowsThem) {
  Type(1001, "10");
  Type(1003, "5");
  Type(1006, "20");
  Type(1007, "15");
  Type(40066, "1");
  Type(40001, "4");
  QTest::mouseClick(Box(40070), Qt::LeftButton);
  BoxAnswerer yes(QMessageBox::Yes);
  QTest::mouseClick(Button(1), Qt::LeftButton);
  ASSERT_EQ(yes.texts.size(), 1u);
  EXPECT_EQ(yes.texts[0], QStringLiteral("設定を適用します。よろしいですか？"));
  EXPECT_EQ(yes.titles[0], QStringLiteral("Velmora"));

  const Settings s = state.settings.Get();
  EXPECT_EQ(s.markerRange, (MarkerRange{10, 20, 10, 20}));
  EXPECT_EQ(s.vpenPoints, 2u);
  EXPECT_DOUBLE_EQ(s.scaling, 3.0);
  EXPECT_EQ(s.vpenIsFade, 1);
  EXPECT_TRUE(state.simulator.penTraceReset.load());
  EXPECT_EQ(Edit(1003)->text(), QStringLiteral("10.000000"));
  EXPECT_EQ(Edit(1007)->text(), QStringLiteral("20.000000"));
  EXPECT_EQ(Edit(40066)->text(), QStringLiteral("2"));
  EXPECT_EQ(Edit(40001)->text(), QStringLiteral("3.000000"));
  EXPECT_TRUE(window->isVisible());  // Apply keeps the dialog open
}

TEST_F(SimulatorSettingsWindowTest, AnsweringNoChangesNothing) {
  Type(40001, "2.25");
  BoxAnswerer no(QMessageBox::No);
  QTest::mouseClick(Button(1), Qt::LeftButton);
  ASSERT_EQ(no.texts.size(), 1u);
  EXPECT_DOUBLE_EQ(state.settings.Get().scaling, 1.5);
  EXPECT_FALSE(state.simulator.penTraceReset.load());
}

TEST_F(SimulatorSettingsWindowTest, EnterInAFieldAppliesLikeTheDefaultButton) {
  Type(1009, "-7.5");
  BoxAnswerer yes(QMessageBox::Yes);
  QTest::keyClick(Edit(1009), Qt::Key_Return);
  EXPECT_DOUBLE_EQ(state.settings.Get().vpenTh, -7.5);
  EXPECT_EQ(Edit(1009)->text(), QStringLiteral("-7.500000"));
}

TEST_F(SimulatorSettingsWindowTest, PushInDepthTakesTypedDigitsOnly) {
  Type(40007, "-1.5x2");
  EXPECT_EQ(Edit(40007)->text(), QStringLiteral("152"));
  Type(1009, "-1.5");
  EXPECT_EQ(Edit(1009)->text(), QStringLiteral("-1.5"));
}

TEST_F(SimulatorSettingsWindowTest, ClosingDropsWhatWasTypedButNotApplied) {
  Type(40001, "2");
  QTest::mouseClick(Box(40068), Qt::LeftButton);
  QTest::mouseClick(Button(2), Qt::LeftButton);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->result(), QDialog::Rejected);
  EXPECT_EQ(state.settings.Get(), Settings{});

  // Opened again, it shows the stored values.
  SimulatorSettingsWindow again(state);
  EXPECT_EQ(qobject_cast<QLineEdit*>(again.Control(40001))->text(), QStringLiteral("1.500000"));
  EXPECT_TRUE(qobject_cast<QCheckBox*>(again.Control(40068))->isChecked());
}

TEST(RunSimulatorSettingsDialog, RunsModallyUntilEscape) {
  ProgramState state;
  InitialiseProgramState(state);
  bool sawDialog = false;
  QTimer::singleShot(20, [&] {
    auto* dialog = qobject_cast<SimulatorSettingsWindow*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    sawDialog = true;
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  RunSimulatorSettingsDialog(state, nullptr);
  EXPECT_TRUE(sawDialog);
}

}  // namespace
}  // namespace velmora
