#pragma once
// The editor's size menu: a right-click on the background (where no control is)
// opens it at the pointer with "100 %", "150 %" and "200 %", the current size marked.
// It is drawn by the editor itself, over the controls, so every window and host shows
// the same menu; a press on an entry chooses that size, a press anywhere else closes
// it and goes nowhere else. Positions are in editor units.
#include "IGraphicsStructs.h"

class IGraphics;

class IScaleMenu {
public:
  static constexpr int kEntries = 3;
  static constexpr int kEntryW = 64, kEntryH = 18;

  // [editor thread] Opens at (x, y), moved inside a w x h editor; `current` is marked.
  void Open(int x, int y, int w, int h, int current);
  void Close();
  bool IsOpen() const { return mOpen; }
  IRECT Rect() const { return mRect; }
  // The scale of the entry at (x, y), 0 when none.
  int ScaleAt(int x, int y) const;
  static const char* EntryText(int entry);
  static int EntryScale(int entry);
  // [editor thread] Draws the open menu where it meets r.
  void Draw(IGraphics* graphics, const IRECT& r);
  // The area to repaint since the last call (the menu opened or closed), united into r;
  // true if there was one.
  bool TakeDirty(IRECT* r);

private:
  bool mOpen = false;
  IRECT mRect;
  int mCurrent = 0;
  IRECT mDirty;
};
