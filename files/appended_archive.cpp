// The two appended-archive lookups and resolveFileName: a file on disk wins, else the entry
// of the carrier's archive, decoded into memory or extracted to a temporary file.
#include "files/appended_archive.h"

#include <cstring>
#include <new>
#include <string>

#include "core/string_commands.h"
#include "files/data_stream.h"
#include "platform/files.h"
#include "transforms/pack_codec.h"

namespace vantrel {

namespace {

constexpr std::size_t NAME_BUFFER_SIZE = platform::PATH_BUFFER_SIZE;

std::unique_ptr<AppendedArchive> mainInstance;
std::unique_ptr<AppendedArchive> mediaInstance;

// A zero-terminated copy cut to fit; source and target may overlap.
void copyName(char* target, const char* source, std::size_t capacity) {
  std::size_t length = std::strlen(source);
  if (length >= capacity) length = capacity - 1;
  std::memmove(target, source, length);
  target[length] = 0;
}

void removePath(const char* path) {
  if (platform::pathKind(path) == platform::PathKind::Folder) {
    platform::removeFolder(path);
  } else {
    platform::deleteFile(path);
  }
}

// What the previous lookup handed out stops being valid here.
void releaseLookup(AppendedArchive& archive) {
  archive.block.reset();
  if (archive.tempFile[0]) {
    removePath(archive.tempFile);
    archive.tempFile[0] = 0;
  }
}

// Memory streams deliver fewer bytes at the end of a block without failing; the directory
// walk needs every byte it asks for.
bool readExact(DataStream& stream, void* destination, int32_t n) {
  const int32_t before = stream.position;
  return stream.readBytes(destination, n) && stream.position - before == n;
}

int32_t wordFrom(const uint8_t* bytes) {
  return static_cast<int32_t>(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 |
                              uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24);
}

// Sequential reads of the carrier in pieces of 4 KiB, so a directory of many entries costs a
// few OS reads instead of four per entry. Nothing is kept between lookups.
class CarrierReader {
 public:
  explicit CarrierReader(DataStream& stream) : stream_(stream) {}

  bool take(void* destination, int32_t n) {
    uint8_t* out = static_cast<uint8_t*>(destination);
    while (n > 0) {
      if (begin_ == end_ && !refill()) return false;
      const int32_t count = n < end_ - begin_ ? n : end_ - begin_;
      std::memcpy(out, buffer_ + begin_, static_cast<std::size_t>(count));
      begin_ += count;
      out += count;
      n -= count;
    }
    return true;
  }
  bool takeWord(int32_t& value) {
    uint8_t bytes[4];
    if (!take(bytes, 4)) return false;
    value = wordFrom(bytes);
    return true;
  }

 private:
  bool refill() {
    const int32_t remaining = stream_.size - stream_.position;
    if (stream_.position < 0 || remaining <= 0) return false;
    const int32_t ask = remaining < PIECE ? remaining : PIECE;
    if (!readExact(stream_, buffer_, ask)) return false;
    begin_ = 0;
    end_ = ask;
    return true;
  }

  static constexpr int32_t PIECE = 4096;
  DataStream& stream_;
  uint8_t buffer_[PIECE];
  int32_t begin_ = 0;
  int32_t end_ = 0;
};

bool sameNameIgnoringCase(const char* a, const char* b, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i)
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  return true;
}

const char* baseName(const char* name) {
  const char* base = name;
  for (const char* c = name; *c; ++c)
    if (*c == '/' || *c == '\\') base = c + 1;
  return base;
}

char offsetLetter(int32_t value) {
  return static_cast<char>('A' + static_cast<uint8_t>(value & 0xFF) % 26);
}

struct EntryLocation {
  int32_t storedOffset = 0;  // as written in the directory
  int32_t storedSize = 0;
  int64_t start = 0;         // from the start of the carrier
  std::string name;
};

enum class Scan { Found, NotFound, NoArchive };

// Steps through the trailer and the directory of the open carrier.
Scan findEntry(DataStream& carrier, const char* base, EntryLocation& entry) {
  const int64_t size = carrier.size;
  if (size < ARCHIVE_TRAILER_SIZE) return Scan::NoArchive;
  uint8_t magic[3];
  if (!carrier.seekTo(static_cast<int32_t>(size - ARCHIVE_TRAILER_SIZE), false) ||
      !readExact(carrier, magic, 3))
    return Scan::NotFound;
  if (std::memcmp(magic, ARCHIVE_MAGIC, 3) != 0) return Scan::NoArchive;
  uint8_t directoryWord[4];
  if (!readExact(carrier, directoryWord, 4)) return Scan::NotFound;
  const int32_t directory = wordFrom(directoryWord);
  const bool fromEnd = directory < 0;
  const int64_t directoryStart = fromEnd ? size + directory : directory;
  if (directoryStart < 0 || directoryStart > size - ARCHIVE_TRAILER_SIZE ||
      !carrier.seekTo(static_cast<int32_t>(directoryStart), false))
    return Scan::NotFound;

  const std::size_t baseLength = std::strlen(base);
  char entryName[ARCHIVE_MAX_NAME_LENGTH];
  CarrierReader reader(carrier);
  // Every entry takes at least 10 bytes and reads stop at the carrier's end, so this ends.
  for (;;) {
    uint8_t nameLength = 0;
    int32_t offset = 0;
    int32_t storedSize = 0;
    if (!reader.take(&nameLength, 1) || nameLength == 0 || !reader.take(entryName, nameLength) ||
        !reader.takeWord(offset) || !reader.takeWord(storedSize))
      return Scan::NotFound;
    if (nameLength != baseLength || !sameNameIgnoringCase(entryName, base, baseLength)) continue;
    const int64_t start = fromEnd ? size + offset : offset;
    if (storedSize < 0 || start < 0 || start + storedSize > size) return Scan::NotFound;
    entry.storedOffset = offset;
    entry.storedSize = storedSize;
    entry.start = start;
    entry.name.assign(entryName, nameLength);
    return Scan::Found;
  }
}

}  // namespace

AppendedArchive* mainArchive() { return mainInstance.get(); }
AppendedArchive* mediaArchive() { return mediaInstance.get(); }

void createArchives() {
  releaseArchives();
  mainInstance = std::make_unique<AppendedArchive>();
  mediaInstance = std::make_unique<AppendedArchive>();
}

void setArchiveFiles(const char* mainPath, const char* mediaPath) {
  if (!mainInstance || !mediaInstance) createArchives();
  AppendedArchive* archives[] = {mainInstance.get(), mediaInstance.get()};
  const char* paths[] = {mainPath, mediaPath};
  for (int i = 0; i < 2; ++i) {
    releaseLookup(*archives[i]);
    archives[i]->enabled = 1;
    copyName(archives[i]->archivePath, paths[i] ? paths[i] : "", sizeof archives[i]->archivePath);
  }
}

void releaseArchives() {
  if (mainInstance) releaseLookup(*mainInstance);
  if (mediaInstance) releaseLookup(*mediaInstance);
  mainInstance.reset();
  mediaInstance.reset();
}

int resolveFileName(AppendedArchive* archive, const char* requestedName, char* outName,
                    bool keepInMemory) {
  if (archive) releaseLookup(*archive);
  if (!outName) return 0;
  if (!requestedName || !*requestedName) {
    outName[0] = 0;
    return 0;
  }
  // The request may share its buffer with outName; keep what the directory walk compares.
  char base[NAME_BUFFER_SIZE];
  copyName(base, baseName(requestedName), sizeof base);
  copyName(outName, requestedName, NAME_BUFFER_SIZE);
  if (platform::pathKind(outName) == platform::PathKind::File) return 1;
  if (!archive || !archive->enabled) return 0;
  if (!archive->archivePath[0]) {
    archive->enabled = 0;
    return 0;
  }

  DataStream carrier;
  if (!carrier.openRead(archive->archivePath)) {
    archive->enabled = 0;
    return 0;
  }
  EntryLocation entry;
  switch (findEntry(carrier, base, entry)) {
    case Scan::NoArchive: archive->enabled = 0; return 0;
    case Scan::NotFound: outName[0] = 0; return 0;
    case Scan::Found: break;
  }

  // The stored bytes lie inside the carrier, so this allocation is bounded by its size.
  const int32_t storedSize = entry.storedSize;
  std::unique_ptr<uint8_t[]> stored(new (std::nothrow) uint8_t[(static_cast<std::size_t>(storedSize) / 4 + 1) * 4]);
  if (!stored || !carrier.seekTo(static_cast<int32_t>(entry.start), false) ||
      !readExact(carrier, stored.get(), storedSize)) {
    outName[0] = 0;
    return 0;
  }
  carrier.close();

  // A damaged entry decodes to an empty block: it is found, but holds nothing.
  PackCodec codec;
  codec.decodeEntry(stored.get(), storedSize);
  stored.reset();
  int32_t length = 0;
  std::unique_ptr<uint8_t[]> block = codec.takeOutput(&length);

  if (keepInMemory) {
    StringValue name = memoryName(block.get(), static_cast<uint32_t>(length));
    archive->block = std::move(block);
    copyName(outName, name.text(), NAME_BUFFER_SIZE);
    return 1;
  }

  std::string tempName = platform::temporaryFolder();
  if (tempName.size() >= NAME_BUFFER_SIZE) return 0;
  tempName += "sbx";
  tempName += offsetLetter(entry.storedOffset);
  tempName += offsetLetter(entry.storedSize);
  tempName += entry.name;
  // The OS sees names through a 1024-byte buffer: a longer one would name another file.
  if (tempName.size() >= NAME_BUFFER_SIZE) return 0;
  DataStream extracted;
  if (!extracted.openWrite(tempName.c_str())) return 0;
  if (!extracted.writeBytes(block.get(), length)) {
    extracted.close();
    removePath(tempName.c_str());
    return 0;
  }
  extracted.close();
  copyName(archive->tempFile, tempName.c_str(), sizeof archive->tempFile);
  copyName(outName, tempName.c_str(), NAME_BUFFER_SIZE);
  return 1;
}

}  // namespace vantrel
