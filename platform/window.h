// The window-system services the runtime needs: one top-level OpenGL window of a given client
// size, display modes and the usable display area, events, the message box, the cursor.
#pragma once

#include <cstdint>
#include <string>

#include "platform/clock.h"

namespace vantrel::platform {

using WindowHandle = void*;

// Starts the video system once per process. Without a display (DISPLAY and WAYLAND_DISPLAY
// unset, SDL_VIDEODRIVER unset) the offscreen driver is chosen. False when no video system
// can be started; then no window can be made.
bool initVideo();
// The name of the active video driver ("x11", "offscreen", ...), "" when none.
std::string videoDriverName();

// A hidden OpenGL window with the given client size, double-buffered RGBA 8/8/8/8, depth 24,
// stencil 8. multisampleCount < 0: no multisampling; 0: any multisample format; n > 0: at
// least n samples. Null when no window with such a format can be made.
WindowHandle createWindow(const char* caption, int width, int height, int multisampleCount);
void destroyWindow(WindowHandle window);
void showWindow(WindowHandle window);
void hideWindow(WindowHandle window);
void raiseWindow(WindowHandle window);  // to the front, with the keyboard focus
void setWindowCaption(WindowHandle window, const char* caption);
std::string windowCaption(WindowHandle window);
void setWindowPosition(WindowHandle window, int x, int y);  // of the client area
void windowClientSize(WindowHandle window, int* width, int* height);
void setWindowClientSize(WindowHandle window, int width, int height);

struct DisplayRectangle {
  int x = 0, y = 0, width = 0, height = 0;
};
// The desktop mode of the primary display.
int desktopWidth();
int desktopHeight();
int desktopBitsPerPixel();
// The usable area (without panels) of the display the window is on; false when unknown.
bool usableDisplayArea(WindowHandle window, DisplayRectangle* area);
// Switches the window to a full-screen display mode of exactly width x height (and
// bitsPerPixel when non-zero); false when the display has no such mode.
bool enterFullScreenMode(WindowHandle window, int width, int height, int bitsPerPixel);
// Back to the desktop mode, the window windowed again.
void leaveFullScreenMode(WindowHandle window);

// Window events, reduced to what the window procedure handles.
enum class WindowEventKind { Other, FocusLost, FocusGained, CloseRequested, Characters, MouseWheel };
struct WindowEvent {
  WindowEventKind kind = WindowEventKind::Other;
  // Characters: Latin-1 bytes typed (text input, Return 13, Backspace 8, Tab 9);
  // characters above 255 are already dropped.
  uint8_t characters[32] = {};
  int characterCount = 0;
  int wheelStep = 0;  // MouseWheel: -1 or 1, the sign of the vertical motion
};
// Gathers pending window-system events into the queue (also refreshes the key state).
void gatherEvents();
// True while an event is queued; it stays queued.
bool isEventQueued();
// Removes the first queued event; false when the queue is empty.
bool takeEvent(WindowEvent* event);

void showArrowCursor();

// The warning box: caption and text are Latin-1 (passed on as UTF-8). Failure (no display)
// is ignored. Tests capture it through the sink; null restores the system box.
using MessageBoxSink = void (*)(const char* caption, const char* text);
void setMessageBoxSink(MessageBoxSink sink);
void showWarningBox(const char* caption, const char* text);

}  // namespace vantrel::platform
