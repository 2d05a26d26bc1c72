#include "X11Window.h"

#include "IGraphics.h"
#include "ScreenScale.h"
#include "lice_bitmap.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {
// The open windows of the process, for the event function (which gets no user data).
std::vector<X11Window*>& Windows() {
  static std::vector<X11Window*> windows;
  return windows;
}

// X errors our own calls may cause are counted, not passed to the host's handler
// (Xlib's default one ends the process). The trap lasts from Begin to End, with the
// connection synchronised at both ends so that the errors belong to these calls.
int sTrappedErrors = 0;
int CountError(Display*, XErrorEvent*) {
  ++sTrappedErrors;
  return 0;
}

class ErrorTrap {
public:
  explicit ErrorTrap(Display* d) : mDisplay(d) {
    XSync(d, False);
    sTrappedErrors = 0;
    mPrevious = XSetErrorHandler(CountError);
  }
  // True when none of the trapped calls failed.
  bool End() {
    if (mDone) return mOk;
    XSync(mDisplay, False);
    XSetErrorHandler(mPrevious);
    mDone = true;
    mOk = sTrappedErrors == 0;
    return mOk;
  }
  ~ErrorTrap() { End(); }

private:
  Display* mDisplay;
  int (*mPrevious)(Display*, XErrorEvent*) = nullptr;
  bool mDone = false;
  bool mOk = false;
};

bool SurfaceVisual(const XWindowAttributes& a) {
  const Visual* v = a.visual;
  return v && v->c_class == TrueColor && (a.depth == 24 || a.depth == 32) &&
         v->red_mask == 0xff0000 && v->green_mask == 0xff00 && v->blue_mask == 0xff;
}

constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | Button1MotionMask |
                            Button3MotionMask | KeyPressMask | StructureNotifyMask;
} // namespace

X11Window* X11Window::Create(unsigned long parent, int w, int h, X11WindowClient* client) {
  if (!parent || w <= 0 || h <= 0 || !client) return nullptr;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return nullptr;
  XWindowAttributes pa;
  bool ok;
  {
    ErrorTrap trap(d);
    ok = XGetWindowAttributes(d, (Window)parent, &pa) != 0;
    ok = trap.End() && ok && SurfaceVisual(pa);
  }
  if (!ok) {
    XCloseDisplay(d);
    return nullptr;
  }

  X11Window* win = new X11Window();
  win->mClient = client;
  win->mDisplay = d;
  win->mVisual = pa.visual;
  win->mDepth = pa.depth;
  {
    ErrorTrap trap(d);
    XSetWindowAttributes a;
    a.background_pixmap = None; // the surface paints everything; no flash of a colour
    a.border_pixel = 0;
    a.event_mask = kEventMask;
    win->mWindow =
        XCreateWindow(d, (Window)parent, 0, 0, (unsigned)w, (unsigned)h, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWBackPixmap | CWBorderPixel | CWEventMask, &a);
    // The event function's address as two 32-bit items, low half first.
    const uint64_t proc = (uint64_t)(uintptr_t)&X11Window::EventProc;
    long items[2] = {(long)(proc & 0xffffffffu), (long)(proc >> 32)};
    const Atom atom = XInternAtom(d, "_XEventProc", False);
    XChangeProperty(d, win->mWindow, atom, atom, 32, PropModeReplace, (unsigned char*)items, 2);
    win->mArrow = XCreateFontCursor(d, XC_left_ptr);
    win->mSizeWE = XCreateFontCursor(d, XC_sb_h_double_arrow);
    XDefineCursor(d, win->mWindow, win->mArrow);
    win->mCursor = IGraphics::kCursorArrow;
    win->mGC = XCreateGC(d, win->mWindow, 0, nullptr);
    XMapWindow(d, win->mWindow);
    ok = trap.End();
  }
  if (!ok) {
    win->mGone = true; // nothing of it is left to destroy
    delete win;
    return nullptr;
  }
  Windows().push_back(win);
  return win;
}

unsigned long X11Window::DefaultRoot() {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return 0;
  const unsigned long root = DefaultRootWindow(d);
  XCloseDisplay(d);
  return root;
}

int X11Window::ConnectionFd() const { return mDisplay ? ConnectionNumber(mDisplay) : -1; }

void X11Window::SetTitle(const char* title) {
  if (!mDisplay || mGone || !title) return;
  ErrorTrap trap(mDisplay);
  XStoreName(mDisplay, mWindow, title);
}

void X11Window::SetTransientFor(unsigned long owner) {
  if (!mDisplay || mGone || !owner) return;
  ErrorTrap trap(mDisplay);
  XSetTransientForHint(mDisplay, mWindow, (Window)owner);
}

X11Window::~X11Window() {
  auto& all = Windows();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
  if (!mDisplay) return;
  ReturnFocus();
  {
    ErrorTrap trap(mDisplay);
    if (mGC) XFreeGC(mDisplay, mGC);
    if (mWindow && !mGone) XDestroyWindow(mDisplay, mWindow);
    if (mArrow) XFreeCursor(mDisplay, mArrow);
    if (mSizeWE) XFreeCursor(mDisplay, mSizeWE);
  }
  XCloseDisplay(mDisplay); // drops the events still queued for the window
}

void X11Window::Pump() {
  while (mDisplay && XPending(mDisplay) > 0) {
    XEvent ev;
    XNextEvent(mDisplay, &ev);
    if (ev.xany.window == mWindow) Deliver(&ev);
  }
}

void X11Window::Deliver(XEvent* ev) {
  if (mGone || SeenBefore(*ev)) return;
  WindowInput input;
  if (!TranslateXEvent(ev, &mClicks, &input)) return;
  if (input.mKind == WindowInput::kGone) mGone = true;
  mClient->OnWindowInput(input);
}

bool X11Window::SeenBefore(const XEvent& ev) {
  SeenInput s;
  switch (ev.type) {
  case ButtonPress:
  case ButtonRelease:
    s = {ev.type, ev.xbutton.time, ev.xbutton.button, ev.xbutton.x, ev.xbutton.y};
    break;
  case MotionNotify:
    s = {ev.type, ev.xmotion.time, 0, ev.xmotion.x, ev.xmotion.y};
    break;
  case KeyPress:
    s = {ev.type, ev.xkey.time, ev.xkey.keycode, ev.xkey.x, ev.xkey.y};
    break;
  default:
    return false;
  }
  for (const SeenInput& o : mSeen)
    if (o.mType == s.mType && o.mTime == s.mTime && o.mDetail == s.mDetail && o.mX == s.mX &&
        o.mY == s.mY)
      return true;
  mSeen[mSeenNext] = s;
  mSeenNext = (mSeenNext + 1) % (int)(sizeof(mSeen) / sizeof(mSeen[0]));
  return false;
}

double X11Window::ScreenFactor() const {
  return ScreenScaleFactor(std::getenv("GDK_SCALE"), XResourceManagerString(mDisplay));
}

void X11Window::Resize(int w, int h) {
  if (mGone || w <= 0 || h <= 0) return;
  ErrorTrap trap(mDisplay);
  XResizeWindow(mDisplay, mWindow, (unsigned)w, (unsigned)h);
}

void X11Window::Put(LICE_IBitmap* surface, const IRECT& r) {
  if (!surface || mGone) return;
  const int w = surface->getWidth(), h = surface->getHeight();
  const int l = std::max(r.L, 0), t = std::max(r.T, 0);
  const int rr = std::min(r.R, w), b = std::min(r.B, h);
  if (rr <= l || b <= t || !surface->getBits()) return;
  // The surface's words are B, G, R, A in memory: a little-endian 32-bit ZPixmap.
  XImage* image = XCreateImage(mDisplay, (Visual*)mVisual, (unsigned)mDepth, ZPixmap, 0,
                               (char*)surface->getBits(), (unsigned)w, (unsigned)h, 32,
                               surface->getRowSpan() * 4);
  if (!image) return;
  image->byte_order = LSBFirst;
  XPutImage(mDisplay, mWindow, mGC, image, l, t, l, t, (unsigned)(rr - l), (unsigned)(b - t));
  image->data = nullptr; // the surface keeps its pixels
  XDestroyImage(image);
  XFlush(mDisplay);
}

void X11Window::SetCursor(int cursorId) {
  if (mGone || cursorId == mCursor) return;
  mCursor = cursorId;
  XDefineCursor(mDisplay, mWindow, cursorId == IGraphics::kCursorSizeWE ? mSizeWE : mArrow);
  XFlush(mDisplay);
}

void X11Window::TakeFocus() {
  if (mGone || mHasFocus) return;
  Window before = 0;
  XGetInputFocus(mDisplay, &before, &mRevertBefore);
  mFocusBefore = before;
  ErrorTrap trap(mDisplay);
  XSetInputFocus(mDisplay, mWindow, RevertToParent, CurrentTime);
  mHasFocus = trap.End();
}

void X11Window::ReturnFocus() {
  if (!mHasFocus) return;
  mHasFocus = false;
  // The window that had it may be gone meanwhile: the trap keeps that quiet.
  ErrorTrap trap(mDisplay);
  if (mFocusBefore != 0) XSetInputFocus(mDisplay, mFocusBefore, mRevertBefore, CurrentTime);
}

void X11Window::Flush() {
  if (mDisplay) XFlush(mDisplay);
}

void X11Window::EventProc(XEvent* ev) {
  if (!ev) return;
  for (X11Window* w : Windows()) {
    if (w->mWindow != ev->xany.window) continue;
    w->mClient->OnWindowTicks();
    if (ev->xany.display != w->mDisplay) w->Deliver(ev);
    w->Pump();
    w->Flush();
    return;
  }
}
