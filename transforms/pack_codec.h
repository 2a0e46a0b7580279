// PackCodec: the codec of appended-archive entries, a 4-byte little-endian decoded length
// followed by an LZO1X stream, decoded with liblzo2's bounded decompressor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vantrel {

class PackCodec {
 public:
  static constexpr int LZO_MODE = 1;
  static constexpr int32_t HEADER_SIZE = 4;

  std::unique_ptr<uint8_t[]> output;  // decoded bytes, owned until taken over
  int32_t outputLength = 0;
  int mode = LZO_MODE;

  void resetCodec();
  // Decodes one stored entry into output and returns the decoded length. Bad data (no
  // header, a negative length, a length the stored bytes could never produce, a damaged
  // stream) gives 0 and outputLength 0.
  int32_t decodeEntry(const uint8_t* stored, int32_t storedSize);
  // Moves the decoded block out of the codec; the block is never null after a decode (an
  // empty result still has one byte of storage, so its address can be named).
  std::unique_ptr<uint8_t[]> takeOutput(int32_t* length);

  // The stored form of data: header + LZO1X-1 stream. False when the data is too large for
  // the 32-bit framing or the compressor fails.
  static bool encodeEntry(const uint8_t* data, std::size_t size, std::vector<uint8_t>& stored);
};

}  // namespace vantrel
