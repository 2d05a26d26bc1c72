#pragma once
// A knob drawn by rotating one bitmap about its centre, from -range/2 at value 0
// through the image's own orientation at 0.5 to +range/2 at 1, with the parameter's
// display text and unit ("1000Hz", "80%") centred in the bottom of its rectangle.
// Dragging, the wheel, the double click and the right-click value entry are the
// knob base's.
//
// Life: built in the plug-in constructor; values from the plug-in arrive through
// SetValueFromPlug; drawn and dragged on the editor thread. A multi-frame image is
// cropped to its left half on the first draw, rotated, and its last frame laid
// unrotated on top.
#include "IControl.h"

#include <cstdint>

class IKnobRotVal : public IKnobControl {
public:
  // [main thread] (x, y) is the knob's centre. The rectangle is the image (one frame wide,
  // or widthOverride) around it, extended down by textGap and the text's size when textGap
  // is positive. `positions` > 1 snaps the value on release to positions - 1 intervals.
  IKnobRotVal(IPlugBase* plug, int paramIdx, int x, int y, const IBitmap* bitmap, const IText* text,
              int textGap, int angleRange, double gearing, int widthOverride, int direction,
              float weight, bool showLabel, int positions);

  // [editor thread] Snaps (when snapping), then pushes the final value once more.
  void OnMouseUp(int x, int y, IMouseMod* mod) override;
  // [editor thread; takes the mutex to read the parameter] The value text, then the
  // rotated image.
  bool Draw(IGraphics* graphics) override;

  // The rotation for a value, in radians.
  double AngleFor(double value) const;
  // [editor thread; takes the mutex] The text shown under the knob: the display text of the
  // parameter's real value, the unit right after it when the label is shown ("1000Hz");
  // empty without a parameter. `out` holds `size` bytes.
  void ValueText(char* out, int size);

  IText mText;
  IBitmap mBitmap;
  int mCenterX, mCenterY;
  int mTextGap;
  int mAngleRange;
  int16_t mSnapSteps;
  float mWeight;
  bool mShowLabel;
  IChannelBlend mRotBlend;
};
