// ImageBuffer storage.
#include "gfx2d/image_buffer.h"

#include <cstdint>
#include <cstdlib>
#include <utility>

namespace vantrel {

ImageBuffer::~ImageBuffer() { std::free(pixels); }

void ImageBuffer::swap(ImageBuffer& other) noexcept {
  std::swap(authoredAlpha, other.authoredAlpha);
  std::swap(width, other.width);
  std::swap(height, other.height);
  std::swap(pixels, other.pixels);
  std::swap(capacity, other.capacity);
}

bool ImageBuffer::resize(int w, int h) {
  width = 0;
  height = 0;
  if (w < 1 || h < 1) return false;
  int64_t bytes = static_cast<int64_t>(w) * h * 4;
  if (bytes > INT32_MAX) return false;
  if (bytes > capacity) {
    std::free(pixels);
    capacity = 0;
    pixels = static_cast<uint8_t*>(std::malloc(static_cast<std::size_t>(bytes)));
    if (!pixels) return false;
    capacity = static_cast<int>(bytes);
  }
  width = w;
  height = h;
  return true;
}

}  // namespace vantrel
