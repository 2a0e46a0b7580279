// Text drawn offscreen with the built-in font and with font images, read back from the back
// buffer and compared with the glyphs expected; font loading and the default font search.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/errors.h"
#include "gfx2d/fonts.h"
#include "gfx2d/text_output.h"
#include "gfx2d/texture_store.h"
#include "platform/files.h"
#include "tests/gfx2d/gl_fixture.h"
#include "tests/gfx2d/image_fixtures.h"
#include "tests/support/test_support.h"

namespace vantrel {
namespace {

using test::Rgba;

Rgba rgbOnly(Rgba c) { return {c[0], c[1], c[2], 0}; }

// Checks the screen rectangle at (x, y) against expected(column, row) (RGB, black where the
// glyph is transparent).
template <typename Expected>
void expectArea(const test::ScreenArea& screen, int x, int y, int width, int height, Expected expected,
                const char* what) {
  int mismatches = 0;
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      Rgba want = expected(column, row);
      Rgba got = rgbOnly(screen.at(x + column, y + row));
      if (got != rgbOnly(want) && mismatches++ < 5) {
        ADD_FAILURE() << what << ": pixel (" << x + column << ", " << y + row << ") is " << got[0] << ","
                      << got[1] << "," << got[2] << " instead of " << want[0] << "," << want[1] << ","
                      << want[2];
      }
    }
  }
}

constexpr Rgba BLACK{0, 0, 0, 0}, WHITE{255, 255, 255, 255}, RED{255, 0, 0, 255}, GREEN{0, 255, 0, 255},
    BLUE{0, 0, 255, 255};

// A 256 x 128 font image (16 x 16 cells, 128 glyphs) as an RGBA PNG: glyph 'A' fills its cell
// white, 'B' has red ink in cell columns 5-6, 'j' green in 2-4, 'H' blue in 1-2.
std::string fontImagePng() {
  std::vector<uint8_t> pixels(256 * 128 * 4, 0);
  auto ink = [&](int glyph, int first, int last, Rgba colour) {
    for (int y = 0; y < 16; ++y) {
      for (int x = first; x <= last; ++x) {
        uint8_t* p = &pixels[(((glyph / 16) * 16 + y) * 256 + (glyph % 16) * 16 + x) * 4];
        for (int c = 0; c < 4; ++c) p[c] = static_cast<uint8_t>(colour[c]);
      }
    }
  };
  ink('A', 0, 15, WHITE);
  ink('B', 5, 6, RED);
  ink('j', 2, 4, GREEN);
  ink('H', 1, 2, BLUE);
  return test::makeRgbaPng(256, 128, pixels);
}

class TextOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    engine_ = test::glEngine();
    if (!engine_) GTEST_SKIP() << "no GL context on this machine";
    resetRenderState(engine_);
    ASSERT_TRUE(buildBuiltinFont(*engine_, 0));
    test::writeWholeFile(folder_.file("font.png"), fontImagePng());
    clearError();
    loadFont(folder_.file("font.png").c_str(), 1);
    ASSERT_EQ(errorState().errorCode, 0);
    test::clearScreenBlack();
  }
  OpenGLVerivure* engine_ = nullptr;
  test::TemporaryFolder folder_;
};

TEST_F(TextOutput, BuiltinFontDrawsTheTableGlyphsAtRoundedUpPositions) {
  ImageBuffer font;
  drawBuiltinFontImage(font);
  selectFont(0);
  printText("Az~", 0.2, 0.2, 0);
  auto screen = test::readScreen(0, 0, 40, 12);
  auto glyph = [&](char code) {
    return [&font, code](int column, int row) {
      const uint8_t* p = font.pixel((code % 16) * 8 + column, (code / 16) * 8 + row);
      return p[3] ? Rgba{p[0], p[1], p[2], 255} : BLACK;
    };
  };
  // (0.2, 0.2) rounds up to (1, 1): row 0 and column 0 stay black.
  expectArea(screen, 0, 0, 40, 1, [](int, int) { return BLACK; }, "row 0");
  expectArea(screen, 0, 0, 1, 12, [](int, int) { return BLACK; }, "column 0");
  expectArea(screen, 1, 1, 8, 8, glyph('A'), "A");
  expectArea(screen, 9, 1, 8, 8, glyph('z'), "z");
  expectArea(screen, 17, 1, 8, 8, glyph('~'), "~");
  expectArea(screen, 25, 1, 15, 8, [](int, int) { return BLACK; }, "after the text");
  // The built-in font is fixed-width in both modes.
  EXPECT_EQ(textWidth("abc", 0), 24);
  EXPECT_EQ(textWidth("abc", 1), 24);
  EXPECT_EQ(textWidth("", 0), 0);
}

TEST_F(TextOutput, ProportionalTextUsesMeasuredWidthsAndAJWideSpace) {
  selectFont(1);
  printText("BA", 10, 20, 1);
  printText(" A", 10, 50, 1);
  printText("jB", 10, 80, 1);
  auto screen = test::readScreen(0, 0, 64, 100);
  // B: cell columns 5, 6 and one spacing column (transparent) at x 10-12; then A, 16 wide.
  expectArea(screen, 10, 20, 3, 16, [](int c, int) { return c < 2 ? RED : BLACK; }, "B");
  expectArea(screen, 13, 20, 16, 16, [](int, int) { return WHITE; }, "A after B");
  expectArea(screen, 29, 20, 4, 16, [](int, int) { return BLACK; }, "after A");
  // The space is 4 pixels (as the j) and draws nothing.
  expectArea(screen, 10, 50, 4, 16, [](int, int) { return BLACK; }, "space");
  expectArea(screen, 14, 50, 16, 16, [](int, int) { return WHITE; }, "A after the space");
  expectArea(screen, 10, 80, 4, 16, [](int c, int) { return c < 3 ? GREEN : BLACK; }, "j");
  expectArea(screen, 14, 80, 3, 16, [](int c, int) { return c < 2 ? RED : BLACK; }, "B after j");

  EXPECT_EQ(textWidth("BA", 1), 19);
  EXPECT_EQ(textWidth(" ", 1), textWidth("j", 1));
  EXPECT_EQ(textWidth("BA", 0), 32);
}

TEST_F(TextOutput, FixedModeUsesWholeCells) {
  selectFont(1);
  printText("BA", 0, 0, 0);
  auto screen = test::readScreen(0, 0, 48, 16);
  expectArea(screen, 0, 0, 16, 16, [](int c, int) { return c == 5 || c == 6 ? RED : BLACK; }, "B cell");
  expectArea(screen, 16, 0, 16, 16, [](int, int) { return WHITE; }, "A cell");
  expectArea(screen, 32, 0, 16, 16, [](int, int) { return BLACK; }, "after");
}

TEST_F(TextOutput, HighCodesWrapOntoTheGlyphsAndGlyphZeroEndsTheText) {
  selectFont(1);
  printText("\xc8", 0, 0, 1);      // 200 mod 128 = 72, the H
  printText("H", 0, 20, 1);
  printText("A\x80" "A", 0, 40, 1);  // 128 mod 128 = 0 ends the text
  auto screen = test::readScreen(0, 0, 40, 60);
  expectArea(screen, 0, 0, 3, 16, [](int c, int) { return c < 2 ? BLUE : BLACK; }, "code 200");
  expectArea(screen, 0, 20, 3, 16, [](int c, int) { return c < 2 ? BLUE : BLACK; }, "H");
  expectArea(screen, 0, 40, 16, 16, [](int, int) { return WHITE; }, "first A");
  expectArea(screen, 16, 40, 20, 16, [](int, int) { return BLACK; }, "nothing after code 128");
  EXPECT_EQ(textWidth("A\x80" "A", 1), 16) << "the width printText draws";
  EXPECT_EQ(textWidth("\xc8", 1), textWidth("H", 1));
  EXPECT_EQ(drawText(*engine_, 1, "A\x80" "A", 0, 40, 0, true), 16);
}

TEST_F(TextOutput, FontSizeFreeSlotsAndFailedLoads) {
  selectFont(1);
  int w = 0, h = 0;
  getFontSize(w, h);
  EXPECT_EQ(w, 16);
  EXPECT_EQ(h, 16);
  selectFont(0);
  double dw = 0, dh = 0;
  getFontSize(dw, dh);
  EXPECT_EQ(dw, 8.0);
  EXPECT_EQ(dh, 8.0);
  EXPECT_EQ(freeFontNumber(), 31);
  EXPECT_EQ(engine_->spriteTable[FIRST_FONT_SPRITE + 1].mipTexture, 0u) << "fonts have no mipmapped copy";

  // A missing file: error 3, the slot becomes current and holds the built-in font.
  loadFont(folder_.file("missing.png").c_str(), 31);
  EXPECT_EQ(errorState().errorCode, ERR_NO_SUCH_FILE);
  EXPECT_EQ(currentFont(), 31);
  EXPECT_EQ(engine_->spriteTable[FIRST_FONT_SPRITE + 31].width, 128);
  EXPECT_EQ(freeFontNumber(), 30);
  // A file that is no image: the same.
  test::writeWholeFile(folder_.file("junk.png"), "not an image at all");
  loadFont(folder_.file("junk.png").c_str(), 30);
  EXPECT_EQ(errorState().errorCode, ERR_NO_SUCH_FILE);
  EXPECT_EQ(engine_->spriteTable[FIRST_FONT_SPRITE + 30].width, 128);
  EXPECT_EQ(currentFont(), 30);
  // An empty name empties the slot without an error and keeps the current font.
  loadFont("", 30);
  EXPECT_EQ(errorState().errorCode, 0);
  EXPECT_EQ(engine_->spriteTable[FIRST_FONT_SPRITE + 30].width, 0);
  EXPECT_EQ(currentFont(), 30);
  // Slot 32: error 7 and nothing else.
  loadFont(folder_.file("font.png").c_str(), 32);
  EXPECT_EQ(errorState().errorCode, ERR_OUT_OF_MEMORY);
  EXPECT_EQ(currentFont(), 30);
  setFont(40);
  EXPECT_EQ(errorState().errorCode, ERR_OUT_OF_MEMORY);
  EXPECT_EQ(currentFont(), 30);
  loadFont("", 31);
}

TEST_F(TextOutput, FontKeyKeepsTheSpriteKeyColour) {
  // A bitmap font: black is the font key; the sprite key colour (255, 0, 128) stays visible.
  std::vector<uint32_t> values(160 * 80, 0x000000);
  for (int y = 32; y < 48; ++y) values[y * 160 + 1 * 10 + 3] = 0xff0080;  // glyph 'A' (row 4, column 1), x 3
  test::writeWholeFile(folder_.file("font.bmp"), test::makeBitmap(40, 160, 80, 24, {}, values));
  loadFont(folder_.file("font.bmp").c_str(), 2);
  ASSERT_EQ(errorState().errorCode, 0);
  EXPECT_EQ(engine_->glyphs[2]['A'].left, 3);
  EXPECT_EQ(engine_->glyphs[2]['A'].advance, 2);
  printText("A", 0, 0, 1);
  auto screen = test::readScreen(0, 0, 4, 10);
  EXPECT_EQ(rgbOnly(screen.at(0, 0)), (Rgba{255, 0, 128, 0}));
  EXPECT_EQ(rgbOnly(screen.at(1, 0)), (Rgba{0, 0, 0, 0}));
  loadFont("", 2);
}

TEST_F(TextOutput, DefaultFontSearchPrefersTheMediaFolder) {
  test::TemporaryFolder programFolder;
  ASSERT_TRUE(platform::createFolder(programFolder.file("Media").c_str()));
  std::vector<uint8_t> pixels(160 * 80 * 4, 0);
  test::writeWholeFile(programFolder.file("smalfont.png"), test::makeRgbaPng(160, 80, pixels));
  test::writeWholeFile(programFolder.file("Media/smalfont.bmp"),
                       test::makeBitmap(40, 192, 96, 24, {}, std::vector<uint32_t>(192 * 96, 0xffffff)));
  const std::string previous = platform::currentFolder();
  ASSERT_TRUE(platform::setCurrentFolder(programFolder.path().c_str()));
  loadDefaultFont();
  EXPECT_EQ(engine_->spriteTable[FIRST_FONT_SPRITE].width, 192);
  platform::deleteFile(programFolder.file("Media/smalfont.bmp").c_str());
  loadDefaultFont();
  EXPECT_EQ(engine_->spriteTable[FIRST_FONT_SPRITE].width, 160);
  platform::deleteFile(programFolder.file("smalfont.png").c_str());
  ASSERT_TRUE(buildBuiltinFont(*engine_, 0));
  loadDefaultFont();
  EXPECT_EQ(engine_->spriteTable[FIRST_FONT_SPRITE].width, 128) << "nothing found: the built-in font stays";
  platform::setCurrentFolder(previous.c_str());
}

}  // namespace
}  // namespace vantrel
