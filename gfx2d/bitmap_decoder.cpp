// The runtime's own Windows bitmap decoder: core (12-byte) and 40-byte info headers, 1, 4, 8,
// 16, 24 and 32 bits per pixel, bottom-up and top-down rows, palettes and the colour key.
#include <cstdint>
#include <cstring>
#include <vector>

#include "gfx2d/image_decoders.h"
#include "gfx2d/stream_input.h"

namespace vantrel {

namespace {

constexpr int FILE_HEADER_SIZE = 14;
constexpr int CORE_HEADER_SIZE = 12;
constexpr int INFO_HEADER_SIZE = 40;

struct PaletteEntry {
  uint8_t red, green, blue;
};

struct BitmapLayout {
  int width = 0;
  int height = 0;
  bool topDown = false;
  int bits = 0;
  uint32_t pixelOffset = 0;
  std::vector<PaletteEntry> palette;
};

bool readHeaders(DataStream& stream, BitmapLayout& layout) {
  uint8_t fileHeader[FILE_HEADER_SIZE];
  if (!detail::readExactly(stream, fileHeader, FILE_HEADER_SIZE)) return false;
  if (fileHeader[0] != 'B' || fileHeader[1] != 'M') return false;
  layout.pixelOffset = detail::littleEndian32(fileHeader + 10);

  uint8_t info[INFO_HEADER_SIZE];
  if (!detail::readExactly(stream, info, 4)) return false;
  uint32_t infoSize = detail::littleEndian32(info);
  int64_t height = 0;
  if (infoSize == CORE_HEADER_SIZE) {
    if (!detail::readExactly(stream, info + 4, CORE_HEADER_SIZE - 4)) return false;
    layout.width = static_cast<int16_t>(detail::littleEndian16(info + 4));
    height = static_cast<int16_t>(detail::littleEndian16(info + 6));
    layout.bits = detail::littleEndian16(info + 10);
  } else if (infoSize == INFO_HEADER_SIZE) {
    if (!detail::readExactly(stream, info + 4, INFO_HEADER_SIZE - 4)) return false;
    layout.width = static_cast<int32_t>(detail::littleEndian32(info + 4));
    height = static_cast<int32_t>(detail::littleEndian32(info + 8));
    layout.bits = detail::littleEndian16(info + 14);
  } else {
    return false;
  }
  layout.topDown = height < 0;
  if (height < 0) height = -height;
  if (layout.width < 1 || height < 1 || height > INT32_MAX) return false;
  layout.height = static_cast<int>(height);
  switch (layout.bits) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
  }

  if (infoSize == CORE_HEADER_SIZE) {
    // Only palette formats carry a colour table after the core header.
    if (layout.bits <= 8) {
      int entries = 1 << layout.bits;
      uint8_t table[256 * 3];
      if (!detail::readExactly(stream, table, entries * 3)) return false;
      for (int i = 0; i < entries; ++i) {
        layout.palette.push_back({table[i * 3 + 2], table[i * 3 + 1], table[i * 3]});
      }
    }
  } else if (layout.pixelOffset > FILE_HEADER_SIZE + INFO_HEADER_SIZE) {
    // Entries beyond 256 can never be indexed; they are skipped with the seek below.
    uint32_t entries = (layout.pixelOffset - FILE_HEADER_SIZE - INFO_HEADER_SIZE) / 4;
    if (entries > 256) entries = 256;
    uint8_t table[256 * 4];
    if (!detail::readExactly(stream, table, entries * 4)) return false;
    for (uint32_t i = 0; i < entries; ++i) {
      layout.palette.push_back({table[i * 4 + 2], table[i * 4 + 1], table[i * 4]});
    }
  }
  return true;
}

// Converts one stored row into RGBA; false when a palette index lies past the palette.
bool convertRow(const BitmapLayout& layout, const uint8_t* row, uint8_t* out, int key) {
  const int paletteSize = static_cast<int>(layout.palette.size());
  for (int x = 0; x < layout.width; ++x, out += 4) {
    int index = -1;
    switch (layout.bits) {
      case 1: index = (row[x >> 3] >> (7 - (x & 7))) & 1; break;
      case 4: index = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15; break;
      case 8: index = row[x]; break;
      case 16: {
        int v = detail::littleEndian16(row + x * 2);
        out[0] = static_cast<uint8_t>(((v >> 10) & 31) * 255 / 31);
        out[1] = static_cast<uint8_t>(((v >> 5) & 31) * 255 / 31);
        out[2] = static_cast<uint8_t>((v & 31) * 255 / 31);
        break;
      }
      default: {  // 24 and 32 bits: blue, green, red (the fourth byte is not used)
        const uint8_t* p = row + x * (layout.bits / 8);
        out[0] = p[2];
        out[1] = p[1];
        out[2] = p[0];
        break;
      }
    }
    if (index >= 0) {
      if (index >= paletteSize) return false;
      out[0] = layout.palette[index].red;
      out[1] = layout.palette[index].green;
      out[2] = layout.palette[index].blue;
    }
    out[3] = 255;
    if (packColour(out[0], out[1], out[2]) == key) std::memset(out, 0, 4);
  }
  return true;
}

}  // namespace

bool decodeBitmap(const char* name, int key, ImageBuffer& image) {
  DataStream stream;
  if (!stream.openRead(name)) return false;
  BitmapLayout layout;
  if (!readHeaders(stream, layout)) return false;
  const int64_t rowSize = (static_cast<int64_t>(layout.width) * layout.bits + 31) / 32 * 4;
  // The rows must all be in the file before anything is allocated for them.
  const int64_t fileSize = stream.streamSize();
  if (rowSize > fileSize ||
      static_cast<int64_t>(layout.pixelOffset) + rowSize * layout.height > fileSize) {
    return false;
  }
  if (!stream.seekTo(static_cast<int32_t>(layout.pixelOffset), false)) return false;
  if (!image.resize(layout.width, layout.height)) return false;
  image.authoredAlpha = 0;
  std::vector<uint8_t> row(static_cast<std::size_t>(rowSize));
  for (int i = 0; i < layout.height; ++i) {
    if (!detail::readExactly(stream, row.data(), rowSize)) return false;
    int target = layout.topDown ? i : layout.height - 1 - i;
    if (!convertRow(layout, row.data(), image.pixel(0, target), key)) return false;
  }
  return true;
}

}  // namespace vantrel
