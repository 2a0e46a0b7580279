// Text commands: split, trim, mid, find, replace, format, URL, hex and character codes.
#include "core/string_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vantrel;

namespace {

std::vector<std::string> fields(const TextArray& a) {
  std::vector<std::string> out;
  for (int i = 0; i < a.sizes[0]; ++i) out.emplace_back(a.elements[i].buffer, a.elements[i].length);
  return out;
}

}  // namespace

TEST(SplitString, FieldsWithAndWithoutDroppingEmptyOnes) {
  struct Case { const char* text; const char* delimiters; int drop; std::vector<std::string> expected; };
  const Case cases[] = {
      {"  a  b ", " ", 1, {"a", "b"}},
      {"  a  b ", " ", 0, {"", "", "a", "", "b"}},
      {"a,,b", ",", 0, {"a", "", "b"}},
      {"a,,b", ",", 1, {"a", "b"}},
      {",a", ",", 0, {"", "a"}},
      {",a", ",", 1, {"a"}},
      {"a,b,", ",", 0, {"a", "b"}},
      {"a,b,", ",", 1, {"a", "b"}},
      {"", ",", 0, {}},
      {"", ",", 1, {}},
      {",,,", ",", 1, {}},
      {"a;b c", "; ", 1, {"a", "b", "c"}},
      {"no delimiters here", "", 1, {"no delimiters here"}},
      {"no delimiters", "", 0, {"no delimiters"}},
  };
  for (const Case& c : cases) {
    TextArray a;
    int n = splitString(StringValue(c.text), a, c.delimiters, c.drop);
    EXPECT_EQ(n, static_cast<int>(c.expected.size())) << c.text;
    EXPECT_EQ(fields(a), c.expected) << '"' << c.text << "\" drop=" << c.drop;
  }
}

TEST(SplitString, ReusesTheArrayAndSurvivesSplittingItsOwnElement) {
  TextArray a;
  splitString(StringValue("one two three"), a, " ", 1);
  StringValue* storage = a.elements;
  splitString(StringValue("x y"), a, " ", 1);
  EXPECT_EQ(a.elements, storage);
  EXPECT_EQ(fields(a), (std::vector<std::string>{"x", "y"}));
  splitString(StringValue("p,q r"), a, ",", 0);
  splitString(a.elements[1], a, " ", 1);
  EXPECT_EQ(fields(a), (std::vector<std::string>{"q", "r"}));
}

TEST(TrimAndMid, Cases) {
  EXPECT_STREQ(trimLeft(StringValue(" \t x "), " \t\r\n\v\f").text(), "x ");
  EXPECT_STREQ(trimRight(StringValue(" x \t\r\n"), " \t\r\n").text(), " x");
  EXPECT_STREQ(trimLeft(StringValue("   "), " ").text(), "");
  EXPECT_STREQ(trimRight(StringValue("abc"), " ").text(), "abc");
  EXPECT_STREQ(trimLeft(StringValue(""), " ").text(), "");
  StringValue hello("hello");
  EXPECT_STREQ(midText(hello, 1, 3).text(), "ell");
  EXPECT_STREQ(midText(hello, 3, -1).text(), "lo");
  EXPECT_STREQ(midText(hello, 5, 1).text(), "");
  EXPECT_STREQ(midText(hello, -1, 2).text(), "");
  EXPECT_STREQ(midText(hello, 2, 100).text(), "llo");
  EXPECT_STREQ(midText(hello, 0, 2147483647).text(), "hello");
  EXPECT_STREQ(midText(StringValue("    "), 0, 4 - 4).text(), "");
  EXPECT_STREQ(midText(StringValue(""), 0, -4).text(), "");
}

TEST(FindText, FirstAndLastOccurrences) {
  StringValue text("abcabc");
  EXPECT_EQ(findText(text, StringValue("bc"), 2), 4);
  EXPECT_EQ(findText(text, StringValue("bc"), 0), 1);
  EXPECT_EQ(findText(text, StringValue(""), 0), -1);
  EXPECT_EQ(findText(StringValue("abc"), StringValue("c"), 3), -1);
  EXPECT_EQ(findText(StringValue("abc"), StringValue("abc"), 0), 0);
  EXPECT_EQ(findText(StringValue("abc"), StringValue("abcd"), 0), -1);
  EXPECT_EQ(findText(text, StringValue("ca"), -7), 2);  // a negative start searches from 0
  EXPECT_EQ(findLastText(text, StringValue("bc"), -1), 4);
  EXPECT_EQ(findLastText(text, StringValue("bc"), 3), 1);
  EXPECT_EQ(findLastText(text, StringValue("bc"), 0), -1);
  EXPECT_EQ(findLastText(text, StringValue("abcabcabc"), -1), -1);
  EXPECT_EQ(findLastText(text, StringValue("c"), 100), 5);
  EXPECT_EQ(findLastText(StringValue("aaaa"), StringValue("aa"), -1), 2);
}

TEST(FindText, HorspoolAgreesWithAPlainSearch) {
  std::string hay;
  unsigned seed = 7;
  for (int i = 0; i < 3000; ++i) {
    seed = seed * 1103515245u + 12345u;
    hay.push_back("abc"[(seed >> 16) % 3]);
  }
  for (int len = 1; len < 9; ++len) {
    for (int start = 0; start < 40; ++start) {
      std::string needle = hay.substr(start * 37 % 2900, len);
      needle[len - 1] = needle[len - 1] == 'a' ? 'b' : 'a';
      size_t expected = hay.find(needle, start);
      int got = findText(StringValue(hay.c_str()), StringValue(needle.c_str()), start);
      EXPECT_EQ(got, expected == std::string::npos ? -1 : static_cast<int>(expected)) << needle;
    }
  }
}

TEST(ReplaceText, Cases) {
  struct Case { const char* text; const char* what; const char* with; const char* expected; };
  const Case cases[] = {
      {"aaaa", "aa", "aaa", "aaaaaa"}, {"a.b.c", ".", "", "abc"},   {"a.b.c", ".", "-", "a-b-c"},
      {"abcabc", "bc", "XY", "aXYaXY"}, {"abc", "", "x", "abc"},     {"", "a", "b", "" },
      {"xyz", "xyz", "", ""},           {"hello", "l", "LL", "heLLLLo"}, {"aaa", "a", "aa", "aaaaaa"},
  };
  for (const Case& c : cases)
    EXPECT_STREQ(replaceText(StringValue(c.text), StringValue(c.what), StringValue(c.with)).text(), c.expected)
        << c.text << " / " << c.what << " / " << c.with;
}

TEST(CaseAndCodes, Conversions) {
  EXPECT_STREQ(upperText(StringValue("aBc1")).text(), "ABC1");
  EXPECT_STREQ(lowerText(StringValue("aBc1")).text(), "abc1");
  StringValue v("MiXeD");
  makeLower(v);
  EXPECT_STREQ(v.text(), "mixed");
  EXPECT_EQ(charCode(StringValue("A")), 65);
  EXPECT_EQ(charCode(StringValue("\xe9")), 233);
  EXPECT_EQ(charCode(StringValue()), 0);
  EXPECT_EQ(charCodeAt(StringValue("abc"), 2), 'c');
  EXPECT_EQ(charCodeAt(StringValue("abc"), 3), 0);
  EXPECT_EQ(charCodeAt(StringValue("abc"), -1), 0);
  StringValue zero = charFromCode(256);
  EXPECT_EQ(zero.length, 1u);
  EXPECT_EQ(zero.buffer[0], 0);
  EXPECT_STREQ(charFromCode(65 + 512).text(), "A");
}

TEST(FormatNumber, FieldWidthAndDecimals) {
  EXPECT_STREQ(formatNumber(4, 0, 5).text(), "   5");
  EXPECT_STREQ(formatNumber(0, 2, 3.14159).text(), "3.14");
  EXPECT_STREQ(formatNumber(-6, 1, 2.25).text(), "2.2   ");
  EXPECT_STREQ(formatNumber(1, -3, 7.6).text(), "8");
  // A field wider than the 127-byte work value is cut, never written past it.
  StringValue huge = formatNumber(1e9, 1e9, 1.0);
  EXPECT_EQ(huge.length, 127u);
  EXPECT_EQ(formatNumber(300, 0, 1).length, 127u);
}

TEST(UrlCoding, EncodeAndDecode) {
  EXPECT_STREQ(urlEncode(StringValue("a b/\xe9")).text(), "a%20b%2f%c3%a9");
  EXPECT_STREQ(urlEncode(StringValue("\x85")).text(), "%c2%85");
  EXPECT_STREQ(urlEncode(StringValue("Az09")).text(), "Az09");
  struct Case { const char* encoded; const char* decoded; };
  const Case cases[] = {
      {"a%20b", "a b"}, {"a+b", "a b"}, {"%41%4a%4A", "AJJ"}, {"%zzq", "zq"}, {"%4zq", "zq"},
      {"%", ""},        {"x%4", "x"},   {"%c3%a9", "\xe9"},   {"%e2%82%ac", " "},
  };
  for (const Case& c : cases) EXPECT_STREQ(urlDecode(StringValue(c.encoded)).text(), c.decoded) << c.encoded;
}

TEST(Utf8ToLatin1, SequencesAndBrokenBytes) {
  struct Case { std::string in; std::string out; };
  const Case cases[] = {
      {"plain", "plain"},
      {"\xc3\xa9t\xc3\xa9", "\xe9t\xe9"},
      {"\xe2\x82\xac", " "},         // code point above 255
      {"\xc5\x81", " "},
      {"a\xc3", "a"},                // lead byte without its follower
      {"a\xe2\x82", "a"},
      {"\x80x\xff", "x"},            // stray continuation and invalid bytes
      {"\xe0\x83\xa9", "\xe9"},      // followers are not checked for their form
  };
  for (const Case& c : cases) {
    StringValue v(c.in.c_str());
    utf8ToLatin1(v);
    EXPECT_EQ(std::string(v.buffer, v.length), c.out);
  }
}

TEST(HexAndControlTail, Cases) {
  const unsigned char bytes[] = {0x00, 0xAB, 0x7F};
  EXPECT_STREQ(hexEncode(bytes, 3, 1).text(), "00AB7F");
  EXPECT_STREQ(hexEncode(bytes, 3, 0).text(), "00ab7f");
  EXPECT_STREQ(hexEncode(bytes, 0, 0).text(), "");
  EXPECT_EQ(hexPairValue('f', 'F'), 255);
  EXPECT_EQ(hexPairValue('0', '9'), 9);
  StringValue v("text\r\n\t ");
  stripControlTail(v);
  EXPECT_STREQ(v.text(), "text\r\n\t ");
  StringValue w("text\r\n\x01");
  stripControlTail(w);
  EXPECT_STREQ(w.text(), "text");
  EXPECT_EQ(w.length, 4u);
  const char* text = "  ab";
  EXPECT_EQ(findFirstNotInSet(text, " "), text + 2);
  EXPECT_EQ(findFirstInSet(text, "b"), text + 3);
  EXPECT_EQ(findFirstInSet(text, "z"), nullptr);
}
