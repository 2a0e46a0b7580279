// The software-renderer check: which renderer names count, and the warning with and without
// "opengldriver.txt" (empty, short, longer than the 2047 bytes shown).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/errors.h"
#include "platform/window.h"
#include "tests/support/test_support.h"
#include "window/engine.h"

namespace vantrel {
namespace {

struct Box {
  std::string caption, text;
};
std::vector<Box> boxes;
void captureBox(const char* caption, const char* text) { boxes.push_back({caption, text}); }

TEST(SoftwareRenderer, NamesOfSoftwareRasterisers) {
  const struct {
    const char* name;
    bool software;
  } cases[] = {{"llvmpipe (LLVM 15.0.6, 256 bits)", true},
               {"softpipe", true},
               {"Software Rasterizer", true},
               {"Mesa Windows GDI Driver", true},
               {"Mesa Windows GDI Driver 2", false},
               {"NVIDIA GeForce RTX 3080/PCIe/SSE2", false},
               {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false},
               {"", false}};
  for (const auto& c : cases) EXPECT_EQ(isSoftwareRendererName(c.name), c.software) << c.name;
  EXPECT_FALSE(isSoftwareRendererName(nullptr));
}

class SoftwareWarning : public ::testing::Test {
 protected:
  void SetUp() override {
    boxes.clear();
    platform::setMessageBoxSink(captureBox);
    const char* tmp = std::getenv("TMPDIR");
    savedTmp = tmp ? tmp : "";
    setenv("TMPDIR", logs.path().c_str(), 1);
    char cwd[4096];
    previous = getcwd(cwd, sizeof cwd) ? cwd : "/";
    ASSERT_EQ(chdir(folder.path().c_str()), 0);
  }
  void TearDown() override {
    platform::setMessageBoxSink(nullptr);
    setenv("TMPDIR", savedTmp.c_str(), 1);
    ASSERT_EQ(chdir(previous.c_str()), 0);
  }
  std::string log() { return test::readWholeFile(logs.file("ErrorLog.txt")); }

  test::TemporaryFolder logs, folder;
  std::string previous, savedTmp;
};

TEST_F(SoftwareWarning, WithoutTheFileOnlyTheLogLine) {
  warnSoftwareRenderer();
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(log(), "*** OpenGL Software Emulation - update driver!\n");
  EXPECT_EQ(softwareRendererDetected(), 1);
}

TEST_F(SoftwareWarning, FileContentsDecideTheText) {
  const std::string builtin =
      "Please update your GFX adapter's driver\nso it can render OpenGL by HARDWARE\n\n\n"
      "Bitte aktualisieren Sie Ihren\nGrafkkartentreiber, damit er OpenGL\nper HARDWARE unterst\xfctzt!";
  std::string longText;
  for (int i = 0; i < 3000; ++i) longText.push_back(static_cast<char>('a' + i % 26));
  const struct {
    std::string contents, shown;
  } cases[] = {{"", builtin}, {"Install the vendor driver.", "Install the vendor driver."},
               {longText, longText.substr(0, 2047)}};
  for (const auto& c : cases) {
    boxes.clear();
    test::writeWholeFile(folder.file("opengldriver.txt"), c.contents);
    warnSoftwareRenderer();
    ASSERT_EQ(boxes.size(), 1u) << "file of " << c.contents.size() << " bytes";
    EXPECT_EQ(boxes[0].caption, "No OpenGL Hardware Drivers");
    EXPECT_EQ(boxes[0].text, c.shown) << "file of " << c.contents.size() << " bytes";
  }
}

TEST_F(SoftwareWarning, SystemBoxFailureIsIgnored) {
  // No sink and (under the offscreen driver or without video) no box can be shown.
  platform::setMessageBoxSink(nullptr);
  test::writeWholeFile(folder.file("opengldriver.txt"), "text");
  if (std::getenv("DISPLAY") && *std::getenv("DISPLAY")) GTEST_SKIP() << "a real box would wait for a click";
  warnSoftwareRenderer();
  EXPECT_NE(log().find("*** OpenGL Software Emulation"), std::string::npos);
}

}  // namespace
}  // namespace vantrel
