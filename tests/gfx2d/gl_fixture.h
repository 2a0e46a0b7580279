// A window with a GL context on SDL's offscreen driver for the gfx2d drawing tests, and
// read-back of the back buffer and of textures.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "window/engine.h"

namespace vantrel::test {

constexpr int SCREEN_WIDTH = 256;
constexpr int SCREEN_HEIGHT = 128;

// The process-wide engine with its window, made on first use; null when no GL context could
// be made here.
inline OpenGLVerivure* glEngine() {
  static OpenGLVerivure* instance = [] {
    auto* e = new OpenGLVerivure();
    setEngine(e);
    if (!createGlWindow(e, nullptr, SCREEN_WIDTH, SCREEN_HEIGHT, 0, 0, 0)) {
      setEngine(nullptr);
      delete e;
      return static_cast<OpenGLVerivure*>(nullptr);
    }
    return e;
  }();
  return instance;
}

#define REQUIRE_GL_ENGINE(e)                                             \
  OpenGLVerivure* e = ::vantrel::test::glEngine();                       \
  if (!e) GTEST_SKIP() << "no GL context on this machine"

using Rgba = std::array<int, 4>;

// The back buffer from (x, y) in program coordinates (top-left origin), rows from the top.
struct ScreenArea {
  int x, y, width, height;
  std::vector<uint8_t> pixels;
  Rgba at(int screenX, int screenY) const {
    const uint8_t* p = &pixels[((screenY - y) * width + (screenX - x)) * 4];
    return {p[0], p[1], p[2], p[3]};
  }
};

inline ScreenArea readScreen(int x, int y, int width, int height) {
  ScreenArea area{x, y, width, height, std::vector<uint8_t>(width * height * 4)};
  std::vector<uint8_t> raw(width * height * 4);
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, SCREEN_HEIGHT - y - height, width, height, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
  for (int row = 0; row < height; ++row) {
    std::copy(raw.begin() + (height - 1 - row) * width * 4, raw.begin() + (height - row) * width * 4,
              area.pixels.begin() + row * width * 4);
  }
  return area;
}

inline void clearScreenBlack() {
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
}

// Level `level` of a GL texture as RGBA, rows from the bottom, with its size.
struct TextureImage {
  int width = 0, height = 0;
  std::vector<uint8_t> texels;
  Rgba at(int x, int y) const {
    const uint8_t* p = &texels[(y * width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
  }
};

inline TextureImage readTexture(uint32_t name, int level = 0) {
  TextureImage image;
  glBindTexture(GL_TEXTURE_2D, name);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &image.width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &image.height);
  image.texels.resize(static_cast<std::size_t>(image.width) * image.height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if (!image.texels.empty()) glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, image.texels.data());
  return image;
}

}  // namespace vantrel::test
