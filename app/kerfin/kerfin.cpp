// Kerfin: re-indents a source file of the dialect by the rules in "Kerfin.keys", draws the
// re-indented lines and writes them to "KerfinOut.qsrc".
#include "app/kerfin/reindenter.h"
#include "vantrel.h"

namespace vantrel::application {

void applyProjectSettings() {
  ProjectSettings& settings = projectSettings();
  settings.screenWidth = 640;
  settings.screenHeight = 480;
  settings.framesPerSecond = 60;
  settings.fullScreen = 0;
  settings.windowOption = 0;
  settings.inputOption = 0;
  settings.debugMode = 0;
  windowTitle() = "Kerfin";
}

int applicationMain() {
  kerfin::setUp();
  kerfin::readRules();
  kerfin::readSource();
  kerfin::trimLines();
  const int count = kerfin::lineCount();
  for (int i = 0; i < count; ++i) {
    kerfin::reindentLine(i);
    kerfin::drawLine(i);
  }
  kerfin::writeOutput();
  return 0;
}

const NamedFunction namedFunctions[] = {
    {kerfin::fillLess, "fillLess"}, {kerfin::fillMore, "fillMore"}, {kerfin::fillZero, "fillZero"}, {nullptr, nullptr}};

StringValue buildStamp() { return StringValue("Oct  8 2012") + "-" + "11:44:04"; }
StringValue buildIdentifier() { return StringValue("ec2bb9fd"); }
StringValue buildVersion() { return StringValue("000.001"); }

}  // namespace vantrel::application
