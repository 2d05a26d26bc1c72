#pragma once
// The activity display: a marker next to the bar pair of the playing step. Two of them
// lie in the gaps of the four rows of step bars; the one at the top edge 230 serves rows
// 1 and 2 (steps 0-31), any other rows 3 and 4 (steps 32-63). A step of the row above
// the display gets its marker under the bar, a step of the row below over it.
//
// Life: built in the plug-in constructor with a pointer to the plug-in's playing step;
// the marker images load on the first draw; repainted on every tick of the editor, so
// it follows the step without any notification from the audio thread.
//
// Threads: the audio thread writes the playing step, the editor thread reads it once
// per draw (a relaxed atomic: a stale step shows for one tick).
#include "IControl.h"
#include "RelaxedAtomic.h"

#include <cstdint>

class SampleActivity : public IControl {
public:
  // Step pitch of the bar grid and the marker's offset from the grid's left edge.
  static constexpr int kStepPitch = 35;
  static constexpr int kMarkerOffset = 12;
  // Height of the marker images: the over-the-bar marker sits on the bottom edge.
  static constexpr int kMarkerHeight = 7;

  // [main thread] Unbound; never reacts to the mouse.
  SampleActivity(IPlugBase* plug, const IRECT* rect, const RelaxedAtomic<uint16_t>* curStep);

  // [editor thread] The marker of the playing step, if it is in one of this display's rows.
  bool Draw(IGraphics* graphics) override;
  // [editor thread] Always: the playing step moves without telling the editor.
  bool IsDirty() override { return true; }

  const RelaxedAtomic<uint16_t>* mCurStepPtr;
  uint16_t mSplitStep;
  uint16_t mFirstStep;
  bool mLoaded = false;
  IBitmap mMarkBelow;
  IBitmap mMarkAbove;
};
