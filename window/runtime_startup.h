// The runtime start-up sequence and the engine's lifetime as the shutdown sees it.
#pragma once

namespace vantrel {

// Brings up the log, the engine, the window and context, and every subsystem in order.
// showFlag 0 starts the window hidden. When no window can be made, start-up stops after
// window creation and the program runs without one.
void startRuntime(int showFlag, const char* title);

bool engineCreated();
// Makes the running program's folder the current directory.
void enterProgramFolder();
void destroyEngine();
// Destroys the main window if one is left. The video system stays up until the process
// exits, so the GL driver's memory stays reachable to the end.
void destroyMainWindow();

}  // namespace vantrel
