// Text commands over StringValue.
#include "core/string_commands.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/array_value.h"

namespace vantrel {

namespace {

// Assigns bytes to an existing value the way value assignment does: the allocation is reused
// when it is large enough.
void assignBytes(StringValue& target, const char* bytes, std::size_t count) {
  if (count == 0) {
    if (target.buffer != emptyBuffer) target.buffer[0] = 0;
    target.length = 0;
    return;
  }
  target.reserve(static_cast<uint32_t>(count), false);
  std::memcpy(target.buffer, bytes, count);
  target.buffer[count] = 0;
  target.length = static_cast<uint32_t>(count);
}

void appendField(TextArray& array, const char* bytes, std::size_t count) {
  if (array.sizes[1] != 0) failFatally(ERR_PUSH_MULTI_DIM);
  int32_t index = array.sizes[0];
  if (index + 1 >= array.capacity) array.growCapacity(TextArray::capacityFor(static_cast<int64_t>(index) + 1));
  array.sizes[0] = index + 1;
  array.stride1 = index + 1;
  array.count = index + 1;
  array.dimensionCount = 1;
  assignBytes(array.elements[index], bytes, count);
}

bool isHexDigit(unsigned char c) { return std::isxdigit(c) != 0; }

int hexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

int clampToInt(double value, int lowest, int highest) {
  if (!(value >= lowest)) return lowest;  // also NaN
  if (value > highest) return highest;
  return static_cast<int>(value);
}

}  // namespace

long searchBytes(const char* text, std::size_t textLength, const char* what, std::size_t whatLength) {
  if (!text || !what || whatLength == 0) return -1;
  if (textLength == 0) return 0;
  if (textLength < whatLength) return -1;
  if (textLength == whatLength) return std::memcmp(text, what, whatLength) == 0 ? 0 : -1;
  const unsigned char* haystack = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* needle = reinterpret_cast<const unsigned char*>(what);
  if (whatLength == 1) {
    // Horspool with a one-byte pattern is a byte scan; memchr gives the same first match.
    const void* hit = std::memchr(haystack, needle[0], textLength);
    return hit ? static_cast<const unsigned char*>(hit) - haystack : -1;
  }
  const std::size_t last = whatLength - 1;
  const unsigned char lastByte = needle[last];
  std::size_t offset = 0;
  if (whatLength <= 255) {
    // Shifts fit a byte for patterns up to 255 bytes: a 256-byte table is cheap to set up.
    unsigned char shift[256];
    std::memset(shift, static_cast<int>(whatLength), sizeof shift);
    for (std::size_t i = 0; i < last; ++i) shift[needle[i]] = static_cast<unsigned char>(last - i);
    while (offset + whatLength <= textLength) {
      unsigned char under = haystack[offset + last];
      if (under == lastByte && std::memcmp(haystack + offset, needle, last) == 0)
        return static_cast<long>(offset);
      offset += shift[under];
    }
    return -1;
  }
  std::size_t shift[256];
  for (std::size_t& s : shift) s = whatLength;
  for (std::size_t i = 0; i < last; ++i) shift[needle[i]] = last - i;
  while (offset + whatLength <= textLength) {
    unsigned char under = haystack[offset + last];
    if (under == lastByte && std::memcmp(haystack + offset, needle, last) == 0)
      return static_cast<long>(offset);
    offset += shift[under];
  }
  return -1;
}

int splitString(const StringValue& text, TextArray& target, const char* delimiters, int dropEmpty) {
  // The split reads a work copy when the text is an element of the target itself, which the
  // split overwrites; otherwise it reads the text in place. Either way text after an embedded
  // zero byte is ignored.
  static StringValue work;
  const bool aliased = target.elements && &text >= target.elements && &text < target.elements + target.capacity;
  const char* bytes = text.buffer;
  std::size_t length = std::strlen(text.buffer);
  if (aliased) {
    assignBytes(work, text.buffer, length);
    bytes = work.buffer;
  }
  target.clearShape();
  const char* set = delimiters ? delimiters : "";
  const bool single = set[0] != 0 && set[1] == 0;
  bool isDelimiter[256];
  if (!single) {
    std::memset(isDelimiter, 0, sizeof isDelimiter);
    for (const char* d = set; *d; ++d) isDelimiter[static_cast<unsigned char>(*d)] = true;
  }
  const char only = set[0];
  auto delimiterAt = [&](std::size_t i) {
    return single ? bytes[i] == only : isDelimiter[static_cast<unsigned char>(bytes[i])];
  };
  std::size_t position = 0;
  for (;;) {
    if (dropEmpty) {
      while (position < length && delimiterAt(position)) ++position;
      if (position >= length) break;
    }
    std::size_t end;
    if (single) {
      const void* hit = std::memchr(bytes + position, only, length - position);
      end = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - bytes) : length;
    } else {
      end = position;
      while (end < length && !delimiterAt(end)) ++end;
    }
    if (end < length) {
      if (!(end == position && dropEmpty)) appendField(target, bytes + position, end - position);
      position = end + 1;
      if (position >= length) break;
    } else {
      if (length > 0) appendField(target, bytes + position, end - position);
      break;
    }
  }
  return target.sizes[0];
}

StringValue midText(const StringValue& text, int start, int count) {
  int64_t length = text.length;
  int64_t n = count < 0 ? length : count;
  if (static_cast<int64_t>(start) + n > length) n = length - start;
  if (n <= 0 || start >= length || start < 0) return StringValue();
  return StringValue(text.buffer + start, static_cast<std::size_t>(n));
}

StringValue trimLeft(const StringValue& text, const char* set) {
  if (text.length == 0) return StringValue();
  const char* members = set ? set : "";
  uint32_t count = 0;
  while (count < text.length && text.buffer[count] && std::strchr(members, text.buffer[count])) ++count;
  if (count == text.length) return StringValue();
  if (count == 0) return text;
  return midText(text, static_cast<int>(count), -1);
}

StringValue trimRight(const StringValue& text, const char* set) {
  if (text.length == 0) return StringValue();
  const char* members = set ? set : "";
  uint32_t kept = text.length;
  while (kept > 0 && text.buffer[kept - 1] && std::strchr(members, text.buffer[kept - 1])) --kept;
  if (kept == 0) return StringValue();
  if (kept == text.length) return text;
  return midText(text, 0, static_cast<int>(kept));
}

int findText(const StringValue& text, const StringValue& what, int start) {
  if (start < 0) start = 0;
  if (static_cast<uint32_t>(start) >= text.length) return -1;
  long found = searchBytes(text.buffer + start, text.length - start, what.buffer, what.length);
  return found < 0 ? -1 : start + static_cast<int>(found);
}

int findLastText(const StringValue& text, const StringValue& what, int start) {
  if (start < 0) {
    start = static_cast<int>(text.length) - static_cast<int>(what.length);
    if (start < 0) return -1;
  }
  int kept = -1;
  uint32_t from = 0;
  while (from < text.length) {
    long found = searchBytes(text.buffer + from, text.length - from, what.buffer, what.length);
    if (found < 0) break;
    int64_t match = from + found;
    if (match > start) break;
    kept = static_cast<int>(match);
    from = static_cast<uint32_t>(match + 1);
  }
  return kept;
}

StringValue replaceText(const StringValue& text, const StringValue& what, const StringValue& with) {
  // Every match lies in the original text and the search resumes after it, so one left-to-right
  // pass over the input gives the same text as replacing in place match by match. The result is
  // gathered in a reused scratch buffer and copied once into a value of the exact size.
  static std::string scratch;
  std::size_t position = 0;
  const std::size_t length = text.length;
  bool replaced = false;
  while (position < length) {
    long found = searchBytes(text.buffer + position, length - position, what.buffer, what.length);
    if (found < 0) break;
    if (!replaced) {
      scratch.clear();
      replaced = true;
    }
    scratch.append(text.buffer + position, static_cast<std::size_t>(found));
    scratch.append(with.buffer, with.length);
    position += static_cast<std::size_t>(found) + what.length;
  }
  if (!replaced) return text;
  if (position < length) scratch.append(text.buffer + position, length - position);
  return StringValue(scratch.data(), scratch.size());
}

void makeUpper(StringValue& value) {
  for (uint32_t i = 0; i < value.length; ++i)
    value.buffer[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(value.buffer[i])));
}

void makeLower(StringValue& value) {
  for (uint32_t i = 0; i < value.length; ++i)
    value.buffer[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(value.buffer[i])));
}

StringValue upperText(const StringValue& text) {
  StringValue copy(text);
  makeUpper(copy);
  return copy;
}

StringValue lowerText(const StringValue& text) {
  StringValue copy(text);
  makeLower(copy);
  return copy;
}

StringValue formatNumber(double width, double decimals, double value) {
  static StringValue work;
  char format[48];
  // Widths and precisions beyond these bounds cannot show in the 128-byte result anyway.
  std::snprintf(format, sizeof format, "%%%d.%df", clampToInt(width, -4096, 4096),
                clampToInt(decimals, 0, 4096));
  work.reserve(127, false);
  std::snprintf(work.buffer, 128, format, value);
  recountLength(work);
  return work;
}

StringValue urlEncode(const StringValue& text) {
  StringValue result;
  char piece[8];
  for (uint32_t i = 0; i < text.length; ++i) {
    unsigned char byte = static_cast<unsigned char>(text.buffer[i]);
    if (std::isalnum(byte) && byte < 128) {
      result.appendByte(static_cast<char>(byte));
    } else if (byte < 128) {
      std::snprintf(piece, sizeof piece, "%%%02x", byte);
      result.appendBytes(piece, 3);
    } else {
      std::snprintf(piece, sizeof piece, "%%%02x%%%02x", byte < 0xC0 ? 0xC2 : 0xC3, (byte & 0x3F) | 0x80);
      result.appendBytes(piece, 6);
    }
  }
  return result;
}

StringValue urlDecode(const StringValue& text) {
  StringValue result;
  const char* bytes = text.buffer;
  const uint32_t length = text.length;
  for (uint32_t i = 0; i < length; ++i) {
    char c = bytes[i];
    if (c == '%') {
      bool firstHex = i + 1 < length && isHexDigit(static_cast<unsigned char>(bytes[i + 1]));
      bool secondHex = firstHex && i + 2 < length && isHexDigit(static_cast<unsigned char>(bytes[i + 2]));
      if (secondHex) {
        result.appendByte(static_cast<char>(hexPairValue(bytes[i + 1], bytes[i + 2])));
        i += 2;
      } else {
        i += 1;  // drops the "%" and the byte after it (a lone digit or a non-digit)
      }
    } else if (c == '+') {
      result.appendByte(' ');
    } else {
      result.appendByte(c);
    }
  }
  utf8ToLatin1(result);
  return result;
}

void utf8ToLatin1(StringValue& value) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(value.buffer);
  const uint32_t length = value.length;
  uint32_t out = 0;
  // The result is never longer than the input, so it is written over the value itself.
  char* target = value.buffer;
  for (uint32_t i = 0; i < length; ++i) {
    unsigned char byte = bytes[i];
    if (byte < 128) {
      target[out++] = static_cast<char>(byte);
    } else if ((byte & 0xE0) == 0xC0 && i + 1 < length) {
      unsigned code = ((byte & 0x1Fu) << 6) | (bytes[i + 1] & 0x3Fu);
      target[out++] = code < 256 ? static_cast<char>(code) : ' ';
      i += 1;
    } else if ((byte & 0xF0) == 0xE0 && i + 2 < length) {
      unsigned code = ((byte & 0x0Fu) << 12) | ((bytes[i + 1] & 0x3Fu) << 6) | (bytes[i + 2] & 0x3Fu);
      target[out++] = code < 256 ? static_cast<char>(code) : ' ';
      i += 2;
    }
  }
  if (value.buffer != emptyBuffer) value.buffer[out] = 0;
  value.length = out;
}

StringValue hexEncode(const void* bytes, int count, int upper) {
  StringValue result;
  if (!bytes || count <= 0) return result;
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  const unsigned char* source = static_cast<const unsigned char*>(bytes);
  result.reserve(static_cast<uint32_t>(count) * 2, false);
  for (int i = 0; i < count; ++i) {
    result.buffer[2 * i] = digits[source[i] >> 4];
    result.buffer[2 * i + 1] = digits[source[i] & 15];
  }
  result.length = static_cast<uint32_t>(count) * 2;
  result.buffer[result.length] = 0;
  return result;
}

int hexPairValue(char first, char second) { return hexDigitValue(first) * 16 + hexDigitValue(second); }

void stripControlTail(StringValue& value) {
  while (value.length > 0 && static_cast<unsigned char>(value.buffer[value.length - 1]) <= 31) {
    value.buffer[value.length - 1] = 0;
    value.length -= 1;
  }
}

const char* findFirstInSet(const char* text, const char* set) {
  if (!text || !set) return nullptr;
  const char* hit = text + std::strcspn(text, set);
  return *hit ? hit : nullptr;
}

const char* findFirstNotInSet(const char* text, const char* set) {
  if (!text) return nullptr;
  const char* hit = text + std::strspn(text, set ? set : "");
  return *hit ? hit : nullptr;
}

int charCode(const StringValue& text) {
  return text.length ? static_cast<unsigned char>(text.buffer[0]) : 0;
}

int charCodeAt(const StringValue& text, int position) {
  if (position < 0 || static_cast<uint32_t>(position) >= text.length) return 0;
  return static_cast<unsigned char>(text.buffer[position]);
}

StringValue charFromCode(int code) {
  static StringValue oneByte;
  oneByte.reserve(1, false);
  oneByte.buffer[0] = static_cast<char>(code & 0xFF);
  oneByte.buffer[1] = 0;
  oneByte.length = 1;
  return oneByte;
}

StringValue readStandardInputLine() {
  char line[4096];
  if (!std::fgets(line, sizeof line, stdin)) return StringValue();
  std::size_t length = std::strlen(line);
  if (length > 0 && line[length - 1] == '\n') line[--length] = 0;
  return StringValue(line, length);
}

}  // namespace vantrel
