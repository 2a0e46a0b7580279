// StringValue: shared empty buffer, capacities, number text, comparisons and buffer helpers.
#include "core/string_value.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace vantrel;

TEST(StringValue, EmptyValuesShareOneBufferThatIsNeverWritten) {
  StringValue a, b("");
  EXPECT_EQ(a.buffer, emptyBuffer);
  EXPECT_EQ(b.buffer, emptyBuffer);
  EXPECT_EQ(a.capacity, 0u);
  a = b;                 // assigning empty to empty
  a.append("");          // appending the empty text
  a.appendBytes("x", 0);
  StringValue c(a);
  c.destroy();
  a = StringValue();
  EXPECT_EQ(a.buffer, emptyBuffer);
  EXPECT_EQ(emptyBuffer[0], 0);
}

TEST(StringValue, CapacityFollowsTheSixteenByteRule) {
  struct Case { const char* text; uint32_t capacity; };
  const Case cases[] = {{"a", 16}, {"abcdefghijklmn", 16}, {"abcdefghijklmno", 32},
                        {"abcdefghijklmnopqrstuvwxyz0123", 32}, {"abcdefghijklmnopqrstuvwxyz01234", 48}};
  for (const Case& c : cases) {
    StringValue s(c.text);
    EXPECT_EQ(s.capacity, c.capacity) << c.text;
    EXPECT_EQ(s.length, std::strlen(c.text));
    EXPECT_EQ(s.buffer[s.length], 0);
  }
}

TEST(StringValue, AppendingOneByteGrowsTheCapacityEverySixteenBytes) {
  StringValue s;
  std::vector<uint32_t> capacities;
  for (int i = 0; i < 64; ++i) {
    uint32_t before = s.capacity;
    s.appendByte(static_cast<char>('a' + i % 26));
    if (s.capacity != before) capacities.push_back(s.capacity);
  }
  EXPECT_EQ(s.length, 64u);
  EXPECT_EQ(capacities, (std::vector<uint32_t>{16, 32, 48, 64, 80}));
  for (int i = 0; i < 64; ++i) ASSERT_EQ(s.buffer[i], 'a' + i % 26);
  EXPECT_EQ(s.buffer[64], 0);
}

TEST(StringValue, AssigningEmptyKeepsTheAllocationAndDestroyFreesIt) {
  StringValue s("hello");
  s = StringValue();  // a result is swapped in: the old storage goes with the temporary
  EXPECT_EQ(s.buffer, emptyBuffer);
  StringValue t("hello");
  char* kept = t.buffer;
  const StringValue empty;
  t = empty;
  EXPECT_EQ(t.buffer, kept);
  EXPECT_EQ(t.length, 0u);
  EXPECT_EQ(t.capacity, 16u);
  EXPECT_EQ(t.buffer[0], 0);
  t.destroy();
  EXPECT_EQ(t.buffer, emptyBuffer);
  EXPECT_EQ(t.capacity, 0u);
}

TEST(StringValue, AppendingPartOfItselfIsSafe) {
  StringValue s("abcdefghijklmn");  // capacity 16, the append must grow it
  s.appendBytes(s.buffer + 2, 5);
  EXPECT_STREQ(s.text(), "abcdefghijklmncdefg");
}

TEST(StringValue, NumberToTextForms) {
  struct Case { double value; const char* text; };
  const Case cases[] = {{1.0, "1"}, {0.0, "0"}, {-2.5, "-2.5"}, {1.0 / 3.0, "0.3333333333"},
                        {2.5, "2.5"}, {1e20, "1e+20"}, {123456789012.0, "1.23456789e+11"},
                        {0.1, "0.1"}, {-1e-5, "-1e-05"}};
  for (const Case& c : cases) EXPECT_STREQ(numberToText(c.value).text(), c.text) << c.value;
  EXPECT_STREQ(numberToText(123).text(), "123");
  EXPECT_STREQ(numberToText(-2147483647 - 1).text(), "-2147483648");
  EXPECT_EQ(numberToText(7).capacity, 16u);
  EXPECT_EQ(numberToText(7.5).capacity, 64u);
  EXPECT_STREQ(numberToText(2.5f).text(), "2.5");
}

TEST(StringValue, JoiningMixesTextAndNumbers) {
  StringValue a("x");
  EXPECT_STREQ((a + 1).text(), "x1");
  EXPECT_STREQ((2.5 + a).text(), "2.5x");
  EXPECT_STREQ(("pre" + a).text(), "prex");
  EXPECT_STREQ((a + "post").text(), "xpost");
  EXPECT_STREQ(joinText("a", "b").text(), "ab");
  EXPECT_STREQ(joinText(3, "b").text(), "3b");
  StringValue b("y");
  b += 1.5;
  b += 'z';
  EXPECT_STREQ(b.text(), "y1.5z");
}

TEST(StringValue, ComparisonsOfTextWithTextAndNumbers) {
  EXPECT_TRUE(StringValue("10") == 10);
  EXPECT_TRUE(StringValue("10") == 10.0);
  EXPECT_TRUE(StringValue("abc") == 0);
  EXPECT_TRUE(StringValue("2.5") > 2.0);
  EXPECT_TRUE(StringValue("2.5") == 2);  // atoi stops at the point
  EXPECT_EQ(compareNumber(StringValue("3"), 5), -1);
  EXPECT_EQ(compareNumber(StringValue("7"), 5.0), 1);
  EXPECT_EQ(compareNumber(StringValue(" 5"), 5), 0);
  EXPECT_TRUE(StringValue("abc") < "abd");
  EXPECT_TRUE("b" > StringValue("a"));
  EXPECT_LT(compareText(StringValue("a"), "b"), 0);
}

TEST(StringValue, ValueEqualityComparesTheWholeLengthButCTextStopsAtZero) {
  StringValue a("ab"), b("ab");
  a.appendByte('\0');
  a.appendByte('x');
  b.appendByte('\0');
  b.appendByte('y');
  EXPECT_FALSE(a == b);
  EXPECT_TRUE(a == "ab");
  EXPECT_FALSE(a != b);  // the other relations compare as C text
  EXPECT_TRUE(StringValue() == StringValue(""));
}

TEST(StringValue, BufferHelpers) {
  StringValue s("hello world");
  truncateAt(s, 5);
  EXPECT_STREQ(s.text(), "hello");
  EXPECT_EQ(s.length, 5u);
  truncateAt(s, 9);
  truncateAt(s, -1);
  EXPECT_EQ(s.length, 5u);

  StringValue w;
  char* room = writableBuffer(w, 20);
  EXPECT_GE(w.capacity, 21u);
  std::strcpy(room, "from the platform");
  recountLength(w);
  EXPECT_EQ(w.length, 17u);

  // A buffer filled to its capacity without a terminator loses its last byte.
  StringValue full;
  writableBuffer(full, 10);
  std::memset(full.buffer, 'a', full.capacity);
  recountLength(full);
  EXPECT_EQ(full.length, full.capacity - 1);
  EXPECT_EQ(full.buffer[full.length], 0);
}

TEST(StringValue, WideTextRoundTripStaysInsideTheSharedBuffer) {
  StringValue s = StringValue::fromWideText(L"wide text");
  EXPECT_STREQ(s.text(), "wide text");
  StringValue longText(std::string(2000, 'q').c_str());
  const wchar_t* wide = toWideText(longText);
  EXPECT_EQ(std::wcslen(wide), 511u);
}

TEST(StringValue, ConversionsToNumbers) {
  EXPECT_EQ(StringValue("  42abc").toInt(), 42);
  EXPECT_DOUBLE_EQ(StringValue("12.5e1x").toDouble(), 125.0);
  EXPECT_EQ(StringValue("x").toInt(), 0);
}
