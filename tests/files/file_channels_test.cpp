// The eight file channels: open modes and their soft failures, typed little-endian
// transfers, text and line reads, memory-backed channels, and the fatal failures seen from a
// child program.
#include "files/file_channels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/errors.h"
#include "files/appended_archive.h"
#include "tests/support/full_disk.h"
#include "tests/support/test_support.h"
#include "transforms/pack_codec.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;
using test::TemporaryFolder;
using test::writeWholeFile;

class FileChannels : public ::testing::Test {
 protected:
  void TearDown() override { closeAllFiles(); }
  StringValue path(const char* name) const { return StringValue(folder.file(name).c_str()); }
  TemporaryFolder folder;
};

TEST_F(FileChannels, MissingFileIsASoftFailureAndReadsAsAtItsEnd) {
  errorState().errorCode = 99;
  EXPECT_EQ(openFile(2, path("missing.txt"), 1), 0);
  EXPECT_EQ(errorState().errorCode, ERR_NO_SUCH_FILE);
  EXPECT_EQ(endOfFile(2), 1) << "a loop reading until the end reads nothing";
  EXPECT_EQ(openFile(8, path("x"), 1), 0);
  EXPECT_EQ(errorState().errorCode, ERR_OUT_OF_MEMORY);
  EXPECT_EQ(openFile(-1, path("x"), 0), 0);
  EXPECT_EQ(errorState().errorCode, ERR_OUT_OF_MEMORY);
  EXPECT_EQ(endOfFile(8), 1);
  EXPECT_EQ(openFile(0, "mem://      4", 1), 0) << "a malformed memory name opens nothing";
  EXPECT_EQ(errorState().errorCode, ERR_NO_SUCH_FILE);
  errorState().errorCode = 0;
  EXPECT_EQ(openFile(0, "mem://       4.  a1b2c0", 0), 0) << "memory names are never written";
  EXPECT_EQ(errorState().errorCode, ERR_NO_SUCH_FILE);
  EXPECT_EQ(openFile(0, "mem://       4.  a1b2c0", -1), 0);
  EXPECT_EQ(openFile(0, path("no/such/folder/file"), 0), 0);
  EXPECT_EQ(errorState().errorCode, ERR_NO_SUCH_FILE);
}

TEST_F(FileChannels, ReadsLinesUntilTheEnd) {
  writeWholeFile(folder.file("in.txt"), "a\r\nb");
  ASSERT_NE(openFile(1, path("in.txt"), 1), 0);
  EXPECT_EQ(errorState().errorCode, ERR_SUCCESS);
  std::vector<std::string> lines;
  while (!endOfFile(1)) {
    StringValue line;
    readFileLine(1, line);
    lines.emplace_back(line.text(), line.length);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(filePosition(1), 5);
  errorState().errorCode = 5;
  closeFile(1);
  EXPECT_EQ(errorState().errorCode, ERR_SUCCESS) << "closing records success";
  EXPECT_EQ(filePosition(1), 0);
}

TEST_F(FileChannels, WritingReplacesAFolderAndWritesLines) {
  fs::create_directory(folder.file("out.txt"));
  ASSERT_NE(openFile(1, path("out.txt"), 0), 0);
  writeLine(1, "");
  writeLine(1, "x y");
  writeText(1, "");
  writeText(1, "tail");
  EXPECT_EQ(filePosition(1), 0) << "writes move no position";
  closeFile(1);
  EXPECT_EQ(readWholeFile(folder.file("out.txt")), "\r\nx y\r\ntail");
  // An empty text on a closed channel writes nothing and succeeds.
  writeText(5, "");

  ASSERT_NE(openFile(1, path("out.txt"), -1), 0);
  writeLine(1, "more");
  closeFile(1);
  EXPECT_EQ(readWholeFile(folder.file("out.txt")), "\r\nx y\r\ntailmore\r\n");
  ASSERT_NE(openFile(1, path("new.txt"), -5), 0) << "appending creates the file";
  closeFile(1);
  EXPECT_TRUE(fs::exists(folder.file("new.txt")));
}

TEST_F(FileChannels, TypedValuesAreLittleEndianOnDisk) {
  ASSERT_NE(openFile(3, path("typed.bin"), 0), 0);
  writeInt8(3, -1);
  writeUint8(3, 0x1FF);
  writeInt16(3, -2);
  writeUint16(3, 0xBEEF);
  writeInt32(3, 0x01020304);
  writeUint32(3, -1);
  writeFloat32(3, 1.5);
  writeFloat64(3, -0.25);
  writeFloat32(3, 1e300);
  closeFile(3);
  const std::string expected(
      "\xFF\xFF\xFE\xFF\xEF\xBE\x04\x03\x02\x01\xFF\xFF\xFF\xFF\x00\x00\xC0\x3F"
      "\x00\x00\x00\x00\x00\x00\xD0\xBF\x00\x00\x80\x7F",
      30);
  EXPECT_EQ(readWholeFile(folder.file("typed.bin")), expected);

  ASSERT_NE(openFile(3, path("typed.bin"), 1), 0);
  int value = 0;
  double number = 0;
  readInt8(3, value);
  EXPECT_EQ(value, -1);
  readUint8(3, value);
  EXPECT_EQ(value, 255);
  readInt16(3, value);
  EXPECT_EQ(value, -2);
  readUint16(3, value);
  EXPECT_EQ(value, 0xBEEF);
  readInt32(3, value);
  EXPECT_EQ(value, 0x01020304);
  readUint32(3, value);
  EXPECT_EQ(value, -1);
  readFloat32(3, number);
  EXPECT_EQ(number, 1.5);
  readFloat64(3, number);
  EXPECT_EQ(number, -0.25);
  readFloat32(3, number);
  EXPECT_TRUE(std::isinf(number)) << "a value beyond the float range narrows to infinity";
  EXPECT_EQ(filePosition(3), 30);
  EXPECT_EQ(endOfFile(3), 1);
}

TEST_F(FileChannels, SeekingFromStartCurrentAndEnd) {
  writeWholeFile(folder.file("s.bin"), "0123456789");
  ASSERT_NE(openFile(0, path("s.bin"), 1), 0);
  int value = 0;
  seekFile(0, 4, 0);
  readUint8(0, value);
  EXPECT_EQ(value, '4');
  seekFile(0, 2, 1);
  EXPECT_EQ(filePosition(0), 7);
  readUint8(0, value);
  EXPECT_EQ(value, '7');
  seekFile(0, -1, -1);
  readUint8(0, value);
  EXPECT_EQ(value, '9');
  EXPECT_EQ(endOfFile(0), 1);
  errorState().errorCode = 0;
  seekFile(0, -20, 1);
  EXPECT_EQ(errorState().errorCode, ERR_NO_SUCH_FILE) << "a seek before the start is refused";
  EXPECT_EQ(filePosition(0), 10) << "and moves nothing";
}

TEST_F(FileChannels, ReadTextEndsAtTheFirstZeroByte) {
  writeWholeFile(folder.file("t.bin"), std::string("ab\0cdefg", 8));
  ASSERT_NE(openFile(0, path("t.bin"), 1), 0);
  StringValue text = "old";
  readText(0, text, 0);
  EXPECT_TRUE(text.isEmpty());
  readText(0, text, 5);
  EXPECT_STREQ(text.text(), "ab");
  EXPECT_EQ(text.length, 2u);
  EXPECT_EQ(filePosition(0), 5);
  readText(0, text, 3);
  EXPECT_STREQ(text.text(), "efg");
}

TEST_F(FileChannels, NumberAndIntegerLines) {
  writeWholeFile(folder.file("n.txt"), "2.5e1\r\n-17 apples\n");
  ASSERT_NE(openFile(6, path("n.txt"), 1), 0);
  double number = 0;
  int value = 0;
  readNumberLine(6, number);
  readIntLine(6, value);
  EXPECT_EQ(number, 25.0);
  EXPECT_EQ(value, -17);
}

TEST_F(FileChannels, MemoryChannelsFillShortReadsWithZeros) {
  const uint8_t block[6] = {1, 2, 3, 4, 0xAA, 0xBB};
  StringValue name = memoryName(block, 6);
  ASSERT_NE(openFile(7, name, 1), 0);
  EXPECT_EQ(errorState().errorCode, ERR_SUCCESS);
  int value = 0;
  seekFile(7, 4, 0);
  readInt32(7, value);
  EXPECT_EQ(value, 0xBBAA) << "the two remaining bytes are the low bytes";
  EXPECT_EQ(filePosition(7), 6);
  readInt32(7, value);
  EXPECT_EQ(value, 0) << "a read at the end of a block succeeds";
  EXPECT_EQ(filePosition(7), 6);
  EXPECT_EQ(endOfFile(7), 1);
}

TEST_F(FileChannels, ReadingGoesThroughTheMainArchive) {
  const std::string contents = "packed line\r\nsecond\n";
  std::vector<uint8_t> stored;
  ASSERT_TRUE(PackCodec::encodeEntry(reinterpret_cast<const uint8_t*>(contents.data()),
                                     contents.size(), stored));
  // A carrier built by hand: "carrier", one entry, the directory and the trailer.
  std::string carrier = "carrier";
  const int32_t entryOffset = static_cast<int32_t>(carrier.size());
  carrier.append(stored.begin(), stored.end());
  const int32_t directory = static_cast<int32_t>(carrier.size());
  auto word = [&carrier](int32_t v) {
    for (int i = 0; i < 4; ++i) carrier.push_back(static_cast<char>(uint32_t(v) >> (8 * i)));
  };
  carrier.push_back(9);
  carrier += "Inner.txt";
  word(entryOffset);
  word(static_cast<int32_t>(stored.size()));
  carrier.push_back(0);
  carrier += "sbX";
  word(directory);
  writeWholeFile(folder.file("carrier.bin"), carrier);
  createArchives();
  setArchiveFiles(folder.file("carrier.bin").c_str(), folder.file("carrier.bin").c_str());

  ASSERT_NE(openFile(0, "Media/inner.TXT", 1), 0);
  EXPECT_EQ(errorState().errorCode, ERR_SUCCESS);
  StringValue line;
  readFileLine(0, line);
  EXPECT_STREQ(line.text(), "packed line");

  // Re-opening the memory name the lookup gave must not release the block behind it.
  char resolved[1024];
  ASSERT_EQ(resolveFileName(mainArchive(), "inner.txt", resolved, true), 1);
  ASSERT_NE(openFile(1, resolved, 1), 0);
  EXPECT_EQ(errorState().errorCode, ERR_SUCCESS);
  readFileLine(1, line);
  readFileLine(1, line);
  EXPECT_STREQ(line.text(), "second");
  closeAllFiles();
  releaseArchives();
}

TEST_F(FileChannels, ALastLineOfSixtyFourBytesWithoutLineFeedIsRead) {
  writeWholeFile(folder.file("last.txt"), "first\r\n" + std::string(64, 'q'));
  ASSERT_NE(openFile(0, path("last.txt"), 1), 0);
  StringValue line;
  readFileLine(0, line);
  EXPECT_STREQ(line.text(), "first");
  readFileLine(0, line);
  EXPECT_EQ(std::string(line.text()), std::string(64, 'q'));
  EXPECT_EQ(endOfFile(0), 1);
  closeFile(0);
}

// The fatal failures end the child program through the END path: exit code 0, "exit" on
// standard output, and the code in the runtime log of its temporary folder.
TEST(FileChannelFailures, AreFatalWithTheirCodes) {
  struct Case {
    const char* scenario;
    int code;
    const char* printedFirst;
  } cases[] = {
      {"read-past-end", ERR_NO_SUCH_FILE, ""},
      {"line-on-closed", ERR_NO_SUCH_FILE, ""},
      {"bad-channel", ERR_OUT_OF_MEMORY, ""},
      {"bad-channel-close", ERR_OUT_OF_MEMORY, ""},
      {"write-closed", ERR_NO_SUCH_FILE, ""},
      {"write-read-only", ERR_NO_SUCH_FILE, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    TemporaryFolder folder;
    test::ProcessResult result =
        test::runProcess({test::testProgramPath("file_fatal_program"), c.scenario, folder.file("scratch")},
                         folder.path(),
                         // The GL driver behind the child's window leaks at exit under
                         // LeakSanitizer; the channel code itself is leak-checked in-process.
                         {"TMPDIR=" + folder.path(), "ASAN_OPTIONS=detect_leaks=0"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardOutput, std::string(c.printedFirst) + "exit\n");
    const std::string log = readWholeFile(folder.file("ErrorLog.txt"));
    EXPECT_NE(log.find("-End On Line\n" + std::to_string(c.code) + "\n"), std::string::npos) << log;
  }
}

// Runs inside a private 64 KiB tmpfs (see FullDisk.WritesThatDoNotFitEndTheProgram).
TEST(FullDisk, WriteChildSide) {
  const char* full = std::getenv("VANTREL_FULL_DISK_FOLDER");
  if (!full) GTEST_SKIP() << "runs only as the child of the full-disk test";
  TemporaryFolder logs;
  test::ProcessResult result =
      test::runProcess({test::testProgramPath("file_fatal_program"), "write-full-disk", std::string(full) + "/big"},
                       logs.path(), {"TMPDIR=" + logs.path(), "ASAN_OPTIONS=detect_leaks=0"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.standardOutput, "exit\n") << "the program must not go on past the refused write";
  const std::string log = readWholeFile(logs.file("ErrorLog.txt"));
  EXPECT_NE(log.find("-End On Line\n3\n"), std::string::npos) << log;
}

TEST(FullDisk, WritesThatDoNotFitEndTheProgram) {
  test::expectPassesOnSmallTmpfs("FullDisk.WriteChildSide");
}

}  // namespace
}  // namespace vantrel
