// PackCodec over liblzo2: the bounded LZO1X decompressor for archive entries and the LZO1X-1
// compressor for the packing tool.
#include "transforms/pack_codec.h"

#include <lzo/lzo1x.h>

#include <limits>
#include <new>
#include <utility>

namespace vantrel {

namespace {

// Each byte of an LZO1X stream yields at most 255 bytes of output (a long match adds 255 of
// length per zero byte), so a header claiming more than that cannot be honest and is not
// allocated for.
constexpr int64_t MAX_EXPANSION = 255;

bool lzoReady() {
  static const bool ready = lzo_init() == LZO_E_OK;
  return ready;
}

int32_t readLength(const uint8_t* bytes) {
  uint32_t value = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
                   uint32_t(bytes[3]) << 24;
  return static_cast<int32_t>(value);
}

}  // namespace

void PackCodec::resetCodec() {
  output.reset();
  outputLength = 0;
}

int32_t PackCodec::decodeEntry(const uint8_t* stored, int32_t storedSize) {
  resetCodec();
  if (!stored || storedSize < HEADER_SIZE || mode != LZO_MODE || !lzoReady()) return 0;
  const int32_t declared = readLength(stored);
  const int64_t streamSize = storedSize - HEADER_SIZE;
  if (declared < 0 || declared > MAX_EXPANSION * streamSize) return 0;

  // One byte at least, so that an empty result still has an address to name.
  output.reset(new (std::nothrow) uint8_t[declared > 0 ? declared : 1]);
  if (!output) return 0;
  lzo_uint decoded = static_cast<lzo_uint>(declared);
  int result = lzo1x_decompress_safe(stored + HEADER_SIZE, static_cast<lzo_uint>(streamSize),
                                     output.get(), &decoded, nullptr);
  if (result != LZO_E_OK) return 0;
  outputLength = static_cast<int32_t>(decoded);
  return outputLength;
}

std::unique_ptr<uint8_t[]> PackCodec::takeOutput(int32_t* length) {
  std::unique_ptr<uint8_t[]> block = std::move(output);
  if (!block) block.reset(new uint8_t[1]());
  if (length) *length = outputLength;
  outputLength = 0;
  return block;
}

bool PackCodec::encodeEntry(const uint8_t* data, std::size_t size, std::vector<uint8_t>& stored) {
  stored.clear();
  if (size > static_cast<std::size_t>(std::numeric_limits<int32_t>::max()) || !lzoReady())
    return false;
  if (size > 0 && !data) return false;
  // The LZO documentation's worst case for incompressible input.
  const std::size_t bound = size + size / 16 + 64 + 3;
  if (bound > static_cast<std::size_t>(std::numeric_limits<int32_t>::max()) - HEADER_SIZE)
    return false;
  std::vector<uint8_t> work(LZO1X_1_MEM_COMPRESS);
  stored.resize(HEADER_SIZE + bound);
  const uint32_t length = static_cast<uint32_t>(size);
  for (int i = 0; i < 4; ++i) stored[i] = static_cast<uint8_t>(length >> (8 * i));
  static const uint8_t nothing = 0;
  lzo_uint packed = 0;
  int result = lzo1x_1_compress(size ? data : &nothing, static_cast<lzo_uint>(size),
                                stored.data() + HEADER_SIZE, &packed, work.data());
  if (result != LZO_E_OK) {
    stored.clear();
    return false;
  }
  stored.resize(HEADER_SIZE + packed);
  return true;
}

}  // namespace vantrel
