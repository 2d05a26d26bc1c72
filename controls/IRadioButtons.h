#pragma once
// A group of N exclusive buttons over one bitmap that holds the whole group in its
// selected look (the background holds the unselected look): the selected button's
// slice of the bitmap is copied over it. Button i stands for the value i / (N - 1). A
// right click opens the parameter's value entry, a list of its display texts.
//
// A combined group is one bitmap cut into N slices along the stacking direction (equal
// slices, or the first three of the given sizes and the rest for the last); otherwise
// every button is the whole bitmap, repeated.
//
// Life: built in the plug-in constructor; values from the plug-in arrive through
// SetValueFromPlug; drawn and clicked on the editor thread.
#include "IControl.h"
#include "WDL_HeapBuf.h"

class IRadioButtons : public IControl {
public:
  // [main thread] Direction 1 stacks the buttons horizontally, anything else vertically.
  // The bitmap's frame count is the number of buttons.
  IRadioButtons(IPlugBase* plug, int paramIdx, int x, int y, const IBitmap* bitmap, bool combined,
                int direction, int size0, int size1, int size2);

  // [editor thread] Right button: the value entry; left button: the button under the
  // pointer, if any. Either way the value is pushed.
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  // [editor thread] The selected button's slice of the bitmap.
  bool Draw(IGraphics* graphics) override;

  int NButtons() const { return mButtonRECTs.GetSize(); }
  const IRECT* GetButtonRECT(int i) const { return mButtonRECTs.Get() + i; }

  WDL_TypedBuf<IRECT> mButtonRECTs{4096};
  IBitmap mBitmap;
  bool mVertical;
};
