#pragma once
// Sliders. ISliderImg moves a handle bitmap along a track: a press or drag on the
// track puts the handle's centre under the pointer; the handle shows the parameter's
// own value. ISlider adds a coloured fill line from the track start (or the middle of
// the range) to the handle's centre, which follows the control's value, so the two
// differ only while a value is on its way to the plug-in.
//
// Life: built in the plug-in constructor; values from the plug-in arrive through
// SetValueFromPlug; drawn and dragged on the editor thread.
#include "IControl.h"

class ISliderImg : public IControl {
public:
  // [main thread] Direction 0 is vertical, anything else horizontal. The track is `len`
  // pixels long, centred across `rect`; the handle travels len minus its own length.
  ISliderImg(IPlugBase* plug, int paramIdx, const IRECT* rect, const IBitmap* handle,
             const IText* text, int len, int direction);

  // [editor thread] The right button opens the value entry; the left button on the track
  // sets the value from the point.
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  // [editor thread] On the track the value follows the pointer; off it nothing happens.
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) override;
  // [editor thread; takes the mutex to read the parameter] The value text (when its size
  // is positive), then the handle at the parameter's value.
  bool Draw(IGraphics* graphics) override;

  IText mText;
  IRECT mTrackRECT;
  IBitmap mBitmap;
  int mLen;
  int mTravel;
  bool mVertical;

protected:
  void SetValueFromPoint(int x, int y);
};

class ISlider : public ISliderImg {
public:
  // [main thread] The fill line is `thickness` pixels across the track and starts `inset`
  // pixels from its start, or from the middle of the range when `centered`.
  ISlider(IPlugBase* plug, int paramIdx, const IRECT* rect, const IBitmap* handle,
          const IText* text, const IColor* fill, int len, int thickness, int direction, int inset,
          bool centered);

  // [editor thread; takes the mutex to read the parameter] The fill line, then the slider.
  bool Draw(IGraphics* graphics) override;

  IColor mColor;
  int mThickness;
  int mInset;
  bool mCentered;
};
