// pthreads behind platform/threads.h: plain mutexes, kernel thread ids, thread start and join,
// yield and sleep.
#include "platform/threads.h"

#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace vantrel::platform {

struct NativeMutex {
  pthread_mutex_t mutex;
};

NativeMutex* createMutex() {
  NativeMutex* mutex = new (std::nothrow) NativeMutex;
  if (mutex == nullptr) return nullptr;
  if (pthread_mutex_init(&mutex->mutex, nullptr) != 0) {
    delete mutex;
    return nullptr;
  }
  return mutex;
}

void destroyMutex(NativeMutex* mutex) {
  pthread_mutex_destroy(&mutex->mutex);
  delete mutex;
}

void lockMutex(NativeMutex* mutex) { pthread_mutex_lock(&mutex->mutex); }
void unlockMutex(NativeMutex* mutex) { pthread_mutex_unlock(&mutex->mutex); }

ThreadId currentThreadId() {
  // The kernel's thread id: never 0, and unlike pthread_t a plain comparable number.
  thread_local const ThreadId id = static_cast<ThreadId>(syscall(SYS_gettid));
  return id;
}

static_assert(sizeof(pthread_t) <= sizeof(NativeThread), "pthread_t must fit a thread handle");

bool startThread(ThreadEntry entry, void* argument, bool joinable, NativeThread* thread) {
  pthread_t id;
  const int result = pthread_create(&id, nullptr, entry, argument);
  if (result != 0) {
    errno = result;
    return false;
  }
  if (!joinable) {
    pthread_detach(id);
    return true;
  }
  NativeThread handle = 0;
  std::memcpy(&handle, &id, sizeof id);
  *thread = handle;
  return true;
}

bool joinThread(NativeThread thread, void** result) {
  pthread_t id;
  std::memcpy(&id, &thread, sizeof id);
  void* value = nullptr;
  if (pthread_join(id, &value) != 0) return false;
  if (result != nullptr) *result = value;
  return true;
}

void yieldThread() { sched_yield(); }

void sleepThread(std::uint32_t milliseconds) {
  timespec remaining{static_cast<time_t>(milliseconds / 1000),
                     static_cast<long>(milliseconds % 1000) * 1000000L};
  // A signal cuts nanosleep short; sleep on for what is left.
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

}  // namespace vantrel::platform
