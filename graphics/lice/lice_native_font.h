#pragma once
// The platform's own fonts and text renderer, as the cached font and the
// graphics core use them: GDI on Windows; CoreText on macOS (the drawing layer's
// font records); on Linux a small layer over FreeType that finds fonts through
// fontconfig.
#include "lice_bitmap.h"

#ifdef _WIN32
#include <windows.h>
typedef HFONT LICE_HFONT;
#elif defined(CORVANEL_MACOS)
// A font object of the drawing layer: the CoreText font and how it is drawn. A system
// bitmap's drawing context is the layer's context record (MacTextRules.h).
struct MacFontRecord;
typedef MacFontRecord* LICE_HFONT;
#else
struct LICE_NativeFontRec;
typedef LICE_NativeFontRec* LICE_HFONT;

// The drawing context of a Linux system bitmap: the text layer draws into its pixels.
struct LICE_TextContext {
  LICE_IBitmap* bitmap = nullptr;
};
#endif

struct LICE_RECT {
  int left, top, right, bottom;
};

// Text format flags: the Windows values, and the macOS drawing layer's own.
#ifdef CORVANEL_MACOS
enum {
  LICE_DT_TOP = 0x0,
  LICE_DT_LEFT = 0x0,
  LICE_DT_CENTER = 0x1,
  LICE_DT_RIGHT = 0x2,
  LICE_DT_VCENTER = 0x4,
  LICE_DT_BOTTOM = 0x8,
  LICE_DT_SINGLELINE = 0x10,
  LICE_DT_NOCLIP = 0x20,
  LICE_DT_CALCRECT = 0x40,
  LICE_DT_NOPREFIX = 0x80,
};
#else
enum {
  LICE_DT_TOP = 0x0,
  LICE_DT_LEFT = 0x0,
  LICE_DT_CENTER = 0x1,
  LICE_DT_RIGHT = 0x2,
  LICE_DT_VCENTER = 0x4,
  LICE_DT_BOTTOM = 0x8,
  LICE_DT_SINGLELINE = 0x20,
  LICE_DT_NOCLIP = 0x100,
  LICE_DT_CALCRECT = 0x400,
  LICE_DT_NOPREFIX = 0x800,
};
#endif

// Rendering quality asked of a native font (the Windows values).
enum {
  LICE_FONT_QUALITY_DEFAULT = 0,
  LICE_FONT_QUALITY_NONANTIALIASED = 3,
  LICE_FONT_QUALITY_ANTIALIASED = 4,
  LICE_FONT_QUALITY_CLEARTYPE = 5,
};

// Background modes of text drawing.
enum { LICE_BKMODE_TRANSPARENT = 1, LICE_BKMODE_OPAQUE = 2 };

struct LICE_FontMetrics {
  int ascent, descent, leading;
};

// [editor thread] Makes a font by family name. `height` > 0 is the cell height (ascent +
// descent) in pixels, < 0 the character height; escapement and orientation in tenths of a
// degree; weight 400 normal, 700 bold. On Linux a missing family is replaced by a metric-
// compatible one ("Arial" -> Liberation Sans, "Verdana" -> DejaVu Sans, ...). Null if no
// font at all can be had.
LICE_HFONT LICE_CreateNativeFont(const char* face, int height, int escapement, int orientation,
                                 int weight, bool italic, int quality);
// [editor thread] Releases a font made by LICE_CreateNativeFont; null is ignored.
void LICE_DestroyNativeFont(LICE_HFONT font);

// [editor thread] The font's metrics as the given drawing context reports them.
bool LICE_NativeGetMetrics(void* ctx, LICE_HFONT font, LICE_FontMetrics* m);

// [editor thread] Draws UTF-8 text (len bytes, -1 = to the terminator) into the drawing
// context's bitmap in `color`, or with LICE_DT_CALCRECT only measures it (setting the
// rectangle's right and bottom). Ampersands are drawn as they are. Answers the text height.
int LICE_NativeDrawText(void* ctx, LICE_HFONT font, const char* utf8, int len, LICE_RECT* r,
                        int flags, LICE_pixel color, int bkmode, LICE_pixel bkcolor);

// [editor thread] Whether this process should avoid the native text path (Windows under
// Wine, whose text renderer differs); answers once and remembers.
bool LICE_AvoidNativeText();
