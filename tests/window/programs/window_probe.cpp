// A program on the runtime for the window tests; its first argument picks what it does:
// startup, driver, nowindow, close-quit, close-window, keys (with "noesc" as second word).
#include <SDL.h>

#include <string>

#include "platform/key_state.h"
#include "platform/window.h"
#include "vantrel.h"
#include "window/display_modes.h"
#include "window/engine.h"
#include "window/frame_loop.h"

using namespace vantrel;

namespace {

std::string word(int index) {
  TextArray words;
  int count = splitString(getCommandLine(), words, " ", 1);
  return count > index ? std::string(element(words, index).text()) : std::string();
}

void say(const std::string& line) { printOutput((line + "\n").c_str()); }

void pushCloseEvent(bool windowClose) {
  SDL_Event event{};
  if (windowClose) {
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
  } else {
    event.type = SDL_QUIT;
  }
  SDL_PushEvent(&event);
}

void watchKeys(bool escapeEnds) {
  setEscapeEndsProgram(escapeEnds ? 1 : 0);
  bool escapeSeen = false;
  int framesAfter = 0;
  // About a minute at 60 frames per second; the test gives up long before.
  for (int frame = 0; frame < 3600; ++frame) {
    presentFrame();
    if (frame == 0) say("presenting");
    if (!escapeSeen && platform::isKeyDown(1)) {
      escapeSeen = true;
      say("escape seen");
    }
    if (escapeSeen && ++framesAfter == 10) say("still running");
  }
  say("gave up");
}

}  // namespace

// Under LeakSanitizer: SDL's X11 driver opens a D-Bus connection whose buffers libdbus frees
// only in dbus_shutdown, which SDL never calls on its own; that is not the runtime's leak.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

namespace vantrel::application {

void applyProjectSettings() {
  ProjectSettings& settings = projectSettings();
  settings.screenWidth = 320;
  settings.screenHeight = 240;
  settings.framesPerSecond = 60;
  windowTitle() = "Window probe";
}

int applicationMain() {
  std::string scenario = word(1);
  say("main " + scenario);
  if (scenario == "driver") {
    say("driver " + platform::videoDriverName() + (engine()->window ? " window" : " none"));
    say(std::string("renderer ") + glRendererName());
  } else if (scenario == "nowindow") {
    // Every window and drawing command must be harmless without a window.
    presentFrame();
    setScreen(400, 300, 0);
    setScreen(400, 300, 1);
    resetRenderState(engine());
    setFrameRate(30);
    hibernate();
    waitForKey();
    waitForMouseButton();
    setSmoothing(0);
    changeScreenMode(engine(), 0, 0, 0, 1);
    hideGlWindow(engine());
    say(std::string("survived ") + (engine()->window ? "with window" : "without window") + " fullscreen " +
        std::to_string(isFullScreen()));
  } else if (scenario == "close-quit" || scenario == "close-window") {
    pushCloseEvent(scenario == "close-window");
    presentFrame();
    say("not reached");
  } else if (scenario == "keys") {
    watchKeys(word(2) != "noesc");
  }
  return 0;
}

const NamedFunction namedFunctions[] = {{nullptr, nullptr}};
StringValue buildStamp() { return StringValue("Oct  8 2012-11:44:04"); }
StringValue buildIdentifier() { return StringValue("probe"); }
StringValue buildVersion() { return StringValue("000.001"); }

}  // namespace vantrel::application
