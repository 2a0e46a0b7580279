// A program that reports the current font after start-up: its cell size and the proportional
// width of a text, then prints that text (which needs the window's GL context).
#include <string>

#include "gfx2d/fonts.h"
#include "gfx2d/text_output.h"
#include "vantrel.h"

namespace vantrel::application {

void applyProjectSettings() {
  ProjectSettings& settings = projectSettings();
  settings.screenWidth = 160;
  settings.screenHeight = 120;
  settings.framesPerSecond = 60;
  windowTitle() = "font report";
}

int applicationMain() {
  int width = 0, height = 0;
  getFontSize(width, height);
  printText("report", 0.2, 0.2, 1);
  printOutput(("font " + std::to_string(width) + " " + std::to_string(height) + " width " +
               std::to_string(textWidth("ab", 1)) + " current " + std::to_string(currentFont()) + "\n")
                  .c_str());
  return 0;
}

const NamedFunction namedFunctions[] = {{nullptr, nullptr}};
StringValue buildStamp() { return StringValue("test"); }
StringValue buildIdentifier() { return StringValue("font_report"); }
StringValue buildVersion() { return StringValue("000.001"); }

}  // namespace vantrel::application
