// The JPEG decoder: libjpeg over a C file opened by its plain path (memory names cannot be
// read here), one scanline at a time, turned into RGBA.
#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/errors.h"
#include "gfx2d/image_decoders.h"
#include "platform/files.h"

namespace vantrel {

namespace {

struct JpegErrors {
  jpeg_error_mgr standard;
  jmp_buf jump;
};

// libjpeg's own error exit ends the process; this one returns to readImage instead.
void leaveDecode(j_common_ptr info) { longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1); }

struct JpegOutcome {
  enum Kind { Decoded, Failed, UnsupportedChannels } kind = Failed;
  int channels = 0;
};

// Everything libjpeg may leave by longjmp happens in this frame, which holds no object with
// a destructor; the scanline buffer is kept in *row so the caller frees it either way.
JpegOutcome readImage(jpeg_decompress_struct* info, JpegErrors* errors, std::FILE* file,
                      ImageBuffer& image, uint8_t** row) {
  JpegOutcome outcome;
  info->err = jpeg_std_error(&errors->standard);
  errors->standard.error_exit = leaveDecode;
  if (setjmp(errors->jump)) return JpegOutcome{};
  jpeg_create_decompress(info);
  jpeg_stdio_src(info, file);
  jpeg_read_header(info, TRUE);
  jpeg_start_decompress(info);
  const int channels = info->output_components;
  if (channels != 1 && channels != 3 && channels != 4) {
    outcome.kind = JpegOutcome::UnsupportedChannels;
    outcome.channels = channels;
    return outcome;
  }
  if (info->output_width > INT32_MAX || info->output_height > INT32_MAX) return outcome;
  if (!image.resize(static_cast<int>(info->output_width), static_cast<int>(info->output_height))) {
    return outcome;
  }
  *row = static_cast<uint8_t*>(std::malloc(static_cast<std::size_t>(image.width) * channels));
  if (!*row) return outcome;
  for (int y = 0; y < image.height; ++y) {
    JSAMPROW rows[1] = {*row};
    if (jpeg_read_scanlines(info, rows, 1) != 1) return outcome;
    uint8_t* out = image.pixel(0, y);
    for (int x = 0; x < image.width; ++x, out += 4) {
      const uint8_t* in = *row + x * channels;
      if (channels == 1) {
        out[0] = out[1] = out[2] = in[0];
        out[3] = 255;
      } else {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        out[3] = channels == 4 ? in[3] : 255;
      }
    }
  }
  image.authoredAlpha = channels == 4 ? 1 : 0;
  outcome.kind = JpegOutcome::Decoded;
  return outcome;
}

}  // namespace

bool decodeJpeg(const char* name, ImageBuffer& image) {
  if (!name || !*name || platform::pathKind(name) == platform::PathKind::Folder) return false;
  std::FILE* file = std::fopen(platform::toNativePath(name).c_str(), "rb");
  if (!file) return false;
  jpeg_decompress_struct info{};
  JpegErrors errors{};
  uint8_t* row = nullptr;
  JpegOutcome outcome = readImage(&info, &errors, file, image, &row);
  jpeg_destroy_decompress(&info);
  std::free(row);
  std::fclose(file);
  if (outcome.kind == JpegOutcome::UnsupportedChannels) {
    appendToLog(("JPEG: Channels: " + std::to_string(outcome.channels) + " not supported!\n").c_str());
  }
  return outcome.kind == JpegOutcome::Decoded;
}

}  // namespace vantrel
