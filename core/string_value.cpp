// StringValue storage, growth, conversion and comparison.
#include "core/string_value.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <utility>

namespace vantrel {

char emptyBuffer[1] = {0};

namespace {

inline bool isShared(const char* buffer) { return buffer == emptyBuffer; }

inline void terminate(StringValue& s) {
  if (!isShared(s.buffer)) s.buffer[s.length] = 0;
}

// Text blocks carry their allocated size in a header in front of the text. The capacity a value
// reports always follows the 16-byte rule; a block that grew through appending may be larger,
// so that long runs of appends do not reallocate every 16 bytes.
constexpr std::size_t HEADER = 16;

char* allocateText(uint32_t bytes) {
  char* block = static_cast<char*>(std::malloc(HEADER + bytes));
  if (!block) std::abort();
  std::memcpy(block, &bytes, sizeof bytes);
  return block + HEADER;
}

uint32_t allocatedSize(const char* buffer) {
  uint32_t bytes;
  std::memcpy(&bytes, buffer - HEADER, sizeof bytes);
  return bytes;
}

char* growText(char* buffer, uint32_t bytes) {
  char* block = static_cast<char*>(std::realloc(buffer - HEADER, HEADER + bytes));
  if (!block) std::abort();
  std::memcpy(block, &bytes, sizeof bytes);
  return block + HEADER;
}

void freeText(char* buffer) {
  if (!isShared(buffer)) std::free(buffer - HEADER);
}

uint32_t capacityFor(std::size_t n) { return ((static_cast<uint32_t>(n) + 1) & ~15u) + 16; }

// a + b in one allocation, with the capacity that copying a and then appending b gives.
StringValue joinBytes(const char* a, std::size_t aLength, const char* b, std::size_t bLength) {
  StringValue result;
  if (aLength + bLength == 0) return result;
  uint32_t capacity = aLength ? capacityFor(aLength) : 0;
  if (bLength && capacity < aLength + bLength + 1) capacity = capacityFor(aLength + bLength);
  result.buffer = allocateText(capacity);
  result.capacity = capacity;
  if (aLength) std::memcpy(result.buffer, a, aLength);
  if (bLength) std::memcpy(result.buffer + aLength, b, bLength);
  result.length = static_cast<uint32_t>(aLength + bLength);
  result.buffer[result.length] = 0;
  return result;
}

std::size_t textLength(const char* text) { return text ? std::strlen(text) : 0; }

}  // namespace

void StringValue::reserve(uint32_t n, bool keepContents) {
  if (n == 0 || capacity >= n + 1) return;
  uint32_t newCapacity = ((n + 1) & ~15u) + 16;
  bool keep = keepContents && length != 0 && !isShared(buffer);
  if (!isShared(buffer) && allocatedSize(buffer) >= newCapacity) {
    if (!keep) std::memset(buffer, 0, 4);
    capacity = newCapacity;
    return;
  }
  if (keep) {
    uint32_t current = allocatedSize(buffer);
    uint64_t grown = static_cast<uint64_t>(current) * 2;
    uint32_t bytes = grown > newCapacity && grown < 0xFFFFFFF0u ? static_cast<uint32_t>(grown) : newCapacity;
    buffer = growText(buffer, bytes);
    buffer[length] = 0;
  } else {
    char* fresh = allocateText(newCapacity);
    std::memset(fresh, 0, 4);
    freeText(buffer);
    buffer = fresh;
  }
  capacity = newCapacity;
}

void StringValue::destroy() noexcept {
  freeText(buffer);
  buffer = emptyBuffer;
  capacity = 0;
  length = 0;
}

void StringValue::swap(StringValue& other) noexcept {
  std::swap(buffer, other.buffer);
  std::swap(capacity, other.capacity);
  std::swap(length, other.length);
}

StringValue::StringValue(const char* text) : StringValue(text, text ? std::strlen(text) : 0) {}

StringValue::StringValue(const char* bytes, std::size_t count) {
  if (!bytes || count == 0) return;
  reserve(static_cast<uint32_t>(count), false);
  std::memcpy(buffer, bytes, count);
  length = static_cast<uint32_t>(count);
  buffer[length] = 0;
}

StringValue::StringValue(const StringValue& other) : StringValue(other.buffer, other.length) {}

StringValue::StringValue(StringValue&& other) noexcept { swap(other); }

StringValue::StringValue(int value) : StringValue(numberToText(value)) {}
StringValue::StringValue(float value) : StringValue(numberToText(value)) {}
StringValue::StringValue(double value) : StringValue(numberToText(value)) {}

StringValue StringValue::fromWideText(const wchar_t* text) {
  StringValue result;
  if (!text) return result;
  std::size_t wideLength = std::wcslen(text);
  result.reserve(static_cast<uint32_t>(wideLength + 1), false);
  std::size_t converted = std::wcstombs(result.buffer, text, result.capacity - 1);
  if (converted == static_cast<std::size_t>(-1)) converted = 0;
  result.buffer[converted] = 0;
  recountLength(result);
  return result;
}

StringValue& StringValue::operator=(const StringValue& other) {
  if (buffer == other.buffer) return *this;
  if (other.length == 0) {
    if (!isShared(buffer)) buffer[0] = 0;
    length = 0;
    return *this;
  }
  reserve(other.length, false);
  std::memcpy(buffer, other.buffer, other.length + 1);
  length = other.length;
  return *this;
}

StringValue& StringValue::operator=(StringValue&& other) noexcept {
  if (this != &other) {
    StringValue old;
    old.swap(*this);
    swap(other);
  }
  return *this;
}

StringValue& StringValue::operator=(const char* text) {
  StringValue fresh(text);
  swap(fresh);
  return *this;
}

StringValue& StringValue::appendBytes(const char* bytes, std::size_t count) {
  if (!bytes || count == 0) return *this;
  // The source may live inside this buffer; reserve can move it.
  if (bytes >= buffer && bytes < buffer + length) {
    StringValue copy(bytes, count);
    return appendBytes(copy.buffer, count);
  }
  reserve(length + static_cast<uint32_t>(count), true);
  std::memcpy(buffer + length, bytes, count);
  length += static_cast<uint32_t>(count);
  terminate(*this);
  return *this;
}

StringValue& StringValue::append(const char* text) {
  return text ? appendBytes(text, std::strlen(text)) : *this;
}
StringValue& StringValue::append(const StringValue& other) {
  return appendBytes(other.buffer, other.length);
}
StringValue& StringValue::appendByte(char byte) { return appendBytes(&byte, 1); }
StringValue& StringValue::append(int value) { return append(numberToText(value)); }
StringValue& StringValue::append(float value) { return append(numberToText(value)); }
StringValue& StringValue::append(double value) { return append(numberToText(value)); }

double StringValue::toDouble() const { return std::atof(buffer); }
int StringValue::toInt() const { return std::atoi(buffer); }

StringValue numberToText(int value) {
  // Room for 15 text bytes and the terminator: a 16-byte buffer.
  StringValue result;
  result.reserve(14, false);
  std::snprintf(result.buffer, result.capacity, "%d", value);
  recountLength(result);
  return result;
}

StringValue numberToText(double value) {
  // Room for 63 text bytes and the terminator: a 64-byte buffer.
  StringValue result;
  result.reserve(62, false);
  std::snprintf(result.buffer, result.capacity, "%.10g", value);
  std::size_t n = std::strlen(result.buffer);
  if (std::strcmp(result.buffer, ".0") == 0) {
    std::strcpy(result.buffer, "0");
  } else if (n > 0 && result.buffer[n - 1] == '.') {
    result.buffer[n - 1] = 0;
  }
  recountLength(result);
  return result;
}

char* writableBuffer(StringValue& s, uint32_t n) {
  s.reserve(n, true);
  return s.buffer;
}

void recountLength(StringValue& s) {
  if (s.capacity == 0) {
    s.length = 0;
    return;
  }
  uint32_t count = 0;
  while (count < s.capacity && s.buffer[count] != 0) ++count;
  if (count == s.capacity) {
    s.buffer[count - 1] = 0;
    --count;
  }
  s.length = count;
}

void truncateAt(StringValue& s, int n) {
  if (n >= 0 && static_cast<uint32_t>(n) < s.length) {
    s.buffer[n] = 0;
    s.length = static_cast<uint32_t>(n);
  }
}

std::size_t cLength(const StringValue& s) { return std::strlen(s.buffer); }

const wchar_t* toWideText(const StringValue& s) {
  static wchar_t wide[512];
  std::size_t converted = std::mbstowcs(wide, s.buffer, 511);
  if (converted == static_cast<std::size_t>(-1)) converted = 0;
  wide[converted < 511 ? converted : 511] = 0;
  return wide;
}

StringValue operator+(const StringValue& a, const StringValue& b) {
  return joinBytes(a.buffer, a.length, b.buffer, b.length);
}
StringValue operator+(const StringValue& a, const char* b) { return joinBytes(a.buffer, a.length, b, textLength(b)); }
StringValue operator+(const char* a, const StringValue& b) { return joinBytes(a, textLength(a), b.buffer, b.length); }
StringValue joinText(const char* a, const char* b) { return joinBytes(a, textLength(a), b, textLength(b)); }
StringValue operator+(const StringValue& a, int b) { return a + numberToText(b); }
StringValue operator+(const StringValue& a, float b) { return a + numberToText(b); }
StringValue operator+(const StringValue& a, double b) { return a + numberToText(b); }
StringValue operator+(int a, const StringValue& b) { return numberToText(a) + b; }
StringValue operator+(float a, const StringValue& b) { return numberToText(a) + b; }
StringValue operator+(double a, const StringValue& b) { return numberToText(a) + b; }
StringValue joinText(const char* a, int b) { return a + numberToText(b); }
StringValue joinText(const char* a, double b) { return a + numberToText(b); }
StringValue joinText(int a, const char* b) { return numberToText(a) + b; }
StringValue joinText(double a, const char* b) { return numberToText(a) + b; }

bool operator==(const StringValue& a, const StringValue& b) {
  return a.length == b.length && std::memcmp(a.buffer, b.buffer, a.length) == 0;
}
bool operator!=(const StringValue& a, const StringValue& b) { return std::strcmp(a.buffer, b.buffer) != 0; }
bool operator<(const StringValue& a, const StringValue& b) { return std::strcmp(a.buffer, b.buffer) < 0; }
bool operator>(const StringValue& a, const StringValue& b) { return std::strcmp(a.buffer, b.buffer) > 0; }
bool operator<=(const StringValue& a, const StringValue& b) { return std::strcmp(a.buffer, b.buffer) <= 0; }
bool operator>=(const StringValue& a, const StringValue& b) { return std::strcmp(a.buffer, b.buffer) >= 0; }

int compareText(const StringValue& a, const char* b) { return std::strcmp(a.buffer, b ? b : ""); }
int compareText(const char* a, const char* b) { return std::strcmp(a ? a : "", b ? b : ""); }

#define VANTREL_DEFINE_RELATIONS(Left, Right, leftText, rightText)                             \
  bool operator==(Left a, Right b) { return compareText(leftText, rightText) == 0; }        \
  bool operator!=(Left a, Right b) { return compareText(leftText, rightText) != 0; }        \
  bool operator<(Left a, Right b) { return compareText(leftText, rightText) < 0; }          \
  bool operator>(Left a, Right b) { return compareText(leftText, rightText) > 0; }          \
  bool operator<=(Left a, Right b) { return compareText(leftText, rightText) <= 0; }        \
  bool operator>=(Left a, Right b) { return compareText(leftText, rightText) >= 0; }
VANTREL_DEFINE_RELATIONS(const StringValue&, const char*, a.buffer, b)
VANTREL_DEFINE_RELATIONS(const char*, const StringValue&, a, b.buffer)
#undef VANTREL_DEFINE_RELATIONS

#define VANTREL_DEFINE_NUMERIC(Number, convert, widened)                                        \
  bool operator==(const StringValue& a, Number b) { return convert(a.buffer) == widened(b); } \
  bool operator!=(const StringValue& a, Number b) { return convert(a.buffer) != widened(b); } \
  bool operator<(const StringValue& a, Number b) { return convert(a.buffer) < widened(b); }   \
  bool operator>(const StringValue& a, Number b) { return convert(a.buffer) > widened(b); }   \
  bool operator<=(const StringValue& a, Number b) { return convert(a.buffer) <= widened(b); } \
  bool operator>=(const StringValue& a, Number b) { return convert(a.buffer) >= widened(b); }
#define VANTREL_AS_DOUBLE(x) static_cast<double>(x)
#define VANTREL_AS_INT(x) (x)
VANTREL_DEFINE_NUMERIC(double, std::atof, VANTREL_AS_DOUBLE)
VANTREL_DEFINE_NUMERIC(float, std::atof, VANTREL_AS_DOUBLE)
VANTREL_DEFINE_NUMERIC(int, std::atoi, VANTREL_AS_INT)
#undef VANTREL_DEFINE_NUMERIC
#undef VANTREL_AS_DOUBLE
#undef VANTREL_AS_INT

int compareNumber(const StringValue& a, double b) {
  double x = std::atof(a.buffer);
  return x < b ? -1 : x > b ? 1 : 0;
}
int compareNumber(const StringValue& a, int b) {
  int x = std::atoi(a.buffer);
  return x < b ? -1 : x > b ? 1 : 0;
}

}  // namespace vantrel
