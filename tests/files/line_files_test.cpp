// Line files: reading by index, the 256-line window, numbers, write-back when another file is
// selected, and the old file surviving a write-back that fails (blocked or on a full disk).
#include "files/line_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/errors.h"
#include "files/data_stream.h"
#include "files/file_replacement.h"
#include "files/settings_files.h"
#include "platform/files.h"
#include "tests/support/full_disk.h"
#include "tests/support/test_support.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;
using test::TemporaryFolder;
using test::writeWholeFile;

class LineFiles : public ::testing::Test {
 protected:
  void TearDown() override { flushLineFile(); }
  StringValue path(const char* name) const { return StringValue(folder_.file(name).c_str()); }
  std::string read(const char* name) const { return readWholeFile(folder_.file(name)); }

  TemporaryFolder folder_;
};

TEST_F(LineFiles, ReadsLinesByIndex) {
  writeWholeFile(folder_.file("two.txt"), "first\r\n12\t\n");
  StringValue two = path("two.txt");
  EXPECT_STREQ(getFileLine(two, 0).text(), "first");
  EXPECT_STREQ(getFileLine(two, 1).text(), "12") << "trailing control characters go";
  EXPECT_EQ(getFileLineInt(two, 1), 12);
  EXPECT_EQ(getFileLineInt(two, 1.9), 12) << "the index is truncated";
  EXPECT_STREQ(getFileLine(two, 3).text(), "NO_DATA");
  EXPECT_EQ(errorState().errorCode, 0) << "a line past the end is no error";
  EXPECT_STREQ(getFileLine(two, 255).text(), "NO_DATA");
}

TEST_F(LineFiles, IndexOutsideTheWindowAndMissingFiles) {
  writeWholeFile(folder_.file("a.txt"), "a\n");
  StringValue a = path("a.txt");
  for (double index : {-1.0, 256.0, 1e300, -1e300}) {
    clearError();
    EXPECT_STREQ(getFileLine(a, index).text(), "NO_DATA") << index;
    EXPECT_EQ(errorState().errorCode, ERR_OUT_OF_MEMORY) << index;
    clearError();
    EXPECT_EQ(putFileLine(a, index, "x"), 7) << index;
    EXPECT_EQ(errorState().errorCode, ERR_OUT_OF_MEMORY) << index;
  }
  EXPECT_STREQ(getFileLine(a, -0.5).text(), "a") << "-0.5 truncates to line 0";
  EXPECT_STREQ(getFileLine(path("missing.txt"), 0).text(), "NO_FILE");
  EXPECT_EQ(errorState().errorCode, ERR_NO_SUCH_FILE);
  EXPECT_EQ(getFileLineInt(path("missing.txt"), 0), 0);
  EXPECT_EQ(getFileLineFloat(path("missing.txt"), 0), 0.0);
  flushLineFile();
  EXPECT_EQ(read("a.txt"), "a\n") << "nothing was stored, so nothing was written";
}

TEST_F(LineFiles, WritingLineTenOfANewFileWritesElevenLines) {
  StringValue fresh = path("fresh.txt");
  EXPECT_EQ(putFileLine(fresh, 10, "ten"), 0);
  EXPECT_FALSE(test::fileExists(folder_.file("fresh.txt"))) << "nothing is written before a switch";
  getFileLine(path("other.txt"), 0);
  std::string expected;
  for (int i = 0; i < 10; ++i) expected += "\r\n";
  EXPECT_EQ(read("fresh.txt"), expected + "ten\r\n");
}

TEST_F(LineFiles, NumbersAreStoredWithoutTrailingPoint) {
  StringValue numbers = path("numbers.txt");
  putFileLineFloat(numbers, 0, 2.5);
  putFileLineFloat(numbers, 1, 3);
  putFileLineFloat(numbers, 2, 0);
  putFileLineFloat(numbers, 3, 1.0 / 3);
  putFileLineFloat(numbers, 4, 1e20);
  flushLineFile();
  EXPECT_EQ(read("numbers.txt"), "2.5\r\n3\r\n0\r\n0.3333333333\r\n1e+20\r\n");
  EXPECT_DOUBLE_EQ(getFileLineFloat(numbers, 0), 2.5);
}

TEST_F(LineFiles, TheSameFileIsReadOnceUntilAnotherIsSelected) {
  writeWholeFile(folder_.file("a.txt"), "old\n");
  StringValue a = path("a.txt");
  EXPECT_STREQ(getFileLine(a, 0).text(), "old");
  writeWholeFile(folder_.file("a.txt"), "new\n");
  EXPECT_STREQ(getFileLine(a, 0).text(), "old") << "the cache does not reread its file";
  getFileLine(path("b.txt"), 0);
  EXPECT_STREQ(getFileLine(a, 0).text(), "new");
}

TEST_F(LineFiles, OnlyTheFirst256LinesAreHeldAndWrittenBack) {
  std::string contents;
  for (int i = 0; i < 300; ++i) contents += "line " + std::to_string(i) + "\r\n";
  writeWholeFile(folder_.file("long.txt"), contents);
  StringValue file = path("long.txt");
  EXPECT_STREQ(getFileLine(file, 255).text(), "line 255");
  putFileLine(file, 0, "changed");
  flushLineFile();
  std::string expected = "changed\r\n";
  for (int i = 1; i < 256; ++i) expected += "line " + std::to_string(i) + "\r\n";
  EXPECT_EQ(read("long.txt"), expected);
}

TEST_F(LineFiles, LongLinesAreSplitAndLongTextsCut) {
  writeWholeFile(folder_.file("wide.txt"), std::string(1500, 'w') + "\r\nnext\r\n");
  StringValue wide = path("wide.txt");
  EXPECT_EQ(std::string(getFileLine(wide, 0).text()), std::string(1023, 'w'));
  EXPECT_EQ(std::string(getFileLine(wide, 1).text()), std::string(477, 'w'));
  EXPECT_STREQ(getFileLine(wide, 2).text(), "next");
  putFileLine(wide, 3, StringValue(std::string(2000, 'x').c_str()));
  EXPECT_EQ(std::string(getFileLine(wide, 3).text()), std::string(1023, 'x'));
}

TEST_F(LineFiles, MemoryNamesAreReadButNeverWritten) {
  const char text[] = "alpha\r\nbeta";
  StringValue name = memoryName(text, sizeof text - 1);
  EXPECT_STREQ(getFileLine(name, 1).text(), "beta");
  putFileLine(name, 0, "changed");
  std::string previous = platform::currentFolder();
  ASSERT_TRUE(platform::setCurrentFolder(folder_.path().c_str()));
  flushLineFile();
  platform::setCurrentFolder(previous.c_str());
  EXPECT_TRUE(fs::is_empty(folder_.path())) << "no file was made for the memory name";
}

TEST_F(LineFiles, ProgramEndWritesTheHeldFileBack) {
  putFileLine(path("end.txt"), 1, "kept");
  flushLineAndSettingsFiles();
  EXPECT_EQ(read("end.txt"), "\r\nkept\r\n");
}

TEST_F(LineFiles, AFailedWriteBackLeavesTheOldFile) {
  writeWholeFile(folder_.file("keep.txt"), "one\r\ntwo\r\n");
  std::string temporary = folder_.file("keep.txt") + FileReplacement::TEMPORARY_SUFFIX;
  fs::create_directory(temporary);
  writeWholeFile(temporary + "/blocker", "x");  // a folder that cannot be cleared away

  StringValue keep = path("keep.txt");
  putFileLine(keep, 0, "lost");
  flushLineFile();
  EXPECT_EQ(read("keep.txt"), "one\r\ntwo\r\n");
  EXPECT_STREQ(getFileLine(keep, 0).text(), "one") << "the cache was emptied all the same";

  fs::remove_all(temporary);
  writeWholeFile(temporary, "left over from a crash");
  putFileLine(keep, 0, "now");
  flushLineFile();
  EXPECT_EQ(read("keep.txt"), "now\r\ntwo\r\n");
  EXPECT_FALSE(test::fileExists(temporary)) << "the temporary file became the file";
}

// The child side of FullDisk.OldLineFileSurvives, run with a small tmpfs of its own.
TEST(FullDisk, LineFileChildSide) {
  const char* folder = platform::getEnvironmentVariable("VANTREL_FULL_DISK_FOLDER");
  if (!folder) GTEST_SKIP() << "child side only";
  std::string file = std::string(folder) + "/keep.txt";
  writeWholeFile(file, "one\r\ntwo\r\n");
  std::string filler = std::string(folder) + "/filler";
  ASSERT_TRUE(test::fillFileSystem(folder));

  StringValue keep = file.c_str();
  for (int i = 0; i < 40; ++i) putFileLine(keep, i, StringValue(std::string(1000, 'n').c_str()));
  flushLineFile();
  EXPECT_EQ(readWholeFile(file), "one\r\ntwo\r\n") << "the disk was full: the old file stays";
  EXPECT_FALSE(test::fileExists(file + FileReplacement::TEMPORARY_SUFFIX));

  platform::deleteFile(filler.c_str());
  putFileLine(keep, 0, "room again");
  flushLineFile();
  EXPECT_EQ(readWholeFile(file), "room again\r\ntwo\r\n");
}

TEST(FullDisk, OldLineFileSurvives) {
  test::expectPassesOnSmallTmpfs("FullDisk.LineFileChildSide");
}

}  // namespace
}  // namespace vantrel
