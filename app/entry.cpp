// The process entry: stores the command line, applies the program's settings, starts the
// runtime, runs the program once and always leaves through endProgram.
#include <string>

#include "app/application.h"
#include "app/runtime_shutdown.h"
#include "core/errors.h"
#include "core/named_functions.h"
#include "core/project_settings.h"
#include "window/runtime_startup.h"

int main(int argc, char** argv) {
  using namespace vantrel;
  std::string commandLine;
  for (int i = 0; i < argc; ++i) {
    if (i) commandLine.push_back(' ');
    commandLine += argv[i];
  }
  setCommandLine(commandLine.c_str());
  setNamedFunctionTable(application::namedFunctions);
  buildStrings() = {application::buildStamp, application::buildIdentifier, application::buildVersion};
  setShutdownFunction(shutdownRuntime);

  application::applyProjectSettings();
  startRuntime(1, windowTitle().text());
  ErrorState& errors = errorState();
  errors.errorCode = 0;
  errors.currentLine = 0;
  errors.errorLine = 0;
  application::applicationMain();
  endProgram();
  return 0;
}
