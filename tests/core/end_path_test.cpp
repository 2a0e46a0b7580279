// The END path seen from outside: a program run as a child process.
#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using namespace vantrel::test;

namespace {

struct ScenarioRun {
  ProcessResult result;
  std::string log;
};

ScenarioRun runScenario(const std::string& scenario) {
  TemporaryFolder tmp;
  ScenarioRun run;
  run.result = runProcess({testProgramPath("end_path_program"), scenario}, tmp.path(),
                          {"TMPDIR=" + tmp.path(), "SDL_VIDEODRIVER=offscreen"});
  run.log = readWholeFile(tmp.file("ErrorLog.txt"));
  return run;
}

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

TEST(EndPath, NormalReturnExitsWithZeroAndPrintsExitLast) {
  ScenarioRun run = runScenario("normal");
  EXPECT_EQ(run.result.exitCode, 0);
  EXPECT_EQ(run.result.standardOutput, "main 0000 success\nmain returns\nquit 1 code 0\nexit\n");
  EXPECT_EQ(run.log.find("-End On Line"), std::string::npos);
  EXPECT_NE(run.log.find("Start new log...\n"), std::string::npos);
  EXPECT_TRUE(endsWith(run.log, "Shut down QZR\nqzr is shut down\n")) << run.log;
}

TEST(EndPath, OutOfBoundsOnATextArrayReportsOnce) {
  ScenarioRun run = runScenario("text-bounds");
  EXPECT_EQ(run.result.exitCode, 0);
  EXPECT_EQ(run.result.standardError, "bounds: [   5]\naccess: [   7]\n");
  EXPECT_EQ(run.result.standardOutput, "main 0000 success\nquit 1 code 9\nexit\n");
  EXPECT_EQ(run.log.find("-End On Line"), std::string::npos);
}

TEST(EndPath, OutOfBoundsOnANumericArrayReportsThreeTimes) {
  ScenarioRun run = runScenario("numeric-bounds");
  std::string once = "bounds: [   5]\naccess: [   5]\n";
  EXPECT_EQ(run.result.standardError, once + once + once);
  EXPECT_EQ(run.result.standardOutput, "main 0000 success\nquit 1 code 9\nexit\n");

  ScenarioRun twoDim = runScenario("two-dim-bounds");
  std::string line = "bounds: [   3][   2]\naccess: [   1][   2]\n";
  EXPECT_EQ(twoDim.result.standardError, line + line + line);
}

TEST(EndPath, DebugModeWritesTheEndTraceBeforeTheShutdownLines) {
  ScenarioRun run = runScenario("debug-bounds");
  EXPECT_EQ(run.result.exitCode, 0);
  std::size_t trace = run.log.find("-End On Line\n9\n16\n17\n2\n");
  ASSERT_NE(trace, std::string::npos) << run.log;
  EXPECT_LT(trace, run.log.find("Shut down QZR"));
}

TEST(EndPath, OtherFatalCodes) {
  struct Case { const char* scenario; const char* output; };
  const Case cases[] = {
      {"push-multi", "main 0000 success\nquit 1 code 8\nexit\n"},
      {"assert", "main 0000 success\nassert 1 passed\nquit 1 code 21\nexit\n"},
      {"end", "main 0000 success\nquit 1 code 0\nexit\n"},
  };
  for (const Case& c : cases) {
    ScenarioRun run = runScenario(c.scenario);
    EXPECT_EQ(run.result.exitCode, 0) << c.scenario;
    EXPECT_EQ(run.result.standardOutput, c.output) << c.scenario;
  }
}

TEST(EndPath, QuitCallbackRunsOnceEvenWhenItEndsAgain) {
  ScenarioRun nested = runScenario("nested-end");
  EXPECT_EQ(nested.result.exitCode, 0);
  EXPECT_EQ(nested.result.standardOutput, "main 0000 success\nmain returns\nquit 1 code 0\nexit\n");
  EXPECT_TRUE(endsWith(nested.log, "qzr is shut down\n"));

  // A fatal failure inside the quit callback cannot continue the callback; the process still
  // leaves with code 0 and "exit".
  ScenarioRun fatal = runScenario("fatal-in-quit");
  EXPECT_EQ(fatal.result.exitCode, 0);
  EXPECT_EQ(fatal.result.standardOutput, "main 0000 success\nmain returns\nquit 1 code 0\nexit\n");
}

TEST(EndPath, CallByNameFromTheProgram) {
  ScenarioRun run = runScenario("call-by-name");
  EXPECT_NE(run.result.standardOutput.find("fillZero 1 missing 0\n"), std::string::npos);
  // The failure line goes to an attached debugger only.
  EXPECT_EQ(run.result.standardError.find("CALLBYNAME"), std::string::npos);
}
