#pragma once
// The base of every element of the editor. A control owns a rectangle, may be bound
// to one plug-in parameter whose normalised value (0..1) it holds, draws itself into
// the graphics core's surface when asked, and reacts to the mouse events the core
// routes to it. The defaults: a right click opens the value entry, a double click
// returns to the default value, the wheel nudges the value, and every change made by
// the user reaches the plug-in through SetDirty(true).
//
// Threads: everything runs on the editor thread except SetValueFromPlug (and a text
// control's SetTextFromPlug), which the plug-in calls from a host or audio thread with
// its mutex held. Those only store values and set flags; the fields they share with
// the editor thread are relaxed atomics.
#include "IGraphicsStructs.h"
#include "RelaxedAtomic.h"

class IGraphics;
class IPlugBase;

class IControl {
public:
  // [main thread] Unbound controls pass -1 as the parameter.
  IControl(IPlugBase* plug, const IRECT* rect, int paramIdx = -1,
           IChannelBlend blend = IChannelBlend(IChannelBlend::kBlendNone))
      : IControl(plug, *rect, paramIdx, blend) {}
  IControl(IPlugBase* plug, const IRECT& rect, int paramIdx = -1,
           IChannelBlend blend = IChannelBlend(IChannelBlend::kBlendNone));
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // ---- Virtual operations, in slot order ------------------------------------------------------
  virtual ~IControl();
  // [editor thread] A right click opens the value entry.
  virtual void OnMouseDown(int x, int y, IMouseMod* mod);
  virtual void OnMouseUp(int x, int y, IMouseMod* mod) {}
  virtual void OnDrop(int x, int y, const char* path) {}
  virtual void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) {}
  // [editor thread] Back to the first value the plug-in gave, if any.
  virtual void OnMouseDblClick(int x, int y, IMouseMod* mod);
  // [editor thread] 0.01 per notch, 0.001 with control or shift.
  virtual void OnMouseWheel(int x, int y, IMouseMod* mod, int d);
  virtual void OnKeyDown(int x, int y, int key) {}
  virtual void OnMouseOver(int x, int y, IMouseMod* mod) {}
  virtual void OnMouseOut() {}
  // [editor thread] Paints the control into the graphics core's surface.
  virtual bool Draw(IGraphics* graphics) = 0;
  // [any thread, plug-in mutex held] A value from the plug-in; the first fixes the default.
  virtual void SetValueFromPlug(double value);
  // [editor or audio thread, plug-in mutex held] A value the user entered; pushed to the plug-in.
  virtual void SetValueFromUserInput(double value);
  virtual void Hide(bool hide);
  virtual void SetGrayed(bool grayed);
  // [editor thread] All four edges of the mouse rectangle are inclusive.
  virtual bool IsHit(int x, int y);
  // [any thread] Clamps the value and marks the control for redraw; with `pushParamToPlug`
  // a bound control's value goes to the plug-in (SetParamFromEditor).
  virtual void SetDirty(bool pushParamToPlug = true);
  // [editor thread] A redraw requested after the last draw keeps the control dirty once more.
  virtual void SetClean();
  virtual bool IsDirty();

  // [editor thread] Opens the value entry for the bound parameter, unless disabled.
  void PromptUserInput();

  double GetValue() const { return mValue; }
  double GetDefaultValue() const { return mDefaultValue; }
  bool IsHidden() const { return mHide; }
  bool IsGrayed() const { return mGrayed; }
  IRECT* GetRECT() { return &mRECT; }
  IRECT* GetTargetRECT() { return &mTargetRECT; }

  IPlugBase* mPlug;
  IRECT mRECT;
  IRECT mTargetRECT;
  IBitmap mAuxBitmap;
  int ParamIdx;
  RelaxedAtomic<double> mValue{0.0};
  RelaxedAtomic<double> mDefaultValue{-1.0};
  double mClampLo = 0.0, mClampHi = 1.0;
  RelaxedAtomic<bool> mDirty{true};
  bool mHide = false;
  bool mGrayed = false;
  RelaxedAtomic<bool> mRedraw{false};
  bool mDisablePrompt = false;
  bool mDblAsSingleClick = false;
  IChannelBlend mBlend;
  char* mTooltip = nullptr;
};

// A knob base: vertical (or horizontal) drags move the value, geared so that a drag over
// `mGearing` times the control's height sweeps the range; control or shift ten times finer.
class IKnobControl : public IControl {
public:
  enum EDirection { kVertical = 0, kHorizontal = 1 };

  IKnobControl(IPlugBase* plug, const IRECT& rect, int paramIdx, int direction = kVertical,
               double gearing = 4.0);

  // [editor thread]
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) override;

  int mDirection;
  double mGearing;
};
