#pragma once
// Fonts for drawing text into bitmaps: each glyph is rendered once by the
// platform's font into a coverage mask and then only blended.
#include "lice.h"
#include "lice_native_font.h"
#include "WDL_HeapBuf.h"

// Flags of DrawText beyond the LICE_DT_* format flags.
static const int kTextUseColorAlpha = 0x40000000;    // weight the text by the colour's alpha
static const int kTextWriteAlpha = (int)0x80000000u; // destination alpha matters

// Font flags.
enum {
  kFontPreRenderAscii = 0x4, // render code points 0-127 when a font is adopted
  kFontOwnsNative = 0x200,   // the font releases its native font
  kFontPreferNative = 0x400, // draw through the platform text renderer when possible
};

class LICE_IFont {
public:
  virtual ~LICE_IFont() {}
  // [editor thread] Adopts a native font (releasing an owned previous one) and clears the glyphs.
  virtual void SetFromNativeFont(LICE_HFONT font, int flags) = 0;
  virtual LICE_HFONT GetNativeFont() = 0;
  virtual LICE_pixel SetTextColor(LICE_pixel color) = 0;
  virtual LICE_pixel SetBkColor(LICE_pixel color) = 0;
  virtual int SetBkMode(int mode) = 0; // 0 or LICE_BKMODE_TRANSPARENT: transparent
  virtual void SetCombineMode(int mode, float weight = 1.0f) = 0;
  virtual int GetLineHeight() = 0;
  // [editor thread] Draws UTF-8 text into the bitmap, or with LICE_DT_CALCRECT sets the
  // rectangle's right and bottom; answers the height of the text.
  virtual int DrawText(LICE_IBitmap* bm, const char* str, int strcnt, LICE_RECT* rect,
                       int dtFlags) = 0;
};

class LICE_CachedFont : public LICE_IFont {
public:
  LICE_CachedFont();
  ~LICE_CachedFont() override;
  LICE_CachedFont(const LICE_CachedFont&) = delete;
  LICE_CachedFont& operator=(const LICE_CachedFont&) = delete;

  void SetFromNativeFont(LICE_HFONT font, int flags) override;
  LICE_HFONT GetNativeFont() override { return mFont; }
  LICE_pixel SetTextColor(LICE_pixel color) override;
  LICE_pixel SetBkColor(LICE_pixel color) override;
  int SetBkMode(int mode) override;
  void SetCombineMode(int mode, float weight = 1.0f) override;
  int GetLineHeight() override { return mLineHeight; }
  int DrawText(LICE_IBitmap* bm, const char* str, int strcnt, LICE_RECT* rect,
               int dtFlags) override;

  void SetLineSpacing(int extra) { mLineSpacing = extra; }
  int GetLineSpacing() const { return mLineSpacing; }

private:
  struct GlyphRec {
    int coverage; // 0 not rendered yet, -1 renders empty, else 1 + byte offset into mCoverage
    int width, height;
    int advance;
    unsigned short code;
    int leftCorrection; // columns trimmed left of the glyph origin, minus the padding
  };

  GlyphRec* FindGlyph(unsigned code);
  bool RenderGlyph(GlyphRec* g);
  void ClearGlyphs();
  bool UseNative(LICE_IBitmap* bm, int flags) const;
  int MeasureLine(const char* s, const char* end, bool singleLine, const char** next);
  int DrawCached(LICE_IBitmap* bm, const char* str, int len, LICE_RECT* rect, int flags);

  LICE_pixel mTextColor = 0;
  LICE_pixel mBkColor = 0;
  int mBkMode = 0;
  int mCombineMode = LICE_BLIT_MODE_COPY;
  float mCombineWeight = 1.0f;
  int mFlags = 0;
  int mLineHeight = 0;
  int mLineSpacing = 0;
  GlyphRec mLowGlyphs[128];
  WDL_TypedBuf<GlyphRec> mHighGlyphs{4096}; // sorted by code point
  WDL_HeapBuf mCoverage{65536};
  LICE_HFONT mFont = nullptr;
};
