// The runtime's thread layer: an error-checking mutex and thread start, join, yield and sleep,
// shaped like the POSIX thread calls and returning POSIX-style error numbers.
#pragma once

#include <cstdint>

namespace vantrel {

constexpr int THREAD_OK = 0;
constexpr int THREAD_NOT_OWNER = 1;       // unlock by a thread that does not hold the lock
constexpr int THREAD_BUSY = 16;           // destroy while the lock is held
constexpr int THREAD_OUT_OF_MEMORY = 12;
constexpr int THREAD_INVALID = 22;        // null handle variable or handle
constexpr int THREAD_DEADLOCK = 36;       // the caller already holds the lock

// A heap record behind a mutex handle. The handle variable (RuntimeMutex*) is null before
// mutexInit and after mutexDestroy; every operation takes the handle variable's address.
struct RuntimeMutex;

int mutexInit(RuntimeMutex** mutex);
// A nested lock by the owner is not counted: it returns THREAD_DEADLOCK and the lock stays
// held once, so the first unlock frees it.
int mutexLock(RuntimeMutex** mutex);
int mutexUnlock(RuntimeMutex** mutex);
int mutexDestroy(RuntimeMutex** mutex);

using ThreadFunction = void* (*)(void* argument);
using ThreadHandle = std::intptr_t;
constexpr ThreadHandle THREAD_DETACHED = 0;
constexpr ThreadHandle THREAD_FAILED = -1;

// Runs function(argument) on a new thread. Joinable: a handle for threadJoin; detached:
// THREAD_DETACHED. THREAD_FAILED (errno set) when the thread cannot be started.
ThreadHandle threadCreate(ThreadFunction function, void* argument, bool joinable);
// Waits without limit, stores the function's result in *exitCode when exitCode is not null
// and releases the handle. THREAD_INVALID when the handle is not joinable or the wait fails.
int threadJoin(ThreadHandle thread, void** exitCode);
void threadYield();
void threadSleep(uint32_t milliseconds);

}  // namespace vantrel
