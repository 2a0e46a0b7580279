// Power-of-two padding, normal maps and mipmap levels, computed on the CPU before upload.
#include "gfx2d/texture_conversions.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vantrel {

int textureSizeFor(int value) {
  int size = 16;
  while (size < value && size < (1 << 30)) size <<= 1;
  return size;
}

bool buildTextureBuffer(const ImageBuffer& image, int x, int y, int w, int h, int textureWidth,
                        int textureHeight, ImageBuffer& texture) {
  if (w > textureWidth || h > textureHeight) return false;
  if (!texture.resize(textureWidth, textureHeight)) return false;
  std::memset(texture.pixels, 0, static_cast<std::size_t>(textureWidth) * textureHeight * 4);
  int firstColumn = x < 0 ? -x : 0;
  int lastColumn = w < image.width - x ? w : image.width - x;  // exclusive
  if (lastColumn <= firstColumn) return true;
  for (int i = 0; i < h; ++i) {
    int sourceRow = y + i;
    if (sourceRow < 0 || sourceRow >= image.height) continue;
    std::memcpy(texture.pixel(firstColumn, h - 1 - i), image.pixel(x + firstColumn, sourceRow),
                static_cast<std::size_t>(lastColumn - firstColumn) * 4);
  }
  return true;
}

bool convertToNormalMap(ImageBuffer& texture) {
  const int w = texture.width;
  const int h = texture.height;
  // The heights are read from a copy: the conversion overwrites the blue channel it reads.
  uint8_t* heights = static_cast<uint8_t*>(std::malloc(static_cast<std::size_t>(w) * h));
  if (!heights) return false;
  for (int i = 0; i < w * h; ++i) heights[i] = texture.pixels[i * 4 + 2];
  auto height = [&](int column, int row) -> int {
    column = (column % w + w) % w;
    row = (row % h + h) % h;
    return heights[row * w + column];
  };
  for (int i = 0; i < h; ++i) {
    for (int j = 0; j < w; ++j) {
      auto columnSum = [&](int k) { return height(k, i - 1) + 2 * height(k, i) + height(k, i + 1); };
      auto rowSum = [&](int k) { return height(j - 1, k) + 2 * height(j, k) + height(j + 1, k); };
      float sx = -static_cast<float>(columnSum(j + 1) - columnSum(j - 1)) / 255.0f;
      float sy = -static_cast<float>(rowSum(i - 1) - rowSum(i + 1)) / 255.0f;
      float s = 1.0f / std::sqrt(sx * sx + sy * sy + 1.0f);
      uint8_t* texel = texture.pixel(j, i);
      texel[0] = static_cast<uint8_t>((sx * s + 1.0f) * 0.5f * 255.0f);
      texel[1] = static_cast<uint8_t>((sy * s + 1.0f) * 0.5f * 255.0f);
      texel[2] = static_cast<uint8_t>((s + 1.0f) * 0.5f * 255.0f);
    }
  }
  std::free(heights);
  return true;
}

void squareForMipmaps(ImageBuffer& texture) {
  // Each pass writes pixel k of the halved buffer from pixels 2k and 2k + 1 (or rows), which
  // lie at or after k, so the halving can run in place front to back.
  while (texture.width > texture.height) {
    int half = texture.width / 2;
    for (int row = 0; row < texture.height; ++row) {
      for (int column = 0; column < half; ++column) {
        const uint8_t* a = texture.pixel(2 * column, row);
        const uint8_t* b = a + 4;
        uint8_t* out = texture.pixels + (static_cast<int64_t>(row) * half + column) * 4;
        for (int c = 0; c < 4; ++c) out[c] = static_cast<uint8_t>((a[c] + b[c]) / 2);
      }
    }
    texture.width = half;
  }
  while (texture.height > texture.width) {
    int half = texture.height / 2;
    for (int row = 0; row < half; ++row) {
      for (int column = 0; column < texture.width; ++column) {
        const uint8_t* a = texture.pixel(column, 2 * row);
        const uint8_t* b = texture.pixel(column, 2 * row + 1);
        uint8_t* out = texture.pixel(column, row);
        for (int c = 0; c < 4; ++c) out[c] = static_cast<uint8_t>((a[c] + b[c]) / 2);
      }
    }
    texture.height = half;
  }
}

void shrinkToNextMipLevel(ImageBuffer& level) {
  // The chain is square and a power of two, so every texel of the next level has a full 2 x 2
  // block. Rows run from the bottom: the block's top row is the higher one. Output texel k
  // depends only on source texels at or after index k, so the level shrinks in place.
  const int size = level.width / 2;
  for (int row = 0; row < size; ++row) {
    for (int column = 0; column < size; ++column) {
      const uint8_t* bottomLeft = level.pixel(2 * column, 2 * row);
      const uint8_t* bottomRight = bottomLeft + 4;
      const uint8_t* topLeft = level.pixel(2 * column, 2 * row + 1);
      const uint8_t* topRight = topLeft + 4;
      uint8_t* out = level.pixels + (static_cast<int64_t>(row) * size + column) * 4;
      for (int c = 0; c < 4; ++c) {
        out[c] = static_cast<uint8_t>(
            (4 * topLeft[c] + 2 * topRight[c] + 2 * bottomLeft[c] + bottomRight[c]) / 9);
      }
    }
  }
  level.width = size;
  level.height = size;
}

}  // namespace vantrel
