// Start-up builds the built-in font into slot 0 and then loads the first default font file
// found next to the program: shown by a program run from a folder of its own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "tests/gfx2d/image_fixtures.h"
#include "tests/support/test_support.h"

namespace vantrel {
namespace {

// Copies the report program into folder and runs it there (it makes its own folder the
// current one, where the default font is looked for).
std::string runReport(const test::TemporaryFolder& folder) {
  const std::string program = folder.file("font_report");
  test::ProcessResult copy = test::runProcess({"/bin/cp", test::testProgramPath("font_report"), program});
  EXPECT_EQ(copy.exitCode, 0);
  test::ProcessResult run = test::runProcess({program}, folder.path(), {"TMPDIR=" + folder.path()});
  EXPECT_EQ(run.exitCode, 0) << run.standardError;
  return run.standardOutput;
}

TEST(StartupFonts, BuiltinFontWithoutDefaultFontFiles) {
  test::TemporaryFolder folder;
  EXPECT_EQ(runReport(folder), "font 8 8 width 16 current 0\nexit\n");
}

TEST(StartupFonts, FirstDefaultFontFoundIsLoadedIntoSlotZero) {
  test::TemporaryFolder folder;
  ASSERT_TRUE(platform::createFolder(folder.file("Media").c_str()));
  // smalfont.png: 160 x 80, 10 x 10 cells, 'a' with ink in columns 0-2, 'b' empty.
  std::vector<uint8_t> pixels(160 * 80 * 4, 0);
  for (int y = 60; y < 70; ++y) {
    for (int x = 10; x < 13; ++x) {
      for (int c = 0; c < 4; ++c) pixels[(y * 160 + x) * 4 + c] = 255;
    }
  }
  test::writeWholeFile(folder.file("smalfont.png"), test::makeRgbaPng(160, 80, pixels));
  EXPECT_EQ(runReport(folder), "font 10 10 width 14 current 0\nexit\n") << "'a' 3 + 1, 'b' a whole cell";
  // Media/smalfont.bmp comes before smalfont.png.
  test::writeWholeFile(folder.file("Media/smalfont.bmp"),
                       test::makeBitmap(40, 192, 96, 24, {}, std::vector<uint32_t>(192 * 96, 0)));
  EXPECT_EQ(runReport(folder), "font 12 12 width 24 current 0\nexit\n");
}

}  // namespace
}  // namespace vantrel
