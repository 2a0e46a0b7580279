// The program's project settings, the stored command line and the application's parts that
// the runtime reads (build strings, named functions).
#pragma once

#include <cstdint>

#include "core/string_value.h"

namespace vantrel {

struct ProjectSettings {
  int32_t screenWidth = 0;
  int32_t screenHeight = 0;
  int32_t framesPerSecond = 0;
  int32_t fullScreen = 0;
  int32_t windowOption = 0;
  int32_t inputOption = 0;
  int32_t debugMode = 0;
};

ProjectSettings& projectSettings();
StringValue& windowTitle();

StringValue getCommandLine();
void setCommandLine(const char* text);

// The three build strings an application supplies, reported by the platform information.
struct BuildStrings {
  StringValue (*buildStamp)() = nullptr;
  StringValue (*buildIdentifier)() = nullptr;
  StringValue (*version)() = nullptr;
};
BuildStrings& buildStrings();

}  // namespace vantrel
