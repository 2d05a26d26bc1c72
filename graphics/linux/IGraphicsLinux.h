#pragma once
// The Linux platform class of the editor: the surface is a raster-library system
// bitmap with FreeType text, the skin images are embedded in the plug-in binary
// itself, and the value entry is a small in-memory record that a window, a tool or a
// test can read, commit or dismiss. It has no window of its own here: the picture is
// the surface, and Tick() is what a window's timer would run. When the host passes
// its X11 window to OpenWindow, the editor opens a child window in it (X11Window):
// the surface is copied to it, its events come in through OnWindowInput, and the
// host's idle calls (or its calls of the window's event function) run the ticks that
// real time calls for at the frame rate (TickClock). The value entry is then drawn by
// the editor over the surface (ValueEntryView) and typed into through the window.
//
// Tick, at the frame rate (24 per second):
//   1. the value entry's state: a commit applies the text, a commit or a cancel
//      closes the entry (a cancel pushes the control's current value once more);
//   2. the dirty controls are repainted (IsDirty, Draw);
//   3. the deferred end of a wheel gesture counts down and ends when it reaches 0.
//
// Threads: everything runs on the editor thread (the host's user-interface thread);
// there is no thread of our own.
#include "IGraphics.h"
#include "RelaxedAtomic.h"
#include "TickClock.h"
#include "WDL_HeapBuf.h"
#include "X11Window.h"

#include <sys/types.h>

class ITextControl;

class IGraphicsLinux : public IGraphics, private X11WindowClient {
public:
  // The value entry: which control and parameter it edits, the text it offered, the
  // entries of a list, and where a window would show it.
  struct ValueEntry {
    enum EState { kNone = 0, kEditing = 1, kCancel = 2, kCommit = 3 };
    IControl* mControl = nullptr;
    IParam* mParam = nullptr; // null for an editable text control
    WDL_String mText;         // the text offered, then the one committed
    bool mIsList = false;     // a list of the parameter's display texts, else a text field
    int mSelected = -1;       // the list entry equal to the offered text, -1 none
    IRECT mRect;              // where the entry sits in the editor
    int mState = kNone;
    WDL_String mTyped;          // what the window's field holds
    bool mTypedSelected = true; // the offered text is still selected (typing replaces it)
  };

  // [main thread]
  IGraphicsLinux(IPlugBase* plug, int width, int height, int fps = 0);
  ~IGraphicsLinux() override;

  // [editor thread] With a window: draws the open value entry over the surface and copies
  // r (and the entry) to the window. Off screen there is nothing to copy.
  bool DrawScreen(IRECT* r) override;
  bool WindowIsOpen() override { return mWindowOpen; }
  // [editor thread] With a window, it takes the new size too.
  void SetScale(int percent) override;
  // [editor thread] Nothing without a control or parameter, or while an entry is open.
  void PromptUserInput(IControl* control, IParam* param, bool centered) override;
  void PromptUserInput(IEditableTextControl* control) override;
  // [editor thread] Starts the desktop's opener with the URL (no shell); true if it started.
  // The desktop has no message box to lean on: when the opener cannot start, or ends in
  // failure (reaped on a later tick), the error text shows in the message line.
  bool OpenURL(const char* url, const char* windowTitle, const char* confirmText,
               const char* errorText) override;
  int ProcessMouseWheel(float delta) override { return 0; }
  void SetParamChangeTimer(int ticks) override { mParamChangeTimer = ticks; }
  void CancelParamChangeTimer() override { mParamChangeTimer = 0; }
  // [editor thread] Without a parent the "window" is the surface: opening marks every
  // control dirty and answers null. With the host's X11 window id, opens the editor's
  // child window in it (closing one still open first) and answers its id, or null when
  // it cannot be made (the editor stays closed).
  void* OpenWindow(void* parent) override;
  // [editor thread] Ends a pending wheel gesture, forgets the entry and destroys the
  // window; the controls stay for the next opening.
  void CloseWindow() override;
  // [editor thread] The X11 window's id, null off screen or closed.
  void* GetWindow() override;
  // [editor thread] A floating editor: a top-level window with this title, kept above
  // `owner` when one is given (0 none). False when it cannot be made.
  bool OpenFloatingWindow(const char* title, unsigned long owner);
  // [editor thread] The open window's display connection, for a host's loop to watch
  // (readable when events arrive; HostIdle handles them); -1 when closed.
  int WindowConnectionFd() const { return mX11 ? mX11->ConnectionFd() : -1; }
  void SetAllTooltips() override {}
  // [editor thread, bitmap cache mutex held] The embedded image with this id.
  LICE_IBitmap* OSLoadBitmap(int id, const char* name) override;
  void SetPlatformCursor(int cursorId) override;
  // [editor thread] The host's idle call: runs the ticks that elapsed time calls for, then
  // handles the window's queued events. Nothing off screen.
  void HostIdle() override;

  // [editor thread] One timer tick (see above).
  void Tick();

  // ---- The value entry, as a window or a tool drives it [editor thread] ---------------------
  const ValueEntry* GetValueEntry() const { return mEntry.mControl ? &mEntry : nullptr; }
  int NEntryChoices() const;
  const char* GetEntryChoice(int idx) const;
  // The user typed a text and pressed Enter (or picked a list entry): it applies on the next
  // tick. False when no entry is open.
  bool CommitValueEntry(const char* text);
  // The user dismissed the entry: it closes on the next tick. False when none is open.
  bool DismissValueEntry();

  // What the platform was asked for, for windows, tools and tests.
  int GetCursor() const { return mCursor; }
  int GetParamChangeTimer() const { return mParamChangeTimer; }
  const char* GetLastURL() const { return mLastURL.Get(); }
  // The program OpenURL starts ("xdg-open" unless changed).
  void SetURLOpener(const char* program) { mURLOpener.Set(program); }
  // [main thread] The text control that shows OpenURL's error text (the status line).
  void SetMessageLine(ITextControl* line) { mMessageLine = line; }

private:
  void CloseValueEntry();
  void ReapOpener();
  void ShowMessage(const char* text);
  // [editor thread] The window's events and the host's calls of its event function.
  void OnWindowInput(const WindowInput& input) override;
  void OnWindowTicks() override;
  void OnEntryInput(const WindowInput& input);
  void OnPress(const WindowInput& input);
  // [editor thread] Redraws the open entry and copies it to the window.
  void ShowEntry();

  X11Window* mX11 = nullptr;
  TickClock mClock;
  bool mCaptured = false; // a button went down in the window and is not up yet

  ValueEntry mEntry;
  bool mWindowOpen = false;
  // Counted down by the editor's tick; cancelled from any thread that flushes a pending
  // end of gesture (the audio thread does, before it begins its own).
  RelaxedAtomic<int> mParamChangeTimer{0};
  int mCursor = kCursorArrow;
  WDL_String mLastURL;
  WDL_String mURLOpener{"xdg-open"};
  pid_t mOpenerPid = -1;
  WDL_String mOpenerError; // the error text of the running opener
  ITextControl* mMessageLine = nullptr;
};
