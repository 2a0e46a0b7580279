// StringValue: the runtime's one text type. A byte string with an explicit length and a
// separately tracked capacity; every empty value shares one zero byte that is never written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace vantrel {

// The process-wide zero byte that every empty value points at.
extern char emptyBuffer[1];

class StringValue {
 public:
  // Only StringValue allocates and frees buffer; others may write into it (writableBuffer).
  char* buffer = emptyBuffer;  // never null; buffer[length] is 0
  uint32_t capacity = 0;       // bytes allocated at buffer; 0 while buffer is emptyBuffer
  uint32_t length = 0;         // text bytes, terminator not counted

  StringValue() noexcept = default;
  StringValue(const char* text);  // NOLINT: C text converts implicitly, as in the dialect
  StringValue(const char* bytes, std::size_t count);
  StringValue(const StringValue& other);
  StringValue(StringValue&& other) noexcept;
  explicit StringValue(int value);
  explicit StringValue(float value);
  explicit StringValue(double value);
  static StringValue fromWideText(const wchar_t* text);
  ~StringValue() { destroy(); }

  StringValue& operator=(const StringValue& other);
  StringValue& operator=(StringValue&& other) noexcept;
  StringValue& operator=(const char* text);

  // Frees the storage and makes the value the shared empty value.
  void destroy() noexcept;
  void swap(StringValue& other) noexcept;

  // The single growth rule: room for n text bytes and a terminator, in 16-byte steps.
  void reserve(uint32_t n, bool keepContents);

  StringValue& append(const char* text);
  StringValue& append(const StringValue& other);
  StringValue& appendBytes(const char* bytes, std::size_t count);
  StringValue& appendByte(char byte);
  StringValue& append(int value);
  StringValue& append(float value);
  StringValue& append(double value);
  template <typename T>
  StringValue& operator+=(const T& value) { return append(value); }
  StringValue& operator+=(char byte) { return appendByte(byte); }

  const char* text() const noexcept { return buffer; }
  bool isEmpty() const noexcept { return length == 0; }
  double toDouble() const;
  int toInt() const;
};

static_assert(std::is_nothrow_move_constructible_v<StringValue>);
static_assert(std::is_copy_constructible_v<StringValue>);

// The text form of every number: integers in decimal; floats and doubles with 10 significant
// digits (%.10g), no trailing zeros and no trailing point.
StringValue numberToText(int value);
StringValue numberToText(double value);
inline StringValue numberToText(float value) { return numberToText(static_cast<double>(value)); }

// Buffer access for platform calls: room for n bytes and a terminator, then recountLength.
char* writableBuffer(StringValue& s, uint32_t n);
void recountLength(StringValue& s);
void truncateAt(StringValue& s, int n);
std::size_t cLength(const StringValue& s);
// Converts into one process-wide buffer of 512 wide units; valid until the next call.
const wchar_t* toWideText(const StringValue& s);

// Joining into a new value.
StringValue operator+(const StringValue& a, const StringValue& b);
StringValue operator+(const StringValue& a, const char* b);
StringValue operator+(const char* a, const StringValue& b);
StringValue joinText(const char* a, const char* b);
StringValue operator+(const StringValue& a, int b);
StringValue operator+(const StringValue& a, float b);
StringValue operator+(const StringValue& a, double b);
StringValue operator+(int a, const StringValue& b);
StringValue operator+(float a, const StringValue& b);
StringValue operator+(double a, const StringValue& b);
StringValue joinText(const char* a, int b);
StringValue joinText(const char* a, double b);
StringValue joinText(int a, const char* b);
StringValue joinText(double a, const char* b);

// Text against text: value == value compares the whole length; every other relation is the
// byte comparison of the zero-terminated texts.
bool operator==(const StringValue& a, const StringValue& b);
bool operator!=(const StringValue& a, const StringValue& b);
bool operator<(const StringValue& a, const StringValue& b);
bool operator>(const StringValue& a, const StringValue& b);
bool operator<=(const StringValue& a, const StringValue& b);
bool operator>=(const StringValue& a, const StringValue& b);
int compareText(const StringValue& a, const char* b);
int compareText(const char* a, const char* b);

#define VANTREL_TEXT_RELATIONS(Left, Right)    \
  bool operator==(Left a, Right b);            \
  bool operator!=(Left a, Right b);            \
  bool operator<(Left a, Right b);             \
  bool operator>(Left a, Right b);             \
  bool operator<=(Left a, Right b);            \
  bool operator>=(Left a, Right b);
VANTREL_TEXT_RELATIONS(const StringValue&, const char*)
VANTREL_TEXT_RELATIONS(const char*, const StringValue&)
// Text against numbers: the text is converted (atof for float/double, atoi for int).
VANTREL_TEXT_RELATIONS(const StringValue&, double)
VANTREL_TEXT_RELATIONS(const StringValue&, float)
VANTREL_TEXT_RELATIONS(const StringValue&, int)
#undef VANTREL_TEXT_RELATIONS
int compareNumber(const StringValue& a, double b);
int compareNumber(const StringValue& a, int b);

}  // namespace vantrel
