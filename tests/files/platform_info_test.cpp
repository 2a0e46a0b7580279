// Platform information: every key's format, the key upper-cased in the caller's variable, the
// time keys on a fixed clock, the language table, batteries, folders from the environment.
#include "files/platform_info.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "core/project_settings.h"
#include "platform/files.h"
#include "platform/gl_context.h"
#include "platform/system_info.h"
#include "tests/support/test_support.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using test::TemporaryFolder;
using test::writeWholeFile;

std::string info(const char* key) {
  StringValue k = key;
  return getPlatformInfo(k).text();
}

// Sets environment variables for one test and puts the old values back afterwards.
class Environment : public ::testing::Test {
 protected:
  void set(const char* name, const std::string& value) {
    if (saved_.find(name) == saved_.end()) {
      const char* old = platform::getEnvironmentVariable(name);
      saved_[name] = old ? std::string(old) : std::string();
    }
    platform::setEnvironmentVariable(name, value.c_str());
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) platform::setEnvironmentVariable(name.c_str(), value.c_str());
  }

  std::map<std::string, std::string> saved_;
};

TEST(PlatformInfo, FixedAnswersAndTheKeyTurnedToUpperCase) {
  EXPECT_EQ(info(""), "LINUX");
  EXPECT_EQ(info(" "), "NO_DATA");
  EXPECT_EQ(info("no such key"), "NO_DATA");
  StringValue key = "device";
  EXPECT_STREQ(getPlatformInfo(key).text(), "DESKTOP");
  EXPECT_STREQ(key.text(), "DEVICE");
  key = "locale";
  EXPECT_EQ(std::string(getPlatformInfo(key).text()), info("LOCALE"));
  EXPECT_STREQ(key.text(), "LOCALE") << "the caller's variable holds the upper-case key";
}

TEST(PlatformInfo, GlExtensionWithoutContextIsZero) {
  if (platform::hasGlContext()) GTEST_SKIP() << "a context is current in this process";
  StringValue key = "GLEXT:glActiveTextureARB";
  EXPECT_STREQ(getPlatformInfo(key).text(), "0");
  EXPECT_STREQ(key.text(), "GLEXT:GLACTIVETEXTUREARB");
}

// A window with a current GL context, kept for the rest of the process as the runtime keeps
// its own; false when none can be made here.
bool makeGlContextCurrent() {
  static bool made = [] {
    if (!platform::initVideo()) return false;
    platform::WindowHandle window = platform::createWindow("glext", 64, 64, -1);
    if (!window) return false;
    platform::GlContextHandle context = platform::createGlContext(window);
    return context && platform::makeGlContextCurrent(window, context);
  }();
  return made;
}

TEST(PlatformInfo, GlExtensionLooksUpTheNameAsWritten) {
  if (!makeGlContextCurrent()) GTEST_SKIP() << "no OpenGL context";
  EXPECT_EQ(info("GLEXT:glGetString"), "1") << "an OpenGL 1.1 entry point";
  for (const char* name : {"glActiveTextureARB", "GLACTIVETEXTUREARB", "glGetString"}) {
    const char* expected = platform::findGlProcedure(name) ? "1" : "0";
    EXPECT_EQ(info((std::string("gLeXt:") + name).c_str()), expected) << name;
  }
}

int64_t fixedClock() { return 1704618185; }  // 2024-01-07 09:03:05 UTC

using TimeKeys = Environment;

TEST_F(TimeKeys, LocalAndUniversalTimeOnAFixedClock) {
  setPlatformClock(fixedClock);
  set("TZ", "UTC0");
  EXPECT_EQ(info("TIME"), "2024-01-07 09:03:05");
  EXPECT_EQ(info("UTCTIME"), "2024-01-07 09:03:05");
  set("TZ", "XYZ-2");  // two hours east of Greenwich
  EXPECT_EQ(info("time"), "2024-01-07 11:03:05");
  EXPECT_EQ(info("utctime"), "2024-01-07 09:03:05");
  set("TZ", "XYZ10");
  EXPECT_EQ(info("TIME"), "2024-01-06 23:03:05") << "the day before, in local time";
  setPlatformClock(nullptr);
  std::string now = info("UTCTIME");
  EXPECT_EQ(now.size(), 19u);
  EXPECT_EQ(now.substr(4, 1) + now.substr(7, 1) + now.substr(10, 1) + now.substr(13, 1) + now.substr(16, 1),
            "-- ::");
}

TEST(PlatformInfo, MachineIdIsTheMaskedSerialLowByteFirst) {
  uint32_t serial = 0;
  if (!platform::rootVolumeSerial(&serial)) serial = 0xFA17ED;
  uint32_t id = serial ^ 0x6D2E417Bu;
  char expected[9];
  std::snprintf(expected, sizeof expected, "%02X%02X%02X%02X", id & 0xff, (id >> 8) & 0xff,
                (id >> 16) & 0xff, id >> 24);
  std::string machine = info("ID");
  EXPECT_EQ(machine, expected);
  ASSERT_EQ(machine.size(), 8u);
  for (char c : machine) EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(c)) && !std::islower(c)) << machine;
}

TEST(PlatformInfo, BatteryIsAPercentageAndOneHundredWithoutBattery) {
  std::string battery = info("BATTERY");
  ASSERT_FALSE(battery.empty());
  EXPECT_EQ(battery.find_first_not_of("0123456789"), std::string::npos) << battery;
  EXPECT_LE(std::stoi(battery), 100);

  TemporaryFolder supplies;
  EXPECT_EQ(platform::batteryCapacity(supplies.file("missing").c_str()), -1);
  EXPECT_EQ(platform::batteryCapacity(supplies.path().c_str()), -1);
  auto supply = [&](const std::string& name, const char* type, const char* capacity) {
    fs::create_directory(supplies.file(name));
    writeWholeFile(supplies.file(name + "/type"), type);
    if (capacity) writeWholeFile(supplies.file(name + "/capacity"), capacity);
  };
  supply("AC", "Mains\n", nullptr);
  EXPECT_EQ(platform::batteryCapacity(supplies.path().c_str()), -1) << "mains is no battery";
  supply("BAT1", "Battery\n", "40\n");
  supply("BAT0", "Battery\n", "57\n");
  EXPECT_EQ(platform::batteryCapacity(supplies.path().c_str()), 57) << "the first battery by name";
  writeWholeFile(supplies.file("BAT0/capacity"), "150\n");
  EXPECT_EQ(platform::batteryCapacity(supplies.path().c_str()), 100);
  writeWholeFile(supplies.file("BAT0/capacity"), "full\n");
  EXPECT_EQ(platform::batteryCapacity(supplies.path().c_str()), 40) << "an unreadable one is passed over";
}

StringValue stamp() { return StringValue("Oct  8 2012-11:44:04"); }
StringValue host() { return StringValue("ec2bb9fd"); }
StringValue version() { return StringValue("000.001"); }

TEST(PlatformInfo, BuildStringsComeFromTheApplication) {
  BuildStrings saved = buildStrings();
  buildStrings() = {nullptr, nullptr, nullptr};
  EXPECT_EQ(info("COMPILED"), "NO_DATA");
  buildStrings() = {stamp, host, version};
  EXPECT_EQ(info("COMPILED"), "Oct  8 2012-11:44:04");
  EXPECT_EQ(info("hostid"), "ec2bb9fd");
  EXPECT_EQ(info("Version"), "000.001");
  buildStrings() = saved;
}

TEST(LanguageId, LocaleNamesBecomeWindowsIdentifiers) {
  EXPECT_EQ(languageIdForLocale("de_AT"), 0x0C07);
  EXPECT_EQ(languageIdForLocale("de_AT.UTF-8"), 0x0C07);
  EXPECT_EQ(languageIdForLocale("de_BE.UTF-8"), 0x0407) << "an unknown territory takes the main id";
  EXPECT_EQ(languageIdForLocale("sr_RS@latin"), 0x081A);
  EXPECT_EQ(languageIdForLocale("sr_RS"), 0x0C1A);
  EXPECT_EQ(languageIdForLocale(""), 0x0409);
  EXPECT_EQ(languageIdForLocale("C.UTF-8"), 0x0409);
  EXPECT_EQ(languageIdForLocale("eo"), 0) << "a language without a Windows identifier";
}

using Locale = Environment;

TEST_F(Locale, TableOfLocaleNames) {
  struct Case {
    const char* locale;
    const char* code;
  };
  const Case cases[] = {
      {"de_AT.UTF-8", "de"}, {"de_DE", "de"},     {"en_US.UTF-8", "uk"}, {"en_GB.UTF-8", "us"},
      {"en_AU", "us"},       {"uk_UA", "uk"},     {"zh_TW", "ch"},       {"zh_CN.GB2312", "ch"},
      {"zh_HK", "zh"},       {"zh_SG", "zh"},     {"el_GR", "gr"},       {"sr_RS@latin", "sr"},
      {"hr_HR", "hr"},       {"bn_IN", "be"},     {"be_BY", "be"},       {"ka_GE", "ka"},
      {"kn_IN", "ka"},       {"kok_IN", "kn"},    {"ml_IN", "ma"},       {"mr_IN", "ma"},
      {"ja_JP", "jp"},       {"id_ID", "in"},     {"pt_PT", "pt"},       {"pt_BR", "pt"},
      {"nn_NO", "no"},       {"nb_NO", "no"},     {"sv_FI", "sv"},       {"uz_UZ@cyrillic", "uz"},
      {"ar_QA", "ar"},       {"ar_EG", "ar"},     {"es_ES", "es"},       {"es_US", "us"},
      {"fr_CA", "fr"},       {"mn_MN", "mo"},     {"dv_MV", "di"},       {"syr", "sy"},
      {"C", "uk"},           {"POSIX", "uk"},     {"eo", "us"},          {"xx_YY", "us"},
  };
  set("LC_MESSAGES", "");
  set("LANG", "");
  for (const Case& c : cases) {
    set("LC_ALL", c.locale);
    EXPECT_EQ(info("LOCALE"), c.code) << c.locale;
  }
  set("LC_ALL", "");
  EXPECT_EQ(info("LOCALE"), "uk") << "no locale at all is US English";
  set("LANG", "de_DE.UTF-8");
  set("LC_MESSAGES", "fr_FR.UTF-8");
  EXPECT_EQ(info("LOCALE"), "fr") << "LC_MESSAGES comes before LANG";
  set("LC_ALL", "it_IT");
  EXPECT_EQ(info("LOCALE"), "it") << "LC_ALL comes first";
}

using Folders = Environment;

TEST_F(Folders, ApplicationDataIsMadeOnceAndStaysTheSame) {
  TemporaryFolder home;
  set("HOME", home.path());
  set("XDG_DATA_HOME", home.file("data/deeper"));
  std::string first = info("APPDATA");
  EXPECT_EQ(first, home.file("data/deeper/Vantrel"));
  EXPECT_TRUE(fs::is_directory(first)) << "made with the folders above it";
  writeWholeFile(first + "/kept.txt", "x");
  EXPECT_EQ(info("APPDATA"), first);
  EXPECT_TRUE(test::fileExists(first + "/kept.txt")) << "an existing folder is left as it is";

  set("XDG_DATA_HOME", "relative/ignored");
  EXPECT_EQ(info("APPDATA"), home.file(".local/share/Vantrel"));
  EXPECT_TRUE(fs::is_directory(home.file(".local/share/Vantrel")));
  set("XDG_DATA_HOME", "");
  set("HOME", "");
  EXPECT_EQ(info("APPDATA"), "NO_DATA");
}

TEST_F(Folders, DocumentsFromTheUserDirsFileElseHome) {
  TemporaryFolder home;
  set("HOME", home.path() + "/");
  set("XDG_CONFIG_HOME", home.file("config"));
  EXPECT_EQ(info("DOCUMENTS"), home.file("Documents"));
  fs::create_directory(home.file("config"));
  writeWholeFile(home.file("config/user-dirs.dirs"),
                 "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                 "XDG_DOCUMENTS_DIR=\"$HOME/Papers/\"\n");
  EXPECT_EQ(info("DOCUMENTS"), home.file("Papers")) << "no trailing separator";
  writeWholeFile(home.file("config/user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"/srv/docs\"\n");
  EXPECT_EQ(info("DOCUMENTS"), "/srv/docs");
  set("HOME", "");
  set("XDG_CONFIG_HOME", "");
  EXPECT_EQ(info("DOCUMENTS"), "NO_DATA");
}

TEST(UserDirs, MalformedLinesGiveNothing) {
  EXPECT_EQ(platform::userDirectoryFromText("XDG_DOCUMENTS_DIR=\"$HOME/D\"", "XDG_DOCUMENTS_DIR", "/h"), "/h/D");
  EXPECT_EQ(platform::userDirectoryFromText("XDG_DOCUMENTS_DIR=\"$HOME/D", "XDG_DOCUMENTS_DIR", "/h"), "");
  EXPECT_EQ(platform::userDirectoryFromText("XDG_DOCUMENTS_DIR=relative", "XDG_DOCUMENTS_DIR", "/h"), "");
  EXPECT_EQ(platform::userDirectoryFromText("XDG_DOCUMENTS_DIR=\"$HOMEX/D\"", "XDG_DOCUMENTS_DIR", "/h"), "");
  EXPECT_EQ(platform::userDirectoryFromText("#XDG_DOCUMENTS_DIR=\"/a\"", "XDG_DOCUMENTS_DIR", "/h"), "");
  EXPECT_EQ(platform::userDirectoryFromText("XDG_DOCUMENTS_DIR=\"$HOME\"", "XDG_DOCUMENTS_DIR", ""), "");
}

using TempKey = Environment;

TEST_F(TempKey, TemporaryFolderEndsInSlash) {
  set("TMPDIR", "/var/tmp");
  EXPECT_EQ(info("TEMP"), "/var/tmp/");
  set("TMPDIR", "");
  EXPECT_EQ(info("TEMP"), "/tmp/");
}

}  // namespace
}  // namespace vantrel
