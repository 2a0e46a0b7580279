// The table of eight file channels and their commands: opening by mode, typed little-endian
// transfers, text and line reads, with the soft and fatal failures of the dialect.
#include "files/file_channels.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/errors.h"
#include "files/appended_archive.h"

namespace vantrel {

namespace {

FileChannel channels[FILE_CHANNEL_COUNT];

bool validChannel(int channel) { return channel >= 0 && channel < FILE_CHANNEL_COUNT; }

FileChannel& checkedChannel(int channel) {
  if (!validChannel(channel)) failFatally(ERR_OUT_OF_MEMORY);
  return channels[channel];
}

// Bytes a memory block could not fill stay zero.
void readRaw(int channel, uint8_t* bytes, int32_t width) {
  FileChannel& stream = checkedChannel(channel);
  std::memset(bytes, 0, static_cast<std::size_t>(width));
  if (!stream.readBytes(bytes, width)) failFatally(ERR_NO_SUCH_FILE);
}

uint64_t littleEndian(const uint8_t* bytes, int width) {
  uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

uint64_t readUnsigned(int channel, int width) {
  uint8_t bytes[8];
  readRaw(channel, bytes, width);
  return littleEndian(bytes, width);
}

// An empty write succeeds on any channel; everything else needs a file that takes all bytes.
void writeRaw(int channel, const void* source, int32_t n) {
  FileChannel& stream = checkedChannel(channel);
  if (n == 0) return;
  if (stream.file == platform::NO_FILE || !stream.writeBytes(source, n))
    failFatally(ERR_NO_SUCH_FILE);
}

void writeUnsigned(int channel, uint64_t value, int width) {
  uint8_t bytes[8];
  for (int i = 0; i < width; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  writeRaw(channel, bytes, width);
}

}  // namespace

FileChannel& fileChannel(int channel) { return checkedChannel(channel); }

int openFile(int channel, const StringValue& name, int mode) {
  raiseError(ERR_SUCCESS);
  if (!validChannel(channel)) {
    raiseError(ERR_OUT_OF_MEMORY);
    return 0;
  }
  FileChannel& stream = channels[channel];
  stream.close();
  if (mode >= 1) {
    // A memory name already designates something readable; resolving it would also release
    // the block it names when that block came from the main archive's last lookup.
    if (isMemoryName(name.text())) {
      if (stream.openRead(name.text())) return 1;
      raiseError(ERR_NO_SUCH_FILE);
      return 0;
    }
    char resolved[platform::PATH_BUFFER_SIZE];
    if (!resolveFileName(mainArchive(), name.text(), resolved, true)) raiseError(ERR_NO_SUCH_FILE);
    return stream.openRead(resolved) ? 1 : 0;
  }
  const bool opened = mode == 0 ? stream.openWrite(name.text()) : stream.openAppend(name.text());
  if (!opened) raiseError(ERR_NO_SUCH_FILE);
  // Writes are gathered and reach the file at the latest when the channel closes; a write the
  // OS refuses then ends the program just as an unbuffered write would.
  if (opened) stream.bufferWrites();
  return opened ? 1 : 0;
}

void closeFile(int channel) {
  FileChannel& stream = checkedChannel(channel);
  const bool written = stream.flush();
  stream.close();
  raiseError(ERR_SUCCESS);
  if (!written) failFatally(ERR_NO_SUCH_FILE);
}

void closeAllFiles() {
  for (int channel = 0; channel < FILE_CHANNEL_COUNT; ++channel) closeFile(channel);
}

int endOfFile(int channel) {
  if (!validChannel(channel)) return 1;
  return channels[channel].position >= channels[channel].size ? 1 : 0;
}

int filePosition(int channel) { return checkedChannel(channel).position; }

void seekFile(int channel, int distance, int origin) {
  FileChannel& stream = checkedChannel(channel);
  bool moved;
  if (origin < 0) {
    moved = stream.seekTo(distance, true);
  } else {
    const int64_t target = origin > 0 ? int64_t(stream.position) + distance : int64_t(distance);
    moved = target >= INT32_MIN && target <= INT32_MAX &&
            stream.seekTo(static_cast<int32_t>(target), false);
  }
  // A seek before the start (or on a closed channel) moves nothing; the program goes on.
  if (!moved) raiseError(ERR_NO_SUCH_FILE);
}

void readInt8(int channel, int& value) {
  value = static_cast<int8_t>(readUnsigned(channel, 1));
}
void readUint8(int channel, int& value) { value = static_cast<int>(readUnsigned(channel, 1)); }
void readInt16(int channel, int& value) {
  value = static_cast<int16_t>(readUnsigned(channel, 2));
}
void readUint16(int channel, int& value) { value = static_cast<int>(readUnsigned(channel, 2)); }
void readInt32(int channel, int& value) {
  value = static_cast<int32_t>(readUnsigned(channel, 4));
}
void readUint32(int channel, int& value) {
  value = static_cast<int32_t>(readUnsigned(channel, 4));
}

void readFloat32(int channel, double& value) {
  const uint32_t bits = static_cast<uint32_t>(readUnsigned(channel, 4));
  float number;
  std::memcpy(&number, &bits, sizeof number);
  value = number;
}

void readFloat64(int channel, double& value) {
  const uint64_t bits = readUnsigned(channel, 8);
  std::memcpy(&value, &bits, sizeof value);
}

void readText(int channel, StringValue& out, int n) {
  FileChannel& stream = checkedChannel(channel);
  StringValue text;
  if (n > 0) {
    const uint32_t room = static_cast<uint32_t>(n) + 32;
    text.reserve(room, false);
    std::memset(text.buffer, 0, room + 1);
    if (!stream.readBytes(text.buffer, n)) failFatally(ERR_NO_SUCH_FILE);
    recountLength(text);
  }
  out.swap(text);
}

void readFileLine(int channel, StringValue& out) {
  FileChannel& stream = checkedChannel(channel);
  // The line is read straight into the target's own buffer, kept from one line to the next.
  out.reserve(FILE_LINE_LIMIT, false);
  std::memset(out.buffer, 0, FILE_LINE_LIMIT + 1);
  out.length = 0;
  if (!stream.isOpen() || !stream.readLine(out.buffer, FILE_LINE_LIMIT))
    failFatally(ERR_NO_SUCH_FILE);
  recountLength(out);
}

void readNumberLine(int channel, double& value) {
  StringValue line;
  readFileLine(channel, line);
  value = std::atof(line.text());
}

void readIntLine(int channel, int& value) {
  StringValue line;
  readFileLine(channel, line);
  value = std::atoi(line.text());
}

void writeInt8(int channel, int value) { writeUnsigned(channel, static_cast<uint32_t>(value), 1); }
void writeUint8(int channel, int value) { writeUnsigned(channel, static_cast<uint32_t>(value), 1); }
void writeInt16(int channel, int value) { writeUnsigned(channel, static_cast<uint32_t>(value), 2); }
void writeUint16(int channel, int value) {
  writeUnsigned(channel, static_cast<uint32_t>(value), 2);
}
void writeInt32(int channel, int value) { writeUnsigned(channel, static_cast<uint32_t>(value), 4); }
void writeUint32(int channel, int value) {
  writeUnsigned(channel, static_cast<uint32_t>(value), 4);
}

void writeFloat32(int channel, double value) {
  // Finite values beyond the float range become infinities rather than an undefined cast.
  const float number = std::isfinite(value) && std::fabs(value) > FLT_MAX
                           ? std::copysign(HUGE_VALF, static_cast<float>(value > 0 ? 1 : -1))
                           : static_cast<float>(value);
  uint32_t bits;
  std::memcpy(&bits, &number, sizeof bits);
  writeUnsigned(channel, bits, 4);
}

void writeFloat64(int channel, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  writeUnsigned(channel, bits, 8);
}

void writeText(int channel, const StringValue& text) {
  writeRaw(channel, text.buffer, static_cast<int32_t>(text.length));
}

void writeLine(int channel, const StringValue& text) {
  writeRaw(channel, text.buffer, static_cast<int32_t>(text.length));
  writeRaw(channel, "\r\n", 2);
}

}  // namespace vantrel
