#pragma once
// How the Windows editor turns raw window-message values into the editor's input: the
// key table, the wheel notches and the modifier record. Plain arithmetic on the
// message's numbers (no Windows header), so it is checked the same on every build.

struct IMouseMod;

namespace WinInputMap {

// The editor's key code for a virtual key: space 0, up 1, down 2, left 3, right 4,
// '0'-'9' 6-15, 'A'-'Z' 16-41, and codes 97-122 again 16-41; -1 for any other key
// (the window swallows it).
int KeyCode(int virtualKey);

// Whole wheel notches of a wheel message's signed delta (the high word of its wParam):
// delta / 120 truncated toward zero, so a high-resolution delta below one notch gives 0.
int WheelNotches(int wheelDelta);

// The modifier record of a mouse message: L, R, S and C from its key flags (MK_LBUTTON,
// MK_RBUTTON, MK_SHIFT, MK_CONTROL), A from whether Alt is down.
IMouseMod MouseMod(unsigned keyFlags, bool altDown);

} // namespace WinInputMap
