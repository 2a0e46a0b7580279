// The shutdown order: quit callback, log line, music and video, current folder, file
// channels, network, input, sound, engine and scene, archives, window.
#include "app/runtime_shutdown.h"

#include "core/errors.h"
#include "core/named_functions.h"
#include "window/runtime_startup.h"

namespace vantrel {

namespace {
bool quitCalled = false;
bool shutdownDone = false;
}  // namespace

void shutdownRuntime() {
  if (!quitCalled) {
    quitCalled = true;
    callByName("QZR_ON_QUIT");
  }
  if (shutdownDone) return;
  shutdownDone = true;
  if (!engineCreated()) return;
  appendToLog("Shut down QZR\n");
  enterProgramFolder();
  destroyEngine();
  appendToLog("qzr is shut down\n");
}

}  // namespace vantrel
