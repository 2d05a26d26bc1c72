#ifndef _WIN32
// Linux native fonts: fontconfig finds the file by family name, FreeType
// renders the glyphs, and this layer blends them into the bitmap behind a
// system bitmap's drawing context.
#include "lice_native_font.h"
#include "lice_font_match.h"
#include "lice_utf8.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_OUTLINE_H

#include <cmath>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

struct NativeGlyph {
  int advance = 0; // pixels the pen moves
  int left = 0;    // bitmap offset from the pen
  int top = 0;     // bitmap rows above the baseline
  int width = 0, rows = 0;
  std::vector<unsigned char> coverage; // width * rows, 0..255
};

FT_Library sLibrary = nullptr;
int sFontCount = 0;

} // namespace

struct LICE_NativeFontRec {
  FT_Face face = nullptr;
  int ascent = 0, descent = 0;
  bool mono = false;
  bool bold = false; // synthesise bold when the file has none
  std::unordered_map<unsigned, NativeGlyph> glyphs;

  const NativeGlyph& Glyph(unsigned code);
};

const NativeGlyph& LICE_NativeFontRec::Glyph(unsigned code) {
  auto it = glyphs.find(code);
  if (it != glyphs.end()) return it->second;
  NativeGlyph& g = glyphs[code];
  FT_UInt index = FT_Get_Char_Index(face, code);
  FT_Int32 load = mono ? (FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) : FT_LOAD_TARGET_NORMAL;
  if (FT_Load_Glyph(face, index, load) != 0) return g;
  FT_GlyphSlot slot = face->glyph;
  if (bold && slot->format == FT_GLYPH_FORMAT_OUTLINE)
    FT_Outline_Embolden(&slot->outline, face->size->metrics.x_ppem * 4); // 1/16 em, in 26.6
  if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return g;
  g.advance = (int)((slot->advance.x + 32) >> 6);
  const FT_Bitmap& bm = slot->bitmap;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = (int)bm.width;
  g.rows = (int)bm.rows;
  g.coverage.assign((size_t)g.width * g.rows, 0);
  for (int y = 0; y < g.rows; ++y) {
    const unsigned char* row = bm.buffer + (long)y * bm.pitch;
    for (int x = 0; x < g.width; ++x) {
      unsigned v;
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
        v = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
      else
        v = bm.num_grays > 1 && bm.num_grays != 256 ? row[x] * 255u / (bm.num_grays - 1) : row[x];
      g.coverage[(size_t)y * g.width + x] = (unsigned char)v;
    }
  }
  return g;
}

LICE_HFONT LICE_CreateNativeFont(const char* face, int height, int escapement, int orientation,
                                 int weight, bool italic, int quality) {
  // Turned text (escapement, orientation) is not offered by this layer: the editor draws level
  // text.
  if (!sLibrary && FT_Init_FreeType(&sLibrary) != 0) {
    sLibrary = nullptr;
    return nullptr;
  }
  LICE_FontFile file;
  FT_Face ftFace = nullptr;
  if (LICE_FindFontFile(face, weight, italic, &file) &&
      FT_New_Face(sLibrary, file.mPath.c_str(), file.mIndex, &ftFace) != 0)
    ftFace = nullptr;
  const int matchedWeight = file.mFcWeight;
  if (ftFace && !FT_IS_SCALABLE(ftFace)) {
    FT_Done_Face(ftFace);
    ftFace = nullptr;
  }
  if (!ftFace) {
    if (sFontCount == 0) {
      FT_Done_FreeType(sLibrary);
      sLibrary = nullptr;
    }
    return nullptr;
  }
  FT_Select_Charmap(ftFace, FT_ENCODING_UNICODE);

  // Cell height = ascent + descent from the OS/2 Windows metrics when present,
  // as the Windows renderer measures it; a negative height is the em size.
  long ascU = ftFace->ascender, descU = -ftFace->descender;
  const TT_OS2* os2 = (const TT_OS2*)FT_Get_Sfnt_Table(ftFace, FT_SFNT_OS2);
  if (os2 && os2->version != 0xffff && os2->usWinAscent + os2->usWinDescent > 0) {
    ascU = os2->usWinAscent;
    descU = os2->usWinDescent;
  }
  if (ascU + descU <= 0) {
    ascU = ftFace->units_per_EM;
    descU = 0;
  }
  const int upem = ftFace->units_per_EM > 0 ? ftFace->units_per_EM : 1000;
  if (height == 0) height = 16;
  if (height > 4096) height = 4096;
  if (height < -4096) height = -4096;
  double em = height > 0 ? (double)height * upem / (double)(ascU + descU) : (double)-height;
  if (em < 1.0) em = 1.0;
  FT_Set_Char_Size(ftFace, 0, (FT_F26Dot6)std::lround(em * 64.0), 72, 72);

  LICE_NativeFontRec* font = new LICE_NativeFontRec();
  font->face = ftFace;
  font->ascent = (int)std::lround(ascU * em / upem);
  font->descent = height > 0 ? height - font->ascent : (int)std::lround(descU * em / upem);
  if (font->descent < 0) font->descent = 0;
  font->mono = quality == LICE_FONT_QUALITY_NONANTIALIASED;
  font->bold = weight >= 600 && matchedWeight < FC_WEIGHT_DEMIBOLD;
  ++sFontCount;
  return font;
}

void LICE_DestroyNativeFont(LICE_HFONT font) {
  if (!font) return;
  FT_Done_Face(font->face);
  delete font;
  if (--sFontCount == 0 && sLibrary) {
    FT_Done_FreeType(sLibrary);
    sLibrary = nullptr;
  }
}

bool LICE_NativeGetMetrics(void*, LICE_HFONT font, LICE_FontMetrics* m) {
  if (!font || !m) return false;
  m->ascent = font->ascent;
  m->descent = font->descent;
  m->leading = 0;
  return true;
}

bool LICE_AvoidNativeText() { return false; }

namespace {

// Splits the text into lines: line feeds start a new line (or are spaces with
// the single-line flag), carriage returns are skipped.
struct LineReader {
  const unsigned char* p;
  const unsigned char* end;
  bool singleLine;

  // Answers the code points of the next line; false when the text is used up.
  bool Next(std::vector<unsigned>& out, bool& started) {
    out.clear();
    if (p >= end && started) return false;
    started = true;
    while (p < end) {
      unsigned code;
      p += LICE_DecodeUTF8(p, end, &code);
      if (code == '\r') continue;
      if (code == '\n') {
        if (!singleLine) return true;
        code = ' ';
      }
      out.push_back(code);
    }
    return true;
  }
};

int LineWidth(LICE_HFONT font, const std::vector<unsigned>& line) {
  int w = 0;
  for (unsigned c : line)
    w += font->Glyph(c).advance;
  return w;
}

inline unsigned Mix(unsigned d, unsigned c, unsigned v) {
  return (c * v + d * (255 - v) + 127) / 255;
}

} // namespace

int LICE_NativeDrawText(void* ctx, LICE_HFONT font, const char* utf8, int len, LICE_RECT* r,
                        int flags, LICE_pixel color, int bkmode, LICE_pixel bkcolor) {
  if (!font || !utf8 || !r) return 0;
  if (len < 0)
    len = (int)std::strlen(utf8);
  else
    len = (int)strnlen(utf8, (size_t)len);
  const unsigned char* text = (const unsigned char*)utf8;
  const int lineH = font->ascent + font->descent;

  std::vector<std::vector<unsigned>> lines;
  std::vector<unsigned> line;
  bool started = false;
  LineReader rd = {text, text + len, (flags & LICE_DT_SINGLELINE) != 0};
  while (rd.Next(line, started))
    lines.push_back(line);
  int maxW = 0;
  std::vector<int> widths;
  for (const auto& l : lines) {
    widths.push_back(LineWidth(font, l));
    if (widths.back() > maxW) maxW = widths.back();
  }
  const int totalH = (int)lines.size() * lineH;
  if (flags & LICE_DT_CALCRECT) {
    r->right = r->left + maxW;
    r->bottom = r->top + totalH;
    return totalH;
  }

  LICE_IBitmap* bm = ctx ? ((LICE_TextContext*)ctx)->bitmap : nullptr;
  if (!bm || !bm->getBits()) return totalH;
  int cl = 0, ct = 0, cr = bm->getWidth(), cb = bm->getHeight();
  if (!(flags & LICE_DT_NOCLIP)) {
    if (r->left > cl) cl = r->left;
    if (r->top > ct) ct = r->top;
    if (r->right < cr) cr = r->right;
    if (r->bottom < cb) cb = r->bottom;
  }
  int y = r->top;
  if (flags & LICE_DT_VCENTER)
    y = r->top + (r->bottom - r->top - totalH) / 2;
  else if (flags & LICE_DT_BOTTOM)
    y = r->bottom - totalH;

  const unsigned tr = LICE_GETR(color), tg = LICE_GETG(color), tb = LICE_GETB(color);
  for (size_t li = 0; li < lines.size(); ++li, y += lineH) {
    int x = r->left;
    if (flags & LICE_DT_CENTER)
      x = r->left + (r->right - r->left - widths[li]) / 2;
    else if (flags & LICE_DT_RIGHT)
      x = r->right - widths[li];
    if (bkmode == LICE_BKMODE_OPAQUE) {
      for (int yy = y > ct ? y : ct; yy < y + lineH && yy < cb; ++yy) {
        LICE_pixel* row = LICE_RowPtr(bm, yy);
        for (int xx = x > cl ? x : cl; xx < x + widths[li] && xx < cr; ++xx)
          row[xx] = LICE_RGBA(LICE_GETR(bkcolor), LICE_GETG(bkcolor), LICE_GETB(bkcolor),
                              LICE_GETA(row[xx]));
      }
    }
    const int baseline = y + font->ascent;
    for (unsigned code : lines[li]) {
      const NativeGlyph& g = font->Glyph(code);
      const int gx = x + g.left, gy = baseline - g.top;
      for (int j = 0; j < g.rows; ++j) {
        const int yy = gy + j;
        if (yy < ct || yy >= cb) continue;
        LICE_pixel* row = LICE_RowPtr(bm, yy);
        const unsigned char* cov = g.coverage.data() + (size_t)j * g.width;
        for (int i = 0; i < g.width; ++i) {
          const int xx = gx + i;
          const unsigned v = cov[i];
          if (!v || xx < cl || xx >= cr) continue;
          const LICE_pixel d = row[xx];
          row[xx] = LICE_RGBA(Mix(LICE_GETR(d), tr, v), Mix(LICE_GETG(d), tg, v),
                              Mix(LICE_GETB(d), tb, v), LICE_GETA(d));
        }
      }
      x += g.advance;
    }
  }
  return totalH;
}
#endif
