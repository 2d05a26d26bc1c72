#pragma once
// The monitor's DPI for the Windows editor window. The functions that report a window's
// own DPI and switch a thread's DPI awareness came with Windows 10 (1607, 1703): they
// are looked up in user32 at run time, so that the plug-in still loads on older Windows
// and under wine versions without them, and the editor then falls back to the DC's
// logical DPI (the system DPI, or 96 where Windows scales the host's windows itself).
//
// Threads: the host's user-interface thread (the editor window's thread).
#include <windows.h>

namespace win_dpi {

// The DPI the window `wnd` is shown at: GetDpiForWindow where user32 has it, else the
// LOGPIXELSY of the window's DC; 96 when neither answers.
unsigned WindowDpi(HWND wnd);

// The editor's drawing scale (100, 150 or 200) for a DPI (96 = 100 %).
int ScaleForDpi(unsigned dpi);

// Switches the calling thread's DPI awareness for the life of the object and restores
// the previous one after. The plug-in's window is a child in the host's window and its
// thread's awareness is the host's; the editor's window is created per-monitor aware
// (v2) where Windows allows it, so that Windows tells it (WM_DPICHANGED_AFTERPARENT,
// or WM_DPICHANGED for a top-level window) when it is moved to a monitor of another DPI.
// Does nothing where user32 has no SetThreadDpiAwarenessContext.
class PerMonitorAwareScope {
public:
  PerMonitorAwareScope();
  ~PerMonitorAwareScope();
  PerMonitorAwareScope(const PerMonitorAwareScope&) = delete;
  PerMonitorAwareScope& operator=(const PerMonitorAwareScope&) = delete;

private:
  HANDLE mPrevious = nullptr;
};

} // namespace win_dpi
