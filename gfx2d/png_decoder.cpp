// The PNG decoder: libpng reading from a DataStream (so memory names and archive entries
// work), expanded to 8-bit grey, RGB or RGBA, then turned into RGBA with the colour key.
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>

#include "core/errors.h"
#include "gfx2d/image_decoders.h"
#include "gfx2d/stream_input.h"

namespace vantrel {

namespace {

// Deflate cannot expand data by more than about 1032 to 1, so an image whose rows need more
// than this many times the bytes left in the file cannot be complete; it is refused before
// its pixels are allocated.
constexpr int64_t MAX_INFLATE_RATIO = 1100;

void readFromStream(png_structp png, png_bytep data, std::size_t length) {
  auto* stream = static_cast<DataStream*>(png_get_io_ptr(png));
  if (!detail::readExactly(*stream, data, static_cast<int64_t>(length))) {
    png_error(png, "unexpected end of data");
  }
}

// libpng errors leave through longjmp without a message; warnings are dropped.
void raiseDecodeError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void ignoreWarning(png_structp, png_const_charp) {}

struct PngOutcome {
  enum Kind { Decoded, Failed, UnsupportedColourType, UnsupportedDepth } kind = Failed;
  int depth = 0;
};

// Expands a row of 1 or 3 channels to RGBA in place, from the right so nothing is overwritten
// before it is read.
void expandRow(uint8_t* row, int width, int channels, int key) {
  for (int x = width - 1; x >= 0; --x) {
    uint8_t* out = row + x * 4;
    if (channels == 1) {
      uint8_t grey = row[x];
      out[0] = out[1] = out[2] = grey;
      out[3] = 255;
    } else {
      uint8_t red = row[x * 3], green = row[x * 3 + 1], blue = row[x * 3 + 2];
      bool keyed = packColour(red, green, blue) == key;
      out[0] = keyed ? 0 : red;
      out[1] = keyed ? 0 : green;
      out[2] = keyed ? 0 : blue;
      out[3] = keyed ? 0 : 255;
    }
  }
}

// Everything libpng may leave by longjmp happens in this frame, which holds no object with a
// destructor.
PngOutcome readImage(png_structp png, png_infop info, DataStream& stream, int key,
                     ImageBuffer& image) {
  PngOutcome outcome;
  if (setjmp(png_jmpbuf(png))) return PngOutcome{};
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const int colourType = png_get_color_type(png, info);
  const int depth = png_get_bit_depth(png, info);
  const int64_t storedRow = (static_cast<int64_t>(width) * png_get_channels(png, info) * depth + 7) / 8;
  if (static_cast<int64_t>(height) * storedRow > detail::bytesLeft(stream) * MAX_INFLATE_RATIO) {
    return outcome;
  }

  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (depth == 16) png_set_strip_16(png);
  if (depth < 8) png_set_packing(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  const int channels = png_get_channels(png, info);
  const int finalType = png_get_color_type(png, info);
  if ((channels != 1 && channels != 3 && channels != 4) ||
      (finalType != PNG_COLOR_TYPE_GRAY && finalType != PNG_COLOR_TYPE_RGB &&
       finalType != PNG_COLOR_TYPE_RGB_ALPHA)) {
    outcome.kind = PngOutcome::UnsupportedColourType;
    return outcome;
  }
  const int finalDepth = png_get_bit_depth(png, info);
  if (finalDepth != 8) {
    outcome.kind = PngOutcome::UnsupportedDepth;
    outcome.depth = finalDepth;
    return outcome;
  }
  if (width > INT32_MAX || height > INT32_MAX) return outcome;
  if (!image.resize(static_cast<int>(width), static_cast<int>(height))) return outcome;
  if (png_get_rowbytes(png, info) > static_cast<std::size_t>(width) * 4) return outcome;

  // libpng writes each row at the start of its RGBA row; expandRow widens it afterwards.
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 0; y < image.height; ++y) png_read_row(png, image.pixel(0, y), nullptr);
  }
  if (channels != 4) {
    for (int y = 0; y < image.height; ++y) expandRow(image.pixel(0, y), image.width, channels, key);
  }
  image.authoredAlpha = channels == 4 ? 1 : 0;
  outcome.kind = PngOutcome::Decoded;
  return outcome;
}

}  // namespace

bool decodePng(const char* name, int key, ImageBuffer& image) {
  DataStream stream;
  if (!stream.openRead(name)) return false;
  uint8_t signature[8];
  if (!detail::readExactly(stream, signature, 8)) return false;
  if (signature[1] != 'P' || signature[2] != 'N' || signature[3] != 'G') return false;

  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, raiseDecodeError,
                                           ignoreWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  png_set_read_fn(png, &stream, readFromStream);
  PngOutcome outcome = readImage(png, info, stream, key, image);
  png_destroy_read_struct(&png, &info, nullptr);

  if (outcome.kind == PngOutcome::UnsupportedColourType) {
    printOutput((std::string("File ") + name + " has unsupported color type.\n").c_str());
    printOutput("Types GRAY, RGB and RGB_ALPHA are supported.");
  } else if (outcome.kind == PngOutcome::UnsupportedDepth) {
    printOutput((std::string("File ") + name + " has bit depth " + std::to_string(outcome.depth) +
                 ".\n").c_str());
    printOutput("Only bit depth of 8 is supported.");
  }
  return outcome.kind == PngOutcome::Decoded;
}

}  // namespace vantrel
