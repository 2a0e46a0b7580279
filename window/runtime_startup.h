// The runtime start-up sequence and the engine's lifetime as the shutdown sees it.
#pragma once

namespace vantrel {

// Brings up the log, the engine, the window and context, and every subsystem in order.
// showFlag 0 starts the window hidden.
void startRuntime(int showFlag, const char* title);

bool engineCreated();
// Makes the running program's folder the current directory.
void enterProgramFolder();
void destroyEngine();

}  // namespace vantrel
