#pragma once
// An invisible control of no size that exists to be bound to a parameter: the value the
// plug-in or another control hands it as user input goes on to the plug-in like any
// control's (the step bars signal their edits through one). It is never hit and never
// meets a redraw area.
//
// Life: built in the plug-in constructor; its values arrive on the editor thread (or
// from the plug-in, mutex held).
#include "IControl.h"

class IEmpty : public IControl {
public:
  // [main thread] The rectangle (0, 0, 0, 0).
  IEmpty(IPlugBase* plug, int paramIdx) : IControl(plug, IRECT(), paramIdx) {}

  // [editor thread] Draws nothing.
  bool Draw(IGraphics* graphics) override { return true; }
  // [editor thread] Never: all four edges of an empty rectangle would take the corner pixel
  // (0, 0), and a right click there would open an entry for the hidden parameter.
  bool IsHit(int x, int y) override { return false; }
};
