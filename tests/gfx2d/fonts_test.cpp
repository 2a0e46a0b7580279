// The built-in font image against its table, glyph measuring of font images, the font grid,
// and text commands without an engine (a text program without a display).
#include "gfx2d/fonts.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/errors.h"
#include "gfx2d/sprite_collision.h"
#include "gfx2d/sprite_commands.h"
#include "gfx2d/text_output.h"

namespace vantrel {
namespace {

TEST(FontGrid, HasEightRowsUnlessHigherThanWide) {
  FontGrid wide = fontGrid(256, 128);
  EXPECT_EQ(wide.cellWidth, 16);
  EXPECT_EQ(wide.cellHeight, 16);
  EXPECT_EQ(wide.glyphCount, 128);
  FontGrid square = fontGrid(256, 256);
  EXPECT_EQ(square.cellHeight, 32);
  EXPECT_EQ(square.glyphCount, 128);
  FontGrid tall = fontGrid(256, 257);
  EXPECT_EQ(tall.cellHeight, 16);
  EXPECT_EQ(tall.rows, 16);
  EXPECT_EQ(tall.glyphCount, 256);
}

TEST(BuiltinFont, DrawsGlyphsFromTheTableWithTheirOutline) {
  ImageBuffer image;
  drawBuiltinFontImage(image);
  ASSERT_EQ(image.width, 128);
  ASSERT_EQ(image.height, 64);
  auto at = [&](int x, int y) { return image.pixel(x, y); };
  // Codes 0-31 stay empty.
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 128; ++x) ASSERT_EQ(at(x, y)[3], 0) << x << "," << y;
  }
  // "A" (code 65): cell column 1, row 4. Its rows from the table entry 00a5394e.
  const char* rowsOfA[] = {".###.", ".#.#.", ".###.", ".#.#.", ".#.#.", "....."};
  const int cellX = 1 * 8, cellY = 4 * 8;
  for (int r = 0; r < 6; ++r) {
    for (int c = 0; c < 5; ++c) {
      const uint8_t* p = at(cellX + c + 1, cellY + r + 1);
      if (rowsOfA[r][c] == '#') {
        EXPECT_EQ(std::memcmp(p, "\xff\xff\xff\xff", 4), 0) << "set pixel " << c << "," << r;
      } else {
        EXPECT_NE(p[0], 255) << "unset pixel " << c << "," << r;
      }
    }
  }
  // Outline: left of the A's top bar, and inside the hole; nothing far away.
  EXPECT_EQ(std::memcmp(at(cellX + 1, cellY + 1), "\x08\x08\x08\xff", 4), 0);
  EXPECT_EQ(std::memcmp(at(cellX + 3, cellY + 2), "\x08\x08\x08\xff", 4), 0);
  EXPECT_EQ(std::memcmp(at(cellX + 3, cellY + 7), "\x00\x00\x00\x00", 4), 0) << "below the A's legs the hole ends";
  EXPECT_EQ(at(cellX + 0, cellY + 0)[3], 0);
  // Code 127 (entry 3f18c63f, a box reaching cell column 5): outline at column 6, not at 7.
  const int boxX = 15 * 8, boxY = 7 * 8;
  EXPECT_EQ(at(boxX + 5, boxY + 1)[0], 255);
  EXPECT_EQ(std::memcmp(at(boxX + 6, boxY + 1), "\x08\x08\x08\xff", 4), 0);
  EXPECT_EQ(at(boxX + 7, boxY + 1)[3], 0);
  EXPECT_EQ(std::memcmp(at(boxX + 1, boxY + 0), "\x08\x08\x08\xff", 4), 0) << "outline above row 0 of the glyph";
}

// A 256 x 128 font image of 16 x 16 cells with ink in the given columns of a glyph's cell.
void ink(ImageBuffer& image, int glyph, int firstColumn, int lastColumn) {
  for (int x = firstColumn; x <= lastColumn; ++x) {
    uint8_t* p = image.pixel((glyph % 16) * 16 + x, (glyph / 16) * 16 + 7);
    p[0] = p[1] = p[2] = p[3] = 255;
  }
}

TEST(GlyphMeasuring, FindsWidthsSpacingAndTheSpaceAsWideAsJ) {
  ImageBuffer image;
  ASSERT_TRUE(image.resize(256, 128));
  std::memset(image.pixels, 0, 256 * 128 * 4);
  ink(image, 'A', 3, 7);     // left 3, width 5, one column of spacing
  ink(image, 'B', 10, 15);   // reaches the right edge: no spacing
  ink(image, 'C', 0, 15);    // the whole cell
  ink(image, 'j', 2, 4);     // width 3 + 1
  ink(image, ' ', 6, 6);     // the space's own ink is overridden by the j
  GlyphRecord glyphs[GLYPHS_PER_FONT];
  measureGlyphs(image, 256, glyphs);

  EXPECT_EQ(glyphs['A'].left, 3);
  EXPECT_EQ(glyphs['A'].advance, 6);
  EXPECT_FLOAT_EQ(glyphs['A'].u0, (1 * 16 + 3) / 256.0f);
  EXPECT_FLOAT_EQ(glyphs['A'].u1, (1 * 16 + 3 + 6) / 256.0f);
  EXPECT_EQ(glyphs['B'].left, 10);
  EXPECT_EQ(glyphs['B'].advance, 6);
  EXPECT_EQ(glyphs['C'].advance, 16);
  EXPECT_EQ(glyphs['D'].left, 0) << "empty cell";
  EXPECT_EQ(glyphs['D'].advance, 16);
  EXPECT_EQ(glyphs['j'].advance, 4);
  EXPECT_EQ(glyphs[' '].advance, 4) << "the space is as wide as the j";
  EXPECT_EQ(glyphs[' '].left, 6) << "its left stays";
  EXPECT_FLOAT_EQ(glyphs[' '].u0, 0.0f);
  EXPECT_FLOAT_EQ(glyphs[' '].u1, 4 / 256.0f);
  // 128 glyphs: the upper half repeats the lower, the widened space included.
  EXPECT_EQ(glyphs['A' + 128].advance, 6);
  EXPECT_FLOAT_EQ(glyphs['A' + 128].u0, glyphs['A'].u0);
  EXPECT_EQ(glyphs[' ' + 128].advance, 4);

  // Texture coordinates follow the texture width, not the image width.
  ImageBuffer narrow;
  ASSERT_TRUE(narrow.resize(160, 80));
  std::memset(narrow.pixels, 0, 160 * 80 * 4);
  measureGlyphs(narrow, 256, glyphs);
  EXPECT_EQ(glyphs['A'].advance, 10);
  EXPECT_FLOAT_EQ(glyphs['A'].u0, 10 / 256.0f);
}

TEST(TextWithoutDisplay, CommandsDoNothingAndDoNotCrash) {
  ASSERT_EQ(engine(), nullptr);
  printText("hello", 10, 10, 1);
  EXPECT_EQ(textWidth("hello", 0), 0);
  int w = -1, h = -1;
  getFontSize(w, h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(freeFontNumber(), -1);
  clearError();
  loadFont("missing.png", 3);
  EXPECT_EQ(errorState().errorCode, ERR_NO_SUCH_FILE);
  EXPECT_EQ(currentFont(), 3);
  loadFont("missing.png", 32);
  EXPECT_EQ(errorState().errorCode, ERR_OUT_OF_MEMORY);
  EXPECT_EQ(currentFont(), 3);
  clearError();
  setFont(-1);
  EXPECT_EQ(errorState().errorCode, ERR_OUT_OF_MEMORY);
  setFont(0);
  EXPECT_EQ(currentFont(), 0);
  loadSprite("missing.png", 1);
  EXPECT_EQ(errorState().errorCode, ERR_NO_SUCH_FILE);
  EXPECT_EQ(spriteCollision(1, 0, 0, 2, 0, 0), 0);
  EXPECT_EQ(freeSpriteNumber(), -1);
  buildBuiltinFont();
  loadDefaultFont();
}

}  // namespace
}  // namespace vantrel
