// Font slots, the built-in font table, glyph measuring and font loading.
#include "gfx2d/fonts.h"

#include <cstring>

#include "core/errors.h"
#include "files/appended_archive.h"
#include "gfx2d/image_decoders.h"
#include "gfx2d/texture_conversions.h"
#include "gfx2d/texture_store.h"

namespace vantrel {

namespace {

int currentFontSlot = 0;

constexpr int GLYPH_J = 106;
constexpr int GLYPH_SPACE = 32;

// Characters 32-127 of the built-in font, 5 x 6 pixels each: bit row * 5 + column, row 0 at
// the top and column 0 at the left.
constexpr uint32_t BUILTIN_GLYPHS[96] = {
    0x00000000, 0x08021080, 0x00002940, 0x15f57d40, 0x08e619c4, 0x14222140, 0x0ed114e0, 0x00001080,
    0x08210880, 0x04421040, 0x09575480, 0x08471080, 0x04400000, 0x00070000, 0x08000000, 0x04222100,
    0x00e5294e, 0x004210c4, 0x00e1390e, 0x00e4390e, 0x0084394a, 0x00e4384e, 0x00e5384e, 0x0042210e,
    0x00e5394e, 0x00e4394e, 0x00020080, 0x00220080, 0x00820888, 0x000701c0, 0x00222082, 0x0040310e,
    0x00e0b526, 0x00a5394e, 0x00e5194e, 0x00e5094e, 0x00e52946, 0x00e1384e, 0x0021384e, 0x00e5284e,
    0x00a5394a, 0x00e2108e, 0x00e5210c, 0x00a5194a, 0x00e10842, 0x015ad6bf, 0x00a5294e, 0x00e5294e,
    0x0021394e, 0x00f294a7, 0x00a5194e, 0x00e4384e, 0x0042108e, 0x00e5294a, 0x0045294a, 0x01fad6b5,
    0x00a5114a, 0x0042394a, 0x00e1110e, 0x00610846, 0x01041041, 0x00621086, 0x00000144, 0x00e00000,
    0x00000082, 0x00e53000, 0x00e53842, 0x00e13800, 0x00e53908, 0x08273800, 0x00423888, 0x08873800,
    0x00a51842, 0x00421004, 0x04421004, 0x00a32842, 0x00421084, 0x015abc00, 0x00a51800, 0x00e53800,
    0x04e51800, 0x10e53000, 0x00253800, 0x00e409c0, 0x00c23884, 0x00c52800, 0x00452800, 0x00ead400,
    0x00a22800, 0x1c872800, 0x00e121c0, 0x00821888, 0x00421084, 0x00223082, 0x0002a800, 0x3f18c63f,
};

constexpr int BUILTIN_CELL = 8;

// Whether the built-in glyph has its pixel at cell position (x, y); the 5 x 6 bitmap sits at
// (1, 1) inside the 8 x 8 cell.
bool builtinPixelSet(uint32_t glyph, int x, int y) {
  if (x < 1 || x > 5 || y < 1 || y > 6) return false;
  return (glyph >> ((y - 1) * 5 + (x - 1))) & 1;
}

constexpr const char* DEFAULT_FONT_NAMES[] = {"Media/smalfont.png", "Media/smalfont.bmp",
                                              "smalfont.png", "smalfont.bmp"};

// Glyph advances are stored in a byte, so wider cells cannot be measured.
constexpr int MAX_CELL_WIDTH = 255;

bool isFontSlot(int slot) { return slot >= 0 && slot < FONT_SLOTS; }

bool columnHasInk(const ImageBuffer& image, int x, int top, int height) {
  for (int y = top; y < top + height; ++y) {
    if (image.pixel(x, y)[3] != 0) return true;
  }
  return false;
}

// Reads the font image, measures it and uploads it; false leaves the slot to the caller.
bool loadFontImage(OpenGLVerivure& engine, const char* name, int slot) {
  ImageBuffer image;
  if (!decodeBitmap(name, engine.fontKey, image) && !decodePng(name, engine.fontKey, image)) {
    return false;
  }
  if (fontGrid(image.width, image.height).cellWidth > MAX_CELL_WIDTH) return false;
  GlyphRecord glyphs[GLYPHS_PER_FONT];
  measureGlyphs(image, textureSizeFor(image.width), glyphs);
  if (!setSpriteImage(engine, FIRST_FONT_SPRITE + slot, image, false)) return false;
  std::memcpy(engine.glyphs[slot], glyphs, sizeof glyphs);
  return true;
}

}  // namespace

FontGrid fontGrid(int imageWidth, int imageHeight) {
  if (imageWidth < imageHeight) return FontGrid{imageWidth / 16, imageHeight / 16, 16, 256};
  return FontGrid{imageWidth / 16, imageHeight / 8, 8, 128};
}

void drawBuiltinFontImage(ImageBuffer& image) {
  if (!image.resize(16 * BUILTIN_CELL, 8 * BUILTIN_CELL)) return;
  image.authoredAlpha = 1;
  std::memset(image.pixels, 0, static_cast<std::size_t>(image.width) * image.height * 4);
  static constexpr uint8_t WHITE[4] = {255, 255, 255, 255};
  static constexpr uint8_t OUTLINE[4] = {8, 8, 8, 255};
  for (int k = 0; k < 96; ++k) {
    const uint32_t glyph = BUILTIN_GLYPHS[k];
    const int cellX = (k % 16) * BUILTIN_CELL;
    const int cellY = (2 + k / 16) * BUILTIN_CELL;
    for (int y = 0; y < BUILTIN_CELL; ++y) {
      for (int x = 0; x < BUILTIN_CELL; ++x) {
        const uint8_t* colour = nullptr;
        if (builtinPixelSet(glyph, x, y)) {
          colour = WHITE;
        } else if (x <= 6 && (builtinPixelSet(glyph, x - 1, y) || builtinPixelSet(glyph, x + 1, y) ||
                              builtinPixelSet(glyph, x, y - 1) || builtinPixelSet(glyph, x, y + 1))) {
          colour = OUTLINE;
        }
        if (colour) std::memcpy(image.pixel(cellX + x, cellY + y), colour, 4);
      }
    }
  }
}

void measureGlyphs(const ImageBuffer& image, int textureWidth, GlyphRecord glyphs[GLYPHS_PER_FONT]) {
  const FontGrid grid = fontGrid(image.width, image.height);
  const float texture = static_cast<float>(textureWidth);
  for (int i = 0; i < grid.glyphCount; ++i) {
    const int cellLeft = (i % 16) * grid.cellWidth;
    const int cellTop = (i / 16) * grid.cellHeight;
    int left = 0;
    while (left < grid.cellWidth && !columnHasInk(image, cellLeft + left, cellTop, grid.cellHeight)) {
      ++left;
    }
    GlyphRecord& glyph = glyphs[i];
    if (left == grid.cellWidth) {
      glyph.left = 0;
      glyph.advance = static_cast<uint8_t>(grid.cellWidth);
    } else {
      int right = grid.cellWidth - 1;
      while (!columnHasInk(image, cellLeft + right, cellTop, grid.cellHeight)) --right;
      const int width = right - left + 1;
      glyph.left = static_cast<uint8_t>(left);
      // One column of spacing, unless the glyph already reaches the cell's right edge.
      glyph.advance = static_cast<uint8_t>(left + width < grid.cellWidth ? width + 1 : width);
    }
    glyph.u0 = static_cast<float>(cellLeft + glyph.left) / texture;
    glyph.u1 = static_cast<float>(cellLeft + glyph.left + glyph.advance) / texture;
    if (i == GLYPH_J) {
      // The space takes the j's width; its texture span starts at u = 0, in the empty cell 0.
      GlyphRecord& space = glyphs[GLYPH_SPACE];
      space.advance = glyph.advance;
      space.u0 = 0.0f;
      space.u1 = glyph.u1 - glyph.u0;
    }
  }
  // Copied once measuring is complete, so code 160 gets the widened space as well.
  if (grid.glyphCount == 128) std::memcpy(glyphs + 128, glyphs, 128 * sizeof(GlyphRecord));
}

bool buildBuiltinFont(OpenGLVerivure& engine, int slot) {
  if (!isFontSlot(slot)) return false;
  for (int i = 0; i < GLYPHS_PER_FONT; ++i) {
    GlyphRecord& glyph = engine.glyphs[slot][i];
    glyph.left = 0;
    glyph.advance = BUILTIN_CELL;
    glyph.u0 = static_cast<float>(i % 16) / 16.0f;
    glyph.u1 = glyph.u0 + 1.0f / 16.0f;
  }
  ImageBuffer image;
  drawBuiltinFontImage(image);
  return setSpriteImage(engine, FIRST_FONT_SPRITE + slot, image, false);
}

void buildBuiltinFont() {
  if (OpenGLVerivure* instance = engine()) buildBuiltinFont(*instance, 0);
}

void loadDefaultFont() {
  char resolved[1024];
  for (const char* name : DEFAULT_FONT_NAMES) {
    if (resolveFileName(mainArchive(), name, resolved, true)) {
      loadFont(StringValue(name), 0);
      return;
    }
  }
}

void selectFont(int slot) {
  if (isFontSlot(slot)) currentFontSlot = slot;
}

int currentFont() { return currentFontSlot; }

void setFont(int slot) {
  if (isFontSlot(slot)) {
    selectFont(slot);
  } else {
    raiseError(ERR_OUT_OF_MEMORY);
  }
}

void loadFont(const StringValue& name, int slot) {
  clearError();
  // The slot is checked first: even an empty name must not reach past the font sprites.
  if (!isFontSlot(slot)) {
    raiseError(ERR_OUT_OF_MEMORY);
    return;
  }
  OpenGLVerivure* instance = engine();
  if (name.isEmpty()) {
    if (instance) deleteSprite(*instance, FIRST_FONT_SPRITE + slot);
    return;
  }
  selectFont(slot);
  if (!instance) {
    raiseError(ERR_NO_SUCH_FILE);
    return;
  }
  char resolved[1024];
  if (!resolveFileName(mainArchive(), name.text(), resolved, true) ||
      !loadFontImage(*instance, resolved, slot)) {
    raiseError(ERR_NO_SUCH_FILE);
    buildBuiltinFont(*instance, slot);
  }
}

void getFontSize(int& width, int& height) {
  width = height = 0;
  OpenGLVerivure* instance = engine();
  if (!instance || !instance->spriteTable) return;
  const SpriteRecord& record = instance->spriteTable[FIRST_FONT_SPRITE + currentFontSlot];
  FontGrid grid = fontGrid(record.width, record.height);
  width = grid.cellWidth;
  height = grid.cellHeight;
}

void getFontSize(double& width, double& height) {
  int w = 0, h = 0;
  getFontSize(w, h);
  width = w;
  height = h;
}

int freeFontNumber() {
  OpenGLVerivure* instance = engine();
  if (!instance || !instance->spriteTable) return -1;
  for (int slot = FONT_SLOTS - 1; slot >= 0; --slot) {
    if (instance->spriteTable[FIRST_FONT_SPRITE + slot].width / 16 == 0) return slot;
  }
  return -1;
}

}  // namespace vantrel
