#pragma once
// What the windowed test hosts share (corvanel-winhost for the VST2 DLLs,
// corvanel-vst3-winhost for the VST3 bundle), driven under wine by
// tests/winwindow/editor_driver.py: lines printed as they happen, the host windows side by
// side, commands read from standard input on a thread of their own and run on the window
// thread, and the message loop with the host's audio timer.
//
// Commands every host answers the same way (n: the instance number, from 1):
//   rect n            RECT n x y w h of the editor window inside the host window, or
//                     RECT n none
//   move n x y        moves the editor window inside the host window (as hosts do)
//   entry n           ENTRY n class x y w h "text" of the open value entry (place in the
//                     editor window), or ENTRY n none
//   focus n           gives the editor window the keyboard focus
//   dpi n d           sends the editor window WM_DPICHANGED for DPI d, as Windows does
//                     when a top-level window moves to a monitor of another DPI
//   audio 0|1         stops or starts the audio blocks (off at start, so the first
//                     picture shows the plug-in as it was opened)
//   ping              PONG (everything before it was handled)
//   quit              ends the loop
#include <windows.h>

#include <functional>
#include <string>

namespace wintesthost {

// Milliseconds since the host started (the first call).
long Ms();
// printf to standard output, flushed at once (the driver reads it line by line).
void Print(const char* format, ...);

// The top-level host window "Corvanel host N" for instance N (from 1), the editor's size
// plus a margin, placed side by side. No window manager draws frames: the client area is
// the whole window. `proc` handles its messages (nullptr: the default handling; closing it
// is left to the quit command either way).
HWND CreateHostWindow(int number, int editorW, int editorH, WNDPROC proc = nullptr);

// The editor's window in the host window (its first child), or nullptr.
HWND EditorWindow(HWND host);

struct Callbacks {
  // One command line for instance n, verb and the whole line: answers false when the verb
  // is not the host's own.
  std::function<bool(const std::string& verb, int n, const std::string& line)> command;
  // The host window of instance n, or nullptr when there is no such instance.
  std::function<HWND(int n)> window;
  // One audio block of every instance (while audio is on), every 10 ms.
  std::function<void()> audio;
  // After every message the loop handled (the host prints what its plug-ins told it).
  std::function<void()> afterMessage;
};

// Reads commands from standard input and runs the message loop until quit (or the end of
// the input).
void Run(const Callbacks& callbacks);

} // namespace wintesthost
