// Sprite commands over the engine's texture store; files are resolved through the main
// archive, which keeps archive entries in memory.
#include "gfx2d/sprite_commands.h"

#include "core/errors.h"
#include "files/appended_archive.h"
#include "gfx2d/image_decoders.h"
#include "gfx2d/texture_store.h"

namespace vantrel {

namespace {

// The sprite key before the engine exists.
constexpr int INITIAL_SPRITE_KEY = 0x8000ff;

void loadSpriteFile(const StringValue& name, int n, bool normalMap) {
  clearError();
  if (!isProgramSprite(n)) {
    raiseError(ERR_OUT_OF_BOUNDS);
    return;
  }
  OpenGLVerivure* instance = engine();
  if (instance) deleteSprite(*instance, n);
  if (name.isEmpty()) return;
  char resolved[1024];
  if (!instance || !resolveFileName(mainArchive(), name.text(), resolved, true) ||
      !loadImageFile(*instance, n, resolved, instance->spriteKey, normalMap)) {
    raiseError(ERR_NO_SUCH_FILE);
  }
}

}  // namespace

void loadSprite(const StringValue& name, int n) { loadSpriteFile(name, n, false); }

void loadSpriteNormalMap(const StringValue& name, int n) { loadSpriteFile(name, n, true); }

void loadAnimatedSprite(const StringValue& name, int n, int frameWidth, int frameHeight) {
  loadSprite(name, n);
  setFrameSize(n, frameWidth, frameHeight);
}

void setFrameSize(int n, int frameWidth, int frameHeight) {
  OpenGLVerivure* instance = engine();
  if (!instance || !instance->spriteTable || !isSpriteNumber(n)) return;
  SpriteRecord& record = instance->spriteTable[n];
  if (record.width <= 0) return;
  record.frameWidth = static_cast<int16_t>(frameWidth);
  record.frameHeight = static_cast<int16_t>(frameHeight);
}

int spriteFromArray(const IntArray& pixels, int n, int width, int height) {
  OpenGLVerivure* instance = engine();
  if (!instance || !isProgramSprite(n) || width < 1 || height < 1) return 0;
  if (static_cast<int64_t>(width) * height != pixels.count) return 0;
  ImageBuffer image;
  if (!image.resize(width, height)) return 0;
  image.authoredAlpha = 1;
  for (int32_t i = 0; i < pixels.count; ++i) {
    uint32_t value = static_cast<uint32_t>(pixels.elements[i]);
    uint8_t* out = image.pixels + static_cast<int64_t>(i) * 4;
    for (int c = 0; c < 4; ++c) out[c] = static_cast<uint8_t>(value >> (8 * c));
  }
  return setSpriteImage(*instance, n, image, false) ? 1 : 0;
}

bool loadImageToArray(const StringValue& name, int& width, int& height, IntArray& pixels) {
  char resolved[1024];
  if (!resolveFileName(mainArchive(), name.text(), resolved, true)) {
    raiseError(ERR_NO_SUCH_FILE);
    return false;
  }
  OpenGLVerivure* instance = engine();
  ImageBuffer image;
  if (!decodeSpriteImage(resolved, instance ? instance->spriteKey : INITIAL_SPRITE_KEY, image)) {
    return false;
  }
  width = image.width;
  height = image.height;
  dimension(pixels, width * height);
  for (int32_t i = 0; i < pixels.count; ++i) {
    const uint8_t* in = image.pixels + static_cast<int64_t>(i) * 4;
    pixels.elements[i] = static_cast<int32_t>(static_cast<uint32_t>(in[0]) | uint32_t{in[1]} << 8 |
                                              uint32_t{in[2]} << 16 | uint32_t{in[3]} << 24);
  }
  return true;
}

void setTransparentColour(int colour) {
  OpenGLVerivure* instance = engine();
  if (!instance) return;
  instance->spriteKey = colour;
  instance->fontKey = colour;
}

void getSpriteSize(int n, int& width, int& height) {
  width = height = 0;
  if (OpenGLVerivure* instance = engine()) spriteSize(*instance, n, width, height);
}

void getSpriteSize(int n, double& width, double& height) {
  int w = 0, h = 0;
  getSpriteSize(n, w, h);
  width = w;
  height = h;
}

int freeSpriteNumber() {
  OpenGLVerivure* instance = engine();
  return instance ? highestFreeSprite(*instance) : -1;
}

}  // namespace vantrel
