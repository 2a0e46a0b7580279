// OpenGLVerivure: the one engine object that owns the window, the GL context, the sprite table
// and the font glyph tables. Commands reach it through engine().
#pragma once

#include <cstdint>
#include <vector>

#include "window/sprite_record.h"

namespace vantrel {

struct Verivure3D;

struct TexturedVertex {
  float x, y, z;
  float u, v;
};

class OpenGLVerivure {
 public:
  OpenGLVerivure();
  virtual ~OpenGLVerivure();
  OpenGLVerivure(const OpenGLVerivure&) = delete;
  OpenGLVerivure& operator=(const OpenGLVerivure&) = delete;

  void* window = nullptr;  // the platform window; null while none exists
  int screenWidth = 0;
  int screenHeight = 0;
  int colourBits = 0;
  uint8_t fullScreen = 0;
  int multisample = 0;
  void* instance = nullptr;
  void* glContext = nullptr;
  double nextFrameTime = 0;
  double frameTime = 0;
  float alphaMode = 0;
  float alphaTestRef = 0;
  uint8_t clearEachFrame = 1;
  uint8_t clearDepthOnce = 1;
  uint8_t bgraSupported = 0;
  uint8_t smoothing = 1;
  int orientation = 0;
  int viewportX = 0, viewportY = 0, viewportWidth = 0, viewportHeight = 0;
  int spriteKey = 0x8000ff;
  int fontKey = 0;
  int renderTarget = -1;
  Verivure3D* renderer3D = nullptr;
  SpriteRecord* spriteTable = nullptr;          // SPRITE_COUNT records
  std::vector<uint8_t*> alphaMasks;             // SPRITE_COUNT pointers (new[]), null until used
  std::vector<TexturedVertex> vertexBuffer;     // shared by text and billboards
  GlyphRecord glyphs[FONT_SLOTS][GLYPHS_PER_FONT] = {};
};

// The process-wide engine; null before start-up and after shutdown.
OpenGLVerivure* engine();
void setEngine(OpenGLVerivure* instance);
// The process-wide window variable that input, sound and media use; null while none exists.
void* mainWindow();
void setMainWindow(void* window);

// Creates the window and the context (kept when one exists) and makes it current.
bool createGlWindow(OpenGLVerivure* engine, void* instance, int width, int height, int colourBits,
                    int frameRate, int multisample);
// The GL state back to the 2D defaults; nothing without a window.
void resetRenderState(OpenGLVerivure* engine);
// Deletes every texture, leaves full screen and destroys the window; the context survives.
void releaseGlResources(OpenGLVerivure* engine);
void setSmoothing(int value);
// The 2D viewport on the window in program coordinates (turned by the orientation);
// w <= 0 or h <= 0 means the whole screen.
void setWindowViewport(OpenGLVerivure* engine, int x, int y, int w, int h);
// The desktop size read when the window was last created (0 before).
int desktopScreenWidth();
int desktopScreenHeight();
// The 2D viewport over the whole current target (the window, or the off-screen surface
// through engineHooks().resetViewport).
void setWholeViewport(OpenGLVerivure* engine);
// The GL_RENDERER string, fetched once per process ("" before a context existed).
const char* glRendererName();
// Set once the software-renderer warning has been given.
int softwareRendererDetected();
// True for a renderer name of a software rasteriser.
bool isSoftwareRendererName(const char* renderer);
// The warning: log line, and the message box when "opengldriver.txt" opens in the current
// folder (its first 2047 bytes, or the built-in text when it is empty).
void warnSoftwareRenderer();

// Engine resources kept by the subsystems built on the window (large images, surfaces);
// null hooks do nothing.
struct EngineHooks {
  void (*releaseLargeImages)(OpenGLVerivure& engine) = nullptr;  // by releaseGlResources
  void (*releaseSurfaces)(OpenGLVerivure& engine) = nullptr;     // by the destructor, first
  // Replaces the window viewport in resetRenderState while an off-screen surface is the target.
  void (*resetViewport)(OpenGLVerivure& engine) = nullptr;
  // Unbinds the sprite textures in resetRenderState (bindSprite with no sprite).
  void (*unbindTextures)(OpenGLVerivure& engine) = nullptr;
};
EngineHooks& engineHooks();

}  // namespace vantrel
