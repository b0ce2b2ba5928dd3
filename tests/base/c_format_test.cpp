#include "base/c_format.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

namespace velmora {
namespace {

TEST(FormatFixed, MatchesPrintfInTheCLocale) {
  const double values[] = {0.0, -0.0, 1.5, -1.5, 98.0, 0.1, 1e-7, 5e-7, 0.0000005, 2.5e-6,
                           123456789.123456789, -4.7123889, 90.00000000000001, 1e20, 0.125,
                           1234.5678905, 3.1415926 / 3.1415926 * 180};
  char buf[512];
  for (double v : values) {
    std::snprintf(buf, sizeof buf, "%f", v);
    EXPECT_EQ(FormatFixed(v), buf) << v;
    std::snprintf(buf, sizeof buf, "%+f", v);
    EXPECT_EQ(FormatFixed(v, 6, true), buf) << v;
    std::snprintf(buf, sizeof buf, "%.1f", v);
    EXPECT_EQ(FormatFixed(v, 1), buf) << v;
  }
  EXPECT_EQ(FormatFixed(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(FormatFixed(-std::numeric_limits<double>::infinity(), 6, true), "-inf");
  EXPECT_EQ(FormatFixed(std::numeric_limits<double>::quiet_NaN()), "nan");
}

// The fast path for values below 1e9 rounds from the exact binary value, as printf does: ties
// (multiples of 1/128 and the like) go to the even digit, -0 keeps its sign.
TEST(FormatFixed, RandomValuesMatchPrintfAtEveryPrecision) {
  std::mt19937_64 rng(16);
  char buf[512];
  for (int i = 0; i < 200000; ++i) {
    double v = 0;
    switch (i % 4) {
      case 0:
        v = std::bit_cast<double>(rng());
        break;
      case 1:
        v = static_cast<double>(static_cast<int64_t>(rng() % 4000000001) - 2000000000) / 2048;
        break;
      case 2:
        v = std::ldexp(static_cast<double>(rng() >> 11), -static_cast<int>(rng() % 90));
        break;
      default:
        v = std::uniform_real_distribution<double>(-1e9, 1e9)(rng) / std::pow(10.0, rng() % 12);
    }
    if (rng() % 2 == 0) v = -v;
    const int decimals = static_cast<int>(rng() % 10);
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    ASSERT_EQ(FormatFixed(v, decimals), buf) << decimals << " " << std::bit_cast<uint64_t>(v);
  }
}

TEST(FormatInt, SignsPaddingAndHex) {
  EXPECT_EQ(FormatInt(0, true), "+0");
  EXPECT_EQ(FormatInt(-672, true), "-672");
  EXPECT_EQ(FormatInt(1344), "1344");
  EXPECT_EQ(FormatInt(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(FormatIntPadded(7, 2), "07");
  EXPECT_EQ(FormatIntPadded(-7, 3), "-07");
  EXPECT_EQ(FormatIntPadded(123, 2), "123");
  EXPECT_EQ(FormatIntWidth(-12, 6, true), "   -12");
  EXPECT_EQ(FormatIntWidth(12, 6, true), "   +12");
  EXPECT_EQ(FormatIntWidth(5, 3), "  5");
  EXPECT_EQ(FormatHexByte(0xfa), "0xfa");
  EXPECT_EQ(FormatHexByte(0x05), "0x05");
  EXPECT_EQ(FormatHexUpper(0x10c4, 4), "10C4");
  EXPECT_EQ(FormatHexUpper(0xa, 4), "000A");
  EXPECT_EQ(FormatHexUpper(0, 0), "0");
  EXPECT_EQ(FormatHexUpper(0xdeadbeef, 2), "DEADBEEF");
  EXPECT_EQ(FormatUnsigned(4294967295u), "4294967295");
}

TEST(ParseDouble, BehavesLikeAtof) {
  const char* texts[] = {"12.5",   "  -3.25xyz", "+7",      "1e3",   "1E-2f",  ".5",    "5.",
                         "-.5e1",  "abc",        "",        " ",     "1e",     "1e+",   "0x10",
                         "0x1p4",  "0x",         "-0x",     "inf",   "-Infinity", "nan", "1,5",
                         "\t\n42", "20.000000f", "1e400",   "-1e400", "1e-400", "00012", "+-1",
                         "3.1415926", "90.000000"};
  for (const char* t : texts) {
    const double expected = std::atof(t);
    const double got = ParseDouble(t);
    if (std::isnan(expected)) {
      EXPECT_TRUE(std::isnan(got)) << t;
    } else {
      EXPECT_EQ(got, expected) << '"' << t << '"';
    }
    char* end = nullptr;
    std::strtod(t, &end);
    std::size_t consumed = 99;
    ParseDouble(t, &consumed);
    EXPECT_EQ(consumed, static_cast<std::size_t>(end - t)) << '"' << t << '"';
  }
}

// Short decimals are read without the general conversion; every reading, short or not, is
// strtod's to the bit, and so is the number of characters taken.
TEST(ParseDouble, RandomDecimalsReadAsStrtodReadsThem) {
  std::mt19937_64 rng(16);
  const std::string pieces = "0123456789.e-x ";
  for (int i = 0; i < 100000; ++i) {
    std::string text = rng() % 2 == 0 ? "" : "-";
    const std::size_t length = 1 + rng() % 20;
    for (std::size_t k = 0; k < length; ++k) {
      // Mostly digits, sometimes a point, an exponent, a sign, an x or a blank.
      text += rng() % 4 != 0 ? pieces[rng() % 10] : pieces[10 + rng() % 5];
    }
    char* end = nullptr;
    const double expected = std::strtod(text.c_str(), &end);
    std::size_t consumed = 0;
    const double got = ParseDouble(text, &consumed);
    ASSERT_EQ(std::bit_cast<uint64_t>(got), std::bit_cast<uint64_t>(expected)) << text;
    ASSERT_EQ(consumed, static_cast<std::size_t>(end - text.c_str())) << text;
  }
}

TEST(ParseInt, BehavesLikeAtoiAndStrtoul) {
  EXPECT_EQ(ParseInt("  -42abc"), -42);
  EXPECT_EQ(ParseInt("+17"), 17);
  EXPECT_EQ(ParseInt("x1"), 0);
  EXPECT_EQ(ParseInt(""), 0);
  EXPECT_EQ(ParseInt("99999999999"), INT32_MAX);
  EXPECT_EQ(ParseInt("-99999999999"), INT32_MIN);
  EXPECT_EQ(ParseInt("12.9"), 12);
  EXPECT_EQ(ParseUnsigned("-5"), 4294967291u);
  EXPECT_EQ(ParseUnsigned("1234"), 1234u);
  EXPECT_EQ(ParseUnsigned("99999999999"), 4294967295u);
  EXPECT_EQ(ParseUnsigned(" +8 "), 8u);
  std::size_t used = 0;
  ParseInt("  -7;", &used);
  EXPECT_EQ(used, 4u);
  ParseInt("  -", &used);
  EXPECT_EQ(used, 0u);
}

// A comma-decimal locale must change nothing.
TEST(CFormat, IndependentOfTheCLocale) {
  const char* locales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"};
  const char* set = nullptr;
  for (const char* l : locales) {
    if ((set = std::setlocale(LC_NUMERIC, l)) != nullptr) break;
  }
  EXPECT_EQ(FormatFixed(1.5), "1.500000");
  EXPECT_EQ(ParseDouble("1.5"), 1.5);
  EXPECT_EQ(ParseDouble("1,5"), 1.0);
  std::setlocale(LC_NUMERIC, "C");
  if (set == nullptr) GTEST_SKIP() << "no comma-decimal locale installed";
}

}  // namespace
}  // namespace velmora
