// libFuzzer target: the bitmap decoder over a memory name holding the input, then the fill of
// transparent pixels it feeds.
#include <cstddef>
#include <cstdint>

#include "files/data_stream.h"
#include "gfx2d/image_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vantrel;
  if (size > 0x7fffffff) return 0;
  StringValue name = memoryName(data, static_cast<uint32_t>(size));
  ImageBuffer image;
  if (decodeBitmap(name.text(), 0x8000ff, image)) fillTransparentPixels(image);
  return 0;
}
