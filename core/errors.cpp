// Error state, END path, runtime log and debugger output.
#include "core/errors.h"

#include <cstdio>

#include "core/project_settings.h"
#include "platform/debugger.h"
#include "platform/files.h"

namespace vantrel {

namespace {

ErrorState state;
bool ending = false;
ShutdownFunction shutdownFunction = nullptr;
DebugOutputSink debugSink = nullptr;

void appendLogNumber(int value) {
  char line[32];
  std::snprintf(line, sizeof line, "%d\n", value);
  appendToLog(line);
}

}  // namespace

ErrorState& errorState() { return state; }

void raiseError(int code) {
  state.errorLine = state.currentLine;
  state.errorCode = code;
}

void clearError() { state.errorCode = 0; }

void setSourcePosition(int module, int line) {
  state.currentModule = module;
  state.currentLine = line;
}

const char* errorText(int code) {
  switch (code) {
    case ERR_SUCCESS: return "success";
    case ERR_NO_SUCH_FILE: return "no such file";
    case ERR_OUT_OF_MEMORY: return "out of memory";
    case ERR_OUT_OF_BOUNDS: return "out of bounds";
    case ERR_OUT_OF_DATA: return "out of data";
    default: return "unknown error";
  }
}

StringValue getErrorText() {
  char text[64];
  std::snprintf(text, sizeof text, "%.4d %s", state.errorCode, errorText(state.errorCode));
  return StringValue(text);
}

bool isProgramEnding() { return ending; }

void setShutdownFunction(ShutdownFunction shutdown) { shutdownFunction = shutdown; }

void endProgram() {
  if (ending) return;
  ending = true;
  if (projectSettings().debugMode != 0) {
    appendToLog("-End On Line\n");
    appendLogNumber(state.errorCode);
    appendLogNumber(state.errorLine - 1);
    appendLogNumber(state.currentLine);
    appendLogNumber(state.currentModule);
  }
  if (shutdownFunction) shutdownFunction();
  printOutput("exit\n");
  platform::exitProcess(0);
}

void failFatally(int code) {
  raiseError(code);
  endProgram();
  // Only reached from inside an ongoing shutdown: the failing command has no result to give.
  printOutput("exit\n");
  platform::exitProcess(0);
}

void endCommand() {
  raiseError(ERR_SUCCESS);
  endProgram();
}

void assertValue(double value) {
  if (value != 0) return;
  StringValue line = "Assertion: Value = " + numberToText(value);
  line.append("\n");
  debugOutput(line.text());
  failFatally(ERR_ASSERTION);
}

StringValue runtimeLogPath() {
  return StringValue(platform::temporaryFolder().c_str()) + "ErrorLog.txt";
}

void appendToLog(const char* text) {
  if (!text) text = "NULL";
  StringValue path = runtimeLogPath();
  for (int attempt = 0; attempt < 5; ++attempt) {
    platform::FileHandle log = platform::openFileForAppending(path.text());
    if (log == platform::NO_FILE) continue;
    std::size_t length = std::char_traits<char>::length(text);
    if (length) platform::writeFile(log, text, length);
    platform::closeFile(log);
    return;
  }
}

void setDebugOutputSink(DebugOutputSink sink) { debugSink = sink; }

void debugOutput(const char* text) {
  StringValue line = joinText("TX", text ? text : "");
  if (debugSink) {
    debugSink(line.text());
  } else if (platform::isDebuggerAttached()) {
    platform::writeStandardError(line.text());
  }
}

void printError(const char* text) { platform::writeStandardError(text ? text : ""); }
void printOutput(const char* text) { platform::writeStandardOutput(text ? text : ""); }

}  // namespace vantrel
