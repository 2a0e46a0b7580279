// Lookups through carriers made by vantrel-pack: disk first, case and folders in requests,
// end-relative offsets, what each lookup hands out and when it stops being valid, disabled
// instances, damaged carriers, and the packer's own refusals.
#include "files/appended_archive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "files/data_stream.h"
#include "platform/files.h"
#include "tests/support/test_support.h"
#include "transforms/pack_codec.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;
using test::TemporaryFolder;
using test::writeWholeFile;

std::string contentsOf(const char* name) {
  DataStream stream;
  if (!stream.openRead(name)) return "<cannot open>";
  std::string bytes(static_cast<std::size_t>(stream.size), '\0');
  if (!bytes.empty() && !stream.readBytes(&bytes[0], stream.size)) return "<cannot read>";
  return bytes;
}

// Checked access: a carrier that is not what the test expects fails the test, not the process.
int32_t wordAt(const std::string& bytes, std::size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes.at(at + i));
  return static_cast<int32_t>(value);
}

void putWord(std::string& bytes, std::size_t at, int32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(static_cast<uint32_t>(value) >> (8 * i));
}

// One directory entry as stored, with where its fields lie in the carrier.
struct StoredEntry {
  std::string name;
  int32_t offset = 0;
  int32_t storedSize = 0;
  std::size_t fieldsAt = 0;  // position of the offset word
};

std::vector<StoredEntry> directoryOf(const std::string& carrier) {
  const int64_t size = static_cast<int64_t>(carrier.size());
  if (size < 7) throw std::out_of_range("carrier without a trailer");
  const int32_t d = wordAt(carrier, carrier.size() - 4);
  std::size_t at = static_cast<std::size_t>(d < 0 ? size + d : d);
  std::vector<StoredEntry> entries;
  while (carrier.at(at) != 0) {
    StoredEntry entry;
    const std::size_t length = static_cast<uint8_t>(carrier.at(at++));
    entry.name = carrier.substr(at, length);
    at += length;
    entry.fieldsAt = at;
    entry.offset = wordAt(carrier, at);
    entry.storedSize = wordAt(carrier, at + 4);
    at += 8;
    entries.push_back(entry);
  }
  return entries;
}

class ArchiveLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(folder.file("src"));
    writeWholeFile(source("smalfont.png"), "PNG bytes of the small font");
    std::string large;
    for (int i = 0; i < 5000; ++i) large += "line " + std::to_string(i % 37) + "\n";
    writeWholeFile(source("Large.txt"), large);
    writeWholeFile(source("empty.dat"), "");
    writeWholeFile(carrierPath(), "the program itself");
    createArchives();
  }
  void TearDown() override { releaseArchives(); }

  std::string source(const std::string& name) const { return folder.file("src/" + name); }
  std::string carrierPath() const { return folder.file("carrier.bin"); }

  test::ProcessResult packer(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), test::binaryPath("vantrel-pack"));
    return test::runProcess(arguments, folder.path());
  }
  void pack(std::vector<std::string> options = {}) const {
    std::vector<std::string> arguments = options;
    arguments.insert(arguments.end(), {carrierPath(), source("smalfont.png"), source("Large.txt"),
                                       source("empty.dat")});
    test::ProcessResult result = packer(arguments);
    ASSERT_EQ(result.exitCode, 0) << result.standardError;
  }
  void useCarrier() const { setArchiveFiles(carrierPath().c_str(), carrierPath().c_str()); }

  TemporaryFolder folder;
  char out[1024] = {};
};

TEST_F(ArchiveLookup, FindsEntriesByBaseNameWithoutRegardToCase) {
  ASSERT_NO_FATAL_FAILURE(pack());
  useCarrier();
  for (const char* request : {"smalfont.png", "Media/smalfont.png", "MEDIA/SMALFONT.PNG",
                              "a\\b/SmalFont.png", "/no/such/folder/smalfont.png"}) {
    SCOPED_TRACE(request);
    ASSERT_EQ(resolveFileName(mainArchive(), request, out, true), 1);
    EXPECT_TRUE(isMemoryName(out));
    EXPECT_EQ(contentsOf(out), "PNG bytes of the small font");
  }
  ASSERT_EQ(resolveFileName(mainArchive(), "large.TXT", out, true), 1);
  EXPECT_EQ(contentsOf(out), readWholeFile(source("Large.txt")));
  ASSERT_EQ(resolveFileName(mainArchive(), "empty.dat", out, true), 1);
  EXPECT_EQ(contentsOf(out), "");
  EXPECT_EQ(resolveFileName(mainArchive(), "missing.png", out, true), 0);
  EXPECT_STREQ(out, "") << "a name missing from the directory leaves nothing";
  EXPECT_EQ(resolveFileName(mainArchive(), "", out, true), 0);
  EXPECT_EQ(resolveFileName(mainArchive(), "Media/", out, true), 0);
  EXPECT_EQ(mainArchive()->enabled, 1);
}

TEST_F(ArchiveLookup, DiskWinsButAFolderOnDiskIsNotAFile) {
  ASSERT_NO_FATAL_FAILURE(pack());
  useCarrier();
  fs::create_directories(folder.file("Media"));
  writeWholeFile(folder.file("Media/smalfont.png"), "from disk");
  const std::string onDisk = folder.file("Media/smalfont.png");
  ASSERT_EQ(resolveFileName(mainArchive(), onDisk.c_str(), out, true), 1);
  EXPECT_EQ(std::string(out), onDisk) << "the disk file is handed back unchanged";

  const std::string wrongCase = folder.path() + "\\media\\SMALFONT.png";
  ASSERT_EQ(resolveFileName(mainArchive(), wrongCase.c_str(), out, true), 1);
  EXPECT_EQ(std::string(out), wrongCase);
  EXPECT_EQ(contentsOf(out), "from disk");

  fs::create_directories(folder.file("Folder/Large.txt"));
  ASSERT_EQ(resolveFileName(mainArchive(), folder.file("Folder/Large.txt").c_str(), out, true), 1);
  EXPECT_TRUE(isMemoryName(out)) << "a folder of that name sends the lookup to the archive";
}

TEST_F(ArchiveLookup, EndRelativeOffsetsFindTheSameEntries) {
  ASSERT_NO_FATAL_FAILURE(pack({"--from-end"}));
  const std::string carrier = readWholeFile(carrierPath());
  EXPECT_LT(wordAt(carrier, carrier.size() - 4), 0);
  for (const StoredEntry& entry : directoryOf(carrier)) EXPECT_LT(entry.offset, 0) << entry.name;
  useCarrier();
  ASSERT_EQ(resolveFileName(mainArchive(), "smalfont.png", out, true), 1);
  EXPECT_EQ(contentsOf(out), "PNG bytes of the small font");
  ASSERT_EQ(resolveFileName(mainArchive(), "Large.txt", out, false), 1);
  EXPECT_EQ(readWholeFile(out), readWholeFile(source("Large.txt")));
}

TEST_F(ArchiveLookup, TheNextLookupReleasesWhatTheLastOneHandedOut) {
  ASSERT_NO_FATAL_FAILURE(pack());
  useCarrier();
  AppendedArchive* archive = mainArchive();
  ASSERT_EQ(resolveFileName(archive, "smalfont.png", out, true), 1);
  const uint8_t* block = nullptr;
  uint32_t size = 0;
  ASSERT_TRUE(parseMemoryName(out, &block, &size));
  EXPECT_EQ(block, archive->block.get()) << "the name designates the block the archive holds";
  EXPECT_EQ(size, 27u);
  ASSERT_EQ(resolveFileName(archive, "Large.txt", out, true), 1);
  ASSERT_TRUE(parseMemoryName(out, &block, &size));
  EXPECT_EQ(block, archive->block.get()) << "only the block of the second lookup is held";
  EXPECT_EQ(resolveFileName(archive, "nothing", out, true), 0);
  EXPECT_EQ(archive->block, nullptr) << "even a failed lookup releases the last block";

  // Extracted files: named after the temporary folder, "sbx", two letters and the entry.
  AppendedArchive* media = mediaArchive();
  ASSERT_EQ(resolveFileName(media, "LARGE.txt", out, false), 1);
  const std::string carrier = readWholeFile(carrierPath());
  StoredEntry large;
  for (const StoredEntry& entry : directoryOf(carrier))
    if (entry.name == "Large.txt") large = entry;
  std::string expected = platform::temporaryFolder() + "sbx";
  expected += static_cast<char>('A' + static_cast<uint8_t>(large.offset) % 26);
  expected += static_cast<char>('A' + static_cast<uint8_t>(large.storedSize) % 26);
  expected += "Large.txt";
  EXPECT_EQ(std::string(out), expected);
  EXPECT_EQ(std::string(media->tempFile), expected);
  EXPECT_EQ(readWholeFile(out), readWholeFile(source("Large.txt")));
  EXPECT_EQ(media->block, nullptr);
  const std::string first = out;
  ASSERT_EQ(resolveFileName(media, "smalfont.png", out, false), 1);
  EXPECT_FALSE(fs::exists(first)) << "the next lookup removes the previous temporary file";
  const std::string second = out;
  EXPECT_TRUE(fs::exists(second));
  setArchiveFiles(carrierPath().c_str(), carrierPath().c_str());
  EXPECT_FALSE(fs::exists(second)) << "setArchiveFiles removes it too";
  ASSERT_EQ(resolveFileName(media, "smalfont.png", out, false), 1);
  releaseArchives();
  EXPECT_FALSE(fs::exists(std::string(out))) << "and so does the shutdown";
  EXPECT_EQ(mainArchive(), nullptr);
}

TEST_F(ArchiveLookup, CarriersWithoutAnArchiveDisableTheInstanceUntilSetArchiveFiles) {
  useCarrier();
  AppendedArchive* archive = mainArchive();
  EXPECT_EQ(resolveFileName(archive, "Media/smalfont.png", out, true), 0);
  EXPECT_STREQ(out, "Media/smalfont.png") << "without an archive the name comes back";
  EXPECT_EQ(archive->enabled, 0);
  ASSERT_NO_FATAL_FAILURE(pack());
  EXPECT_EQ(resolveFileName(archive, "smalfont.png", out, true), 0) << "disabled stays disabled";
  useCarrier();
  EXPECT_EQ(archive->enabled, 1);
  EXPECT_EQ(resolveFileName(archive, "smalfont.png", out, true), 1);

  setArchiveFiles(folder.file("missing.bin").c_str(), "");
  EXPECT_EQ(resolveFileName(archive, "smalfont.png", out, true), 0);
  EXPECT_EQ(archive->enabled, 0) << "a missing carrier disables";
  EXPECT_EQ(resolveFileName(mediaArchive(), "smalfont.png", out, false), 0);
  EXPECT_EQ(mediaArchive()->enabled, 0) << "an empty carrier path disables";

  // The carrier may itself be a memory block.
  const std::string carrier = readWholeFile(carrierPath());
  StringValue inMemory = memoryName(carrier.data(), static_cast<uint32_t>(carrier.size()));
  setArchiveFiles(inMemory.text(), inMemory.text());
  ASSERT_EQ(resolveFileName(archive, "smalfont.png", out, true), 1);
  EXPECT_EQ(contentsOf(out), "PNG bytes of the small font");
  EXPECT_EQ(resolveFileName(nullptr, "smalfont.png", out, true), 0) << "no archive: disk only";
}

// Each case damages a packed carrier; the lookup of smalfont.png then ends as stated.
TEST_F(ArchiveLookup, DamagedCarriersEndTheLookupSafely) {
  ASSERT_NO_FATAL_FAILURE(pack());
  const std::string good = readWholeFile(carrierPath());
  const std::vector<StoredEntry> entries = directoryOf(good);
  ASSERT_EQ(entries.size(), 3u);
  const StoredEntry font = entries[0];
  const std::size_t size = good.size();
  const std::size_t directoryAt = static_cast<std::size_t>(wordAt(good, size - 4));

  enum Outcome { Disabled, NotFound, EmptyEntry };
  struct Case {
    const char* what;
    std::function<void(std::string&)> damage;
    Outcome outcome;
  } cases[] = {
      {"carrier shorter than the trailer", [](std::string& c) { c = "sbX\1"; }, Disabled},
      {"wrong magic", [&](std::string& c) { c[size - 7] = 'S'; }, Disabled},
      {"directory offset past the end", [&](std::string& c) { putWord(c, size - 4, int32_t(size + 100)); },
       NotFound},
      {"directory offset before the start", [&](std::string& c) { putWord(c, size - 4, -int32_t(size) - 1); },
       NotFound},
      {"directory without its end", [&](std::string& c) { c.resize(directoryAt + 3); c += "sbX"; c += good.substr(size - 4); },
       NotFound},
      {"name length past the end",
       [&](std::string& c) {
         c.resize(directoryAt);
         c += '\xF0';
         c += "smalfont.png";
         c += "sbX";
         c += good.substr(size - 4);
       },
       NotFound},
      {"entry offset outside the carrier", [&](std::string& c) { putWord(c, font.fieldsAt, int32_t(size)); },
       NotFound},
      {"negative entry offset", [&](std::string& c) { putWord(c, font.fieldsAt, -5); }, NotFound},
      {"stored size beyond the carrier", [&](std::string& c) { putWord(c, font.fieldsAt + 4, int32_t(size)); },
       NotFound},
      {"negative stored size", [&](std::string& c) { putWord(c, font.fieldsAt + 4, -1); }, NotFound},
      {"decoded length the data cannot produce",
       [&](std::string& c) { putWord(c, static_cast<std::size_t>(font.offset), 0x7FFFFFFF); }, EmptyEntry},
      {"negative decoded length", [&](std::string& c) { putWord(c, static_cast<std::size_t>(font.offset), -8); },
       EmptyEntry},
      {"decoded length too small for the stream",
       [&](std::string& c) { putWord(c, static_cast<std::size_t>(font.offset), 3); }, EmptyEntry},
      {"stream cut short", [&](std::string& c) { putWord(c, font.fieldsAt + 4, font.storedSize - 2); },
       EmptyEntry},
      {"no room for the length", [&](std::string& c) { putWord(c, font.fieldsAt + 4, 3); }, EmptyEntry},
      {"garbage stream",
       [&](std::string& c) {
         for (int32_t i = 4; i < font.storedSize; ++i) c[font.offset + i] = '\xFF';
       },
       EmptyEntry},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string damaged = good;
    c.damage(damaged);
    writeWholeFile(carrierPath(), damaged);
    useCarrier();
    for (bool keep : {true, false}) {
      AppendedArchive* archive = keep ? mainArchive() : mediaArchive();
      const int found = resolveFileName(archive, "Media/smalfont.png", out, keep);
      switch (c.outcome) {
        case Disabled:
          EXPECT_EQ(found, 0);
          EXPECT_EQ(archive->enabled, 0);
          EXPECT_STREQ(out, "Media/smalfont.png");
          break;
        case NotFound:
          EXPECT_EQ(found, 0);
          EXPECT_EQ(archive->enabled, 1);
          EXPECT_STREQ(out, "");
          break;
        case EmptyEntry:
          ASSERT_EQ(found, 1);
          EXPECT_EQ(contentsOf(out), "") << "a damaged entry is found but empty";
          break;
      }
    }
  }
}

TEST_F(ArchiveLookup, PackingAgainReplacesTheArchive) {
  ASSERT_NO_FATAL_FAILURE(pack());
  const std::string once = readWholeFile(carrierPath());
  ASSERT_NO_FATAL_FAILURE(pack());
  EXPECT_EQ(readWholeFile(carrierPath()), once) << "no second archive is stacked";
  ASSERT_NO_FATAL_FAILURE(pack({"--from-end"}));
  EXPECT_EQ(readWholeFile(carrierPath()).size(), once.size());
  EXPECT_EQ(readWholeFile(carrierPath()).substr(0, 18), "the program itself");

  test::ProcessResult list = packer({"--list", carrierPath()});
  EXPECT_EQ(list.exitCode, 0);
  const std::vector<StoredEntry> entries = directoryOf(readWholeFile(carrierPath()));
  EXPECT_EQ(list.standardOutput,
            "smalfont.png 27 " + std::to_string(entries[0].storedSize) + "\nLarge.txt " +
                std::to_string(fs::file_size(source("Large.txt"))) + " " +
                std::to_string(entries[1].storedSize) + "\nempty.dat 0 " +
                std::to_string(entries[2].storedSize) + "\n");

  const std::string copy = folder.file("copy.bin");
  ASSERT_EQ(packer({"-o", copy, carrierPath(), source("empty.dat")}).exitCode, 0);
  EXPECT_EQ(readWholeFile(carrierPath()).size(), once.size()) << "-o leaves the carrier alone";
  setArchiveFiles(copy.c_str(), copy.c_str());
  EXPECT_EQ(resolveFileName(mainArchive(), "empty.dat", out, true), 1);
  EXPECT_EQ(resolveFileName(mainArchive(), "smalfont.png", out, true), 0)
      << "the copy holds only the new archive";
}

TEST_F(ArchiveLookup, PackerRefusesBadInputAndLeavesTheCarrierUnchanged) {
  fs::permissions(carrierPath(), fs::perms::owner_all);
  ASSERT_NO_FATAL_FAILURE(pack());
  EXPECT_EQ(fs::status(carrierPath()).permissions() & fs::perms::owner_exec, fs::perms::owner_exec)
      << "the carrier stays executable";
  const std::string before = readWholeFile(carrierPath());
  fs::create_directories(folder.file("other"));
  writeWholeFile(folder.file("other/SMALFONT.png"), "x");
  const std::string longName = folder.path() + "/" + std::string(256, 'n');
  struct Case {
    std::vector<std::string> arguments;
    const char* message;
  } cases[] = {
      {{carrierPath(), source("smalfont.png"), folder.file("other/SMALFONT.png")}, "entry name"},
      {{carrierPath(), source("smalfont.png"), folder.file("nowhere.txt")}, "cannot read"},
      {{carrierPath(), folder.path()}, "cannot read"},
      {{carrierPath(), longName}, "255"},
      {{folder.file("no-carrier"), source("smalfont.png")}, "cannot read carrier"},
      {{"--list", folder.file("src/empty.dat")}, "holds no archive"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    test::ProcessResult result = packer(c.arguments);
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.standardError.find(c.message), std::string::npos) << result.standardError;
    EXPECT_EQ(readWholeFile(carrierPath()), before);
  }
  EXPECT_NE(packer({carrierPath()}).exitCode, 0) << "no files to pack is a usage error";
  EXPECT_FALSE(fs::exists(carrierPath() + ".vantrel-pack-tmp"));

  // An archive whose directory does not hold together is not replaced blindly.
  std::string broken = before;
  putWord(broken, broken.size() - 4, int32_t(broken.size()) * 2);
  writeWholeFile(carrierPath(), broken);
  test::ProcessResult result = packer({carrierPath(), source("empty.dat")});
  EXPECT_NE(result.exitCode, 0);
  EXPECT_EQ(readWholeFile(carrierPath()), broken);
}

}  // namespace
}  // namespace vantrel
