// Image files made in code for the gfx2d tests: bitmaps written byte by byte, PNG and JPEG
// written with libpng and libjpeg into memory.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <string>
#include <vector>

namespace vantrel::test {

inline void put16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 255));
  out.push_back(static_cast<char>((v >> 8) & 255));
}
inline void put32(std::string& out, uint32_t v) {
  put16(out, v & 0xffff);
  put16(out, v >> 16);
}

// A Windows bitmap. values holds one entry per pixel, rows from the top: a palette index for
// 1, 4 and 8 bits, the raw 16-bit word for 16 bits, 0xRRGGBB for 24 and 32 bits. palette
// entries are 0xRRGGBB. headerSize is 12 (core) or 40.
inline std::string makeBitmap(int headerSize, int width, int height, int bits,
                              const std::vector<uint32_t>& palette,
                              const std::vector<uint32_t>& values, bool topDown = false) {
  const int rowSize = (width * bits + 31) / 32 * 4;
  std::string table;
  for (uint32_t colour : palette) {
    table.push_back(static_cast<char>(colour & 255));
    table.push_back(static_cast<char>((colour >> 8) & 255));
    table.push_back(static_cast<char>((colour >> 16) & 255));
    if (headerSize == 40) table.push_back(0);
  }
  const uint32_t offset = 14 + headerSize + static_cast<uint32_t>(table.size());
  std::string out = "BM";
  put32(out, offset + rowSize * height);
  put32(out, 0);
  put32(out, offset);
  put32(out, headerSize);
  if (headerSize == 12) {
    put16(out, width);
    put16(out, static_cast<uint32_t>(topDown ? -height : height) & 0xffff);
    put16(out, 1);
    put16(out, bits);
  } else {
    put32(out, width);
    put32(out, static_cast<uint32_t>(topDown ? -height : height));
    put16(out, 1);
    put16(out, bits);
    for (int i = 0; i < 6; ++i) put32(out, 0);
  }
  out += table;
  for (int i = 0; i < height; ++i) {
    int y = topDown ? i : height - 1 - i;
    std::string row(rowSize, '\0');
    for (int x = 0; x < width; ++x) {
      uint32_t v = values[y * width + x];
      switch (bits) {
        case 1: row[x / 8] = static_cast<char>(row[x / 8] | (v << (7 - x % 8))); break;
        case 4: row[x / 2] = static_cast<char>(row[x / 2] | (v << (x % 2 ? 0 : 4))); break;
        case 8: row[x] = static_cast<char>(v); break;
        case 16:
          row[x * 2] = static_cast<char>(v & 255);
          row[x * 2 + 1] = static_cast<char>(v >> 8);
          break;
        default: {
          int step = bits / 8;
          row[x * step] = static_cast<char>(v & 255);
          row[x * step + 1] = static_cast<char>((v >> 8) & 255);
          row[x * step + 2] = static_cast<char>((v >> 16) & 255);
          if (step == 4) row[x * step + 3] = static_cast<char>(0x77);
        }
      }
    }
    out += row;
  }
  return out;
}

struct PngLayout {
  int width = 0;
  int height = 0;
  int colourType = PNG_COLOR_TYPE_RGB;
  int depth = 8;
  bool interlaced = false;
  std::vector<uint8_t> rows;  // height rows of packed samples as PNG stores them (big-endian 16-bit)
  std::vector<png_color> palette;
  std::vector<uint8_t> paletteAlpha;  // tRNS for palette images
  bool hasTransparentColour = false;  // tRNS for grey and RGB images
  png_color_16 transparentColour{};
};

inline std::string makePng(const PngLayout& layout) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, std::size_t length) {
        static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<char*>(data), length);
      },
      [](png_structp) {});
  png_set_IHDR(png, info, layout.width, layout.height, layout.depth, layout.colourType,
               layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!layout.palette.empty()) {
    png_set_PLTE(png, info, layout.palette.data(), static_cast<int>(layout.palette.size()));
  }
  if (!layout.paletteAlpha.empty()) {
    png_set_tRNS(png, info, layout.paletteAlpha.data(), static_cast<int>(layout.paletteAlpha.size()), nullptr);
  }
  if (layout.hasTransparentColour) {
    png_color_16 colour = layout.transparentColour;
    png_set_tRNS(png, info, nullptr, 0, &colour);
  }
  png_write_info(png, info);
  const std::size_t rowBytes = layout.rows.size() / layout.height;
  std::vector<png_bytep> rows;
  for (int y = 0; y < layout.height; ++y) {
    rows.push_back(const_cast<png_bytep>(layout.rows.data() + y * rowBytes));
  }
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// An 8-bit RGBA PNG from RGBA pixels, rows from the top.
inline std::string makeRgbaPng(int width, int height, const std::vector<uint8_t>& pixels) {
  PngLayout layout;
  layout.width = width;
  layout.height = height;
  layout.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
  layout.rows = pixels;
  return makePng(layout);
}

// A baseline JPEG at quality 100 with 1 (grey) or 3 (RGB) components.
inline std::string makeJpeg(int width, int height, int components, const std::vector<uint8_t>& samples) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = width;
  info.image_height = height;
  info.input_components = components;
  info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  jpeg_start_compress(&info, TRUE);
  for (int y = 0; y < height; ++y) {
    JSAMPROW row = const_cast<JSAMPROW>(samples.data() + y * width * components);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  std::string out(reinterpret_cast<char*>(buffer), size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

}  // namespace vantrel::test
