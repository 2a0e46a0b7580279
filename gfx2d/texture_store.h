// The sprite table's engine operations: deleting, uploading and binding sprites, and loading
// image files into them. Sprites 0-65503 are the program's, 65504-65535 the font slots.
#pragma once

#include <cstdint>

#include "gfx2d/image_buffer.h"
#include "window/engine.h"

namespace vantrel {

constexpr int LAST_SPRITE = 65535;
constexpr int LAST_PROGRAM_SPRITE = FIRST_FONT_SPRITE - 1;

inline bool isSpriteNumber(int n) { return n >= 0 && n <= LAST_SPRITE; }
inline bool isProgramSprite(int n) { return n >= 0 && n <= LAST_PROGRAM_SPRITE; }

// The engine when GL may be called (an engine with a window and a current context), else
// null: drawing commands do nothing without one.
OpenGLVerivure* drawingEngine();

// Frees the alpha mask, unbinds the textures, deletes both textures and empties the record.
void deleteSprite(OpenGLVerivure& engine, int n);
// Creates or replaces the texture in *nameSlot from the rectangle (x, y, w, h) of image (w or
// h 0: to the image's edge), padded to a power of two at least 16 and stored upside down.
// With mipNameSlot, a square mipmapped copy is made as well. Needs a current GL context.
bool uploadImage(const ImageBuffer& image, int x, int y, int w, int h, uint32_t* nameSlot,
                 uint32_t* mipNameSlot, bool normalMap, bool nearest);
// Replaces sprite n by the whole image (fonts get nearest filtering and no mipmapped copy).
// An empty image, one wider or higher than 16384 pixels, or a failed upload leave it empty.
bool setSpriteImage(OpenGLVerivure& engine, int n, const ImageBuffer& image, bool normalMap);
// Deletes sprite n, decodes the (resolved) file and uploads it.
bool loadImageFile(OpenGLVerivure& engine, int n, const char* name, int key, bool normalMap);

// Binds sprite b (or a when b < 0) on texture unit 0 and a on unit 1 when both are set; a < 0
// turns texturing off. Names come from nameTable[number] when given, else from the sprite's
// texture, or its mipmapped copy with mip.
void bindSprite(OpenGLVerivure& engine, int a, int b, bool mip, const uint32_t* nameTable = nullptr);
// The sprite number of the last bindSprite; texture coordinates are passed only while >= 0.
int boundSprite();
// Both texture units without a texture (the render-state reset uses it).
void unbindSprites(OpenGLVerivure& engine);

void spriteSize(const OpenGLVerivure& engine, int n, int& width, int& height);
// The highest program sprite without an image, or -1.
int highestFreeSprite(const OpenGLVerivure& engine);
// The GL name of sprite n's texture; 0 when it has none.
uint32_t spriteTextureName(int n);

// Drops the cached alpha mask of sprite n (when its texture changes).
void dropAlphaMask(OpenGLVerivure& engine, int n);

}  // namespace vantrel
