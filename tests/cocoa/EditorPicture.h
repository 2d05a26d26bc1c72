#pragma once
// The editor on the screen against the picture a Linux build's off-screen editor
// (corvanel-editor, named by CORVANEL_EDITOR_TOOL) draws of the same fresh state. Outside
// the text areas the two draw the same pixels; inside them CoreText on macOS and the
// Linux renderer draw their own glyphs at their own sizes.
#include <cstdint>
#include <string>
#include <vector>

// The editor's size.
constexpr int kEditorW = 620, kEditorH = 355;

// [test thread] The off-screen picture at `percent` (100, 150 or 200), 0xRRGGBB of the
// editor's device size at that scale, top row first; empty (with the reason in *error)
// when the tool fails.
std::vector<uint32_t> OffScreenPicture(std::string* error, int percent = 100);
// The pixels of `screen` that differ from `picture` (both at `percent`) outside the text
// areas, with their bounds in *where.
int DifferingOutsideText(const std::vector<uint32_t>& screen, const std::vector<uint32_t>& picture,
                         std::string* where, int percent = 100);
// The text areas that start with text but hold no glyphs on `screen` (fewer than 10 pixels
// in the text's colour, weighed by its alpha, over the background), as "x,y".
std::vector<std::string> TextAreasWithoutGlyphs(const std::vector<uint32_t>& screen);
