#pragma once
// The rules of the macOS drawing layer that CoreText does not decide: how a text is made
// ready for CoreText (the 4096-byte buffer, "&" prefixes, carriage returns, line feeds
// under the single-line flag), how a measured text box is sized and placed in its
// rectangle, how a font's face name, size, antialiasing and line metrics follow from what
// the raster library asks, the process-wide table of resolved font names, and the pools
// of context and font records. The CoreGraphics/CoreText calls around them are the
// layer's; these parts are plain data and arithmetic, checked without a window.
//
// Threads: the editor thread draws; the name table and the pools are shared by every
// instance and guarded by one mutex (MacDrawingMutex).
#include <mutex>
#include <string>
#include <vector>

// The one mutex of the drawing layer's shared records.
std::mutex& MacDrawingMutex();

// ---- Text ------------------------------------------------------------------------------------
constexpr int kMacTextBufferSize = 4096;

struct MacPreparedText {
  char mText[kMacTextBufferSize]; // NUL-terminated
  int mLength = 0;
  bool mHasLineFeed = false; // a line feed remains: the text is laid out as several lines
};

// Copies len bytes of utf8 (-1: to its terminator) into out: longer text is cut at the last
// whole character that fits; "&" prefixes are dropped ("&&" stays one "&") unless flags has
// LICE_DT_NOPREFIX; carriage returns are dropped; with LICE_DT_SINGLELINE line feeds become
// spaces.
void MacPrepareText(const char* utf8, int len, int flags, MacPreparedText* out);

// The height of one line of text from CoreText's line metrics: floor(a + d + l + 1.5).
int MacTextLineHeight(double ascent, double descent, double leading);

// The box a measured text fills: one line's typographic width rounded, or the widest of
// several; one line's height, or the sum of the lines'; a non-zero height gets 1 added.
struct MacTextBox {
  int mWidth = 0, mHeight = 0;
};
MacTextBox MacSingleLineBox(double typographicWidth, double ascent, double descent, double leading);
// widths and heights: per line (heights as MacTextLineHeight gives them).
MacTextBox MacMultiLineBox(const std::vector<int>& widths, const std::vector<int>& heights);

// Where the box goes in the rectangle (l, t, r, b) under the alignment flags: left or top
// by default, right or bottom, or centred with integer halves.
void MacPlaceText(int l, int t, int r, int b, const MacTextBox& box, int flags, int* x, int* y);

// ---- Fonts -------------------------------------------------------------------------------------
// The face name asked of CoreText: " Bold" from weight 700, " Italic" when italic.
std::string MacFaceName(const char* face, int weight, bool italic);
// The size a font is made at: |height| (|width| when the height is 0) from 2 to 8192, else 10.
double MacFontSize(int height, int width);
// The antialiasing choice a quality asks for.
enum EMacAntialias { kMacAntialiasDefault = 0, kMacAntialiasOn, kMacAntialiasOff };
EMacAntialias MacAntialiasFor(int quality);

struct MacLineMetrics {
  int mAscent, mDescent, mLeading, mLineHeight, mAveCharWidth;
};
// From CoreText's metrics (truncated): the line height is their sum, plus 1 when non-zero;
// the average character width two thirds of it.
MacLineMetrics MacLineMetricsFor(double ascent, double descent, double leading);

// The process-wide table of font names already resolved to PostScript names, sorted and
// searched by halves, so that each name is resolved once.
class MacFontNameTable {
public:
  // Resolves a face name to the PostScript name CoreText knows it by (an empty answer keeps
  // the face name).
  using Resolver = std::string (*)(const std::string& face, void* data);

  // [editor thread; takes the drawing mutex] The resolved name; resolver runs at most once
  // per face name for the life of the table.
  std::string Resolve(const std::string& face, Resolver resolver, void* data);
  int Size();

private:
  std::vector<std::pair<std::string, std::string>> mNames; // sorted by face name
};
MacFontNameTable& MacFontNames();

// ---- Record pools ------------------------------------------------------------------------------
// A drawing context: the CoreGraphics bitmap context, its storage, the selected font, the
// text colour (a CGColor), the background colour and mode.
struct MacContextRecord {
  void* mContext = nullptr;
  void* mStorage = nullptr;
  void* mFont = nullptr;
  void* mTextColor = nullptr;
  unsigned mBackColor = 0;
  int mBackMode = 0;
};
// A font object: the CoreText font, its antialiasing and its rotation in degrees.
struct MacFontRecord {
  void* mFont = nullptr;
  EMacAntialias mAntialias = kMacAntialiasDefault;
  int mRotation = 0;
};

// Released records wait for reuse, up to kMax; beyond that they are freed. The caller has
// released what a record held before handing it back.
template <class T, int kMax> class MacRecordPool {
public:
  ~MacRecordPool() {
    for (T* r : mFree)
      delete r;
  }
  // [editor thread; takes the drawing mutex] A cleared record, reused when one waits.
  T* Take() {
    std::lock_guard<std::mutex> lock(MacDrawingMutex());
    if (mFree.empty()) return new T();
    T* r = mFree.back();
    mFree.pop_back();
    *r = T();
    return r;
  }
  // [editor thread; takes the drawing mutex]
  void Give(T* r) {
    if (!r) return;
    std::lock_guard<std::mutex> lock(MacDrawingMutex());
    if ((int)mFree.size() < kMax)
      mFree.push_back(r);
    else
      delete r;
  }
  int Waiting() {
    std::lock_guard<std::mutex> lock(MacDrawingMutex());
    return (int)mFree.size();
  }
  static constexpr int kMaxWaiting = kMax;

private:
  std::vector<T*> mFree;
};
using MacContextPool = MacRecordPool<MacContextRecord, 100>;
using MacFontPool = MacRecordPool<MacFontRecord, 200>;
MacContextPool& MacContexts();
MacFontPool& MacFonts();
