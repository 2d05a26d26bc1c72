#pragma once
// Two-state button: a left click toggles it, and when on it shows its bitmap over the
// background, which holds the off look. A right click pushes the unchanged value and
// opens no value entry.
//
// Life: built in the plug-in constructor; values from the plug-in arrive through
// SetValueFromPlug; drawn and clicked on the editor thread.
#include "IControl.h"

class IButton : public IControl {
public:
  // [main thread] At (x, y), the size of one frame of the bitmap.
  IButton(IPlugBase* plug, int paramIdx, int x, int y, const IBitmap* bitmap);

  // [editor thread]
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  // [editor thread]
  bool Draw(IGraphics* graphics) override;

  IBitmap mBitmap;
};
