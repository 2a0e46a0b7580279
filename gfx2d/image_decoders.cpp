// The decoder chain used by the loaders and the fill of transparent pixels.
#include "gfx2d/image_decoders.h"

namespace vantrel {

bool decodeImageFile(const char* name, int key, ImageBuffer& image) {
  return decodeBitmap(name, key, image) || decodePng(name, key, image) || decodeJpeg(name, image);
}

bool decodeSpriteImage(const char* name, int key, ImageBuffer& image) {
  if (!decodeImageFile(name, key, image)) return false;
  if (!image.authoredAlpha) fillTransparentPixels(image);
  return true;
}

void fillTransparentPixels(ImageBuffer& image) {
  // Only alpha decides what counts as a neighbour and the fill never changes alpha, so the
  // pixels can be filled in place.
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      uint8_t* pixel = image.pixel(x, y);
      if (pixel[3] != 0) continue;
      int sums[3] = {0, 0, 0};
      int count = 0;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          int nx = x + dx, ny = y + dy;
          if ((dx == 0 && dy == 0) || nx < 1 || ny < 1 || nx > image.width - 2 || ny > image.height - 2) {
            continue;
          }
          const uint8_t* neighbour = image.pixel(nx, ny);
          if (neighbour[3] == 0) continue;
          for (int c = 0; c < 3; ++c) sums[c] += neighbour[c];
          ++count;
        }
      }
      for (int c = 0; c < 3; ++c) pixel[c] = static_cast<uint8_t>(count ? sums[c] / count : 0);
    }
  }
}

}  // namespace vantrel
