// The bitmap, PNG and JPEG decoders on fixtures made in code, from files and memory names,
// their refusal of damaged input, and the fill of transparent pixels.
#include "gfx2d/image_decoders.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "files/data_stream.h"
#include "tests/support/test_support.h"
#include "tests/gfx2d/image_fixtures.h"

namespace vantrel {
namespace {

using test::makeBitmap;
using test::makeJpeg;
using test::makePng;
using test::PngLayout;

using Rgba = std::array<int, 4>;

Rgba pixelAt(const ImageBuffer& image, int x, int y) {
  const uint8_t* p = image.pixel(x, y);
  return {p[0], p[1], p[2], p[3]};
}

// A memory name that stays valid while the returned text lives.
struct MemoryFile {
  explicit MemoryFile(std::string contents) : bytes(std::move(contents)) {
    name = memoryName(bytes.data(), static_cast<uint32_t>(bytes.size())).text();
  }
  std::string bytes;
  std::string name;
};

constexpr uint32_t RED = 0xff0000, GREEN = 0x00ff00, BLUE = 0x0000ff, GREY = 0x808080;

struct BitmapCase {
  const char* label;
  int headerSize;
  int bits;
  bool topDown;
};
void PrintTo(const BitmapCase& c, std::ostream* out) { *out << c.label; }

class BitmapDepths : public ::testing::TestWithParam<BitmapCase> {};

TEST_P(BitmapDepths, DecodesEveryPixelFromFileAndMemory) {
  const BitmapCase& c = GetParam();
  const int width = 3, height = 2;
  // Expected colours per pixel, rows from the top.
  std::vector<uint32_t> colours = {RED, GREEN, BLUE, GREY, 0x000000, 0xffffff};
  std::vector<uint32_t> palette, values;
  if (c.bits <= 8) {
    palette = {0x000000, 0xffffff, RED, GREEN, BLUE, GREY};
    if (c.bits == 1) {
      palette.resize(2);
      colours = {0x000000, 0xffffff, 0x000000, 0xffffff, 0xffffff, 0x000000};
    } else if (c.headerSize == 12) {
      palette.resize(1u << c.bits, 0x123456);
    }
    for (uint32_t colour : colours) {
      for (std::size_t i = 0; i < palette.size(); ++i) {
        if (palette[i] == colour) {
          values.push_back(static_cast<uint32_t>(i));
          break;
        }
      }
    }
  } else if (c.bits == 16) {
    // 5-5-5 words; each channel scales by 255 / 31 with integer division.
    values = {31u << 10, 31u << 5, 31u, (16u << 10) | (16u << 5) | 16u, 0, 0x7fff};
    colours = {RED, GREEN, BLUE, 0x838383, 0x000000, 0xffffff};
  } else {
    values = colours;
  }
  std::string file = makeBitmap(c.headerSize, width, height, c.bits, palette, values, c.topDown);

  test::TemporaryFolder folder;
  test::writeWholeFile(folder.file("image.bmp"), file);
  MemoryFile memory(file);
  for (const std::string& name : {folder.file("image.bmp"), memory.name}) {
    ImageBuffer image;
    ASSERT_TRUE(decodeBitmap(name.c_str(), NO_COLOUR_KEY, image)) << c.label << " from " << name;
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, height);
    EXPECT_EQ(image.authoredAlpha, 0);
    for (int i = 0; i < width * height; ++i) {
      uint32_t colour = colours[i];
      Rgba expected = {int(colour >> 16), int((colour >> 8) & 255), int(colour & 255), 255};
      EXPECT_EQ(pixelAt(image, i % width, i / width), expected) << c.label << " pixel " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Headers, BitmapDepths,
    ::testing::Values(BitmapCase{"info 1 bit", 40, 1, false}, BitmapCase{"info 4 bits", 40, 4, false},
                      BitmapCase{"info 8 bits", 40, 8, false}, BitmapCase{"info 16 bits", 40, 16, false},
                      BitmapCase{"info 24 bits", 40, 24, false}, BitmapCase{"info 32 bits", 40, 32, false},
                      BitmapCase{"info 24 bits top-down", 40, 24, true},
                      BitmapCase{"info 8 bits top-down", 40, 8, true}, BitmapCase{"core 1 bit", 12, 1, false},
                      BitmapCase{"core 4 bits", 12, 4, false}, BitmapCase{"core 8 bits", 12, 8, false},
                      BitmapCase{"core 24 bits", 12, 24, false}, BitmapCase{"core 32 bits", 12, 32, false}),
    [](const ::testing::TestParamInfo<BitmapCase>& info) {
      std::string name = info.param.label;
      for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

TEST(BitmapDecoder, ColourKeyMakesMatchingPixelsTransparentBlack) {
  const uint32_t key = 0x8000ff;  // red 255, green 0, blue 128 packed as red + green*256 + blue*65536
  std::vector<uint32_t> values = {0xff0080, RED, 0xff0080, BLUE};
  MemoryFile file(makeBitmap(40, 2, 2, 24, {}, values));
  ImageBuffer image;
  ASSERT_TRUE(decodeBitmap(file.name.c_str(), static_cast<int>(key), image));
  EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{0, 0, 0, 0}));
  EXPECT_EQ(pixelAt(image, 1, 0), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(pixelAt(image, 0, 1), (Rgba{0, 0, 0, 0}));
  ASSERT_TRUE(decodeBitmap(file.name.c_str(), 0, image)) << "black key";
  EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{255, 0, 128, 255}));

  // The key applies to palette colours as well.
  MemoryFile indexed(makeBitmap(40, 2, 1, 8, {0x000000, GREEN}, {0, 1}));
  ASSERT_TRUE(decodeBitmap(indexed.name.c_str(), 0, image));
  EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{0, 0, 0, 0}));
  EXPECT_EQ(pixelAt(image, 1, 0), (Rgba{0, 255, 0, 255}));
}

TEST(BitmapDecoder, RefusesDamagedFiles) {
  const std::string good = makeBitmap(40, 4, 4, 24, {}, std::vector<uint32_t>(16, RED));
  auto patched = [&](std::size_t offset, std::vector<uint8_t> bytes) {
    std::string s = good;
    for (std::size_t i = 0; i < bytes.size(); ++i) s[offset + i] = static_cast<char>(bytes[i]);
    return s;
  };
  struct Case {
    const char* label;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"wrong magic", patched(0, {'B', 'N'})},
      {"file header only", good.substr(0, 14)},
      {"cut in the info header", good.substr(0, 30)},
      {"info header of 20 bytes", patched(14, {20, 0, 0, 0})},
      {"info header of 108 bytes", patched(14, {108, 0, 0, 0})},
      {"2 bits per pixel", patched(28, {2, 0})},
      {"0 bits per pixel", patched(28, {0, 0})},
      {"width 0", patched(18, {0, 0, 0, 0})},
      {"negative width", patched(18, {0xff, 0xff, 0xff, 0xff})},
      {"height 0", patched(22, {0, 0, 0, 0})},
      {"last row missing", good.substr(0, good.size() - 4)},
      {"pixel offset past the end", patched(10, {0xff, 0xff, 0, 0})},
      {"huge size in a small file", patched(18, {0xff, 0xff, 0, 0x10})},
      {"huge height in a small file", patched(22, {0, 0, 0, 0x40})},
      {"most negative height", patched(22, {0, 0, 0, 0x80})},
      {"palette index past the palette",
       makeBitmap(40, 2, 1, 8, {RED, GREEN}, {1, 5})},
      {"8 bits without a palette", makeBitmap(40, 2, 1, 8, {}, {0, 0})},
      {"core palette cut short", makeBitmap(12, 2, 1, 8, {RED}, {0, 0}).substr(0, 40)},
  };
  test::TemporaryFolder folder;
  for (const Case& c : cases) {
    MemoryFile memory(c.bytes);
    test::writeWholeFile(folder.file("bad.bmp"), c.bytes);
    ImageBuffer image;
    EXPECT_FALSE(decodeBitmap(memory.name.c_str(), NO_COLOUR_KEY, image)) << c.label << " (memory)";
    EXPECT_FALSE(decodeBitmap(folder.file("bad.bmp").c_str(), NO_COLOUR_KEY, image)) << c.label << " (file)";
  }
  ImageBuffer image;
  EXPECT_FALSE(decodeBitmap(folder.file("missing.bmp").c_str(), NO_COLOUR_KEY, image));
  EXPECT_FALSE(decodeBitmap("", NO_COLOUR_KEY, image));
}

TEST(BitmapDecoder, ReusesStorageThatIsLargeEnough) {
  MemoryFile large(makeBitmap(40, 8, 8, 24, {}, std::vector<uint32_t>(64, RED)));
  MemoryFile small(makeBitmap(40, 2, 2, 24, {}, std::vector<uint32_t>(4, BLUE)));
  ImageBuffer image;
  ASSERT_TRUE(decodeBitmap(large.name.c_str(), NO_COLOUR_KEY, image));
  const uint8_t* storage = image.pixels;
  ASSERT_TRUE(decodeBitmap(small.name.c_str(), NO_COLOUR_KEY, image));
  EXPECT_EQ(image.pixels, storage);
  EXPECT_EQ(pixelAt(image, 1, 1), (Rgba{0, 0, 255, 255}));
}

// --- PNG ---------------------------------------------------------------------------------

PngLayout rgbLayout(int width, int height, std::vector<uint8_t> rows) {
  PngLayout layout;
  layout.width = width;
  layout.height = height;
  layout.colourType = PNG_COLOR_TYPE_RGB;
  layout.rows = std::move(rows);
  return layout;
}

TEST(PngDecoder, ExpandsEveryAcceptedColourTypeToRgba) {
  struct Case {
    const char* label;
    PngLayout layout;
    std::vector<Rgba> expected;  // rows from the top
    uint8_t authoredAlpha;
  };
  std::vector<Case> cases;
  cases.push_back({"RGB", rgbLayout(2, 1, {255, 0, 0, 1, 2, 3}), {{255, 0, 0, 255}, {1, 2, 3, 255}}, 0});
  {
    PngLayout layout = rgbLayout(2, 1, {10, 20, 30, 40, 50, 60, 70, 0});
    layout.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    cases.push_back({"RGBA", layout, {{10, 20, 30, 40}, {50, 60, 70, 0}}, 1});
  }
  {
    PngLayout layout = rgbLayout(2, 1, {});
    layout.colourType = PNG_COLOR_TYPE_GRAY;
    layout.rows = {0, 200};
    cases.push_back({"grey 8 bits", layout, {{0, 0, 0, 255}, {200, 200, 200, 255}}, 0});
  }
  {
    PngLayout layout = rgbLayout(3, 1, {});
    layout.colourType = PNG_COLOR_TYPE_GRAY;
    layout.depth = 1;
    layout.rows = {0xa0};  // 1, 0, 1
    cases.push_back({"grey 1 bit", layout, {{255, 255, 255, 255}, {0, 0, 0, 255}, {255, 255, 255, 255}}, 0});
  }
  {
    PngLayout layout = rgbLayout(2, 1, {});
    layout.colourType = PNG_COLOR_TYPE_PALETTE;
    layout.palette = {{9, 8, 7}, {1, 2, 3}};
    layout.rows = {1, 0};
    cases.push_back({"palette", layout, {{1, 2, 3, 255}, {9, 8, 7, 255}}, 0});
  }
  {
    PngLayout layout = rgbLayout(4, 1, {});
    layout.colourType = PNG_COLOR_TYPE_PALETTE;
    layout.depth = 2;
    layout.palette = {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {0, 0, 100}};
    layout.rows = {0x1b};  // 0, 1, 2, 3
    cases.push_back({"palette 2 bits", layout,
                     {{0, 0, 0, 255}, {100, 0, 0, 255}, {0, 100, 0, 255}, {0, 0, 100, 255}}, 0});
  }
  {
    PngLayout layout = rgbLayout(2, 1, {});
    layout.colourType = PNG_COLOR_TYPE_PALETTE;
    layout.palette = {{9, 8, 7}, {1, 2, 3}};
    layout.paletteAlpha = {0, 128};
    layout.rows = {0, 1};
    cases.push_back({"palette with tRNS", layout, {{9, 8, 7, 0}, {1, 2, 3, 128}}, 1});
  }
  {
    PngLayout layout = rgbLayout(2, 1, {5, 6, 7, 1, 1, 1});
    layout.hasTransparentColour = true;
    layout.transparentColour.red = 5;
    layout.transparentColour.green = 6;
    layout.transparentColour.blue = 7;
    cases.push_back({"RGB with tRNS", layout, {{5, 6, 7, 0}, {1, 1, 1, 255}}, 1});
  }
  {
    PngLayout layout = rgbLayout(1, 2, {0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc, 0xff, 0xff, 0x00, 0x01, 0x80, 0x00});
    layout.depth = 16;
    cases.push_back({"RGB 16 bits", layout, {{0x12, 0x56, 0x9a, 255}, {0xff, 0x00, 0x80, 255}}, 0});
  }
  {
    std::vector<uint8_t> rows;
    for (int i = 0; i < 9 * 9; ++i) {
      rows.insert(rows.end(), {uint8_t(i), uint8_t(i * 2), uint8_t(255 - i)});
    }
    PngLayout layout = rgbLayout(9, 9, rows);
    layout.interlaced = true;
    std::vector<Rgba> expected;
    for (int i = 0; i < 81; ++i) expected.push_back({i, i * 2, 255 - i, 255});
    cases.push_back({"RGB interlaced", layout, expected, 0});
  }

  for (const Case& c : cases) {
    MemoryFile file(makePng(c.layout));
    ImageBuffer image;
    ASSERT_TRUE(decodePng(file.name.c_str(), NO_COLOUR_KEY, image)) << c.label;
    ASSERT_EQ(image.width, c.layout.width) << c.label;
    ASSERT_EQ(image.height, c.layout.height) << c.label;
    EXPECT_EQ(image.authoredAlpha, c.authoredAlpha) << c.label;
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_EQ(pixelAt(image, int(i) % image.width, int(i) / image.width), c.expected[i])
          << c.label << " pixel " << i;
    }
  }
}

TEST(PngDecoder, KeyAppliesToRgbButNotToGrey) {
  MemoryFile rgb(makePng(rgbLayout(2, 1, {0, 0, 0, 255, 0, 128})));
  ImageBuffer image;
  ASSERT_TRUE(decodePng(rgb.name.c_str(), 0x8000ff, image));
  EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{0, 0, 0, 255}));
  EXPECT_EQ(pixelAt(image, 1, 0), (Rgba{0, 0, 0, 0}));
  ASSERT_TRUE(decodePng(rgb.name.c_str(), 0, image));
  EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{0, 0, 0, 0}));

  PngLayout grey = rgbLayout(2, 1, {0, 9});
  grey.colourType = PNG_COLOR_TYPE_GRAY;
  MemoryFile greyFile(makePng(grey));
  ASSERT_TRUE(decodePng(greyFile.name.c_str(), 0, image));
  EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{0, 0, 0, 255})) << "black stays opaque in a grey PNG";
}

TEST(PngDecoder, RefusesGreyWithAlphaWithTheRuntimeMessage) {
  PngLayout layout = rgbLayout(1, 1, {7, 200});
  layout.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
  MemoryFile file(makePng(layout));
  ImageBuffer image;
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(decodePng(file.name.c_str(), NO_COLOUR_KEY, image));
  std::string output = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(output, "File " + file.name + " has unsupported color type.\nTypes GRAY, RGB and RGB_ALPHA are supported.");
}

TEST(PngDecoder, ChecksOnlyTheLettersOfTheSignature) {
  std::string png = makePng(rgbLayout(1, 1, {1, 2, 3}));
  png[0] = 0;
  MemoryFile firstByteChanged(png);
  ImageBuffer image;
  EXPECT_TRUE(decodePng(firstByteChanged.name.c_str(), NO_COLOUR_KEY, image));
  png[2] = 'X';
  MemoryFile letterChanged(png);
  EXPECT_FALSE(decodePng(letterChanged.name.c_str(), NO_COLOUR_KEY, image));
}

TEST(PngDecoder, FailsCleanlyOnDamagedData) {
  std::vector<uint8_t> rows(32 * 32 * 3);
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i * 7);
  const std::string good = makePng(rgbLayout(32, 32, rows));
  std::string badCrc = good;
  badCrc[40] = static_cast<char>(badCrc[40] ^ 0x55);  // inside IDAT
  std::string hugeHeader = good.substr(0, 33);       // signature and IHDR only
  hugeHeader[16] = 0;
  hugeHeader[17] = 0x0f;  // width 0x0f0000 and beyond: more pixels than the file can hold
  std::string cases[] = {good.substr(0, 8), good.substr(0, 20), good.substr(0, good.size() / 2),
                         badCrc, hugeHeader, std::string("\x89PNG", 4)};
  for (const std::string& bytes : cases) {
    MemoryFile file(bytes);
    ImageBuffer image;
    EXPECT_FALSE(decodePng(file.name.c_str(), NO_COLOUR_KEY, image)) << bytes.size() << " bytes";
  }
}

// --- JPEG --------------------------------------------------------------------------------

TEST(JpegDecoder, DecodesGreyAndRgbFromFilesOnly) {
  test::TemporaryFolder folder;
  std::vector<uint8_t> grey(16 * 16, 90);
  std::vector<uint8_t> rgb;
  for (int i = 0; i < 16 * 16; ++i) rgb.insert(rgb.end(), {200, 40, 90});
  test::writeWholeFile(folder.file("grey.jpg"), makeJpeg(16, 16, 1, grey));
  test::writeWholeFile(folder.file("rgb.jpg"), makeJpeg(16, 16, 3, rgb));

  ImageBuffer image;
  ASSERT_TRUE(decodeJpeg(folder.file("grey.jpg").c_str(), image));
  EXPECT_EQ(image.width, 16);
  EXPECT_EQ(image.authoredAlpha, 0);
  EXPECT_EQ(pixelAt(image, 5, 5), (Rgba{90, 90, 90, 255}));
  ASSERT_TRUE(decodeJpeg(folder.file("rgb.jpg").c_str(), image));
  Rgba p = pixelAt(image, 7, 3);
  EXPECT_NEAR(p[0], 200, 3);
  EXPECT_NEAR(p[1], 40, 3);
  EXPECT_NEAR(p[2], 90, 3);
  EXPECT_EQ(p[3], 255);

  MemoryFile memory(makeJpeg(16, 16, 1, grey));
  EXPECT_FALSE(decodeJpeg(memory.name.c_str(), image)) << "memory names are not read by the JPEG decoder";
  EXPECT_FALSE(decodeJpeg(folder.path().c_str(), image)) << "a folder";
  test::writeWholeFile(folder.file("cut.jpg"), makeJpeg(16, 16, 1, grey).substr(0, 100));
  test::writeWholeFile(folder.file("text.jpg"), "not a picture");
  EXPECT_FALSE(decodeJpeg(folder.file("text.jpg").c_str(), image));
  // A cut stream is completed by libjpeg with a warning; it must not end the process.
  decodeJpeg(folder.file("cut.jpg").c_str(), image);
}

TEST(DecoderChain, TriesBitmapThenPngThenJpegWithoutKey) {
  test::TemporaryFolder folder;
  std::vector<uint8_t> rgb;
  for (int i = 0; i < 16 * 16; ++i) rgb.insert(rgb.end(), {0, 0, 0});
  test::writeWholeFile(folder.file("black.jpg"), makeJpeg(16, 16, 3, rgb));
  test::writeWholeFile(folder.file("black.png"), makePng(rgbLayout(1, 1, {0, 0, 0})));
  test::writeWholeFile(folder.file("black.bmp"), makeBitmap(40, 1, 1, 24, {}, {0}));
  test::writeWholeFile(folder.file("junk.bin"), std::string(100, 'x'));
  ImageBuffer image;
  ASSERT_TRUE(decodeImageFile(folder.file("black.jpg").c_str(), 0, image));
  EXPECT_EQ(pixelAt(image, 0, 0)[3], 255) << "the JPEG decoder takes no key";
  ASSERT_TRUE(decodeImageFile(folder.file("black.png").c_str(), 0, image));
  EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{0, 0, 0, 0}));
  ASSERT_TRUE(decodeImageFile(folder.file("black.bmp").c_str(), 0, image));
  EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{0, 0, 0, 0}));
  EXPECT_FALSE(decodeImageFile(folder.file("junk.bin").c_str(), 0, image));
}

// --- fill of transparent pixels ----------------------------------------------------------

TEST(TransparentFill, AveragesOpaqueNeighboursInsideTheImage) {
  // 4 x 4; '.' transparent. Inner pixels are (1,1), (2,1), (1,2), (2,2).
  ImageBuffer image;
  ASSERT_TRUE(image.resize(4, 4));
  auto set = [&](int x, int y, Rgba c) {
    for (int i = 0; i < 4; ++i) image.pixel(x, y)[i] = static_cast<uint8_t>(c[i]);
  };
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) set(x, y, {77, 77, 77, 0});
  }
  set(1, 1, {100, 10, 0, 255});
  set(2, 2, {200, 30, 60, 255});
  set(3, 3, {9, 9, 9, 255});  // opaque, but on the outer edge: never a source
  fillTransparentPixels(image);
  EXPECT_EQ(pixelAt(image, 2, 1), (Rgba{150, 20, 30, 0})) << "both inner opaque neighbours";
  EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{100, 10, 0, 0})) << "a corner next to (1,1)";
  EXPECT_EQ(pixelAt(image, 3, 2), (Rgba{200, 30, 60, 0})) << "(3,3) does not count";
  EXPECT_EQ(pixelAt(image, 3, 0), (Rgba{0, 0, 0, 0})) << "its only inner neighbour is transparent";
  EXPECT_EQ(pixelAt(image, 1, 1), (Rgba{100, 10, 0, 255})) << "opaque pixels stay";
  EXPECT_EQ(pixelAt(image, 3, 3), (Rgba{9, 9, 9, 255}));

  ImageBuffer lonely;
  ASSERT_TRUE(lonely.resize(3, 1));
  for (int x = 0; x < 3; ++x) {
    uint8_t* p = lonely.pixel(x, 0);
    p[0] = p[1] = p[2] = 50;
    p[3] = x == 1 ? 255 : 0;
  }
  fillTransparentPixels(lonely);
  EXPECT_EQ(pixelAt(lonely, 0, 0), (Rgba{0, 0, 0, 0})) << "no neighbour strictly inside: black";
}

}  // namespace
}  // namespace vantrel
