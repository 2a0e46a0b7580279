// The frame loop: the millisecond timer, presenting a frame with its frame-rate limit, the
// message pump and window events, pausing, the idle waits and the end keys.
#pragma once

namespace vantrel {

class OpenGLVerivure;

// --- timer -----------------------------------------------------------------------------
void initTimer();
// Milliseconds since the first call (the first call returns 0).
double elapsedMs();
// elapsedMs minus the timer offset taken at the end of start-up.
double runtimeMs();
// Start-up: current frame stamp, previous frame stamp and timer offset all become value.
void setFrameStamps(double value);

// Tests replace the clock and the sleep (e.g. a fake clock that sleeping advances); null
// restores the monotonic clock and the OS sleep.
using ClockFunction = double (*)();
using SleepFunction = void (*)(int milliseconds);
void setClockFunctions(ClockFunction clock, SleepFunction sleep);

// --- presenting ------------------------------------------------------------------------
using MessageCallback = int (*)();

// Shows the frame drawn since the last call and prepares the next one.
void presentFrame();
// Swap, clear, pump and wait for the frame slot. Always true.
bool swapAndWait(OpenGLVerivure* engine, MessageCallback callback);
// Handles every queued window event; with a callback, the callback runs once per event while
// the event is still queued. Always true.
bool pumpMessages(OpenGLVerivure* engine, MessageCallback callback);
// The program's "QZR_WIN32_MSG", looked up by name once per process; null when it has none.
MessageCallback messageCallback();

// Subsystems built on the window fill these in; a null hook is a step that does nothing.
struct FrameHooks {
  void (*endSurfaceDrawing)() = nullptr;   // before the swap: back to the window target
  bool (*backgroundImageSet)() = nullptr;  // a background image replaces the colour clear
  void (*drawBackgroundImage)() = nullptr;
  void (*mouseWheel)(int step) = nullptr;  // a wheel event taken by the pump: -1 or 1
};
FrameHooks& frameHooks();

// --- lifecycle -------------------------------------------------------------------------
// Waits until any input changes, at most about 75 ms; holds the pause loop while paused.
void hibernate();
void waitForKey();
void waitForMouseButton();

// frameTime = 1000 / (rate truncated to an integer); 2.0 when that is 0 or less.
void setFrameRate(double rate);
// Time between the last two presents; 1.0 when that is 0 or less.
double frameTimeMs();
int isFullScreen();
// The debugger hook: with a tracer attached, "BP" + value in hex to the debugger, pause
// cleared, and the next present brings the window to the front.
void debuggerBreak(unsigned int value);

// When set (initially), Escape and key 129 end the program in presentFrame.
void setEscapeEndsProgram(int flag);
bool escapeEndsProgram();

// The runtime's title: the caption shown (and " <pause>" appended while paused).
void setRuntimeTitle(const char* title);

}  // namespace vantrel
