#include "MacTextRules.h"

#include "lice_native_font.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

// The shared records live for the whole process (never destroyed): fonts and bitmaps that
// static objects release at exit still find them.
std::mutex& MacDrawingMutex() {
  static std::mutex* mutex = new std::mutex;
  return *mutex;
}

namespace {
// Bytes of the UTF-8 character that starts with c (1 for a stray continuation byte).
int Utf8Length(unsigned char c) {
  if (c >= 0xf0) return 4;
  if (c >= 0xe0) return 3;
  if (c >= 0xc0) return 2;
  return 1;
}
} // namespace

void MacPrepareText(const char* utf8, int len, int flags, MacPreparedText* out) {
  out->mLength = 0;
  out->mHasLineFeed = false;
  out->mText[0] = 0;
  if (!utf8) return;
  if (len < 0) len = (int)std::strlen(utf8);
  const bool prefixes = !(flags & LICE_DT_NOPREFIX), single = (flags & LICE_DT_SINGLELINE) != 0;
  int n = 0;
  for (int i = 0; i < len && utf8[i];) {
    const char c = utf8[i];
    if (c == '&' && prefixes) {
      ++i; // the prefix goes; a second "&" is written as the character it escapes
      if (i < len && utf8[i] == '&') {
        if (n + 1 >= kMacTextBufferSize) break;
        out->mText[n++] = '&';
        ++i;
      }
      continue;
    }
    if (c == '\r') {
      ++i;
      continue;
    }
    if (c == '\n') {
      if (n + 1 >= kMacTextBufferSize) break;
      out->mText[n++] = single ? ' ' : '\n';
      out->mHasLineFeed |= !single;
      ++i;
      continue;
    }
    // A whole character or none: a cut inside one would leave text CoreText refuses.
    const int bytes = std::min(Utf8Length((unsigned char)c), len - i);
    if (n + bytes >= kMacTextBufferSize) break;
    std::memcpy(out->mText + n, utf8 + i, bytes);
    n += bytes;
    i += bytes;
  }
  out->mText[n] = 0;
  out->mLength = n;
}

int MacTextLineHeight(double ascent, double descent, double leading) {
  return (int)std::floor(ascent + descent + leading + 1.5);
}

MacTextBox MacSingleLineBox(double typographicWidth, double ascent, double descent,
                            double leading) {
  MacTextBox box;
  box.mWidth = (int)std::lround(typographicWidth);
  box.mHeight = MacTextLineHeight(ascent, descent, leading);
  if (box.mHeight) ++box.mHeight;
  return box;
}

MacTextBox MacMultiLineBox(const std::vector<int>& widths, const std::vector<int>& heights) {
  MacTextBox box;
  for (int w : widths)
    box.mWidth = std::max(box.mWidth, w);
  for (int h : heights)
    box.mHeight += h;
  if (box.mHeight) ++box.mHeight;
  return box;
}

void MacPlaceText(int l, int t, int r, int b, const MacTextBox& box, int flags, int* x, int* y) {
  *x = l;
  if (flags & LICE_DT_RIGHT)
    *x = r - box.mWidth;
  else if (flags & LICE_DT_CENTER)
    *x = l + (r - l) / 2 - box.mWidth / 2;
  *y = t;
  if (flags & LICE_DT_BOTTOM)
    *y = b - box.mHeight;
  else if (flags & LICE_DT_VCENTER)
    *y = t + (b - t) / 2 - box.mHeight / 2;
}

std::string MacFaceName(const char* face, int weight, bool italic) {
  std::string name = face ? face : "";
  if (weight >= 700) name += " Bold";
  if (italic) name += " Italic";
  return name;
}

double MacFontSize(int height, int width) {
  const int size = std::abs(height ? height : width);
  return size >= 2 && size <= 8192 ? size : 10.0;
}

EMacAntialias MacAntialiasFor(int quality) {
  if (quality == LICE_FONT_QUALITY_ANTIALIASED) return kMacAntialiasOn;
  if (quality == LICE_FONT_QUALITY_NONANTIALIASED) return kMacAntialiasOff;
  return kMacAntialiasDefault;
}

MacLineMetrics MacLineMetricsFor(double ascent, double descent, double leading) {
  MacLineMetrics m;
  m.mAscent = (int)ascent;
  m.mDescent = (int)descent;
  m.mLeading = (int)leading;
  m.mLineHeight = m.mAscent + m.mDescent + m.mLeading;
  if (m.mLineHeight) ++m.mLineHeight;
  m.mAveCharWidth = m.mLineHeight * 2 / 3;
  return m;
}

std::string MacFontNameTable::Resolve(const std::string& face, Resolver resolver, void* data) {
  std::lock_guard<std::mutex> lock(MacDrawingMutex());
  auto it = std::lower_bound(mNames.begin(), mNames.end(), face,
                             [](const std::pair<std::string, std::string>& entry,
                                const std::string& key) { return entry.first < key; });
  if (it != mNames.end() && it->first == face) return it->second;
  std::string resolved = resolver ? resolver(face, data) : std::string();
  if (resolved.empty()) resolved = face;
  mNames.insert(it, {face, resolved});
  return resolved;
}

int MacFontNameTable::Size() {
  std::lock_guard<std::mutex> lock(MacDrawingMutex());
  return (int)mNames.size();
}

MacFontNameTable& MacFontNames() {
  static MacFontNameTable* table = new MacFontNameTable;
  return *table;
}

MacContextPool& MacContexts() {
  static MacContextPool* pool = new MacContextPool;
  return *pool;
}

MacFontPool& MacFonts() {
  static MacFontPool* pool = new MacFontPool;
  return *pool;
}
