// OS threads, mutexes, thread ids and sleeping for the runtime's thread layer
// (transforms/threads.h). Implemented on pthreads in platform/posix/threads.cpp.
#pragma once

#include <cstdint>

namespace vantrel::platform {

// A plain, non-recursive OS mutex, opaque to portable code.
struct NativeMutex;
NativeMutex* createMutex();  // null when it cannot be created
void destroyMutex(NativeMutex* mutex);
void lockMutex(NativeMutex* mutex);
void unlockMutex(NativeMutex* mutex);

// The calling thread's id; never 0, unique among the threads that are alive.
using ThreadId = std::uint64_t;
ThreadId currentThreadId();

// An OS thread handle, opaque to portable code; never 0 or all bits set.
using NativeThread = std::uintptr_t;
using ThreadEntry = void* (*)(void* argument);
// Starts entry(argument) with the default stack and attributes. A joinable thread's handle is
// stored in *thread and must be passed to joinThread; a detached thread cleans up after itself.
bool startThread(ThreadEntry entry, void* argument, bool joinable, NativeThread* thread);
// Waits without limit for a joinable thread, stores its result when result is not null and
// releases the handle. False when the wait fails.
bool joinThread(NativeThread thread, void** result);

void yieldThread();
void sleepThread(std::uint32_t milliseconds);

}  // namespace vantrel::platform
