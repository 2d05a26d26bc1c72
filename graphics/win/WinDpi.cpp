#include "WinDpi.h"

#include "IScale.h"

namespace {
// The 100 % DPI of Windows.
constexpr unsigned kBaseDpi = 96;
// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 and _PER_MONITOR_AWARE: pseudo handles,
// the same on every Windows that has them.
const HANDLE kPerMonitorAwareV2 = (HANDLE)(INT_PTR)-4;
const HANDLE kPerMonitorAware = (HANDLE)(INT_PTR)-3;

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using SetThreadDpiAwarenessContextFn = HANDLE(WINAPI*)(HANDLE);

// A user32 function by name, or null where this Windows has none.
FARPROC User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  return user32 ? GetProcAddress(user32, name) : nullptr;
}

GetDpiForWindowFn GetDpiForWindowPtr() {
  static const GetDpiForWindowFn fn = (GetDpiForWindowFn)(void*)User32Function("GetDpiForWindow");
  return fn;
}

SetThreadDpiAwarenessContextFn SetThreadDpiAwarenessContextPtr() {
  static const SetThreadDpiAwarenessContextFn fn =
      (SetThreadDpiAwarenessContextFn)(void*)User32Function("SetThreadDpiAwarenessContext");
  return fn;
}
} // namespace

namespace win_dpi {

unsigned WindowDpi(HWND wnd) {
  if (!wnd) return kBaseDpi;
  if (GetDpiForWindowFn getDpi = GetDpiForWindowPtr()) {
    if (const UINT dpi = getDpi(wnd)) return dpi;
  }
  int dpi = 0;
  if (HDC dc = GetDC(wnd)) {
    dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(wnd, dc);
  }
  return dpi > 0 ? (unsigned)dpi : kBaseDpi;
}

int ScaleForDpi(unsigned dpi) { return editor_scale::NearestScale((double)dpi / kBaseDpi); }

PerMonitorAwareScope::PerMonitorAwareScope() {
  if (SetThreadDpiAwarenessContextFn set = SetThreadDpiAwarenessContextPtr()) {
    // Windows 10 1607 knows per-monitor awareness but not its second version.
    mPrevious = set(kPerMonitorAwareV2);
    if (!mPrevious) mPrevious = set(kPerMonitorAware);
  }
}

PerMonitorAwareScope::~PerMonitorAwareScope() {
  if (mPrevious) SetThreadDpiAwarenessContextPtr()(mPrevious);
}

} // namespace win_dpi
