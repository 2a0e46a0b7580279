// The runtime mutex with its owner rules and the thread calls, over platform/threads.h.
#include "transforms/threads.h"

#include <atomic>
#include <cerrno>
#include <new>

#include "platform/threads.h"

namespace vantrel {

struct RuntimeMutex {
  platform::NativeMutex* lock;
  // The holder's thread id, 0 when free. Atomic because a thread that does not hold the lock
  // still reads it to learn that it is not the owner.
  std::atomic<platform::ThreadId> owner{0};
};

int mutexInit(RuntimeMutex** mutex) {
  if (mutex == nullptr) return THREAD_INVALID;
  RuntimeMutex* record = new (std::nothrow) RuntimeMutex;
  if (record == nullptr) return THREAD_OUT_OF_MEMORY;
  record->lock = platform::createMutex();
  if (record->lock == nullptr) {
    delete record;
    return THREAD_OUT_OF_MEMORY;
  }
  *mutex = record;
  return THREAD_OK;
}

int mutexLock(RuntimeMutex** mutex) {
  if (mutex == nullptr || *mutex == nullptr) return THREAD_INVALID;
  RuntimeMutex* record = *mutex;
  const platform::ThreadId self = platform::currentThreadId();
  // Only this thread ever stores its own id, so seeing it means the lock is already ours;
  // the OS mutex is not recursive, so it must not be taken again.
  if (record->owner.load(std::memory_order_relaxed) == self) return THREAD_DEADLOCK;
  platform::lockMutex(record->lock);
  record->owner.store(self, std::memory_order_relaxed);
  return THREAD_OK;
}

int mutexUnlock(RuntimeMutex** mutex) {
  if (mutex == nullptr || *mutex == nullptr) return THREAD_INVALID;
  RuntimeMutex* record = *mutex;
  if (record->owner.load(std::memory_order_relaxed) != platform::currentThreadId()) {
    return THREAD_NOT_OWNER;
  }
  record->owner.store(0, std::memory_order_relaxed);
  platform::unlockMutex(record->lock);
  return THREAD_OK;
}

int mutexDestroy(RuntimeMutex** mutex) {
  if (mutex == nullptr || *mutex == nullptr) return THREAD_INVALID;
  RuntimeMutex* record = *mutex;
  // Destroying a held OS mutex is undefined; refuse, as the POSIX call does.
  if (record->owner.load(std::memory_order_relaxed) != 0) return THREAD_BUSY;
  platform::destroyMutex(record->lock);
  delete record;
  *mutex = nullptr;
  return THREAD_OK;
}

namespace {

struct ThreadStart {
  ThreadFunction function;
  void* argument;
};

void* threadEntry(void* start) {
  // The record is freed before the function runs, so a detached thread leaves nothing behind.
  const ThreadStart copy = *static_cast<ThreadStart*>(start);
  delete static_cast<ThreadStart*>(start);
  return copy.function(copy.argument);
}

}  // namespace

ThreadHandle threadCreate(ThreadFunction function, void* argument, bool joinable) {
  if (function == nullptr) {
    errno = EINVAL;
    return THREAD_FAILED;
  }
  ThreadStart* start = new (std::nothrow) ThreadStart{function, argument};
  if (start == nullptr) {
    errno = ENOMEM;
    return THREAD_FAILED;
  }
  platform::NativeThread thread = 0;
  if (!platform::startThread(threadEntry, start, joinable, &thread)) {
    delete start;
    return THREAD_FAILED;
  }
  return joinable ? static_cast<ThreadHandle>(thread) : THREAD_DETACHED;
}

int threadJoin(ThreadHandle thread, void** exitCode) {
  if (thread == THREAD_DETACHED || thread == THREAD_FAILED) return THREAD_INVALID;
  if (!platform::joinThread(static_cast<platform::NativeThread>(thread), exitCode)) {
    return THREAD_INVALID;
  }
  return THREAD_OK;
}

void threadYield() { platform::yieldThread(); }

void threadSleep(uint32_t milliseconds) { platform::sleepThread(milliseconds); }

}  // namespace vantrel
