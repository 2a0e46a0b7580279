// Start-up and end seen from outside: the log lines in their order, the offscreen choice
// without a display, a program without any window, and a close request ending the program.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "window/engine.h"

namespace vantrel {
namespace {

struct ProbeRun {
  test::ProcessResult process;
  std::vector<std::string> log;
};

ProbeRun runProbe(const std::vector<std::string>& arguments, std::vector<std::string> environment = {}) {
  test::TemporaryFolder temporary;
  environment.push_back("TMPDIR=" + temporary.path());
  std::vector<std::string> command = {test::testProgramPath("window_probe")};
  command.insert(command.end(), arguments.begin(), arguments.end());
  ProbeRun run;
  run.process = test::runProcess(command, temporary.path(), environment);
  std::istringstream lines(test::readWholeFile(temporary.file("ErrorLog.txt")));
  for (std::string line; std::getline(lines, line);) run.log.push_back(line);
  return run;
}

std::string folderOf(const std::string& path) { return path.substr(0, path.find_last_of('/')); }

// Each expected line appears in the log, in this order (other subsystems may add theirs).
void expectInOrder(const std::vector<std::string>& log, const std::vector<std::string>& expected) {
  std::size_t at = 0;
  for (const std::string& line : expected) {
    while (at < log.size() && log[at] != line) ++at;
    ASSERT_LT(at, log.size()) << "missing or out of order: \"" << line << "\"";
    ++at;
  }
}

TEST(Startup, LogLinesComeInTheirOrder) {
  ProbeRun run = runProbe({"driver"});
  ASSERT_EQ(run.process.exitCode, 0) << run.process.standardError;
  ASSERT_NE(run.process.standardOutput.find("window"), std::string::npos) << run.process.standardOutput;
  ASSERT_FALSE(run.log.empty());
  EXPECT_EQ(run.log.front(), "Start new log...");
  EXPECT_EQ(run.log.back(), "qzr is shut down");
  std::vector<std::string> expected = {"Start new log...", "timer", "rbow", "rbow init", "WIN32 init video"};
  const std::string& output = run.process.standardOutput;
  std::size_t renderer = output.find("renderer ");
  ASSERT_NE(renderer, std::string::npos);
  std::string rendererName = output.substr(renderer + 9, output.find('\n', renderer) - renderer - 9);
  bool software = isSoftwareRendererName(rendererName.c_str());
  if (software) expected.push_back("*** OpenGL Software Emulation - update driver!");
  for (const char* line : {"get accurate timer - 1st call", "flip - 1st call", "BGRA ext supported"}) {
    expected.push_back(line);
  }
  expectInOrder(run.log, expected);
  std::size_t texture = 0;
  while (texture < run.log.size() && run.log[texture].rfind("Texture size limit: ", 0) != 0) ++texture;
  ASSERT_LT(texture, run.log.size());
  EXPECT_GT(std::stoi(run.log[texture].substr(20)), 0);
  expectInOrder(std::vector<std::string>(run.log.begin() + texture, run.log.end()),
                {"init fbo", "2D VP", "OGRB init [OK]", "Cptn", "Network", "Input", "Window mode", "Create DXin",
                 "reptr", "getexe", "cd", "exepath=curdir= " + folderOf(test::testProgramPath("window_probe")),
                 "Init Finalized", "Shut down QZR", "qzr is shut down"});
  // The software line comes only from a software renderer, and once.
  int softwareLines = 0;
  for (const std::string& line : run.log) softwareLines += line.rfind("*** OpenGL Software", 0) == 0;
  EXPECT_EQ(softwareLines, software ? 1 : 0) << "renderer " << rendererName;
}

TEST(Startup, WithoutADisplayTheOffscreenDriverIsUsed) {
  ProbeRun run = runProbe({"driver"}, {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER="});
  ASSERT_EQ(run.process.exitCode, 0) << run.process.standardError;
  EXPECT_NE(run.process.standardOutput.find("driver offscreen window"), std::string::npos)
      << run.process.standardOutput;
}

TEST(Startup, WithoutAnyWindowStartUpStopsAndEveryCommandIsHarmless) {
  ProbeRun run = runProbe({"nowindow"}, {"SDL_VIDEODRIVER=no-such-driver"});
  ASSERT_EQ(run.process.exitCode, 0) << run.process.standardError;
  EXPECT_NE(run.process.standardOutput.find("survived without window fullscreen 0\n"), std::string::npos)
      << run.process.standardOutput;
  EXPECT_NE(run.process.standardOutput.find("exit\n"), std::string::npos);
  EXPECT_EQ(run.log, (std::vector<std::string>{"Start new log...", "timer", "rbow", "rbow init", "Shut down QZR",
                                               "qzr is shut down"}));
}

TEST(Startup, CloseRequestEndsTheProgramWithCodeZero) {
  for (const char* scenario : {"close-quit", "close-window"}) {
    ProbeRun run = runProbe({scenario});
    EXPECT_EQ(run.process.exitCode, 0) << scenario;
    EXPECT_EQ(run.process.standardOutput.find("not reached"), std::string::npos) << scenario;
    EXPECT_NE(run.process.standardOutput.find("exit\n"), std::string::npos) << scenario;
    ASSERT_FALSE(run.log.empty());
    EXPECT_EQ(run.log.back(), "qzr is shut down") << scenario;
  }
}

}  // namespace
}  // namespace vantrel
