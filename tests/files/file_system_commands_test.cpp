// File-system and process commands: listing order and result, wildcards, copying from memory
// names, sizes, folders, the environment, programs started with and without waiting, and
// endAndRun seen from a child process.
#include "files/file_system_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/errors.h"
#include "files/data_stream.h"
#include "platform/files.h"
#include "tests/support/test_support.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;
using test::TemporaryFolder;
using test::writeWholeFile;

// Runs each test inside its own fresh folder as the current directory.
class InFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = platform::currentFolder();
    ASSERT_TRUE(platform::setCurrentFolder(folder_.path().c_str()));
  }
  void TearDown() override { platform::setCurrentFolder(previous_.c_str()); }
  std::string file(const std::string& name) const { return folder_.file(name); }

  TemporaryFolder folder_;
  std::string previous_;
};

std::vector<std::string> names(TextArray& array) {
  std::vector<std::string> result;
  for (int32_t i = 0; i < array.sizes[0]; ++i) result.emplace_back(element(array, i).text());
  return result;
}

using ListDirectory = InFolder;

TEST_F(ListDirectory, FoldersFirstThenMatchingFilesEachSortedWithoutCase) {
  for (const char* name : {"b.TXT", "a.txt", "c.dat", "README"}) writeWholeFile(file(name), "x");
  fs::create_directory(file("Zed"));
  fs::create_directory(file("yard"));
  fs::create_directory_symlink(file("Zed"), file("link"));
  TextArray out;
  dimension(out, 9);  // whatever was there is replaced

  int result = listDirectory("*.txt", out);
  EXPECT_EQ(names(out), (std::vector<std::string>{".", "..", "link", "yard", "Zed", "a.txt", "b.TXT"}))
      << "folders (a link to one included) come unfiltered before the matching files";
  EXPECT_EQ(result, 2 + 65536 * 5);

  result = listDirectory("*.*", out);
  EXPECT_EQ(names(out), (std::vector<std::string>{".", "..", "link", "yard", "Zed", "a.txt",
                                                  "b.TXT", "c.dat", "README"}));
  EXPECT_EQ(result, 4 + 65536 * 5);
}

TEST_F(ListDirectory, NamesThatDifferOnlyInCaseKeepOneOrder) {
  writeWholeFile(file("note.txt"), "x");
  writeWholeFile(file("NOTE.txt"), "x");
  TextArray out;
  EXPECT_EQ(listDirectory("note.*", out), 2 + 65536 * 2);
  EXPECT_EQ(names(out), (std::vector<std::string>{".", "..", "NOTE.txt", "note.txt"}));
}

TEST(WildcardMatch, Cases) {
  struct Case {
    const char* pattern;
    const char* text;
    int expected;
  };
  const Case cases[] = {
      {"a?c", "abc", 1},          {"a?c", "ABC", 1},           {"a?c", "a.c", 0},
      {"*.*", "README", 1},       {"*.txt", "notes.TXT", 1},   {"*.txt", "notes.txt.bak", 0},
      {"*.txt", ".txt", 1},       {"*a*b", "xaxxab", 1},       {"a*b*c", "aXbYbZc", 1},
      {"**b", "ab", 1},           {"a**", "a", 1},             {"*", "", 1},
      {"", "", 1},                {"", "a", 0},                {"a", "ab", 0},
      {"ab", "a", 0},             {"*?", "", 0},               {"*b", "aaa", 0},
      {"?*.dat", "x.dat", 1},     {"?*.dat", ".dat", 0},       {"*ab*cd", "abxabcd", 1},
      {"*.?", "name.", 0},        {"x*y*z", "xyyyyz", 1},      {"x*y*z", "xzy", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(wildcardMatch(c.pattern, c.text), c.expected) << c.pattern << " against " << c.text;
  }
}

using CopyFile = InFolder;

TEST_F(CopyFile, FromMemoryNameWritesExactlyTheBlock) {
  std::vector<uint8_t> block(10000);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7);
  writeWholeFile(file("out.bin"), "old contents");
  raiseError(ERR_OUT_OF_BOUNDS);

  copyFile(memoryName(block.data(), static_cast<uint32_t>(block.size())), file("out.bin").c_str());
  EXPECT_EQ(errorState().errorCode, 0) << "the copy clears the code";
  EXPECT_EQ(readWholeFile(file("out.bin")), std::string(block.begin(), block.end()));
}

TEST_F(CopyFile, OpenFailuresSetNoSuchFile) {
  writeWholeFile(file("source.txt"), "abc");
  copyFile(file("missing.txt").c_str(), file("copy.txt").c_str());
  EXPECT_EQ(errorState().errorCode, ERR_NO_SUCH_FILE);
  EXPECT_FALSE(test::fileExists(file("copy.txt")));

  uint8_t block[4] = {1, 2, 3, 4};
  copyFile(file("source.txt").c_str(), memoryName(block, 4));
  EXPECT_EQ(errorState().errorCode, ERR_NO_SUCH_FILE) << "a memory name is never a destination";

  copyFile(file("source.txt").c_str(), file("no-such-folder/copy.txt").c_str());
  EXPECT_EQ(errorState().errorCode, ERR_NO_SUCH_FILE);

  copyFile(file("source.txt").c_str(), file("copy.txt").c_str());
  EXPECT_EQ(errorState().errorCode, 0);
  EXPECT_EQ(readWholeFile(file("copy.txt")), "abc");
}

using FileCommands = InFolder;

TEST_F(FileCommands, SizesTestsAndDeletions) {
  writeWholeFile(file("f.txt"), std::string(123, 'x'));
  fs::create_directory(file("empty"));
  fs::create_directory(file("full"));
  writeWholeFile(file("full/inside"), "x");
  uint8_t block[300] = {};

  clearError();
  EXPECT_EQ(getFileSize(file("f.txt").c_str()), 123);
  EXPECT_EQ(getFileSize(memoryName(block, 300)), 300);
  EXPECT_EQ(errorState().errorCode, 0);
  EXPECT_EQ(getFileSize(file("missing").c_str()), 0);
  EXPECT_EQ(errorState().errorCode, ERR_NO_SUCH_FILE);

  EXPECT_EQ(fileExists("f.txt"), 1);
  EXPECT_EQ(fileExists("empty"), 0);
  EXPECT_EQ(directoryExists("empty"), 1);
  EXPECT_EQ(directoryExists("f.txt"), 0);
  EXPECT_EQ(directoryExists("missing"), 0);

  EXPECT_EQ(deleteFile("missing"), 0);
  EXPECT_EQ(deleteFile("full"), 0) << "only empty folders are removed";
  EXPECT_NE(deleteFile("f.txt"), 0);
  EXPECT_NE(deleteFile("empty"), 0);
  EXPECT_FALSE(test::fileExists(file("f.txt")));
  EXPECT_FALSE(test::fileExists(file("empty")));

  EXPECT_EQ(createDirectory("made"), 1);
  EXPECT_EQ(createDirectory("made"), 0);
  EXPECT_EQ(createDirectory("a/b"), 0) << "no parents are made";
  EXPECT_EQ(directoryExists("made"), 1);
}

TEST_F(FileCommands, BackslashesAreSeparators) {
  StringValue path = "a\\b\\c.txt";
  EXPECT_EQ(toForwardSlashes(path), 9);
  EXPECT_STREQ(path.text(), "a/b/c.txt");
  fs::create_directory(file("sub"));
  writeWholeFile(file("sub/x.txt"), "x");
  EXPECT_EQ(fileExists("sub\\x.txt"), 1);
}

TEST_F(FileCommands, CurrentDirectoryAlwaysEndsInOneSlash) {
  fs::create_directory(file("inner"));
  raiseError(ERR_OUT_OF_BOUNDS);
  EXPECT_EQ(setCurrentDirectory("inner"), 1);
  EXPECT_EQ(errorState().errorCode, 0);
  EXPECT_EQ(std::string(getCurrentDirectory().text()), fs::canonical(file("inner")).string() + "/");
  EXPECT_EQ(setCurrentDirectory("/"), 1);
  EXPECT_STREQ(getCurrentDirectory().text(), "/");
  EXPECT_EQ(setCurrentDirectory(file("missing").c_str()), 0);
  EXPECT_EQ(errorState().errorCode, ERR_NO_SUCH_FILE);
  EXPECT_STREQ(getCurrentDirectory().text(), "/");
}

TEST(Environment, SetGetAndList) {
  StringValue name = "VANTREL_FS_TEST";
  setEnvironment(name, "value 1");
  EXPECT_STREQ(name.text(), "VANTREL_FS_TEST=value 1") << "the name variable holds the assignment";
  EXPECT_STREQ(getEnvironment("VANTREL_FS_TEST").text(), "value 1");
  EXPECT_STREQ(getEnvironment("VANTREL_FS_TEST_UNSET").text(), "");
  std::string all = getEnvironment("").text();
  EXPECT_NE(all.find("VANTREL_FS_TEST=value 1\n"), std::string::npos);
  EXPECT_EQ(all.back(), '\n');
}

int windowCalls = 0;
std::string childOutput;
void countWindowedMode() { windowCalls += 1; }
void activateAfterChild() {
  windowCalls += 10;
  childOutput = readWholeFile("child.txt");
}

using RunProgram = InFolder;

TEST_F(RunProgram, ExitCodesWithAndWithoutWaiting) {
  double exitCode = -1;
  EXPECT_EQ(runProgram("exit 3", 1, 1, exitCode), 1);
  EXPECT_EQ(exitCode, 3);
  EXPECT_EQ(runProgram("kill -9 $$", 1, 0, exitCode), 1);
  EXPECT_EQ(exitCode, 128 + 9) << "a child killed by a signal";
  exitCode = 5;
  EXPECT_EQ(runProgram("exit 7", 0, 1, exitCode), 1);
  EXPECT_EQ(exitCode, 0) << "without waiting the exit code stays 0";
}

TEST_F(RunProgram, LeavesFullScreenBeforeAndActivatesTheWindowAfter) {
  ProcessWindowHooks& hooks = processWindowHooks();
  hooks.enterWindowedMode = countWindowedMode;
  hooks.activateMainWindow = activateAfterChild;
  windowCalls = 0;
  double exitCode = 0;
  EXPECT_EQ(runProgram("echo ran > child.txt", 1, 1, exitCode), 1);
  hooks = ProcessWindowHooks();
  EXPECT_EQ(windowCalls, 11);
  EXPECT_EQ(childOutput, "ran\n") << "the window is activated once the child has finished";
}

// The child side of EndAndRun.ShutsDownThenStartsTheProgram.
TEST(EndAndRun, ChildSide) {
  if (!platform::getEnvironmentVariable("VANTREL_END_AND_RUN_CHILD")) GTEST_SKIP() << "child side only";
  setShutdownFunction([] { printOutput("shutdown done\n"); });
  endAndRun("echo started $((40 + 2))");
  ADD_FAILURE() << "endAndRun returned";
}

TEST(EndAndRun, ShutsDownThenStartsTheProgram) {
  test::ProcessResult child = test::runProcess(
      {platform::executablePath(), "--gtest_filter=EndAndRun.ChildSide"}, "",
      {"VANTREL_END_AND_RUN_CHILD=1"});
  EXPECT_EQ(child.exitCode, 0);
  // The started program inherits the output, so it has finished when the output ends.
  std::size_t shutdown = child.standardOutput.find("shutdown done\nexit\n");
  std::size_t started = child.standardOutput.find("started 42\n");
  ASSERT_NE(shutdown, std::string::npos) << child.standardOutput;
  ASSERT_NE(started, std::string::npos) << child.standardOutput;
  EXPECT_LT(shutdown, started) << "the program starts only after the runtime was shut down";
  EXPECT_EQ(child.standardOutput.find("endAndRun returned"), std::string::npos);
}

}  // namespace
}  // namespace vantrel
