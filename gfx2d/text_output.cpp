// Text drawing and measuring over the font slots' textures and glyph tables.
#include "gfx2d/text_output.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>

#include "gfx2d/fonts.h"
#include "gfx2d/texture_store.h"
#include "platform/gl_context.h"
#include "window/gl_extensions.h"

namespace vantrel {

namespace {

// The vertex buffer starts with room for 512 vertices and grows in steps of 128.
constexpr std::size_t FIRST_VERTEX_CAPACITY = 512;
constexpr std::size_t VERTEX_GROWTH_STEP = 128;

// The glyph a character code selects: the code taken as a signed byte, widened to 32 bits
// without sign, modulo the font's glyph count.
uint32_t glyphIndex(char code, int glyphCount) {
  return static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(code))) %
         static_cast<uint32_t>(glyphCount);
}

void reserveVertices(std::vector<TexturedVertex>& vertices, std::size_t needed) {
  if (vertices.capacity() >= needed) return;
  vertices.reserve(needed <= FIRST_VERTEX_CAPACITY
                       ? FIRST_VERTEX_CAPACITY
                       : VERTEX_GROWTH_STEP * (needed / VERTEX_GROWTH_STEP + 1));
}

}  // namespace

int drawText(OpenGLVerivure& engine, int slot, const StringValue& text, float x, float y, float z,
             bool proportional) {
  if (text.isEmpty() || slot < 0 || slot >= FONT_SLOTS || !engine.spriteTable ||
      !platform::hasGlContext()) {
    return 0;
  }
  std::vector<TexturedVertex>& vertices = engine.vertexBuffer;
  vertices.clear();
  reserveVertices(vertices, static_cast<std::size_t>(text.length) * 4);
  const int sprite = FIRST_FONT_SPRITE + slot;
  bindSprite(engine, sprite, -1, false);

  const SpriteRecord& record = engine.spriteTable[sprite];
  const FontGrid grid = fontGrid(record.width, record.height);
  const float rowStep = record.vMax / static_cast<float>(grid.rows);
  const float start = std::ceil(x);
  const float top = std::ceil(y);
  const float bottom = top + static_cast<float>(grid.cellHeight);
  const int fixedWidth = record.width >> 4;
  float pen = start;
  for (uint32_t i = 0; i < text.length; ++i) {
    const uint32_t g = glyphIndex(text.buffer[i], grid.glyphCount);
    if (g == 0) break;
    const float vBottom = rowStep * static_cast<float>(grid.rows - 1 - static_cast<int>(g / 16));
    const float vTop = vBottom + rowStep;
    float uLeft, uRight, width;
    if (proportional) {
      const GlyphRecord& glyph = engine.glyphs[slot][g];
      uLeft = glyph.u0;
      uRight = glyph.u1;
      width = glyph.advance;
    } else {
      uLeft = static_cast<float>(g % 16) * record.uMax / 16.0f;
      uRight = uLeft + record.uMax / 16.0f;
      width = static_cast<float>(fixedWidth);
    }
    const float right = pen + width;
    vertices.push_back({pen, bottom, z, uLeft, vBottom});
    vertices.push_back({pen, top, z, uLeft, vTop});
    vertices.push_back({right, bottom, z, uRight, vBottom});
    vertices.push_back({right, top, z, uRight, vTop});
    pen = right;
  }
  if (vertices.empty()) return 0;

  // Each character starts where the last one ended, so the seams of the one strip are
  // zero-area triangles.
  if (glExtensions().glClientActiveTextureARB) glExtensions().glClientActiveTextureARB(GL_TEXTURE0_ARB);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glVertexPointer(3, GL_FLOAT, sizeof(TexturedVertex), &vertices[0].x);
  glTexCoordPointer(2, GL_FLOAT, sizeof(TexturedVertex), &vertices[0].u);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, static_cast<GLsizei>(vertices.size()));
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  return static_cast<int>(pen - start);
}

namespace {

// Whether text starting at (x, y) can reach the drawing area: the 2D projection clips to
// [0, width] x [0, height] of the viewport in every orientation, so a text whose rows lie
// wholly above or below it, or which starts right of it, changes no pixel.
bool textMayShow(const OpenGLVerivure& engine, int slot, float x, float y) {
  if (!engine.spriteTable || engine.viewportWidth <= 0 || engine.viewportHeight <= 0) return true;
  const SpriteRecord& record = engine.spriteTable[FIRST_FONT_SPRITE + slot];
  const float top = std::ceil(y);
  const float bottom = top + static_cast<float>(fontGrid(record.width, record.height).cellHeight);
  return bottom > 0 && top < static_cast<float>(engine.viewportHeight) &&
         std::ceil(x) < static_cast<float>(engine.viewportWidth);
}

}  // namespace

void printText(const StringValue& text, double x, double y, int proportional) {
  if (OpenGLVerivure* instance = drawingEngine()) {
    const int slot = currentFont();
    if (!textMayShow(*instance, slot, static_cast<float>(x), static_cast<float>(y))) return;
    drawText(*instance, slot, text, static_cast<float>(x), static_cast<float>(y), 0.0f, proportional != 0);
  }
}

int textWidth(const StringValue& text, int proportional) {
  OpenGLVerivure* instance = engine();
  if (!instance || !instance->spriteTable) return 0;
  const int slot = currentFont();
  const SpriteRecord& record = instance->spriteTable[FIRST_FONT_SPRITE + slot];
  const int glyphCount = fontGrid(record.width, record.height).glyphCount;
  int width = 0;
  for (uint32_t i = 0; i < text.length; ++i) {
    const uint32_t g = glyphIndex(text.buffer[i], glyphCount);
    if (g == 0) break;
    width += proportional ? instance->glyphs[slot][g].advance : record.width >> 4;
  }
  return width;
}

}  // namespace vantrel
