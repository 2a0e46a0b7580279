// Start-up steps of subsystems that sit above the window library. The program entry fills
// these in; a null slot is a step whose subsystem is not part of this runtime.
#pragma once

namespace vantrel {

struct StartupHooks {
  void (*createNetGame)() = nullptr;                     // after "Network"
  void (*createScene3D)() = nullptr;                     // before "Input"
  void (*createInput)() = nullptr;                       // before "Window mode"
  void (*openInputDevices)(bool exclusiveMouse) = nullptr;  // between "Create DXin" and "reptr"
  void (*selectFont)(int font) = nullptr;
  void (*buildBuiltinFont)() = nullptr;                  // font 0 from the built-in image
  void (*loadDefaultFont)() = nullptr;                   // smalfont lookup into font 0
  void (*applyMouseMode)() = nullptr;
  void (*createSound)() = nullptr;
};

StartupHooks& startupHooks();

}  // namespace vantrel
