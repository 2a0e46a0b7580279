// Texture sizes, the padded upside-down copy, normal maps of small height fields and the
// first levels of the mipmap chain.
#include "gfx2d/texture_conversions.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace vantrel {
namespace {

using Rgba = std::array<int, 4>;

Rgba texelAt(const ImageBuffer& buffer, int x, int y) {
  const uint8_t* p = buffer.pixel(x, y);
  return {p[0], p[1], p[2], p[3]};
}

void fill(ImageBuffer& buffer, int w, int h, Rgba colour) {
  ASSERT_TRUE(buffer.resize(w, h));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      for (int c = 0; c < 4; ++c) buffer.pixel(x, y)[c] = static_cast<uint8_t>(colour[c]);
    }
  }
}

TEST(TextureSize, IsThePowerOfTwoAtLeastSixteen) {
  const int cases[][2] = {{1, 16}, {10, 16}, {16, 16}, {17, 32}, {20, 32}, {100, 128},
                          {128, 128}, {129, 256}, {1000, 1024}, {16384, 16384}};
  for (const auto& c : cases) EXPECT_EQ(textureSizeFor(c[0]), c[1]) << c[0];
}

TEST(TextureBuffer, HoldsTheImageUpsideDownInTheLowerLeftCorner) {
  ImageBuffer image;
  ASSERT_TRUE(image.resize(3, 2));
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      uint8_t* p = image.pixel(x, y);
      p[0] = static_cast<uint8_t>(10 * x + 1);
      p[1] = static_cast<uint8_t>(10 * y + 1);
      p[2] = 7;
      p[3] = 255;
    }
  }
  ImageBuffer texture;
  ASSERT_TRUE(buildTextureBuffer(image, 0, 0, 3, 2, 16, 16, texture));
  EXPECT_EQ(texture.width, 16);
  EXPECT_EQ(texture.height, 16);
  // Texture row 1 holds image row 0 (the top), row 0 image row 1.
  EXPECT_EQ(texelAt(texture, 2, 1), (Rgba{21, 1, 7, 255}));
  EXPECT_EQ(texelAt(texture, 0, 0), (Rgba{1, 11, 7, 255}));
  EXPECT_EQ(texelAt(texture, 3, 0), (Rgba{0, 0, 0, 0})) << "padding right of the image";
  EXPECT_EQ(texelAt(texture, 0, 2), (Rgba{0, 0, 0, 0})) << "padding above the image";

  // A rectangle reaching past the image (a tile at the picture's edge): only pixels inside
  // the image are copied.
  ASSERT_TRUE(buildTextureBuffer(image, 2, 1, 4, 4, 16, 16, texture));
  EXPECT_EQ(texelAt(texture, 0, 3), (Rgba{21, 11, 7, 255})) << "image (2,1) at the rectangle's top-left";
  EXPECT_EQ(texelAt(texture, 1, 3), (Rgba{0, 0, 0, 0}));
  EXPECT_EQ(texelAt(texture, 0, 2), (Rgba{0, 0, 0, 0}));
}

TEST(NormalMap, FlatFieldPointsStraightUp) {
  ImageBuffer texture;
  fill(texture, 16, 16, {1, 2, 200, 99});
  ASSERT_TRUE(convertToNormalMap(texture));
  EXPECT_EQ(texelAt(texture, 7, 9), (Rgba{127, 127, 255, 99}));
}

TEST(NormalMap, SlopesAroundASinglePeakWrapAtTheEdges) {
  ImageBuffer texture;
  fill(texture, 16, 16, {0, 0, 0, 255});
  texture.pixel(5, 5)[2] = 255;  // one raised texel (rows counted from the bottom)
  texture.pixel(0, 10)[2] = 255;  // one at the left edge
  ASSERT_TRUE(convertToNormalMap(texture));
  // Left of the peak: sx = -2, sy = 0, s = 1/sqrt(5).
  EXPECT_EQ(texelAt(texture, 4, 5), (Rgba{13, 127, 184, 255}));
  // Right of the peak: sx = 2.
  EXPECT_EQ(texelAt(texture, 6, 5), (Rgba{241, 127, 184, 255}));
  // Below the peak (row 4): sy = 2; above it: sy = -2.
  EXPECT_EQ(texelAt(texture, 5, 4), (Rgba{127, 241, 184, 255}));
  EXPECT_EQ(texelAt(texture, 5, 6), (Rgba{127, 13, 184, 255}));
  // Diagonal neighbour: both sums see the peak once: sx = -1, sy = 1, s = 1/sqrt(3).
  EXPECT_EQ(texelAt(texture, 4, 4), (Rgba{53, 201, 201, 255}));
  // The peak itself is level.
  EXPECT_EQ(texelAt(texture, 5, 5), (Rgba{127, 127, 255, 255}));
  // The edge peak's left neighbour is the last column.
  EXPECT_EQ(texelAt(texture, 15, 10), (Rgba{13, 127, 184, 255}));
}

TEST(MipChain, SquaresByAveragingPairs) {
  ImageBuffer texture;
  fill(texture, 32, 16, {0, 0, 0, 0});
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 32; ++x) texture.pixel(x, y)[0] = static_cast<uint8_t>(x % 2 ? 101 : 0);
  }
  squareForMipmaps(texture);
  EXPECT_EQ(texture.width, 16);
  EXPECT_EQ(texture.height, 16);
  EXPECT_EQ(texelAt(texture, 3, 15), (Rgba{50, 0, 0, 0}));

  fill(texture, 16, 64, {0, 0, 0, 0});
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 16; ++x) texture.pixel(x, y)[1] = static_cast<uint8_t>(y % 4 == 0 ? 200 : 0);
  }
  squareForMipmaps(texture);
  EXPECT_EQ(texture.height, 16);
  // Two halvings: (200 + 0) / 2 = 100, then (100 + 0) / 2 = 50.
  EXPECT_EQ(texelAt(texture, 0, 0)[1], 50);
}

TEST(MipChain, WeighsEachBlockFourTwoTwoOne) {
  // Rows run from the bottom: in each 2 x 2 block the top row is the higher one.
  ImageBuffer level;
  fill(level, 16, 16, {0, 0, 0, 0});
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      uint8_t* p = level.pixel(x, y);
      bool top = y % 2 == 1, left = x % 2 == 0;
      p[0] = top && left ? 90 : 0;    // top-left only: 4 * 90 / 9
      p[1] = !top && !left ? 90 : 0;  // bottom-right only: 90 / 9
      p[2] = top && !left ? 90 : 0;   // top-right only: 2 * 90 / 9
      p[3] = 255;
    }
  }
  shrinkToNextMipLevel(level);
  EXPECT_EQ(level.width, 8);
  EXPECT_EQ(level.height, 8);
  EXPECT_EQ(texelAt(level, 3, 6), (Rgba{40, 10, 20, 255}));
  int levels = 1;
  while (level.width > 1) {
    shrinkToNextMipLevel(level);
    ++levels;
  }
  EXPECT_EQ(levels, 4) << "8, 4, 2, 1";
  EXPECT_EQ(level.height, 1);
}

}  // namespace
}  // namespace vantrel
