// ImageBuffer: a decoded RGBA picture on its way from a decoder to a texture upload.
// Its storage is reused while it is large enough.
#pragma once

#include <cstdint>
#include <type_traits>

namespace vantrel {

struct ImageBuffer {
  uint8_t authoredAlpha = 0;  // 1: alpha came from the file; 0: made by a colour key or opaque
  int width = 0;
  int height = 0;
  uint8_t* pixels = nullptr;  // width * height * 4 bytes: red, green, blue, alpha; rows from the top
  int capacity = 0;           // bytes allocated at pixels

  ImageBuffer() = default;
  ImageBuffer(const ImageBuffer&) = delete;
  ImageBuffer& operator=(const ImageBuffer&) = delete;
  ImageBuffer(ImageBuffer&& other) noexcept { swap(other); }
  ImageBuffer& operator=(ImageBuffer&& other) noexcept {
    ImageBuffer old;
    old.swap(other);
    swap(old);
    return *this;
  }
  ~ImageBuffer();

  void swap(ImageBuffer& other) noexcept;
  // Makes the buffer w x h pixels (contents undefined), growing the storage only when it is
  // too small. Fails for sizes below 1, for more than INT32_MAX bytes and when out of memory;
  // the buffer is then 0 x 0.
  bool resize(int w, int h);
  uint8_t* pixel(int x, int y) { return pixels + (static_cast<int64_t>(y) * width + x) * 4; }
  const uint8_t* pixel(int x, int y) const {
    return pixels + (static_cast<int64_t>(y) * width + x) * 4;
  }
};

static_assert(!std::is_copy_constructible_v<ImageBuffer>);
static_assert(std::is_nothrow_move_constructible_v<ImageBuffer>);

// A packed colour: red + green * 256 + blue * 65536.
inline int packColour(int red, int green, int blue) { return red + green * 256 + blue * 65536; }

}  // namespace vantrel
