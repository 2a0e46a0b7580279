// The math commands. Angles are degrees; the random commands use the process-wide
// generator of transforms/random.h.
#include "core/math_commands.h"

#include <climits>
#include <cmath>

#include "core/string_value.h"
#include "transforms/random.h"

namespace vantrel {

double sinDeg(double angle) { return std::sin(angle * DEGREES_TO_RADIANS); }
double cosDeg(double angle) { return std::cos(angle * DEGREES_TO_RADIANS); }
double tanDeg(double angle) { return std::tan(angle * DEGREES_TO_RADIANS); }

double asinDeg(double x) {
  if (x >= 1) return 90;
  if (x <= -1) return -90;
  return std::asin(x) * RADIANS_TO_DEGREES;
}

double acosDeg(double x) {
  if (x >= 1) return 0;
  if (x <= -1) return 180;
  return std::acos(x) * RADIANS_TO_DEGREES;
}

double atan2Deg(double y, double x) { return std::atan2(y, x) * RADIANS_TO_DEGREES; }
double power(double base, double exponent) { return std::pow(base, exponent); }

// With math errno on (the default), the compiler emits the hardware instruction and falls
// back to the library's sqrt only for a NaN result, so its domain error is still reported.
double squareRoot(double x) { return std::sqrt(x); }

double logNatural(double x) { return std::log(x); }

double floatModulo(double x, double y) { return y == 0 ? 0 : std::fmod(x, y); }

int intModulo(int a, int b) {
  // b == -1 always leaves 0, and INT_MIN % -1 would overflow.
  if (b == 0 || b == -1) return 0;
  return a % b;
}

int randomInt(int n) {
  if (n <= 0) return 0;
  return static_cast<int>(nextRandomWord() % (static_cast<uint32_t>(n) + 1));
}

void seedRandom(int seed) { seedGenerator(static_cast<uint32_t>(seed)); }

int numberTextLength(double value) { return static_cast<int>(numberToText(value).length); }
int numberTextLength(int value) { return static_cast<int>(numberToText(value).length); }

namespace {

// The inclusive span [low, high] that a box covers on one axis.
struct Span {
  int64_t low;
  int64_t high;
};

Span spanOf(int start, int size) {
  int64_t far = start;
  if (size > 0) far = int64_t{start} + size - 1;
  if (size < 0) far = int64_t{start} + size + 1;
  return far < start ? Span{far, start} : Span{start, far};
}

bool spansMeet(Span a, Span b) {
  const int64_t low = a.low > b.low ? a.low : b.low;
  const int64_t high = a.high < b.high ? a.high : b.high;
  return low <= high;
}

}  // namespace

int boxesOverlap(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2) {
  return spansMeet(spanOf(x1, w1), spanOf(x2, w2)) && spansMeet(spanOf(y1, h1), spanOf(y2, h2))
             ? 1
             : 0;
}

double maxDouble(double a, double b) { return a > b ? a : b; }
double minDouble(double a, double b) { return a < b ? a : b; }
int maxInt(int a, int b) { return a > b ? a : b; }
int minInt(int a, int b) { return a < b ? a : b; }

int maxIntOfDouble(int a, double x) {
  const int truncated = truncateToInt(x);
  return a > truncated ? a : truncated;
}

int truncateToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483648.0) return INT_MAX;
  if (value <= -2147483649.0) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace vantrel
