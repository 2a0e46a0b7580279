// DataStream over platform files and memory blocks, line reads in 64-byte pieces, and the
// "mem://" names of memory blocks.
#include "files/data_stream.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <limits>

namespace vantrel {

namespace {

constexpr int32_t LINE_PIECE = 64;
constexpr int32_t READ_AHEAD_SIZE = 64 * 1024;
constexpr int32_t WRITE_BEHIND_SIZE = 64 * 1024;
constexpr int64_t MAX_POSITION = std::numeric_limits<int32_t>::max();
constexpr std::size_t MEMORY_NAME_SIZE_AT = 6;
constexpr std::size_t MEMORY_NAME_DOT_AT = 14;
constexpr std::size_t MEMORY_NAME_ADDRESS_AT = 15;

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Leading blanks, then at least one and at most maxDigits hex digits; end points past them.
bool parseHex(const char* text, int maxDigits, uint64_t& value, const char*& end) {
  while (*text == ' ') ++text;
  value = 0;
  int digits = 0;
  for (int digit; (digit = hexDigit(*text)) >= 0; ++text) {
    if (++digits > maxDigits) return false;
    value = value << 4 | static_cast<uint64_t>(digit);
  }
  end = text;
  return digits > 0;
}

}  // namespace

DataStream::DataStream(DataStream&& other) noexcept
    : file(other.file), memory(other.memory), size(other.size), position(other.position),
      readAhead_(std::move(other.readAhead_)), writeBehind_(std::move(other.writeBehind_)) {
  other.file = platform::NO_FILE;
  other.memory = nullptr;
  other.size = other.position = 0;
}

DataStream& DataStream::operator=(DataStream&& other) noexcept {
  if (this != &other) {
    close();
    file = other.file;
    memory = other.memory;
    size = other.size;
    position = other.position;
    readAhead_ = std::move(other.readAhead_);
    writeBehind_ = std::move(other.writeBehind_);
    other.file = platform::NO_FILE;
    other.memory = nullptr;
    other.size = other.position = 0;
  }
  return *this;
}

bool DataStream::openRead(const char* name) {
  close();
  if (!name || !*name) return false;
  if (isMemoryName(name)) {
    const uint8_t* block = nullptr;
    uint32_t blockSize = 0;
    if (!parseMemoryName(name, &block, &blockSize) || blockSize > MAX_POSITION) return false;
    memory = block;
    size = static_cast<int32_t>(blockSize);
    return true;
  }
  file = platform::openFileForReading(name);
  if (file == platform::NO_FILE) return false;
  long fileSize = platform::fileSize(file);
  if (fileSize < 0 || fileSize > MAX_POSITION) {
    close();
    return false;
  }
  size = static_cast<int32_t>(fileSize);
  if (!readAhead_) readAhead_ = std::make_unique<ReadAhead>();
  if (!readAhead_->bytes) readAhead_->bytes = std::make_unique<uint8_t[]>(READ_AHEAD_SIZE);
  readAhead_->start = 0;
  readAhead_->length = 0;
  readAhead_->filePointer = 0;
  readAhead_->active = true;
  return true;
}

long DataStream::fileRead(void* destination, int32_t n) {
  if (!readAhead_ || !readAhead_->active) return platform::readFile(file, destination, static_cast<std::size_t>(n));
  ReadAhead& ahead = *readAhead_;
  uint8_t* out = static_cast<uint8_t*>(destination);
  long delivered = 0;
  while (n > 0) {
    const int64_t offset = ahead.filePointer - ahead.start;
    if (offset >= 0 && offset < ahead.length) {
      const int32_t take = static_cast<int32_t>(n < ahead.length - offset ? n : ahead.length - offset);
      std::memcpy(out, ahead.bytes.get() + offset, static_cast<std::size_t>(take));
      out += take;
      n -= take;
      delivered += take;
      ahead.filePointer += take;
      continue;
    }
    if (n >= READ_AHEAD_SIZE) {
      long got = platform::readFileAt(file, out, static_cast<std::size_t>(n), static_cast<long>(ahead.filePointer));
      if (got < 0) return delivered ? delivered : -1;
      ahead.filePointer += got;
      return delivered + got;
    }
    long got = platform::readFileAt(file, ahead.bytes.get(), READ_AHEAD_SIZE, static_cast<long>(ahead.filePointer));
    if (got < 0) return delivered ? delivered : -1;
    ahead.start = ahead.filePointer;
    ahead.length = static_cast<int32_t>(got);
    if (got == 0) break;
  }
  return delivered;
}

int64_t DataStream::fileSeek(int64_t offset, platform::SeekOrigin origin) {
  if (!readAhead_ || !readAhead_->active) return platform::seekFile(file, static_cast<long>(offset), origin);
  int64_t base = 0;
  if (origin == platform::SeekOrigin::Current) {
    base = readAhead_->filePointer;
  } else if (origin == platform::SeekOrigin::End) {
    long fileSize = platform::fileSize(file);
    if (fileSize < 0) return -1;
    base = fileSize;
  }
  if (base + offset < 0) return -1;
  readAhead_->filePointer = base + offset;
  return readAhead_->filePointer;
}

bool DataStream::openWrite(const char* name) {
  close();
  if (!name || !*name || isMemoryName(name)) return false;
  switch (platform::pathKind(name)) {
    case platform::PathKind::Folder: platform::removeFolder(name); break;
    case platform::PathKind::File: platform::deleteFile(name); break;
    case platform::PathKind::Missing: break;
  }
  file = platform::createFileForWriting(name);
  return file != platform::NO_FILE;
}

bool DataStream::openAppend(const char* name) {
  close();
  if (!name || !*name || isMemoryName(name)) return false;
  file = platform::openFileForAppending(name);
  return file != platform::NO_FILE;
}

bool DataStream::readBytes(void* destination, int32_t n) {
  if (n < 0) return false;
  if (hasPendingWrites() && !flush()) return false;
  if (file != platform::NO_FILE) {
    int64_t next = int64_t(position) + n;
    if (next > MAX_POSITION) return false;
    position = static_cast<int32_t>(next);
    return fileRead(destination, n) == n;
  }
  if (!memory || position < 0 || position > size) return false;
  if (int64_t(position) + n > size) n = size - position;
  if (n > 0) std::memcpy(destination, memory + position, static_cast<std::size_t>(n));
  position += n;
  return true;
}

bool DataStream::writeBytes(const void* source, int32_t n) {
  if (n == 0) return true;
  if (n < 0 || file == platform::NO_FILE) return false;
  if (writeBehind_ && writeBehind_->active) {
    WriteBehind& behind = *writeBehind_;
    if (behind.length + int64_t(n) > WRITE_BEHIND_SIZE && !flush()) return false;
    if (n < WRITE_BEHIND_SIZE) {
      std::memcpy(behind.bytes.get() + behind.length, source, static_cast<std::size_t>(n));
      behind.length += n;
      return true;
    }
  }
  return platform::writeFile(file, source, static_cast<std::size_t>(n)) == n;
}

void DataStream::bufferWrites() {
  if (file == platform::NO_FILE) return;
  if (!writeBehind_) writeBehind_ = std::make_unique<WriteBehind>();
  if (!writeBehind_->bytes) writeBehind_->bytes = std::make_unique<uint8_t[]>(WRITE_BEHIND_SIZE);
  writeBehind_->length = 0;
  writeBehind_->active = true;
}

bool DataStream::flush() {
  if (!hasPendingWrites()) return true;
  const int32_t pending = writeBehind_->length;
  writeBehind_->length = 0;
  return file != platform::NO_FILE &&
         platform::writeFile(file, writeBehind_->bytes.get(), static_cast<std::size_t>(pending)) == pending;
}

bool DataStream::readLine(char* buffer, int32_t limit) {
  if (!buffer || limit <= 0) return false;
  if (hasPendingWrites() && !flush()) return false;
  buffer[0] = 0;
  if (memory) {
    if (position < 0 || position >= size) return false;
    const int32_t available = size - position < limit ? size - position : limit;
    const uint8_t* from = memory + position;
    const void* lineFeed = std::memchr(from, '\n', static_cast<std::size_t>(available));
    const int32_t count =
        lineFeed ? static_cast<int32_t>(static_cast<const uint8_t*>(lineFeed) - from) : available;
    std::memcpy(buffer, from, static_cast<std::size_t>(count));
    buffer[count] = 0;
    if (count > 0 && buffer[count - 1] == '\r') buffer[count - 1] = 0;
    position += lineFeed ? count + 1 : count;
    return true;
  }
  if (file == platform::NO_FILE) return false;

  const int64_t lineStart = position;
  int32_t consumed = 0;
  while (consumed < limit) {
    const int32_t ask = limit - consumed < LINE_PIECE ? limit - consumed : LINE_PIECE;
    char* piece = buffer + consumed;
    long got = fileRead(piece, ask);
    if (got <= 0) {
      *piece = 0;
      // The file ended right after a full piece: the bytes read so far are its last line.
      // (Reporting a failure here would lose a last line whose length is a multiple of 64.)
      return got == 0 && consumed > 0;
    }
    int32_t pieceLength = static_cast<int32_t>(got);
    // A short piece is the end of the file: a line end is taken to follow its last byte.
    if (pieceLength < ask) piece[pieceLength++] = '\n';
    if (char* lineFeed = static_cast<char*>(std::memchr(piece, '\n', pieceLength))) {
      int64_t after = lineStart + (lineFeed - buffer) + 1;
      if (after > MAX_POSITION) return false;
      // Back to just after the line feed (one past the end when it was assumed), so the
      // next read starts with the next line.
      position = static_cast<int32_t>(after);
      fileSeek(position, platform::SeekOrigin::Start);
      *lineFeed = 0;
      // A '\r' is dropped only when it lies in the same piece as the line feed.
      if (lineFeed > piece && lineFeed[-1] == '\r') lineFeed[-1] = 0;
      return true;
    }
    consumed += pieceLength;
    if (lineStart + consumed > MAX_POSITION) return false;
    position = static_cast<int32_t>(lineStart + consumed);
  }
  buffer[limit] = 0;
  return true;
}

bool DataStream::seekTo(int32_t offset, bool fromEnd) {
  if (!isOpen()) return false;
  if (hasPendingWrites() && !flush()) return false;
  const int64_t target = fromEnd ? int64_t(size) + offset : int64_t(offset);
  if (target > MAX_POSITION) return false;
  if (file != platform::NO_FILE) {
    if (fileSeek(offset, fromEnd ? platform::SeekOrigin::End : platform::SeekOrigin::Start) < 0)
      return false;
  } else if (target < 0) {
    return false;
  }
  position = static_cast<int32_t>(target);
  return true;
}

int32_t DataStream::streamSize() {
  if (hasPendingWrites()) flush();
  if (file != platform::NO_FILE) {
    long fileSize = platform::fileSize(file);
    if (fileSize < 0) return 0;
    return fileSize > MAX_POSITION ? static_cast<int32_t>(MAX_POSITION)
                                   : static_cast<int32_t>(fileSize);
  }
  return memory ? size : 0;
}

void DataStream::close() {
  flush();
  if (writeBehind_) writeBehind_->active = false;
  if (file != platform::NO_FILE) platform::closeFile(file);
  if (readAhead_) readAhead_->active = false;
  file = platform::NO_FILE;
  memory = nullptr;
  size = 0;
  position = 0;
}

StringValue memoryName(const void* block, uint32_t size) {
  char name[48];
  std::snprintf(name, sizeof name, "mem://%8" PRIx32 ".%8" PRIxPTR, size,
                reinterpret_cast<uintptr_t>(block));
  return StringValue(name);
}

bool isMemoryName(const char* name) { return name && std::strncmp(name, "mem://", 6) == 0; }

bool parseMemoryName(const char* name, const uint8_t** block, uint32_t* size) {
  if (!isMemoryName(name) || std::strlen(name) <= MEMORY_NAME_ADDRESS_AT) return false;
  uint64_t blockSize = 0;
  uint64_t address = 0;
  const char* end = nullptr;
  if (!parseHex(name + MEMORY_NAME_SIZE_AT, 8, blockSize, end) ||
      end != name + MEMORY_NAME_DOT_AT || *end != '.')
    return false;
  if (!parseHex(name + MEMORY_NAME_ADDRESS_AT, 2 * sizeof(uintptr_t), address, end) || address == 0)
    return false;
  if (block) *block = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(address));
  if (size) *size = static_cast<uint32_t>(blockSize);
  return true;
}

}  // namespace vantrel
