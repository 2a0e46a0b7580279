// The image decoders (Windows bitmap, PNG through libpng, JPEG through libjpeg), the fill of
// transparent pixels, and the decoder chain the loaders use. Names may be memory names.
#pragma once

#include "gfx2d/image_buffer.h"

namespace vantrel {

// A colour key that matches no colour.
constexpr int NO_COLOUR_KEY = -1;

// Each decoder fills image and succeeds, or fails and leaves image of undefined contents.
// With a key, pixels of that colour (red + green * 256 + blue * 65536) become 0, 0, 0, 0.
bool decodeBitmap(const char* name, int key, ImageBuffer& image);
// Writes the runtime's messages for unsupported colour types and depths to standard output.
bool decodePng(const char* name, int key, ImageBuffer& image);
// Plain files only: memory names and folders fail.
bool decodeJpeg(const char* name, ImageBuffer& image);

// The bitmap decoder and the PNG decoder with the key, then the JPEG decoder without it.
bool decodeImageFile(const char* name, int key, ImageBuffer& image);
// decodeImageFile, then the fill of transparent pixels when the alpha was not authored: what
// every sprite load does.
bool decodeSpriteImage(const char* name, int key, ImageBuffer& image);

// Gives each pixel with alpha 0 the average colour of its opaque neighbours that lie strictly
// inside the image (black when there are none), so filtering does not bleed the key colour.
void fillTransparentPixels(ImageBuffer& image);

}  // namespace vantrel
