// The runtime's window over SDL2: creation with the GL attributes, show/hide/caption/position,
// display modes and usable bounds, the event queue and the warning box.
#include "platform/window.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace vantrel::platform {

namespace {

SDL_Window* sdlWindow(WindowHandle window) { return static_cast<SDL_Window*>(window); }

MessageBoxSink messageBoxSink = nullptr;

void setGlAttributes(int multisampleCount) {
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, multisampleCount >= 0 ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, multisampleCount > 0 ? multisampleCount : 0);
}

bool hasDisplayEnvironment() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 && *x11) || (wayland && *wayland);
}

// One UTF-8 sequence decoded; false when it is not valid UTF-8.
bool decodeUtf8(const unsigned char*& cursor, const unsigned char* end, uint32_t* codePoint) {
  unsigned char lead = *cursor++;
  int extra = 0;
  uint32_t value = 0;
  if (lead < 0x80) {
    *codePoint = lead;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    value = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    value = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    value = lead & 0x07;
  } else {
    return false;
  }
  for (int i = 0; i < extra; ++i) {
    if (cursor >= end || (*cursor & 0xC0) != 0x80) return false;
    value = (value << 6) | (*cursor++ & 0x3F);
  }
  *codePoint = value;
  return true;
}

bool isValidUtf8(const char* text) {
  const unsigned char* cursor = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* end = cursor + std::strlen(text);
  uint32_t codePoint;
  while (cursor < end) {
    if (!decodeUtf8(cursor, end, &codePoint)) return false;
  }
  return true;
}

// The runtime's texts are Latin-1; SDL wants UTF-8. Text that already is UTF-8 passes as is.
std::string toUtf8(const char* text) {
  if (isValidUtf8(text)) return text;
  std::string out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    if (*p < 0x80) {
      out.push_back(static_cast<char>(*p));
    } else {
      out.push_back(static_cast<char>(0xC0 | (*p >> 6)));
      out.push_back(static_cast<char>(0x80 | (*p & 0x3F)));
    }
  }
  return out;
}

void appendCharacter(WindowEvent* event, uint32_t character) {
  if (character > 255 || event->characterCount >= static_cast<int>(sizeof event->characters)) return;
  event->characters[event->characterCount++] = static_cast<uint8_t>(character);
}

void translateEvent(const SDL_Event& sdl, WindowEvent* event) {
  *event = WindowEvent{};
  switch (sdl.type) {
    case SDL_QUIT:
      event->kind = WindowEventKind::CloseRequested;
      break;
    case SDL_WINDOWEVENT:
      if (sdl.window.event == SDL_WINDOWEVENT_FOCUS_LOST) event->kind = WindowEventKind::FocusLost;
      if (sdl.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) event->kind = WindowEventKind::FocusGained;
      if (sdl.window.event == SDL_WINDOWEVENT_CLOSE) event->kind = WindowEventKind::CloseRequested;
      break;
    case SDL_TEXTINPUT: {
      event->kind = WindowEventKind::Characters;
      const unsigned char* cursor = reinterpret_cast<const unsigned char*>(sdl.text.text);
      const unsigned char* end = cursor + std::strlen(sdl.text.text);
      uint32_t codePoint;
      while (cursor < end) {
        if (decodeUtf8(cursor, end, &codePoint)) appendCharacter(event, codePoint);
      }
      break;
    }
    case SDL_MOUSEWHEEL:
      if (sdl.wheel.y != 0) {
        event->kind = WindowEventKind::MouseWheel;
        int motion = sdl.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -sdl.wheel.y : sdl.wheel.y;
        event->wheelStep = motion > 0 ? 1 : -1;
      }
      break;
    case SDL_KEYDOWN:
      // Control characters never come as text input; these three keys type one.
      if (sdl.key.keysym.scancode == SDL_SCANCODE_RETURN) appendCharacter(event, 13);
      if (sdl.key.keysym.scancode == SDL_SCANCODE_BACKSPACE) appendCharacter(event, 8);
      if (sdl.key.keysym.scancode == SDL_SCANCODE_TAB) appendCharacter(event, 9);
      if (event->characterCount) event->kind = WindowEventKind::Characters;
      break;
    default:
      break;
  }
}

}  // namespace

bool initVideo() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
  // The runtime ends itself through its own paths; SDL must not turn SIGINT into an event.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  if (!(driver && *driver) && !hasDisplayEnvironment()) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
  }
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  // SDL unloads the GL library with the last GL window, and with it (on EGL) the context;
  // one reference of our own keeps the context alive while the window is re-created.
  SDL_GL_LoadLibrary(nullptr);
  SDL_DisableScreenSaver();
  return true;
}

std::string videoDriverName() {
  const char* name = SDL_GetCurrentVideoDriver();
  return name ? name : "";
}

WindowHandle createWindow(const char* caption, int width, int height, int multisampleCount) {
  if (!initVideo()) return nullptr;
  setGlAttributes(multisampleCount);
  SDL_Window* window = SDL_CreateWindow(caption, 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  return window;
}

void destroyWindow(WindowHandle window) {
  if (window) SDL_DestroyWindow(sdlWindow(window));
}

void showWindow(WindowHandle window) {
  if (window) SDL_ShowWindow(sdlWindow(window));
}

void hideWindow(WindowHandle window) {
  if (window) SDL_HideWindow(sdlWindow(window));
}

void raiseWindow(WindowHandle window) {
  if (window) SDL_RaiseWindow(sdlWindow(window));
}

void setWindowCaption(WindowHandle window, const char* caption) {
  if (window) SDL_SetWindowTitle(sdlWindow(window), toUtf8(caption ? caption : "").c_str());
}

std::string windowCaption(WindowHandle window) {
  if (!window) return "";
  const char* title = SDL_GetWindowTitle(sdlWindow(window));
  return title ? title : "";
}

void setWindowPosition(WindowHandle window, int x, int y) {
  if (window) SDL_SetWindowPosition(sdlWindow(window), x, y);
}

void windowClientSize(WindowHandle window, int* width, int* height) {
  *width = 0;
  *height = 0;
  if (window) SDL_GetWindowSize(sdlWindow(window), width, height);
}

void setWindowClientSize(WindowHandle window, int width, int height) {
  if (window && width > 0 && height > 0) SDL_SetWindowSize(sdlWindow(window), width, height);
}

int desktopWidth() {
  SDL_DisplayMode mode;
  return SDL_GetDesktopDisplayMode(0, &mode) == 0 ? mode.w : 0;
}

int desktopHeight() {
  SDL_DisplayMode mode;
  return SDL_GetDesktopDisplayMode(0, &mode) == 0 ? mode.h : 0;
}

int desktopBitsPerPixel() {
  SDL_DisplayMode mode;
  return SDL_GetDesktopDisplayMode(0, &mode) == 0 ? static_cast<int>(SDL_BITSPERPIXEL(mode.format)) : 0;
}

bool usableDisplayArea(WindowHandle window, DisplayRectangle* area) {
  int display = window ? SDL_GetWindowDisplayIndex(sdlWindow(window)) : 0;
  if (display < 0) display = 0;
  SDL_Rect bounds;
  if (SDL_GetDisplayUsableBounds(display, &bounds) != 0) return false;
  *area = DisplayRectangle{bounds.x, bounds.y, bounds.w, bounds.h};
  return true;
}

bool enterFullScreenMode(WindowHandle window, int width, int height, int bitsPerPixel) {
  if (!window) return false;
  int display = SDL_GetWindowDisplayIndex(sdlWindow(window));
  if (display < 0) return false;
  int count = SDL_GetNumDisplayModes(display);
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode mode;
    if (SDL_GetDisplayMode(display, i, &mode) != 0) continue;
    if (mode.w != width || mode.h != height) continue;
    if (bitsPerPixel && static_cast<int>(SDL_BITSPERPIXEL(mode.format)) != bitsPerPixel) continue;
    if (SDL_SetWindowDisplayMode(sdlWindow(window), &mode) != 0) return false;
    return SDL_SetWindowFullscreen(sdlWindow(window), SDL_WINDOW_FULLSCREEN) == 0;
  }
  return false;
}

void leaveFullScreenMode(WindowHandle window) {
  if (window) SDL_SetWindowFullscreen(sdlWindow(window), 0);
}

void gatherEvents() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_PumpEvents();
}

bool isEventQueued() {
  if (!SDL_WasInit(SDL_INIT_EVENTS)) return false;
  SDL_Event event;
  return SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0;
}

bool takeEvent(WindowEvent* event) {
  if (!SDL_WasInit(SDL_INIT_EVENTS)) return false;
  SDL_Event sdl;
  if (SDL_PeepEvents(&sdl, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) <= 0) return false;
  translateEvent(sdl, event);
  return true;
}

void showArrowCursor() {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
  static SDL_Cursor* arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
  if (arrow) SDL_SetCursor(arrow);
}

void setMessageBoxSink(MessageBoxSink sink) { messageBoxSink = sink; }

void showWarningBox(const char* caption, const char* text) {
  if (messageBoxSink) {
    messageBoxSink(caption, text);
    return;
  }
  // Without a display the box cannot be shown; that is not an error.
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, toUtf8(caption).c_str(), toUtf8(text).c_str(), nullptr);
}

}  // namespace vantrel::platform
