// The one OpenGL context of the runtime: creation on a window, making it current, swapping,
// and looking up GL entry points by name (SDL's GL services).
#pragma once

#include "platform/window.h"

namespace vantrel::platform {

using GlContextHandle = void*;

// A new context for the window (compatibility profile, the attributes the window was made
// with); null on failure.
GlContextHandle createGlContext(WindowHandle window);
bool makeGlContextCurrent(WindowHandle window, GlContextHandle context);
// Makes no context current (the window's DC is released).
void releaseCurrentGlContext();
void deleteGlContext(GlContextHandle context);
// True while a context is current on this thread: GL may be called.
bool hasGlContext();
// The address of a GL entry point, or null when the GL does not offer it.
void* findGlProcedure(const char* name);
// Shows the back buffer; swap interval 0, since the runtime paces frames itself.
void swapGlWindow(WindowHandle window);

}  // namespace vantrel::platform
