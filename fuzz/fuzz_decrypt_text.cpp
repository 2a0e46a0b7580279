// decryptText on arbitrary key and ciphertext text; whatever comes out must survive a round trip.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "transforms/encryption.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // First byte: the key length; then the key; the rest is the ciphertext text.
  const size_t keyLength = data[0] % 100 < size - 1 ? data[0] % 100 : size - 1;
  const vantrel::StringValue key(reinterpret_cast<const char*>(data + 1), keyLength);
  vantrel::StringValue hex(reinterpret_cast<const char*>(data + 1 + keyLength),
                           size - 1 - keyLength);
  const vantrel::StringValue plain = vantrel::decryptText(key, hex);
  if (plain.length != std::strlen(plain.text())) std::abort();
  vantrel::StringValue cipher = vantrel::encryptText(key, plain);
  const vantrel::StringValue back = vantrel::decryptText(key, cipher);
  if (back.length != plain.length || std::memcmp(back.text(), plain.text(), plain.length) != 0) {
    std::abort();
  }
  return 0;
}
