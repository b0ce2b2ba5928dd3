#include "shell/settings_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <cstdint>
#include <string>

#include "geometry/pose.h"
#include "geometry/coordinate_system.h"
#include "geometry/kinematics.h"
#include "link/servo_table.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// The state a run starts with before def.ini is read.
class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override { servos.LoadAllRegisterDefaults(); }

  SettingsReadResult Apply(const std::string& text) {
    return ApplySettingsText(text, settings, geometry, servos);
  }

  Settings settings;
  Geometry geometry;
  ServoTable servos;
};

// Settings, geometry and registers far from every start value, for round trips.
void MakeUnusual(Settings& s, Geometry& g, ServoTable& servos) {
  s.axisType3 = 0;
  s.markerRange = {-100.25, -90.5, 110.125, 95.75};
  s.recInterval = 250;
  s.vpenEnable = 0;
  s.vpenTh = -17.5;
  s.vpenOvw = 2.25;
  s.vpenPoints = 1200;
  s.vpenIsFade = 1;
  s.vpenEverytimeDraw = 1;
  s.loadConvType = 2;
  s.loadDialogEnable = 0;
  s.recAutoPowOff = 0;
  s.scaling = 2.5;
  s.enableMarkerLim = 0;
  s.fontName = "\x82\x6c\x82\x72 \x96\xbe\x92\xa9";  // a Shift-JIS face name from Windows
  g.SetCoordinateSystem(-12.5, 30.25, 270.0 / 180 * kPi);
  g.SetArmSign(1);
  g.SetClawPosition(2);
  g.SetMotorLimits({1300, 1200, 1400, 1000, 300});
  for (int id = 1; id <= kServoCount; ++id) {
    servos.SetRegister(id, 24, static_cast<uint8_t>(id));
    servos.SetRegister(id, 35, static_cast<uint8_t>(250 - id));
  }
}

TEST_F(SettingsFileTest, WithoutTheFileEverythingKeepsItsStartValueAndTheSystemIsTheOrigin) {
  TempDir dir;
  geometry.SetCoordinateSystem(5, 6, 1);  // proves the reset to 0, 0, 0
  std::atomic<bool> penTraceReset{false};
  EXPECT_FALSE(LoadSettings(dir.path(), settings, geometry, servos, &penTraceReset));
  EXPECT_EQ(settings, Settings{});
  EXPECT_EQ(settings.axisType3, 1);
  EXPECT_EQ(settings.recInterval, 300u);
  EXPECT_EQ(settings.scaling, 1.5);
  EXPECT_EQ(settings.loadDialogEnable, 1);
  const ArmGeometry g = geometry.Get();
  EXPECT_EQ(g.coords, (CoordinateSystem{0, 0, 0, 1}));
  EXPECT_EQ(g.motorLimits, (std::array<int16_t, 5>{1400, 1400, 1500, 1500, 350}));
  double x = 0, y = 1;
  ForwardKinematics(g, Pose{}, &x, &y, nullptr, nullptr, nullptr);
  EXPECT_EQ(x, 98);
  EXPECT_EQ(y, 0);
  EXPECT_FALSE(penTraceReset.load());
}

TEST_F(SettingsFileTest, EachValueIsLimitedAsItIsRead) {
  struct Case {
    std::string line;
    std::function<bool(const Settings&, const ArmGeometry&)> check;
  };
  const Case cases[] = {
      {"REC_INTERVAL:[50]", [](auto& s, auto&) { return s.recInterval == 80; }},
      {"REC_INTERVAL:[-5]", [](auto& s, auto&) { return s.recInterval == 4294967291u; }},
      {"VPEN_POINTS:[1]", [](auto& s, auto&) { return s.vpenPoints == 2; }},
      {"VPEN_POINTS:[5000]", [](auto& s, auto&) { return s.vpenPoints == 5000; }},
      {"VPEN_POINTS:[-1]", [](auto& s, auto&) { return s.vpenPoints == kMaxVpenPoints; }},
      {"CROW_POSITION:[-1]", [](auto&, auto& g) { return g.coords.clawPosition == 3; }},
      {"CROW_POSITION:[0]", [](auto&, auto& g) { return g.coords.clawPosition == 0; }},
      {"LOAD_CONV_TYPE:[7]", [](auto& s, auto&) { return s.loadConvType == 2; }},
      {"LOAD_CONV_TYPE:[-3]", [](auto& s, auto&) { return s.loadConvType == 0; }},
      {"LOAD_DIALOG_ENABLE:[5]", [](auto& s, auto&) { return s.loadDialogEnable == 1; }},
      {"LOAD_DIALOG_ENABLE:", [](auto& s, auto&) { return s.loadDialogEnable == 0; }},
      {"SCALING:[0.5]", [](auto& s, auto&) { return s.scaling == 1.0; }},
      {"SCALING:[9]", [](auto& s, auto&) { return s.scaling == 3.0; }},
      {"SCALING:[2.25x]", [](auto& s, auto&) { return s.scaling == 2.25; }},
      {"SCALING:[nan]", [](auto& s, auto&) { return s.scaling == 1.0; }},
      {"VPEN_OVW:[-2]", [](auto& s, auto&) { return s.vpenOvw == 0.0; }},
      {"VPEN_TH:[ -1.5e1 ]", [](auto& s, auto&) { return s.vpenTh == -15.0; }},
      {"AXIS_TYPE:[5]", [](auto& s, auto&) { return s.axisType3 == 0; }},
      {"AXIS_TYPE:[0]", [](auto& s, auto&) { return s.axisType3 == 1; }},
      {"AXIS_TYPE:[3]", [](auto& s, auto&) { return s.axisType3 == 1; }},
      {"AXIS_TYPE:[-1]", [](auto& s, auto&) { return s.axisType3 == 0; }},
      {"MARKER_RANGE:[10]-[20]-[5]-[15]",
       [](auto& s, auto&) {
         return s.markerRange == MarkerRange{10, 20, 10, 20};
       }},
      {"MARKER_RANGE:[inf]-[-inf]-[1]-[2]",
       [](auto& s, auto&) {
         return s.markerRange == MarkerRange{0, 0, 1, 2};
       }},
      {"SVPOS_RANGE:[100]-[70000]",
       [](auto&, auto& g) {
         return g.motorLimits == std::array<int16_t, 5>{100, 4464, 0, 0, 0};
       }},
      {"FONT_NAME:[Noto", [](auto& s, auto&) { return s.fontName.empty(); }},
  };
  for (const Case& c : cases) {
    Settings s;
    Geometry g;
    ServoTable t;
    ApplySettingsText(c.line + "\r\n", s, g, t);
    EXPECT_TRUE(c.check(s, g.Get())) << c.line;
  }
}

// A limit that is negative once stored (typed negative, or wrapped past 32767) would leave its
// motor no range, and the limiter used to drive every value to the end of the joint.
TEST_F(SettingsFileTest, MotorLimitsThatCannotHoldGiveTheDefaults) {
  TempDir dir;
  WriteBytes(dir.path() / "def.ini", "SVPOS_RANGE:[-1400]-[99999]-[1500]-[-1]-[300]\r\n");
  ASSERT_TRUE(LoadSettings(dir.path(), settings, geometry, servos));
  EXPECT_EQ(geometry.Get().motorLimits, (std::array<int16_t, 5>{1400, 1400, 1500, 1500, 300}));
  Pose fromFile;
  Pose fromDefaults;
  InverseKinematics(geometry.Get(), 100, 50, 10, 0, 20, fromFile);
  InverseKinematics(Geometry().Get(), 100, 50, 10, 0, 20, fromDefaults);
  EXPECT_EQ(fromFile.motorValues, fromDefaults.motorValues);
  // What goes back into def.ini is the limit in force.
  ASSERT_TRUE(SaveSettings(dir.path(), settings, geometry, servos));
  EXPECT_NE(ReadBytes(dir.path() / "def.ini").find("SVPOS_RANGE:[1400]-[1400]-[1500]-[1500]-[300]"),
            std::string::npos);
  // The limiter keeps to +-|limit| whatever it is handed.
  EXPECT_EQ(LimitMotorValue(5000, -1400), 1400);
  EXPECT_EQ(LimitMotorValue(-5000, -1400), -1400);
  EXPECT_EQ(LimitMotorValue(20, -1400), 20);
  EXPECT_EQ(LimitMotorValue(-40000, INT16_MIN), INT16_MIN);
}

TEST_F(SettingsFileTest, CommentsKeysPerLineAndLaterValuesWin) {
  Apply(
      "ARM_SIGN:[1] # CROW_POSITION:[2]\n"
      "VPEN_TH:[-5] VPEN_OVW:[2]\n"
      "FONT_NAME:[a#b]\n"
      "x VPEN_TH:[-7] ignored text\n"
      "vpen_isfade:[1]\n");
  const ArmGeometry g = geometry.Get();
  EXPECT_EQ(g.armSign, 1);
  EXPECT_EQ(g.coords.clawPosition, 1);
  EXPECT_EQ(settings.vpenTh, -7.0);
  EXPECT_EQ(settings.vpenOvw, 2.0);
  EXPECT_EQ(settings.fontName, "");   // the "#" cut the closing bracket away
  EXPECT_EQ(settings.vpenIsFade, 0);  // keys are case-sensitive
}

TEST_F(SettingsFileTest, TheCoordinateSystemIsSetOnceAtTheEndOfTheFile) {
  geometry.SetCoordinateSystem(5, 6, 1);
  Apply("SIM_ROTATE:[90]\nSIM_COFFSET:[10]-[-20.5]\n");
  EXPECT_EQ(geometry.Coords(), (CoordinateSystem{10, -20.5, 1.5707963, 1}));

  Apply("REC_INTERVAL:[100]\n");  // a file without either key means the origin
  EXPECT_EQ(geometry.Coords(), (CoordinateSystem{0, 0, 0, 1}));

  Apply("SIM_ROTATE:[270]\n");
  EXPECT_EQ(geometry.Coords().baseRotation, 270.0 / 180 * kPi);
  EXPECT_NE(FormatSettingsFile(settings, geometry, servos).find("SIM_ROTATE:[270.000000]\r\n"),
            std::string::npos);
}

TEST_F(SettingsFileTest, MemmapWritesOneRegisterByteAndIgnoresWhatIsOutOfRange) {
  const auto before = [&] {
    std::array<std::array<uint8_t, kRegisterImageSize>, kServoCount> images;
    for (int id = 1; id <= kServoCount; ++id) images[id - 1] = servos.RegisterImage(id);
    return images;
  }();
  Apply(
      "MEMMAP:[2]-[35]-[300]\n"
      "MEMMAP:[5]-[35]-[1]\nMEMMAP:[-1]-[35]-[1]\nMEMMAP:[0]-[60]-[1]\nMEMMAP:[0]-[-1]-[1]\n"
      "MEMMAP:[4]-[59]-[-1]\n");
  auto expected = before;
  expected[2][35] = 44;
  expected[4][59] = 255;
  for (int id = 1; id <= kServoCount; ++id) {
    EXPECT_EQ(servos.RegisterImage(id), expected[id - 1]) << id;
  }
}

TEST_F(SettingsFileTest, OversizedValuesAndFontNamesAreIgnored) {
  settings.fontName = "Before";
  Apply("FONT_NAME:[" + std::string(31, 'F') + "]\n");
  EXPECT_EQ(settings.fontName, std::string(31, 'F'));
  Apply("FONT_NAME:[" + std::string(32, 'G') + "]\n");
  EXPECT_EQ(settings.fontName, std::string(31, 'F'));

  Apply("VPEN_TH:[" + std::string(253, ' ') + "-3]\n");  // 255 characters: still a value
  EXPECT_EQ(settings.vpenTh, -3.0);
  Apply("VPEN_TH:[" + std::string(254, ' ') + "-4]\n");
  EXPECT_EQ(settings.vpenTh, -3.0);
  // One oversized value makes the whole key void, not just that value.
  Apply("SIM_COFFSET:[7]-[" + std::string(300, '1') + "]\n");
  EXPECT_EQ(geometry.Coords().centreOffsetX, 0.0);
}

TEST_F(SettingsFileTest, LongLinesAreReadWholeAndTheCommentCutsTheWholeRest) {
  Apply(std::string(1500, ' ') + "REC_INTERVAL:[500]\n" +  //
        "VPEN_POINTS:[9]" + std::string(1100, 'x') + "#" + std::string(2000, ' ') +
        "ARM_SIGN:[1]\n" +                          //
        std::string(1017, ' ') + "SCALING:[2]\n");  // the key crosses 1023
  EXPECT_EQ(settings.recInterval, 500u);
  EXPECT_EQ(settings.vpenPoints, 9u);
  EXPECT_EQ(geometry.Get().armSign, 0);
  EXPECT_EQ(settings.scaling, 2.0);
}

TEST_F(SettingsFileTest, HostileFilesLoadWithoutHarm) {
  TempDir dir;
  std::string junk;
  for (int i = 0; i < 100000; ++i) junk += static_cast<char>((i * 7919) % 256);
  const std::string files[] = {
      "",
      junk,
      std::string(1000000, 'A') + "SCALING:[" + std::string(1000000, '9'),
      "SCALING:[1e999]\nSIM_ROTATE:[nan]\nSIM_COFFSET:[-inf]-[1e400]\n",
      "MEMMAP:[99999999999999]-[99999999999]-[99999999999]\nVPEN_POINTS:[99999999999999]\n",
      "FONT_NAME:[ab" + std::string(1, '\0') + "cd]\nREC_INTERVAL:[" + std::string(1, '\0') +
          "90]\n",
  };
  for (const std::string& text : files) {
    Settings s;
    Geometry g;
    ServoTable t;
    t.LoadAllRegisterDefaults();
    WriteBytes(dir / kSettingsFileName, text);
    EXPECT_TRUE(LoadSettings(dir.path(), s, g, t));
    const ArmGeometry a = g.Get();
    EXPECT_TRUE(std::isfinite(a.coords.centreOffsetX) && std::isfinite(a.coords.centreOffsetY) &&
                std::isfinite(a.coords.baseRotation));
    EXPECT_GE(s.scaling, 1.0);
    EXPECT_LE(s.scaling, 3.0);
    EXPECT_GE(s.vpenPoints, 2u);
    EXPECT_LE(s.vpenPoints, kMaxVpenPoints);
    EXPECT_LE(s.fontName.size(), kMaxFontNameLength);
  }
  // The last file: a NUL hides the rest of its line.
  Settings s;
  Geometry g;
  ServoTable t;
  ApplySettingsText(files[5], s, g, t);
  EXPECT_EQ(s.fontName, "");
  EXPECT_EQ(s.recInterval, 80u);  // the key is seen, its closing bracket is not: 0, raised to 80
}

TEST_F(SettingsFileTest, ScalingAsksForThePenTraceToBeErased) {
  TempDir dir;
  std::atomic<bool> penTraceReset{false};
  WriteBytes(dir / kSettingsFileName, "VPEN_TH:[-2]\n");
  EXPECT_TRUE(LoadSettings(dir.path(), settings, geometry, servos, &penTraceReset));
  EXPECT_FALSE(penTraceReset.load());
  WriteBytes(dir / kSettingsFileName, "SCALING:[2]\n");
  EXPECT_TRUE(LoadSettings(dir.path(), settings, geometry, servos, &penTraceReset));
  EXPECT_TRUE(penTraceReset.load());
  EXPECT_TRUE(Apply("SCALING:\n").scalingRead);
}

TEST_F(SettingsFileTest, WhatIsWrittenReadsBackToTheSameSettings) {
  MakeUnusual(settings, geometry, servos);
  TempDir dir;
  ASSERT_TRUE(SaveSettings(dir.path(), settings, geometry, servos));

  Settings s;
  Geometry g;
  ServoTable t;
  t.LoadAllRegisterDefaults();
  ASSERT_TRUE(LoadSettings(dir.path(), s, g, t));
  EXPECT_EQ(s, settings);
  const ArmGeometry a = g.Get();
  const ArmGeometry b = geometry.Get();
  EXPECT_EQ(a.coords, b.coords);  // 270 degrees included, exactly
  EXPECT_EQ(a.armSign, b.armSign);
  EXPECT_EQ(a.motorLimits, b.motorLimits);
  for (int id = 1; id <= kServoCount; ++id)
    EXPECT_EQ(t.RegisterImage(id), servos.RegisterImage(id));
}

TEST_F(SettingsFileTest, TheWrittenFileMatchesTheGoldenFileByteForByte) {
  MakeUnusual(settings, geometry, servos);
  const std::string golden = ReadBytes(std::string(VELMORA_TEST_DATA_DIR) + "/golden_def.ini");
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(FormatSettingsFile(settings, geometry, servos), golden);

  // The defaults: 3-axis, check state written as 0/1, an empty font name.
  settings = Settings{};
  settings.vpenEverytimeDraw = 7;
  Geometry fresh;
  const std::string text = FormatSettingsFile(settings, fresh, servos);
  EXPECT_EQ(text.substr(0, 17), "AXIS_TYPE:[3]\r\nMA");
  EXPECT_NE(text.find("\r\nVPEN_EVERYTIME_DRAW:[1]\r\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 16), "\r\nFONT_NAME:[]\r\n");
}

TEST_F(SettingsFileTest, AFailedSaveLeavesTheOldFileWhole) {
  TempDir dir;
  WriteBytes(dir / kSettingsFileName, "old settings");
  for (AtomicWriteStep step : {AtomicWriteStep::kCreate, AtomicWriteStep::kWrite,
                               AtomicWriteStep::kClose, AtomicWriteStep::kRename}) {
    EXPECT_FALSE(SaveSettings(dir.path(), settings, geometry, servos,
                              [step](AtomicWriteStep s) { return s == step; }));
    EXPECT_EQ(ReadBytes(dir / kSettingsFileName), "old settings");
  }
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{kSettingsFileName});
}

TEST_F(SettingsFileTest, AReadOnlyDefIniIsSkippedWhoeverRunsTheProgram) {
  TempDir dir;
  WriteBytes(dir / kSettingsFileName, "old settings");
  std::filesystem::permissions(dir / kSettingsFileName, std::filesystem::perms::owner_read |
                                                            std::filesystem::perms::group_read |
                                                            std::filesystem::perms::others_read);
  EXPECT_FALSE(SaveSettings(dir.path(), settings, geometry, servos));
  EXPECT_EQ(ReadBytes(dir / kSettingsFileName), "old settings");
  EXPECT_EQ(std::filesystem::status(dir / kSettingsFileName).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                std::filesystem::perms::others_read);
}

TEST_F(SettingsFileTest, HugeRealsAreHeldToARangeThatSurvivesTheirOwnRoundTrip) {
  Apply(
      "VPEN_OVW:[1E250]\nVPEN_TH:[-1e300]\nSIM_COFFSET:[1e250]-[-7e260]\n"
      "MARKER_RANGE:[-1e300]-[-2e290]-[3e280]-[1e250]\n");
  EXPECT_EQ(settings.vpenOvw, 1e6);
  EXPECT_EQ(settings.vpenTh, -1e6);
  EXPECT_EQ(settings.markerRange, (MarkerRange{-1e6, -1e6, 1e6, 1e6}));
  EXPECT_EQ(geometry.Coords().centreOffsetX, 1e6);
  EXPECT_EQ(geometry.Coords().centreOffsetY, -1e6);

  const std::string text = FormatSettingsFile(settings, geometry, servos);
  EXPECT_NE(text.find("\r\nVPEN_OVW:[1000000.000000]\r\n"), std::string::npos);
  Settings again;
  Geometry g;
  ServoTable t;
  ApplySettingsText(text, again, g, t);
  EXPECT_EQ(again, settings);
  EXPECT_EQ(g.Coords(), geometry.Coords());

  // A value that got this large in memory is written from the range too.
  settings.vpenTh = 1e300;
  EXPECT_NE(FormatSettingsFile(settings, geometry, servos).find("\r\nVPEN_TH:[1000000.000000]\r\n"),
            std::string::npos);
}

// A comma-decimal locale, as a desktop session may set it, changes no byte.
TEST_F(SettingsFileTest, ACommaDecimalLocaleChangesNothing) {
  MakeUnusual(settings, geometry, servos);
  const std::string inC = FormatSettingsFile(settings, geometry, servos);
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
    GTEST_SKIP() << "no de_DE.UTF-8 locale on this machine";
  }
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  const std::string inGerman = FormatSettingsFile(settings, geometry, servos);
  Settings s;
  Geometry g;
  ServoTable t;
  ApplySettingsText(inGerman, s, g, t);
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(inGerman, inC);
  EXPECT_EQ(s, settings);
  EXPECT_EQ(g.Coords(), geometry.Coords());
}

}  // namespace
}  // namespace velmora
