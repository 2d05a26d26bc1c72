#pragma once
// The value entry as the X11 window shows it, drawn by the editor itself with the raster
// library over the surface: a text field (white, a dark frame, the typed text and a
// caret) or, for a parameter with display texts, a list of them, one row each, the
// selected one highlighted. The offered text starts selected, as in a desktop field:
// the first typed character replaces it.
#include "IGraphicsLinux.h"

// Height of one row of the drawn list.
constexpr int kEntryRowHeight = 18;

// [editor thread] Where the open entry is drawn: the field over its rectangle, the list
// below its top, one row per choice; moved inside the editor where it would leave it.
IRECT EntryArea(const IGraphicsLinux& g);
// [editor thread] The list row at (x, y), -1 outside the list.
int EntryRowAt(const IGraphicsLinux& g, int x, int y);
// [editor thread] Typing into the field: characters, and Backspace.
void EntryType(IGraphicsLinux::ValueEntry* entry, const char* text);
void EntryBackspace(IGraphicsLinux::ValueEntry* entry);
// [editor thread] Draws the open entry into the surface.
void DrawValueEntry(IGraphicsLinux* g);
