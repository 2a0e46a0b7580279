// Full-disk tests: the parent runs one test of its own program again inside a private small
// tmpfs, where that child side fills the disk and checks that nothing is lost.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace vantrel::test {

// Runs childTest on a small private tmpfs and expects it to pass; skips where no such mount
// can be made here.
inline void expectPassesOnSmallTmpfs(const std::string& childTest) {
  TemporaryFolder folder;
  bool mounted = false;
  ProcessResult child = runTestOnSmallTmpfs(folder.path(), childTest, &mounted);
  if (!mounted) GTEST_SKIP() << "no private tmpfs can be mounted here: " << child.standardError;
  EXPECT_EQ(child.exitCode, 0) << child.standardOutput;
  EXPECT_NE(child.standardOutput.find("[  PASSED  ] 1 test"), std::string::npos) << child.standardOutput;
}

}  // namespace vantrel::test
