#pragma once
// The input events corvanel-editor plays on the editor, one per line:
//   press X Y [MODS]      a button goes down at editor coordinates (X, Y)
//   drag X Y [MODS]       the pointer moves with the button held
//   release X Y [MODS]    the button comes up
//   dblclick X Y [MODS]   a double click
//   wheel X Y N [MODS]    N wheel notches (negative: towards the user)
//   tick [N]              N timer ticks (24 a second; default 1)
//   type TEXT             commits TEXT into the open value entry (a display text such
//                         as 1/8T, or a number), as Enter does
//   dismiss               dismisses the open value entry
// MODS are words among left (the default button), right, shift, control, alt. Blank
// lines and lines starting with '#' are ignored.
#include <string>
#include <vector>

struct EditorEvent {
  enum Kind { kPress, kDrag, kRelease, kDoubleClick, kWheel, kTick, kType, kDismiss } kind;
  int x = 0, y = 0;
  int count = 1; // wheel notches or ticks
  bool right = false, shift = false, control = false, alt = false;
  std::string text;
  int line = 0; // where it was read, for messages
};

// Reads the events of a whole text. False with a one-line message naming the line for an
// unknown event, a malformed number, a point outside the width x height editor or an
// unknown modifier.
bool ParseEditorEvents(const std::string& text, int width, int height,
                       std::vector<EditorEvent>* out, std::string* error);
