#include "geometry/program_settings.h"

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

TEST(ProgramSettings, ReadsItsKeysKeepsUnknownOnesAndIgnoresBadValues) {
  ProgramSettings s;
  ApplyProgramSettingsText(
      "PATH_PREVIEW:[1]\r\nMAX_SERVO_SPEED:[450.5]\r\nFUTURE_KEY:[abc]\r\n"
      "VIRTUAL_SLOW_SERVO:[2]\nVIRTUAL_SLOW_FACTOR:[4]\nTIMELINE:[1]\n",
      s);
  EXPECT_TRUE(s.pathPreview);
  EXPECT_DOUBLE_EQ(s.maxServoSpeed, 450.5);
  EXPECT_EQ(s.virtualSlowServo, 2);
  EXPECT_EQ(s.virtualSlowFactor, 4);
  EXPECT_TRUE(s.timeline);
  EXPECT_EQ(s.otherLines, (std::vector<std::string>{"FUTURE_KEY:[abc]"}));

  // Out of range, not a number, or not finite: the setting keeps its value.
  ApplyProgramSettingsText(
      "PATH_PREVIEW:[7]\nMAX_SERVO_SPEED:[-3]\nMAX_SERVO_SPEED:[inf]\nMAX_SERVO_SPEED:[12x]\n"
      "VIRTUAL_SLOW_SERVO:[9]\nVIRTUAL_SLOW_FACTOR:[0]\nPATH_PREVIEW:[",
      s);
  EXPECT_TRUE(s.pathPreview);
  EXPECT_DOUBLE_EQ(s.maxServoSpeed, 450.5);
  EXPECT_EQ(s.virtualSlowServo, 2);
  EXPECT_EQ(s.virtualSlowFactor, 4);

  ProgramSettings back;
  ApplyProgramSettingsText(FormatProgramSettings(s), back);
  EXPECT_EQ(back, s);
}

TEST(ProgramSettings, WrittenBesideDefIniOnlyOnceSomethingDiffers) {
  testing::TempDir dir;
  ProgramSettings s;
  ASSERT_TRUE(SaveProgramSettings(dir.path(), s));
  EXPECT_FALSE(std::filesystem::exists(dir / kProgramSettingsFileName));
  EXPECT_FALSE(LoadProgramSettings(dir.path(), s));

  s.pathPreview = true;
  ASSERT_TRUE(SaveProgramSettings(dir.path(), s));
  EXPECT_EQ(*ReadWholeFile(dir / kProgramSettingsFileName),
            "PATH_PREVIEW:[1]\r\nMAX_SERVO_SPEED:[300.000000]\r\nVIRTUAL_SLOW_SERVO:[0]\r\n"
            "VIRTUAL_SLOW_FACTOR:[3]\r\nTIMELINE:[0]\r\n");
  // Once the file exists it follows the settings back to their defaults.
  ASSERT_TRUE(SaveProgramSettings(dir.path(), ProgramSettings{}));
  ProgramSettings read;
  read.pathPreview = true;
  ASSERT_TRUE(LoadProgramSettings(dir.path(), read));
  EXPECT_EQ(read, ProgramSettings{});
  // A failed write leaves the old file.
  s.maxServoSpeed = 100;
  EXPECT_FALSE(SaveProgramSettings(
      dir.path(), s, [](AtomicWriteStep step) { return step == AtomicWriteStep::kWrite; }));
  ASSERT_TRUE(LoadProgramSettings(dir.path(), read));
  EXPECT_EQ(read, ProgramSettings{});
}

}  // namespace
}  // namespace velmora
