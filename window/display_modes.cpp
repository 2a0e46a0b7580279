// Windowed (centred in the usable area), full-screen and hidden modes on the one window and
// context, the screen-size command and the file-name dialog.
#include "window/display_modes.h"

#include <string>
#include <vector>

#include "core/errors.h"
#include "core/project_settings.h"
#include "core/runtime_hooks.h"
#include "platform/file_dialog.h"
#include "platform/files.h"
#include "platform/window.h"
#include "window/engine.h"
#include "window/frame_loop.h"

namespace vantrel {

namespace {

constexpr std::size_t FILTER_BUFFER_SIZE = 1024;

// The filter "description|pattern|description|pattern..." as pairs; a description without
// a pattern after it is left out.
std::vector<platform::FileFilter> parseFilter(const StringValue& filter) {
  std::string text(filter.text(), filter.length < FILTER_BUFFER_SIZE ? filter.length : FILTER_BUFFER_SIZE - 1);
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t bar = text.find('|', start);
    if (bar == std::string::npos) bar = text.size();
    parts.push_back(text.substr(start, bar - start));
    start = bar + 1;
  }
  std::vector<platform::FileFilter> filters;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].empty() && parts[i + 1].empty()) break;  // the list's own end
    filters.push_back(platform::FileFilter{parts[i], parts[i + 1]});
  }
  return filters;
}

// After a mode change: the mouse mode and the window handle of the subsystems, then five
// presents so that both buffers hold a drawn frame.
void renewWindow(OpenGLVerivure* e) {
  if (startupHooks().applyMouseMode) startupHooks().applyMouseMode();
  setMainWindow(e->window);
  for (int frame = 0; frame < 5; ++frame) presentFrame();
}

}  // namespace

ScreenPosition centredWindowPosition(int areaX, int areaY, int areaWidth, int areaHeight, int width,
                                     int height) {
  return ScreenPosition{areaX + (areaWidth - width) / 2, areaY + (areaHeight - height) / 2};
}

int enterWindowedMode(OpenGLVerivure* e) {
  if (!e->window) return 1;
  if (e->fullScreen) platform::leaveFullScreenMode(e->window);
  platform::setWindowClientSize(e->window, e->screenWidth, e->screenHeight);
  platform::DisplayRectangle area;
  if (!platform::usableDisplayArea(e->window, &area)) {
    area = platform::DisplayRectangle{0, 0, platform::desktopWidth(), platform::desktopHeight()};
  }
  ScreenPosition position =
      centredWindowPosition(area.x, area.y, area.width, area.height, e->screenWidth, e->screenHeight);
  platform::setWindowPosition(e->window, position.x, position.y);
  platform::showWindow(e->window);
  platform::raiseWindow(e->window);
  e->fullScreen = 0;
  setWholeViewport(e);
  return 1;
}

bool enterFullScreen(OpenGLVerivure* e) {
  if (!e->window) return false;
  int desktopBits = platform::desktopBitsPerPixel();
  int bits = e->colourBits && e->colourBits != desktopBits ? e->colourBits : 0;
  bool entered = platform::enterFullScreenMode(e->window, e->screenWidth, e->screenHeight, bits);
  if (!entered && bits) entered = platform::enterFullScreenMode(e->window, e->screenWidth, e->screenHeight, 0);
  if (!entered) {
    appendToLog("No Fullscreen Mode available\n");
    enterWindowedMode(e);
    return false;
  }
  platform::showWindow(e->window);
  platform::raiseWindow(e->window);
  e->fullScreen = 1;
  setWholeViewport(e);
  return true;
}

bool changeScreenMode(OpenGLVerivure* e, int width, int height, int colourBits, int fullScreen) {
  if (width) e->screenWidth = width;
  if (height) e->screenHeight = height;
  if (colourBits) e->colourBits = colourBits;
  if (fullScreen) return enterFullScreen(e);
  return enterWindowedMode(e) != 0;
}

int hideGlWindow(OpenGLVerivure* e) {
  if (!e->window) return 1;
  if (e->fullScreen) platform::leaveFullScreenMode(e->window);
  platform::hideWindow(e->window);
  e->fullScreen = 0;
  pumpMessages(e, nullptr);
  return 1;
}

void setScreen(int width, int height, int fullScreen) {
  ProjectSettings& settings = projectSettings();
  settings.screenWidth = width;
  settings.screenHeight = height;
  settings.fullScreen = fullScreen;
  OpenGLVerivure* e = engine();
  if (!e || !e->window) return;
  changeScreenMode(e, width, height, 0, fullScreen);
  renewWindow(e);
}

StringValue requestFileName(const StringValue& filter, int open) {
  std::vector<platform::FileFilter> filters = parseFilter(filter);
  std::string folder = platform::currentFolder();
  OpenGLVerivure* e = engine();
  bool hasWindow = e && e->window;
  if (hasWindow) hideGlWindow(e);
  std::string chosen;
  bool picked = platform::runFileDialog(open == 0, filters, folder, &chosen);
  platform::setCurrentFolder(folder.c_str());
  if (hasWindow) {
    const ProjectSettings& settings = projectSettings();
    if (!settings.fullScreen) {
      enterWindowedMode(e);
    } else {
      changeScreenMode(e, settings.screenWidth, settings.screenHeight, 0, settings.fullScreen);
      renewWindow(e);
    }
  }
  if (!picked) return StringValue("NO_FILE");
  for (char& c : chosen) {
    if (c == '\\') c = '/';
  }
  return StringValue(chosen.c_str());
}

}  // namespace vantrel
