// Sprite textures: upload with power-of-two padding, normal maps and mipmaps, binding on the
// two texture units, and the image loaders behind the sprite commands.
#include "gfx2d/texture_store.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "gfx2d/image_decoders.h"
#include "gfx2d/texture_conversions.h"
#include "platform/gl_context.h"
#include "window/gl_extensions.h"
#include "window/gl_state_cache.h"

namespace vantrel {

namespace {

// The record format keeps sizes in 16 bits, so a texture side must stay at most 16384.
constexpr int MAX_SPRITE_SIDE = 16384;

int boundSpriteNumber = -1;

uint32_t textureNameOf(const OpenGLVerivure& engine, int n, bool mip, const uint32_t* nameTable) {
  if (nameTable) return nameTable[n];
  if (!isSpriteNumber(n) || !engine.spriteTable) return 0;
  const SpriteRecord& record = engine.spriteTable[n];
  return mip ? record.mipTexture : record.texture;
}

void bindOnCurrentUnit(uint32_t name) {
  glEnableCached(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
}

void uploadMipChain(ImageBuffer& texture, uint32_t* mipNameSlot) {
  if (*mipNameSlot) glDeleteTextures(1, mipNameSlot);
  GLuint name = 0;
  glGenTextures(1, &name);
  *mipNameSlot = name;
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  squareForMipmaps(texture);
  for (int level = 0;; ++level) {
    glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, texture.width, texture.height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, texture.pixels);
    if (texture.width == 1) break;
    shrinkToNextMipLevel(texture);
  }
}

}  // namespace

OpenGLVerivure* drawingEngine() {
  OpenGLVerivure* instance = engine();
  if (!instance || !instance->window || !instance->spriteTable || !platform::hasGlContext()) {
    return nullptr;
  }
  return instance;
}

void dropAlphaMask(OpenGLVerivure& engine, int n) {
  if (n < 0 || static_cast<std::size_t>(n) >= engine.alphaMasks.size()) return;
  delete[] engine.alphaMasks[n];
  engine.alphaMasks[n] = nullptr;
}

void deleteSprite(OpenGLVerivure& engine, int n) {
  if (!isSpriteNumber(n) || !engine.spriteTable) return;
  dropAlphaMask(engine, n);
  SpriteRecord& record = engine.spriteTable[n];
  if (platform::hasGlContext()) {
    bindSprite(engine, -1, -1, false);
    if (record.texture) glDeleteTextures(1, &record.texture);
    if (record.mipTexture) glDeleteTextures(1, &record.mipTexture);
  }
  record = emptySpriteRecord();
}

bool uploadImage(const ImageBuffer& image, int x, int y, int w, int h, uint32_t* nameSlot,
                 uint32_t* mipNameSlot, bool normalMap, bool nearest) {
  if (!platform::hasGlContext()) return false;
  if (w == 0) w = image.width - x;
  if (h == 0) h = image.height - y;
  if (w < 1 || h < 1) return false;
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if (w > maxSize) w = maxSize;
  if (h > maxSize) h = maxSize;
  if (w < 1 || h < 1) return false;

  ImageBuffer texture;
  if (!buildTextureBuffer(image, x, y, w, h, textureSizeFor(w), textureSizeFor(h), texture)) {
    return false;
  }
  if (normalMap && !convertToNormalMap(texture)) return false;
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  GLuint name = *nameSlot;
  if (name) {
    // The old texture goes; binding its name again makes a fresh one under the same name.
    glDeleteTextures(1, &name);
  } else {
    glGenTextures(1, &name);
  }
  *nameSlot = name;
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  GLint filter = nearest ? GL_NEAREST : GL_LINEAR;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, texture.width, texture.height, 0, GL_RGBA,
               GL_UNSIGNED_BYTE, texture.pixels);
  if (mipNameSlot) uploadMipChain(texture, mipNameSlot);
  return true;
}

bool setSpriteImage(OpenGLVerivure& engine, int n, const ImageBuffer& image, bool normalMap) {
  if (!isSpriteNumber(n) || !engine.spriteTable) return false;
  deleteSprite(engine, n);
  if (image.width < 1 || image.height < 1) return false;
  if (image.width > MAX_SPRITE_SIDE || image.height > MAX_SPRITE_SIDE) return false;
  SpriteRecord& record = engine.spriteTable[n];
  const bool font = n >= FIRST_FONT_SPRITE;
  if (!uploadImage(image, 0, 0, 0, 0, &record.texture, font ? nullptr : &record.mipTexture,
                   normalMap, font)) {
    deleteSprite(engine, n);
    return false;
  }
  record.width = static_cast<int16_t>(image.width);
  record.height = static_cast<int16_t>(image.height);
  record.textureWidth = static_cast<int16_t>(textureSizeFor(image.width));
  record.textureHeight = static_cast<int16_t>(textureSizeFor(image.height));
  record.uMax = static_cast<float>(record.width) / record.textureWidth;
  record.vMax = static_cast<float>(record.height) / record.textureHeight;
  return true;
}

bool loadImageFile(OpenGLVerivure& engine, int n, const char* name, int key, bool normalMap) {
  deleteSprite(engine, n);
  ImageBuffer image;
  if (!decodeSpriteImage(name, key, image)) return false;
  return setSpriteImage(engine, n, image, normalMap);
}

void bindSprite(OpenGLVerivure& engine, int a, int b, bool mip, const uint32_t* nameTable) {
  boundSpriteNumber = a;
  if (!platform::hasGlContext()) return;
  const GlExtensions& gl = glExtensions();
  if (gl.glActiveTextureARB) {
    gl.glActiveTextureARB(GL_TEXTURE1_ARB);
    if (a >= 0 && b >= 0) {
      bindOnCurrentUnit(textureNameOf(engine, a, mip, nameTable));
    } else {
      glDisableCached(GL_TEXTURE_2D);
    }
    gl.glActiveTextureARB(GL_TEXTURE0_ARB);
    if (a < 0) {
      glDisableCached(GL_TEXTURE_2D);
    } else {
      bindOnCurrentUnit(textureNameOf(engine, b >= 0 ? b : a, mip, nameTable));
    }
  } else if (a < 0) {
    glDisableCached(GL_TEXTURE_2D);
    glEnableCached(GL_COLOR_MATERIAL);
  } else {
    bindOnCurrentUnit(textureNameOf(engine, a, mip, nameTable));
  }
}

int boundSprite() { return boundSpriteNumber; }

void unbindSprites(OpenGLVerivure& engine) { bindSprite(engine, -1, -1, false); }

void spriteSize(const OpenGLVerivure& engine, int n, int& width, int& height) {
  width = height = 0;
  if (!isSpriteNumber(n) || !engine.spriteTable) return;
  width = engine.spriteTable[n].width;
  height = engine.spriteTable[n].height;
}

int highestFreeSprite(const OpenGLVerivure& engine) {
  if (!engine.spriteTable) return -1;
  for (int n = LAST_PROGRAM_SPRITE; n >= 0; --n) {
    if (engine.spriteTable[n].width == 0) return n;
  }
  return -1;
}

uint32_t spriteTextureName(int n) {
  OpenGLVerivure* instance = engine();
  if (!instance || !instance->spriteTable || !isSpriteNumber(n)) return 0;
  return instance->spriteTable[n].texture;
}

}  // namespace vantrel
