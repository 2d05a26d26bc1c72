#ifdef _WIN32
// Windows native fonts: GDI fonts drawn with DrawText into the bitmap's device context.
#include "lice_native_font.h"

#include <cstdlib>
#include <cstring>

namespace {

// UTF-8 to UTF-16 in a small buffer, or on the heap for long texts.
class WideText {
public:
  WideText(const char* utf8, int len) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, len, nullptr, 0);
    if (n <= 0) return;
    mText = n < 1000 ? mLocal : (wchar_t*)std::malloc(sizeof(wchar_t) * (size_t)n);
    if (!mText) return;
    mLen = MultiByteToWideChar(CP_UTF8, 0, utf8, len, mText, n);
  }
  ~WideText() {
    if (mText != mLocal) std::free(mText);
  }
  WideText(const WideText&) = delete;
  WideText& operator=(const WideText&) = delete;
  const wchar_t* Get() const { return mText; }
  int Length() const { return mLen; }

private:
  wchar_t mLocal[1000];
  wchar_t* mText = nullptr;
  int mLen = 0;
};

} // namespace

LICE_HFONT LICE_CreateNativeFont(const char* face, int height, int escapement, int orientation,
                                 int weight, bool italic, int quality) {
  wchar_t name[LF_FACESIZE] = {0};
  if (face) MultiByteToWideChar(CP_UTF8, 0, face, -1, name, LF_FACESIZE - 1);
  return CreateFontW(height, 0, escapement, orientation, weight, italic ? TRUE : FALSE, FALSE,
                     FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     (DWORD)quality, DEFAULT_PITCH | FF_DONTCARE, name);
}

void LICE_DestroyNativeFont(LICE_HFONT font) {
  if (font) DeleteObject(font);
}

bool LICE_NativeGetMetrics(void* ctx, LICE_HFONT font, LICE_FontMetrics* m) {
  HDC dc = (HDC)ctx;
  if (!dc || !font || !m) return false;
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW tm;
  BOOL ok = GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  if (!ok) return false;
  m->ascent = tm.tmAscent;
  m->descent = tm.tmDescent;
  m->leading = tm.tmExternalLeading;
  return true;
}

int LICE_NativeDrawText(void* ctx, LICE_HFONT font, const char* utf8, int len, LICE_RECT* r,
                        int flags, LICE_pixel color, int bkmode, LICE_pixel bkcolor) {
  HDC dc = (HDC)ctx;
  if (!dc || !font || !utf8 || !r) return 0;
  if (len < 0) len = (int)std::strlen(utf8);
  HGDIOBJ old = SelectObject(dc, font);
  SetTextColor(dc, RGB(LICE_GETR(color), LICE_GETG(color), LICE_GETB(color)));
  SetBkMode(dc, bkmode == LICE_BKMODE_OPAQUE ? OPAQUE : TRANSPARENT);
  if (bkmode == LICE_BKMODE_OPAQUE)
    SetBkColor(dc, RGB(LICE_GETR(bkcolor), LICE_GETG(bkcolor), LICE_GETB(bkcolor)));
  RECT rr = {r->left, r->top, r->right, r->bottom};
  const UINT format = (UINT)(flags & 0xffff) | DT_NOPREFIX;

  bool multiByte = false;
  for (int i = 0; i < len && !multiByte; ++i)
    multiByte = (unsigned char)utf8[i] >= 0x80;
  int h;
  if (multiByte) {
    WideText wide(utf8, len);
    h = wide.Get() ? DrawTextW(dc, wide.Get(), wide.Length(), &rr, format) : 0;
  } else {
    h = DrawTextA(dc, utf8, len, &rr, format);
  }
  SelectObject(dc, old);
  if (flags & LICE_DT_CALCRECT) {
    r->right = rr.right;
    r->bottom = rr.bottom;
  }
  return h;
}

bool LICE_AvoidNativeText() {
  // Wine's text renderer differs from Windows: under Wine, text goes through the cached glyphs.
  static int underWine = -1;
  if (underWine < 0) {
    HKEY key = nullptr;
    underWine =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wine", 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (key) RegCloseKey(key);
  }
  return underWine != 0;
}
#endif
