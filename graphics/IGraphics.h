#pragma once
// The platform-independent heart of the editor: the ordered control list, the
// drawing surface, the drawing primitives the controls use, the dirty-rectangle
// redraw, mouse and key dispatch, typed values, and the process-wide caches of
// skin bitmaps and fonts. A platform class (one per operating system, built only
// into its deliverable) derives from it and supplies the window, the timer, the
// value-entry field and image loading.
//
// Life of an editor:
//   1. built in the plug-in constructor: the platform class, AttachBackground,
//      AttachControl for every control (the list order is the drawing order and,
//      read backwards, the mouse priority);
//   2. attached (IPlugBase::AttachEditor): every parameter value is pushed into the
//      controls, PrepareDrawing makes the surface;
//   3. window opened by the host (OpenWindow);
//   4. ticks on the window's timer: IsDirty unites the dirty controls' rectangles,
//      Draw repaints what intersects them and DrawScreen copies it to the window;
//      the deferred end of a wheel gesture counts down;
//   5. mouse, wheel and key input (OnMouse*, OnKeyDown), typed values
//      (SetFromStringAfterPrompt);
//   6. window closed (CloseWindow): the description stays and can be shown again;
//   7. destroyed with the plug-in instance: controls last to first, then the surface.
//
// Scale: the editor draws at 100 %, 150 % or 200 % (IScale.h). Controls, rectangles
// and mouse positions are in editor units (the 100 % pixels) everywhere in the core;
// the primitives draw them scaled into a surface of the device size, from the 2x skin
// art above 100 %, with text sizes scaled. A window converts its device positions
// with ToEditor before it calls the input functions, and copies DeviceRect(r) of the
// surface. The scale a window uses is the user's choice (the size menu a right-click
// on the background opens) or else the one its platform or host gives.
//
// Threads: everything runs on the editor (user-interface) thread except
// SetParameterFromPlug, which a host or audio thread may call with the plug-in
// mutex held; it only stores values and sets dirty flags. The core takes no lock
// but the two cache mutexes.
#include "IGraphicsStructs.h"
#include "IScale.h"
#include "IScaleMenu.h"
#include "WDL_PtrList.h"
#include "WDL_String.h"

class IControl;
class IEditableTextControl;
class IParam;
class IPlugBase;
class LICE_IBitmap;
class LICE_SysBitmap;

class IGraphics {
public:
  // Cursor numbers the controls ask for (the Windows numbers on every platform).
  enum ECursor { kCursorArrow = 32512, kCursorSizeWE = 32644 };

  // [main thread] A frame rate of 0 or less becomes 24 ticks per second.
  IGraphics(IPlugBase* plug, int width, int height, int fps = 0);
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // ---- Virtual operations, in slot order (platform ones are the platform class's) -----------
  // [editor thread] Copies the rectangle of the surface to the window.
  virtual bool DrawScreen(IRECT* r) = 0;
  // [editor thread] New size: the capture is released and every control deleted.
  virtual void Resize(int w, int h);
  virtual bool WindowIsOpen() = 0;
  // [editor thread] Opens the value entry for a parameter over the control (a list for a
  // parameter with display texts); the committed text comes back through
  // SetFromStringAfterPrompt.
  virtual void PromptUserInput(IControl* control, IParam* param, bool centered) = 0;
  virtual void PromptUserInput(IEditableTextControl* control) = 0;
  // No caller in the product: every platform answers false.
  virtual bool HostPath(WDL_String* path) { return false; }
  virtual bool PluginPath(WDL_String* path) { return false; }
  virtual bool PromptForFile(WDL_String* file, bool save, const char* dir, const char* exts) {
    return false;
  }
  virtual bool PromptForColor(IColor* color, const char* prompt) { return false; }
  // [editor thread] Opens a web page in the desktop's browser; true if that started.
  virtual bool OpenURL(const char* url, const char* windowTitle, const char* confirmText,
                       const char* errorText) = 0;
  // [editor thread] A wheel event the host forwards; 1 when it reached the editor.
  virtual int ProcessMouseWheel(float delta) = 0;
  // [editor thread, plug-in mutex held] The deferred end of a wheel gesture: after `ticks`
  // timer ticks the window calls FlushPendingEndEdit on the plug-in.
  virtual void SetParamChangeTimer(int ticks) = 0;
  virtual void CancelParamChangeTimer() = 0;
  // [editor thread] Opens the window in the host's parent; the window, or null.
  virtual void* OpenWindow(void* parent) = 0;
  virtual void* OpenWindow(void* parentView, void* parentControl) { return nullptr; }
  virtual void CloseWindow() = 0;
  virtual void* GetWindow() = 0;
  // [main thread] Deletes the controls (last to first) and the surface.
  virtual ~IGraphics();
  virtual void SetAllTooltips() = 0;
  // [editor thread, bitmap cache mutex held] Decodes skin image `id` (file `name`); null if
  // it cannot be had.
  virtual LICE_IBitmap* OSLoadBitmap(int id, const char* name) = 0;
  // [editor thread] Shows a cursor by its number (kCursorArrow, kCursorSizeWE).
  virtual void SetPlatformCursor(int cursorId) = 0;
  // [editor thread] The host's idle call while the window is open: platforms whose
  // window has no event loop of its own handle their events and ticks here.
  virtual void HostIdle() {}

  // [editor thread] Draws at `percent` (100, 150 or 200; others are ignored) from now on: the
  // surface is remade at the device size, every control is dirty and the plug-in hears
  // of the new size (EditorResized). A platform class also resizes its window.
  virtual void SetScale(int percent);

  // ---- Accessors --------------------------------------------------------------------------
  // The editor's size in editor units.
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  // ---- Scale [editor thread] ------------------------------------------------------------------
  int Scale() const { return mScale; }
  // The surface's and the window's size, in device pixels.
  int DeviceWidth() const { return editor_scale::ToDevice(mWidth, mScale); }
  int DeviceHeight() const { return editor_scale::ToDevice(mHeight, mScale); }
  IRECT DeviceRect(const IRECT& r) const { return editor_scale::ToDevice(r, mScale); }
  // A device position in editor units.
  int ToEditor(int device) const { return editor_scale::ToEditor(device, mScale); }
  // The scale the window's platform (its desktop, monitor or backing store) asks for;
  // used unless the user chose one or the host gave one.
  void SetPlatformScale(int percent);
  // The scale the host gives through its format's interface (VST3 content scale, CLAP
  // set_scale, LV2 ui:scaleFactor); 0 forgets it. It wins over the platform's guess.
  void SetHostScale(int percent);
  // A window opens with the platform's scale (0: unknown, keep the last): the user's
  // preference, when this editor has no choice yet, is read first.
  void OpenWindowScale(int platformPercent);
  int PlatformScale() const { return mPlatformScale; }
  // The user's choice from the size menu (0: none, follow the platform). It stays with the
  // editor for the life of the instance and is saved as the user's preference, which
  // new editors start from (EditorPrefs.h).
  void ChooseScale(int percent);
  int ChosenScale() const { return mChosenScale; }
  const IScaleMenu& GetScaleMenu() const { return mScaleMenu; }
  int FPS() const { return mFPS; }
  IPlugBase* GetPlug() const { return mPlug; }
  LICE_SysBitmap* GetDrawBitmap() const { return mDrawBitmap; }

  // [main thread, plug-in mutex held] Makes the surface; called once by AttachEditor.
  void PrepareDrawing();

  // ---- Controls (built in the plug-in constructor) ---------------------------------------------
  // Loads the background image and puts a clobbering bitmap control over the whole editor at 0.
  void AttachBackground(int id, const char* name);
  // Takes ownership; answers the control's index.
  int AttachControl(IControl* control);
  IControl* GetControl(int idx) const { return mControls.Get(idx); }
  int GetNControls() const { return mControls.GetSize(); }

  // ---- Bitmaps ---------------------------------------------------------------------------------
  // [editor or main thread; takes the bitmap cache mutex] Each id is decoded once per process.
  // An image that cannot be loaded gives an IBitmap without data, which draws nothing.
  IBitmap LoadIBitmap(int id, const char* name, int nStates = 1);
  // [editor thread; takes the bitmap cache mutex] A cached copy of a part of a bitmap.
  IBitmap CropBitmap(IBitmap* bitmap, IRECT* r);

  // ---- Drawing into the surface [editor thread] -------------------------------------------------
  // Bitmaps are clipped to the rectangle being redrawn; fills, rotated bitmaps, whole
  // bitmaps and text only to the surface. Each answers true (DrawIText false when no font).
  bool DrawBitmap(IBitmap* bitmap, IRECT* dest, int srcX, int srcY, const IChannelBlend* blend);
  // Frames count from 1; `vertical` false means the frames lie side by side.
  bool DrawBitmapFrame(IBitmap* bitmap, IRECT* dest, int frame, const IChannelBlend* blend,
                       bool vertical = true);
  bool DrawWholeBitmap(IBitmap* bitmap, int x, int y, const IChannelBlend* blend);
  bool DrawRotatedBitmap(IBitmap* bitmap, int centerX, int centerY, double angle, float srcX,
                         float srcY, const IChannelBlend* blend);
  bool FillIRect(const IColor* color, IRECT* r, const IChannelBlend* blend = nullptr);
  bool DrawIText(IText* text, const char* str, IRECT* r);
  // [editor thread; takes the font cache mutex] The text's font, made once per process for
  // each name, size, orientation and style; null if none can be made.
  LICE_CachedFont* CacheFont(IText* text);

  // ---- Parameters ------------------------------------------------------------------------------
  // [any thread, plug-in mutex held] A value from the plug-in (real, or normalised when the
  // flag is set) for every control of the parameter.
  void SetParameterFromPlug(int paramIdx, double value, bool normalized);
  // [editor or audio thread, plug-in mutex held] A value for every control of the parameter as
  // if the user had entered it: it reaches the plug-in and the host.
  void SetControlsFromUserInput(int paramIdx, double normalizedValue);
  // [editor thread] The user committed a value entry: a display text, or a leading decimal
  // number (negated where the parameter shows negated values). Without a parameter the
  // control is an editable text control and takes the text.
  void SetFromStringAfterPrompt(IControl* control, IParam* param, const char* text);

  // ---- Redraw [editor thread] ---------------------------------------------------------------
  // Unites the rectangles of the dirty controls into r; true if any was dirty.
  bool IsDirty(IRECT* r);
  // Draws every visible control that meets r, in list order, cleans every control, and
  // copies r to the window.
  bool Draw(IRECT* r);
  void SetAllControlsDirty();

  // ---- Input [editor thread] ----------------------------------------------------------------
  // The captured control, else the topmost visible, not greyed control under the point; -1
  // none.
  int GetMouseControlIdx(int x, int y);
  void OnMouseDown(int x, int y, IMouseMod* mod);
  void OnMouseUp(int x, int y, IMouseMod* mod);
  void OnMouseDrag(int x, int y, IMouseMod* mod);
  // True when a control took the double click as a press and captured the mouse.
  bool OnMouseDblClick(int x, int y, IMouseMod* mod);
  void OnMouseWheel(int x, int y, IMouseMod* mod, int d);
  void OnKeyDown(int x, int y, int key);
  void ReleaseMouseCapture();
  int GetMouseCapture() const { return mMouseCapture; }

protected:
  WDL_PtrList<IControl> mControls;
  IPlugBase* mPlug;
  IRECT mDrawRECT;
  LICE_SysBitmap* mDrawBitmap = nullptr;
  int mWidth, mHeight;
  int mFPS;
  int mMouseCapture = -1;
  int mMouseX = -1, mMouseY = -1;
  bool mStrict = true;

private:
  // The image a primitive draws from at the current scale and how many of its pixels
  // make one editor unit.
  struct Art {
    LICE_IBitmap* mBitmap;
    int mFactor;
  };
  Art ArtFor(LICE_IBitmap* bitmap);
  // [bitmap cache mutex held] The 2x art of a cached bitmap (loaded or cropped once), null
  // when there is none.
  LICE_IBitmap* TwiceLocked(LICE_IBitmap* bitmap);
  // Draws `bitmap`'s part at (srcX, srcY) into dest, scaled, only where clip is.
  void BlitScaled(LICE_IBitmap* bitmap, const IRECT& dest, int srcX, int srcY, const IRECT& clip,
                  const IChannelBlend* blend);
  // The scale for this window: the user's choice, else the host's, else the platform's.
  int WantedScale() const {
    return mChosenScale ? mChosenScale : mHostScale ? mHostScale : mPlatformScale;
  }
  // The size menu takes a press while it is open; true when it did.
  bool ScaleMenuTakesPress(int x, int y, IMouseMod* mod);

  int mScale = editor_scale::kScale100;
  int mPlatformScale = editor_scale::kScale100;
  int mHostScale = 0;
  int mChosenScale = 0;
  IScaleMenu mScaleMenu;
  bool mSwallowRelease = false;
  bool mHasBackground = false; // AttachBackground put the background at index 0
};
