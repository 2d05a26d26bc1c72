// What the Windows editor makes of key, wheel and mouse messages before the graphics
// core sees them.
#include "IGraphicsStructs.h"
#include "WinInputMap.h"

#include <gtest/gtest.h>

namespace {

struct KeyCase {
  const char* what;
  int virtualKey;
  int code; // -1: swallowed
};

const KeyCase kKeys[] = {
    {"space", 0x20, 0},
    {"up", 0x26, 1},
    {"down", 0x28, 2},
    {"left", 0x25, 3},
    {"right", 0x27, 4},
    {"digit 0", '0', 6},
    {"digit 5", '5', 11},
    {"digit 9", '9', 15},
    {"letter A", 'A', 16},
    {"letter M", 'M', 28},
    {"letter Z", 'Z', 41},
    {"code 97 as a", 97, 16},
    {"code 122 as z", 122, 41},
    {"escape", 0x1B, -1},
    {"tab", 0x09, -1},
    {"enter", 0x0D, -1},
    {"F12 (123)", 0x7B, -1},
    {"code 96", 96, -1},
    {"page up", 0x21, -1},
    {"home (between space and arrows)", 0x24, -1},
    {"insert", 0x2D, -1},
    {"0x3A after the digits", 0x3A, -1},
    {"0x40 before the letters", 0x40, -1},
    {"0x5B after the letters", 0x5B, -1},
    {"shift", 0x10, -1},
    {"zero", 0, -1},
};

TEST(WinInputMap, KeyTableMapsTheKeysTheControlsKnowAndSwallowsTheRest) {
  for (const KeyCase& k : kKeys)
    EXPECT_EQ(WinInputMap::KeyCode(k.virtualKey), k.code) << k.what;
}

struct WheelCase {
  int delta, notches;
};

TEST(WinInputMap, WheelNotchesAreTheDeltaOver120TruncatedTowardZero) {
  const WheelCase cases[] = {{120, 1}, {60, 0},   {-240, -2},   {0, 0},
                             {119, 0}, {-119, 0}, {-121, -1},   {239, 1},
                             {360, 3}, {-60, 0},  {32767, 273}, {-32768, -273}};
  for (const WheelCase& c : cases)
    EXPECT_EQ(WinInputMap::WheelNotches(c.delta), c.notches) << c.delta;
}

TEST(WinInputMap, ModifiersComeFromTheKeyFlagsAndAltFromTheKeyState) {
  struct {
    unsigned flags;
    bool alt;
    bool l, r, s, c, a;
  } cases[] = {
      {0x0000, false, false, false, false, false, false}, // nothing held
      {0x0001, false, true, false, false, false, false},  // MK_LBUTTON
      {0x0002, false, false, true, false, false, false},  // MK_RBUTTON
      {0x0004, false, false, false, true, false, false},  // MK_SHIFT
      {0x0008, false, false, false, false, true, false},  // MK_CONTROL
      {0x0010, false, false, false, false, false, false}, // MK_MBUTTON is no modifier
      {0x0000, true, false, false, false, false, true},   // Alt down
      {0x000f, true, true, true, true, true, true},
  };
  for (const auto& c : cases) {
    const IMouseMod mod = WinInputMap::MouseMod(c.flags, c.alt);
    EXPECT_EQ(mod.L, c.l) << c.flags;
    EXPECT_EQ(mod.R, c.r) << c.flags;
    EXPECT_EQ(mod.S, c.s) << c.flags;
    EXPECT_EQ(mod.C, c.c) << c.flags;
    EXPECT_EQ(mod.A, c.a) << c.flags;
  }
}

} // namespace
