// The step bars and the shift buttons on the product's editor: levels from clicks and
// drags, the step-edit signal and its status message, the cursor, and the repeat of a
// held shift button.
#include "EditorUnderTest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

std::string TimeMessage(int step, int level) {
  char s[64];
  std::snprintf(s, sizeof(s), "Step %d time: %d%%", step, level * 25);
  return s;
}

struct LevelCase {
  const char* what;
  int offset; // pixels from the bar's left edge; bars are 34 wide
  int click, drag;
};
const LevelCase kLevelCases[] = {
    {"t = 0, the left edge", 0, 0, 0},
    {"t = 0.2 (7 of 34): the click curve is still at 0, a drag at 1", 7, 0, 1},
    {"t = 0.3 (10 of 34): both give 1", 10, 1, 1},
    {"t = 1, the right edge", 34, 4, 4},
};

TEST(StepBars, ALeftClickSetsTheLevelOfTheClickCurveAndSignalsTheEdit) {
  for (const LevelCase& c : kLevelCases) {
    SCOPED_TRACE(c.what);
    EditorUnderTest e;
    const IRECT r = BarRect(5); // the time of step 6
    e.Click(r.L + c.offset, r.T + 5);
    EXPECT_EQ(e.p.Steps()[5], c.click);
    EXPECT_EQ(e.p.Bar(5)->GetValue(), c.click * 0.25);
    EXPECT_EQ(e.p.Status(), TimeMessage(6, c.click));
    // The host sees the step-edit parameter go to 1 and straight back to 0 in one gesture.
    EXPECT_EQ(e.Events(), "begin 23; set 23=1; set 23=0; end 23; ");
    EXPECT_EQ(e.p.Value(kStepEdited), 0.0);
  }
}

TEST(StepBars, ADragSetsEqualQuarters) {
  for (const LevelCase& c : kLevelCases) {
    SCOPED_TRACE(c.what);
    EditorUnderTest e;
    const IRECT r = BarRect(64 + 20); // the volume of step 21
    e.Press(r.R, r.T + 2);
    e.Drag(r.L + c.offset, r.T + 5);
    EXPECT_EQ(e.p.Steps()[84], c.drag);
    e.Release(r.L + c.offset, r.T + 5);
    char s[64];
    std::snprintf(s, sizeof(s), "Step 21 volume: %d%%", c.drag * 25);
    EXPECT_EQ(e.p.Status(), s);
  }
}

TEST(StepBars, ARightClickSetsLevelFourAnywhereAndTheHostGetsTheNewPattern) {
  struct Case {
    int entry, offset;
    const char* status;
    int word, wordValue; // the step word holding the entry, after the next block
  };
  const Case cases[] = {
      {16, 0, "Step 17 time: 100%", kStepWord0 + 1, 4882812 + 2 * 125}, // digit 6 of 10
      {16, 20, "Step 17 time: 100%", kStepWord0 + 1, 4882812 + 2 * 125},
      {127, 3, "Step 64 volume: 100%", kStepWord12, 390624},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry * 100 + c.offset);
    EditorUnderTest e;
    const IRECT r = BarRect(c.entry);
    e.Click(r.L + c.offset, r.T + 1, IMouseMod(false, true));
    EXPECT_EQ(e.p.Steps()[c.entry], 4);
    EXPECT_EQ(e.p.Status(), c.status);
    EXPECT_EQ(e.g->mPrompts, 0) << "a bar has no parameter to prompt for";
    e.p.RunConstant(0.0, 1);
    EXPECT_EQ(e.p.Value(c.word), c.wordValue);
  }
}

TEST(StepBars, ADragEditsOnlyThePressedBarAndOnlyInsideIt) {
  EditorUnderTest e;
  const IRECT r = BarRect(0);
  e.Press(r.L, r.T + 5);
  EXPECT_EQ(e.p.Steps()[0], 0);
  e.Drag(70, r.T + 5); // over the time bar of step 2
  EXPECT_EQ(e.p.Steps()[1], 2);
  EXPECT_EQ(e.p.Steps()[0], 0);
  e.Drag(r.L + 17, 225); // over the volume bar of step 1
  EXPECT_EQ(e.p.Steps()[64], 4);
  EXPECT_EQ(e.p.Steps()[0], 0);
  e.Drag(r.R, r.T + 5); // back into the pressed bar
  EXPECT_EQ(e.p.Steps()[0], 4);
  e.Release(r.R, r.T + 5);
  EXPECT_EQ(e.p.Status(), "Step 1 time: 100%");
}

TEST(StepBars, TheSizingCursorShowsNearTheFillEndAndOnEveryDrag) {
  struct Case {
    const char* what;
    int offset; // of the press, on a bar at level 2 (half filled: the end at 17)
    bool sizing;
  };
  const Case cases[] = {
      {"on the fill end", 17, true},           {"just inside 0.15 beyond it (t = 22/34)", 22, true},
      {"just outside (t = 23/34)", 23, false}, {"just inside 0.15 before it (t = 12/34)", 12, true},
      {"just outside (t = 11/34)", 11, false}, {"far from it", 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EditorUnderTest e;
    const IRECT r = BarRect(3);
    EXPECT_EQ(e.g->mCursor, IGraphics::kCursorArrow);
    e.Press(r.L + c.offset, r.T + 5);
    EXPECT_EQ(e.g->mCursor, c.sizing ? IGraphics::kCursorSizeWE : IGraphics::kCursorArrow);
    e.Drag(r.L + 5, 100); // far outside the bar: the cursor changes, the step does not
    EXPECT_EQ(e.g->mCursor, IGraphics::kCursorSizeWE);
    e.Release(r.L + 5, 100);
    EXPECT_EQ(e.g->mCursor, IGraphics::kCursorArrow);
  }
}

TEST(StepBars, DrawingFillsFromTheLeftAndWritesTheShownLevelBack) {
  EditorUnderTest e;
  const IRECT r = BarRect(2);
  const LICE_pixel fill = e.Pixel(r.L, r.T);
  EXPECT_NE(fill, skin::Word(skin::kBackground));
  EXPECT_EQ(e.Pixel(r.L + 16, r.T + 9), fill) << "half filled: 17 of 34 pixels";
  EXPECT_EQ(e.Pixel(r.L + 17, r.T), skin::Word(skin::kBackground));

  // A wheel notch moves only the bar's value; the next draw writes its level back.
  IMouseMod none;
  for (int i = 0; i < 13; ++i)
    e.g->OnMouseWheel(r.L + 1, r.T + 1, &none, 1);
  EXPECT_EQ(e.p.Steps()[2], 2);
  e.g->Tick();
  EXPECT_EQ(e.p.Steps()[2], 3) << "0.63 shows level 3";
  EXPECT_TRUE(e.p.mEvents.empty()) << "a wheel nudge is no step edit";
}

// ---- Shift buttons --------------------------------------------------------------------------

TEST(ShiftButtons, AHeldButtonShiftsOnThePressThenAboutEveryTwentyRepaintsAtMostFiveTimes) {
  EditorUnderTest e;
  e.p.Set(kCycle, 4);
  uint16_t steps[kNumStepEntries];
  for (int i = 0; i < kNumStepEntries; ++i)
    steps[i] = e.p.Steps()[i];
  ASSERT_TRUE(StepsFromDigits("0000", "", steps));
  e.p.SetPattern(steps);

  e.Press(100, 180); // the right half of the time shift button
  EXPECT_EQ(e.p.mShifts, 1);
  EXPECT_EQ(e.p.Status(), "Steps time: +25%");
  std::vector<int> repeats;
  for (int tick = 1; tick <= 100; ++tick) {
    const int before = e.p.mShifts;
    e.g->Tick();
    if (e.p.mShifts != before) repeats.push_back(tick);
    if (tick == 1) {
      EXPECT_EQ(e.Pixel(100, 180), skin::Word(skin::kShiftRight)) << "the pressed right half";
      EXPECT_EQ(e.Pixel(40, 180), skin::Word(skin::kBackground)) << "only the right half";
    }
  }
  // The value passes 1.5, 2.5, 3.5 and 4.5 (normalised 0.65 ... 0.95) at these repaints:
  // about 0.4 s after the press at 24 a second, then every 0.8 s; five shifts in all.
  EXPECT_EQ(repeats, (std::vector<int>{10, 30, 50, 70}));
  EXPECT_EQ(e.p.mShiftTime->GetValue(), 1.0);
  EXPECT_EQ(e.Pixel(100, 180), skin::Word(skin::kBackground)) << "at the end nothing is drawn";
  EXPECT_EQ(e.p.Value(kShiftTime), 5.0);
  for (int s = 0; s < 4; ++s)
    EXPECT_EQ(e.p.Steps()[s], 4) << "each shift one quarter, clamped";
  EXPECT_EQ(e.p.Steps()[4], 2) << "only the cycle moves";

  e.p.mEvents.clear();
  e.Release(100, 180);
  EXPECT_EQ(e.Events(), "set 24=0.5; end 24; ");
  EXPECT_EQ(e.p.Value(kShiftTime), 0.0);
  EXPECT_EQ(e.p.mShifts, 5);
  EXPECT_TRUE(e.p.mShiftTime->IsDirty()) << "one more repaint after release";
  e.g->Tick();
  EXPECT_FALSE(e.p.mShiftTime->IsDirty());
}

TEST(ShiftButtons, EachHalfAndButtonShiftsItsWayWithItsMessage) {
  struct Case {
    int x, y;
    const char* status;
    int entry, level; // step 1's time or volume after the press
    LICE_pixel shown;
    int shownX;
  };
  const Case cases[] = {
      {40, 180, "Steps time: -25%", 0, 1, skin::Word(skin::kShiftLeft), 40},
      {100, 180, "Steps time: +25%", 0, 3, skin::Word(skin::kShiftRight), 100},
      {500, 190, "Steps volume: -25%", 64, 3, skin::Word(skin::kShiftLeft), 500},
      {590, 175, "Steps volume: +25%", 64, 4, skin::Word(skin::kShiftRight), 590},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    EditorUnderTest e;
    e.Press(c.x, c.y);
    EXPECT_EQ(e.p.Status(), c.status);
    EXPECT_EQ(e.p.Steps()[c.entry], c.level);
    e.g->Tick();
    EXPECT_EQ(e.Pixel(c.shownX, c.y), c.shown);
    e.Release(c.x, c.y);
    e.g->Tick();
    EXPECT_EQ(e.Pixel(c.shownX, c.y), skin::Word(skin::kBackground));
  }
}

TEST(ShiftButtons, TheRightButtonDoesNothing) {
  EditorUnderTest e;
  e.Press(100, 180, IMouseMod(false, true));
  EXPECT_EQ(e.p.mShifts, 0);
  EXPECT_EQ(e.p.mShiftTime->GetValue(), 0.5);
  EXPECT_EQ(e.g->mPrompts, 0);
}

} // namespace
