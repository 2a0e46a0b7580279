// Text encryption: the runtime's Blowfish engine (ECB, little-endian block halves, zero-filled
// last block) and the two string commands that carry the ciphertext as lower-case hex text.
#pragma once

#include <cstdint>

#include "core/string_value.h"

namespace vantrel {

// An expanded key: the P-array and the four S-boxes after the key schedule.
struct BlowfishKey {
  uint32_t p[18];
  uint32_t s[4][256];
};

// The standard key schedule over key bytes k[j mod length]; only the first 72 bytes matter.
// An empty key acts as a single zero byte, which leaves the initial P-array as it is.
void setKey(BlowfishKey& key, const uint8_t* bytes, int length);
void encryptBlock(const BlowfishKey& key, uint32_t& left, uint32_t& right);
void decryptBlock(const BlowfishKey& key, uint32_t& left, uint32_t& right);
// Encrypts length bytes as whole 8-byte blocks, zero-filling the last one. destination needs
// room for the padded length, which is returned; source and destination may be the same.
// length must leave the padded length within the int range.
int encryptBuffer(const BlowfishKey& key, const uint8_t* source, uint8_t* destination, int length);
// Decrypts the whole 8-byte blocks of length bytes; a trailing partial block is left untouched.
// Source and destination may be the same.
void decryptBuffer(const BlowfishKey& key, const uint8_t* source, uint8_t* destination, int length);

// The ciphertext of text under key as lower-case hex, 16 digits per block.
StringValue encryptText(const StringValue& key, const StringValue& text);
// The plain text back from hex (turned to lower case in place), up to its first zero byte.
// Whole blocks only: the digits of a trailing partial block are ignored.
StringValue decryptText(const StringValue& key, StringValue& hex);

}  // namespace vantrel
