// The end keys on a real X window: Xvfb on a display number it picks itself, the probe program
// presenting frames, and xdotool pressing keys. Every wait is bounded; no sleeps.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace vantrel {
namespace {

class RealWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    xdotool = test::findProgram("xdotool");
    timeoutTool = test::findProgram("timeout");
    if (test::findProgram("Xvfb").empty() || xdotool.empty() || timeoutTool.empty())
      GTEST_SKIP() << "Xvfb, xdotool or timeout missing";
    server = std::make_unique<test::VirtualDisplay>("1024x768x24");
    ASSERT_FALSE(server->variable().empty()) << "Xvfb did not start";
    display = server->variable();
  }
  void TearDown() override {
    probe.reset();
    server.reset();
  }
  test::ProcessResult xdo(const std::vector<std::string>& arguments) {
    std::vector<std::string> command = {timeoutTool, "20", xdotool};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return test::runProcess(command, "", {display});
  }
  // Starts the probe, waits for its first frame and gives its window the keyboard focus.
  void startProbe(const std::string& mode) {
    test::TemporaryFolder* temporary = &logs;
    probe = std::make_unique<test::LineReadingChild>(
        std::vector<std::string>{test::testProgramPath("window_probe"), "keys", mode},
        std::vector<std::string>{display, "SDL_VIDEODRIVER=x11", "TMPDIR=" + temporary->path()});
    ASSERT_TRUE(probe->started());
    ASSERT_TRUE(probe->waitForLine("presenting")) << "the probe never presented a frame";
    test::ProcessResult search = xdo({"search", "--sync", "--onlyvisible", "--name", "^Window probe$"});
    ASSERT_EQ(search.exitCode, 0) << "window not found";
    std::string window = search.standardOutput.substr(0, search.standardOutput.find('\n'));
    ASSERT_EQ(xdo({"windowfocus", "--sync", window}).exitCode, 0);
  }

  std::unique_ptr<test::VirtualDisplay> server;
  std::unique_ptr<test::LineReadingChild> probe;
  std::string xdotool, timeoutTool, display;
  test::TemporaryFolder logs;
};

TEST_F(RealWindow, EscapeEndsTheProgram) {
  startProbe("esc");
  ASSERT_EQ(xdo({"keydown", "Escape"}).exitCode, 0);
  EXPECT_EQ(probe->waitForExit(), 0);
  EXPECT_NE(test::readWholeFile(logs.file("ErrorLog.txt")).find("qzr is shut down\n"), std::string::npos);
}

TEST_F(RealWindow, WithoutEscapeHandlingOnlyAltF4Ends) {
  startProbe("noesc");
  ASSERT_EQ(xdo({"keydown", "Escape"}).exitCode, 0);
  ASSERT_TRUE(probe->waitForLine("escape seen")) << "Escape was not seen or ended the program";
  ASSERT_TRUE(probe->waitForLine("still running"));
  ASSERT_EQ(xdo({"keydown", "alt+F4"}).exitCode, 0);
  EXPECT_EQ(probe->waitForExit(), 0);
}

}  // namespace
}  // namespace vantrel
