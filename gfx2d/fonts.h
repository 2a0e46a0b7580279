// Bitmap fonts: 32 slots kept in sprites 65504 and up, glyph measuring for proportional text,
// the built-in 5 x 6 font, font loading, the current font and the start-up font steps.
#pragma once

#include "core/string_value.h"
#include "gfx2d/image_buffer.h"
#include "window/engine.h"

namespace vantrel {

// The cell grid of a font image: 16 cells across; 8 rows (128 glyphs) unless the image is
// higher than wide, then 16 rows (256 glyphs).
struct FontGrid {
  int cellWidth;
  int cellHeight;
  int rows;
  int glyphCount;
};
FontGrid fontGrid(int imageWidth, int imageHeight);

// The 128 x 64 image of the built-in font: white glyphs with a dark outline.
void drawBuiltinFontImage(ImageBuffer& image);
// Proportional widths and texture coordinates of every glyph of a font image whose texture is
// textureWidth texels wide. The space becomes as wide as the j; a 128-glyph font repeats its
// records for codes 128-255.
void measureGlyphs(const ImageBuffer& image, int textureWidth, GlyphRecord glyphs[GLYPHS_PER_FONT]);

// Puts the built-in font into a slot (its texture needs a current GL context).
bool buildBuiltinFont(OpenGLVerivure& engine, int slot);
// Start-up: the built-in font into slot 0.
void buildBuiltinFont();
// Start-up: the first of the default font files that exists is loaded into slot 0.
void loadDefaultFont();

// Makes slot the current font; a slot outside 0-31 changes nothing.
void selectFont(int slot);
int currentFont();
// The program's command: selectFont, error 7 for a slot outside 0-31.
void setFont(int slot);
// Clears the error; an empty name empties the slot. Otherwise the slot becomes current and
// gets the font image (bitmap or PNG, font key applied); when it cannot be found or loaded:
// error 3 and the built-in font. A slot outside 0-31: error 7, nothing else happens.
void loadFont(const StringValue& name, int slot);

// Cell size of the current font.
void getFontSize(int& width, int& height);
void getFontSize(double& width, double& height);
// The highest slot without a font image, or -1.
int freeFontNumber();

}  // namespace vantrel
