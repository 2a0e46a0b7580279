// Collision tests: rectangle overlap first, then the alpha masks over the overlap, centre
// first and then coarse to fine, so touching opaque areas are usually found early.
#include "gfx2d/sprite_collision.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <new>

#include "gfx2d/texture_store.h"

namespace vantrel {

namespace {

// A sprite placed on the screen: the cell at (x, y) is cellWidth x cellHeight pixels and
// starts at (offsetX, offsetY) inside the image.
struct PlacedCell {
  int64_t x, y;
  int64_t cellWidth, cellHeight;
  int64_t offsetX, offsetY;
  const SpriteRecord* record;
  const uint8_t* mask;
};

// The alpha channel of the sprite's texture, bottom row first, textureWidth bytes a row.
const uint8_t* alphaMask(OpenGLVerivure& engine, int n) {
  if (engine.alphaMasks[n]) return engine.alphaMasks[n];
  const SpriteRecord& record = engine.spriteTable[n];
  std::size_t bytes = static_cast<std::size_t>(record.textureWidth) * record.textureHeight;
  // The engine frees cached masks with delete[].
  auto* mask = new (std::nothrow) uint8_t[std::max<std::size_t>(bytes, 64)];
  if (!mask) return nullptr;
  bindSprite(engine, n, -1, false);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, mask);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  engine.alphaMasks[n] = mask;
  return mask;
}

// Pixels outside the sprite's image (a cell past its last row, for instance) are transparent.
bool opaqueAt(const PlacedCell& cell, int64_t screenX, int64_t screenY) {
  int64_t column = screenX - (cell.x - cell.offsetX);
  int64_t row = cell.record->height - 1 - (screenY - (cell.y - cell.offsetY));
  if (column < 0 || column >= cell.record->width || row < 0 || row >= cell.record->height) {
    return false;
  }
  return cell.mask[row * cell.record->textureWidth + column] != 0;
}

bool placeCell(OpenGLVerivure& engine, int n, int frame, bool animated, int x, int y, PlacedCell& cell) {
  if (!isSpriteNumber(n)) return false;
  const SpriteRecord& record = engine.spriteTable[n];
  if (record.width <= 0 || record.height <= 0 || !record.texture) return false;
  cell = PlacedCell{x, y, record.width, record.height, 0, 0, &record, nullptr};
  if (animated && record.frameWidth != 0) {
    int columns = std::max(1, record.width / record.frameWidth);
    cell.cellWidth = record.frameWidth;
    cell.cellHeight = record.frameHeight;
    cell.offsetX = int64_t{record.frameWidth} * (frame % columns);
    cell.offsetY = int64_t{record.frameHeight} * (frame / columns);
  }
  return true;
}

int cellsCollide(OpenGLVerivure& engine, int a, PlacedCell& first, int b, PlacedCell& second) {
  const int64_t left = std::max(first.x, second.x);
  const int64_t right = std::min(first.x + first.cellWidth, second.x + second.cellWidth);
  const int64_t top = std::max(first.y, second.y);
  const int64_t bottom = std::min(first.y + first.cellHeight, second.y + second.cellHeight);
  if (right <= left || bottom <= top) return 0;
  first.mask = alphaMask(engine, a);
  second.mask = alphaMask(engine, b);
  if (!first.mask || !second.mask) return 0;
  auto bothOpaque = [&](int64_t x, int64_t y) { return opaqueAt(first, x, y) && opaqueAt(second, x, y); };
  if (bothOpaque((left + right) / 2, (top + bottom) / 2)) return 1;
  static constexpr int passes[4][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};  // row, column parity
  for (const auto& pass : passes) {
    for (int64_t y = top + pass[0]; y < bottom; y += 2) {
      for (int64_t x = left + pass[1]; x < right; x += 2) {
        if (bothOpaque(x, y)) return 1;
      }
    }
  }
  return 0;
}

int collide(int a, int frameA, int xa, int ya, int b, int frameB, int xb, int yb, bool animated) {
  OpenGLVerivure* instance = drawingEngine();
  if (!instance) return 0;
  PlacedCell first{}, second{};
  if (!placeCell(*instance, a, frameA, animated, xa, ya, first) ||
      !placeCell(*instance, b, frameB, animated, xb, yb, second)) {
    return 0;
  }
  return cellsCollide(*instance, a, first, b, second);
}

}  // namespace

int spriteCollision(int a, int xa, int ya, int b, int xb, int yb) {
  return collide(a, 0, xa, ya, b, 0, xb, yb, false);
}

int animCollision(int a, int frameA, int xa, int ya, int b, int frameB, int xb, int yb) {
  return collide(a, frameA, xa, ya, b, frameB, xb, yb, true);
}

}  // namespace vantrel
