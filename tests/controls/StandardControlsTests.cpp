// The knobs, the Gate slider, the Tie Lock button, the Target group, the URL area and
// the step-edit carrier on the product's editor.
#include "EditorUnderTest.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// The centre of the knob's white mark, found on the surface.
bool MarkCentre(EditorUnderTest& e, const IRECT& area, double* x, double* y) {
  double sx = 0, sy = 0, n = 0;
  for (int py = area.T; py < area.B; ++py)
    for (int px = area.L; px < area.R; ++px) {
      const LICE_pixel p = e.Pixel(px, py);
      const double w = LICE_GETR(p) / 255.0;
      if (w < 0.5) continue;
      sx += w * px;
      sy += w * py;
      n += w;
    }
  if (n == 0) return false;
  *x = sx / n;
  *y = sy / n;
  return true;
}

TEST(Knob, TurnsFromMinus150ThroughUprightToPlus150Degrees) {
  struct Case {
    double value, degrees;
  };
  const Case cases[] = {{0.0, -150.0}, {0.5, 0.0}, {1.0, 150.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EditorUnderTest e;
    IKnobRotVal* mix = e.p.mKnobs[kMix];
    mix->SetValueFromPlug(c.value);
    e.g->Tick();
    double x, y;
    ASSERT_TRUE(MarkCentre(e, IRECT(544, 100, 594, 150), &x, &y));
    // The mark sits 20 pixels above the image's centre; a positive angle turns clockwise.
    const double a = c.degrees * kPi / 180.0;
    EXPECT_NEAR(x, 569 + 20 * std::sin(a), 1.5);
    EXPECT_NEAR(y, 125 - 20 * std::cos(a), 1.5);
    EXPECT_NEAR(mix->AngleFor(c.value), a, 1e-6);
  }
}

TEST(Knob, ShowsTheDisplayTextWithItsUnitRightAfterIt) {
  EditorUnderTest e;
  struct Case {
    int param;
    const char* text;
  };
  const Case cases[] = {{kRate, "1/16"}, {kCycle, "16"}, {kSplitFreq, "1000Hz"}, {kMix, "80%"}};
  for (const Case& c : cases) {
    char text[64];
    e.p.mKnobs[c.param]->ValueText(text, sizeof(text));
    EXPECT_STREQ(text, c.text);
  }
  EXPECT_EQ(*e.p.mKnobs[kMix]->GetRECT(), IRECT(544, 100, 594, 168))
      << "the image, the gap and the text's height";
}

TEST(Knob, ADragOfFourTimesItsHeightSweepsTheRangeATenthWithShift) {
  struct Case {
    bool shift;
    double mix;
  };
  const Case cases[] = {{false, 100.0}, {true, 10.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shift);
    EditorUnderTest e;
    e.p.mKnobs[kMix]->SetValueFromPlug(0.0);
    const IMouseMod mod(true, false, c.shift);
    e.Press(569, 125, mod);
    for (int i = 1; i <= 4; ++i)
      e.Drag(569, 125 - 68 * i, mod); // the rectangle, text included, is 68 high
    e.Release(569, 125 - 272, mod);
    EXPECT_EQ(e.p.Value(kMix), c.mix);
  }
}

TEST(Slider, TheTrackEndsSetTheRangeEndsAndOffTheTrackNothingHappens) {
  // Track (195, 174, 283, 188), handle 31 wide, travel 58.
  struct Case {
    const char* what;
    int x, y;
    double gate;
  };
  const Case cases[] = {
      {"the handle's centre at the track start", 210, 180, 0},
      {"the handle's centre at the end of travel (268.5)", 269, 180, 100},
      {"just before it", 268, 180, 99},
      {"before the centre's start", 196, 180, 0},
      {"the track's right edge", 283, 188, 100},
      {"in the middle: 28.5 of 58", 239, 180, 49},
      {"below the track, inside the control", 260, 190, 49},
  };
  EditorUnderTest e;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    e.Click(c.x, c.y);
    EXPECT_EQ(e.p.Value(kGate), c.gate);
  }
}

TEST(Slider, TheHandleShowsTheParameterAndTheFillTheControlsValue) {
  EditorUnderTest e; // Gate 100: the handle at the end of travel
  const LICE_pixel handle = skin::Word(skin::kHandle), fill = LICE_RGBA(66, 110, 170, 255);
  const LICE_pixel back = skin::Word(skin::kBackground);
  EXPECT_EQ(e.Pixel(253, 175), handle);
  EXPECT_EQ(e.Pixel(252, 175), back);
  EXPECT_EQ(e.Pixel(203, 180), fill) << "from 8 pixels into the track";
  EXPECT_EQ(e.Pixel(202, 180), back);
  EXPECT_EQ(e.Pixel(230, 181), fill);
  EXPECT_EQ(e.Pixel(230, 182), back) << "two pixels thick";

  // A value on its way to the plug-in: the fill follows it, the handle stays.
  e.p.mGate->mValue = 0.0;
  e.p.mGate->SetDirty(false);
  e.g->Tick();
  EXPECT_EQ(e.Pixel(253, 175), handle);
  EXPECT_EQ(e.Pixel(209, 180), fill) << "up to the handle's centre at value 0";
  EXPECT_EQ(e.Pixel(210, 180), back);
}

TEST(Button, ALeftClickTogglesARightClickNeitherTogglesNorPrompts) {
  EditorUnderTest e; // Tie Lock starts on
  const LICE_pixel on = skin::Word(skin::kButtonOn), back = skin::Word(skin::kBackground);
  EXPECT_EQ(e.Pixel(299, 189), on);
  e.Click(299, 189);
  EXPECT_EQ(e.p.Value(kTieLock), 0.0);
  EXPECT_EQ(e.p.Status(), "Tie steps unlocked");
  e.g->Tick();
  EXPECT_EQ(e.Pixel(299, 189), back);
  e.Click(288, 179);
  EXPECT_EQ(e.p.Value(kTieLock), 1.0);
  EXPECT_EQ(e.p.Status(), "Tie steps locked");

  e.p.mEvents.clear();
  e.Click(299, 189, IMouseMod(false, true));
  EXPECT_EQ(e.p.Value(kTieLock), 1.0);
  EXPECT_EQ(e.g->mPrompts, 0);
  EXPECT_EQ(e.Events(), "begin 4; set 4=1; end 4; ") << "the unchanged value is pushed";
}

TEST(RadioButtons, TheThirdSliceSetsTwoThirdsAndShowsItsSlice) {
  EditorUnderTest e;
  e.Click(420, 140); // Target buttons are 18 high from y 97: the third spans 133-150
  EXPECT_DOUBLE_EQ(e.p.mTarget->GetValue(), 2.0 / 3.0);
  EXPECT_EQ(e.p.Value(kTarget), 2.0);
  char text[32];
  e.p.GetParam(kTarget)->FormatDisplay(e.p.Value(kTarget), false, text);
  EXPECT_STREQ(text, "High Gain");
  e.g->Tick();
  EXPECT_EQ(e.Pixel(387, 133), skin::Word(skin::kRadioSlice[2]));
  EXPECT_EQ(e.Pixel(456, 150), skin::Word(skin::kRadioSlice[2]));
  EXPECT_EQ(e.Pixel(420, 151), skin::Word(skin::kBackground)) << "only the selected slice";
  EXPECT_EQ(e.Pixel(420, 132), skin::Word(skin::kBackground));

  e.Click(420, 97);
  EXPECT_EQ(e.p.Value(kTarget), 0.0);
  e.Click(420, 168);
  EXPECT_EQ(e.p.Value(kTarget), 3.0);
}

TEST(RadioButtons, ARightClickOpensTheValueEntryForTheTargets) {
  EditorUnderTest e;
  e.Click(420, 140, IMouseMod(false, true));
  EXPECT_EQ(e.g->mPrompts, 1);
  EXPECT_EQ(e.g->mPromptParam, e.p.GetParam(kTarget));
  EXPECT_EQ(e.g->mPromptParam->DisplayTextCount(), 4);
  EXPECT_EQ(e.p.Value(kTarget), 0.0) << "nothing selected by the right click";
}

TEST(URLArea, OpensTheMakersPageForThePlugInWithAnyButton) {
  const IMouseMod buttons[] = {IMouseMod(true), IMouseMod(false, true), IMouseMod(true, true)};
  for (const IMouseMod& mod : buttons) {
    EditorUnderTest e;
    e.Click(200, 30, mod);
    EXPECT_EQ(e.g->mLastURL, "https://www.orbalin.com/Corvanel");
    EXPECT_EQ(e.g->mLastURLError, "Cannot open url. Check your default browser.");
    EXPECT_EQ(e.g->mPrompts, 0);
  }
}

TEST(StepEditCarrier, IsNeverHitAndNeverRedrawn) {
  EditorUnderTest e;
  EXPECT_EQ(e.g->GetMouseControlIdx(0, 0), 0) << "the background, not the carrier";
  e.p.mCarrier->SetDirty(false);
  IRECT dirty;
  e.g->IsDirty(&dirty);
  EXPECT_EQ(dirty, IRECT(30, 230, 589, 308)) << "only the activity displays";
}

} // namespace
