// GlStateCache: the last known state of each GL capability the runtime switches, so that a
// redundant glEnable or glDisable is never issued. Every capability switch goes through it.
#pragma once

#include <GL/gl.h>

#include <cstdint>

namespace vantrel {

constexpr int GL_STATE_CACHE_SIZE = 22;
constexpr int32_t GL_STATE_UNKNOWN = 0x7f7f7f7f;  // every byte 0x7F

struct GlStateCache {
  int32_t entries[GL_STATE_CACHE_SIZE];
};

GlStateCache& glStateCache();
// Every entry back to unknown, so the next switch of each capability reaches the GL.
void invalidateGlStateCache();

// glEnable only when the capability is not known to be enabled; glDisable likewise.
// Capabilities outside the cache (lights, per-unit texturing) are passed on every time.
// Without a current GL context nothing is called.
void glEnableCached(GLenum capability);
void glDisableCached(GLenum capability);
// The cache slot of a capability, -1 when it is not cached.
int glStateCacheSlot(GLenum capability);

// Tests count the calls that reach the GL here; null restores glEnable/glDisable.
using GlSwitchFunction = void (*)(GLenum capability);
void setGlSwitchFunctions(GlSwitchFunction enable, GlSwitchFunction disable);

}  // namespace vantrel
