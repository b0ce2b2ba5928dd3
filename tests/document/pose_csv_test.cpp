#include "document/pose_csv.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

namespace velmora {
namespace {

std::vector<Pose> AwkwardPoses() {
  Pose a;
  a.interpolation = kArc;
  a.motorValues = {-32768, 32767, 0, -1, 1500};
  a.x = 0.1 + 0.2;  // not a short decimal
  a.y = -123.456789012345678;
  a.z = -19.0;
  a.handWidth = 1e-300;
  a.arcRadius = -5e300;
  a.rotation = 359.99999999999994;
  a.arcDirection = kCounterClockwise;
  a.transitionTime = 4294967295u;
  a.excluded = {0, 1, -7, 2147483647, 0};
  Pose b;
  b.transitionTime = 10;
  return {a, b};
}

TEST(PoseCsv, ExportImportExportGivesTheSameBytesAndPosesWhateverTheLocale) {
  // A comma locale where the system has one; the table must not notice.
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  const std::vector<Pose> poses = AwkwardPoses();
  const std::string first = FormatPoseCsv(poses);
  EXPECT_EQ(first.find(';'), std::string::npos);
  EXPECT_TRUE(first.starts_with(std::string(kPoseCsvHeader) + "\r\n"));
  const PoseCsvResult read = ParsePoseCsv(first);
  std::setlocale(LC_ALL, "C");
  ASSERT_TRUE(read.ok) << CsvFaultText(read);
  EXPECT_EQ(read.poses, poses);
  EXPECT_EQ(FormatPoseCsv(read.poses), first);
}

TEST(PoseCsv, SpreadsheetHabitsAreAccepted) {
  const std::string header = kPoseCsvHeader;
  const std::string text =
      "\xEF\xBB\xBF" + header + "\n\n\"1\", +2 ,3,4,5,6,7.5,8,9,10,11,12,0,1000,0,0,0,0,0\n\n";
  const PoseCsvResult read = ParsePoseCsv(text);
  ASSERT_TRUE(read.ok) << CsvFaultText(read);
  ASSERT_EQ(read.poses.size(), 1u);
  EXPECT_EQ(read.poses[0].interpolation, kLinear);
  EXPECT_EQ(read.poses[0].motorValues[0], 2);
  EXPECT_EQ(read.poses[0].x, 7.5);
}

TEST(PoseCsv, ABadCellRefusesTheTableWithItsLineAndColumn) {
  const std::string h = std::string(kPoseCsvHeader) + "\r\n";
  const std::string good = "0,0,0,0,0,0,1,2,3,4,5,6,0,100,0,0,0,0,0\r\n";
  struct Case {
    std::string text;
    CsvFault fault;
    std::size_t line, column;
  } cases[] = {
      {h + good + "0,0,0,0,0,0,1,2,x,4,5,6,0,100,0,0,0,0,0\r\n", CsvFault::kNotANumber, 3, 9},
      {h + good + "0,0,0,0,0,0,1,2,3,4,5,6,0,100,0,0,0,0\r\n", CsvFault::kColumnCount, 3, 19},
      {h + "3,0,0,0,0,0,1,2,3,4,5,6,0,100,0,0,0,0,0\r\n", CsvFault::kOutOfRange, 2, 1},
      {h + "0,40000,0,0,0,0,1,2,3,4,5,6,0,100,0,0,0,0,0\r\n", CsvFault::kOutOfRange, 2, 2},
      {h + "0,0,0,0,0,0,nan,2,3,4,5,6,0,100,0,0,0,0,0\r\n", CsvFault::kOutOfRange, 2, 7},
      {h + "0,0,0,0,0,0,1,1e999,3,4,5,6,0,100,0,0,0,0,0\r\n", CsvFault::kOutOfRange, 2, 8},
      {h + "0,0,0,0,0,0,1,2,3,4,5,6,0,1.5,0,0,0,0,0\r\n", CsvFault::kOutOfRange, 2, 14},
      {h + "0,0,0,0,0,0,1,2,3,4,5,6,0,-1,0,0,0,0,0\r\n", CsvFault::kOutOfRange, 2, 14},
      {h + "0,0,0,0,0,0,1,2,3,4,5,6,0,1,0,0,0,0,\r\n", CsvFault::kNotANumber, 2, 19},
      {"interpolation,id1,id2\r\n" + good, CsvFault::kHeader, 1, 4},
      {h, CsvFault::kNoPoses, 0, 0},
      {"", CsvFault::kHeader, 1, 1},
  };
  for (const Case& c : cases) {
    const PoseCsvResult r = ParsePoseCsv(c.text);
    EXPECT_FALSE(r.ok) << c.text;
    EXPECT_TRUE(r.poses.empty());
    EXPECT_EQ(r.fault, c.fault) << c.text;
    EXPECT_EQ(r.line, c.line) << c.text;
    EXPECT_EQ(r.column, c.column) << c.text;
  }
  EXPECT_EQ(CsvFaultText(ParsePoseCsv(cases[0].text)), "line 3, column 9: not a number");
}

}  // namespace
}  // namespace velmora
