#pragma once
// The step bar editors.
//
// MyBar shows one entry of the plug-in's step array (a step's time or volume, 0..4)
// as a bar filled from the left to entry / 4. A click or drag inside it sets the
// entry, records it as the edited entry and value, and signals the edit through the
// plug-in's step-edit parameter, which an invisible control carries to the plug-in
// (the plug-in then repacks the pattern and shows the status message). The bar has
// no parameter of its own.
//
// MyBar2 is a press-and-hold shift button bound to a shift parameter (-5..5, 0 at
// normalised 0.5): the left half pushes 0.4 (-1), the right half 0.6 (+1), and every
// repaint while held moves the value 0.005 further out, so the plug-in, which reacts
// to each new whole value, shifts again about every 20 repaints, at most five times a
// press. Release pushes 0.5 (0).
//
// Life: built in the plug-in constructor with borrowed pointers into the plug-in,
// which outlives the editor; pushed values arrive through SetValueFromPlug; drawn and
// clicked on the editor thread.
//
// Threads: the step entries and the edited entry and value are shared with the audio
// thread and the plug-in's reactions; the bar writes them only with the plug-in's
// mutex held, as the plug-in does.
#include "IControl.h"

#include <cstdint>

class MyBar : public IControl {
public:
  // The plug-in's parameter that carries a step edit to its reaction.
  static constexpr int kStepEditedParam = 23;

  // [main thread] Takes its entry index from *editedStep (the editor build stores it there
  // just before) and its value from *stepValue / 4.
  MyBar(IPlugBase* plug, uint16_t* stepValue, const IRECT* rect, const IColor* color,
        uint16_t* editedStep, uint16_t* editedValue);

  // [editor thread; takes the mutex] The right button sets level 4 anywhere; the left
  // button inside the bar sets the level of the click curve (the sizing cursor when the
  // click is within 0.15 of the fill end).
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  // [editor thread] The arrow cursor again.
  void OnMouseUp(int x, int y, IMouseMod* mod) override;
  // [editor thread; takes the mutex] The sizing cursor; inside the pressed bar the level
  // follows the pointer in equal quarters.
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) override;
  // [editor thread; takes the mutex] The fill, then the shown level written back into the
  // step array.
  bool Draw(IGraphics* graphics) override;

  int StepIndex() const { return mStepIdx; }

protected:
  enum ERule { kClickRule, kDragRule, kRightButtonRule };
  // Sets the entry from the pointer (or the right-button rule) and signals the edit.
  void SetStep(int x, ERule rule);
  float Position(int x) const;
  void SetCursor(int cursorId);

  IColor mColor;
  int16_t mStepIdx;
  uint16_t* mStepValue;
  uint16_t* mEditedStepPtr;
  uint16_t* mEditedValuePtr;
};

class MyBar2 : public IControl {
public:
  // [main thread] At (x, y), the size of the whole bitmap (both halves); frame 1 is the
  // pressed left half, frame 2 the pressed right half, side by side.
  MyBar2(IPlugBase* plug, int paramIdx, int x, int y, const IBitmap* bitmap);

  // [editor thread] The left button in the left half pushes -1, in the right half +1.
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  // [editor thread] Pushes 0 and asks for one more repaint.
  void OnMouseUp(int x, int y, IMouseMod* mod) override;
  // [editor thread] The pressed half, and the value moved 0.005 further out (pushed).
  bool Draw(IGraphics* graphics) override;
  // [editor thread] Dirty while held and once after release, whatever the base flag says.
  bool IsDirty() override;

  IBitmap mBitmap;
  bool mReleased = false;
};
