// Text output with the bitmap fonts: one triangle strip per text, and the text width.
#pragma once

#include "core/string_value.h"
#include "window/engine.h"

namespace vantrel {

// Draws text with the font in slot, the top-left corner of the first cell at (x, y) rounded
// up, at depth z; with proportional, glyphs take their measured widths, else the cell width.
// The text ends at its first character that maps to glyph 0. Returns the width drawn in
// pixels (0 for an empty text). Colour, blending and alpha test stay as they are.
int drawText(OpenGLVerivure& engine, int slot, const StringValue& text, float x, float y, float z,
             bool proportional);
// drawText with the current font at depth 0; nothing without a window and GL context.
void printText(const StringValue& text, double x, double y, int proportional);
// The width printText would draw the text with, in pixels.
int textWidth(const StringValue& text, int proportional);

}  // namespace vantrel
