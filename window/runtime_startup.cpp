// The runtime start-up steps in their fixed order, with the log lines each step writes, and
// the engine's and the window's end.
#include "window/runtime_startup.h"

#include <GL/gl.h>

#include <cstdint>
#include <string>

#include "core/errors.h"
#include "core/named_functions.h"
#include "core/project_settings.h"
#include "core/runtime_hooks.h"
#include "files/appended_archive.h"
#include "platform/files.h"
#include "platform/gl_context.h"
#include "platform/window.h"
#include "transforms/random.h"
#include "window/display_modes.h"
#include "window/engine.h"
#include "window/frame_loop.h"

namespace vantrel {

namespace {

bool engineExists = false;

std::string programPath() {
  std::string path = platform::executablePath();
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

std::string programFolder() {
  std::string folder = programPath();
  std::size_t cut = folder.find_last_of("/\\");
  if (cut != std::string::npos) folder.resize(cut);
  return folder;
}

void startNewLog() {
  StringValue logPath = runtimeLogPath();
  if (platform::pathKind(logPath.text()) == platform::PathKind::Folder) {
    platform::removeFolder(logPath.text());
  } else {
    platform::deleteFile(logPath.text());
  }
  appendToLog("Start new log...\n");
}

void takeFrameStamps() { setFrameStamps(elapsedMs()); }

}  // namespace

void startRuntime(int showFlag, const char* title) {
  const ProjectSettings& settings = projectSettings();
  StartupHooks& hooks = startupHooks();
  startNewLog();
  setAutoPause(1);
  appendToLog("timer\n");
  initTimer();
  appendToLog("rbow\n");
  OpenGLVerivure* e = new OpenGLVerivure();
  setEngine(e);
  engineExists = true;
  appendToLog("rbow init\n");

  if (!createGlWindow(e, nullptr, settings.screenWidth, settings.screenHeight, 0, settings.framesPerSecond,
                      settings.windowOption)) {
    return;
  }
  setMainWindow(e->window);
  platform::setWindowCaption(e->window, title);
  appendToLog("Cptn\n");
  setRuntimeTitle(title);
  seedGenerator(static_cast<uint32_t>(static_cast<int64_t>(runtimeMs())));

  appendToLog("Network\n");
  if (hooks.createNetGame) hooks.createNetGame();
  if (hooks.createScene3D) hooks.createScene3D();
  appendToLog("Input\n");
  if (hooks.createInput) hooks.createInput();
  appendToLog("Window mode\n");
  if (settings.fullScreen) {
    enterFullScreen(e);
  } else {
    enterWindowedMode(e);
  }
  appendToLog("Create DXin\n");
  if (hooks.openInputDevices) hooks.openInputDevices(settings.inputOption != 0);
  appendToLog("reptr\n");
  if (hooks.selectFont) hooks.selectFont(0);

  appendToLog("getexe\n");
  std::string folder = programFolder();
  platform::setCurrentFolder(folder.c_str());
  appendToLog("cd\n");
  appendToLog(("exepath=curdir= " + folder + "\n").c_str());
  createArchives();
  std::string program = programPath();
  setArchiveFiles(program.c_str(), program.c_str());

  takeFrameStamps();
  if (platform::hasGlContext()) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  swapAndWait(e, nullptr);
  resetRenderState(e);
  if (hooks.buildBuiltinFont) hooks.buildBuiltinFont();
  if (hooks.loadDefaultFont) hooks.loadDefaultFont();
  if (hooks.selectFont) hooks.selectFont(0);
  setPaused(0);
  platform::showArrowCursor();
  takeFrameStamps();
  if (showFlag == 0) hideGlWindow(e);
  if (hooks.applyMouseMode) hooks.applyMouseMode();
  bindDeclarations();
  if (hooks.createSound) hooks.createSound();
  appendToLog("Init Finalized\n");
}

bool engineCreated() { return engineExists; }

void enterProgramFolder() { platform::setCurrentFolder(programFolder().c_str()); }

void destroyEngine() {
  delete engine();
  setEngine(nullptr);
  engineExists = false;
}

void destroyMainWindow() {
  if (!mainWindow()) return;
  platform::destroyWindow(mainWindow());
  setMainWindow(nullptr);
}

}  // namespace vantrel
