#pragma once
// The Windows platform class of the editor: a child window "IPlug" (class
// "IPlugWndClass") inside the window the VST2 host supplies, painted by copying the
// DIB-section surface, with a timer at the frame rate that repaints dirty controls,
// runs the value entry and ends deferred wheel gestures. Skin images are PNG resources
// of the plug-in's own module.
//
// Life of a window:
//   1. OpenWindow(host window): the class is registered while any editor window of the
//      process is open; the child is created per-monitor DPI aware where Windows allows
//      it (at the device size, or the previous size and position when the editor was
//      already open), takes the scale of its monitor's DPI (WinDpi.h) and every control
//      is marked dirty;
//   2. WM_CREATE starts timer 2 at int(1000 / fps) ms; each tick (Tick) applies or
//      drops the value entry, repaints what is dirty and counts the end of a wheel
//      gesture down;
//   3. mouse, wheel and key messages go to the graphics core at editor positions
//      (WinWindowProc.cpp); a move to a monitor of another DPI (WM_DPICHANGED_AFTERPARENT,
//      WM_DPICHANGED) sets the platform's scale, which resizes the window;
//   4. a right click on a control opens an EDIT or COMBOBOX child (WinParamEntry.cpp):
//      Enter, a list choice or a left click in the editor commits it on the next tick,
//      a right click in the editor drops it;
//   5. CloseWindow (the host's effEditClose, or WM_CLOSE) ends a pending wheel gesture
//      and destroys the window with any entry child; the description stays.
//
// Threads: everything runs on the host's user-interface thread (window procedure,
// timer, host calls of the editor opcodes with the plug-in mutex held).
#include "IGraphics.h"
#include "RelaxedAtomic.h"

#include <windows.h>

class IGraphicsWin : public IGraphics {
public:
  // Entry states of the value-entry child.
  enum EParamEditMsg { kNone = 0, kEditing = 1, kCancel = 2, kCommit = 3 };
  // The timer that drives the ticks, and the entry child's id.
  enum { kTimerId = 2, kParamEditId = 99 };

  // [main thread]
  IGraphicsWin(IPlugBase* plug, int width, int height, int fps = 0);
  // [main thread] Closes a window still open.
  ~IGraphicsWin() override;

  // [editor thread] Copies the device rectangle of editor rectangle r of the surface to
  // the window inside BeginPaint/EndPaint.
  bool DrawScreen(IRECT* r) override;
  // [editor thread] The core's resize, then the surface and the open window (and its child
  // parents) by the size difference.
  void Resize(int w, int h) override;
  // [editor thread] The core's new scale, then the open window at the device size (an
  // open value entry is dropped: it was placed for the old scale).
  void SetScale(int percent) override;
  bool WindowIsOpen() override { return mPlugWnd != nullptr; }
  // [editor thread] Opens the value entry (WinParamEntry.cpp); nothing while one is open.
  void PromptUserInput(IControl* control, IParam* param, bool centered) override;
  void PromptUserInput(IEditableTextControl* control) override;
  // [editor thread] Opens the url through the shell's "open" verb (WinOpenURL.cpp).
  bool OpenURL(const char* url, const char* windowTitle, const char* confirmText,
               const char* errorText) override;
  // [editor thread, plug-in mutex held] A wheel event the host forwards: reaches the editor
  // when the cursor is over the window (answer 1), else 0.
  int ProcessMouseWheel(float delta) override;
  void SetParamChangeTimer(int ticks) override { mParamChangeTimer = ticks; }
  void CancelParamChangeTimer() override { mParamChangeTimer = 0; }
  // [editor thread, plug-in mutex held] The editor window in `parent` (an HWND), or null.
  void* OpenWindow(void* parent) override;
  // [editor thread] Ends a pending wheel gesture and destroys the window.
  void CloseWindow() override;
  void* GetWindow() override { return mPlugWnd; }
  void SetAllTooltips() override {}
  // [editor thread, bitmap cache mutex held] The module's PNG resource `id`.
  LICE_IBitmap* OSLoadBitmap(int id, const char* name) override;
  void SetPlatformCursor(int cursorId) override;

  // [editor thread] One timer tick: the entry, the dirty repaint, the wheel countdown.
  void Tick();

  // What the window is showing, for tests and the test host.
  HWND GetParamEditWnd() const { return mParamEditWnd; }
  int GetParamEditMsg() const { return mParamEditMsg; }
  int GetParamChangeTimer() const { return mParamChangeTimer; }

  // The window procedures (registered class, subclassed entry child).
  static LRESULT CALLBACK WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ParamEditProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

private:
  // [editor thread] The editor's answer to a message of its own window.
  LRESULT HandleMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleEditMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // [editor thread] The entry child of class `cls` at the device rectangle of editor
  // rectangle r, or null.
  HWND CreateEntry(const char* cls, const char* text, DWORD style, const IRECT& r);
  // An entry font's height in editor units, in device pixels.
  int ScaledFontHeight(int height) const;
  // [editor thread] Subclasses the new entry child and gives it the font and the focus.
  void AdoptParamEdit(HWND child, IControl* control, IParam* param, HFONT font);
  // [editor thread] Restores the child's procedure, destroys it with its font.
  void DestroyParamEdit();
  // The period of the timer of the window being created: int(1000 / its frame rate) ms.
  static int TimerIntervalMs();
  // The mouse position inside a mouse message.
  static int MsgX(LPARAM lParam) { return (short)LOWORD(lParam); }
  static int MsgY(LPARAM lParam) { return (short)HIWORD(lParam); }

  HINSTANCE mHInstance;
  HWND mPlugWnd = nullptr;
  HWND mParamEditWnd = nullptr;
  IControl* mEdControl = nullptr;
  IParam* mEdParam = nullptr;
  WNDPROC mDefEditProc = nullptr;
  int mParamEditMsg = kNone;
  // Counted down by the editor's timer; cancelled from any thread that flushes a pending
  // end of gesture (the audio thread does, before it begins its own).
  RelaxedAtomic<int> mParamChangeTimer{0};
  HFONT mEditFont = nullptr; // the entry child's font, released when it closes
};
