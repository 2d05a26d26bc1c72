// The editor window's messages and its timer tick. The window's user data holds the
// graphics object from WM_CREATE on; a message for a window that is no longer the
// object's open editor window gets the default handling. The tick is shaped by the
// value entry: the child commits or cancels through a state the tick reads, so text
// typed and confirmed applies on the next tick, never inside the child's own message.
#include "IGraphicsWin.h"

#include "IControl.h"
#include "IPlugBase.h"
#include "WinDpi.h"
#include "WinInputMap.h"

namespace {
IMouseMod MessageMod(WPARAM wParam) {
  return WinInputMap::MouseMod((unsigned)LOWORD(wParam), GetKeyState(VK_MENU) < 0);
}
} // namespace

LRESULT CALLBACK IGraphicsWin::WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CREATE) {
    IGraphicsWin* graphics = (IGraphicsWin*)((CREATESTRUCTA*)lParam)->lpCreateParams;
    SetWindowLongPtr(hWnd, GWLP_USERDATA, (LONG_PTR)graphics);
    SetTimer(hWnd, kTimerId, TimerIntervalMs(), nullptr);
    if (graphics && graphics->mPlug && graphics->mPlug->HostId() == kHostAcoustica) SetFocus(hWnd);
    return 0;
  }
  IGraphicsWin* graphics = (IGraphicsWin*)GetWindowLongPtr(hWnd, GWLP_USERDATA);
  if (!graphics || hWnd != graphics->mPlugWnd) return DefWindowProc(hWnd, msg, wParam, lParam);
  return graphics->HandleMessage(hWnd, msg, wParam, lParam);
}

LRESULT IGraphicsWin::HandleMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
  case WM_TIMER:
    if (wParam == kTimerId) Tick();
    return 0;

  case WM_PAINT: {
    RECT r;
    if (GetUpdateRect(hWnd, &r, FALSE)) {
      // The damage is in device pixels; the core draws editor rectangles that cover it.
      IRECT ir = editor_scale::ToEditorCover(IRECT(r.left, r.top, r.right, r.bottom), Scale());
      Draw(&ir);
    }
    // Painted or not, the update area is done (an editor without controls draws nothing).
    ValidateRect(hWnd, nullptr);
    return 0;
  }

  case WM_CLOSE:
    CloseWindow();
    return 0;

  case WM_DPICHANGED:
    // What Windows sends a top-level window that moved to a monitor of another DPI (the
    // DPI in wParam). The size it suggests is the old one scaled; the editor sizes itself.
    SetPlatformScale(win_dpi::ScaleForDpi(LOWORD(wParam)));
    return 0;

  case WM_DPICHANGED_AFTERPARENT:
    // The host's window moved to a monitor of another DPI (or the monitor's DPI changed).
    SetPlatformScale(win_dpi::ScaleForDpi(win_dpi::WindowDpi(hWnd)));
    return 0;

  case WM_MOUSEACTIVATE:
    if (mPlug && mPlug->HostId() == kHostAcoustica) SetFocus(hWnd);
    return MA_ACTIVATE;

  case WM_KEYDOWN: {
    const int key = WinInputMap::KeyCode((int)wParam);
    if (key < 0) return 0; // keys outside the table are swallowed
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(hWnd, &p);
    OnKeyDown(ToEditor(p.x), ToEditor(p.y), key);
    return 0;
  }

  case WM_MOUSEMOVE:
    if ((wParam & (MK_LBUTTON | MK_RBUTTON)) && GetCapture() == hWnd) {
      IMouseMod mod = MessageMod(wParam);
      OnMouseDrag(ToEditor(MsgX(lParam)), ToEditor(MsgY(lParam)), &mod);
    }
    return 0;

  case WM_RBUTTONDOWN:
    if (mParamEditWnd) {
      // A right click while an entry is open drops it, and goes nowhere else.
      mParamEditMsg = kCancel;
      return 0;
    }
    [[fallthrough]];
  case WM_LBUTTONDOWN: {
    if (mParamEditWnd) mParamEditMsg = kCommit; // a left click in the editor applies the entry
    SetCapture(hWnd);
    IMouseMod mod = MessageMod(wParam);
    OnMouseDown(ToEditor(MsgX(lParam)), ToEditor(MsgY(lParam)), &mod);
    return 0;
  }

  case WM_LBUTTONUP:
  case WM_RBUTTONUP: {
    ReleaseCapture();
    IMouseMod mod = MessageMod(wParam);
    OnMouseUp(ToEditor(MsgX(lParam)), ToEditor(MsgY(lParam)), &mod);
    return 0;
  }

  case WM_LBUTTONDBLCLK: {
    IMouseMod mod = MessageMod(wParam);
    if (OnMouseDblClick(ToEditor(MsgX(lParam)), ToEditor(MsgY(lParam)), &mod)) SetCapture(hWnd);
    return 0;
  }

  case WM_MOUSEWHEEL: {
    // The wheel's position comes in screen coordinates.
    RECT r;
    GetWindowRect(hWnd, &r);
    IMouseMod mod = MessageMod(wParam);
    const int d = WinInputMap::WheelNotches((short)HIWORD(wParam));
    OnMouseWheel(ToEditor(MsgX(lParam) - r.left), ToEditor(MsgY(lParam) - r.top), &mod, d);
    return 0;
  }

  default:
    return DefWindowProc(hWnd, msg, wParam, lParam);
  }
}

void IGraphicsWin::Tick() {
  if (mParamEditWnd && mParamEditMsg != kNone) {
    if (mParamEditMsg == kCommit) {
      char text[1001];
      GetWindowTextA(mParamEditWnd, text, (int)sizeof(text));
      SetFromStringAfterPrompt(mEdControl, mEdParam, text);
    }
    if (mParamEditMsg == kCommit || mParamEditMsg == kCancel) {
      // The control shows its value again (and tells the plug-in, as a user entry would).
      if (mEdControl) mEdControl->SetDirty(true);
      DestroyParamEdit();
    }
    mParamEditMsg = kNone;
  }

  IRECT r;
  if (IsDirty(&r)) {
    const IRECT d = DeviceRect(r);
    RECT dirty = {d.L, d.T, d.R, d.B};
    InvalidateRect(mPlugWnd, &dirty, FALSE);
    if (mParamEditWnd) {
      // The open entry child is not painted over.
      RECT child;
      GetClientRect(mParamEditWnd, &child);
      MapWindowPoints(mParamEditWnd, mPlugWnd, (POINT*)&child, 2);
      ValidateRect(mPlugWnd, &child);
    }
    UpdateWindow(mPlugWnd);
  }

  if (mParamChangeTimer > 0 && (mParamChangeTimer -= 1) == 0 && mPlug) mPlug->FlushPendingEndEdit();
}
