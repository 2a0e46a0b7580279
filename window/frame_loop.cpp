// The frame loop: timer, presentFrame with its frame-slot wait, the message pump and the
// window's event handling, the pause loop, hibernate and the idle waits.
#include "window/frame_loop.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>

#include "core/errors.h"
#include "core/named_functions.h"
#include "core/project_settings.h"
#include "core/string_value.h"
#include "platform/debugger.h"
#include "platform/gl_context.h"
#include "platform/key_state.h"
#include "platform/window.h"
#include "window/engine.h"
#include "window/gl_state_cache.h"
#include "window/typed_characters.h"

namespace vantrel {

namespace {

ClockFunction clockFunction = platform::monotonicMs;
SleepFunction sleepFunction = platform::sleepMs;
bool timerBaseTaken = false;
double timerBase = 0;
double timerOffset = 0;
double currentFrameStamp = 0;
double previousFrameStamp = 0;
int activationRequested = 0;
int escapeEnds = 1;
int callbackState = -1;
MessageCallback callback = nullptr;

StringValue& titleText() {
  static StringValue title;
  return title;
}

// The end keys, a closed window and a failed pump all leave through the program end.
void endFromFrameLoop() {
  clearError();
  endProgram();
}

void applyEscapeRule() {
  if (escapeEnds && (platform::isKeyDown(129) || platform::isKeyDown(1))) endFromFrameLoop();
}

bool anyKeyDown() {
  for (int key = 0; key < platform::KEY_NUMBER_COUNT; ++key) {
    if (platform::isKeyDown(key)) return true;
  }
  return false;
}

bool anyMouseButtonDown() {
  platform::MouseSnapshot mouse = platform::mouseSnapshot();
  return mouse.left || mouse.right || mouse.middle;
}

// The mouse as the mouse query reports it: clamped to the drawing area.
platform::MouseSnapshot clampedMouse() {
  platform::MouseSnapshot mouse = platform::mouseSnapshot();
  OpenGLVerivure* e = engine();
  int width = e ? e->screenWidth : 0;
  int height = e ? e->screenHeight : 0;
  mouse.x = mouse.x < 0 ? 0 : (mouse.x > width ? width : mouse.x);
  mouse.y = mouse.y < 0 ? 0 : (mouse.y > height ? height : mouse.y);
  return mouse;
}

void setCaption(OpenGLVerivure* e, const char* suffix) {
  if (!e || !e->window) return;
  StringValue caption = joinText(titleText().text(), suffix);
  platform::setWindowCaption(e->window, caption.text());
}

void handleEvent(OpenGLVerivure* e, const platform::WindowEvent& event) {
  bool debugMode = projectSettings().debugMode != 0;
  switch (event.kind) {
    case platform::WindowEventKind::FocusLost:
      if (!debugMode) {
        setCaption(e, " <pause>");
        setPaused(1);
      }
      break;
    case platform::WindowEventKind::FocusGained:
      if (!debugMode) {
        setCaption(e, "");
        setPaused(0);
      }
      break;
    case platform::WindowEventKind::CloseRequested:
      endFromFrameLoop();
      break;
    case platform::WindowEventKind::Characters:
      for (int i = 0; i < event.characterCount; ++i) offerTypedCharacter(event.characters[i]);
      break;
    case platform::WindowEventKind::MouseWheel:
      if (frameHooks().mouseWheel) frameHooks().mouseWheel(event.wheelStep);
      break;
    case platform::WindowEventKind::Other:
      break;
  }
}

void pauseLoop() {
  printOutput("pause loop in showscreen/hibernate\n");
  while (isPaused() && !activationRequested) {
    if (!pumpMessages(engine(), messageCallback())) endFromFrameLoop();
    sleepFunction(200);
  }
  printOutput("pause loop ended\n");
}

void bringWindowToFront(OpenGLVerivure* e) {
  printOutput("activate\n");
  if (e && e->window) {
    platform::showWindow(e->window);
    platform::raiseWindow(e->window);
  }
  printOutput("ok\n");
}

}  // namespace

void initTimer() { elapsedMs(); }

double elapsedMs() {
  double reading = clockFunction();
  if (!timerBaseTaken) {
    timerBase = reading;
    timerBaseTaken = true;
  }
  return reading - timerBase;
}

double runtimeMs() { return elapsedMs() - timerOffset; }

void setFrameStamps(double value) {
  currentFrameStamp = value;
  previousFrameStamp = value;
  timerOffset = value;
}

void setClockFunctions(ClockFunction clock, SleepFunction sleep) {
  clockFunction = clock ? clock : platform::monotonicMs;
  sleepFunction = sleep ? sleep : platform::sleepMs;
  timerBaseTaken = false;
}

FrameHooks& frameHooks() {
  static FrameHooks hooks;
  return hooks;
}

MessageCallback messageCallback() {
  if (callbackState == -1) {
    callback = lookupFunction("QZR_WIN32_MSG");
    callbackState = callback ? 1 : 0;
  }
  return callback;
}

bool pumpMessages(OpenGLVerivure* e, MessageCallback messageCallback) {
  platform::gatherEvents();
  while (platform::isEventQueued()) {
    // The callback sees the event still queued; it is taken and handled afterwards.
    if (messageCallback) messageCallback();
    platform::WindowEvent event;
    if (!platform::takeEvent(&event)) break;
    handleEvent(e, event);
  }
  return true;
}

bool swapAndWait(OpenGLVerivure* e, MessageCallback messageCallback) {
  if (frameHooks().endSurfaceDrawing) frameHooks().endSurfaceDrawing();
  if (e->window && platform::hasGlContext()) {
    platform::swapGlWindow(e->window);
    if (frameHooks().backgroundImageSet && frameHooks().backgroundImageSet()) {
      if (e->clearDepthOnce) {
        e->clearDepthOnce = 0;
        glClear(GL_DEPTH_BUFFER_BIT);
      }
      if (frameHooks().drawBackgroundImage) frameHooks().drawBackgroundImage();
    } else {
      GLbitfield mask = 0;
      if (e->clearEachFrame) mask |= GL_COLOR_BUFFER_BIT;
      if (e->clearDepthOnce) {
        mask |= GL_DEPTH_BUFFER_BIT;
        e->clearDepthOnce = 0;
      }
      if (mask) glClear(mask);
    }
  }
  // Sleep while more than 7 ms remain, leaving 3 ms of margin for a coarse OS sleep, then
  // spin with the pump for the last milliseconds.
  double now;
  for (;;) {
    pumpMessages(e, messageCallback);
    now = elapsedMs();
    double remaining = e->nextFrameTime - now;
    if (remaining > 7) {
      sleepFunction(static_cast<int>(remaining - 3));
    } else if (remaining <= 1) {
      break;
    }
  }
  if (e->frameTime <= 0) return true;
  // A late frame skips at most one slot; more than two slots late restarts the schedule.
  double next = e->nextFrameTime + e->frameTime;
  if (now > next) next += e->frameTime;
  if (now > next) next = now + e->frameTime;
  e->nextFrameTime = next;
  return true;
}

void presentFrame() {
  OpenGLVerivure* e = engine();
  if (!e) return;
  if (activationRequested) {
    bringWindowToFront(e);
    activationRequested = 0;
  }
  previousFrameStamp = currentFrameStamp;
  currentFrameStamp = elapsedMs();
  while (isPaused()) hibernate();
  platform::gatherEvents();
  applyEscapeRule();
  if (platform::isKeyDown(56) && platform::isKeyDown(62)) endFromFrameLoop();
  MessageCallback messages = messageCallback();
  pumpMessages(e, messages);
  if (!swapAndWait(e, messages)) endFromFrameLoop();
  glDisableCached(GL_BLEND);
  e->alphaMode = 1.0f;
  if (e->window && platform::hasGlContext()) glColor4f(1, 1, 1, 1);
  resetRenderState(e);
}

void hibernate() {
  OpenGLVerivure* e = engine();
  platform::MouseSnapshot before = clampedMouse();
  for (int round = 0; round < 15; ++round) {
    if (!pumpMessages(e, messageCallback())) endFromFrameLoop();
    if (isPaused()) {
      pauseLoop();
      return;
    }
    platform::gatherEvents();
    applyEscapeRule();
    for (int key = 0; key < 255; ++key) {
      if (platform::isKeyDown(key)) return;
    }
    platform::MouseSnapshot now = clampedMouse();
    if (now.x != before.x || now.y != before.y || now.left != before.left || now.right != before.right) return;
    sleepFunction(5);
  }
}

namespace {

// Without a window no key or button can ever be pressed, so the waits return at once.
bool canWaitForInput() {
  OpenGLVerivure* e = engine();
  return e && e->window;
}

}  // namespace

void waitForKey() {
  if (!canWaitForInput()) return;
  while (anyKeyDown()) {
    sleepFunction(1);
    platform::gatherEvents();
  }
  while (!anyKeyDown()) {
    if (!pumpMessages(engine(), messageCallback())) endFromFrameLoop();
    hibernate();
  }
  while (anyKeyDown()) {
    sleepFunction(1);
    platform::gatherEvents();
  }
}

void waitForMouseButton() {
  if (!canWaitForInput()) return;
  while (anyMouseButtonDown()) {
    sleepFunction(1);
    platform::gatherEvents();
  }
  while (!anyMouseButtonDown()) hibernate();
  while (anyMouseButtonDown()) {
    sleepFunction(1);
    platform::gatherEvents();
  }
}

void setFrameRate(double rate) {
  OpenGLVerivure* e = engine();
  if (!e) return;
  // Truncated to whole frames per second; NaN and rates below 1 give 2 ms.
  e->frameTime = rate >= 1.0 ? 1000.0 / std::trunc(rate) : 2.0;
}

double frameTimeMs() {
  double difference = currentFrameStamp - previousFrameStamp;
  return difference > 0 ? difference : 1.0;
}

int isFullScreen() {
  OpenGLVerivure* e = engine();
  return e && e->fullScreen ? 1 : 0;
}

void debuggerBreak(unsigned int value) {
  if (!platform::isDebuggerAttached()) return;
  char text[32];
  std::snprintf(text, sizeof text, "BP%x", value);
  platform::writeStandardError(text);
  setPaused(0);
  platform::gatherEvents();
  activationRequested = 1;
}

void setEscapeEndsProgram(int flag) { escapeEnds = flag ? 1 : 0; }
bool escapeEndsProgram() { return escapeEnds != 0; }

void setRuntimeTitle(const char* title) {
  StringValue value(title ? title : "");
  titleText().swap(value);
}

}  // namespace vantrel
