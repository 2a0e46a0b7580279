// The shutdown order: quit callback, log line, music and video, current folder, file
// channels, network, input, sound, engine and scene, archives, window.
#include "app/runtime_shutdown.h"

#include "core/errors.h"
#include "core/named_functions.h"
#include "files/appended_archive.h"
#include "files/file_channels.h"
#include "files/settings_files.h"
#include "net/net_game.h"
#include "net/sockets.h"
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
  // Before the folder changes, so relative names still reach the files they were read from.
  flushLineAndSettingsFiles();
  if (!engineCreated()) {
    // Without an engine there is nothing else to release, but written data must still reach
    // the files.
    closeAllFiles();
    return;
  }
  appendToLog("Shut down QZR\n");
  enterProgramFolder();
  closeAllFiles();
  closeNetGame();
  for (int release = 0; release < 16; ++release) shutdownNetwork();
  destroyEngine();
  releaseArchives();
  destroyMainWindow();
  appendToLog("qzr is shut down\n");
}

}  // namespace vantrel
