// Tracer detection through /proc and the process's standard streams.
#include "platform/debugger.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vantrel::platform {

bool isDebuggerAttached() {
  FILE* status = std::fopen("/proc/self/status", "r");
  if (!status) return false;
  char line[256];
  bool attached = false;
  while (std::fgets(line, sizeof line, status)) {
    if (std::strncmp(line, "TracerPid:", 10) == 0) {
      attached = std::atoi(line + 10) != 0;
      break;
    }
  }
  std::fclose(status);
  return attached;
}

void writeStandardError(const char* text) {
  std::fputs(text, stderr);
  std::fflush(stderr);
}

void writeStandardOutput(const char* text) {
  std::fputs(text, stdout);
  std::fflush(stdout);
}

void exitProcess(int code) {
  std::fflush(nullptr);
  std::exit(code);
}

}  // namespace vantrel::platform
