// The runtime's one error state, its codes and texts, the END path, the runtime log and the
// debugger output.
#pragma once

#include <cstdint>

#include "core/string_value.h"

namespace vantrel {

constexpr int ERR_SUCCESS = 0;
constexpr int ERR_NO_SUCH_FILE = 3;
constexpr int ERR_OUT_OF_MEMORY = 7;
constexpr int ERR_PUSH_MULTI_DIM = 8;
constexpr int ERR_OUT_OF_BOUNDS = 9;
constexpr int ERR_OUT_OF_DATA = 20;
constexpr int ERR_ASSERTION = 21;

struct ErrorState {
  int32_t errorCode = 0;
  int32_t errorLine = 0;
  int32_t currentLine = 0;
  int32_t currentModule = 0;
};

ErrorState& errorState();

void raiseError(int code);
void clearError();
void setSourcePosition(int module, int line);
const char* errorText(int code);
StringValue getErrorText();

// Runs the shutdown and exits with code 0. A nested call while the program is already
// ending returns at once.
void endProgram();
// A fatal failure: raiseError(code), then endProgram. Never returns; when it is reached
// while the program is already ending, the process leaves at once, since the command that
// failed cannot go on.
[[noreturn]] void failFatally(int code);
// The dialect's END command: code 0, then end.
void endCommand();
void assertValue(double value);
bool isProgramEnding();

// The runtime log "ErrorLog.txt" in the temporary folder.
StringValue runtimeLogPath();
void appendToLog(const char* text);
// "TX" + text to an attached debugger (standard error while a tracer is attached).
void debugOutput(const char* text);
using DebugOutputSink = void (*)(const char* text);
// Tests capture debug output here; null restores the default.
void setDebugOutputSink(DebugOutputSink sink);

void printError(const char* text);
void printOutput(const char* text);

// The shutdown that endProgram runs; installed by the program entry.
using ShutdownFunction = void (*)();
void setShutdownFunction(ShutdownFunction shutdown);

}  // namespace vantrel
