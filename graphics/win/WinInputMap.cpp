#include "WinInputMap.h"

#include "IGraphicsStructs.h"

namespace {
// The Windows virtual-key and mouse-flag numbers the table uses.
enum {
  kVkSpace = 0x20,
  kVkLeft = 0x25,
  kVkUp = 0x26,
  kVkRight = 0x27,
  kVkDown = 0x28,
  kMkLButton = 0x0001,
  kMkRButton = 0x0002,
  kMkShift = 0x0004,
  kMkControl = 0x0008,
  kWheelDelta = 120,
};
} // namespace

namespace WinInputMap {

int KeyCode(int vk) {
  switch (vk) {
  case kVkSpace:
    return 0;
  case kVkUp:
    return 1;
  case kVkDown:
    return 2;
  case kVkLeft:
    return 3;
  case kVkRight:
    return 4;
  default:
    break;
  }
  if (vk >= '0' && vk <= '9') return 6 + vk - '0';
  if (vk >= 'A' && vk <= 'Z') return 16 + vk - 'A';
  // The lower-case letter codes (the numeric pad and F1-F11 as virtual keys) map as letters.
  if (vk >= 'a' && vk <= 'z') return 16 + vk - 'a';
  return -1;
}

int WheelNotches(int wheelDelta) { return wheelDelta / kWheelDelta; }

IMouseMod MouseMod(unsigned keyFlags, bool altDown) {
  return IMouseMod((keyFlags & kMkLButton) != 0, (keyFlags & kMkRButton) != 0,
                   (keyFlags & kMkShift) != 0, (keyFlags & kMkControl) != 0, altDown);
}

} // namespace WinInputMap
