// The records the engine keeps per sprite number and per font glyph.
#pragma once

#include <cstdint>

namespace vantrel {

constexpr int SPRITE_COUNT = 65537;     // records in the sprite table
constexpr int FIRST_FONT_SPRITE = 65504;  // font slot f lives in sprite 65504 + f
constexpr int FONT_SLOTS = 32;
constexpr int GLYPHS_PER_FONT = 256;

struct SpriteRecord {
  uint32_t texture;     // GL texture for 2D drawing; 0 = none
  uint32_t mipTexture;  // mipmapped copy for 3D; 0 = none
  float uMax;           // image width / texture width
  float vMax;           // image height / texture height
  int16_t textureWidth;   // power of two; -1 when empty
  int16_t textureHeight;
  int16_t width;        // image size; a sprite exists when width > 0
  int16_t height;
  int16_t frameWidth;   // animation cell; 0 = not an animation
  int16_t frameHeight;
};

// The state of a record that holds no image.
inline SpriteRecord emptySpriteRecord() { return SpriteRecord{0, 0, 1.0f, 1.0f, -1, -1, 0, 0, 0, 0}; }

struct GlyphRecord {
  uint8_t left;     // first opaque column inside the cell
  uint8_t advance;  // proportional width, pixels
  float u0;         // texture coordinate of the left edge
  float u1;         // texture coordinate of the right edge
};

}  // namespace vantrel
