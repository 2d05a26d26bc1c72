#pragma once
// A control that shows one frame of a multi-frame bitmap, chosen by its value. The
// editor background is one (a single frame, clobbering what lies beneath).
#include "IControl.h"

class IBitmapControl : public IControl {
public:
  // [main thread] At (x, y), the size of one frame.
  IBitmapControl(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                 IChannelBlend blend = IChannelBlend(IChannelBlend::kBlendNone));
  // [main thread] Over `rect`, unbound; the graphics core builds the background so.
  IBitmapControl(IPlugBase* plug, const IRECT* rect, IBitmap* bitmap, IChannelBlend blend);

  // [editor thread] Frame int((N - 1) x value + 0.5) + 1, kept within 1..N.
  bool Draw(IGraphics* graphics) override;

  bool mVerticalFrames = true;
  IBitmap mBitmap;
};
