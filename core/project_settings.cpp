// Process-wide project settings, command line and build strings.
#include "core/project_settings.h"

namespace vantrel {

ProjectSettings& projectSettings() {
  static ProjectSettings settings;
  return settings;
}

StringValue& windowTitle() {
  static StringValue title;
  return title;
}

namespace {
StringValue& storedCommandLine() {
  static StringValue commandLine;
  return commandLine;
}
}  // namespace

StringValue getCommandLine() { return storedCommandLine(); }

void setCommandLine(const char* text) {
  StringValue fresh(text);
  storedCommandLine().swap(fresh);
}

BuildStrings& buildStrings() {
  static BuildStrings strings;
  return strings;
}

}  // namespace vantrel
