// Windowed centring, screen-mode changes with zeros, the full-screen failure path, and the
// file-name dialog through a stand-in zenity on PATH.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "core/project_settings.h"
#include "platform/files.h"
#include "tests/support/test_support.h"
#include "tests/window/window_fixture.h"
#include "window/display_modes.h"
#include "window/frame_loop.h"
#include "window/engine.h"

namespace vantrel {
namespace {

TEST(DisplayModes, WindowIsCentredInTheUsableArea) {
  const struct {
    int x, y, width, height, drawWidth, drawHeight, expectedX, expectedY;
  } cases[] = {
      {0, 0, 1280, 1024, 640, 480, 320, 272},
      {0, 0, 1279, 1023, 640, 480, 319, 271},
      {0, 0, 601, 401, 640, 480, -19, -39},  // larger than the area: rounded toward zero
      {1920, 24, 1920, 1056, 640, 480, 2560, 312},
  };
  for (const auto& c : cases) {
    ScreenPosition position = centredWindowPosition(c.x, c.y, c.width, c.height, c.drawWidth, c.drawHeight);
    EXPECT_EQ(position.x, c.expectedX) << c.width << "x" << c.height << " at " << c.x << "," << c.y;
    EXPECT_EQ(position.y, c.expectedY) << c.width << "x" << c.height << " at " << c.x << "," << c.y;
  }
}

TEST(DisplayModes, ZerosKeepTheCurrentValues) {
  REQUIRE_WINDOW(e, 64, 48);
  int bits = e->colourBits;
  EXPECT_TRUE(changeScreenMode(e, 0, 0, 0, 0));
  EXPECT_EQ(e->screenWidth, 64);
  EXPECT_EQ(e->screenHeight, 48);
  EXPECT_EQ(e->colourBits, bits);
  EXPECT_EQ(e->fullScreen, 0);
  EXPECT_TRUE(changeScreenMode(e, 80, 0, 0, 0));
  EXPECT_EQ(e->screenWidth, 80);
  EXPECT_EQ(e->screenHeight, 48);
  EXPECT_EQ(e->viewportWidth, 80) << "the viewport follows the new size";
  changeScreenMode(e, 64, 48, 0, 0);
}

TEST(DisplayModes, MissingFullScreenModeFallsBackToAWindow) {
  REQUIRE_WINDOW(e, 64, 48);
  std::string logPath = test::WindowEnvironment::logFolder().file("ErrorLog.txt");
  test::writeWholeFile(logPath, "");
  // No display offers a 333 x 222 mode.
  EXPECT_FALSE(changeScreenMode(e, 333, 222, 0, 1));
  EXPECT_EQ(e->fullScreen, 0);
  EXPECT_EQ(isFullScreen(), 0);
  EXPECT_EQ(test::readWholeFile(logPath), "No Fullscreen Mode available\n");
  EXPECT_EQ(e->screenWidth, 333) << "the program goes on in a window of the requested size";
  changeScreenMode(e, 64, 48, 0, 0);
}

class FileDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* path = std::getenv("PATH");
    savedPath = path ? path : "";
    setenv("PATH", (bin.path() + ":" + savedPath).c_str(), 1);
    // The stand-in records its arguments, prints the prepared answer and exits with the
    // prepared status.
    std::string script = "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + bin.file("args") +
                         "'\ncat '" + bin.file("answer") + "'\nexit $(cat '" +
                         bin.file("status") + "')\n";
    test::writeWholeFile(bin.file("zenity"), script);
    chmod(bin.file("zenity").c_str(), 0755);
  }
  void TearDown() override { setenv("PATH", savedPath.c_str(), 1); }
  void answer(const std::string& output, int status) {
    test::writeWholeFile(bin.file("answer"), output);
    test::writeWholeFile(bin.file("status"), std::to_string(status));
  }
  std::string arguments() { return test::readWholeFile(bin.file("args")); }

  test::TemporaryFolder bin;
  std::string savedPath;
};

TEST_F(FileDialog, ChosenPathComesBackWithForwardSlashes) {
  answer("C:\\data\\level 1.map\n", 0);
  std::string before = platform::currentFolder();
  EXPECT_STREQ(requestFileName(StringValue("Maps|*.map"), 1).text(), "C:/data/level 1.map");
  EXPECT_EQ(platform::currentFolder(), before);
  EXPECT_EQ(arguments(), "--file-selection\n--filename=" + before + "/\n--file-filter=Maps | *.map\n");
}

TEST_F(FileDialog, CancelOrNothingChosenGivesNoFile) {
  answer("", 1);
  EXPECT_STREQ(requestFileName(StringValue("All|*.*"), 1).text(), "NO_FILE");
  answer("\n", 0);
  EXPECT_STREQ(requestFileName(StringValue("All|*.*"), 1).text(), "NO_FILE");
}

TEST_F(FileDialog, TwoFilterPairsAndTheSaveDialog) {
  answer("/tmp/out.png\n", 0);
  EXPECT_STREQ(requestFileName(StringValue("Images|*.png;*.bmp|Text|*.txt"), 0).text(), "/tmp/out.png");
  std::string args = arguments();
  EXPECT_NE(args.find("--save\n"), std::string::npos);
  EXPECT_NE(args.find("--file-filter=Images | *.png *.bmp\n--file-filter=Text | *.txt\n"), std::string::npos) << args;
}

TEST(FileDialogMissing, NoZenityGivesNoFile) {
  const char* path = std::getenv("PATH");
  std::string saved = path ? path : "";
  test::TemporaryFolder empty;
  setenv("PATH", empty.path().c_str(), 1);
  EXPECT_STREQ(requestFileName(StringValue("All|*.*"), 1).text(), "NO_FILE");
  setenv("PATH", saved.c_str(), 1);
}

}  // namespace
}  // namespace vantrel
