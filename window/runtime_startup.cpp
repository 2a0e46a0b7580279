// The runtime start-up steps in their fixed order.
#include "window/runtime_startup.h"

#include <string>

#include "core/errors.h"
#include "core/named_functions.h"
#include "platform/files.h"

namespace vantrel {

namespace {
bool engineExists = false;
}  // namespace

void startRuntime(int showFlag, const char* title) {
  (void)showFlag;
  (void)title;
  StringValue logPath = runtimeLogPath();
  if (platform::pathKind(logPath.text()) == platform::PathKind::Folder) {
    platform::removeFolder(logPath.text());
  } else {
    platform::deleteFile(logPath.text());
  }
  appendToLog("Start new log...\n");
  setAutoPause(1);
  appendToLog("timer\n");
  appendToLog("rbow\n");
  engineExists = true;
  appendToLog("rbow init\n");
}

bool engineCreated() { return engineExists; }

void enterProgramFolder() {
  std::string folder = platform::executablePath();
  std::size_t cut = folder.find_last_of("/\\");
  if (cut != std::string::npos) folder.resize(cut);
  platform::setCurrentFolder(folder.c_str());
}

void destroyEngine() { engineExists = false; }

}  // namespace vantrel
