// The editor window's life: opening in the host's window (at the previous size and
// position when it was open already), closing, painting the surface, resizing, the
// host's wheel request, skin images and cursors. The messages and the tick are in
// WinWindowProc.cpp, the value entry in WinParamEntry.cpp.
#include "IGraphicsWin.h"

#include "IPlugBase.h"
#include "WinDpi.h"
#include "lice_png.h"
#include "lice_sysbitmap.h"

#include <atomic>

namespace {
const char kWndClassName[] = "IPlugWndClass";
const char kWndTitle[] = "IPlug";

// Editor windows open in this process: the class stays registered while it is above 0.
// The host's user-interface thread is the only one that opens and closes them.
std::atomic<int> sNWndOpen{0};
// The frame rate of the window being created, read by its WM_CREATE.
std::atomic<int> sFPS{24};

// The module that holds this code: the plug-in DLL, whose resources hold the skin.
HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     (LPCSTR)&ThisModule, &module);
  return module;
}

bool IsChildWindow(HWND wnd) {
  const LONG_PTR style = GetWindowLongPtr(wnd, GWL_STYLE);
  const LONG_PTR exStyle = GetWindowLongPtr(wnd, GWL_EXSTYLE);
  return (style & WS_CHILD) && !(exStyle & WS_EX_MDICHILD);
}

// Grows a window by (dW, dH), keeping its top-left.
void GrowWindow(HWND wnd, int dW, int dH) {
  RECT r;
  GetWindowRect(wnd, &r);
  SetWindowPos(wnd, nullptr, 0, 0, r.right - r.left + dW, r.bottom - r.top + dH,
               SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}
} // namespace

int IGraphicsWin::TimerIntervalMs() { return 1000 / sFPS.load(std::memory_order_relaxed); }

IGraphicsWin::IGraphicsWin(IPlugBase* plug, int width, int height, int fps)
    : IGraphics(plug, width, height, fps), mHInstance(ThisModule()) {}

IGraphicsWin::~IGraphicsWin() {
  // The plug-in is being destroyed: no gesture can end towards the host any more.
  mParamChangeTimer = 0;
  CloseWindow();
}

void* IGraphicsWin::OpenWindow(void* parent) {
  HWND parentWnd = (HWND)parent;
  int x = 0, y = 0, w = DeviceWidth(), h = DeviceHeight();
  if (mPlugWnd) {
    // Opened again while open: the new window takes the old one's size and place.
    RECT old, under;
    GetWindowRect(mPlugWnd, &old);
    GetWindowRect(parentWnd ? parentWnd : GetParent(mPlugWnd), &under);
    x = old.left - under.left;
    y = old.top - under.top;
    w = old.right - old.left;
    h = old.bottom - old.top;
    CloseWindow();
  }
  if (sNWndOpen.fetch_add(1, std::memory_order_relaxed) == 0) {
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = mHInstance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kWndClassName;
    RegisterClassA(&wc);
  }
  sFPS.store(FPS(), std::memory_order_relaxed);
  {
    win_dpi::PerMonitorAwareScope perMonitor;
    mPlugWnd = CreateWindowA(kWndClassName, kWndTitle, WS_CHILD | WS_VISIBLE, x, y, w, h, parentWnd,
                             nullptr, mHInstance, this);
  }
  if (!mPlugWnd) {
    if (sNWndOpen.fetch_sub(1, std::memory_order_relaxed) == 1)
      UnregisterClassA(kWndClassName, mHInstance);
    return nullptr;
  }
  // The monitor's DPI is known once the window is there; a new scale resizes it and
  // asks the host to follow (the window is open, so the plug-in tells the host).
  OpenWindowScale(win_dpi::ScaleForDpi(win_dpi::WindowDpi(mPlugWnd)));
  SetAllControlsDirty();
  return mPlugWnd;
}

void IGraphicsWin::SetScale(int percent) {
  const int before = Scale();
  IGraphics::SetScale(percent);
  if (Scale() == before || !mPlugWnd) return;
  DestroyParamEdit(); // an open entry was placed and sized for the old scale
  SetWindowPos(mPlugWnd, nullptr, 0, 0, DeviceWidth(), DeviceHeight(),
               SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  InvalidateRect(mPlugWnd, nullptr, FALSE);
}

void IGraphicsWin::CloseWindow() {
  if (!mPlugWnd) return;
  if (mParamChangeTimer > 0 && mPlug) mPlug->FlushPendingEndEdit();
  mParamChangeTimer = 0;
  ReleaseMouseCapture();
  HWND wnd = mPlugWnd;
  // The entry child goes with its parent; its procedure is put back first.
  DestroyParamEdit();
  mPlugWnd = nullptr;
  KillTimer(wnd, kTimerId);
  DestroyWindow(wnd);
  if (sNWndOpen.fetch_sub(1, std::memory_order_relaxed) == 1)
    UnregisterClassA(kWndClassName, mHInstance);
}

bool IGraphicsWin::DrawScreen(IRECT* r) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(mPlugWnd, &ps);
  if (dc && r && mDrawBitmap) {
    const IRECT d = DeviceRect(*r);
    BitBlt(dc, d.L, d.T, d.W(), d.H(), (HDC)mDrawBitmap->getDrawingContext(), d.L, d.T, SRCCOPY);
  }
  EndPaint(mPlugWnd, &ps);
  return true;
}

void IGraphicsWin::Resize(int w, int h) {
  const int oldW = DeviceWidth(), oldH = DeviceHeight();
  IGraphics::Resize(w, h);
  const int dW = DeviceWidth() - oldW, dH = DeviceHeight() - oldH;
  if (mDrawBitmap) mDrawBitmap->resize(DeviceWidth(), DeviceHeight());
  if (!mPlugWnd) return;
  RECT old;
  GetClientRect(mPlugWnd, &old);
  GrowWindow(mPlugWnd, dW, dH);
  HWND parent = GetParent(mPlugWnd);
  if (parent && IsChildWindow(mPlugWnd)) {
    GrowWindow(parent, dW, dH);
    HWND grandparent = GetParent(parent);
    if (grandparent && IsChildWindow(parent)) GrowWindow(grandparent, dW, dH);
  }
  InvalidateRect(mPlugWnd, &old, FALSE);
}

int IGraphicsWin::ProcessMouseWheel(float delta) {
  // A host's delta is whole notches; anything that is no number of them goes nowhere.
  if (!(delta > -1e6f && delta < 1e6f)) return 0;
  POINT p;
  if (!mPlugWnd || !GetCursorPos(&p) || WindowFromPoint(p) != mPlugWnd) return 0;
  RECT r;
  GetWindowRect(mPlugWnd, &r);
  IMouseMod mod(false, false, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0,
                GetKeyState(VK_MENU) < 0);
  OnMouseWheel(ToEditor(p.x - r.left), ToEditor(p.y - r.top), &mod, (int)delta);
  return 1;
}

LICE_IBitmap* IGraphicsWin::OSLoadBitmap(int id, const char* name) {
  return LICE_LoadPNGFromResource(mHInstance, id);
}

void IGraphicsWin::SetPlatformCursor(int cursorId) {
  if (HCURSOR cursor = LoadCursor(nullptr, MAKEINTRESOURCE(cursorId))) SetCursor(cursor);
}
