// The GL context over SDL: created on the runtime's window, kept across windows, swapped with
// interval 0, and the entry-point lookup.
#include "platform/gl_context.h"

#include <SDL.h>

namespace vantrel::platform {

GlContextHandle createGlContext(WindowHandle window) {
  if (!window) return nullptr;
  SDL_GLContext context = SDL_GL_CreateContext(static_cast<SDL_Window*>(window));
  // The runtime waits for its frame slots itself; a vsync wait would come on top.
  if (context) SDL_GL_SetSwapInterval(0);
  return context;
}

bool makeGlContextCurrent(WindowHandle window, GlContextHandle context) {
  if (!window || !context) return false;
  return SDL_GL_MakeCurrent(static_cast<SDL_Window*>(window), static_cast<SDL_GLContext>(context)) == 0;
}

void releaseCurrentGlContext() {
  if (SDL_GL_GetCurrentContext()) SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr);
}

void deleteGlContext(GlContextHandle context) {
  if (!context) return;
  if (SDL_GL_GetCurrentContext() == context) SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr);
  SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context));
}

bool hasGlContext() { return SDL_GL_GetCurrentContext() != nullptr; }

void* findGlProcedure(const char* name) {
  if (!name || !SDL_WasInit(SDL_INIT_VIDEO)) return nullptr;
  return SDL_GL_GetProcAddress(name);
}

void swapGlWindow(WindowHandle window) {
  if (window && hasGlContext()) SDL_GL_SwapWindow(static_cast<SDL_Window*>(window));
}

}  // namespace vantrel::platform
