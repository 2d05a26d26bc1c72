// The editor at 150 % and 200 %: the scale arithmetic, the desktop's factor, the
// pictures the real plug-in's editor draws (controls where the scaled layout puts
// them, drawn from true 2x art, parts redrawn alone equal to the whole, 100 % unchanged
// after a visit to other scales), the size menu and the remembered choice.
#include "EditorPrefs.h"
#include "EngineFixture.h"
#include "IGraphicsLinux.h"
#include "IScale.h"
#include "ITextControl.h"
#include "ScreenScale.h"
#include "lice.h"
#include "lice_sysbitmap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using editor_scale::ToDevice;
using editor_scale::ToEditor;

const int kScales[] = {100, 150, 200};

// ---- Arithmetic ---------------------------------------------------------------------------

TEST(EditorScale, EveryEditorPixelHasASpanAndEveryDevicePixelMapsBackIntoIt) {
  for (int percent : kScales) {
    SCOPED_TRACE(percent);
    for (int v = -3; v < 700; ++v) {
      ASSERT_LT(ToDevice(v, percent), ToDevice(v + 1, percent)) << "no pixel lost at " << v;
      ASSERT_EQ(ToEditor(ToDevice(v, percent), percent), v);
      ASSERT_EQ(ToEditor(ToDevice(v + 1, percent) - 1, percent), v);
    }
    // Rectangles that touch at 100 % touch at every scale: every edge maps alone.
    const IRECT left(30, 210, 64, 220), right(65, 210, 99, 220), gap(64, 210, 65, 220);
    EXPECT_EQ(editor_scale::ToDevice(left, percent).R, editor_scale::ToDevice(gap, percent).L);
    EXPECT_EQ(editor_scale::ToDevice(gap, percent).R, editor_scale::ToDevice(right, percent).L);
    EXPECT_TRUE(editor_scale::ToDevice(IRECT(), percent).Empty());
  }
  EXPECT_EQ(ToDevice(355, 150), 533) << "halves round up";
  EXPECT_EQ(ToDevice(13, 150), 20) << "a 13-pixel text becomes 20";
  EXPECT_EQ(editor_scale::ToEditorCover(IRECT(1, 1, 2, 2), 200), IRECT(0, 0, 1, 1));
}

TEST(EditorScale, TheDesktopsFactorPicksTheNearestScale) {
  struct Case {
    const char* gdk;
    const char* resources;
    double factor;
    int scale;
  } cases[] = {
      {nullptr, nullptr, 1.0, 100},
      {"2", "Xft.dpi:\t96\n", 2.0, 200},
      {"", "Xft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n", 1.5, 150},
      {nullptr, "Xft.dpi: 192\n", 2.0, 200},
      {nullptr, "Xft.dpi:\t120\n", 1.25, 150},
      {nullptr, "Xft.dpi:\t110\n", 110.0 / 96.0, 100},
      {"abc", "Xft.dpi:\t96abc\n", 1.0, 100},
      {"0", "Xft.dpi:\t-5\n", 1.0, 100},
      {"1e300", "Xft.dpi:\tnan\n", 1.0, 100},
      {"3", nullptr, 3.0, 200},
      {nullptr, "Xft.dpis:\t192\n", 1.0, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.gdk ? c.gdk : "(unset)") + " / " +
                 (c.resources ? c.resources : "(none)"));
    const double factor = ScreenScaleFactor(c.gdk, c.resources);
    EXPECT_DOUBLE_EQ(factor, c.factor);
    EXPECT_EQ(editor_scale::NearestScale(factor), c.scale);
  }
  EXPECT_EQ(editor_scale::NearestScale(std::nan("")), 100);
}

// ---- Pictures of the real editor -------------------------------------------------------------

class ScalePlug : public TestCorvanel {
public:
  using CLS_CORVANEL::mStatusText;
  IGraphicsLinux* Editor() { return static_cast<IGraphicsLinux*>(GetGUI()); }
};

// A fresh editor with Tie Lock on and Target on "High Gain", drawn at a scale.
struct Picture {
  ScalePlug p;
  IGraphicsLinux* g = nullptr;
  explicit Picture(int percent, double rate = -1.0) {
    OpenDefault(p);
    g = p.Editor();
    g->OpenWindow(nullptr);
    g->SetScale(percent);
    p.SetParameterFromHost(kTieLock, 1.0, true);
    p.SetParameterFromHost(kTarget, 2.0, false);
    if (rate >= 0.0) p.SetParameterFromHost(kRate, rate, true);
    g->Tick();
  }
  LICE_IBitmap* Surface() const { return g->GetDrawBitmap(); }
  LICE_pixel At(int x, int y) const { return LICE_RowPtr(Surface(), y)[x] & 0xffffffu; }
  // A skin image as the editor caches it (1x ids 100-108, their 2x art at 1100-1108).
  LICE_IBitmap* Art(int id, const char* name) const {
    return static_cast<LICE_IBitmap*>(g->LoadIBitmap(id, name).mData);
  }
};

LICE_pixel Pixel(LICE_IBitmap* b, int x, int y) { return LICE_RowPtr(b, y)[x] & 0xffffffu; }

int Channel(LICE_pixel p, int shift) { return (int)((p >> shift) & 0xff); }

// The mean difference per channel between the 200 % picture averaged over 2 x 2 blocks
// and the 100 % picture, over an editor rectangle.
double MeanDifferenceToHalf(const Picture& twice, const Picture& once, const IRECT& r) {
  double sum = 0.0;
  for (int y = r.T; y < r.B; ++y)
    for (int x = r.L; x < r.R; ++x)
      for (int shift = 0; shift < 24; shift += 8) {
        int avg = 0;
        for (int dy = 0; dy < 2; ++dy)
          for (int dx = 0; dx < 2; ++dx)
            avg += Channel(twice.At(2 * x + dx, 2 * y + dy), shift);
        sum += std::abs(avg / 4.0 - Channel(once.At(x, y), shift));
      }
  return sum / (3.0 * r.W() * r.H());
}

bool DiffersFromArt(const Picture& pic, LICE_IBitmap* art, const IRECT& device) {
  for (int y = device.T; y < device.B; ++y)
    for (int x = device.L; x < device.R; ++x)
      if (pic.At(x, y) != Pixel(art, x, y)) return true;
  return false;
}

TEST(EditorScalePicture, At200EveryPartSitsAtTwiceItsRectangle) {
  Picture once(100), twice(200);
  ASSERT_EQ(twice.Surface()->getWidth(), 1240);
  ASSERT_EQ(twice.Surface()->getHeight(), 710);
  LICE_IBitmap* bg2 = twice.Art(1100, "../img/bg@2x.png");
  ASSERT_NE(bg2, nullptr);

  // Above the version label and the controls only the background shows: the 2x art.
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 1240; ++x)
      ASSERT_EQ(twice.At(x, y), Pixel(bg2, x, y)) << x << ", " << y;

  // Tie Lock's on look at (288, 179, 310, 199) and Target's third slice at
  // (387, 133, 457, 151): their 2x images, pixel for pixel, at twice the rectangles.
  LICE_IBitmap* tie = twice.Art(104, "../img/but3.png");
  LICE_IBitmap* tie2 = twice.Art(1104, "../img/but3@2x.png");
  LICE_IBitmap* radio2 = twice.Art(1105, "../img/radio@2x.png");
  ASSERT_TRUE(tie && tie2 && radio2);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 44; ++x)
      ASSERT_EQ(twice.At(576 + x, 358 + y), Pixel(tie2, x, y)) << x << ", " << y;
  for (int y = 0; y < 36; ++y)
    for (int x = 0; x < 140; ++x)
      ASSERT_EQ(twice.At(774 + x, 266 + y), Pixel(radio2, x, 72 + y)) << x << ", " << y;

  // Step 1's time bar is half filled: 17 pixels at 100 %, 34 at 200 %.
  const LICE_pixel fill = LICE_RGBA(130, 195, 255, 0);
  int filledOnce = 0, filledTwice = 0;
  for (int x = 30; x < 64; ++x)
    filledOnce += once.At(x, 214) == fill;
  for (int x = 60; x < 128; ++x)
    filledTwice += twice.At(x, 428) == fill;
  EXPECT_EQ(filledOnce, 17);
  EXPECT_EQ(filledTwice, 34);
  EXPECT_EQ(twice.At(60, 428), fill);
  EXPECT_EQ(twice.At(93, 439), fill);
  EXPECT_NE(twice.At(94, 428), fill);

  // Knobs, slider, marker and shift buttons: the 200 % picture averaged back to 100 %
  // is the 100 % picture but for filtering (measured: at most 2.4 levels on average; a
  // knob at another angle differs by 7).
  const IRECT parts[] = {IRECT(26, 100, 76, 150),  IRECT(96, 100, 146, 150),
                         IRECT(544, 100, 594, 150), IRECT(193, 174, 285, 194),
                         IRECT(30, 230, 60, 237),   IRECT(22, 172, 134, 203)};
  for (const IRECT& r : parts)
    EXPECT_LT(MeanDifferenceToHalf(twice, once, r), 3.0) << r.L << ", " << r.T;
  Picture turned(200, 0.9);
  EXPECT_GT(MeanDifferenceToHalf(turned, once, parts[0]), 5.0) << "the check sees an angle";

  // Text in every text area: the knobs' values, the version label, the status line.
  twice.p.mStatusText->SetTextFromPlug("Steps time: +25%");
  twice.g->Tick();
  const IRECT texts[] = {IRECT(26, 155, 76, 170),   IRECT(96, 155, 146, 170),
                         IRECT(544, 155, 594, 170), IRECT(45, 12, 95, 30),
                         IRECT(316, 180, 446, 198)};
  for (const IRECT& r : texts)
    EXPECT_TRUE(DiffersFromArt(twice, bg2, editor_scale::ToDevice(r, 200))) << r.L << ", " << r.T;
}

TEST(EditorScalePicture, TheTwiceArtIsDrawnFromTheSourceNotEnlarged) {
  Picture pic(100);
  LICE_IBitmap* bg = pic.Art(100, "../img/bg.png");
  LICE_IBitmap* bg2 = pic.Art(1100, "../img/bg@2x.png");
  ASSERT_TRUE(bg && bg2);
  ASSERT_EQ(bg2->getWidth(), 2 * bg->getWidth());
  long differ = 0;
  for (int y = 0; y < bg2->getHeight(); ++y)
    for (int x = 0; x < bg2->getWidth(); ++x)
      differ += Pixel(bg2, x, y) != Pixel(bg, x / 2, y / 2);
  // Flat areas agree; every edge, line and letter is finer than doubled pixels.
  EXPECT_GT(differ, (long)bg2->getWidth() * bg2->getHeight() / 20);
}

TEST(EditorScalePicture, At100ThePictureIsUnchangedAfterOtherScales) {
  Picture fresh(100), visited(150);
  visited.g->SetScale(200);
  visited.g->SetScale(100);
  visited.g->Tick();
  ASSERT_EQ(visited.Surface()->getWidth(), 620);
  for (int y = 0; y < 355; ++y)
    for (int x = 0; x < 620; ++x)
      ASSERT_EQ(visited.At(x, y), fresh.At(x, y)) << x << ", " << y;
}

TEST(EditorScalePicture, At150APartRedrawnAloneEqualsTheWhole) {
  Picture pic(150);
  LICE_IBitmap* s = pic.Surface();
  const std::vector<LICE_pixel> whole(LICE_RowPtr(s, 0),
                                      LICE_RowPtr(s, 0) + (size_t)s->getRowSpan() * s->getHeight());
  // Rectangles that cut through the background, a knob, the radio slices, bars.
  // (Knobs and fills are drawn whole, unclipped, whenever they meet the rectangle, as at
  // 100 %: the rectangles here meet only clipped images.)
  IRECT parts[] = {IRECT(0, 0, 7, 5),        IRECT(3, 57, 200, 91), IRECT(390, 120, 441, 140),
                   IRECT(289, 181, 301, 190), IRECT(601, 203, 620, 355)};
  for (IRECT& r : parts) {
    pic.g->Draw(&r);
    const std::vector<LICE_pixel> now(LICE_RowPtr(s, 0),
                                      LICE_RowPtr(s, 0) + (size_t)s->getRowSpan() * s->getHeight());
    ASSERT_EQ(now, whole) << r.L << ", " << r.T;
  }
}

// ---- The size menu and the remembered choice ----------------------------------------------

struct ConfigDir {
  std::string path;
  ConfigDir() {
    char name[] = "/tmp/corvanel-prefs-XXXXXX";
    path = mkdtemp(name);
    setenv("CORVANEL_CONFIG_DIR", path.c_str(), 1);
  }
  ~ConfigDir() {
    unsetenv("CORVANEL_CONFIG_DIR");
    std::system(("rm -rf '" + path + "'").c_str());
  }
  void Write(const std::string& text) const { std::ofstream(path + "/editor.conf") << text; }
};

TEST(EditorScaleMenu, ARightClickOnTheBackgroundOffersTheSizesAndAnEntryAppliesAtOnce) {
  ConfigDir prefs;
  Picture pic(100);
  IMouseMod right(false, true), left(true);
  const double rate = pic.p.GetParam(kRate)->mValue;

  // On a knob a right click still opens its value entry, not the menu.
  pic.g->OnMouseDown(51, 125, &right);
  pic.g->OnMouseUp(51, 125, &right);
  EXPECT_FALSE(pic.g->GetScaleMenu().IsOpen());
  ASSERT_NE(pic.g->GetValueEntry(), nullptr);
  pic.g->DismissValueEntry();
  pic.g->Tick();

  // On the background: the menu, drawn over the editor.
  LICE_IBitmap* s = pic.Surface();
  LICE_MemBitmap before(s->getWidth(), s->getHeight());
  LICE_Blit(&before, s, 0, 0, 0, 0, s->getWidth(), s->getHeight(), 1.0f, LICE_BLIT_MODE_COPY);
  pic.g->OnMouseDown(8, 60, &right);
  pic.g->OnMouseUp(8, 60, &right);
  ASSERT_TRUE(pic.g->GetScaleMenu().IsOpen());
  pic.g->Tick();
  const IRECT menu = pic.g->GetScaleMenu().Rect();
  EXPECT_TRUE(DiffersFromArt(pic, &before, menu));
  // A press elsewhere closes it and reaches nothing: the Rate knob keeps its value.
  pic.g->OnMouseDown(51, 125, &left);
  pic.g->OnMouseDrag(51, 60, &left);
  pic.g->OnMouseUp(51, 60, &left);
  EXPECT_FALSE(pic.g->GetScaleMenu().IsOpen());
  EXPECT_EQ(pic.p.GetParam(kRate)->mValue, rate);
  EXPECT_EQ(pic.g->Scale(), 100);
  pic.g->Tick();
  EXPECT_FALSE(DiffersFromArt(pic, &before, menu)) << "the closed menu is painted over";

  // Opened near the right edge it stays inside; its third entry is "200 %".
  pic.g->OnMouseDown(615, 350, &right);
  pic.g->OnMouseUp(615, 350, &right);
  const IRECT r = pic.g->GetScaleMenu().Rect();
  EXPECT_LE(r.R, 620);
  EXPECT_LE(r.B, 355);
  EXPECT_STREQ(IScaleMenu::EntryText(2), "200 %");
  const int x = r.L + 10, y = r.T + 1 + 2 * IScaleMenu::kEntryH + 5;
  pic.g->OnMouseDown(x, y, &left);
  pic.g->OnMouseUp(x, y, &left);
  EXPECT_EQ(pic.g->Scale(), 200);
  EXPECT_EQ(pic.g->ChosenScale(), 200);
  EXPECT_EQ(pic.Surface()->getWidth(), 1240);
  EXPECT_EQ(pic.p.GetParam(kRate)->mValue, rate);
  // A choice made off screen (no window) is this editor's, not the user's preference.
  EXPECT_EQ(editor_prefs::LoadScale(), 0);
}

TEST(EditorPrefs, TheChoiceIsRememberedAndDamagedFilesAreNoChoice) {
  ConfigDir prefs;
  EXPECT_EQ(editor_prefs::LoadScale(), 0) << "no file";
  editor_prefs::SaveScale(150);
  EXPECT_EQ(editor_prefs::LoadScale(), 150);
  editor_prefs::SaveScale(120);
  EXPECT_EQ(editor_prefs::LoadScale(), 150) << "not a scale: not saved";
  const char* damaged[] = {"", "scale=", "scale=175\n", "scale=200x\n", "scale=-100\n",
                           "size=200\n", "\x01\x02\x03", "scale=99999999999999999999\n"};
  for (const char* text : damaged) {
    prefs.Write(text);
    EXPECT_EQ(editor_prefs::LoadScale(), 0) << text;
  }
  prefs.Write("# editor\r\nscale=200\r\n");
  EXPECT_EQ(editor_prefs::LoadScale(), 200);

  // A window opens at the preference, whatever its desktop says; without one it follows
  // the desktop; the user's choice in this editor then holds over both.
  Picture remembered(100);
  remembered.g->OpenWindowScale(150);
  EXPECT_EQ(remembered.g->Scale(), 200);
  prefs.Write("");
  Picture desktop(100);
  desktop.g->OpenWindowScale(150);
  EXPECT_EQ(desktop.g->Scale(), 150);
  desktop.g->ChooseScale(100);
  desktop.g->OpenWindowScale(200);
  EXPECT_EQ(desktop.g->Scale(), 100);
}

} // namespace
