#pragma once
// CoreText as the macOS drawing layer uses it, with the platform's names, types and values
// (x86_64): fonts by name and the system UI fonts, their metrics and PostScript names, the
// font and foreground-colour attributes, lines and their typographic bounds and drawing,
// and frames of lines laid out in a rectangle path.
//
// The stand-in finds font files through fontconfig and renders glyphs with FreeType at 72
// pixels an inch (a point is a pixel). A name is first taken as a PostScript name, then as a
// family with an optional " Bold" and " Italic"; a family this machine lacks is replaced by a
// metric-compatible one (Helvetica and Arial by Liberation Sans, ...). The system fonts are
// the one fontconfig gives for "Lucida Grande". Lines are laid out left to right without
// kerning or shaping; a frame breaks its text at line feeds only and never wraps. Lines are
// drawn in their foreground colour (black without one) into a bitmap context, honouring its
// transformation (without rotation), text matrix and position, clip and antialiasing.
#include "../CoreGraphics/CoreGraphics.h"

typedef const struct __CTFont* CTFontRef;
typedef const struct __CTLine* CTLineRef;
typedef const struct __CTFramesetter* CTFramesetterRef;
typedef const struct __CTFrame* CTFrameRef;

typedef enum : uint32_t {
  kCTFontUIFontNone = (uint32_t)-1,
  kCTFontUIFontUser = 0,
  kCTFontUIFontUserFixedPitch = 1,
  kCTFontUIFontSystem = 2,
  kCTFontUIFontEmphasizedSystem = 3,
  kCTFontUIFontSmallSystem = 4,
  kCTFontUIFontLabel = 10,
} CTFontUIFontType;
static_assert(sizeof(CTFontUIFontType) == 4, "CTFontUIFontType is a uint32_t enumeration");

CORVANEL_MAC_API const CFStringRef kCTFontAttributeName;
CORVANEL_MAC_API const CFStringRef kCTForegroundColorAttributeName;

// ---- Fonts ------------------------------------------------------------------------------------
CORVANEL_MAC_API CFTypeID CTFontGetTypeID(void);
// matrix: NULL (the stand-in draws level text only). NULL when no font file can be had.
CORVANEL_MAC_API CTFontRef CTFontCreateWithName(CFStringRef name, CGFloat size,
                                                const CGAffineTransform* matrix);
// size 0 or less: the type's usual size (13, 10 for the label and small fonts).
CORVANEL_MAC_API CTFontRef CTFontCreateUIFontForLanguage(CTFontUIFontType uiType, CGFloat size,
                                                         CFStringRef language);
CORVANEL_MAC_API CFStringRef CTFontCopyPostScriptName(CTFontRef font);
CORVANEL_MAC_API CFStringRef CTFontCopyFamilyName(CTFontRef font);
CORVANEL_MAC_API CGFloat CTFontGetSize(CTFontRef font);
CORVANEL_MAC_API CGFloat CTFontGetAscent(CTFontRef font);
CORVANEL_MAC_API CGFloat CTFontGetDescent(CTFontRef font);
CORVANEL_MAC_API CGFloat CTFontGetLeading(CTFontRef font);

// ---- Lines ------------------------------------------------------------------------------------
CORVANEL_MAC_API CFTypeID CTLineGetTypeID(void);
CORVANEL_MAC_API CTLineRef CTLineCreateWithAttributedString(CFAttributedStringRef attrString);
// The width; ascent, descent and leading of the line's font where asked.
CORVANEL_MAC_API double CTLineGetTypographicBounds(CTLineRef line, CGFloat* ascent,
                                                   CGFloat* descent, CGFloat* leading);
CORVANEL_MAC_API CFRange CTLineGetStringRange(CTLineRef line);
// Draws the line with its origin at the context's text position.
CORVANEL_MAC_API void CTLineDraw(CTLineRef line, CGContextRef context);

// ---- Frames -----------------------------------------------------------------------------------
CORVANEL_MAC_API CFTypeID CTFramesetterGetTypeID(void);
CORVANEL_MAC_API CTFramesetterRef CTFramesetterCreateWithAttributedString(
    CFAttributedStringRef attrString);
// stringRange {0, 0}: the whole string. The path's bounding box is the frame.
CORVANEL_MAC_API CTFrameRef CTFramesetterCreateFrame(CTFramesetterRef framesetter,
                                                     CFRange stringRange, CGPathRef path,
                                                     CFDictionaryRef frameAttributes);
CORVANEL_MAC_API CFTypeID CTFrameGetTypeID(void);
// The frame's lines, first line first (the frame owns the array).
CORVANEL_MAC_API CFArrayRef CTFrameGetLines(CTFrameRef frame);
// Each line's baseline origin in the path's coordinates (y grows upward): the first line's
// ascent below the top, each next one a line (ascent + descent + leading) further down.
CORVANEL_MAC_API void CTFrameGetLineOrigins(CTFrameRef frame, CFRange range, CGPoint origins[]);
