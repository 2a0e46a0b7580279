// ArrayValue: capacities per kind, shapes, wrap of -1, redimension, append and assignment.
#include "core/array_value.h"

#include <gtest/gtest.h>

using namespace vantrel;

TEST(ArrayValue, TextCapacityGrowsInBlocksOfSixtyFour) {
  TextArray a;
  dimension(a, 0);
  EXPECT_EQ(a.dimensionCount, 0);
  EXPECT_EQ(a.count, 0);
  EXPECT_EQ(a.elements, nullptr);
  EXPECT_EQ(dimensionSize(a, 0), 0);
  dimension(a, 64);
  EXPECT_EQ(a.capacity, 128);
  dimension(a, 63);
  EXPECT_EQ(a.capacity, 128);  // fits: storage kept
  TextArray b;
  dimension(b, 63);
  EXPECT_EQ(b.capacity, 64);
}

TEST(ArrayValue, NumericCapacities) {
  DoubleArray d;
  dimension(d, 8);
  EXPECT_EQ(d.capacity, 16);
  IntArray i;
  dimension(i, 7);
  EXPECT_EQ(i.capacity, 8);
  ByteArray b;
  dimension(b, 1);
  EXPECT_EQ(b.capacity, 64);
  Exact32Array f;
  dimension(f, 5);
  EXPECT_EQ(f.capacity, 5);
}

TEST(ArrayValue, ShapeStridesAndFlatPositions) {
  IntArray a;
  dimension(a, 3, 2, 0, 0);
  EXPECT_EQ(a.dimensionCount, 2);
  EXPECT_EQ(a.count, 6);
  EXPECT_EQ(a.stride1, 3);
  element(a, 2, 1) = 42;
  EXPECT_EQ(a.elements[2 + 1 * 3], 42);
  dimension(a, 2, 0, 0, 5);
  EXPECT_EQ(a.dimensionCount, 4);
  EXPECT_EQ(a.count, 10);
  EXPECT_EQ(dimensionSize(a, 3), 5);
  EXPECT_EQ(dimensionSize(a, 4), 0);
  EXPECT_EQ(dimensionSize(a, -1), 0);
  element(a, 1, 0, 0, 4) = 7;
  EXPECT_EQ(element(a, -1, 0, 0, 4), 7);
}

TEST(ArrayValue, RedimensionKeepsWhatFits) {
  IntArray a;
  dimension(a, 3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) element(a, x, y) = 10 * y + x;
  redimension(a, 2, 3);
  EXPECT_EQ(element(a, 0, 0), 0);
  EXPECT_EQ(element(a, 1, 1), 11);
  EXPECT_EQ(element(a, 1, 2), 0);

  TextArray t;
  dimension(t, 3);
  element(t, 0) = "a";
  element(t, 2) = "c";
  redimension(t, 5);
  EXPECT_STREQ(element(t, 2).text(), "c");
  EXPECT_STREQ(element(t, 4).text(), "");
  redimension(t, 0);
  EXPECT_EQ(t.count, 0);
  EXPECT_NE(t.elements, nullptr);  // storage kept
}

TEST(ArrayValue, AppendReallocatesOnlyWhenTheCapacityIsReached) {
  TextArray a;
  int reallocations = 0;
  const StringValue* storage = a.elements;
  for (int i = 0; i < 64; ++i) {
    append(a, numberToText(i));
    if (a.elements != storage) ++reallocations;
    storage = a.elements;
  }
  EXPECT_EQ(dimensionSize(a, 0), 64);
  EXPECT_EQ(reallocations, 2);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(element(a, i), numberToText(i));
}

TEST(ArrayValue, AssignAndFromValues) {
  DoubleArray source, target;
  const double values[] = {1.5, 2.5, 3.5};
  arrayFromValues(source, 3, values);
  assignArray(target, source);
  EXPECT_EQ(target.count, 3);
  EXPECT_EQ(element(target, 2), 3.5);
  TextArray a, b;
  append(a, StringValue("x"));
  append(a, StringValue("y"));
  assignArray(b, a);
  element(a, 0) = "changed";
  EXPECT_STREQ(element(b, 0).text(), "x");
}

TEST(ArrayValue, SortTextArrayWithAComparison) {
  TextArray a;
  for (const char* word : {"pear", "Apple", "fig", "banana"}) append(a, StringValue(word));
  sortTextArray(a, [](const StringValue& x, const StringValue& y) { return x < y; });
  EXPECT_STREQ(element(a, 0).text(), "Apple");
  EXPECT_STREQ(element(a, 3).text(), "pear");
}

TEST(ArrayValue, MovesLeaveAnEmptyArray) {
  IntArray a;
  dimension(a, 4);
  IntArray b(std::move(a));
  EXPECT_EQ(a.elements, nullptr);
  EXPECT_EQ(b.count, 4);
  static_assert(!std::is_copy_constructible_v<IntArray>);
}
