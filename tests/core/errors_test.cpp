// The error state, its texts and the runtime log.
#include "core/errors.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/test_support.h"

using namespace vantrel;

TEST(Errors, TextsAndRecording) {
  clearError();
  EXPECT_STREQ(getErrorText().text(), "0000 success");
  setSourcePosition(1, 12);
  raiseError(ERR_NO_SUCH_FILE);
  EXPECT_EQ(errorState().errorLine, 12);
  EXPECT_STREQ(getErrorText().text(), "0003 no such file");
  struct Case { int code; const char* text; };
  const Case cases[] = {{7, "0007 out of memory"}, {8, "0008 unknown error"}, {9, "0009 out of bounds"},
                        {20, "0020 out of data"},  {21, "0021 unknown error"}, {12345, "12345 unknown error"}};
  for (const Case& c : cases) {
    raiseError(c.code);
    EXPECT_STREQ(getErrorText().text(), c.text);
  }
  clearError();
  EXPECT_EQ(errorState().errorCode, 0);
  EXPECT_EQ(errorState().errorLine, 12);  // clearing keeps the line
}

TEST(Errors, LogAppendsTextUnchangedAndNullAsNULL) {
  test::TemporaryFolder tmp;
  setenv("TMPDIR", tmp.path().c_str(), 1);
  appendToLog("first\n");
  appendToLog("");
  appendToLog(nullptr);
  appendToLog("\nlast");
  EXPECT_EQ(test::readWholeFile(tmp.file("ErrorLog.txt")), "first\nNULL\nlast");
  EXPECT_STREQ(runtimeLogPath().text(), (tmp.path() + "/ErrorLog.txt").c_str());
  unsetenv("TMPDIR");
}

TEST(Errors, LogFailureIsSilent) {
  test::TemporaryFolder tmp;
  std::string missing = tmp.path() + "/no/such/folder";
  setenv("TMPDIR", missing.c_str(), 1);
  appendToLog("lost\n");
  EXPECT_FALSE(test::fileExists(missing));
  unsetenv("TMPDIR");
}

TEST(Errors, DebugOutputGoesToTheSinkWithItsPrefix) {
  static std::string captured;
  captured.clear();
  setDebugOutputSink([](const char* text) { captured += text; });
  debugOutput("hello\n");
  setDebugOutputSink(nullptr);
  EXPECT_EQ(captured, "TXhello\n");
}
