#include "link/motor_settings.h"

#include <gtest/gtest.h>

#include "base/string_table.h"
#include "link/link_fixture.h"
#include "support/map_view.h"

namespace velmora {
namespace {

using testing::Bytes;
using testing::LinkFixture;
using testing::MapView;
namespace ids = motor_ids;

// The seven fields as the dialog shows them.
std::vector<std::string> Fields(const MapView& view) {
  std::vector<std::string> out;
  for (int k = 0; k < kEditableRegisterCount; ++k) out.push_back(view.Text(ids::kFirstField + k));
  return out;
}

void Select(MapView& view, MotorSettingsDialog& dialog, int index) {
  view.SetSelection(ids::kServoChoice, index);
  dialog.OnSelChange(ids::kServoChoice);
}

class MotorSettingsTest : public ::testing::Test {
 protected:
  MotorSettingsTest() {
    table.LoadAllRegisterDefaults();
    table.SetRegister(2, 0x19, 11);
    table.SetRegister(5, 0x23, 55);
    dialog.OnInit();
  }

  std::array<RegisterImage, kServoCount> Images() const {
    std::array<RegisterImage, kServoCount> out;
    for (int i = 0; i < kServoCount; ++i) out[i] = table.RegisterImage(i + 1);
    return out;
  }

  ServoTable table;
  MapView view;
  MotorSettingsDialog dialog{view, table};
};

TEST(RegisterFieldValue, KeepsTheLowEightBitsOfTheNumberRead) {
  EXPECT_EQ(RegisterFieldValue("300"), 44);
  EXPECT_EQ(RegisterFieldValue("255"), 255);
  EXPECT_EQ(RegisterFieldValue("256"), 0);
  EXPECT_EQ(RegisterFieldValue(""), 0);  // an empty field stores 0
  EXPECT_EQ(RegisterFieldValue("12abc"), 12);
  EXPECT_EQ(RegisterFieldValue("-1"), 255);                    // pasted past the digits-only field
  EXPECT_EQ(RegisterFieldValue("99999999999999999999"), 255);  // saturates, then the low byte
  // Only the first 256 characters are read: digits beyond them are not part of the number.
  EXPECT_EQ(RegisterFieldValue(std::string(255, '0') + "79"), 7);
}

TEST_F(MotorSettingsTest, OpensOnId1WithTheTableValues) {
  EXPECT_EQ(view.controls[ids::kServoChoice].items,
            (std::vector<std::string>{"ID1", "ID2", "ID3", "ID4", "ID5"}));
  EXPECT_EQ(view.Selection(ids::kServoChoice), 0);
  EXPECT_EQ(Fields(view), (std::vector<std::string>{"4", "4", "8", "8", "88", "7", "100"}));
  Select(view, dialog, 1);
  EXPECT_EQ(view.Text(ids::kFirstField + 1), "11");
  Select(view, dialog, 4);
  EXPECT_EQ(Fields(view), (std::vector<std::string>{"2", "2", "8", "8", "88", "2", "55"}));
}

TEST_F(MotorSettingsTest, EditsSurviveSwitchingServosAndOnlyOkHandsThemOver) {
  Select(view, dialog, 1);
  view.SetText(ids::kFirstField + 0, "300");
  view.SetText(ids::kFirstField + 6, "");
  Select(view, dialog, 2);
  EXPECT_EQ(view.Text(ids::kFirstField + 0), "2");
  Select(view, dialog, 1);
  EXPECT_EQ(Fields(view), (std::vector<std::string>{"44", "11", "8", "8", "88", "7", "0"}));
  EXPECT_EQ(table.RegisterImage(2)[0x18], 4);  // still only in the working copy

  // The fields of the servo on show are stored by OK itself, and shown as stored.
  view.SetText(ids::kFirstField + 4, "0x20");
  view.answers = {MessageAnswer::kYes};
  EXPECT_TRUE(dialog.OnClick(ids::kOk));
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_EQ(view.questions[0].text, LoadText(40018));
  EXPECT_EQ(view.questions[0].icon, MessageIcon::kQuestion);
  EXPECT_EQ(view.Text(ids::kFirstField + 4), "0");
  const RegisterImage id2 = table.RegisterImage(2);
  EXPECT_EQ(id2[0x18], 44);
  EXPECT_EQ(id2[0x1C], 0);
  EXPECT_EQ(id2[0x23], 0);
  EXPECT_EQ(table.RegisterImage(5)[0x23], 55);
  for (int id = 1; id <= kServoCount; ++id) {
    EXPECT_EQ(table.Entry(id).requests, uint32_t{kWriteRegisters}) << id;
  }
}

TEST_F(MotorSettingsTest, NoToOkKeepsTheDialogOpenWithItsWorkingCopy) {
  view.SetText(ids::kFirstField + 2, "9");
  const auto before = Images();
  view.answers = {MessageAnswer::kNo};
  EXPECT_FALSE(dialog.OnClick(ids::kOk));
  EXPECT_EQ(Images(), before);
  EXPECT_EQ(table.Entry(1).requests, 0u);
  EXPECT_EQ(dialog.WorkingImage(0)[0x1A], 9);
  EXPECT_EQ(view.Text(ids::kFirstField + 2), "9");
}

TEST_F(MotorSettingsTest, CancelAndTheCloseBoxChangeNothing) {
  view.SetText(ids::kFirstField, "1");
  Select(view, dialog, 3);
  view.SetText(ids::kFirstField, "2");
  const auto before = Images();
  EXPECT_TRUE(dialog.OnClick(ids::kCancel));
  EXPECT_TRUE(dialog.OnClose());
  EXPECT_TRUE(view.questions.empty());
  EXPECT_EQ(Images(), before);
  for (int id = 1; id <= kServoCount; ++id) EXPECT_EQ(table.Entry(id).requests, 0u);
}

TEST_F(MotorSettingsTest, ResetWarnsThenPutsTheDefaultsIntoTheWorkingCopyOnly) {
  Select(view, dialog, 4);
  view.SetText(ids::kFirstField, "77");
  view.answers = {MessageAnswer::kNo};
  dialog.OnClick(ids::kReset);
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_EQ(view.questions[0].text, "モータの設定値を全て初期化します。\nよろしいですか?");
  EXPECT_EQ(view.questions[0].icon, MessageIcon::kWarning);
  EXPECT_EQ(view.Text(ids::kFirstField), "77");

  view.answers = {MessageAnswer::kYes};
  dialog.OnClick(ids::kReset);
  EXPECT_EQ(dialog.ServoOnShow(), 4);
  EXPECT_EQ(Fields(view), (std::vector<std::string>{"2", "2", "8", "8", "88", "2", "100"}));
  Select(view, dialog, 1);
  EXPECT_EQ(view.Text(ids::kFirstField + 1), "4");  // the 11 of ID2 is gone too
  EXPECT_EQ(table.RegisterImage(2)[0x19], 11);      // but not from the table
  EXPECT_EQ(table.RegisterImage(5)[0x23], 55);
}

// The dialog's OK reaches the robot through the ServoLink's next cycle.
using MotorSettingsLinkTest = LinkFixture;

TEST_F(MotorSettingsLinkTest, ResetThenOkWritesTheDefaultsInTheNextCycle) {
  for (int id = 1; id <= kServoCount; ++id) table.SetRegister(id, 0x23, 30);
  table.SetRegister(1, 0x1C, 1);
  Connect(5, false);
  link.RunOnce();
  Sent();

  MapView view;
  MotorSettingsDialog dialog(view, table);
  dialog.OnInit();
  view.answers = {MessageAnswer::kYes, MessageAnswer::kYes};
  dialog.OnClick(motor_ids::kReset);
  ASSERT_TRUE(dialog.OnClick(motor_ids::kOk));

  link.RunOnce();
  const std::vector<Bytes> writes = Sent();
  const std::vector<Bytes> expected = {
      {0xFA, 0xAF, 0x00, 0x00, 0x18, 0x07, 0x01, 0x01, 0x04, 0x04, 0x08, 0x08, 0x58, 0x07, 0x40},
      {0xFA, 0xAF, 0x00, 0x00, 0x18, 0x07, 0x01, 0x02, 0x04, 0x04, 0x08, 0x08, 0x58, 0x07, 0x43},
      {0xFA, 0xAF, 0x00, 0x00, 0x18, 0x07, 0x01, 0x03, 0x02, 0x02, 0x08, 0x08, 0x58, 0x02, 0x47},
      {0xFA, 0xAF, 0x00, 0x00, 0x18, 0x07, 0x01, 0x04, 0x02, 0x02, 0x08, 0x08, 0x58, 0x02, 0x40},
      {0xFA, 0xAF, 0x00, 0x00, 0x18, 0x07, 0x01, 0x05, 0x02, 0x02, 0x08, 0x08, 0x58, 0x02, 0x41},
      {0xFA, 0xAF, 0x00, 0x00, 0x23, 0x02, 0x05, 0x01, 0x64, 0x02, 0x64, 0x03, 0x64, 0x04, 0x64,
       0x05, 0x64, 0x41},
  };
  EXPECT_EQ(writes, expected);
  EXPECT_EQ(robot.Register(1, 0x1C), 88);
  EXPECT_EQ(robot.Register(5, 0x23), 100);
  link.RunOnce();
  EXPECT_TRUE(Sent().empty());  // written once
}

TEST_F(MotorSettingsLinkTest, ValuesSetWhileDisconnectedAreWrittenAtTheNextConnect) {
  MapView view;
  MotorSettingsDialog dialog(view, table);
  dialog.OnInit();
  view.SetText(motor_ids::kFirstField + 6, "300");
  view.answers = {MessageAnswer::kYes};
  ASSERT_TRUE(dialog.OnClick(motor_ids::kOk));
  EXPECT_EQ(table.Entry(3).requests, uint32_t{kWriteRegisters});

  Connect(3, false);
  link.RunOnce();
  const std::vector<Bytes> writes = Sent();
  ASSERT_EQ(writes.size(), 7u);  // five compliance writes, max torque, torque off
  EXPECT_EQ(writes[5], (Bytes{0xFA, 0xAF, 0x00, 0x00, 0x23, 0x02, 0x03, 0x01, 0x2C, 0x02, 0x64,
                              0x03, 0x64, 0x0E}));
  EXPECT_EQ(robot.Register(1, 0x23), 44);
}

}  // namespace
}  // namespace velmora
