// The CPU side of texture uploads: power-of-two sizes, the padded upside-down copy, the
// normal-map conversion and the mipmap chain. Texture buffers keep their rows from the bottom.
#pragma once

#include "gfx2d/image_buffer.h"

namespace vantrel {

// The smallest power of two that is at least 16 and at least value.
int textureSizeFor(int value);

// Makes texture a zeroed textureWidth x textureHeight buffer holding the rectangle (x, y, w, h)
// of image upside down in its lower-left corner: image row y + i lands in texture row h - 1 - i.
// Parts of the rectangle outside the image stay transparent black. Fails when the rectangle
// is larger than the texture.
bool buildTextureBuffer(const ImageBuffer& image, int x, int y, int w, int h, int textureWidth,
                        int textureHeight, ImageBuffer& texture);

// Treats each texel's blue value as a height (neighbours wrap at the edges) and replaces red,
// green and blue with the surface normal; alpha is kept. Fails when out of memory.
bool convertToNormalMap(ImageBuffer& texture);

// Halves the longer side of a power-of-two buffer by averaging pixel pairs until it is square.
void squareForMipmaps(ImageBuffer& texture);

// Replaces a square power-of-two level larger than 1 x 1 by the next smaller one, in place.
void shrinkToNextMipLevel(ImageBuffer& level);

}  // namespace vantrel
