// The runtime mutex's owner rules across two threads, its argument checks, and thread start
// and join. Threads hand over with atomic flags, never with sleeps.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "transforms/threads.h"

using namespace vantrel;

// Every operator new of this program is counted, to see the thread start record come and go.
namespace {
std::atomic<long> liveAllocations{0};
}

void* operator new(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  liveAllocations.fetch_add(1);
  return block;
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block != nullptr) liveAllocations.fetch_add(1);
  return block;
}
void operator delete(void* block) noexcept {
  if (block == nullptr) return;
  liveAllocations.fetch_sub(1);
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

namespace {

void waitFor(const std::atomic<int>& step, int value) {
  while (step.load() < value) threadYield();
}

struct OwnerScenario {
  RuntimeMutex* mutex = nullptr;
  std::atomic<int> step{0};
  int foreignUnlock = -1;
  int lockAfterRelease = -1;
  int nestedLock = -1;
  int unlockOwn = -1;
};

void* secondThread(void* argument) {
  auto* s = static_cast<OwnerScenario*>(argument);
  s->foreignUnlock = mutexUnlock(&s->mutex);  // the main thread holds it
  s->step = 1;
  waitFor(s->step, 2);
  s->lockAfterRelease = mutexLock(&s->mutex);  // waits until the main thread lets go
  s->nestedLock = mutexLock(&s->mutex);
  s->step = 3;
  waitFor(s->step, 4);
  s->unlockOwn = mutexUnlock(&s->mutex);
  return nullptr;
}

}  // namespace

TEST(RuntimeMutex, OwnerRulesAcrossTwoThreads) {
  OwnerScenario s;
  ASSERT_EQ(mutexInit(&s.mutex), THREAD_OK);
  ASSERT_NE(s.mutex, nullptr);
  EXPECT_EQ(mutexLock(&s.mutex), THREAD_OK);
  EXPECT_EQ(mutexLock(&s.mutex), THREAD_DEADLOCK) << "a second lock by the owner";

  const ThreadHandle thread = threadCreate(secondThread, &s, true);
  ASSERT_NE(thread, THREAD_FAILED);
  waitFor(s.step, 1);
  EXPECT_EQ(s.foreignUnlock, THREAD_NOT_OWNER);
  EXPECT_EQ(mutexLock(&s.mutex), THREAD_DEADLOCK) << "the foreign unlock left the lock with us";

  // The nested lock was not counted: one unlock frees it for the other thread.
  EXPECT_EQ(mutexUnlock(&s.mutex), THREAD_OK);
  EXPECT_EQ(mutexUnlock(&s.mutex), THREAD_NOT_OWNER) << "nobody holds it now";
  s.step = 2;
  waitFor(s.step, 3);
  EXPECT_EQ(s.lockAfterRelease, THREAD_OK);
  EXPECT_EQ(s.nestedLock, THREAD_DEADLOCK);
  EXPECT_EQ(mutexUnlock(&s.mutex), THREAD_NOT_OWNER) << "the other thread holds it";
  EXPECT_EQ(mutexDestroy(&s.mutex), THREAD_BUSY) << "a held lock is not destroyed";
  EXPECT_NE(s.mutex, nullptr);
  s.step = 4;

  EXPECT_EQ(threadJoin(thread, nullptr), THREAD_OK);
  EXPECT_EQ(s.unlockOwn, THREAD_OK);
  EXPECT_EQ(mutexDestroy(&s.mutex), THREAD_OK);
  EXPECT_EQ(s.mutex, nullptr);
}

namespace {

struct Counter {
  RuntimeMutex* mutex = nullptr;
  long value = 0;  // deliberately not atomic: only the lock keeps the increments whole
};

constexpr int INCREMENTS = 200000;

void* countUp(void* argument) {
  auto* counter = static_cast<Counter*>(argument);
  for (int i = 0; i < INCREMENTS; ++i) {
    mutexLock(&counter->mutex);
    counter->value = counter->value + 1;
    mutexUnlock(&counter->mutex);
  }
  return nullptr;
}

}  // namespace

TEST(RuntimeMutex, KeepsOtherThreadsOut) {
  Counter counter;
  ASSERT_EQ(mutexInit(&counter.mutex), THREAD_OK);
  const ThreadHandle a = threadCreate(countUp, &counter, true);
  const ThreadHandle b = threadCreate(countUp, &counter, true);
  ASSERT_NE(a, THREAD_FAILED);
  ASSERT_NE(b, THREAD_FAILED);
  countUp(&counter);
  EXPECT_EQ(threadJoin(a, nullptr), THREAD_OK);
  EXPECT_EQ(threadJoin(b, nullptr), THREAD_OK);
  EXPECT_EQ(counter.value, 3L * INCREMENTS);
  EXPECT_EQ(mutexDestroy(&counter.mutex), THREAD_OK);
}

TEST(RuntimeMutex, RejectsNullVariablesAndHandles) {
  EXPECT_EQ(mutexInit(nullptr), THREAD_INVALID);
  EXPECT_EQ(mutexLock(nullptr), THREAD_INVALID);
  EXPECT_EQ(mutexUnlock(nullptr), THREAD_INVALID);
  EXPECT_EQ(mutexDestroy(nullptr), THREAD_INVALID);
  RuntimeMutex* never = nullptr;
  EXPECT_EQ(mutexLock(&never), THREAD_INVALID);
  EXPECT_EQ(mutexUnlock(&never), THREAD_INVALID);
  EXPECT_EQ(mutexDestroy(&never), THREAD_INVALID) << "destroying a never-initialised mutex";

  RuntimeMutex* mutex = nullptr;
  ASSERT_EQ(mutexInit(&mutex), THREAD_OK);
  EXPECT_EQ(mutexUnlock(&mutex), THREAD_NOT_OWNER) << "unlocking a free mutex";
  EXPECT_EQ(mutexDestroy(&mutex), THREAD_OK);
  EXPECT_EQ(mutexDestroy(&mutex), THREAD_INVALID) << "the variable is null after destroy";
}

namespace {

struct DetachedRun {
  std::atomic<long> allocationsAtEntry{-1};
  std::atomic<int> done{0};
};

void* detachedBody(void* argument) {
  auto* run = static_cast<DetachedRun*>(argument);
  run->allocationsAtEntry = liveAllocations.load();
  run->done = 1;
  return nullptr;
}

void* returnArgument(void* argument) { return argument; }

}  // namespace

TEST(Threads, DetachedThreadFreesItsStartRecordBeforeRunning) {
  DetachedRun run;
  const long before = liveAllocations.load();
  const ThreadHandle handle = threadCreate(detachedBody, &run, false);
  waitFor(run.done, 1);
  EXPECT_EQ(handle, THREAD_DETACHED);
  EXPECT_EQ(run.allocationsAtEntry.load(), before)
      << "the start record must be gone when the function runs";
}

TEST(Threads, JoinDeliversTheFunctionResult) {
  int marker = 0;
  const ThreadHandle thread = threadCreate(returnArgument, &marker, true);
  ASSERT_NE(thread, THREAD_FAILED);
  ASSERT_NE(thread, THREAD_DETACHED);
  void* exitCode = nullptr;
  EXPECT_EQ(threadJoin(thread, &exitCode), THREAD_OK);
  EXPECT_EQ(exitCode, &marker);

  EXPECT_EQ(threadJoin(THREAD_DETACHED, nullptr), THREAD_INVALID);
  EXPECT_EQ(threadJoin(THREAD_FAILED, nullptr), THREAD_INVALID);
  errno = 0;
  EXPECT_EQ(threadCreate(nullptr, nullptr, true), THREAD_FAILED);
  EXPECT_EQ(errno, EINVAL);
}

TEST(Threads, SleepLastsAtLeastTheGivenMilliseconds) {
  const auto start = std::chrono::steady_clock::now();
  threadSleep(20);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}
