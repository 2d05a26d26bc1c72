#pragma once
// What the X11 editor window hands the editor: one record per event that matters,
// translated from the X event with no X types left (the editor's headers stay free of
// Xlib's macros). Double clicks are recognised here the way desktop toolkits do: a
// second left press within kDoubleClickMs and kDoubleClickDistance pixels of the first.
#include "IGraphicsStructs.h"

struct WindowInput {
  enum EKind {
    kNothing = 0,
    kPress,       // mButton 1 (left) or 3 (right)
    kRelease,     // mButton as above
    kDoubleClick, // left button only
    kDrag,        // pointer motion with a button held
    kWheel,       // mWheel notches, +1 away from the user (button 4), -1 towards (5)
    kKey,         // mKeyCode (the editor's key code, -1 none), mEntryKey, mText
    kExpose,      // mRect needs copying to the screen
    kGone         // the window was destroyed under us (its parent went away)
  };
  // Keys the value entry knows.
  enum EEntryKey {
    kEntryNone = 0,
    kEntryText,
    kEntryBackspace,
    kEntryEnter,
    kEntryEscape,
    kEntryUp,
    kEntryDown
  };

  int mKind = kNothing;
  int mX = 0, mY = 0; // window coordinates (outside the editor while the mouse is held)
  int mButton = 0;
  int mWheel = 0;
  IMouseMod mMod;
  int mKeyCode = -1;
  int mEntryKey = kEntryNone;
  char mText[8] = {0}; // the typed characters (kEntryText)
  IRECT mRect;
};

// GTK's defaults for the double click.
constexpr unsigned long kDoubleClickMs = 400;
constexpr int kDoubleClickDistance = 5;

// Remembers the last left press to tell a double click from two clicks.
class ClickTracker {
public:
  // [editor thread] A left press at the server time `timeMs`: true when it completes a
  // double click. A third press after a double click starts over.
  bool IsDoubleClick(unsigned long timeMs, int x, int y) {
    const bool dbl = mArmed && timeMs - mTime <= kDoubleClickMs && Near(x, mX) && Near(y, mY);
    mArmed = !dbl;
    mTime = timeMs;
    mX = x;
    mY = y;
    return dbl;
  }
  void Forget() { mArmed = false; }

private:
  static bool Near(int a, int b) {
    return a - b <= kDoubleClickDistance && b - a <= kDoubleClickDistance;
  }
  bool mArmed = false;
  unsigned long mTime = 0;
  int mX = 0, mY = 0;
};

// The editor's key code of an X keysym: space 0, up 1, down 2, left 3, right 4, the
// digits 6-15, the letters 16-41 (either case); -1 for every other key.
int EditorKeyCode(unsigned long keysym);
// The value entry's key of an X keysym and the characters it typed.
int EntryKeyOf(unsigned long keysym, const char* typed);
