// GlStateCache: one entry per switched GL capability; redundant switches never reach the GL.
#include "window/gl_state_cache.h"

#include <cstring>

#include "platform/gl_context.h"

namespace vantrel {

namespace {

constexpr GLenum CACHED_CAPABILITIES[GL_STATE_CACHE_SIZE] = {
    GL_BLEND,         GL_DEPTH_TEST,          GL_CULL_FACE,         GL_ALPHA_TEST,
    GL_FOG,           GL_LINE_SMOOTH,         GL_POINT_SMOOTH,      GL_STENCIL_TEST,
    GL_NORMALIZE,     GL_LIGHTING,            GL_COLOR_MATERIAL,    GL_DITHER,
    GL_POLYGON_SMOOTH, GL_POLYGON_OFFSET_POINT, GL_AUTO_NORMAL,     GL_TEXTURE_GEN_S,
    GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R,       GL_TEXTURE_GEN_Q,     GL_POLYGON_OFFSET_FILL,
    GL_POLYGON_OFFSET_LINE, GL_SCISSOR_TEST,
};

void enableOnContext(GLenum capability) {
  if (platform::hasGlContext()) glEnable(capability);
}

void disableOnContext(GLenum capability) {
  if (platform::hasGlContext()) glDisable(capability);
}

GlSwitchFunction enableFunction = enableOnContext;
GlSwitchFunction disableFunction = disableOnContext;

GlStateCache makeUnknownCache() {
  GlStateCache cache;
  std::memset(cache.entries, 0x7f, sizeof cache.entries);
  return cache;
}

}  // namespace

GlStateCache& glStateCache() {
  static GlStateCache cache = makeUnknownCache();
  return cache;
}

void invalidateGlStateCache() { std::memset(glStateCache().entries, 0x7f, sizeof glStateCache().entries); }

int glStateCacheSlot(GLenum capability) {
  for (int slot = 0; slot < GL_STATE_CACHE_SIZE; ++slot) {
    if (CACHED_CAPABILITIES[slot] == capability) return slot;
  }
  return -1;
}

void glEnableCached(GLenum capability) {
  int slot = glStateCacheSlot(capability);
  if (slot < 0) {
    enableFunction(capability);
    return;
  }
  int32_t& entry = glStateCache().entries[slot];
  if (entry == 1) return;
  enableFunction(capability);
  entry = 1;
}

void glDisableCached(GLenum capability) {
  int slot = glStateCacheSlot(capability);
  if (slot < 0) {
    disableFunction(capability);
    return;
  }
  int32_t& entry = glStateCache().entries[slot];
  if (entry == 0) return;
  disableFunction(capability);
  entry = 0;
}

void setGlSwitchFunctions(GlSwitchFunction enable, GlSwitchFunction disable) {
  enableFunction = enable ? enable : enableOnContext;
  disableFunction = disable ? disable : disableOnContext;
}

}  // namespace vantrel
