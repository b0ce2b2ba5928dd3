#include <gtest/gtest.h>

#include <memory>

#include "base/string_table.h"
#include "link/link_fixture.h"
#include "link/ui/motor_settings_window.h"
#include "shell/program_state.h"
#include "support/dialog_test_support.h"

namespace velmora {
namespace {

using testing::ButtonOf;
using testing::Choose;
using testing::Click;
using testing::ComboOf;
using testing::EditOf;
using testing::ScriptedQuestions;
using testing::Type;
namespace ids = motor_ids;

QStringList Fields(const LayoutDialog& d) {
  QStringList out;
  for (int k = 0; k < kEditableRegisterCount; ++k) out << EditOf(d, ids::kFirstField + k)->text();
  return out;
}

// The dialog over the ServoTable of a link to the virtual robot.
class MotorSettingsWindowTest : public testing::LinkFixture {
 protected:
  void Open() {
    window = std::make_unique<MotorSettingsWindow>(table, nullptr, questions.Hooks());
    window->show();
  }

  std::array<RegisterImage, kServoCount> Images() const {
    std::array<RegisterImage, kServoCount> out;
    for (int i = 0; i < kServoCount; ++i) out[i] = table.RegisterImage(i + 1);
    return out;
  }

  ScriptedQuestions questions;
  std::unique_ptr<MotorSettingsWindow> window;
};

TEST_F(MotorSettingsWindowTest, OpensOnId1WithItsRegisters) {
  table.SetRegister(1, 0x1D, 9);
  Open();
  EXPECT_EQ(window->windowTitle(), QStringLiteral("モータの設定"));
  QComboBox* choice = ComboOf(*window, ids::kServoChoice);
  ASSERT_EQ(choice->count(), 5);
  EXPECT_EQ(choice->itemText(4), QStringLiteral("ID5"));
  EXPECT_EQ(choice->currentIndex(), 0);
  EXPECT_EQ(Fields(*window), (QStringList{"4", "4", "8", "8", "88", "9", "100"}));
  EXPECT_EQ(ButtonOf(*window, ids::kReset)->text(), QStringLiteral("設定値を初期化"));
}

TEST_F(MotorSettingsWindowTest, FieldsTakeDigitsOnlyAndStoreTheLowByte) {
  Open();
  QLineEdit* maxTorque = EditOf(*window, ids::kFirstField + 6);
  Type(maxTorque, QStringLiteral("3-0x0"));
  EXPECT_EQ(maxTorque->text(), QStringLiteral("300"));
  questions.answers = {MessageAnswer::kYes};
  Click(ButtonOf(*window, ids::kOk));
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(table.RegisterImage(1)[0x23], 44);
}

TEST_F(MotorSettingsWindowTest, EditsToId2SurviveSwitchingToId3AndBack) {
  Open();
  Choose(ComboOf(*window, ids::kServoChoice), 1);
  Type(EditOf(*window, ids::kFirstField), QStringLiteral("21"));
  Type(EditOf(*window, ids::kFirstField + 4), QStringLiteral("150"));
  Choose(ComboOf(*window, ids::kServoChoice), 2);
  EXPECT_EQ(Fields(*window), (QStringList{"2", "2", "8", "8", "88", "2", "100"}));
  Choose(ComboOf(*window, ids::kServoChoice), 1);
  EXPECT_EQ(Fields(*window), (QStringList{"21", "4", "8", "8", "150", "7", "100"}));
  EXPECT_EQ(table.RegisterImage(2)[0x18], 4);
}

TEST_F(MotorSettingsWindowTest, CancelChangesNothing) {
  Open();
  const auto before = Images();
  Type(EditOf(*window, ids::kFirstField), QStringLiteral("99"));
  Choose(ComboOf(*window, ids::kServoChoice), 3);
  Type(EditOf(*window, ids::kFirstField + 6), QStringLiteral("1"));
  Click(ButtonOf(*window, ids::kCancel));
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(questions.asked.empty());
  EXPECT_EQ(Images(), before);
  for (int id = 1; id <= kServoCount; ++id) EXPECT_EQ(table.Entry(id).requests, 0u);
}

TEST_F(MotorSettingsWindowTest, ResetThenOkWhileConnectedWritesTheDefaultsInTheNextCycle) {
  for (int id = 1; id <= kServoCount; ++id) table.SetRegister(id, 0x18, 1);
  Connect(3, false);
  link.RunOnce();
  Sent();

  Open();
  Choose(ComboOf(*window, ids::kServoChoice), 2);
  questions.answers = {MessageAnswer::kYes, MessageAnswer::kYes};
  Click(ButtonOf(*window, ids::kReset));
  EXPECT_EQ(Fields(*window), (QStringList{"2", "2", "8", "8", "88", "2", "100"}));
  EXPECT_EQ(table.RegisterImage(3)[0x18], 1);  // nothing reaches the table before OK
  Click(ButtonOf(*window, ids::kOk));
  ASSERT_EQ(questions.asked.size(), 2u);
  EXPECT_EQ(questions.asked[0].text, LoadText(40055));
  EXPECT_EQ(questions.asked[0].icon, MessageIcon::kWarning);
  EXPECT_EQ(questions.asked[1].text, LoadText(40018));
  EXPECT_FALSE(window->isVisible());

  link.RunOnce();
  const std::vector<testing::Bytes> writes = Sent();
  ASSERT_EQ(writes.size(), 6u);
  EXPECT_EQ(writes[0], (testing::Bytes{0xFA, 0xAF, 0x00, 0x00, 0x18, 0x07, 0x01, 0x01, 0x04, 0x04,
                                       0x08, 0x08, 0x58, 0x07, 0x40}));
  for (int id = 2; id <= 5; ++id) {
    EXPECT_EQ(writes[id - 1][7], id);
    EXPECT_EQ(writes[id - 1][8], id <= 2 ? 4 : 2);
  }
  EXPECT_EQ(writes[5], (testing::Bytes{0xFA, 0xAF, 0x00, 0x00, 0x23, 0x02, 0x03, 0x01, 0x64, 0x02,
                                       0x64, 0x03, 0x64, 0x46}));
  EXPECT_EQ(robot.Register(4, 0x18), 2);
}

TEST(RunMotorSettingsDialog, EscapeLeavesTheTableAlone) {
  ProgramState state;
  InitialiseProgramState(state);
  const RegisterImage before = state.servos.RegisterImage(1);
  testing::ModalScript script({[](QWidget* modal) {
    if (modal->objectName() != QStringLiteral("145")) return false;
    modal->findChild<QLineEdit*>(QStringLiteral("40000"))->setText(QStringLiteral("9"));
    QTest::keyClick(modal, Qt::Key_Escape);
    return true;
  }});
  RunMotorSettingsDialog(state, nullptr);
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(state.servos.RegisterImage(1), before);
}

}  // namespace
}  // namespace velmora
