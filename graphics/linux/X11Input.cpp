// X events to the editor's input records: buttons, wheel notches, motion with a button
// held, keys, exposure and the window's end. Modifiers follow the Windows message flags
// the controls were made for: a press reports its own button as held, a release no
// longer does.
#include "X11Window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstring>

namespace {
IMouseMod ModOf(unsigned int state) {
  return IMouseMod((state & Button1Mask) != 0, (state & Button3Mask) != 0, (state & ShiftMask) != 0,
                   (state & ControlMask) != 0, (state & Mod1Mask) != 0);
}

unsigned int ButtonMask(unsigned int button) {
  return button == 1 ? Button1Mask : button == 3 ? Button3Mask : 0;
}
} // namespace

int EditorKeyCode(unsigned long keysym) {
  switch (keysym) {
  case XK_space:
    return 0;
  case XK_Up:
    return 1;
  case XK_Down:
    return 2;
  case XK_Left:
    return 3;
  case XK_Right:
    return 4;
  default:
    break;
  }
  if (keysym >= XK_0 && keysym <= XK_9) return 6 + (int)(keysym - XK_0);
  if (keysym >= XK_A && keysym <= XK_Z) return 16 + (int)(keysym - XK_A);
  if (keysym >= XK_a && keysym <= XK_z) return 16 + (int)(keysym - XK_a);
  return -1;
}

int EntryKeyOf(unsigned long keysym, const char* typed) {
  switch (keysym) {
  case XK_Return:
  case XK_KP_Enter:
    return WindowInput::kEntryEnter;
  case XK_Escape:
    return WindowInput::kEntryEscape;
  case XK_BackSpace:
    return WindowInput::kEntryBackspace;
  case XK_Up:
    return WindowInput::kEntryUp;
  case XK_Down:
    return WindowInput::kEntryDown;
  default:
    break;
  }
  // Printable ASCII only: the fields take numbers and display texts.
  if (typed && typed[0] >= 32 && typed[0] < 127) return WindowInput::kEntryText;
  return WindowInput::kEntryNone;
}

bool TranslateXEvent(XEvent* ev, ClickTracker* clicks, WindowInput* out) {
  *out = WindowInput();
  switch (ev->type) {
  case ButtonPress: {
    const XButtonEvent& b = ev->xbutton;
    out->mX = b.x;
    out->mY = b.y;
    out->mMod = ModOf(b.state | ButtonMask(b.button));
    if (b.button == 4 || b.button == 5) {
      out->mKind = WindowInput::kWheel;
      out->mWheel = b.button == 4 ? 1 : -1;
      out->mMod.L = out->mMod.R = false;
      return true;
    }
    if (b.button != 1 && b.button != 3) return false;
    out->mButton = (int)b.button;
    if (b.button == 1 && clicks->IsDoubleClick(b.time, b.x, b.y)) {
      out->mKind = WindowInput::kDoubleClick;
    } else {
      if (b.button == 3) clicks->Forget();
      out->mKind = WindowInput::kPress;
    }
    return true;
  }
  case ButtonRelease: {
    const XButtonEvent& b = ev->xbutton;
    if (b.button != 1 && b.button != 3) return false; // wheel buttons release at once
    out->mKind = WindowInput::kRelease;
    out->mButton = (int)b.button;
    out->mX = b.x;
    out->mY = b.y;
    out->mMod = ModOf(b.state & ~ButtonMask(b.button));
    return true;
  }
  case MotionNotify: {
    const XMotionEvent& m = ev->xmotion;
    out->mKind = WindowInput::kDrag;
    out->mX = m.x;
    out->mY = m.y;
    out->mMod = ModOf(m.state);
    return out->mMod.L || out->mMod.R;
  }
  case KeyPress: {
    char typed[8] = {0};
    KeySym keysym = 0;
    const int n = XLookupString(&ev->xkey, typed, (int)sizeof(typed) - 1, &keysym, nullptr);
    typed[n > 0 ? n : 0] = 0;
    out->mKind = WindowInput::kKey;
    out->mX = ev->xkey.x;
    out->mY = ev->xkey.y;
    out->mMod = ModOf(ev->xkey.state);
    out->mKeyCode = EditorKeyCode(keysym);
    out->mEntryKey = EntryKeyOf(keysym, typed);
    std::memcpy(out->mText, typed, sizeof(out->mText));
    return true;
  }
  case Expose: {
    const XExposeEvent& e = ev->xexpose;
    out->mKind = WindowInput::kExpose;
    out->mRect = IRECT(e.x, e.y, e.x + e.width, e.y + e.height);
    return true;
  }
  case DestroyNotify:
    out->mKind = WindowInput::kGone;
    return ev->xdestroywindow.window == ev->xdestroywindow.event;
  default:
    return false;
  }
}
