// Exact reads for the decoders: a memory stream hands out short reads without failing, so
// every read is checked against what the stream still holds.
#pragma once

#include <cstdint>

#include "files/data_stream.h"

namespace vantrel::detail {

inline int64_t bytesLeft(DataStream& stream) {
  return static_cast<int64_t>(stream.streamSize()) - stream.position;
}

inline bool readExactly(DataStream& stream, void* destination, int64_t n) {
  if (n < 0 || n > bytesLeft(stream)) return false;
  return stream.readBytes(destination, static_cast<int32_t>(n));
}

inline uint16_t littleEndian16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t littleEndian32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace vantrel::detail
