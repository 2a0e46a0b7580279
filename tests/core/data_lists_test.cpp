// Inline data lists: conversions of the three reads, restoring and switching lists, and the
// fatal "out of data" end (seen in death tests through the shutdown hook).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/data_lists.h"
#include "core/errors.h"

using namespace vantrel;

namespace {

// Stands in for the program entry's shutdown: reports the code the program ended with.
void reportCode() {
  std::fprintf(stderr, "ended with code %d\n", errorState().errorCode);
}

const DataItem MIXED_ITEMS[] = {
    {2.5, nullptr},  {3.0, nullptr},      {-2.7, nullptr},      {1e20, nullptr},
    {0.1, nullptr},  {0, "12abc"},        {0, "  42 apples"},   {0, "-7.9"},
    {0, ""},         {0, "99999999999"},  {1e10, nullptr},      {-1e300, nullptr},
};

struct Expected {
  const char* text;
  double number;
  int integer;
};

const Expected MIXED_EXPECTED[] = {
    {"2.5", 2.5, 2},          {"3", 3.0, 3},
    {"-2.7", -2.7, -2},       {"1e+20", 1e20, 2147483647},
    {"0.1", 0.1, 0},          {"12abc", 12, 12},
    {"  42 apples", 42, 42},  {"-7.9", -7.9, -7},
    {"", 0, 0},               {"99999999999", 99999999999.0, 2147483647},
    {"1e+10", 1e10, 2147483647}, {"-1e+300", -1e300, -2147483647 - 1},
};

constexpr int MIXED_COUNT = sizeof(MIXED_ITEMS) / sizeof(MIXED_ITEMS[0]);
static_assert(MIXED_COUNT == sizeof(MIXED_EXPECTED) / sizeof(MIXED_EXPECTED[0]));

}  // namespace

TEST(DataLists, EachReadConvertsEveryItemKind) {
  DataList list{MIXED_ITEMS, MIXED_COUNT, 0};
  restoreData(&list);
  for (int i = 0; i < MIXED_COUNT; ++i) {
    StringValue text("old value");
    readDataText(text);
    EXPECT_STREQ(text.text(), MIXED_EXPECTED[i].text) << "text read of item " << i;
  }
  restoreData(&list);
  for (int i = 0; i < MIXED_COUNT; ++i) {
    double number = -1;
    readDataNumber(number);
    EXPECT_DOUBLE_EQ(number, MIXED_EXPECTED[i].number) << "number read of item " << i;
  }
  restoreData(&list);
  for (int i = 0; i < MIXED_COUNT; ++i) {
    int integer = -1;
    readDataInt(integer);
    EXPECT_EQ(integer, MIXED_EXPECTED[i].integer) << "integer read of item " << i;
  }
  EXPECT_EQ(list.readPosition, MIXED_COUNT);
}

TEST(DataLists, ReadsAdvanceAcrossKindsAndRestoreStartsOver) {
  const DataItem items[] = {{1, nullptr}, {0, "two"}, {3.75, nullptr}};
  DataList list{items, 3, 0};
  restoreData(&list);
  EXPECT_EQ(currentDataList(), &list);
  int first = 0;
  StringValue second;
  double third = 0;
  readDataInt(first);
  readDataText(second);
  readDataNumber(third);
  EXPECT_EQ(first, 1);
  EXPECT_STREQ(second.text(), "two");
  EXPECT_EQ(third, 3.75);

  restoreData(&list);
  EXPECT_EQ(list.readPosition, 0);
  readDataInt(first);
  EXPECT_EQ(first, 1) << "restoreData rewinds the list to its first item";
}

TEST(DataLists, PositionBelongsToTheListUntilItIsRestoredAgain) {
  const DataItem a[] = {{10, nullptr}, {11, nullptr}, {12, nullptr}};
  const DataItem b[] = {{20, nullptr}, {21, nullptr}};
  DataList listA{a, 3, 0};
  DataList listB{b, 2, 0};
  int value = 0;
  restoreData(&listA);
  readDataInt(value);
  restoreData(&listB);
  readDataInt(value);
  EXPECT_EQ(value, 20);
  EXPECT_EQ(listA.readPosition, 1) << "reading B leaves A's position alone";
  restoreData(&listA);
  readDataInt(value);
  EXPECT_EQ(value, 10) << "restoring A again starts it from the beginning";
}

class DataListsDeathTest : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(DataListsDeathTest, ReadBeforeAnyRestoreEndsWithOutOfData) {
  // The threadsafe style runs this test alone in a fresh process: no list was ever restored.
  EXPECT_EXIT(
      {
        setShutdownFunction(reportCode);
        if (currentDataList() != nullptr) std::fprintf(stderr, "a list is current\n");
        double number = 0;
        readDataNumber(number);
        std::fprintf(stderr, "read returned\n");
      },
      ::testing::ExitedWithCode(0), "^ended with code 20\n$");
}

TEST_F(DataListsDeathTest, ReadingOneItemTooManyEndsWithOutOfData) {
  const DataItem items[] = {{1, nullptr}, {0, "last"}};
  DataList list{items, 2, 0};
  using Read = void (*)();
  const Read reads[] = {
      [] { StringValue text; readDataText(text); },
      [] { double number; readDataNumber(number); },
      [] { int integer; readDataInt(integer); },
  };
  for (Read read : reads) {
    EXPECT_EXIT(
        {
          setShutdownFunction(reportCode);
          restoreData(&list);
          StringValue text;
          readDataText(text);
          readDataText(text);
          std::fprintf(stderr, "two items read\n");
          read();
          std::fprintf(stderr, "third read returned\n");
        },
        ::testing::ExitedWithCode(0), "^two items read\nended with code 20\n$");
  }
}

TEST_F(DataListsDeathTest, RestoringNoListLeavesNothingToRead) {
  const DataItem items[] = {{1, nullptr}};
  DataList list{items, 1, 0};
  EXPECT_EXIT(
      {
        setShutdownFunction(reportCode);
        restoreData(&list);
        restoreData(nullptr);
        int value = 0;
        readDataInt(value);
      },
      ::testing::ExitedWithCode(0), "^ended with code 20\n$");
}
