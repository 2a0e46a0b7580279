// Calls by name, the pause callbacks and declared library functions.
#include "core/named_functions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "tests/support/test_support.h"

using namespace vantrel;

namespace {

std::vector<std::string> calls;
std::vector<std::string> debugLines;

int onPause() { calls.push_back("pause"); return 0; }
int onResume() { calls.push_back("resume"); return 0; }
int other() { calls.push_back("other"); return 0; }

const NamedFunction table[] = {
    {onPause, "QZR_ON_PAUSE"}, {onResume, "QZR_ON_RESUME"}, {other, "other"}, {nullptr, nullptr}};

class NamedFunctions : public ::testing::Test {
 protected:
  void SetUp() override {
    calls.clear();
    debugLines.clear();
    setNamedFunctionTable(table);
    setDebugOutputSink([](const char* text) { debugLines.emplace_back(text); });
    setAutoPause(1);
    setPaused(0);
    calls.clear();
  }
  void TearDown() override { setDebugOutputSink(nullptr); }
};

}  // namespace

TEST_F(NamedFunctions, CallsByExactName) {
  EXPECT_EQ(callByName("other"), 1);
  EXPECT_EQ(callByName("OTHER"), 0);
  EXPECT_EQ(lookupFunction("other"), &other);
  EXPECT_EQ(lookupFunction("missing"), nullptr);
  EXPECT_EQ(calls, std::vector<std::string>{"other"});
  ASSERT_EQ(debugLines.size(), 1u);
  EXPECT_EQ(debugLines[0], "TXCALLBYNAME \"OTHER\" *** failed ***\n");
}

TEST_F(NamedFunctions, ReservedCallbacksFailSilently) {
  setNamedFunctionTable(nullptr);
  EXPECT_EQ(callByName("QZR_ON_QUIT"), 0);
  EXPECT_EQ(callByName("QZR_WIN32_MSG"), 0);
  EXPECT_TRUE(debugLines.empty());
  EXPECT_EQ(callByName("QZR_ON_PAUSE"), 0);
  EXPECT_EQ(debugLines.size(), 1u);
}

TEST_F(NamedFunctions, PauseAndResumeAreCalledOncePerChange) {
  setPaused(1);
  setPaused(1);
  EXPECT_TRUE(isPaused());
  setPaused(0);
  setPaused(0);
  EXPECT_EQ(calls, (std::vector<std::string>{"pause", "resume"}));
}

TEST_F(NamedFunctions, AutoPauseOffKeepsTheProgramRunning) {
  setAutoPause(0);
  setPaused(1);
  EXPECT_FALSE(isPaused());
  EXPECT_TRUE(calls.empty());
  setAutoPause(1);
  setPaused(1);
  setAutoPause(0);  // switching pausing off while paused resumes
  EXPECT_FALSE(isPaused());
  EXPECT_EQ(calls, (std::vector<std::string>{"pause", "resume"}));
}

TEST_F(NamedFunctions, DeclaredFunctionsBindOnceAndReportWhatIsMissing) {
  test::TemporaryFolder tmp;
  setenv("TMPDIR", tmp.path().c_str(), 1);
  void* cosine = reinterpret_cast<void*>(1);
  void* cosineAgain = nullptr;
  void* missingEntry = nullptr;
  void* missingModule = reinterpret_cast<void*>(1);
  declareFunction("libm.so.6", "cos", &cosine);
  EXPECT_EQ(cosine, nullptr);  // declaring clears the slot
  declareFunction("LIBM.so.6", "cos", &cosineAgain);
  declareFunction("libm.so.6", "no_such_entry", &missingEntry);
  declareFunction("NoSuchLib.so", "f", &missingModule);
  bindDeclarations();
  EXPECT_NE(cosine, nullptr);
  EXPECT_EQ(cosineAgain, cosine);
  EXPECT_EQ(missingEntry, nullptr);
  EXPECT_EQ(missingModule, nullptr);
  std::string log = test::readWholeFile(tmp.file("ErrorLog.txt"));
  EXPECT_EQ(log, "Delay load DLLs\nDECLARE entry not found: no_such_entry\nDECLARE module not found: nosuchlib.so\n");
  // Nothing pending: no log line at all.
  bindDeclarations();
  EXPECT_EQ(test::readWholeFile(tmp.file("ErrorLog.txt")), log);
  unsetenv("TMPDIR");
}
