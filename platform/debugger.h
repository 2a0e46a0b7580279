// Debugger presence and process exit.
#pragma once

namespace vantrel::platform {

// True when a tracer is attached (TracerPid in /proc/self/status is not 0).
bool isDebuggerAttached();

// Writes text to standard error or standard output unchanged and flushes the stream.
void writeStandardError(const char* text);
void writeStandardOutput(const char* text);

[[noreturn]] void exitProcess(int code);

}  // namespace vantrel::platform
