// DataStream: the one reader/writer every loader uses, over an OS file or a block of process
// memory, plus the "mem://" names that designate such blocks.
#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>

#include "core/string_value.h"
#include "platform/files.h"

namespace vantrel {

// At most one of file and memory is set; the stream is open while either is. A memory block
// is never owned by the stream. The destructor closes an open file.
class DataStream {
 public:
  platform::FileHandle file = platform::NO_FILE;
  const uint8_t* memory = nullptr;
  int32_t size = 0;      // file size (read mode) or block size; 0 otherwise
  int32_t position = 0;  // moved by reads and seeks only

  DataStream() noexcept = default;
  DataStream(const DataStream&) = delete;
  DataStream& operator=(const DataStream&) = delete;
  DataStream(DataStream&& other) noexcept;
  DataStream& operator=(DataStream&& other) noexcept;
  ~DataStream() { close(); }

  // A memory name opens its block without any OS call; other names open an existing file.
  bool openRead(const char* name);
  // Removes whatever exists under the name (an empty folder or a file) and creates the file
  // anew. Memory names fail.
  bool openWrite(const char* name);
  // Opens or creates the file and writes at its end. Memory names fail.
  bool openAppend(const char* name);

  // File: exactly n bytes or false. Memory: as many of the n bytes as the block still holds
  // (possibly none); false only when position lies outside the block.
  bool readBytes(void* destination, int32_t n);
  // Files only; n = 0 writes nothing and succeeds.
  bool writeBytes(const void* source, int32_t n);
  // One line of at most limit bytes into buffer, which must hold limit + 1 bytes: the line
  // ends at '\n' (a '\r' before it is dropped) and is always zero-terminated.
  bool readLine(char* buffer, int32_t limit);
  // position = offset, or size + offset when fromEnd. A negative target fails and moves nothing.
  bool seekTo(int32_t offset, bool fromEnd);
  // The OS size of an open file, the block size of a memory block, 0 when closed.
  int32_t streamSize();
  // Gathers the writes to an open file in memory and hands them to the OS in large pieces:
  // when the buffer fills, at flush, and before any read, seek, size query or close.
  void bufferWrites();
  // Hands buffered writes to the OS; false when the OS did not take them all.
  bool flush();
  void close();
  bool isOpen() const { return file != platform::NO_FILE || memory != nullptr; }

 private:
  // Files opened for reading are read through a read-ahead window: the stream keeps its own
  // file pointer, so every read and seek gives the bytes and positions that unbuffered OS
  // calls would give, with a system call only when the window runs out. Nobody else can
  // change the file meanwhile as far as the program can tell (files are opened unshared).
  struct ReadAhead {
    std::unique_ptr<uint8_t[]> bytes;
    int64_t start = 0;       // file offset of bytes[0]
    int32_t length = 0;      // valid bytes in the window
    int64_t filePointer = 0; // where the next OS read would start
    bool active = false;     // set while a file is open for reading
  };
  std::unique_ptr<ReadAhead> readAhead_;

  struct WriteBehind {
    std::unique_ptr<uint8_t[]> bytes;
    int32_t length = 0;
    bool active = false;
  };
  std::unique_ptr<WriteBehind> writeBehind_;
  bool hasPendingWrites() const { return writeBehind_ && writeBehind_->length > 0; }

  long fileRead(void* destination, int32_t n);
  // Moves the file pointer like the OS seek; the new offset or -1.
  int64_t fileSeek(int64_t offset, platform::SeekOrigin origin);
};

static_assert(!std::is_copy_constructible_v<DataStream>);
static_assert(std::is_nothrow_move_constructible_v<DataStream>);

// "mem://" + size as "%8x" + "." + address in lower-case hexadecimal, at least 8 characters.
StringValue memoryName(const void* block, uint32_t size);
// True when the first 6 bytes are exactly "mem://".
bool isMemoryName(const char* name);
// Size from character 6, address from character 15 up to the first non-hex character (leading
// blanks allowed in both). False for anything that is not a well-formed memory name.
bool parseMemoryName(const char* name, const uint8_t** block, uint32_t* size);

}  // namespace vantrel
