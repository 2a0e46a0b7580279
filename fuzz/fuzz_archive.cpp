// Fuzz target: arbitrary carrier bytes and requested names through resolveFileName (carrier
// as a file and as a memory block, entries kept in memory and extracted), then the stream
// reads of whatever the lookup hands out. Everything it writes stays in one fresh folder.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "files/appended_archive.h"
#include "files/data_stream.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;
using namespace vantrel;

// The per-process folder, removed at exit; extracted entries land in it too (TMPDIR).
struct FuzzFolder {
  fs::path path;
  FuzzFolder() {
    std::random_device seed;
    for (;;) {
      path = fs::temp_directory_path() / ("vantrel-fuzz-archive-" + std::to_string(seed()));
      std::error_code error;
      if (fs::create_directory(path, error)) break;
    }
    fs::create_directory(path / "requests");
    platform::setEnvironmentVariable("TMPDIR", path.c_str());
    createArchives();
  }
  ~FuzzFolder() {
    releaseArchives();
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
};

FuzzFolder& fuzzFolder() {
  static FuzzFolder folder;
  return folder;
}

// Reads all the stream holds, line by line and as bytes, as loaders do.
void readAll(const char* name) {
  DataStream stream;
  if (!stream.openRead(name)) return;
  char line[1025];
  for (int lines = 0; lines < 4096 && stream.readLine(line, 1024); ++lines) {
  }
  stream.seekTo(0, false);
  uint8_t bytes[256];
  for (int reads = 0; reads < 4096 && stream.position < stream.size; ++reads)
    if (!stream.readBytes(bytes, sizeof bytes)) break;
  stream.seekTo(-3, true);
  stream.readBytes(bytes, 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzFolder& folder = fuzzFolder();
  if (size < 2) return 0;
  const std::size_t nameLength = data[0] % 64;
  const uint8_t flags = data[1];
  if (size < 2 + nameLength) return 0;
  std::string name(reinterpret_cast<const char*>(data + 2), nameLength);
  const uint8_t* carrier = data + 2 + nameLength;
  const std::size_t carrierSize = size - 2 - nameLength;

  // Requests stay below the fuzz folder: no NUL, no way up, nothing that exists on disk
  // except what this target wrote.
  std::string cleaned;
  for (char c : name)
    if (c != 0) cleaned.push_back(c);
  if (cleaned.find("..") != std::string::npos) return 0;
  const std::string request = (folder.path / "requests").string() + "/" + cleaned;

  const std::string carrierPath = (folder.path / "carrier.bin").string();
  StringValue carrierName;
  if (flags & 1) {
    carrierName = memoryName(carrier, static_cast<uint32_t>(carrierSize));
  } else {
    std::ofstream out(carrierPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(carrier), static_cast<std::streamsize>(carrierSize));
    out.close();
    carrierName = carrierPath.c_str();
  }
  setArchiveFiles(carrierName.text(), carrierName.text());

  char out[1024];
  const bool keepInMemory = (flags & 2) == 0;
  AppendedArchive* archive = keepInMemory ? mainArchive() : mediaArchive();
  if (resolveFileName(archive, request.c_str(), out, keepInMemory)) readAll(out);
  // A second lookup through the same instance releases the first one's result.
  if (flags & 4) {
    if (resolveFileName(archive, "smalfont.png", out, keepInMemory)) readAll(out);
  }
  setArchiveFiles("", "");
  return 0;
}
