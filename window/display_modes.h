// Display modes of the runtime's window (windowed and centred, full screen, hidden), the
// screen-size command and the file-name dialog.
#pragma once

#include "core/string_value.h"

namespace vantrel {

class OpenGLVerivure;

int enterWindowedMode(OpenGLVerivure* engine);
// False when no full-screen mode of the size exists; the window is then windowed.
bool enterFullScreen(OpenGLVerivure* engine);
// Non-zero width, height and colour bits replace the engine's; then full screen or windowed.
bool changeScreenMode(OpenGLVerivure* engine, int width, int height, int colourBits, int fullScreen);
int hideGlWindow(OpenGLVerivure* engine);
void setScreen(int width, int height, int fullScreen);

// filter: descriptions and patterns alternating, separated by '|'. The chosen path with '/'
// only, or "NO_FILE" when the dialog was cancelled or could not be shown.
StringValue requestFileName(const StringValue& filter, int open);

struct ScreenPosition {
  int x, y;
};
// Where a window of the drawing size goes to be centred in the usable area.
ScreenPosition centredWindowPosition(int areaX, int areaY, int areaWidth, int areaHeight, int width,
                                     int height);

}  // namespace vantrel
