// The math commands: degree conversions, domain guards, modulo without division faults, the
// random commands on the process-wide generator, box overlap and the min/max family.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <limits>

#include "core/math_commands.h"
#include "transforms/random.h"

using namespace vantrel;

namespace {
const double NaN = std::numeric_limits<double>::quiet_NaN();
}

TEST(MathCommands, TrigonometryWorksInDegrees) {
  EXPECT_DOUBLE_EQ(sinDeg(90), 1);
  EXPECT_DOUBLE_EQ(cosDeg(180), -1);
  EXPECT_NEAR(sinDeg(30), 0.5, 1e-15);
  EXPECT_NEAR(tanDeg(45), 1, 1e-15);
  EXPECT_DOUBLE_EQ(atan2Deg(1, 1), 45);
  EXPECT_DOUBLE_EQ(atan2Deg(0, -1), 180);
  EXPECT_DOUBLE_EQ(asinDeg(0.5), std::asin(0.5) * 57.29577951308232);
  EXPECT_DOUBLE_EQ(acosDeg(0.5), std::acos(0.5) * 57.29577951308232);
  EXPECT_EQ(sinDeg(1), std::sin(0.017453292519943295)) << "the exact factor pi/180";
}

TEST(MathCommands, InverseTrigonometryClampsOutsideItsDomainWithoutTheLibrary) {
  struct Case {
    double x, asinResult, acosResult;
  };
  const Case cases[] = {{1, 90, 0}, {1.5, 90, 0}, {-1, -90, 180}, {-2, -90, 180}, {1e300, 90, 0}};
  for (const Case& c : cases) {
    // The library would report a domain error for |x| > 1; the guards never get there.
    errno = 0;
    EXPECT_EQ(asinDeg(c.x), c.asinResult) << c.x;
    EXPECT_EQ(acosDeg(c.x), c.acosResult) << c.x;
    EXPECT_EQ(errno, 0) << "no library call for " << c.x;
  }
}

TEST(MathCommands, SquareRootKeepsTheLibraryDomainError) {
  EXPECT_EQ(squareRoot(2.25), 1.5);
  EXPECT_EQ(squareRoot(0), 0);
  errno = 0;
  EXPECT_TRUE(std::isnan(squareRoot(-1)));
  if (math_errhandling & MATH_ERRNO) {
    EXPECT_EQ(errno, EDOM);
  }
}

TEST(MathCommands, PowerAndLogarithm) {
  EXPECT_EQ(power(2, 10), 1024);
  EXPECT_EQ(power(9, 0.5), 3);
  EXPECT_DOUBLE_EQ(logNatural(std::exp(2.0)), 2);
  EXPECT_TRUE(std::isinf(logNatural(0)));
}

TEST(MathCommands, ModuloReturnsZeroForAZeroDivisor) {
  struct IntCase {
    int a, b, expected;
  };
  const IntCase intCases[] = {{7, 0, 0},   {7, 3, 1},          {-7, 3, -1},  {7, -3, 1},
                              {-7, -3, -1}, {INT_MIN, -1, 0},  {INT_MIN, 3, INT_MIN % 3},
                              {0, 5, 0},   {INT_MAX, INT_MIN, INT_MAX}};
  for (const IntCase& c : intCases) {
    EXPECT_EQ(intModulo(c.a, c.b), c.expected) << c.a << " % " << c.b;
  }
  EXPECT_EQ(floatModulo(7.5, 0), 0);
  EXPECT_EQ(floatModulo(7.5, -0.0), 0);
  EXPECT_EQ(floatModulo(7.5, 2), 1.5);
  EXPECT_EQ(floatModulo(-7.5, 2), -1.5);
  EXPECT_TRUE(std::isnan(floatModulo(7.5, NaN))) << "a NaN divisor goes to fmod";
}

TEST(MathCommands, RandomIntDrawsModuloNPlusOne) {
  seedGenerator(0);
  const uint32_t draws[] = {nextRandomWord(), nextRandomWord(), nextRandomWord()};

  seedRandom(0);
  EXPECT_EQ(randomInt(6), static_cast<int>(draws[0] % 7));
  EXPECT_EQ(randomInt(INT_MAX), static_cast<int>(draws[1] % 2147483648u));
  EXPECT_EQ(randomInt(1), static_cast<int>(draws[2] % 2));

  seedRandom(0);
  EXPECT_EQ(randomInt(0), 0);
  EXPECT_EQ(randomInt(-5), 0);
  EXPECT_EQ(randomInt(INT_MIN), 0);
  EXPECT_EQ(nextRandomWord(), draws[0]) << "n <= 0 must not draw from the generator";

  seedRandom(1);
  bool seen[2] = {false, false};
  for (int i = 0; i < 64; ++i) {
    const int value = randomInt(1);
    ASSERT_TRUE(value == 0 || value == 1) << value;
    seen[value] = true;
  }
  EXPECT_TRUE(seen[0] && seen[1]);
}

TEST(MathCommands, SeedRandomPassesTheBitPatternUnchanged) {
  seedGenerator(0xffffffffu);
  const uint32_t expected = nextRandomWord();
  seedRandom(-1);
  EXPECT_EQ(nextRandomWord(), expected);
}

TEST(MathCommands, NumberTextLengthCountsTheNumberText) {
  EXPECT_EQ(numberTextLength(1.5), 3);
  EXPECT_EQ(numberTextLength(100), 3);
  EXPECT_EQ(numberTextLength(100.0), 3);
  EXPECT_EQ(numberTextLength(-0.25), 5);
  EXPECT_EQ(numberTextLength(1e20), 5);  // "1e+20"
  EXPECT_EQ(numberTextLength(INT_MIN), 11);
}

TEST(MathCommands, BoxesOverlapWhenTheirSpansShareAPixel) {
  struct Case {
    int x1, y1, w1, h1, x2, y2, w2, h2, expected;
    const char* what;
  };
  const Case cases[] = {
      {0, 0, 10, 10, 9, 9, 5, 5, 1, "corner pixel 9,9 shared"},
      {0, 0, 10, 10, 10, 10, 5, 5, 0, "touching at 10,10 only"},
      {0, 0, 10, 10, 10, 0, 5, 5, 0, "side by side"},
      {0, 0, 10, 10, 2, 2, 3, 3, 1, "contained"},
      {2, 2, 3, 3, 0, 0, 10, 10, 1, "containing"},
      {5, 0, 0, 1, 5, 0, 1, 1, 1, "width 0 covers one column"},
      {5, 0, 0, 1, 6, 0, 1, 1, 0, "width 0 covers only its start column"},
      {10, 0, -5, 1, 6, 0, 1, 1, 1, "width -5 covers columns 6..10"},
      {10, 0, -5, 1, 5, 0, 1, 1, 0, "column 5 is left of a box of width -5 at 10"},
      {0, 0, 10, 10, 0, 10, 10, -1, 0, "height -1 covers only its start row 10"},
      {0, 0, 10, 10, 0, 10, 10, -2, 1, "height -2 covers rows 9..10"},
      {0, 0, 10, 10, 3, 20, 2, -12, 1, "height -12 reaches back to row 9"},
      {0, 0, 10, 10, 3, 20, 2, -11, 0, "height -11 reaches back to row 10 only"},
      {INT_MAX, 0, INT_MAX, 1, 0, 0, 1, 1, 0, "far edge beyond the int range"},
      {INT_MIN, 0, INT_MIN, 1, INT_MIN, 0, 1, 1, 1, "negative size at the low end"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(boxesOverlap(c.x1, c.y1, c.w1, c.h1, c.x2, c.y2, c.w2, c.h2), c.expected) << c.what;
    EXPECT_EQ(boxesOverlap(c.x2, c.y2, c.w2, c.h2, c.x1, c.y1, c.w1, c.h1), c.expected)
        << c.what << " (boxes swapped)";
  }
}

TEST(MathCommands, MinimumAndMaximum) {
  EXPECT_EQ(maxDouble(1.5, -2), 1.5);
  EXPECT_EQ(minDouble(1.5, -2), -2);
  EXPECT_EQ(maxInt(INT_MIN, 3), 3);
  EXPECT_EQ(minInt(INT_MIN, 3), INT_MIN);
  EXPECT_EQ(maxIntOfDouble(3, 7.9), 7);
  EXPECT_EQ(maxIntOfDouble(-3, -2.9), -2) << "truncation toward zero";
  EXPECT_EQ(maxIntOfDouble(5, 5.99), 5);
  EXPECT_EQ(maxIntOfDouble(0, 1e300), INT_MAX) << "saturates instead of overflowing";
  EXPECT_EQ(maxIntOfDouble(-4, NaN), 0);
  EXPECT_EQ(maxIntOfDouble(INT_MIN, -1e300), INT_MIN);
}
