// vantrel-pack: appends data files to a carrier (normally a built program) as the archive that
// resolveFileName reads, replaces an archive already there, and lists an archive's entries.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "core/string_commands.h"
#include "files/appended_archive.h"
#include "transforms/pack_codec.h"

namespace fs = std::filesystem;
using vantrel::ARCHIVE_MAGIC;
using vantrel::ARCHIVE_MAX_NAME_LENGTH;
using vantrel::ARCHIVE_TRAILER_SIZE;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int64_t MAX_CARRIER_SIZE = INT32_MAX;

struct Entry {
  std::string name;
  int64_t start = 0;  // from the carrier's start
  int32_t storedSize = 0;
};

struct Archive {
  int64_t start = 0;  // where the archive's first byte lies; the carrier proper ends here
  std::vector<Entry> entries;
};

void usage() {
  std::fprintf(stderr,
               "usage: vantrel-pack [--from-end] [-o OUT] CARRIER FILE...\n"
               "       vantrel-pack --list CARRIER\n");
}

int fail(const std::string& message) {
  std::fprintf(stderr, "vantrel-pack: %s\n", message.c_str());
  return 1;
}

bool readFileBytes(const std::string& path, Bytes& bytes) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

int32_t wordAt(const Bytes& bytes, int64_t at) {
  return static_cast<int32_t>(uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 |
                              uint32_t(bytes[at + 2]) << 16 | uint32_t(bytes[at + 3]) << 24);
}

void appendWord(Bytes& bytes, int64_t value) {
  const uint32_t word = static_cast<uint32_t>(static_cast<int32_t>(value));
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(word >> (8 * i)));
}

// The archive at the end of carrier: nothing when there is no trailer; an error text when the
// trailer is there but the directory does not hold together.
std::optional<Archive> findArchive(const Bytes& carrier, std::string& error) {
  const int64_t size = static_cast<int64_t>(carrier.size());
  if (size < ARCHIVE_TRAILER_SIZE ||
      std::memcmp(&carrier[size - ARCHIVE_TRAILER_SIZE], ARCHIVE_MAGIC, 3) != 0)
    return std::nullopt;
  const int32_t directory = wordAt(carrier, size - ARCHIVE_TRAILER_SIZE + 3);
  const bool fromEnd = directory < 0;
  int64_t at = fromEnd ? size + directory : directory;
  if (at < 0 || at > size - ARCHIVE_TRAILER_SIZE) {
    error = "the archive's directory offset lies outside the carrier";
    return std::nullopt;
  }
  Archive archive;
  archive.start = at;
  const int64_t directoryEnd = size - ARCHIVE_TRAILER_SIZE;
  for (;;) {
    if (at >= directoryEnd) {
      error = "the archive's directory runs into its trailer";
      return std::nullopt;
    }
    const int length = carrier[at++];
    if (length == 0) break;
    if (at + length + 8 > directoryEnd) {
      error = "the archive's directory is cut short";
      return std::nullopt;
    }
    Entry entry;
    entry.name.assign(reinterpret_cast<const char*>(&carrier[at]), length);
    at += length;
    const int32_t offset = wordAt(carrier, at);
    entry.storedSize = wordAt(carrier, at + 4);
    at += 8;
    entry.start = fromEnd ? size + offset : offset;
    if (entry.storedSize < 0 || entry.start < 0 || entry.start + entry.storedSize > size) {
      error = "entry \"" + entry.name + "\" lies outside the carrier";
      return std::nullopt;
    }
    if (entry.start < archive.start) archive.start = entry.start;
    archive.entries.push_back(entry);
  }
  return archive;
}

int listArchive(const std::string& carrierPath) {
  Bytes carrier;
  if (!readFileBytes(carrierPath, carrier)) return fail("cannot read " + carrierPath);
  std::string error;
  std::optional<Archive> archive = findArchive(carrier, error);
  if (!archive) {
    return fail(carrierPath + ": " + (error.empty() ? std::string("holds no archive") : error));
  }
  for (const Entry& entry : archive->entries) {
    const long long decoded =
        entry.storedSize >= vantrel::PackCodec::HEADER_SIZE ? wordAt(carrier, entry.start) : -1;
    std::printf("%s %lld %d\n", entry.name.c_str(), decoded, entry.storedSize);
  }
  return 0;
}

// The name an entry is found by: what follows the last '/' or '\'.
std::string entryName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string lowerCaseName(std::string text) {
  for (char& c : text) c = vantrel::lowerAscii(c);
  return text;
}

// Writes next to target and renames over it, so a failure leaves target as it was.
int replaceFile(const std::string& target, const Bytes& bytes, const std::string& permissionsFrom) {
  const std::string temporary = target + ".vantrel-pack-tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      fs::remove(temporary, ignored);
      return fail("cannot write " + temporary);
    }
  }
  std::error_code error;
  fs::permissions(temporary, fs::status(permissionsFrom, error).permissions(), error);
  fs::rename(temporary, target, error);
  if (error) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return fail("cannot replace " + target + ": " + error.message());
  }
  return 0;
}

int pack(const std::string& carrierPath, const std::string& outPath,
         const std::vector<std::string>& files, bool fromEnd) {
  Bytes output;
  if (!readFileBytes(carrierPath, output)) return fail("cannot read carrier " + carrierPath);
  std::string error;
  if (std::optional<Archive> old = findArchive(output, error)) {
    output.resize(static_cast<std::size_t>(old->start));
  } else if (!error.empty()) {
    return fail(carrierPath + ": " + error + "; not replacing it");
  }

  std::vector<std::string> seen;
  std::vector<Entry> entries;
  for (const std::string& file : files) {
    const std::string name = entryName(file);
    if (name.empty() || name.size() > static_cast<std::size_t>(ARCHIVE_MAX_NAME_LENGTH))
      return fail(file + ": an entry name must be 1 to 255 bytes long");
    // Lookups ignore letter case, so names that differ only in case would hide each other.
    const std::string key = lowerCaseName(name);
    for (const std::string& other : seen)
      if (other == key) return fail(file + ": another file has the entry name \"" + name + "\"");
    seen.push_back(key);
    Bytes contents;
    if (!readFileBytes(file, contents)) return fail("cannot read " + file);
    Bytes stored;
    if (!vantrel::PackCodec::encodeEntry(contents.data(), contents.size(), stored))
      return fail(file + ": cannot compress (too large?)");
    Entry entry;
    entry.name = name;
    entry.start = static_cast<int64_t>(output.size());
    entry.storedSize = static_cast<int32_t>(stored.size());
    output.insert(output.end(), stored.begin(), stored.end());
    if (static_cast<int64_t>(output.size()) > MAX_CARRIER_SIZE)
      return fail("the packed carrier would exceed 2 GiB");
    entries.push_back(entry);
  }

  int64_t directorySize = 1;
  for (const Entry& entry : entries) directorySize += 1 + entry.name.size() + 8;
  const int64_t directoryStart = static_cast<int64_t>(output.size());
  const int64_t total = directoryStart + directorySize + ARCHIVE_TRAILER_SIZE;
  if (total > MAX_CARRIER_SIZE) return fail("the packed carrier would exceed 2 GiB");
  // End-relative offsets count back from the carrier's final size.
  const int64_t base = fromEnd ? total : 0;
  for (const Entry& entry : entries) {
    output.push_back(static_cast<uint8_t>(entry.name.size()));
    output.insert(output.end(), entry.name.begin(), entry.name.end());
    appendWord(output, entry.start - base);
    appendWord(output, entry.storedSize);
  }
  output.push_back(0);
  output.insert(output.end(), ARCHIVE_MAGIC, ARCHIVE_MAGIC + 3);
  appendWord(output, directoryStart - base);
  return replaceFile(outPath, output, carrierPath);
}

}  // namespace

int main(int argc, char** argv) {
  bool fromEnd = false;
  bool list = false;
  std::string outPath;
  std::vector<std::string> operands;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--from-end") {
      fromEnd = true;
    } else if (argument == "--list") {
      list = true;
    } else if (argument == "-o") {
      if (++i == argc) {
        usage();
        return 2;
      }
      outPath = argv[i];
    } else if (argument == "--") {
      operands.insert(operands.end(), argv + i + 1, argv + argc);
      break;
    } else if (argument.size() > 1 && argument[0] == '-') {
      usage();
      return 2;
    } else {
      operands.push_back(argument);
    }
  }
  if (list) {
    if (operands.size() != 1 || fromEnd || !outPath.empty()) {
      usage();
      return 2;
    }
    return listArchive(operands[0]);
  }
  if (operands.size() < 2) {
    usage();
    return 2;
  }
  const std::string carrier = operands[0];
  const std::vector<std::string> files(operands.begin() + 1, operands.end());
  return pack(carrier, outPath.empty() ? carrier : outPath, files, fromEnd);
}
