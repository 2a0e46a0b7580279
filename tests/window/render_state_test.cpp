// The 2D render-state reset read back from a real context, the capability cache's call
// counts, the orientation viewport, the multisample request and the window release.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/gl_context.h"
#include "tests/window/window_fixture.h"
#include "window/engine.h"
#include "window/gl_state_cache.h"

namespace vantrel {
namespace {

// Multisample 4: the window is re-created with a multisample format.
constexpr int WIDTH = 64;
constexpr int HEIGHT = 48;

std::vector<GLenum> enabledCalls;
std::vector<GLenum> disabledCalls;
void countEnable(GLenum capability) { enabledCalls.push_back(capability); }
void countDisable(GLenum capability) { disabledCalls.push_back(capability); }

class CountedSwitches {
 public:
  CountedSwitches() {
    enabledCalls.clear();
    disabledCalls.clear();
    setGlSwitchFunctions(countEnable, countDisable);
  }
  ~CountedSwitches() { setGlSwitchFunctions(nullptr, nullptr); }
};

TEST(RenderState, ResetPutsEveryPieceOfStateBackToThe2DDefaults) {
  REQUIRE_WINDOW(e, WIDTH, HEIGHT, 4);
  // Spoil the state behind the cache's back, as user GL code would.
  for (GLenum capability : {GL_DEPTH_TEST, GL_CULL_FACE, GL_FOG, GL_LIGHTING, GL_STENCIL_TEST, GL_BLEND,
                            GL_NORMALIZE, GL_LINE_SMOOTH, GL_COLOR_MATERIAL, GL_AUTO_NORMAL}) {
    glEnable(capability);
  }
  glDisable(GL_ALPHA_TEST);
  glAlphaFunc(GL_LESS, 0.7f);
  glShadeModel(GL_SMOOTH);
  glFrontFace(GL_CW);
  glColor4f(0.2f, 0.3f, 0.4f, 0.5f);
  glViewport(1, 2, 3, 4);
  e->alphaMode = 0.25f;
  e->smoothing = 0;

  resetRenderState(e);

  struct Expected {
    GLenum capability;
    GLboolean enabled;
  };
  const Expected expected[] = {
      {GL_DEPTH_TEST, GL_FALSE},     {GL_CULL_FACE, GL_FALSE},      {GL_ALPHA_TEST, GL_TRUE},
      {GL_FOG, GL_FALSE},            {GL_LINE_SMOOTH, GL_FALSE},    {GL_POINT_SMOOTH, GL_FALSE},
      {GL_STENCIL_TEST, GL_FALSE},   {GL_NORMALIZE, GL_FALSE},      {GL_LIGHTING, GL_FALSE},
      {GL_COLOR_MATERIAL, GL_FALSE}, {GL_DITHER, GL_FALSE},         {GL_POLYGON_SMOOTH, GL_FALSE},
      {GL_POLYGON_OFFSET_POINT, GL_FALSE}, {GL_AUTO_NORMAL, GL_FALSE}, {GL_BLEND, GL_FALSE},
      {GL_TEXTURE_2D, GL_FALSE},
  };
  for (const Expected& item : expected) {
    EXPECT_EQ(glIsEnabled(item.capability), item.enabled) << "capability 0x" << std::hex << item.capability;
  }
  GLint value = 0;
  glGetIntegerv(GL_ALPHA_TEST_FUNC, &value);
  EXPECT_EQ(value, GL_GREATER);
  GLfloat reference = 0;
  glGetFloatv(GL_ALPHA_TEST_REF, &reference);
  EXPECT_NEAR(reference, 0.05f, 1e-6);
  glGetIntegerv(GL_SHADE_MODEL, &value);
  EXPECT_EQ(value, GL_FLAT);
  glGetIntegerv(GL_FRONT_FACE, &value);
  EXPECT_EQ(value, GL_CCW);
  glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &value);
  EXPECT_EQ(value, GL_FASTEST);
  glGetIntegerv(GL_FOG_HINT, &value);
  EXPECT_EQ(value, GL_FASTEST);
  GLfloat colour[4] = {};
  glGetFloatv(GL_CURRENT_COLOR, colour);
  for (GLfloat channel : colour) EXPECT_FLOAT_EQ(channel, 1.0f);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[0], 0);
  EXPECT_EQ(viewport[1], 0);
  EXPECT_EQ(viewport[2], WIDTH);
  EXPECT_EQ(viewport[3], HEIGHT);
  // glOrtho(0, W, H, 0, -1, 1): x scale 2/W, y scale -2/H, origin at the top left.
  GLfloat projection[16] = {};
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  EXPECT_FLOAT_EQ(projection[0], 2.0f / WIDTH);
  EXPECT_FLOAT_EQ(projection[5], -2.0f / HEIGHT);
  EXPECT_FLOAT_EQ(projection[12], -1.0f);
  EXPECT_FLOAT_EQ(projection[13], 1.0f);
  EXPECT_FLOAT_EQ(e->alphaMode, 1.0f);
  EXPECT_FLOAT_EQ(e->alphaTestRef, 0.05f);
  EXPECT_EQ(e->smoothing, 1);
  EXPECT_EQ(e->viewportWidth, WIDTH);
  EXPECT_EQ(e->viewportHeight, HEIGHT);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(RenderState, CacheIssuesOneCallPerCapabilityAfterAResetAndNoneForARepeat) {
  REQUIRE_WINDOW(e, WIDTH, HEIGHT, 4);
  CountedSwitches counted;
  resetRenderState(e);
  // 14 cached capabilities are switched off and alpha test on, each exactly once; texturing
  // (per texture unit, so not cached) is switched off too.
  EXPECT_EQ(enabledCalls, std::vector<GLenum>{GL_ALPHA_TEST});
  ASSERT_EQ(disabledCalls.size(), 15u);
  int cached = 0;
  for (GLenum capability : disabledCalls) {
    if (glStateCacheSlot(capability) >= 0) ++cached;
  }
  EXPECT_EQ(cached, 14);
  resetRenderState(e);
  EXPECT_EQ(disabledCalls.size(), 30u) << "a second reset must reach the GL again";

  enabledCalls.clear();
  disabledCalls.clear();
  glDisableCached(GL_BLEND);
  glDisableCached(GL_DEPTH_TEST);
  glEnableCached(GL_ALPHA_TEST);
  EXPECT_TRUE(enabledCalls.empty());
  EXPECT_TRUE(disabledCalls.empty());

  glEnableCached(GL_BLEND);
  glEnableCached(GL_BLEND);
  glDisableCached(GL_BLEND);
  glDisableCached(GL_BLEND);
  EXPECT_EQ(enabledCalls, std::vector<GLenum>{GL_BLEND});
  EXPECT_EQ(disabledCalls, std::vector<GLenum>{GL_BLEND});

  // A reset forgets what the GL holds, so the next switch reaches it again.
  disabledCalls.clear();
  invalidateGlStateCache();
  glDisableCached(GL_BLEND);
  EXPECT_EQ(disabledCalls, std::vector<GLenum>{GL_BLEND});
  for (int32_t entry : glStateCache().entries) {
    EXPECT_TRUE(entry == GL_STATE_UNKNOWN || entry == 0 || entry == 1);
  }

  // Capabilities outside the cache pass every time.
  enabledCalls.clear();
  glEnableCached(GL_LIGHT0);
  glEnableCached(GL_LIGHT0);
  EXPECT_EQ(enabledCalls.size(), 2u);
}

TEST(RenderState, CacheHolds22DistinctCapabilities) {
  GLenum probes[] = {GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE, GL_ALPHA_TEST, GL_FOG, GL_LINE_SMOOTH,
                     GL_POINT_SMOOTH, GL_STENCIL_TEST, GL_NORMALIZE, GL_LIGHTING, GL_COLOR_MATERIAL,
                     GL_DITHER, GL_POLYGON_SMOOTH, GL_POLYGON_OFFSET_POINT, GL_AUTO_NORMAL,
                     GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q};
  std::vector<bool> used(GL_STATE_CACHE_SIZE, false);
  for (GLenum capability : probes) {
    int slot = glStateCacheSlot(capability);
    ASSERT_GE(slot, 0);
    EXPECT_FALSE(used[slot]);
    used[slot] = true;
  }
}

TEST(RenderState, QuarterTurnSwapsTheViewport) {
  REQUIRE_WINDOW(e, WIDTH, HEIGHT, 4);
  e->orientation = 1;
  setWindowViewport(e, 0, 0, 0, 0);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  // The program sees a HEIGHT x WIDTH screen; the GL viewport stays the whole window.
  EXPECT_EQ(e->viewportWidth, HEIGHT);
  EXPECT_EQ(e->viewportHeight, WIDTH);
  EXPECT_EQ(viewport[0], 0);
  EXPECT_EQ(viewport[1], 0);
  EXPECT_EQ(viewport[2], WIDTH);
  EXPECT_EQ(viewport[3], HEIGHT);
  setWindowViewport(e, 4, 6, 10, 20);
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[0], WIDTH - 6 - 20);
  EXPECT_EQ(viewport[1], HEIGHT - 4 - 10);
  EXPECT_EQ(viewport[2], 20);
  EXPECT_EQ(viewport[3], 10);
  e->orientation = 0;
  resetRenderState(e);
}

TEST(RenderState, MultisampleRequestIsUsedOnceAndCleared) {
  REQUIRE_WINDOW(e, WIDTH, HEIGHT, 4);
  EXPECT_EQ(e->multisample, 0);
  GLint samples = 0;
  glGetIntegerv(GL_SAMPLES, &samples);
  EXPECT_GT(samples, 0) << "the window was not re-created with a multisample format";
  GLint stencil = 0, depth = 0;
  glGetIntegerv(GL_STENCIL_BITS, &stencil);
  glGetIntegerv(GL_DEPTH_BITS, &depth);
  EXPECT_EQ(stencil, 8);
  EXPECT_GE(depth, 24);
}

// Last: it releases the window and makes a new one on the same context.
TEST(RenderState, ReleaseDropsSpritesAndWindowButTheContextSurvives) {
  REQUIRE_WINDOW(e, WIDTH, HEIGHT, 4);
  GLuint spriteTexture = 0, ownTexture = 0;
  glGenTextures(1, &spriteTexture);
  glGenTextures(1, &ownTexture);
  glBindTexture(GL_TEXTURE_2D, spriteTexture);
  glBindTexture(GL_TEXTURE_2D, ownTexture);
  e->spriteTable[5].texture = spriteTexture;
  e->spriteTable[5].width = 2;
  e->alphaMasks[5] = new uint8_t[4];
  void* context = e->glContext;

  releaseGlResources(e);
  EXPECT_EQ(e->window, nullptr);
  EXPECT_EQ(e->screenWidth, 0);
  EXPECT_EQ(e->screenHeight, 0);
  EXPECT_EQ(e->alphaMasks[5], nullptr);
  EXPECT_EQ(e->spriteTable[5].texture, 0u);
  EXPECT_EQ(e->spriteTable[5].width, 0);
  EXPECT_FALSE(platform::hasGlContext());
  resetRenderState(e);  // without a window: nothing happens

  // The same multisample format again, so the context fits the new window.
  ASSERT_TRUE(createGlWindow(e, nullptr, 0, 0, 0, 0, 4));
  EXPECT_EQ(e->glContext, context);
  EXPECT_GT(e->screenWidth, 0) << "width 0 takes the new window's own size";
  EXPECT_GT(e->screenHeight, 0);
  EXPECT_GT(e->colourBits, 0) << "colour bits 0 take the desktop depth";
  EXPECT_DOUBLE_EQ(e->frameTime, 2.0);
  EXPECT_FALSE(glIsTexture(spriteTexture));
  EXPECT_TRUE(glIsTexture(ownTexture));
}

}  // namespace
}  // namespace vantrel
