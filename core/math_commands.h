// The math commands: trigonometry in degrees, powers and roots, modulo without division
// faults, random numbers, number text length, box overlap and min/max.
#pragma once

#include <cstdint>

namespace vantrel {

constexpr double DEGREES_TO_RADIANS = 0.017453292519943295;
constexpr double RADIANS_TO_DEGREES = 57.29577951308232;

double sinDeg(double angle);
double cosDeg(double angle);
double tanDeg(double angle);
double asinDeg(double x);  // 90 / -90 beyond the domain
double acosDeg(double x);  // 0 / 180 beyond the domain
double atan2Deg(double y, double x);
double power(double base, double exponent);
double squareRoot(double x);
double logNatural(double x);
double floatModulo(double x, double y);  // 0 when y is 0
int intModulo(int a, int b);             // 0 when b is 0; the sign follows a
int randomInt(int n);                    // 0..n inclusive; 0 for n <= 0 without a draw
void seedRandom(int seed);
int numberTextLength(double value);
int numberTextLength(int value);
// Whether two boxes share at least one pixel; a size of 0 covers one pixel and a negative
// size extends the box backwards from its start.
int boxesOverlap(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2);
double maxDouble(double a, double b);
double minDouble(double a, double b);
int maxInt(int a, int b);
int minInt(int a, int b);
int maxIntOfDouble(int a, double x);

// Truncation toward zero that saturates at the int range; NaN gives 0.
int truncateToInt(double value);

}  // namespace vantrel
