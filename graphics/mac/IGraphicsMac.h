#pragma once
// The macOS platform class of the editor: a Cocoa view (CorvanelAU, an NSView) shows the
// drawing surface, its repeating timer ticks the editor, it turns mouse events into the
// core's calls and opens a native text field or combo box for typing a value. The Audio
// Unit's view factory (CLS_CORVANEL_View) asks for the view through OpenWindow and hands it
// to the host. The same source builds against Cocoa on a Mac and against GNUstep elsewhere.
//
// Life of the view:
//   1. the plug-in constructor builds the editor on this class (the Cocoa application
//      environment is loaded; the skin comes from the bundle the binary lies in);
//   2. the host asks the view factory for a view (Audio Unit): OpenWindow(null) makes a new
//      CorvanelAU whose timer runs in the common run-loop modes (it keeps firing while a
//      button is held) and hands it to the factory with the one reference from alloc; the
//      factory returns it autoreleased. Or the host hands the editor a view of its own
//      (VST3, CLAP): OpenWindow(parent) adds the new view to it, which holds that reference.
//      The editor and the timer refer to the view without owning it, so the view lives as
//      long as the host (or its view) holds it; an earlier view is unlinked;
//   3. the view joins a window, or its window's backing store changes: SetBackingFactor
//      takes the pixels per point, the editor draws at the nearest scale (unless the user
//      chose one or the host gave one) and the view takes its size in points;
//   4. ticks: dirty controls mark their rectangles for display, drawRect: repaints them and
//      DrawScreen hands the surface to AppKit; the deferred end of a wheel gesture counts down;
//   5. mouse, wheel and value entry (the view's text field or combo box);
//   6. the host removes the view (removeFromSuperview) or lets go of it (dealloc), or the
//      editor closes it (CloseWindow): the pending wheel gesture ends, the timer stops, view
//      and graphics are unlinked, and a view put into a parent leaves it. Asking again
//      makes a new view.
//
// Sizes: the editor's scale is device pixels per editor unit, as on every platform; the
// view's frame is in points, the device size divided by the backing factor b (device pixels
// per point: 1, or 2 on a Retina display). On a Retina display the editor draws at 200 %
// from the 2x skin art and shows at its usual size in points; the size menu's "100 %" there
// is one device pixel per editor unit, a view half as large. Mouse positions and dirty
// rectangles go points -> device pixels (x b) -> editor units (ToEditor, ToEditorCover).
//
// Threads: every call runs on the main (user-interface) thread.
#include "IGraphics.h"
#include "WDL_HeapBuf.h"
#include "WDL_String.h"

#ifdef __OBJC__
@class CorvanelAU;
#else
typedef struct objc_object CorvanelAU;
#endif

class IGraphicsMac : public IGraphics {
public:
  // [main thread]
  IGraphicsMac(IPlugBase* plug, int width, int height, int fps = 0);
  // [main thread] Closes a view still open: its timer must not tick a deleted editor.
  ~IGraphicsMac() override;

  // [main thread] The bundle whose resources hold the skin when the binary holding the
  // editor lies in no bundle of its own.
  void SetBundleID(const char* bundleID) { mBundleID.Set(bundleID); }
  const char* GetBundleID() const { return mBundleID.Get(); }

  // [main thread] Draws the whole surface into the current graphics context (the view's
  // own invalidation limits what reaches the screen); false without a view.
  bool DrawScreen(IRECT* r) override;
  void Resize(int w, int h) override;
  bool WindowIsOpen() override { return mView != nullptr; }
  void PromptUserInput(IControl* control, IParam* param, bool centered) override;
  void PromptUserInput(IEditableTextControl* control) override;
  // [main thread] The shared workspace opens the URL (a web URL when it contains "http",
  // else a file); true if it did, or if no URL could be made of the text.
  bool OpenURL(const char* url, const char* windowTitle, const char* confirmText,
               const char* errorText) override;
  int ProcessMouseWheel(float delta) override { return 0; }
  // [main thread, plug-in mutex held]
  void SetParamChangeTimer(int ticks) override;
  void CancelParamChangeTimer() override;
  // [main thread] Closes a view still open, makes a new one, adds it to the parent view
  // when one is given, and answers it (null on GNUstep without a display).
  void* OpenWindow(void* parent) override;
  // [main thread] Ends a pending wheel gesture, stops the timer and unlinks the view.
  void CloseWindow() override;
  void* GetWindow() override { return mView; }
  // [main thread] The editor registers no tooltips: removes any the view has.
  void SetAllTooltips() override;
  // [main thread, bitmap cache mutex held] The PNG of that file name among the bundle's
  // resources; the id is not used.
  LICE_IBitmap* OSLoadBitmap(int id, const char* name) override;
  // [main thread] Sets the cursor of that Windows number when it differs from the last one.
  void SetPlatformCursor(int cursorId) override;

  // [main thread] The view calls this when it is removed: it no longer points here.
  void ViewRemoved(CorvanelAU* view);

  // [main thread] Draws at `percent` and sizes the view to the new device size in points.
  void SetScale(int percent) override;
  // [main thread] The view's window has `factor` device pixels per point (anything but a
  // finite number from 1 to 8 counts as 1): the view calls it when it joins a window and when
  // the window's backing properties change. The platform's scale becomes the nearest one
  // (editor_scale::NearestScale); when the scale stays (the user chose it) but the factor
  // changed, the view is sized again and the plug-in hears of it (EditorResized).
  void SetBackingFactor(double factor);
  double BackingFactor() const { return mBacking; }
  // The view's size in points, what Cocoa hosts measure views in (VST3 and CLAP on macOS),
  // rounded up to whole points.
  int ViewWidth() const;
  int ViewHeight() const;

private:
  // [main thread] Gives the view the device size in points.
  void SizeView();

  CorvanelAU* mView = nullptr;
  double mBacking = 1.0;      // the last backing factor the view reported, device pixels per point
  bool mViewInParent = false; // OpenWindow put mView into a parent view, which holds it
  WDL_String mBundleID;
  int mCursor = 0;        // last cursor number set, 0 none
  WDL_HeapBuf mScreenRGB; // GNUstep: the surface as packed RGB for AppKit
};
