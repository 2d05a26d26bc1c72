// The macOS drawing layer's rules that CoreText does not decide, and the cursor table.
#include "MacCursors.h"
#include "MacTextRules.h"
#include "lice_native_font.h"

#include <gtest/gtest.h>

#include <string>

namespace {
std::string Prepared(const std::string& text, int flags, bool* lineFeed = nullptr, int len = -1) {
  static MacPreparedText out;
  MacPrepareText(text.c_str(), len, flags, &out);
  if (lineFeed) *lineFeed = out.mHasLineFeed;
  EXPECT_EQ(out.mLength, (int)std::string(out.mText).size());
  return out.mText;
}

TEST(MacDrawingRules, TextIsPreparedForCoreText) {
  const struct {
    const char* mWhat;
    const char* mText;
    int mFlags;
    const char* mWant;
    bool mLineFeed;
  } cases[] = {
      {"plain text", "Rate 1/16", 0, "Rate 1/16", false},
      {"a prefix goes", "&File", 0, "File", false},
      {"a doubled ampersand is one", "Low && High", 0, "Low & High", false},
      {"a trailing ampersand goes", "end&", 0, "end", false},
      {"no-prefix keeps ampersands", "&File && more", LICE_DT_NOPREFIX, "&File && more", false},
      {"carriage returns go", "a\r\nb\r", 0, "a\nb", true},
      {"a line feed makes several lines", "one\ntwo", 0, "one\ntwo", true},
      {"single line turns line feeds into spaces", "one\ntwo", LICE_DT_SINGLELINE, "one two",
       false},
      {"UTF-8 passes whole", "\xc3\xa9t\xc3\xa9", 0, "\xc3\xa9t\xc3\xa9", false},
  };
  for (const auto& c : cases) {
    bool lineFeed = !c.mLineFeed;
    EXPECT_EQ(Prepared(c.mText, c.mFlags, &lineFeed), c.mWant) << c.mWhat;
    EXPECT_EQ(lineFeed, c.mLineFeed) << c.mWhat;
  }
  EXPECT_EQ(Prepared("abcdef", 0, nullptr, 3), "abc");
  EXPECT_EQ(Prepared("", 0), "");
  MacPreparedText out;
  MacPrepareText(nullptr, 5, 0, &out);
  EXPECT_EQ(out.mLength, 0);
}

// The buffer holds 4095 bytes and the terminator; a longer text is cut at the last whole
// character that fits.
TEST(MacDrawingRules, LongTextIsCutToTheBufferAtACharacterBoundary) {
  EXPECT_EQ(Prepared(std::string(5000, 'x'), 0).size(), 4095u);
  EXPECT_EQ(Prepared(std::string(4095, 'x'), 0).size(), 4095u);
  const std::string cut = Prepared(std::string(4094, 'x') + "\xc3\xa9" + "y", 0);
  EXPECT_EQ(cut, std::string(4094, 'x'));
  // Dropped prefixes and carriage returns take no room.
  EXPECT_EQ(Prepared("&" + std::string(4095, 'x'), 0).size(), 4095u);
  EXPECT_EQ(Prepared(std::string(100, '\r') + std::string(4095, 'x'), 0).size(), 4095u);
}

TEST(MacDrawingRules, TextBoxesAreSizedFromTheLineMetrics) {
  // floor(a + d + l + 1.5), plus 1.
  EXPECT_EQ(MacTextLineHeight(11.2, 2.9, 0.3), 15);
  EXPECT_EQ(MacSingleLineBox(40.5, 11.2, 2.9, 0.3).mWidth, 41);
  EXPECT_EQ(MacSingleLineBox(40.4, 11.2, 2.9, 0.3).mWidth, 40);
  EXPECT_EQ(MacSingleLineBox(40.4, 11.2, 2.9, 0.3).mHeight, 16);
  EXPECT_EQ(MacSingleLineBox(0, -1.5, 0, 0).mHeight, 0); // no height gets no extra pixel
  const MacTextBox lines = MacMultiLineBox({30, 52, 41}, {15, 15, 16});
  EXPECT_EQ(lines.mWidth, 52);
  EXPECT_EQ(lines.mHeight, 47);
  EXPECT_EQ(MacMultiLineBox({}, {}).mHeight, 0);
}

TEST(MacDrawingRules, TextIsPlacedByTheAlignmentFlags) {
  const MacTextBox box{21, 11};
  const struct {
    const char* mWhat;
    int mFlags, mX, mY;
  } cases[] = {
      {"left and top", 0, 10, 20},
      {"right", LICE_DT_RIGHT, 110 - 21, 20},
      {"centred with integer halves", LICE_DT_CENTER, 10 + 50 - 10, 20},
      {"bottom", LICE_DT_BOTTOM, 10, 45 - 11},
      {"vertically centred", LICE_DT_VCENTER, 10, 20 + 12 - 5},
      {"centred both ways", LICE_DT_CENTER | LICE_DT_VCENTER, 50, 27},
  };
  for (const auto& c : cases) {
    int x = -1, y = -1;
    MacPlaceText(10, 20, 110, 45, box, c.mFlags, &x, &y);
    EXPECT_EQ(x, c.mX) << c.mWhat;
    EXPECT_EQ(y, c.mY) << c.mWhat;
  }
}

TEST(MacDrawingRules, FontsFollowWhatTheRasterLibraryAsks) {
  EXPECT_EQ(MacFaceName("Arial", 400, false), "Arial");
  EXPECT_EQ(MacFaceName("Arial", 699, false), "Arial");
  EXPECT_EQ(MacFaceName("Arial", 700, false), "Arial Bold");
  EXPECT_EQ(MacFaceName("Arial", 400, true), "Arial Italic");
  EXPECT_EQ(MacFaceName("Arial", 900, true), "Arial Bold Italic");

  const struct {
    int mHeight, mWidth;
    double mSize;
  } sizes[] = {{13, 0, 13},   {-13, 0, 13}, {2, 0, 2},  {1, 0, 10}, {8192, 0, 8192},
               {8193, 0, 10}, {0, 7, 7},    {0, -7, 7}, {0, 0, 10}, {0, 9000, 10}};
  for (const auto& s : sizes)
    EXPECT_EQ(MacFontSize(s.mHeight, s.mWidth), s.mSize) << s.mHeight << " " << s.mWidth;

  EXPECT_EQ(MacAntialiasFor(LICE_FONT_QUALITY_ANTIALIASED), kMacAntialiasOn);
  EXPECT_EQ(MacAntialiasFor(LICE_FONT_QUALITY_NONANTIALIASED), kMacAntialiasOff);
  EXPECT_EQ(MacAntialiasFor(LICE_FONT_QUALITY_DEFAULT), kMacAntialiasDefault);
  EXPECT_EQ(MacAntialiasFor(LICE_FONT_QUALITY_CLEARTYPE), kMacAntialiasDefault);
  EXPECT_EQ(MacAntialiasFor(-1), kMacAntialiasDefault);

  const MacLineMetrics m = MacLineMetricsFor(11.9, 3.7, 0.2);
  EXPECT_EQ(m.mAscent, 11);
  EXPECT_EQ(m.mDescent, 3);
  EXPECT_EQ(m.mLeading, 0);
  EXPECT_EQ(m.mLineHeight, 15);
  EXPECT_EQ(m.mAveCharWidth, 10);
  EXPECT_EQ(MacLineMetricsFor(0.5, 0.5, 0).mLineHeight, 0);
}

std::string CountingResolver(const std::string& face, void* data) {
  ++*(int*)data;
  return face == "Unknown" ? std::string() : face + "-PS";
}

TEST(MacDrawingRules, EachFontNameIsResolvedOnce) {
  MacFontNameTable table;
  int calls = 0;
  const char* names[] = {"Verdana", "Arial", "Arial Bold", "Courier", "Arial", "Verdana"};
  for (const char* n : names)
    EXPECT_EQ(table.Resolve(n, CountingResolver, &calls), std::string(n) + "-PS") << n;
  EXPECT_EQ(calls, 4);
  EXPECT_EQ(table.Size(), 4);
  // A name the resolver does not know keeps its face name, and is not asked again.
  EXPECT_EQ(table.Resolve("Unknown", CountingResolver, &calls), "Unknown");
  EXPECT_EQ(table.Resolve("Unknown", CountingResolver, &calls), "Unknown");
  EXPECT_EQ(calls, 5);
}

TEST(MacDrawingRules, ReleasedRecordsWaitForReuseUpToTheLimit) {
  MacRecordPool<MacContextRecord, 100> contexts;
  MacContextRecord* r = contexts.Take();
  r->mBackMode = 2;
  r->mBackColor = 0xff00ff;
  contexts.Give(r);
  EXPECT_EQ(contexts.Waiting(), 1);
  MacContextRecord* again = contexts.Take();
  EXPECT_EQ(again, r);            // reused
  EXPECT_EQ(again->mBackMode, 0); // and cleared
  EXPECT_EQ(again->mBackColor, 0u);
  contexts.Give(again);

  std::vector<MacFontRecord*> fonts;
  MacRecordPool<MacFontRecord, 200> pool;
  for (int i = 0; i < 250; ++i)
    fonts.push_back(pool.Take());
  for (MacFontRecord* f : fonts)
    pool.Give(f);
  EXPECT_EQ(pool.Waiting(), 200); // the rest were freed
  EXPECT_EQ(MacContextPool::kMaxWaiting, 100);
  EXPECT_EQ(MacFontPool::kMaxWaiting, 200);
}

TEST(MacDrawingRules, CursorsMapFromTheWindowsNumbers) {
  const struct {
    int mNumber;
    EMacCursor mCursor;
  } cases[] = {{32512, kMacCursorArrow},
               {32513, kMacCursorIBeam},
               {32516, kMacCursorResizeUp},
               {32644, kMacCursorResizeLeftRight},
               {32645, kMacCursorResizeUpDown},
               {32649, kMacCursorOpenHand},
               {32514, kMacCursorNone},
               {0, kMacCursorNone},
               {-1, kMacCursorNone}};
  for (const auto& c : cases)
    EXPECT_EQ(MacCursorForWindowsNumber(c.mNumber), c.mCursor) << c.mNumber;
}
} // namespace
