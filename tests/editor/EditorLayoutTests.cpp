// The editor the plug-in builds: the control list as a table, the step grid's geometry,
// and the fresh picture on the Linux surface with the real skin.
#include "EngineFixture.h"
#include "IBitmapControl.h"
#include "IButton.h"
#include "IEmpty.h"
#include "IGraphicsLinux.h"
#include "IKnobRotVal.h"
#include "IRadioButtons.h"
#include "ISlider.h"
#include "ITextControl.h"
#include "IURLOpen.h"
#include "MyBar.h"
#include "SampleActivity.h"
#include "lice_sysbitmap.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

namespace {

class LayoutPlug : public TestCorvanel {
public:
  using CLS_CORVANEL::mStatusText;
  using CLS_CORVANEL::mStepBars;
  IGraphicsLinux* Editor() { return static_cast<IGraphicsLinux*>(GetGUI()); }
};

const char* Kind(IControl* c) {
  if (dynamic_cast<IBitmapControl*>(c)) return "bitmap";
  if (dynamic_cast<ITextControl*>(c)) return "text";
  if (dynamic_cast<IURLOpen*>(c)) return "url";
  if (dynamic_cast<IKnobRotVal*>(c)) return "knob";
  if (dynamic_cast<IRadioButtons*>(c)) return "radio";
  if (dynamic_cast<ISlider*>(c)) return "slider";
  if (dynamic_cast<IButton*>(c)) return "button";
  if (dynamic_cast<IEmpty*>(c)) return "empty";
  if (dynamic_cast<MyBar2*>(c)) return "shift";
  if (dynamic_cast<MyBar*>(c)) return "bar";
  if (dynamic_cast<SampleActivity*>(c)) return "activity";
  return typeid(*c).name();
}

struct Row {
  const char* kind;
  IRECT rect;
  int param;
};

// Everything but the step bars, in list order. The knob rectangles are the 50 x 50
// image around the centre, 5 pixels of gap and the 15-pixel value text below.
const Row kHead[] = {
    {"bitmap", IRECT(0, 0, 620, 355), -1},    {"text", IRECT(45, 12, 95, 30), -1},
    {"url", IRECT(164, 6, 356, 54), -1},      {"text", IRECT(316, 180, 446, 198), -1},
    {"knob", IRECT(26, 100, 76, 170), 0},     {"knob", IRECT(96, 100, 146, 170), 1},
    {"knob", IRECT(182, 100, 232, 170), 2},   {"knob", IRECT(252, 100, 302, 170), 5},
    {"knob", IRECT(322, 100, 372, 170), 6},   {"knob", IRECT(474, 100, 524, 170), 7},
    {"knob", IRECT(544, 100, 594, 170), 9},   {"radio", IRECT(387, 97, 457, 169), 8},
    {"slider", IRECT(193, 174, 285, 194), 3}, {"button", IRECT(288, 179, 310, 199), 4},
    {"empty", IRECT(0, 0, 0, 0), 23},         {"shift", IRECT(22, 172, 134, 203), 24},
    {"shift", IRECT(485, 172, 597, 203), 25},
};

TEST(EditorLayout, TheControlListInItsOrder) {
  LayoutPlug p;
  IGraphics* g = p.GetGUI();
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(g->GetNControls(), 147);
  EXPECT_EQ(g->Width(), 620);
  EXPECT_EQ(g->Height(), 355);
  EXPECT_EQ(g->FPS(), 24);
  std::vector<Row> expected(std::begin(kHead), std::end(kHead));
  const int rowY[4] = {210, 244, 275, 309};
  for (int i = 0; i < 64; ++i) {
    const int x = 30 + 35 * (i % 16), y = rowY[i / 16];
    expected.push_back({"bar", IRECT(x, y, x + 34, y + 10), -1});
    expected.push_back({"bar", IRECT(x, y + 11, x + 34, y + 19), -1});
  }
  expected.push_back({"activity", IRECT(30, 230, 589, 243), -1});
  expected.push_back({"activity", IRECT(30, 295, 589, 308), -1});
  for (int i = 0; i < 147; ++i) {
    IControl* c = g->GetControl(i);
    EXPECT_STREQ(Kind(c), expected[i].kind) << "control " << i;
    EXPECT_EQ(c->mRECT, expected[i].rect) << "control " << i;
    EXPECT_EQ(c->ParamIdx, expected[i].param) << "control " << i;
    EXPECT_EQ(c->mTooltip, nullptr);
    EXPECT_FALSE(c->mDisablePrompt);
    EXPECT_EQ(c->mDblAsSingleClick, false) << "control " << i;
  }
}

TEST(EditorLayout, TheStepBarsAreWiredToTheirEntries) {
  LayoutPlug p;
  IGraphics* g = p.GetGUI();
  EXPECT_EQ(p.mEditedStep, 127) << "the last bar made";
  EXPECT_EQ(p.mStatusText, g->GetControl(3));
  for (int e = 0; e < 128; ++e) {
    const int step = e % 64;
    IControl* bar = g->GetControl(17 + 2 * step + (e >= 64 ? 1 : 0));
    EXPECT_EQ(p.mStepBars[e], bar) << "entry " << e;
  }
  // A right click on a bar edits that bar's own entry.
  for (int e : {0, 16, 63, 64, 100, 127}) {
    IControl* bar = p.mStepBars[e];
    p.mSteps[e] = 1;
    IMouseMod right(false, true);
    g->OnMouseDown(bar->mRECT.L + 3, bar->mRECT.T + 3, &right);
    g->OnMouseUp(bar->mRECT.L + 3, bar->mRECT.T + 3, &right);
    EXPECT_EQ(p.mSteps[e], 4) << "entry " << e;
    EXPECT_EQ(p.mEditedStep, e);
  }
  // Step 17 and step 64 as the grid places them.
  EXPECT_EQ(p.mStepBars[16]->mRECT, IRECT(30, 244, 64, 254));
  EXPECT_EQ(p.mStepBars[64 + 16]->mRECT, IRECT(30, 255, 64, 263));
  EXPECT_EQ(p.mStepBars[63]->mRECT, IRECT(555, 309, 589, 319));
  EXPECT_EQ(p.mStepBars[127]->mRECT, IRECT(555, 320, 589, 328));
}

TEST(EditorLayout, TheActivityDisplaysLieBetweenTheRowsAndCoverNoBar) {
  LayoutPlug p;
  IGraphics* g = p.GetGUI();
  for (int a = 145; a <= 146; ++a)
    for (int e = 0; e < 128; ++e)
      EXPECT_FALSE(g->GetControl(a)->mRECT.Intersects(p.mStepBars[e]->mRECT))
          << "display " << a << " over entry " << e;
}

// ---- The fresh picture
// ------------------------------------------------------------------------------

struct Picture {
  LayoutPlug p;
  IGraphicsLinux* g;
  Picture() : g(nullptr) {
    OpenDefault(p);
    g = p.Editor();
    g->OpenWindow(nullptr);
    g->Tick();
  }
  LICE_pixel At(int x, int y) { return LICE_RowPtr(g->GetDrawBitmap(), y)[x] & 0xffffffu; }
  LICE_pixel Background(int x, int y) {
    IBitmap bg = g->LoadIBitmap(100, "../img/bg.png");
    return LICE_RowPtr(static_cast<LICE_IBitmap*>(bg.mData), y)[x] & 0xffffffu;
  }
};

TEST(EditorPicture, AFreshInstanceShowsHalfTimesFullVolumesAndTheFirstMarker) {
  Picture pic;
  const LICE_pixel timeFill = LICE_RGBA(130, 195, 255, 0);
  // The time bar of step 1 is filled over its left 17 pixels, then the background shows.
  EXPECT_EQ(pic.At(30, 212), timeFill);
  EXPECT_EQ(pic.At(46, 212), timeFill);
  EXPECT_EQ(pic.At(47, 212), pic.Background(47, 212));
  // Every volume bar is filled to its end with the volume colour over the background.
  for (int i = 0; i < 64; i += 21) {
    IControl* bar = pic.p.mStepBars[64 + i];
    const int x = bar->mRECT.R - 1, y = bar->mRECT.T + 2;
    EXPECT_NE(pic.At(x, y), pic.Background(x, y)) << "volume bar " << i;
    EXPECT_NE(pic.At(bar->mRECT.R, y), pic.At(x, y)) << "no further than the bar";
  }
  // The playing step 0 has its marker under the first bar, at x 42, y 230.
  IBitmap marker = pic.g->LoadIBitmap(107, "../img/on.png");
  ASSERT_NE(marker.mData, nullptr);
  bool differs = false;
  for (int y = 230; y < 237; ++y)
    for (int x = 42; x < 53; ++x)
      differs = differs || pic.At(x, y) != pic.Background(x, y);
  EXPECT_TRUE(differs) << "the marker shows";
  for (int y = 295; y < 308; ++y)
    for (int x = 30; x < 589; ++x)
      ASSERT_EQ(pic.At(x, y), pic.Background(x, y)) << "the lower display shows nothing";
}

TEST(EditorPicture, KnobsReadTheirValuesAndTheStatusLineWaitsForAMessage) {
  Picture pic;
  auto* cycle = static_cast<IKnobRotVal*>(pic.g->GetControl(5));
  char text[64];
  pic.p.GetParam(kCycle)->FormatDisplay(pic.p.GetParam(kCycle)->mValue, false, text);
  EXPECT_STREQ(text, "16");
  EXPECT_EQ(cycle->ParamIdx, kCycle);
  // The value text area under the Cycle knob holds text now.
  bool drawn = false;
  for (int y = 155; y < 170; ++y)
    for (int x = 96; x < 146; ++x)
      drawn = drawn || pic.At(x, y) != pic.Background(x, y);
  EXPECT_TRUE(drawn);

  LayoutPlug fresh; // not opened: no message yet
  WDL_String status;
  fresh.mStatusText->GetText(&status);
  EXPECT_STREQ(status.Get(), "");
}

} // namespace
