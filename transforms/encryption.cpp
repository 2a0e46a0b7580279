// The Blowfish engine and encryptText/decryptText. Block halves are little-endian words, so
// the bytes differ from the published big-endian test vectors for the same key and block.
#include "transforms/encryption.h"

#include <cstring>

#include "core/errors.h"
#include "core/string_commands.h"
#include "core/string_value.h"
#include "transforms/blowfish_tables.h"

namespace vantrel {

namespace {

constexpr int BLOCK = 8;
// The longest text whose padded hex form still fits a text length.
constexpr uint32_t MAX_PLAIN_LENGTH = 0x7ffffff0u;

inline uint32_t feistel(const BlowfishKey& key, uint32_t x) {
  return ((key.s[0][x >> 24] + key.s[1][(x >> 16) & 255]) ^ key.s[2][(x >> 8) & 255]) +
         key.s[3][x & 255];
}

inline uint32_t loadLittle(const uint8_t* b) {
  return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
         static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
}

inline void storeLittle(uint8_t* b, uint32_t w) {
  b[0] = static_cast<uint8_t>(w);
  b[1] = static_cast<uint8_t>(w >> 8);
  b[2] = static_cast<uint8_t>(w >> 16);
  b[3] = static_cast<uint8_t>(w >> 24);
}

int paddedLength(int length) { return length <= 0 ? 0 : (length + BLOCK - 1) / BLOCK * BLOCK; }

// Lower-case hex digits without validation: anything above '9' counts from 'a'.
int digitValue(char digit) {
  const int d = static_cast<signed char>(digit);
  return d <= '9' ? d - '0' : d - 'a' + 10;
}

}  // namespace

// The 16 rounds are written out: a rolled loop keeps the compiler from holding the halves
// and the P-array offsets in registers.
#define BLOWFISH_ROUND(a, b, n) b ^= feistel(key, a) ^ key.p[n]

void encryptBlock(const BlowfishKey& key, uint32_t& left, uint32_t& right) {
  uint32_t l = left ^ key.p[0];
  uint32_t r = right;
  BLOWFISH_ROUND(l, r, 1);
  BLOWFISH_ROUND(r, l, 2);
  BLOWFISH_ROUND(l, r, 3);
  BLOWFISH_ROUND(r, l, 4);
  BLOWFISH_ROUND(l, r, 5);
  BLOWFISH_ROUND(r, l, 6);
  BLOWFISH_ROUND(l, r, 7);
  BLOWFISH_ROUND(r, l, 8);
  BLOWFISH_ROUND(l, r, 9);
  BLOWFISH_ROUND(r, l, 10);
  BLOWFISH_ROUND(l, r, 11);
  BLOWFISH_ROUND(r, l, 12);
  BLOWFISH_ROUND(l, r, 13);
  BLOWFISH_ROUND(r, l, 14);
  BLOWFISH_ROUND(l, r, 15);
  BLOWFISH_ROUND(r, l, 16);
  left = r ^ key.p[17];
  right = l;
}

void decryptBlock(const BlowfishKey& key, uint32_t& left, uint32_t& right) {
  uint32_t l = left ^ key.p[17];
  uint32_t r = right;
  BLOWFISH_ROUND(l, r, 16);
  BLOWFISH_ROUND(r, l, 15);
  BLOWFISH_ROUND(l, r, 14);
  BLOWFISH_ROUND(r, l, 13);
  BLOWFISH_ROUND(l, r, 12);
  BLOWFISH_ROUND(r, l, 11);
  BLOWFISH_ROUND(l, r, 10);
  BLOWFISH_ROUND(r, l, 9);
  BLOWFISH_ROUND(l, r, 8);
  BLOWFISH_ROUND(r, l, 7);
  BLOWFISH_ROUND(l, r, 6);
  BLOWFISH_ROUND(r, l, 5);
  BLOWFISH_ROUND(l, r, 4);
  BLOWFISH_ROUND(r, l, 3);
  BLOWFISH_ROUND(l, r, 2);
  BLOWFISH_ROUND(r, l, 1);
  left = r ^ key.p[0];
  right = l;
}

#undef BLOWFISH_ROUND

void setKey(BlowfishKey& key, const uint8_t* bytes, int length) {
  std::memcpy(key.p, detail::BLOWFISH_INITIAL_P, sizeof key.p);
  std::memcpy(key.s, detail::BLOWFISH_INITIAL_S, sizeof key.s);
  if (length > 0) {
    int j = 0;
    for (uint32_t& word : key.p) {
      uint32_t data = 0;
      for (int k = 0; k < 4; ++k) {
        data = data << 8 | bytes[j];
        j = j + 1 == length ? 0 : j + 1;
      }
      word ^= data;
    }
  }
  uint32_t left = 0;
  uint32_t right = 0;
  for (int i = 0; i < 18; i += 2) {
    encryptBlock(key, left, right);
    key.p[i] = left;
    key.p[i + 1] = right;
  }
  for (auto& box : key.s) {
    for (int i = 0; i < 256; i += 2) {
      encryptBlock(key, left, right);
      box[i] = left;
      box[i + 1] = right;
    }
  }
}

int encryptBuffer(const BlowfishKey& key, const uint8_t* source, uint8_t* destination, int length) {
  if (length <= 0) return 0;
  const int whole = length / BLOCK * BLOCK;
  for (int offset = 0; offset < whole; offset += BLOCK) {
    uint32_t left = loadLittle(source + offset);
    uint32_t right = loadLittle(source + offset + 4);
    encryptBlock(key, left, right);
    storeLittle(destination + offset, left);
    storeLittle(destination + offset + 4, right);
  }
  if (whole < length) {
    uint8_t last[BLOCK] = {};
    std::memcpy(last, source + whole, static_cast<size_t>(length - whole));
    uint32_t left = loadLittle(last);
    uint32_t right = loadLittle(last + 4);
    encryptBlock(key, left, right);
    storeLittle(destination + whole, left);
    storeLittle(destination + whole + 4, right);
  }
  return paddedLength(length);
}

void decryptBuffer(const BlowfishKey& key, const uint8_t* source, uint8_t* destination, int length) {
  const int whole = length <= 0 ? 0 : length / BLOCK * BLOCK;
  for (int offset = 0; offset < whole; offset += BLOCK) {
    uint32_t left = loadLittle(source + offset);
    uint32_t right = loadLittle(source + offset + 4);
    decryptBlock(key, left, right);
    storeLittle(destination + offset, left);
    storeLittle(destination + offset + 4, right);
  }
}

StringValue encryptText(const StringValue& key, const StringValue& text) {
  StringValue result;
  if (text.length == 0) return result;
  // The hex form must fit a text's 32-bit length.
  if (text.length > MAX_PLAIN_LENGTH) {
    raiseError(ERR_OUT_OF_MEMORY);
    return result;
  }
  BlowfishKey schedule;
  setKey(schedule, reinterpret_cast<const uint8_t*>(key.buffer), static_cast<int>(key.length));
  const int length = static_cast<int>(text.length);
  const uint32_t padded = static_cast<uint32_t>(paddedLength(length));
  // The ciphertext goes into the upper half of the result and is spread into hex digits in
  // place (the same text as hexEncode, without a second buffer): digit pair i never reaches
  // beyond byte i, which is read first.
  char* digits = writableBuffer(result, 2 * padded);
  uint8_t* cipher = reinterpret_cast<uint8_t*>(digits) + padded;
  encryptBuffer(schedule, reinterpret_cast<const uint8_t*>(text.buffer), cipher, length);
  static const char HEX[] = "0123456789abcdef";
  for (uint32_t i = 0; i < padded; ++i) {
    const uint8_t byte = cipher[i];
    digits[2 * i] = HEX[byte >> 4];
    digits[2 * i + 1] = HEX[byte & 15];
  }
  result.length = 2 * padded;
  digits[result.length] = 0;
  return result;
}

StringValue decryptText(const StringValue& key, StringValue& hex) {
  makeLower(hex);
  StringValue result;
  const uint32_t count = hex.length / 2;
  // Only whole blocks are decrypted; the digits of a trailing partial block are ignored.
  const uint32_t whole = count / BLOCK * BLOCK;
  if (whole == 0) return result;
  uint8_t* bytes = reinterpret_cast<uint8_t*>(writableBuffer(result, whole));
  for (uint32_t i = 0; i < whole; ++i) {
    bytes[i] = static_cast<uint8_t>(digitValue(hex.buffer[2 * i]) * 16 +
                                    digitValue(hex.buffer[2 * i + 1]));
  }
  BlowfishKey schedule;
  setKey(schedule, reinterpret_cast<const uint8_t*>(key.buffer), static_cast<int>(key.length));
  decryptBuffer(schedule, bytes, bytes, static_cast<int>(whole));
  bytes[whole] = 0;
  // The text ends at its first zero byte: the zero fill and anything after a zero go.
  result.length = static_cast<uint32_t>(std::strlen(reinterpret_cast<char*>(bytes)));
  return result;
}

}  // namespace vantrel
