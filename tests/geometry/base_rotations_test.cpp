#include "geometry/base_rotations.h"

#include <gtest/gtest.h>

#include "base/c_format.h"

namespace velmora {
namespace {

// The readers of motion files and def.ini compute the rotation at run time from the degrees they
// parsed; the dialog's entries must be bit-identical to that, or a saved Motion asks for a
// conversion when it is reopened in the very system it was saved in.
double AsReadFromFile(double degrees) {
  volatile double d = degrees;  // keeps the compiler from folding the expression
  return d / 180 * kPi;
}

TEST(BaseRotations, EntriesEqualWhatTheFileReadersCompute) {
  for (int i = 0; i < kBaseRotationCount; ++i) {
    const auto k = static_cast<std::size_t>(i);
    EXPECT_EQ(kBaseRotations[k], AsReadFromFile(kBaseRotationDegrees[k])) << i;
    EXPECT_EQ(BaseRotationIndex(AsReadFromFile(kBaseRotationDegrees[k])), i);
  }
  // The first three are exactly the program's constants.
  EXPECT_EQ(kBaseRotations[0], 0.0);
  EXPECT_EQ(kBaseRotations[1], 1.5707963);
  EXPECT_EQ(kBaseRotations[2], 3.1415926);
  EXPECT_NEAR(kBaseRotations[3], 4.7123889, 1e-12);
}

TEST(BaseRotations, EveryEntrySurvivesTheTextRoundTripOfTheFiles) {
  // Written as radians / pi * 180 with six decimals, read back as degrees / 180 * pi.
  const char* expected[] = {"0.000000", "90.000000", "180.000000", "270.000000"};
  for (int i = 0; i < kBaseRotationCount; ++i) {
    const double r = kBaseRotations[static_cast<std::size_t>(i)];
    const std::string text = FormatFixed(RotationToDegrees(r));
    EXPECT_EQ(text, expected[i]);
    EXPECT_EQ(RotationFromDegrees(ParseDouble(text)), r) << text;
  }
}

}  // namespace
}  // namespace velmora
