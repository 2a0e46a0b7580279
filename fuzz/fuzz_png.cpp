// libFuzzer target: the PNG decoder (libpng over a DataStream) on a memory name holding the
// input, with the colour key applied.
#include <cstddef>
#include <cstdint>

#include "files/data_stream.h"
#include "gfx2d/image_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vantrel;
  if (size > 0x7fffffff) return 0;
  StringValue name = memoryName(data, static_cast<uint32_t>(size));
  ImageBuffer image;
  decodePng(name.text(), 0x8000ff, image);
  return 0;
}
