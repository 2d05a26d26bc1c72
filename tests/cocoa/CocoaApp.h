#pragma once
// The Cocoa side of a test host (Objective-C++): the application object on the X server of
// DISPLAY, its event loop, a window at a known place on the screen for the editor
// (borderless, so that there is no window manager to ask), and the user played with
// xdotool on the same X server; the host's event loop runs between the user's actions.
#include "EditorPicture.h"

#include <cstdint>
#include <string>
#include <vector>

#import <Cocoa/Cocoa.h>

// Where the window's top left corner is on the screen.
constexpr int kWindowX = 100, kWindowY = 100;

// [main thread] The application object on the X server of DISPLAY; once per process.
void StartApplication();
// [main thread] The program's tests (gtest), each inside the host's autorelease pool, with
// the application started and the editors' size preference in a folder of the program's
// own (CORVANEL_CONFIG_DIR, removed afterwards); the program's exit code.
int RunCocoaTests(int argc, char** argv);
// [main thread] The file where the editors keep the size the user chose; a test that chooses
// one removes it, so that the next editors open as before.
std::string SizePreferenceFile();
// [main thread] Runs the host's event loop for ms milliseconds: events, timers, drawing.
void Pump(int ms);
// [main thread] Runs xdotool with these arguments (at most 5 s); true when it succeeded. The
// events it sends wait for the next Pump.
bool Xdo(const std::vector<std::string>& args);
// [main thread] A window of the editor's size at (kWindowX, kWindowY) that can take the
// keyboard, not yet shown; the caller releases it.
NSWindow* MakeHostWindow();
// [main thread] Gives the window that content size, its top left corner where it was, as a
// host does when its plug-in view asks for another size.
void ResizeHostWindow(NSWindow* window, int w, int h);

// The screen point of an editor point.
inline std::string ScreenX(int x) { return std::to_string(kWindowX + x); }
inline std::string ScreenY(int y) { return std::to_string(kWindowY + y); }
// [main thread] A click of that button at an editor point, with keys held (xdotool names,
// e.g. "alt"), and the host's loop run after it.
bool ClickEditor(int x, int y, int button = 1, const char* key = nullptr);
// [main thread] The user's choice of an entry of the size menu (0 "100 %", 1 "150 %",
// 2 "200 %"): a right-click on the background at (8, 60), where the menu opens, and a click
// on the entry, both at editor points times `factor` (the screen's pixels per editor pixel).
bool ChooseEditorSize(int entry, int factor = 1);
// [main thread] The editor as it is on the screen now, 0xRRGGBB, top row first, at its size
// at 100 % or w x h.
std::vector<uint32_t> EditorScreen(int w = kEditorW, int h = kEditorH);
