// Text and image loading beside the same work done directly: printText against one
// immediate-mode quad per character, and a 1024 x 1024 PNG loaded as a sprite (and decoded
// alone) against libpng's plain decode of the same file.
#include <GL/gl.h>
#include <png.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "core/errors.h"
#include "gfx2d/fonts.h"
#include "gfx2d/image_decoders.h"
#include "gfx2d/sprite_commands.h"
#include "gfx2d/text_output.h"
#include "gfx2d/texture_store.h"
#include "platform/files.h"
#include "window/engine.h"

using namespace vantrel;

namespace {

constexpr int LINES = 16;
constexpr int LINE_LENGTH = 64;

OpenGLVerivure* benchEngine = nullptr;
std::string pngPath;

std::vector<StringValue> sampleLines() {
  std::vector<StringValue> lines;
  for (int i = 0; i < LINES; ++i) {
    std::string line;
    for (int c = 0; c < LINE_LENGTH; ++c) line.push_back(static_cast<char>(33 + (i * 7 + c * 13) % 90));
    lines.emplace_back(line.c_str());
  }
  return lines;
}

void textVantrel(benchmark::State& state) {
  std::vector<StringValue> lines = sampleLines();
  selectFont(0);
  for (auto _ : state) {
    for (int i = 0; i < LINES; ++i) printText(lines[i], 0, i * 8, 1);
    glFinish();
  }
  state.SetItemsProcessed(state.iterations() * LINES * LINE_LENGTH);
}

void textPlain(benchmark::State& state) {
  std::vector<StringValue> lines = sampleLines();
  bindSprite(*benchEngine, FIRST_FONT_SPRITE, -1, false);
  for (auto _ : state) {
    for (int i = 0; i < LINES; ++i) {
      float x = 0, top = static_cast<float>(i * 8);
      for (uint32_t c = 0; c < lines[i].length; ++c) {
        int g = static_cast<unsigned char>(lines[i].buffer[c]) % 128;
        float u0 = (g % 16) / 16.0f, u1 = u0 + 1 / 16.0f;
        float v1 = 1.0f - (g / 16) / 8.0f, v0 = v1 - 1 / 8.0f;
        glBegin(GL_QUADS);
        glTexCoord2f(u0, v1); glVertex2f(x, top);
        glTexCoord2f(u1, v1); glVertex2f(x + 8, top);
        glTexCoord2f(u1, v0); glVertex2f(x + 8, top + 8);
        glTexCoord2f(u0, v0); glVertex2f(x, top + 8);
        glEnd();
        x += 8;
      }
    }
    glFinish();
  }
  state.SetItemsProcessed(state.iterations() * LINES * LINE_LENGTH);
}

void pngSpriteVantrel(benchmark::State& state) {
  for (auto _ : state) {
    loadSprite(pngPath.c_str(), 1);
    glFinish();
    if (errorState().errorCode) state.SkipWithError("loadSprite failed");
  }
}

void pngDecodeVantrel(benchmark::State& state) {
  ImageBuffer image;
  for (auto _ : state) {
    if (!decodePng(pngPath.c_str(), NO_COLOUR_KEY, image)) state.SkipWithError("decode failed");
  }
}

void pngPlain(benchmark::State& state) {
  std::vector<uint8_t> pixels;
  for (auto _ : state) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, pngPath.c_str())) state.SkipWithError("libpng failed");
    image.format = PNG_FORMAT_RGBA;
    pixels.resize(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    benchmark::DoNotOptimize(pixels.data());
  }
}

// A 1024 x 1024 RGBA picture with gradients and some noise, so it compresses like a photo-ish
// sprite sheet rather than a flat colour.
bool writeSamplePng(const std::string& path) {
  const int size = 1024;
  std::vector<uint8_t> pixels(size * size * 4);
  uint32_t seed = 12345;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      seed = seed * 1103515245u + 12345u;
      uint8_t* p = &pixels[(y * size + x) * 4];
      p[0] = static_cast<uint8_t>(x / 4);
      p[1] = static_cast<uint8_t>(y / 4);
      p[2] = static_cast<uint8_t>((x + y) / 8 + ((seed >> 16) & 7));
      p[3] = static_cast<uint8_t>((x / 64 + y / 64) % 2 ? 255 : 128);
    }
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = size;
  image.height = size;
  image.format = PNG_FORMAT_RGBA;
  return png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr) != 0;
}

}  // namespace

BENCHMARK(textVantrel)->Name("text_64x16_chars/vantrel")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(textPlain)->Name("text_64x16_chars/plain")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(pngSpriteVantrel)->Name("png_1024_sprite/vantrel")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(pngPlain)->Name("png_1024_sprite/plain")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(pngDecodeVantrel)->Name("png_1024_decode/vantrel")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(pngPlain)->Name("png_1024_decode/plain")->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  benchEngine = new OpenGLVerivure();
  setEngine(benchEngine);
  if (!createGlWindow(benchEngine, nullptr, 640, 480, 0, 0, 0)) {
    std::fprintf(stderr, "no GL context: the gfx2d benchmarks need a window\n");
    return 1;
  }
  resetRenderState(benchEngine);
  buildBuiltinFont(*benchEngine, 0);
  pngPath = platform::temporaryFolder() + "gfx2d_bench_" +
            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".png";
  if (!writeSamplePng(pngPath)) {
    std::fprintf(stderr, "cannot write %s\n", pngPath.c_str());
    return 1;
  }
  int result = vantrel::bench::runWithRatios(argc, argv);
  platform::deleteFile(pngPath.c_str());
  return result;
}
