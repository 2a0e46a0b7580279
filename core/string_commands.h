// The text commands: split, trim, cut, search, replace, case, number formatting, character
// codes and small encoders.
#pragma once

#include <cstddef>

#include "core/array_value.h"
#include "core/string_value.h"

namespace vantrel {

// ASCII letters to lower case, every other byte unchanged (names compared without regard to
// case, independent of the C locale).
inline char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

int splitString(const StringValue& text, TextArray& target, const char* delimiters, int dropEmpty);
StringValue trimLeft(const StringValue& text, const char* set);
StringValue trimRight(const StringValue& text, const char* set);
StringValue midText(const StringValue& text, int start, int count);
int findText(const StringValue& text, const StringValue& what, int start);
int findLastText(const StringValue& text, const StringValue& what, int start);
StringValue replaceText(const StringValue& text, const StringValue& what, const StringValue& with);
StringValue upperText(const StringValue& text);
StringValue lowerText(const StringValue& text);
void makeUpper(StringValue& value);
void makeLower(StringValue& value);
StringValue formatNumber(double width, double decimals, double value);
StringValue urlEncode(const StringValue& text);
StringValue urlDecode(const StringValue& text);
void utf8ToLatin1(StringValue& value);
StringValue hexEncode(const void* bytes, int count, int upper);
int hexPairValue(char first, char second);
void stripControlTail(StringValue& value);
const char* findFirstInSet(const char* text, const char* set);
const char* findFirstNotInSet(const char* text, const char* set);
int charCode(const StringValue& text);
int charCodeAt(const StringValue& text, int position);
StringValue charFromCode(int code);
StringValue readStandardInputLine();

// The substring search behind findText, findLastText and replaceText (Horspool): the offset
// of the first occurrence of what in text[0, textLength), or -1.
long searchBytes(const char* text, std::size_t textLength, const char* what, std::size_t whatLength);

}  // namespace vantrel
