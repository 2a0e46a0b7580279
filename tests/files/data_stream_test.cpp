// DataStream over files and memory blocks: memory names, line reads with their piece and
// limit rules, reads past the end, and the open modes.
#include "files/data_stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;
using test::TemporaryFolder;
using test::writeWholeFile;

TEST(MemoryName, FormatsSizeAndAddressInFieldsOfEight) {
  StringValue name = memoryName(reinterpret_cast<const void*>(uintptr_t{0xA1B2C0}), 300);
  EXPECT_STREQ(name.text(), "mem://     12c.  a1b2c0");
  EXPECT_EQ(name.length, 23u);
  if (sizeof(uintptr_t) == 8) {
    StringValue wide = memoryName(reinterpret_cast<const void*>(uintptr_t{0x7ffd12345678abcd}), 0x10);
    EXPECT_STREQ(wide.text(), "mem://      10.7ffd12345678abcd") << "a 64-bit address takes more digits";
  }
}

TEST(MemoryName, ParsesWhatItFormatsAndRejectsTheRest) {
  const uint8_t block[5] = {1, 2, 3, 4, 5};
  StringValue name = memoryName(block, 5);
  const uint8_t* parsedBlock = nullptr;
  uint32_t parsedSize = 0;
  ASSERT_TRUE(parseMemoryName(name.text(), &parsedBlock, &parsedSize));
  EXPECT_EQ(parsedBlock, block);
  EXPECT_EQ(parsedSize, 5u);
  EXPECT_TRUE(isMemoryName(name.text()));

  ASSERT_TRUE(parseMemoryName("mem://ffffffff.  a1B2c0zz", &parsedBlock, &parsedSize));
  EXPECT_EQ(parsedSize, 0xffffffffu);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(parsedBlock), uintptr_t{0xa1b2c0});

  for (const char* bad : {"MEM://     12c.  a1b2c0", "mem:/     12c.  a1b2c0", "mem://     12c", "mem://",
                          "mem://     12c-  a1b2c0", "mem://        .  a1b2c0", "mem://     12c.   ",
                          "mem://     12c.       0", "mem://    x12c.  a1b2c0",
                          "mem://     12c.11112222333344445"}) {
    EXPECT_FALSE(parseMemoryName(bad, &parsedBlock, &parsedSize)) << bad;
  }
  EXPECT_FALSE(isMemoryName("Mem://x"));
  EXPECT_FALSE(isMemoryName(nullptr));
}

// One source of bytes read line by line, from a file and from a memory block alike.
struct LineCase {
  const char* what;
  std::string bytes;
  std::vector<std::string> fileLines;    // then the next read fails
  std::vector<std::string> memoryLines;  // then the next read fails
};

std::vector<LineCase> lineCases() {
  const std::string a63(63, 'a');
  const std::string q128(128, 'q');
  return {
      {"CR LF", "ab\r\ncd", {"ab", "cd"}, {"ab", "cd"}},
      {"LF only", "x\ny\n", {"x", "y"}, {"x", "y"}},
      {"empty lines", "\n\n", {"", ""}, {"", ""}},
      {"CR at the end", "ab\r", {"ab"}, {"ab"}},
      // The '\r' is the 64th byte of the first piece, the '\n' the first of the next.
      {"CR at the end of a piece", a63 + "\r\nz", {a63 + "\r", "z"}, {a63, "z"}},
      {"line of 1023", std::string(1023, 'm') + "\nn", {std::string(1023, 'm'), "n"},
       {std::string(1023, 'm'), "n"}},
      {"line of 1024", std::string(1024, 'm') + "\nn", {std::string(1024, 'm'), "", "n"},
       {std::string(1024, 'm'), "", "n"}},
      {"line of 1025", std::string(1025, 'm') + "\n", {std::string(1024, 'm'), "m"},
       {std::string(1024, 'm'), "m"}},
      {"line of 1500", std::string(1500, 'm') + "\r\n", {std::string(1024, 'm'), std::string(476, 'm')},
       {std::string(1024, 'm'), std::string(476, 'm')}},
      // A full last piece is followed by a read of 0 bytes, which ends the last line.
      {"last line without LF of 128", "hello\n" + q128, {"hello", q128}, {"hello", q128}},
      {"last line without LF of 100", "hello\n" + std::string(100, 'q'), {"hello", std::string(100, 'q')},
       {"hello", std::string(100, 'q')}},
  };
}

TEST(ReadLine, FilesAndMemoryBlocksFollowTheLineRules) {
  TemporaryFolder folder;
  for (const LineCase& c : lineCases()) {
    SCOPED_TRACE(c.what);
    const std::string path = folder.file("lines.txt");
    writeWholeFile(path, c.bytes);
    char buffer[1025];

    DataStream file;
    ASSERT_TRUE(file.openRead(path.c_str()));
    for (const std::string& expected : c.fileLines) {
      ASSERT_TRUE(file.readLine(buffer, 1024));
      EXPECT_EQ(std::string(buffer), expected);
    }
    EXPECT_FALSE(file.readLine(buffer, 1024)) << "no further line in the file";

    StringValue name = memoryName(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()));
    DataStream memory;
    ASSERT_TRUE(memory.openRead(name.text()));
    for (const std::string& expected : c.memoryLines) {
      ASSERT_TRUE(memory.readLine(buffer, 1024));
      EXPECT_EQ(std::string(buffer), expected);
    }
    EXPECT_FALSE(memory.readLine(buffer, 1024)) << "no further line in the block";
    EXPECT_EQ(memory.position, memory.size);
  }
}

TEST(ReadLine, PositionStandsAfterTheLineFeedOrOnePastTheEnd) {
  TemporaryFolder folder;
  const std::string path = folder.file("p.txt");
  writeWholeFile(path, "ab\ncd");
  DataStream stream;
  ASSERT_TRUE(stream.openRead(path.c_str()));
  char buffer[1025];
  ASSERT_TRUE(stream.readLine(buffer, 1024));
  EXPECT_EQ(stream.position, 3);
  ASSERT_TRUE(stream.readLine(buffer, 1024));
  EXPECT_EQ(stream.position, 6) << "the assumed line end lies one past the end";
  // The file pointer moved with the position: a byte read now finds the end.
  ASSERT_TRUE(stream.seekTo(1, false));
  char byte = 0;
  ASSERT_TRUE(stream.readBytes(&byte, 1));
  EXPECT_EQ(byte, 'b');
}

TEST(ReadLine, ShortLimitsCutLinesAndEmptySourcesFail) {
  const std::string bytes = "abcdef\n";
  StringValue name = memoryName(bytes.data(), 7);
  DataStream memory;
  ASSERT_TRUE(memory.openRead(name.text()));
  char buffer[5];
  ASSERT_TRUE(memory.readLine(buffer, 4));
  EXPECT_STREQ(buffer, "abcd");
  ASSERT_TRUE(memory.readLine(buffer, 4));
  EXPECT_STREQ(buffer, "ef");

  TemporaryFolder folder;
  writeWholeFile(folder.file("empty"), "");
  DataStream file;
  ASSERT_TRUE(file.openRead(folder.file("empty").c_str()));
  EXPECT_FALSE(file.readLine(buffer, 4));
  DataStream closed;
  EXPECT_FALSE(closed.readLine(buffer, 4));
}

TEST(ReadBytes, MemoryReadsPastTheEndDeliverFewerBytesFileReadsFail) {
  const uint8_t block[6] = {1, 2, 3, 4, 5, 6};
  DataStream memory;
  ASSERT_TRUE(memory.openRead(memoryName(block, 6).text()));
  ASSERT_TRUE(memory.seekTo(4, false));
  uint8_t out[4] = {0, 0, 0, 0};
  EXPECT_TRUE(memory.readBytes(out, 4));
  EXPECT_EQ(out[0], 5);
  EXPECT_EQ(out[1], 6);
  EXPECT_EQ(out[2], 0) << "bytes the block could not fill are left alone";
  EXPECT_EQ(memory.position, 6);
  EXPECT_TRUE(memory.readBytes(out, 4)) << "a read at the end succeeds with nothing";
  EXPECT_EQ(memory.position, 6);
  ASSERT_TRUE(memory.seekTo(7, false));
  EXPECT_FALSE(memory.readBytes(out, 1)) << "a position past the end fails";
  EXPECT_FALSE(memory.seekTo(-1, false)) << "no position before the start";
  EXPECT_FALSE(memory.seekTo(-7, true));
  EXPECT_TRUE(memory.seekTo(-2, true));
  EXPECT_EQ(memory.position, 4);
  EXPECT_EQ(memory.streamSize(), 6);

  TemporaryFolder folder;
  writeWholeFile(folder.file("six"), std::string("\1\2\3\4\5\6", 6));
  DataStream file;
  ASSERT_TRUE(file.openRead(folder.file("six").c_str()));
  EXPECT_EQ(file.size, 6);
  ASSERT_TRUE(file.seekTo(-2, true));
  EXPECT_EQ(file.position, 4);
  EXPECT_FALSE(file.readBytes(out, 4)) << "a short file read fails";
  EXPECT_FALSE(file.seekTo(-1, false));
  EXPECT_EQ(file.streamSize(), 6);
  file.close();
  EXPECT_FALSE(file.isOpen());
  EXPECT_EQ(file.size, 0);
  EXPECT_EQ(file.position, 0);
  EXPECT_EQ(file.streamSize(), 0);
}

TEST(OpenModes, WriteReplacesFilesAndEmptyFoldersAppendExtends) {
  TemporaryFolder folder;
  const std::string path = folder.file("out");
  fs::create_directory(path);
  DataStream stream;
  ASSERT_TRUE(stream.openWrite(path.c_str())) << "an empty folder of that name is removed";
  EXPECT_TRUE(stream.writeBytes("abc", 3));
  EXPECT_TRUE(stream.writeBytes(nullptr, 0));
  EXPECT_EQ(stream.position, 0) << "writes do not move the read position";
  stream.close();
  EXPECT_EQ(readWholeFile(path), "abc");

  ASSERT_TRUE(stream.openAppend(path.c_str()));
  EXPECT_TRUE(stream.writeBytes("de", 2));
  stream.close();
  EXPECT_EQ(readWholeFile(path), "abcde");

  ASSERT_TRUE(stream.openWrite(path.c_str()));
  stream.close();
  EXPECT_EQ(readWholeFile(path), "") << "writing starts a fresh file";

  fs::create_directories(folder.file("full/x"));
  EXPECT_FALSE(stream.openWrite(folder.file("full").c_str())) << "a folder with contents stays";
  EXPECT_FALSE(stream.openRead(folder.file("full").c_str()));
  EXPECT_FALSE(stream.openRead(folder.file("missing").c_str()));
  EXPECT_FALSE(stream.openRead(""));
  EXPECT_FALSE(stream.openWrite("mem://       1.  a1b2c0"));
  EXPECT_FALSE(stream.openAppend("mem://       1.  a1b2c0"));
  EXPECT_FALSE(stream.writeBytes("x", 1)) << "a closed stream takes no writes";

  const uint8_t block[1] = {7};
  ASSERT_TRUE(stream.openRead(memoryName(block, 1).text()));
  EXPECT_FALSE(stream.writeBytes("x", 1)) << "memory blocks are never written";
}

TEST(OpenModes, ReadingSpellsNamesWithBackslashesAndAnyCase) {
  TemporaryFolder folder;
  fs::create_directories(folder.file("Media"));
  writeWholeFile(folder.file("Media/Font.PNG"), "png");
  DataStream stream;
  ASSERT_TRUE(stream.openRead((folder.path() + "\\media\\font.png").c_str()));
  EXPECT_EQ(stream.size, 3);
}

TEST(DataStreamValue, MovingHandsTheFileOver) {
  TemporaryFolder folder;
  writeWholeFile(folder.file("f"), "xyz");
  DataStream first;
  ASSERT_TRUE(first.openRead(folder.file("f").c_str()));
  DataStream second(std::move(first));
  EXPECT_FALSE(first.isOpen());
  EXPECT_TRUE(second.isOpen());
  char bytes[3];
  EXPECT_TRUE(second.readBytes(bytes, 3));
  DataStream third;
  third = std::move(second);
  EXPECT_EQ(third.position, 3);
  EXPECT_FALSE(second.isOpen());
}

// A file is read through a read-ahead window; over a file several windows long, any mix of
// line reads, binary reads and seeks must give what the same operations give on the same bytes
// in memory (no carriage returns and reads inside the data, where both follow the same rules).
TEST(ReadAhead, AgreesWithAMemoryStreamOverARandomWalk) {
  TemporaryFolder folder;
  std::string bytes;
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  while (bytes.size() < 300000) {
    std::size_t length = next() % 200;
    for (std::size_t i = 0; i < length; ++i) bytes.push_back(static_cast<char>('a' + next() % 26));
    bytes.push_back('\n');
  }
  const std::string path = folder.file("walk.txt");
  writeWholeFile(path, bytes);
  DataStream file, memory;
  ASSERT_TRUE(file.openRead(path.c_str()));
  StringValue name = memoryName(bytes.data(), static_cast<uint32_t>(bytes.size()));
  ASSERT_TRUE(memory.openRead(name.text()));
  char fileLine[1025], memoryLine[1025];
  for (int step = 0; step < 20000; ++step) {
    SCOPED_TRACE(step);
    const uint32_t choice = next() % 10;
    if (choice < 6) {
      if (file.position >= file.size - 1) continue;
      ASSERT_EQ(file.readLine(fileLine, 1024), memory.readLine(memoryLine, 1024));
      ASSERT_STREQ(fileLine, memoryLine);
    } else if (choice < 8) {
      const int32_t width = static_cast<int32_t>(1 + next() % 9000);
      if (int64_t(file.position) + width > file.size) continue;
      std::string a(static_cast<std::size_t>(width), '\0'), b(static_cast<std::size_t>(width), '\0');
      ASSERT_TRUE(file.readBytes(a.data(), width));
      ASSERT_TRUE(memory.readBytes(b.data(), width));
      ASSERT_EQ(a, b);
    } else {
      const bool fromEnd = choice == 9;
      const int32_t offset = fromEnd ? -static_cast<int32_t>(next() % bytes.size()) : static_cast<int32_t>(next() % bytes.size());
      ASSERT_TRUE(file.seekTo(offset, fromEnd));
      ASSERT_TRUE(memory.seekTo(offset, fromEnd));
    }
    ASSERT_EQ(file.position, memory.position);
  }
}

}  // namespace
}  // namespace vantrel
