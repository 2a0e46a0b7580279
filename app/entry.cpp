// The process entry: stores the command line, applies the program's settings, starts the
// runtime, runs the program once and always leaves through endProgram.
#include <string>

#include "app/application.h"
#include "app/runtime_shutdown.h"
#include "core/errors.h"
#include "core/named_functions.h"
#include "core/project_settings.h"
#include "core/runtime_hooks.h"
#include "files/file_system_commands.h"
#include "gfx2d/fonts.h"
#include "gfx2d/texture_store.h"
#include "net/net_game.h"
#include "platform/window.h"
#include "window/display_modes.h"
#include "window/engine.h"
#include "window/frame_loop.h"
#include "window/runtime_startup.h"

namespace {

// Connects the subsystems that sit above the window library to the start-up sequence and to
// the window services that other subsystems ask for.
void installRuntimeHooks() {
  using namespace vantrel;
  StartupHooks& startup = startupHooks();
  startup.selectFont = selectFont;
  startup.buildBuiltinFont = buildBuiltinFont;
  startup.loadDefaultFont = loadDefaultFont;
  startup.createNetGame = createNetGame;
  engineHooks().unbindTextures = unbindSprites;
  ProcessWindowHooks& process = processWindowHooks();
  process.enterWindowedMode = [] {
    if (OpenGLVerivure* instance = engine()) enterWindowedMode(instance);
  };
  process.activateMainWindow = [] {
    if (void* window = mainWindow()) platform::raiseWindow(window);
  };
  process.escapeEndsProgram = escapeEndsProgram;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vantrel;
  std::string commandLine;
  for (int i = 0; i < argc; ++i) {
    if (i) commandLine.push_back(' ');
    commandLine += argv[i];
  }
  setCommandLine(commandLine.c_str());
  setNamedFunctionTable(application::namedFunctions);
  buildStrings() = {application::buildStamp, application::buildIdentifier, application::buildVersion};
  setShutdownFunction(shutdownRuntime);

  application::applyProjectSettings();
  installRuntimeHooks();
  startRuntime(1, windowTitle().text());
  ErrorState& errors = errorState();
  errors.errorCode = 0;
  errors.currentLine = 0;
  errors.errorLine = 0;
  application::applicationMain();
  endProgram();
  return 0;
}
