// Sprites on a real GL context: texture and image sizes, the texture layout, the mipmapped
// copy, normal maps, the load commands and their errors, binding, and pixel-exact collision.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "files/appended_archive.h"
#include "gfx2d/fonts.h"
#include "gfx2d/sprite_collision.h"
#include "gfx2d/sprite_commands.h"
#include "gfx2d/texture_store.h"
#include "tests/gfx2d/gl_fixture.h"
#include "tests/gfx2d/image_fixtures.h"
#include "tests/support/test_support.h"
#include "transforms/pack_codec.h"
#include "window/gl_extensions.h"

namespace vantrel {
namespace {

using test::Rgba;

// Sprite from packed pixels (red lowest), rows from the top.
bool makeSprite(int n, int width, int height, const std::vector<uint32_t>& colours) {
  IntArray pixels;
  dimension(pixels, width * height);
  for (int i = 0; i < width * height; ++i) pixels.elements[i] = static_cast<int32_t>(colours[i]);
  return spriteFromArray(pixels, n, width, height) == 1;
}

// A carrier file with an appended archive of the given entries.
std::string carrierWithArchive(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string carrier = "carrier program bytes";
  std::string directory;
  for (const auto& [name, data] : entries) {
    std::vector<uint8_t> stored;
    PackCodec::encodeEntry(reinterpret_cast<const uint8_t*>(data.data()), data.size(), stored);
    directory.push_back(static_cast<char>(name.size()));
    directory += name;
    test::put32(directory, static_cast<uint32_t>(carrier.size()));
    test::put32(directory, static_cast<uint32_t>(stored.size()));
    carrier.append(stored.begin(), stored.end());
  }
  const uint32_t directoryAt = static_cast<uint32_t>(carrier.size());
  carrier += directory;
  carrier.push_back(0);
  carrier += "sbX";
  test::put32(carrier, directoryAt);
  return carrier;
}

class Sprites : public ::testing::Test {
 protected:
  void SetUp() override {
    engine_ = test::glEngine();
    if (!engine_) GTEST_SKIP() << "no GL context on this machine";
    resetRenderState(engine_);
    clearError();
  }
  void TearDown() override {
    if (!engine_) return;
    for (int n = 0; n < 20; ++n) deleteSprite(*engine_, n);
  }
  const SpriteRecord& record(int n) const { return engine_->spriteTable[n]; }
  OpenGLVerivure* engine_ = nullptr;
  test::TemporaryFolder folder_;
};

TEST_F(Sprites, RecordsTheImageAndPowerOfTwoTextureSizes) {
  ASSERT_TRUE(makeSprite(1, 100, 20, std::vector<uint32_t>(100 * 20, 0xff00ff00)));
  EXPECT_EQ(record(1).width, 100);
  EXPECT_EQ(record(1).height, 20);
  EXPECT_EQ(record(1).textureWidth, 128);
  EXPECT_EQ(record(1).textureHeight, 32);
  EXPECT_FLOAT_EQ(record(1).uMax, 0.78125f);
  EXPECT_FLOAT_EQ(record(1).vMax, 0.625f);
  EXPECT_NE(record(1).texture, 0u);
  EXPECT_NE(record(1).mipTexture, 0u);
  EXPECT_EQ(spriteTextureName(1), record(1).texture);
  ASSERT_TRUE(makeSprite(2, 10, 10, std::vector<uint32_t>(100, 0xffffffff)));
  EXPECT_EQ(record(2).textureWidth, 16);
  EXPECT_EQ(record(2).textureHeight, 16);
  int w = 0, h = 0;
  getSpriteSize(2, w, h);
  EXPECT_EQ(w, 10);
  double dw = 0, dh = 0;
  getSpriteSize(1, dw, dh);
  EXPECT_EQ(dh, 20.0);

  deleteSprite(*engine_, 1);
  EXPECT_EQ(record(1).width, 0);
  EXPECT_EQ(record(1).texture, 0u);
  EXPECT_EQ(record(1).textureWidth, -1);
  EXPECT_FLOAT_EQ(record(1).uMax, 1.0f);
}

TEST_F(Sprites, TextureHoldsTheImageUpsideDownWithTransparentPadding) {
  std::vector<uint32_t> colours(3 * 2);
  for (int i = 0; i < 6; ++i) colours[i] = 0xff000000u | static_cast<uint32_t>(10 * (i + 1));
  ASSERT_TRUE(makeSprite(3, 3, 2, colours));
  test::TextureImage texture = test::readTexture(record(3).texture);
  ASSERT_EQ(texture.width, 16);
  EXPECT_EQ(texture.at(0, 1), (Rgba{10, 0, 0, 255})) << "top-left pixel in texture row h - 1";
  EXPECT_EQ(texture.at(2, 0), (Rgba{60, 0, 0, 255})) << "bottom-right pixel in row 0";
  EXPECT_EQ(texture.at(3, 0), (Rgba{0, 0, 0, 0}));
  EXPECT_EQ(texture.at(0, 2), (Rgba{0, 0, 0, 0}));
}

TEST_F(Sprites, MipmappedCopyIsSquareWithAFullChain) {
  // 32 x 16: columns alternate red 200 and 0.
  std::vector<uint32_t> colours(32 * 16);
  for (int i = 0; i < 32 * 16; ++i) colours[i] = 0xff000000u | (i % 2 ? 0u : 200u);
  ASSERT_TRUE(makeSprite(4, 32, 16, colours));
  test::TextureImage level0 = test::readTexture(record(4).mipTexture, 0);
  ASSERT_EQ(level0.width, 16);
  ASSERT_EQ(level0.height, 16);
  EXPECT_EQ(level0.at(5, 5), (Rgba{100, 0, 0, 255}));
  test::TextureImage level1 = test::readTexture(record(4).mipTexture, 1);
  EXPECT_EQ(level1.width, 8);
  EXPECT_EQ(level1.at(2, 2), (Rgba{100, 0, 0, 255}));
  EXPECT_EQ(test::readTexture(record(4).mipTexture, 4).width, 1) << "levels down to 1 x 1";

  // The 4-2-2-1 weights: red only in the top-left texel of each block (top = the higher row).
  std::vector<uint32_t> blocks(16 * 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      int textureRow = 15 - y;
      blocks[y * 16 + x] = 0xff000000u | (x % 2 == 0 && textureRow % 2 == 1 ? 90u : 0u);
    }
  }
  ASSERT_TRUE(makeSprite(5, 16, 16, blocks));
  EXPECT_EQ(test::readTexture(record(5).mipTexture, 1).at(3, 3), (Rgba{40, 0, 0, 255}));
}

TEST_F(Sprites, NormalMapOfAFlatImagePointsUp) {
  test::writeWholeFile(folder_.file("flat.bmp"), test::makeBitmap(40, 4, 4, 24, {}, std::vector<uint32_t>(16, 0x4080c0)));
  loadSpriteNormalMap(folder_.file("flat.bmp").c_str(), 6);
  ASSERT_EQ(errorState().errorCode, 0);
  test::TextureImage texture = test::readTexture(record(6).texture);
  EXPECT_EQ(texture.at(1, 1), (Rgba{127, 127, 255, 255}));
  // At the image's edge the height drops to the transparent padding: the normal tilts.
  EXPECT_NE(texture.at(3, 1), (Rgba{127, 127, 255, 255}));
}

TEST_F(Sprites, LoadCommandsResolveFilesAndMemoryNamesAndReportFailures) {
  std::string bitmap = test::makeBitmap(40, 2, 2, 24, {}, {0xff0080, 0x00ff00, 0x0000ff, 0xff0080});
  test::writeWholeFile(folder_.file("keyed.bmp"), bitmap);
  loadSprite(folder_.file("keyed.bmp").c_str(), 7);
  ASSERT_EQ(errorState().errorCode, 0);
  test::TextureImage texture = test::readTexture(record(7).texture);
  EXPECT_EQ(texture.at(0, 1)[3], 0) << "the sprite key colour is transparent";
  EXPECT_EQ(texture.at(1, 1), (Rgba{0, 255, 0, 255}));

  // Archive entries arrive as memory names: bitmaps and PNGs load from them, JPEGs do not.
  std::vector<uint8_t> grey(16 * 16, 50);
  std::string jpeg = test::makeJpeg(16, 16, 1, grey);
  std::string png = test::makePng([] {
    test::PngLayout layout;
    layout.width = 3;
    layout.height = 1;
    layout.rows = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    return layout;
  }());
  test::writeWholeFile(folder_.file("carrier"),
                       carrierWithArchive({{"logo.bmp", bitmap}, {"icon.png", png}, {"photo.jpg", jpeg}}));
  if (!mainArchive()) createArchives();
  setArchiveFiles(folder_.file("carrier").c_str(), folder_.file("carrier").c_str());
  loadSprite("Media/logo.bmp", 8);
  EXPECT_EQ(errorState().errorCode, 0);
  EXPECT_EQ(record(8).width, 2);
  loadSprite("icon.png", 8);
  EXPECT_EQ(errorState().errorCode, 0);
  EXPECT_EQ(record(8).width, 3);
  loadSprite("photo.jpg", 8);
  EXPECT_EQ(errorState().errorCode, ERR_NO_SUCH_FILE);
  EXPECT_EQ(record(8).width, 0) << "a failed load leaves the number empty";
  setArchiveFiles("", "");
  test::writeWholeFile(folder_.file("grey.jpg"), jpeg);
  loadSprite(folder_.file("grey.jpg").c_str(), 8);
  EXPECT_EQ(errorState().errorCode, 0);
  EXPECT_EQ(record(8).width, 16);

  loadSprite(folder_.file("missing.png").c_str(), 7);
  EXPECT_EQ(errorState().errorCode, ERR_NO_SUCH_FILE);
  EXPECT_EQ(record(7).width, 0);
  loadSprite(folder_.file("grey.jpg").c_str(), 7);
  loadSprite("", 7);
  EXPECT_EQ(errorState().errorCode, 0) << "an empty name only deletes";
  EXPECT_EQ(record(7).width, 0);
  loadSprite(folder_.file("grey.jpg").c_str(), FIRST_FONT_SPRITE);
  EXPECT_EQ(errorState().errorCode, ERR_OUT_OF_BOUNDS);
  loadSprite(folder_.file("grey.jpg").c_str(), -1);
  EXPECT_EQ(errorState().errorCode, ERR_OUT_OF_BOUNDS);

  loadAnimatedSprite(folder_.file("grey.jpg").c_str(), 9, 8, 4);
  EXPECT_EQ(record(9).frameWidth, 8);
  EXPECT_EQ(record(9).frameHeight, 4);
  loadAnimatedSprite(folder_.file("missing.png").c_str(), 9, 8, 4);
  EXPECT_EQ(record(9).frameWidth, 0) << "no frame size on an empty sprite";
}

TEST_F(Sprites, SpriteKeyPixelsGetTheirNeighboursColourButStayTransparent) {
  // 4 x 4 red with a keyed pixel inside: the fill gives it red, alpha stays 0.
  std::vector<uint32_t> values(16, 0xff0000);
  values[1 * 4 + 1] = 0xff0080;
  test::writeWholeFile(folder_.file("fill.bmp"), test::makeBitmap(40, 4, 4, 24, {}, values));
  int w = 0, h = 0;
  IntArray pixels;
  ASSERT_TRUE(loadImageToArray(folder_.file("fill.bmp").c_str(), w, h, pixels));
  EXPECT_EQ(w, 4);
  EXPECT_EQ(h, 4);
  ASSERT_EQ(pixels.count, 16);
  EXPECT_EQ(static_cast<uint32_t>(pixels.elements[0]), 0xff0000ffu) << "red in the lowest byte, alpha highest";
  EXPECT_EQ(static_cast<uint32_t>(pixels.elements[5]), 0x000000ffu);
  EXPECT_FALSE(loadImageToArray(folder_.file("missing.bmp").c_str(), w, h, pixels));
  EXPECT_EQ(errorState().errorCode, ERR_NO_SUCH_FILE);
}

TEST_F(Sprites, SpriteFromArrayOfTheWrongSizeLeavesTheSpriteAlone) {
  ASSERT_TRUE(makeSprite(10, 4, 4, std::vector<uint32_t>(16, 0xffffffff)));
  IntArray pixels;
  dimension(pixels, 15);
  EXPECT_EQ(spriteFromArray(pixels, 10, 4, 4), 0);
  EXPECT_EQ(record(10).width, 4);
  EXPECT_EQ(spriteFromArray(pixels, 10, 0, 0), 0);
  EXPECT_EQ(spriteFromArray(pixels, LAST_SPRITE + 1, 15, 1), 0);
}

TEST_F(Sprites, FreeNumbersAndTheTransparentColour) {
  EXPECT_EQ(freeSpriteNumber(), LAST_PROGRAM_SPRITE);
  ASSERT_TRUE(makeSprite(LAST_PROGRAM_SPRITE, 1, 1, {0xffffffff}));
  EXPECT_EQ(freeSpriteNumber(), LAST_PROGRAM_SPRITE - 1);
  deleteSprite(*engine_, LAST_PROGRAM_SPRITE);
  setTransparentColour(0x00ff00);
  EXPECT_EQ(engine_->spriteKey, 0x00ff00);
  EXPECT_EQ(engine_->fontKey, 0x00ff00);
  setTransparentColour(0x8000ff);
  engine_->fontKey = 0;
}

TEST_F(Sprites, BindSpriteUsesBothTextureUnits) {
  const GlExtensions& gl = glExtensions();
  if (!gl.glActiveTextureARB) GTEST_SKIP() << "no multitexturing";
  ASSERT_TRUE(makeSprite(11, 1, 1, {0xffffffff}));
  ASSERT_TRUE(makeSprite(12, 1, 1, {0xffffffff}));
  auto unitState = [&](GLenum unit, GLint* name) {
    gl.glActiveTextureARB(unit);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, name);
    bool enabled = glIsEnabled(GL_TEXTURE_2D);
    gl.glActiveTextureARB(GL_TEXTURE0_ARB);
    return enabled;
  };
  GLint name0 = 0, name1 = 0;
  bindSprite(*engine_, 11, 12, false);
  EXPECT_TRUE(unitState(GL_TEXTURE1_ARB, &name1));
  EXPECT_TRUE(unitState(GL_TEXTURE0_ARB, &name0));
  EXPECT_EQ(static_cast<GLuint>(name1), record(11).texture);
  EXPECT_EQ(static_cast<GLuint>(name0), record(12).texture);
  EXPECT_EQ(boundSprite(), 11);

  bindSprite(*engine_, 11, -1, true);
  EXPECT_FALSE(unitState(GL_TEXTURE1_ARB, &name1));
  EXPECT_TRUE(unitState(GL_TEXTURE0_ARB, &name0));
  EXPECT_EQ(static_cast<GLuint>(name0), record(11).mipTexture);

  const uint32_t table[13] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, record(11).texture};
  bindSprite(*engine_, 12, -1, false, table);
  unitState(GL_TEXTURE0_ARB, &name0);
  EXPECT_EQ(static_cast<GLuint>(name0), record(11).texture) << "names from the given table";

  bindSprite(*engine_, -1, -1, false);
  EXPECT_FALSE(unitState(GL_TEXTURE0_ARB, &name0));
  EXPECT_FALSE(unitState(GL_TEXTURE1_ARB, &name1));
  EXPECT_EQ(boundSprite(), -1);
}

// A 16 x 16 ring: opaque 2-pixel border, transparent inside.
std::vector<uint32_t> ring() {
  std::vector<uint32_t> colours(256);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      bool border = x < 2 || x > 13 || y < 2 || y > 13;
      colours[y * 16 + x] = border ? 0xffffffffu : 0x00ffffffu;
    }
  }
  return colours;
}

TEST_F(Sprites, CollisionsCountOnlyOpaquePixels) {
  ASSERT_TRUE(makeSprite(13, 16, 16, ring()));
  ASSERT_TRUE(makeSprite(14, 4, 4, std::vector<uint32_t>(16, 0xffffffffu)));
  // The dot inside the ring's hole: the rectangles overlap, the opaque pixels do not.
  EXPECT_EQ(spriteCollision(13, 100, 100, 14, 106, 106), 0);
  EXPECT_EQ(spriteCollision(14, 106, 106, 13, 100, 100), 0);
  // Touching the border.
  EXPECT_EQ(spriteCollision(13, 100, 100, 14, 111, 106), 1);
  EXPECT_EQ(spriteCollision(13, 100, 100, 14, 98, 98), 1);
  // Side by side without overlap.
  EXPECT_EQ(spriteCollision(13, 100, 100, 14, 116, 100), 0);
  EXPECT_EQ(spriteCollision(13, 100, 100, 14, 96, 100), 0);
  // An empty sprite never collides.
  EXPECT_EQ(spriteCollision(13, 100, 100, 15, 100, 100), 0);
  EXPECT_NE(engine_->alphaMasks[13], nullptr) << "the mask is cached";
  deleteSprite(*engine_, 13);
  EXPECT_EQ(engine_->alphaMasks[13], nullptr) << "and dropped with the sprite";
}

TEST_F(Sprites, AnimationCellsCollideWithTheirOwnPixels) {
  // 32 x 32 with four 16 x 16 cells: frames 0 and 2 transparent, 1 and 3 opaque.
  std::vector<uint32_t> colours(32 * 32);
  for (int i = 0; i < 32 * 32; ++i) colours[i] = (i % 32) < 16 ? 0x00000000u : 0xffffffffu;
  ASSERT_TRUE(makeSprite(15, 32, 32, colours));
  setFrameSize(15, 16, 16);
  ASSERT_TRUE(makeSprite(16, 4, 4, std::vector<uint32_t>(16, 0xffffffffu)));
  EXPECT_EQ(animCollision(15, 0, 0, 0, 16, 0, 5, 5), 0);
  EXPECT_EQ(animCollision(15, 1, 0, 0, 16, 0, 5, 5), 1);
  EXPECT_EQ(animCollision(15, 2, 0, 0, 16, 0, 5, 5), 0) << "frame 2 is the first cell of row 1";
  EXPECT_EQ(animCollision(15, 3, 0, 0, 16, 0, 5, 5), 1);
  EXPECT_EQ(animCollision(15, 1, 0, 0, 16, 0, 17, 5), 0) << "the cell is 16 wide, not the image";
  EXPECT_EQ(animCollision(15, 1000, 0, 0, 16, 0, 5, 5), 0) << "a cell below the image is empty";
  EXPECT_EQ(animCollision(15, -1, 0, 0, 16, 0, 5, 5), 0);
  // Without a frame size the whole image takes part, whatever the frame number.
  EXPECT_EQ(animCollision(16, 7, 20, 5, 15, 1, 8, 0), 1);
  EXPECT_EQ(spriteCollision(16, 20, 5, 15, 0, 0), 1) << "the plain test sees the whole image";
  EXPECT_EQ(spriteCollision(16, 5, 5, 15, 0, 0), 0);
}

}  // namespace
}  // namespace vantrel
