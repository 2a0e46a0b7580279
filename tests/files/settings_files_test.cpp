// Settings files: the loader's line rules, first-namesake lookups, changes with removal by
// moving the last element, write-back, memory names that are never written, and the old file
// surviving a write-back that fails (blocked or on a full disk).
#include "files/settings_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "files/data_stream.h"
#include "files/file_replacement.h"
#include "platform/files.h"
#include "tests/support/full_disk.h"
#include "tests/support/test_support.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;
using test::TemporaryFolder;
using test::writeWholeFile;

// The sections in order as "[name]key=value|key=value|" for comparing whole contents.
std::string dump(const SettingsFile& settings) {
  std::string text;
  for (const SettingsSection& section : settings.sections) {
    text += "[" + std::string(section.name.text()) + "]";
    for (const SettingsEntry& entry : section.entries)
      text += std::string(entry.key.text()) + "=" + entry.value.text() + "|";
  }
  return text;
}

std::string loadFromMemory(const std::string& text, SettingsFile& settings) {
  settings.loadSettings(memoryName(text.data(), static_cast<uint32_t>(text.size())).text());
  return dump(settings);
}

TEST(SettingsLoader, LineRules) {
  struct Case {
    const char* what;
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"keys keep their spelling, trailing blanks stay", "[Video]\r\nWidth = 800\r\nheight=600 \r\n",
       "[Video]Width=800|height=600 |"},
      {"a blank ends a section name", "[ Two Words ]\nk=v\n", "[Two]k=v|"},
      {"a missing bracket", "[Name\nk=v\n", "[Name]k=v|"},
      {"a bracket inside stays", "[Name]x\nk=v\n", "[Name]x]k=v|"},
      {"no '=', key alone, nothing after '='", "[S]\nkey value\nkey\nkey =\nkey=  \t\n", ""},
      {"a header without entries vanishes", "[Empty]\n[Full]\nk=v\n", "[Full]k=v|"},
      {"repeated headers and keys are kept", "[A]\nk=1\n[A]\nk=2\nm=3\nk=4\n", "[A]k=1|[A]k=2|m=3|k=4|"},
      {"entries before any header", "k=v\n[S]\nj=w\n", "[]k=v|[S]j=w|"},
      {"an empty header keeps the section name", "[S]\na=1\n[]\nb=2\n", "[S]a=1|[S]b=2|"},
      {"comments, blanks and indentation", "; note\n\n \t  \r\n  [S]\n\t; k=v\n  k = v ; not a comment\n",
       "[S]k=v ; not a comment|"},
      {"control bytes at the end go", "[S]\nk=v\x01\x02\r\n", "[S]k=v|"},
      {"a value of control bytes is none", "[S]\nk=\x01\nj=w\n", "[S]j=w|"},
      {"value starts after the first '='", "[S]\nk==a=b\n", "[S]k==a=b|"},
      {"an empty key", "[S]\n=v\n", "[S]=v|"},
      {"no line end at the end", "[S]\nk=v", "[S]k=v|"},
  };
  for (const Case& c : cases) {
    SettingsFile settings;
    EXPECT_EQ(loadFromMemory(c.text, settings), c.expected) << c.what;
    EXPECT_EQ(settings.modified, 0);
  }
}

TEST(SettingsLoader, LinesLongerThan1024AreCut) {
  std::string text = "[S]\nk=" + std::string(1100, 'v') + "\n";
  SettingsFile settings;
  loadFromMemory(text, settings);
  ASSERT_EQ(settings.sections.size(), 1u);
  ASSERT_EQ(settings.sections[0].entries.size(), 1u) << "the cut-off rest has no '='";
  EXPECT_EQ(settings.sections[0].entries[0].value.length, 1022u);
}

TEST(SettingsLookup, FirstNamesakesWinWithoutRegardToCase) {
  SettingsFile settings;
  loadFromMemory("[Video]\nWidth = 800\n[A]\nk=1\nk=5\n[A]\nk=2\nm=3\n", settings);
  EXPECT_STREQ(settings.getSetting("video", "WIDTH", "x").text(), "800");
  EXPECT_STREQ(settings.getSetting("a", "K", "d").text(), "1");
  EXPECT_STREQ(settings.getSetting("A", "m", "d").text(), "d") << "the second [A] is never consulted";
  EXPECT_STREQ(settings.getSetting("Audio", "k", "none").text(), "none");
}

TEST(SettingsChanges, PutRemoveAndModifiedFlag) {
  SettingsFile settings;
  loadFromMemory("[A]\na=1\n[B]\nb=1\n[C]\nc=1\nd=2\ne=3\n", settings);
  settings.putSetting("s", "k", "");
  EXPECT_EQ(dump(settings), "[A]a=1|[B]b=1|[C]c=1|d=2|e=3|[s]") << "an empty section appears";
  EXPECT_EQ(settings.modified, 0) << "that alone is no change";

  settings.putSetting("c", "C", "10");
  EXPECT_EQ(settings.modified, 1);
  settings.putSetting("C", "c", "");
  EXPECT_EQ(dump(settings), "[A]a=1|[B]b=1|[C]e=3|d=2|[s]") << "the last entry moved into the gap";
  settings.putSetting("c", "New", "x");
  settings.putSetting("a", "", "anything");
  EXPECT_EQ(dump(settings), "[s][B]b=1|[C]e=3|d=2|New=x|") << "the last section moved into the gap";
  settings.putSetting("none", "", "x");
  EXPECT_EQ(dump(settings), "[s][B]b=1|[C]e=3|d=2|New=x|");
}

TEST(SettingsStore, MemoryNamesAreNeverWritten) {
  TemporaryFolder folder;
  std::string previous = platform::currentFolder();
  ASSERT_TRUE(platform::setCurrentFolder(folder.path().c_str()));
  const std::string text = "[S]\nk=v\n";
  StringValue name = memoryName(text.data(), static_cast<uint32_t>(text.size()));
  openSettings(name);
  EXPECT_STREQ(getSetting("s", "k", "d").text(), "v");
  putSetting("S", "k", "changed");
  EXPECT_STREQ(getSetting("s", "k", "d").text(), "changed");
  openSettings("");
  EXPECT_STREQ(getSetting("s", "k", "d").text(), "d");
  {
    SettingsFile direct;
    direct.loadSettings(name.text());
    direct.putSetting("S", "k", "again");
  }
  platform::setCurrentFolder(previous.c_str());
  EXPECT_TRUE(fs::is_empty(folder.path()));
}

class SettingsOnDisk : public ::testing::Test {
 protected:
  void TearDown() override { openSettings(""); }
  StringValue path(const char* name) const { return StringValue(folder_.file(name).c_str()); }
  std::string read(const char* name) const { return readWholeFile(folder_.file(name)); }
  TemporaryFolder folder_;
};

TEST_F(SettingsOnDisk, RoundTrip) {
  writeWholeFile(folder_.file("game.ini"), "; comment\r\n[Video]\r\nWidth = 800\r\n\r\n[Empty]\r\n");
  StringValue game = path("game.ini");
  openSettings(game);
  putSetting("VIDEO", "width", "1024");
  putSetting("Sound", "Volume", "7");
  putSetting("Sound", "Muted", "no");
  putSetting("Later", "x", "");
  openSettings("");
  EXPECT_EQ(read("game.ini"), "[Video]\r\nWidth=1024\r\n[Sound]\r\nVolume=7\r\nMuted=no\r\n[Later]\r\n")
      << "first spellings kept, the empty section written as its header alone";
  openSettings(game);
  EXPECT_STREQ(getSetting("video", "WIDTH", "x").text(), "1024");
  EXPECT_STREQ(getSetting("sound", "muted", "x").text(), "no");
  putSetting("Video", "Width", "1024");
  openSettings("");
  EXPECT_EQ(read("game.ini"), "[Video]\r\nWidth=1024\r\n[Sound]\r\nVolume=7\r\nMuted=no\r\n")
      << "[Later] was dropped by the load";
}

TEST_F(SettingsOnDisk, UnchangedStoresAreNotWritten) {
  writeWholeFile(folder_.file("a.ini"), "[S]\r\nk = v\r\n");
  openSettings(path("a.ini"));
  putSetting("T", "k", "");
  openSettings(path("b.ini"));
  EXPECT_EQ(read("a.ini"), "[S]\r\nk = v\r\n");
  EXPECT_FALSE(test::fileExists(folder_.file("b.ini")));
}

TEST_F(SettingsOnDisk, AMissingFileIsCreatedOnSave) {
  StringValue fresh = path("fresh.ini");
  openSettings(fresh);
  EXPECT_STREQ(getSetting("S", "k", "default").text(), "default");
  putSetting("S", "k", "v");
  flushLineAndSettingsFiles();
  EXPECT_EQ(read("fresh.ini"), "[S]\r\nk=v\r\n") << "written at program end";
}

TEST_F(SettingsOnDisk, APrivateFileWritesBackWhenDestroyed) {
  {
    SettingsFile settings;
    settings.loadSettings(path("own.ini").text());
    settings.putSetting("", "k", "v");
  }
  EXPECT_EQ(read("own.ini"), "[]\r\nk=v\r\n");
}

TEST_F(SettingsOnDisk, AFailedWriteBackLeavesTheOldFile) {
  writeWholeFile(folder_.file("keep.ini"), "[S]\r\nk=old\r\n");
  std::string temporary = folder_.file("keep.ini") + FileReplacement::TEMPORARY_SUFFIX;
  fs::create_directory(temporary);
  writeWholeFile(temporary + "/blocker", "x");
  StringValue keep = path("keep.ini");
  openSettings(keep);
  putSetting("S", "k", "new");
  openSettings("");
  EXPECT_EQ(read("keep.ini"), "[S]\r\nk=old\r\n");
  EXPECT_TRUE(test::fileExists(temporary + "/blocker")) << "the blocking folder is left alone";

  fs::remove_all(temporary);
  openSettings(keep);
  putSetting("S", "k", "new");
  openSettings("");
  EXPECT_EQ(read("keep.ini"), "[S]\r\nk=new\r\n");
  EXPECT_FALSE(test::fileExists(temporary));
}

TEST_F(SettingsOnDisk, AnEmptyFolderInThePlaceOfTheFileIsReplaced) {
  fs::create_directory(folder_.file("dir.ini"));
  openSettings(path("dir.ini"));
  putSetting("S", "k", "v");
  openSettings("");
  EXPECT_EQ(read("dir.ini"), "[S]\r\nk=v\r\n");
}

// The child side of FullDisk.OldSettingsFileSurvives, run with a small tmpfs of its own.
TEST(FullDisk, SettingsChildSide) {
  const char* folder = platform::getEnvironmentVariable("VANTREL_FULL_DISK_FOLDER");
  if (!folder) GTEST_SKIP() << "child side only";
  std::string file = std::string(folder) + "/keep.ini";
  writeWholeFile(file, "[S]\r\nk=old\r\n");
  std::string filler = std::string(folder) + "/filler";
  ASSERT_TRUE(test::fillFileSystem(folder));

  StringValue keep = file.c_str();
  openSettings(keep);
  for (int i = 0; i < 100; ++i) putSetting("S", ("key" + std::to_string(i)).c_str(), std::string(500, 'v').c_str());
  openSettings("");
  EXPECT_EQ(readWholeFile(file), "[S]\r\nk=old\r\n") << "the disk was full: the old file stays";
  EXPECT_FALSE(test::fileExists(file + FileReplacement::TEMPORARY_SUFFIX));

  platform::deleteFile(filler.c_str());
  openSettings(keep);
  putSetting("S", "k", "room again");
  openSettings("");
  EXPECT_EQ(readWholeFile(file), "[S]\r\nk=room again\r\n");
}

TEST(FullDisk, OldSettingsFileSurvives) {
  test::expectPassesOnSmallTmpfs("FullDisk.SettingsChildSide");
}

}  // namespace
}  // namespace vantrel
