// The archive of data files appended to a carrier file (normally the executable) and the
// lookup every loader goes through: disk first, then the archive, as memory or a temp file.
#pragma once

#include <cstdint>
#include <memory>

namespace vantrel {

struct AppendedArchive {
  uint8_t enabled = 1;        // 0 once the carrier proved missing or without an archive
  char archivePath[1024] = {};  // the carrier; may itself be a memory name
  char tempFile[1027] = {};     // extracted by the last lookup, empty if none
  std::unique_ptr<uint8_t[]> block;  // decoded by the last lookup, behind a memory name
};

// The two process-wide instances: null before createArchives and after releaseArchives.
AppendedArchive* mainArchive();   // loaders, keeping entries in memory
AppendedArchive* mediaArchive();  // the media player, which needs real files
void createArchives();
// Re-enables both instances, drops what their last lookups handed out, and points them at
// new carriers.
void setArchiveFiles(const char* mainPath, const char* mediaPath);
void releaseArchives();

// Resolves requestedName into outName (a buffer of at least 1024 bytes): 1 when outName names
// something readable (the disk file, a memory name or an extracted temp file), 0 when not
// found. What a lookup hands out stays valid until the next lookup on the same instance. A
// null archive checks the disk only.
int resolveFileName(AppendedArchive* archive, const char* requestedName, char* outName,
                    bool keepInMemory);

// Archive layout constants, shared with the packing tool.
constexpr uint8_t ARCHIVE_MAGIC[3] = {'s', 'b', 'X'};
constexpr int32_t ARCHIVE_TRAILER_SIZE = 7;
constexpr int32_t ARCHIVE_MAX_NAME_LENGTH = 255;

}  // namespace vantrel
