// A small program on the runtime: splits its command line and prints the words it got.
#include "vantrel.h"

namespace vantrel::application {

void applyProjectSettings() {
  ProjectSettings& settings = projectSettings();
  settings.screenWidth = 640;
  settings.screenHeight = 480;
  settings.framesPerSecond = 60;
  windowTitle() = "Hello";
}

int applicationMain() {
  TextArray words;
  int count = splitString(getCommandLine(), words, " ", 1);
  printOutput((StringValue("words: ") + count + "\n").text());
  for (int i = 0; i < count; ++i) printOutput((element(words, i) + "\n").text());
  return 0;
}

const NamedFunction namedFunctions[] = {{nullptr, nullptr}};
StringValue buildStamp() { return StringValue(__DATE__ "-" __TIME__); }
StringValue buildIdentifier() { return StringValue("hello"); }
StringValue buildVersion() { return StringValue("000.001"); }

}  // namespace vantrel::application
