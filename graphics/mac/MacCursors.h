#pragma once
// The cursors the controls ask for by their Windows numbers, as the macOS cursors they
// stand for. Pure data, so that the table can be checked without a window.
enum EMacCursor {
  kMacCursorNone = 0,
  kMacCursorArrow,
  kMacCursorIBeam,
  kMacCursorResizeUp,
  kMacCursorResizeLeftRight,
  kMacCursorResizeUpDown,
  kMacCursorOpenHand
};

inline EMacCursor MacCursorForWindowsNumber(int cursorId) {
  switch (cursorId) {
  case 32512:
    return kMacCursorArrow;
  case 32513:
    return kMacCursorIBeam;
  case 32516:
    return kMacCursorResizeUp;
  case 32644:
    return kMacCursorResizeLeftRight;
  case 32645:
    return kMacCursorResizeUpDown;
  case 32649:
    return kMacCursorOpenHand;
  default:
    return kMacCursorNone;
  }
}
