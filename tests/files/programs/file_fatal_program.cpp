// A program on the runtime that ends through a fatal file-channel failure chosen by its first
// argument; the second argument is a scratch file it may use.
#include <cstdio>
#include <string>

#include "files/file_channels.h"
#include "vantrel.h"

using namespace vantrel;

namespace {

std::string word(int index) {
  TextArray words;
  int count = splitString(getCommandLine(), words, " ", 1);
  return index < count ? std::string(element(words, index).text()) : std::string();
}

void say(const char* text) {
  printOutput(text);
  printOutput("\n");
}

}  // namespace

namespace vantrel::application {

void applyProjectSettings() {
  // The END path then writes the error code to the runtime log.
  projectSettings().debugMode = 1;
  windowTitle() = "File channels";
}

int applicationMain() {
  const std::string scenario = word(1);
  const StringValue path = word(2).c_str();
  int number = 0;
  StringValue line;
  if (scenario == "read-past-end") {
    openFile(0, path, 0);
    writeInt16(0, 0x1234);
    closeFile(0);
    openFile(0, path, 1);
    readInt32(0, number);
  } else if (scenario == "write-full-disk") {
    // More than the file system holds: the refused write ends the program, at the latest
    // when the channel is closed.
    openFile(0, path, 0);
    StringValue text(std::string(1000, 'w').c_str());
    for (int i = 0; i < 200; ++i) writeLine(0, text);
    closeFile(0);
  } else if (scenario == "line-on-closed") {
    readFileLine(4, line);
  } else if (scenario == "bad-channel") {
    readInt8(8, number);
  } else if (scenario == "bad-channel-close") {
    closeFile(-1);
  } else if (scenario == "write-closed") {
    writeLine(3, "");
  } else if (scenario == "write-read-only") {
    openFile(1, path, 0);
    closeFile(1);
    openFile(1, path, 1);
    writeInt8(1, 1);
  } else {
    say("unknown scenario");
    return 0;
  }
  say("not reached");
  return 0;
}

const NamedFunction namedFunctions[] = {{nullptr, nullptr}};
StringValue buildStamp() { return StringValue(__DATE__ "-" __TIME__); }
StringValue buildIdentifier() { return StringValue("files"); }
StringValue buildVersion() { return StringValue("000.001"); }

}  // namespace vantrel::application
