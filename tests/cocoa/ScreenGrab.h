#pragma once
// What the user sees: pixels of the X server's screen, read through a connection of
// our own (Xlib), apart from the application's.
#include <cstdint>
#include <vector>

// [test thread] The w × h pixels at (x, y) of the screen as 0xRRGGBB, top row first; empty
// when the display cannot be read.
std::vector<uint32_t> GrabScreen(int x, int y, int w, int h);
