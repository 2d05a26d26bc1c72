#pragma once
// The editor's X11 window: a child of the window the host passes to effEditOpen, on a
// display connection of its own. It copies rectangles of the drawing surface to the
// screen (XPutImage), shows the arrow and horizontal sizing cursors, takes and returns
// the keyboard focus for the value entry, and translates its X events into
// WindowInput records for the editor.
//
// Events reach it two ways, as Linux hosts do either: the host calls effEditIdle and
// the editor drains this connection (Pump); or the host reads the `_XEventProc`
// property (a `void proc(XEvent*)`, stored as two 32-bit items, low half first) and
// calls it with the events its own connection got for this window. The same event can
// come both ways (the server gives a key press to every client that selected it), so
// input events are recognised by their server time and detail and handled once. Each
// call of the event function also runs the due ticks and drains this connection. The
// ticks run first, either way: ticks owed for a pause in the host's calls belong to the
// time before the events that arrived meanwhile (a wheel notch's countdown must not be
// eaten by them).
//
// Life: Create (the host's parent must exist and have a 24- or 32-bit true-colour
// visual) → Put / SetCursor / Pump while open → destroyed on effEditClose, which
// discards the events still queued. Xlib's error handler is the host's; X errors this
// window can cause (a parent that is gone) are trapped around the calls that can cause
// them.
//
// Threads: everything on the host's user-interface thread, no thread of our own.
#include "WindowInput.h"

#include <cstdint>

union _XEvent;
struct _XDisplay;
struct _XGC;
class LICE_IBitmap;

// Translates one X event; false when it means nothing to the editor.
bool TranslateXEvent(union _XEvent* ev, ClickTracker* clicks, WindowInput* out);

// What the window reports to. [editor thread]
class X11WindowClient {
public:
  virtual void OnWindowInput(const WindowInput& input) = 0;
  // The host called the event function: run the ticks that came due before its event.
  virtual void OnWindowTicks() = 0;

protected:
  ~X11WindowClient() = default;
};

class X11Window {
public:
  // [editor thread] A w x h child window at (0, 0) of `parent`, mapped; null when there
  // is no display, the parent does not exist, or its visual is not 8-bit-per-channel
  // true colour.
  static X11Window* Create(unsigned long parent, int w, int h, X11WindowClient* client);
  // [editor thread] Destroys the window (unless its parent already did) and closes the
  // connection, discarding what is queued.
  ~X11Window();
  X11Window(const X11Window&) = delete;
  X11Window& operator=(const X11Window&) = delete;

  // [editor thread] The root window of the default screen (a floating editor's parent),
  // 0 without a display.
  static unsigned long DefaultRoot();

  unsigned long Id() const { return mWindow; }
  // The connection's file descriptor, readable when events arrive (a host's loop watches it).
  int ConnectionFd() const;
  // [editor thread] For a top-level window: its title, and the window it stays above.
  void SetTitle(const char* title);
  void SetTransientFor(unsigned long owner);
  bool IsGone() const { return mGone; }

  // [editor thread] Handles every event queued on this connection.
  void Pump();
  // [editor thread] The desktop's scale factor (ScreenScale.h) on this window's display.
  double ScreenFactor() const;
  // [editor thread] A new size (the editor's scale changed).
  void Resize(int w, int h);
  // [editor thread] Copies r of the surface to the same place in the window.
  void Put(LICE_IBitmap* surface, const IRECT& r);
  // [editor thread] IGraphics::kCursorArrow or kCursorSizeWE.
  void SetCursor(int cursorId);
  // [editor thread] The value entry takes the keyboard focus and gives it back.
  void TakeFocus();
  void ReturnFocus();
  void Flush();

  // [host's user-interface thread] The function published in _XEventProc.
  static void EventProc(union _XEvent* ev);

private:
  X11Window() = default;
  void Deliver(union _XEvent* ev);
  bool SeenBefore(const union _XEvent& ev);

  struct SeenInput {
    int mType;
    unsigned long mTime;
    unsigned int mDetail;
    int mX, mY;
  };

  X11WindowClient* mClient = nullptr;
  _XDisplay* mDisplay = nullptr;
  unsigned long mWindow = 0;
  _XGC* mGC = nullptr;
  void* mVisual = nullptr;
  int mDepth = 0;
  unsigned long mArrow = 0, mSizeWE = 0;
  int mCursor = 0;
  bool mGone = false;
  bool mHasFocus = false;
  unsigned long mFocusBefore = 0;
  int mRevertBefore = 0;
  ClickTracker mClicks;
  SeenInput mSeen[16] = {};
  int mSeenNext = 0;
};
