// OpenGLVerivure: its lifetime, the window and context creation with the multisample and
// software-renderer steps, extension probing, the 2D render-state reset and the release.
#include "window/engine.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/errors.h"
#include "platform/files.h"
#include "platform/gl_context.h"
#include "platform/window.h"
#include "window/frame_loop.h"
#include "window/gl_extensions.h"
#include "window/gl_state_cache.h"

namespace vantrel {

namespace {

OpenGLVerivure* theEngine = nullptr;
void* theMainWindow = nullptr;
int softwareWarningGiven = 0;
bool rendererFetched = false;
std::string rendererName;
int desktopWidthSeen = 0;
int desktopHeightSeen = 0;

const char BUILTIN_DRIVER_TEXT[] =
    "Please update your GFX adapter's driver\nso it can render OpenGL by HARDWARE\n\n\n"
    "Bitte aktualisieren Sie Ihren\nGrafkkartentreiber, damit er OpenGL\nper HARDWARE unterst\xfc"
    "tzt!";

template <typename Function>
void fetchEntry(Function& slot, const char* name) {
  slot = reinterpret_cast<Function>(platform::findGlProcedure(name));
}

bool hasExtension(const char* extensions, const char* name) { return std::strstr(extensions, name) != nullptr; }

void logFormatted(const char* format, const char* text) {
  std::string line(std::strlen(format) + std::strlen(text), '\0');
  int length = std::snprintf(line.data(), line.size() + 1, format, text);
  line.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  appendToLog(line.c_str());
}

// Entry points of extensions the GL names. A window system's lookup may hand out a pointer
// for any name, so a set is fetched only when its extension is listed.
void probeExtensions(OpenGLVerivure* engine) {
  GlExtensions& ext = glExtensions();
  ext = GlExtensions{};
  const char* listed = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  const char* extensions = listed ? listed : "";
  if (hasExtension(extensions, "GL_ARB_multitexture")) {
    fetchEntry(ext.glActiveTextureARB, "glActiveTextureARB");
    fetchEntry(ext.glMultiTexCoord2fARB, "glMultiTexCoord2fARB");
    fetchEntry(ext.glClientActiveTextureARB, "glClientActiveTextureARB");
    if (hasExtension(extensions, "GL_ARB_vertex_buffer_object")) {
      fetchEntry(ext.glGenBuffersARB, "glGenBuffersARB");
      fetchEntry(ext.glBindBufferARB, "glBindBufferARB");
      fetchEntry(ext.glBufferDataARB, "glBufferDataARB");
      fetchEntry(ext.glDeleteBuffersARB, "glDeleteBuffersARB");
      fetchEntry(ext.glMapBufferARB, "glMapBufferARB");
      fetchEntry(ext.glUnmapBufferARB, "glUnmapBufferARB");
      fetchEntry(ext.glGetBufferParameterivARB, "glGetBufferParameterivARB");
    }
  }
  if (hasExtension(extensions, "GL_ARB_fragment_program") && hasExtension(extensions, "GL_ARB_shader_objects")) {
    fetchEntry(ext.glCreateProgramObjectARB, "glCreateProgramObjectARB");
    fetchEntry(ext.glDeleteObjectARB, "glDeleteObjectARB");
    fetchEntry(ext.glCreateShaderObjectARB, "glCreateShaderObjectARB");
    fetchEntry(ext.glShaderSourceARB, "glShaderSourceARB");
    fetchEntry(ext.glCompileShaderARB, "glCompileShaderARB");
    fetchEntry(ext.glGetObjectParameterivARB, "glGetObjectParameterivARB");
    fetchEntry(ext.glAttachObjectARB, "glAttachObjectARB");
    fetchEntry(ext.glGetInfoLogARB, "glGetInfoLogARB");
    fetchEntry(ext.glLinkProgramARB, "glLinkProgramARB");
    fetchEntry(ext.glUseProgramObjectARB, "glUseProgramObjectARB");
    fetchEntry(ext.glGetUniformLocationARB, "glGetUniformLocationARB");
    fetchEntry(ext.glUniform1fARB, "glUniform1fARB");
    fetchEntry(ext.glUniform1iARB, "glUniform1iARB");
    fetchEntry(ext.glGetAttribLocationARB, "glGetAttribLocationARB");
    fetchEntry(ext.glVertexAttrib1fARB, "glVertexAttrib1fARB");
  }
  engine->bgraSupported =
      hasExtension(extensions, "_texture_format_BGRA8888") || hasExtension(extensions, "GL_EXT_bgra") ? 1 : 0;
  if (engine->bgraSupported) {
    appendToLog("BGRA ext supported\n");
  } else {
    logFormatted("BGRA ext NOT supported\n%s\n", extensions);
  }
  GLint textureLimit = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &textureLimit);
  char line[64];
  std::snprintf(line, sizeof line, "Texture size limit: %d\n", static_cast<int>(textureLimit));
  appendToLog(line);

  appendToLog("init fbo\n");
  if (hasExtension(extensions, "GL_EXT_framebuffer_object")) {
    fetchEntry(ext.glBindRenderbufferEXT, "glBindRenderbufferEXT");
    fetchEntry(ext.glDeleteRenderbuffersEXT, "glDeleteRenderbuffersEXT");
    fetchEntry(ext.glGenRenderbuffersEXT, "glGenRenderbuffersEXT");
    fetchEntry(ext.glRenderbufferStorageEXT, "glRenderbufferStorageEXT");
    fetchEntry(ext.glBindFramebufferEXT, "glBindFramebufferEXT");
    fetchEntry(ext.glDeleteFramebuffersEXT, "glDeleteFramebuffersEXT");
    fetchEntry(ext.glGenFramebuffersEXT, "glGenFramebuffersEXT");
    fetchEntry(ext.glCheckFramebufferStatusEXT, "glCheckFramebufferStatusEXT");
    fetchEntry(ext.glFramebufferTexture2DEXT, "glFramebufferTexture2DEXT");
    fetchEntry(ext.glFramebufferRenderbufferEXT, "glFramebufferRenderbufferEXT");
    fetchEntry(ext.glGetFramebufferAttachmentParameterivEXT, "glGetFramebufferAttachmentParameterivEXT");
  }
  ext.framebuffersSupported = ext.glGenFramebuffersEXT != nullptr;
  if (!ext.framebuffersSupported) appendToLog("can't use framebuffer object\n");
}

// A window with a multisample format: the requested count first, then half of it while
// half is not zero. Null when none can be made.
platform::WindowHandle createMultisampleWindow(int width, int height, int request) {
  int samples = request;
  for (;;) {
    platform::WindowHandle window = platform::createWindow("Vantrel", width, height, samples);
    if (window || samples / 2 == 0) return window;
    samples /= 2;
  }
}

void storeSize(OpenGLVerivure* engine, int width, int height, int colourBits) {
  engine->screenWidth = width;
  engine->screenHeight = height;
  engine->colourBits = colourBits;
  engine->fullScreen = 0;
}

}  // namespace

OpenGLVerivure::OpenGLVerivure()
    : spriteTable(new SpriteRecord[SPRITE_COUNT]()), alphaMasks(SPRITE_COUNT, nullptr) {}

OpenGLVerivure::~OpenGLVerivure() {
  if (engineHooks().releaseSurfaces) engineHooks().releaseSurfaces(*this);
  releaseGlResources(this);
  if (glContext) {
    platform::deleteGlContext(glContext);
    glContext = nullptr;
  }
  for (uint8_t*& mask : alphaMasks) {
    delete[] mask;
    mask = nullptr;
  }
  delete[] spriteTable;
  spriteTable = nullptr;
}

OpenGLVerivure* engine() { return theEngine; }
void setEngine(OpenGLVerivure* instance) { theEngine = instance; }
void* mainWindow() { return theMainWindow; }
void setMainWindow(void* window) { theMainWindow = window; }

EngineHooks& engineHooks() {
  static EngineHooks hooks;
  return hooks;
}

GlExtensions& glExtensions() {
  static GlExtensions extensions;
  return extensions;
}

int desktopScreenWidth() { return desktopWidthSeen; }
int desktopScreenHeight() { return desktopHeightSeen; }

const char* glRendererName() {
  if (!rendererFetched && platform::hasGlContext()) {
    const GLubyte* name = glGetString(GL_RENDERER);
    rendererName = name ? reinterpret_cast<const char*>(name) : "";
    rendererFetched = true;
  }
  return rendererName.c_str();
}

int softwareRendererDetected() { return softwareWarningGiven; }

bool isSoftwareRendererName(const char* renderer) {
  if (!renderer) return false;
  return std::strstr(renderer, "llvmpipe") || std::strstr(renderer, "softpipe") ||
         std::strstr(renderer, "Software Rasterizer") || std::strcmp(renderer, "Mesa Windows GDI Driver") == 0;
}

void warnSoftwareRenderer() {
  appendToLog("*** OpenGL Software Emulation - update driver!\n");
  softwareWarningGiven = 1;
  platform::FileHandle file = platform::openFileForReading("opengldriver.txt");
  if (file == platform::NO_FILE) return;
  char text[2048] = {};
  platform::readFile(file, text, sizeof text - 1);
  platform::closeFile(file);
  platform::showWarningBox("No OpenGL Hardware Drivers", text[0] ? text : BUILTIN_DRIVER_TEXT);
}

bool createGlWindow(OpenGLVerivure* engine, void* instance, int width, int height, int colourBits,
                    int frameRate, int multisample) {
  engine->frameTime = frameRate > 0 ? 1000.0 / frameRate : 2.0;
  if (!platform::initVideo()) return false;
  engine->instance = instance;
  engine->multisample = multisample;
  appendToLog("WIN32 init video\n");
  desktopWidthSeen = platform::desktopWidth();
  desktopHeightSeen = platform::desktopHeight();

  // SDL fixes a window's pixel format when it creates it, so a multisample request is tried
  // first and the plain format is the fallback.
  int request = engine->multisample;
  platform::WindowHandle window = request ? createMultisampleWindow(width, height, request) : nullptr;
  engine->multisample = 0;
  if (!window) window = platform::createWindow("Vantrel", width, height, -1);
  if (!window) return false;
  engine->window = window;
  if (colourBits == 0) colourBits = platform::desktopBitsPerPixel();
  if (width == 0 || height == 0) {
    int clientWidth = 0, clientHeight = 0;
    platform::windowClientSize(window, &clientWidth, &clientHeight);
    if (width == 0) width = clientWidth;
    if (height == 0) height = clientHeight;
  }
  storeSize(engine, width, height, colourBits);

  // The context outlives windows, so textures survive a new window.
  if (!engine->glContext) {
    engine->glContext = platform::createGlContext(window);
  } else if (!platform::makeGlContextCurrent(window, engine->glContext)) {
    platform::deleteGlContext(engine->glContext);
    engine->glContext = platform::createGlContext(window);
  }
  if (!engine->glContext || !platform::makeGlContextCurrent(window, engine->glContext)) {
    // Without a context nothing can be drawn; the runtime goes on without a window.
    releaseGlResources(engine);
    return false;
  }

  if (!softwareWarningGiven && isSoftwareRendererName(glRendererName())) warnSoftwareRenderer();

  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  storeSize(engine, width, height, colourBits);
  appendToLog("get accurate timer - 1st call\n");
  engine->nextFrameTime = elapsedMs();
  appendToLog("flip - 1st call\n");
  swapAndWait(engine, nullptr);
  probeExtensions(engine);
  platform::hideWindow(engine->window);
  appendToLog("2D VP\n");
  resetRenderState(engine);
  appendToLog("OGRB init [OK]\n");
  return true;
}

void setWindowViewport(OpenGLVerivure* engine, int x, int y, int w, int h) {
  if (!engine->window || !platform::hasGlContext()) return;
  int orientation = engine->orientation;
  bool quarterTurn = orientation == 1 || orientation == 3;
  if (w <= 0 || h <= 0) {
    x = 0;
    y = 0;
    w = quarterTurn ? engine->screenHeight : engine->screenWidth;
    h = quarterTurn ? engine->screenWidth : engine->screenHeight;
  }
  static const GLfloat TURNS[3][16] = {
      {0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
      {-1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
      {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
  };
  int W = engine->screenWidth;
  int H = engine->screenHeight;
  glMatrixMode(GL_PROJECTION);
  if (orientation >= 1 && orientation <= 3) {
    glLoadMatrixf(TURNS[orientation - 1]);
  } else {
    glLoadIdentity();
  }
  switch (orientation) {
    case 1: glViewport(W - y - h, H - x - w, h, w); break;
    case 2: glViewport(W - x - w, y, w, h); break;
    case 3: glViewport(y, x, h, w); break;
    default: glViewport(x, H - y - h, w, h); break;
  }
  glOrtho(0, w, h, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  engine->viewportX = x;
  engine->viewportY = y;
  engine->viewportWidth = w;
  engine->viewportHeight = h;
}

void setWholeViewport(OpenGLVerivure* engine) {
  if (engine->renderTarget != -1 && engineHooks().resetViewport) {
    engineHooks().resetViewport(*engine);
  } else {
    setWindowViewport(engine, 0, 0, 0, 0);
  }
}

void resetRenderState(OpenGLVerivure* engine) {
  if (!engine || !engine->window || !platform::hasGlContext()) return;
  setWholeViewport(engine);
  invalidateGlStateCache();
  glDisableCached(GL_DEPTH_TEST);
  glDisableCached(GL_CULL_FACE);
  glFrontFace(GL_CCW);
  glEnableCached(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.05f);
  engine->alphaTestRef = 0.05f;
  glColor4f(1, 1, 1, 1);
  glDisableCached(GL_FOG);
  glDisableCached(GL_LINE_SMOOTH);
  glDisableCached(GL_POINT_SMOOTH);
  glDisableCached(GL_STENCIL_TEST);
  glDisableCached(GL_NORMALIZE);
  glDisableCached(GL_LIGHTING);
  glShadeModel(GL_FLAT);
  glDisableCached(GL_COLOR_MATERIAL);
  glDisableCached(GL_DITHER);
  glDisableCached(GL_POLYGON_SMOOTH);
  glDisableCached(GL_POLYGON_OFFSET_POINT);
  glDisableCached(GL_AUTO_NORMAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
  glHint(GL_FOG_HINT, GL_FASTEST);
  engine->smoothing = 1;
  if (engineHooks().unbindTextures) {
    engineHooks().unbindTextures(*engine);
  } else {
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisableCached(GL_TEXTURE_2D);
  }
  glDisableCached(GL_BLEND);
  engine->alphaMode = 1.0f;
  glColor4f(1, 1, 1, 1);
}

void releaseGlResources(OpenGLVerivure* engine) {
  bool onContext = platform::hasGlContext();
  if (onContext) glBindTexture(GL_TEXTURE_2D, 0);
  // Sprites 0-65535 as deleteSprite leaves them: no mask, no textures, an empty record.
  for (int sprite = 0; sprite < SPRITE_COUNT - 1; ++sprite) {
    SpriteRecord& record = engine->spriteTable[sprite];
    uint8_t*& mask = engine->alphaMasks[sprite];
    if (!mask && !record.texture && !record.mipTexture) continue;
    delete[] mask;
    mask = nullptr;
    if (onContext && record.texture) glDeleteTextures(1, &record.texture);
    if (onContext && record.mipTexture) glDeleteTextures(1, &record.mipTexture);
    record = emptySpriteRecord();
  }
  if (onContext && engineHooks().releaseLargeImages) engineHooks().releaseLargeImages(*engine);
  if (engine->window) {
    if (engine->fullScreen) {
      platform::leaveFullScreenMode(engine->window);
      engine->fullScreen = 0;
    }
    platform::releaseCurrentGlContext();
    platform::destroyWindow(engine->window);
    if (theMainWindow == engine->window) theMainWindow = nullptr;
    engine->window = nullptr;
  }
  engine->screenWidth = 0;
  engine->screenHeight = 0;
}

void setSmoothing(int value) {
  if (theEngine) theEngine->smoothing = value ? 1 : 0;
}

}  // namespace vantrel
