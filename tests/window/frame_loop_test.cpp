// The frame-slot rule on an injected clock, the frame rate and frame time, the message
// callback per queued event, pausing from focus events, and the typed characters.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/named_functions.h"
#include "core/project_settings.h"
#include "platform/window.h"
#include "tests/window/window_fixture.h"
#include "window/engine.h"
#include "window/frame_loop.h"
#include "window/typed_characters.h"

namespace vantrel {
namespace {

double fakeNow = 0;
double tick = 0;  // how far each reading moves the fake clock
std::vector<int> sleeps;
double fakeClock() {
  double reading = fakeNow;
  fakeNow += tick;
  return reading;
}
void fakeSleep(int milliseconds) {
  sleeps.push_back(milliseconds);
  fakeNow += milliseconds;
}

int pauseCalls = 0;
int resumeCalls = 0;
int messageCalls = 0;
std::vector<int> queuedDuringCallback;  // the user code of the first queued event, per call
int onPause() { return ++pauseCalls; }
int onResume() { return ++resumeCalls; }
int onMessage() {
  ++messageCalls;
  SDL_Event first;
  bool queued = SDL_PeepEvents(&first, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1;
  queuedDuringCallback.push_back(queued && first.type == SDL_USEREVENT ? first.user.code : -1);
  return 0;
}
const NamedFunction TABLE[] = {{onPause, "QZR_ON_PAUSE"},
                               {onResume, "QZR_ON_RESUME"},
                               {onMessage, "QZR_WIN32_MSG"},
                               {nullptr, nullptr}};

class FrameLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    setNamedFunctionTable(TABLE);
    fakeNow = 10000;
    tick = 0;
    sleeps.clear();
    setClockFunctions(fakeClock, fakeSleep);
    elapsedMs();  // the fake clock's first reading becomes the timer base
  }
  void TearDown() override { setClockFunctions(nullptr, nullptr); }

  static void drainQueue(OpenGLVerivure* e) { pumpMessages(e, nullptr); }
  static void pushFocus(Uint8 which) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = which;
    SDL_PushEvent(&event);
  }
};

TEST_F(FrameLoop, LatePresentsKeepSkipOrRestartTheSchedule) {
  REQUIRE_WINDOW(e);
  const double frame = 1000.0 / 60;
  struct Case {
    double late;
    double nextAfter;  // relative to the slot that was due
  };
  const Case cases[] = {{5, frame}, {20, 2 * frame}, {40, 40 + frame}};
  for (const Case& c : cases) {
    e->frameTime = frame;
    double slot = elapsedMs() + 100;
    e->nextFrameTime = slot;
    fakeNow += 100 + c.late;
    sleeps.clear();
    ASSERT_TRUE(swapAndWait(e, nullptr));
    EXPECT_TRUE(sleeps.empty()) << c.late << " ms late must not wait";
    EXPECT_NEAR(e->nextFrameTime, slot + c.nextAfter, 1e-9) << c.late << " ms late";
  }
}

TEST_F(FrameLoop, AnEarlyPresentSleepsWithMarginAndReturnsAtItsSlot) {
  REQUIRE_WINDOW(e);
  e->frameTime = 1000.0 / 60;
  double slot = elapsedMs() + 16;
  e->nextFrameTime = slot;
  tick = 0.25;
  swapAndWait(e, nullptr);
  tick = 0;
  ASSERT_EQ(sleeps, std::vector<int>{13}) << "sleep 16 - 3 ms, then spin with the pump";
  // The wait ends once 1 ms or less remains.
  double remaining = slot - elapsedMs();
  EXPECT_LE(remaining, 1.0);
  EXPECT_GT(remaining, 0.0);
  EXPECT_NEAR(e->nextFrameTime, slot + e->frameTime, 1e-9);
}

TEST_F(FrameLoop, FrameRateIsTruncatedToWholeFrames) {
  REQUIRE_WINDOW(e);
  struct Case {
    double rate, frameTime;
  };
  const Case cases[] = {{60, 1000.0 / 60}, {59.9, 1000.0 / 59}, {0.5, 2.0}, {0, 2.0}, {-30, 2.0},
                        {std::nan(""), 2.0}, {1e12, 1000.0 / 1e12}};
  for (const Case& c : cases) {
    setFrameRate(c.rate);
    EXPECT_DOUBLE_EQ(e->frameTime, c.frameTime) << "rate " << c.rate;
  }
  setFrameRate(60);
}

TEST_F(FrameLoop, FrameTimeIsOneUntilTwoPresentsDiffer) {
  REQUIRE_WINDOW(e);
  e->frameTime = 1000.0 / 60;
  setFrameStamps(elapsedMs());
  EXPECT_DOUBLE_EQ(frameTimeMs(), 1.0) << "start-up stamps are equal";
  e->nextFrameTime = elapsedMs() - 100;  // no waiting, so the clock only moves when told
  presentFrame();
  EXPECT_DOUBLE_EQ(frameTimeMs(), 1.0) << "two stamps at the same time never give 0";
  fakeNow += 25;
  e->nextFrameTime = elapsedMs() - 100;
  presentFrame();
  EXPECT_DOUBLE_EQ(frameTimeMs(), 25.0);
}

TEST_F(FrameLoop, MessageCallbackRunsOncePerEventWhileItIsStillQueued) {
  REQUIRE_WINDOW(e);
  drainQueue(e);
  messageCalls = 0;
  queuedDuringCallback.clear();
  for (int code = 0; code < 5; ++code) {
    SDL_Event event{};
    event.type = SDL_USEREVENT;
    event.user.code = code;
    SDL_PushEvent(&event);
  }
  ASSERT_NE(messageCallback(), nullptr);
  EXPECT_TRUE(pumpMessages(e, messageCallback()));
  EXPECT_EQ(messageCalls, 5);
  EXPECT_EQ(queuedDuringCallback, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_FALSE(platform::isEventQueued());
}

TEST_F(FrameLoop, FocusLossPausesOnceAndFocusGainResumesOnce) {
  REQUIRE_WINDOW(e);
  drainQueue(e);
  setRuntimeTitle("Probe");
  projectSettings().debugMode = 0;
  pauseCalls = resumeCalls = 0;
  pushFocus(SDL_WINDOWEVENT_FOCUS_LOST);
  pushFocus(SDL_WINDOWEVENT_FOCUS_LOST);
  e->nextFrameTime = elapsedMs() - 100;
  presentFrame();
  EXPECT_EQ(pauseCalls, 1);
  EXPECT_EQ(resumeCalls, 0);
  EXPECT_TRUE(isPaused());
  EXPECT_EQ(platform::windowCaption(e->window), "Probe <pause>");

  // The next present holds in the pause loop until the focus comes back.
  pushFocus(SDL_WINDOWEVENT_FOCUS_GAINED);
  pushFocus(SDL_WINDOWEVENT_FOCUS_GAINED);
  e->nextFrameTime = elapsedMs() - 100;
  presentFrame();
  EXPECT_EQ(pauseCalls, 1);
  EXPECT_EQ(resumeCalls, 1);
  EXPECT_FALSE(isPaused());
  EXPECT_EQ(platform::windowCaption(e->window), "Probe");
}

TEST_F(FrameLoop, DebugModeNeverPauses) {
  REQUIRE_WINDOW(e);
  drainQueue(e);
  setRuntimeTitle("Probe");
  projectSettings().debugMode = 1;
  pauseCalls = resumeCalls = 0;
  pushFocus(SDL_WINDOWEVENT_FOCUS_LOST);
  pumpMessages(e, nullptr);
  EXPECT_EQ(pauseCalls, 0);
  EXPECT_FALSE(isPaused());
  EXPECT_EQ(platform::windowCaption(e->window), "Probe");
  projectSettings().debugMode = 0;
}

TEST(TypedCharacters, ControlCharactersAndTheLimit) {
  clearTypedCharacters();
  const struct {
    unsigned char offered;
    int stored;  // -1: ignored
  } cases[] = {{0, -1}, {13, 10}, {10, 10}, {8, 8}, {9, 9}, {27, -1}, {1, -1}, {31, -1}, {32, 32},
               {'a', 'a'}, {0xE9, 0xE9}, {255, 255}};
  for (const auto& c : cases) {
    offerTypedCharacter(c.offered);
    EXPECT_EQ(takeTypedCharacter(), c.stored) << "character " << int(c.offered);
  }
  for (int i = 0; i < 17; ++i) offerTypedCharacter(static_cast<unsigned char>('A' + i));
  EXPECT_EQ(typedCharacterCount(), 16);
  std::string read;
  for (int c; (c = takeTypedCharacter()) >= 0;) read.push_back(static_cast<char>(c));
  EXPECT_EQ(read, "ABCDEFGHIJKLMNOP") << "the 17th character is dropped";
  offerTypedCharacter('x');
  EXPECT_EQ(takeTypedCharacter(), 'x') << "after a read there is room again";
}

TEST_F(FrameLoop, TextInputAndReturnReachTheTypedCharacters) {
  REQUIRE_WINDOW(e);
  drainQueue(e);
  clearTypedCharacters();
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  SDL_strlcpy(text.text.text, "a\xc3\xa9\xe2\x82\xac", sizeof text.text.text);  // a, e-acute, euro
  SDL_PushEvent(&text);
  SDL_Event key{};
  key.type = SDL_KEYDOWN;
  key.key.keysym.scancode = SDL_SCANCODE_RETURN;
  SDL_PushEvent(&key);
  key.key.keysym.scancode = SDL_SCANCODE_BACKSPACE;
  SDL_PushEvent(&key);
  pumpMessages(e, nullptr);
  std::vector<int> read;
  for (int c; (c = takeTypedCharacter()) >= 0;) read.push_back(c);
  EXPECT_EQ(read, (std::vector<int>{'a', 0xE9, 10, 8})) << "Latin-1 kept, the euro sign dropped, 13 read as 10";
}

}  // namespace
}  // namespace vantrel
