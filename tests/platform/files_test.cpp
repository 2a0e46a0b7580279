// The POSIX file, folder, process and environment services: path spelling, transfers,
// folders, the temporary and current folders, child processes and the environment.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/test_support.h"

namespace vantrel::platform {
namespace {

namespace fs = std::filesystem;
using vantrel::test::readWholeFile;
using vantrel::test::TemporaryFolder;
using vantrel::test::writeWholeFile;

// Sets or unsets an environment variable for one test and restores it afterwards.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    hadValue_ = old != nullptr;
    if (old) old_ = old;
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedVariable() {
    if (hadValue_) {
      ::setenv(name_.c_str(), old_.c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }

 private:
  std::string name_;
  std::string old_;
  bool hadValue_ = false;
};

TEST(NativePath, BackslashesBecomeSlashesAndLongNamesAreCut) {
  EXPECT_EQ(toNativePath("a\\b\\c.txt"), "a/b/c.txt");
  EXPECT_EQ(toNativePath(""), "");
  EXPECT_EQ(toNativePath(nullptr), "");
  std::string longName(3000, 'x');
  EXPECT_EQ(toNativePath(longName.c_str()).size(), PATH_BUFFER_SIZE - 1);
}

TEST(NativePath, ComponentsMatchExistingEntriesWithoutRegardToCase) {
  TemporaryFolder folder;
  fs::create_directories(folder.file("Data/Sub"));
  writeWholeFile(folder.file("Data/Sub/File.TXT"), "x");
  const std::string root = folder.path() + "/";
  struct Case {
    std::string request;
    std::string expected;
  } cases[] = {
      {root + "data\\sub\\file.txt", root + "Data/Sub/File.TXT"},
      {root + "DATA/SUB/FILE.TXT", root + "Data/Sub/File.TXT"},
      {root + "Data/Sub/File.TXT", root + "Data/Sub/File.TXT"},
      // A new file in a folder spelt with another case lands in the existing folder.
      {root + "DATA/sub/New.txt", root + "Data/Sub/New.txt"},
      // Nothing matches: the rest stays as given.
      {root + "Other/x/y", root + "Other/x/y"},
      {root + "data/./SUB/../sub/file.txt", root + "Data/./Sub/../Sub/File.TXT"},
  };
  for (const Case& c : cases) EXPECT_EQ(toNativePath(c.request.c_str()), c.expected) << c.request;
}

TEST(NativePath, EveryServiceUsesTheCaseInsensitiveSpelling) {
  TemporaryFolder folder;
  fs::create_directories(folder.file("Media"));
  writeWholeFile(folder.file("Media/Font.png"), "abc");
  const std::string wrong = folder.path() + "/MEDIA/font.PNG";

  EXPECT_EQ(pathKind(wrong.c_str()), PathKind::File);
  EXPECT_EQ(pathKind((folder.path() + "/media").c_str()), PathKind::Folder);
  FileHandle file = openFileForReading(wrong.c_str());
  ASSERT_NE(file, NO_FILE);
  EXPECT_EQ(fileSize(file), 3);
  closeFile(file);

  file = createFileForWriting((folder.path() + "/media/new.bin").c_str());
  ASSERT_NE(file, NO_FILE);
  closeFile(file);
  EXPECT_TRUE(fs::exists(folder.file("Media/new.bin")));

  EXPECT_TRUE(createFolder((folder.path() + "/MEDIA/Deeper").c_str()));
  EXPECT_TRUE(fs::is_directory(folder.file("Media/Deeper")));
  EXPECT_TRUE(removeFolder((folder.path() + "/media/deeper").c_str()));
  EXPECT_TRUE(deleteFile(wrong.c_str()));
  EXPECT_FALSE(fs::exists(folder.file("Media/Font.png")));

  std::vector<FolderEntry> entries;
  EXPECT_TRUE(listFolder((folder.path() + "/MEDIA").c_str(), entries));
  EXPECT_EQ(entries.size(), 3u);  // ".", ".." and new.bin
}

TEST(Files, ReadWriteSeekAndSize) {
  TemporaryFolder folder;
  const std::string path = folder.file("data.bin");
  FileHandle file = createFileForWriting(path.c_str());
  ASSERT_NE(file, NO_FILE);
  EXPECT_EQ(writeFile(file, "hello world", 11), 11);
  EXPECT_EQ(fileSize(file), 11);
  EXPECT_EQ(seekFile(file, 6, SeekOrigin::Start), 6);
  char buffer[16] = {};
  EXPECT_EQ(readFile(file, buffer, 5), 5);
  EXPECT_STREQ(buffer, "world");
  EXPECT_EQ(readFile(file, buffer, 5), 0) << "a read at the end delivers nothing";
  EXPECT_EQ(seekFile(file, -5, SeekOrigin::End), 6);
  EXPECT_EQ(seekFile(file, 2, SeekOrigin::Current), 8);
  EXPECT_EQ(seekFile(file, -1, SeekOrigin::Start), -1);
  closeFile(file);

  // Creating again truncates; appending lands after the old contents.
  file = createFileForWriting(path.c_str());
  writeFile(file, "ab", 2);
  closeFile(file);
  file = openFileForAppending(path.c_str());
  writeFile(file, "cd", 2);
  closeFile(file);
  EXPECT_EQ(readWholeFile(path), "abcd");

  file = openFileForReading(path.c_str());
  ASSERT_NE(file, NO_FILE);
  EXPECT_EQ(writeFile(file, "x", 1), -1) << "a file opened for reading takes no writes";
  closeFile(file);
}

TEST(Files, OpeningForReadingNeedsAnExistingFile) {
  TemporaryFolder folder;
  EXPECT_EQ(openFileForReading(folder.file("missing").c_str()), NO_FILE);
  EXPECT_EQ(openFileForReading(folder.path().c_str()), NO_FILE) << "a folder is not a file";
  EXPECT_FALSE(fs::exists(folder.file("missing")));
  FileHandle file = openFileForAppending(folder.file("created").c_str());
  EXPECT_NE(file, NO_FILE);
  closeFile(file);
  EXPECT_TRUE(fs::exists(folder.file("created")));
}

TEST(Folders, CreateRemoveDeleteAndList) {
  TemporaryFolder folder;
  const std::string sub = folder.file("sub");
  EXPECT_TRUE(createFolder(sub.c_str()));
  EXPECT_FALSE(createFolder(sub.c_str()));
  writeWholeFile(sub + "/f", "1");
  EXPECT_FALSE(removeFolder(sub.c_str())) << "only empty folders are removed";
  EXPECT_FALSE(deleteFile(sub.c_str())) << "deleteFile leaves folders alone";
  fs::create_symlink(sub, folder.file("link"));

  std::vector<FolderEntry> entries;
  ASSERT_TRUE(listFolder(folder.path().c_str(), entries));
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].name, ".");
  EXPECT_EQ(entries[1].name, "..");
  EXPECT_EQ(entries[2].name, "link");
  EXPECT_TRUE(entries[2].isFolder) << "a link to a folder counts as a folder";
  EXPECT_EQ(entries[3].name, "sub");

  EXPECT_TRUE(deleteFile((sub + "/f").c_str()));
  EXPECT_TRUE(removeFolder(sub.c_str()));
  EXPECT_EQ(pathKind(sub.c_str()), PathKind::Missing);
  EXPECT_FALSE(listFolder(sub.c_str(), entries));
}

TEST(Folders, TemporaryFolderEndsInASeparator) {
  {
    ScopedVariable tmp("TMPDIR", "/var/tmp/x");
    EXPECT_EQ(temporaryFolder(), "/var/tmp/x/");
  }
  {
    ScopedVariable tmp("TMPDIR", "/var/tmp/y/");
    EXPECT_EQ(temporaryFolder(), "/var/tmp/y/");
  }
  {
    ScopedVariable tmp("TMPDIR", "");
    EXPECT_EQ(temporaryFolder(), "/tmp/");
  }
  {
    ScopedVariable tmp("TMPDIR", nullptr);
    EXPECT_EQ(temporaryFolder(), "/tmp/");
  }
}

TEST(Folders, CurrentFolderAndExecutablePath) {
  TemporaryFolder folder;
  const std::string before = currentFolder();
  ASSERT_FALSE(before.empty());
  fs::create_directories(folder.file("Work"));
  ASSERT_TRUE(setCurrentFolder((folder.path() + "\\work").c_str()));
  EXPECT_EQ(fs::path(currentFolder()), fs::canonical(folder.file("Work")));
  ASSERT_TRUE(setCurrentFolder(before.c_str()));
  EXPECT_FALSE(setCurrentFolder(folder.file("missing").c_str()));

  const std::string self = executablePath();
  EXPECT_EQ(fs::path(self).filename(), "platform_files_test");
  EXPECT_TRUE(fs::path(self).is_absolute());
}

TEST(Processes, ExitCodesAndSignals) {
  EXPECT_EQ(runProcess("exit 7", true), 7);
  EXPECT_EQ(runProcess("true", true), 0);
  EXPECT_EQ(runProcess("kill -9 $$", true), 128 + 9);
  EXPECT_EQ(runProcess("no-such-program-here 2>/dev/null", true), 127);
}

TEST(Processes, ProgramsNotWaitedForStillRun) {
  TemporaryFolder folder;
  const std::string fifo = folder.file("fifo");
  ASSERT_EQ(runProcess(("mkfifo '" + fifo + "'").c_str(), true), 0);
  ASSERT_EQ(runProcess(("echo started > '" + fifo + "'").c_str(), false), 0);
  // Opening the fifo for reading waits for the writer, the program started above.
  std::ifstream in(fifo);
  std::string word;
  in >> word;
  EXPECT_EQ(word, "started");
}

TEST(Processes, DesktopOpenRunsXdgOpen) {
  TemporaryFolder folder;
  const std::string fifo = folder.file("fifo");
  ASSERT_EQ(runProcess(("mkfifo '" + fifo + "'").c_str(), true), 0);
  writeWholeFile(folder.file("xdg-open"), "#!/bin/sh\necho \"$1\" > '" + fifo + "'\n");
  fs::permissions(folder.file("xdg-open"), fs::perms::owner_all);
  {
    ScopedVariable path("PATH", (folder.path() + ":/usr/bin:/bin").c_str());
    ASSERT_TRUE(openWithDesktop("some document.txt"));
    std::ifstream in(fifo);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "some document.txt");
  }
  {
    ScopedVariable path("PATH", folder.file("nothing").c_str());
    EXPECT_FALSE(openWithDesktop("x")) << "without xdg-open nothing can be opened";
  }
}

TEST(Environment, SetGetAndList) {
  EXPECT_TRUE(setEnvironmentVariable("VANTREL_FILES_TEST", "some value"));
  ASSERT_NE(getEnvironmentVariable("VANTREL_FILES_TEST"), nullptr);
  EXPECT_STREQ(getEnvironmentVariable("VANTREL_FILES_TEST"), "some value");
  std::vector<std::string> entries = environmentEntries();
  EXPECT_NE(std::find(entries.begin(), entries.end(), "VANTREL_FILES_TEST=some value"), entries.end());
  EXPECT_FALSE(setEnvironmentVariable("A=B", "c"));
  EXPECT_FALSE(setEnvironmentVariable("", "c"));
  EXPECT_EQ(getEnvironmentVariable("VANTREL_FILES_TEST_UNSET"), nullptr);
}

}  // namespace
}  // namespace vantrel::platform
