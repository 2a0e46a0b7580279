// Keyboard and mouse state as the window system last reported it (refreshed by
// gatherEvents), in the runtime's key numbering: the DirectInput scan codes (1 = Escape).
#pragma once

namespace vantrel::platform {

constexpr int KEY_NUMBER_COUNT = 256;

// True while the key with the runtime's number (0-255) is down.
bool isKeyDown(int keyNumber);

struct MouseSnapshot {
  int x = 0, y = 0;  // in window client pixels
  bool left = false, right = false, middle = false;
};
MouseSnapshot mouseSnapshot();

}  // namespace vantrel::platform
