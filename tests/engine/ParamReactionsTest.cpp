// Parameter reactions: the change filter, the step words, step edits and shifts,
// status messages, and readiness.
#include "EngineFixture.h"
#include "IControl.h"
#include "IGraphics.h"
#include "ITextControl.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace {

using Event = IPlugTestHost::Event;

class EditorPlug : public TestCorvanel {
public:
  using CLS_CORVANEL::mStatusText;
  using CLS_CORVANEL::mStepBars;

  std::string Status() {
    WDL_String text;
    mStatusText->GetText(&text);
    return text.Get();
  }
};

TEST(ParamReactions, OnlyAChangedWholeValueReacts) {
  TestCorvanel p;
  OpenDefault(p);
  p.RunConstant(0.0, 1);
  p.Set(kCycle, 8);
  EXPECT_TRUE(p.mResync);
  p.RunConstant(0.0, 1);
  p.Set(kCycle, 8);
  EXPECT_FALSE(p.mResync);
  EXPECT_EQ(p.mCycle, 8);
}

TEST(ParamReactions, StepWordsUnpackIntoTheirEntries) {
  struct Case {
    int param, value;
    int first;
    const char* digits; // the entries from `first` on
  };
  const Case cases[] = {{kStepWord0, 4882812, 0, "2222222222"},
                        {kStepWord0, 9765624, 0, "4444444444"},
                        {kStepWord0, 1, 0, "0000000001"},
                        {kStepWord0 + 6, 4890624, 60, "2222444444"},
                        {kStepWord0 + 7, 3 * 1953125 + 1, 70, "3000000001"},
                        {kStepWord12, 390624, 120, "44444444"},
                        {kStepWord12, 0, 120, "00000000"}};
  TestCorvanel p;
  OpenDefault(p);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    p.Set(c.param, c.value);
    std::string got;
    for (int j = 0; c.digits[j]; ++j)
      got += (char)('0' + p.Steps()[c.first + j]);
    EXPECT_EQ(got, c.digits);
  }
}

TEST(ParamReactions, DefaultPatternPacksToTheDefaultWords) {
  TestCorvanel p;
  OpenDefault(p);
  const int expected[kNumStepWords] = {4882812, 4882812, 4882812, 4882812, 4882812,
                                       4882812, 4890624, 9765624, 9765624, 9765624,
                                       9765624, 9765624, 390624};
  for (int w = 0; w < kNumStepWords; ++w) {
    EXPECT_EQ(PackStepWord(p.Steps(), w), expected[w]) << w;
    EXPECT_EQ(p.Value(kStepWord0 + w), expected[w]) << w;
  }
}

// The user clicks step bar `entry` of the plug-in's editor where the bar's click curve
// gives `level` (bars are 34 pixels wide).
void EditStep(EditorPlug& p, int entry, int level) {
  const int offsets[5] = {0, 10, 17, 22, 34};
  const IRECT* r = p.mStepBars[entry]->GetRECT();
  IMouseMod left(true);
  p.GetGUI()->OnMouseDown(r->L + offsets[level], r->T + 1, &left);
  p.GetGUI()->OnMouseUp(r->L + offsets[level], r->T + 1, &left);
}

TEST(ParamReactions, StepEditIsAnnouncedAndPublishedAtTheNextBlock) {
  EditorPlug p;
  OpenDefault(p);
  p.RunConstant(0.0, 1);
  p.mEvents.clear();

  EditStep(p, 70, 3); // volume of step 7
  EXPECT_STREQ(p.StatusText(), "Step 7 volume: 75%");
  EXPECT_EQ(p.Value(kStepEdited), 0.0);
  EXPECT_EQ(p.mAppliedValues[kStepEdited], 0);
  EXPECT_TRUE(p.mPackPending);
  // One gesture: the edit, then the reaction's return to 0.
  ASSERT_EQ(p.mEvents.size(), 4u);
  const Event::Kind kinds[4] = {Event::kBegin, Event::kSet, Event::kSet, Event::kEnd};
  const double values[4] = {0.0, 1.0, 0.0, 0.0};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(p.mEvents[i].mKind, kinds[i]) << i;
    EXPECT_EQ(p.mEvents[i].mParamIdx, kStepEdited) << i;
    if (kinds[i] == Event::kSet) {
      EXPECT_EQ(p.mEvents[i].mValue, values[i]) << i;
    }
  }

  EditStep(p, 4, 1); // a second edit before the block: one publication
  EXPECT_STREQ(p.StatusText(), "Step 5 time: 25%");

  p.mEvents.clear();
  p.RunConstant(0.0, 1);
  EXPECT_FALSE(p.mPackPending);
  // Begin, the word's value as the host then reads it, end: for each of the thirteen words.
  ASSERT_EQ(p.mEvents.size(), 3u * kNumStepWords);
  for (int w = 0; w < kNumStepWords; ++w) {
    EXPECT_EQ(p.mEvents[3 * w].mKind, Event::kBegin);
    EXPECT_EQ(p.mEvents[3 * w].mParamIdx, kStepWord0 + w);
    EXPECT_EQ(p.mEvents[3 * w + 1].mKind, Event::kSet);
    EXPECT_EQ(p.mEvents[3 * w + 1].mParamIdx, kStepWord0 + w);
    EXPECT_EQ(p.mEvents[3 * w + 1].mValue, p.GetParam(kStepWord0 + w)->GetNormalized());
    EXPECT_EQ(p.mEvents[3 * w + 2].mKind, Event::kEnd);
    EXPECT_EQ(p.mEvents[3 * w + 2].mParamIdx, kStepWord0 + w);
  }
  EXPECT_EQ(p.Value(kStepWord0 + 7), 7812499); // 3444444444 in base 5
  EXPECT_EQ(p.Value(kStepWord0), 4879687);     // 2222122222
  EXPECT_EQ(p.mAppliedValues[kStepWord0 + 7], 7812499);
  p.mEvents.clear();
  p.RunConstant(0.0, 1);
  EXPECT_TRUE(p.mEvents.empty());

  // Putting back the state from before the edit (undo) restores the pattern.
  p.Set(kStepWord0 + 7, 9765624);
  EXPECT_EQ(p.Steps()[70], 4);
  p.Set(kStepWord0, 4882812);
  EXPECT_EQ(p.Steps()[4], 2);
}

TEST(ParamReactions, ShiftsMoveTheCurrentCycleOneQuarter) {
  TestCorvanel p;
  OpenDefault(p);
  p.Set(kCycle, 4);
  uint16_t steps[kNumStepEntries];
  for (int e = 0; e < kNumStepEntries; ++e)
    steps[e] = p.Steps()[e];
  ASSERT_TRUE(StepsFromDigits("4302", "4411", steps));
  p.SetPattern(steps);

  struct Case {
    int param;
    double value;
    const char* times;   // steps 1-5 after the change
    const char* volumes; // steps 1-5 after the change
    const char* status;
  };
  const Case cases[] = {
      {kShiftTime, 3, "44132", "44114", "Steps time: +25%"},
      {kShiftTime, 3, "44132", "44114", "Steps time: +25%"}, // no change: no shift
      {kShiftTime, 0, "44132", "44114", "Steps time: +25%"},
      {kShiftTime, -1, "33022", "44114", "Steps time: -25%"},
      {kShiftTime, -5, "22012", "44114", "Steps time: -25%"}, // another non-zero value
      {kShiftVolume, 2, "22012", "44224", "Steps volume: +25%"},
      {kShiftVolume, -2, "22012", "33114", "Steps volume: -25%"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    p.Set(c.param, c.value);
    std::string times, volumes;
    for (int s = 0; s < 5; ++s) {
      times += (char)('0' + p.Steps()[s]);
      volumes += (char)('0' + p.Steps()[64 + s]);
    }
    EXPECT_EQ(times, c.times);
    EXPECT_EQ(volumes, c.volumes);
    EXPECT_STREQ(p.StatusText(), c.status);
  }
  for (int s = 4; s < kNumSteps; ++s) {
    EXPECT_EQ(p.Steps()[s], 2);
    EXPECT_EQ(p.Steps()[64 + s], 4);
  }
  EXPECT_TRUE(p.mPackPending);
}

TEST(ParamReactions, StatusMessagesClearNineSecondsLater) {
  TestCorvanel p;
  OpenDefault(p);
  // The initial application shows Gate, then Tie Lock (applied after it).
  EXPECT_STREQ(p.StatusText(), "Tie steps locked");
  p.Set(kTieLock, 0);
  EXPECT_STREQ(p.StatusText(), "Tie steps unlocked");

  const uint32_t nine = (uint32_t)(9 * CLOCKS_PER_SEC);
  const uint32_t starts[] = {5000u, 0xFFFFFFFFu - 1000u}; // the second wraps around
  for (uint32_t start : starts) {
    SCOPED_TRACE(start);
    p.mTestClock = start;
    p.RunConstant(0.0, 1);
    p.Set(kGate, p.Value(kGate) == 80 ? 81 : 80);
    EXPECT_EQ(std::string(p.StatusText()).rfind("Gate v.steps: 8", 0), 0u);
    p.mTestClock = start + nine / 2;
    p.RunConstant(0.0, 1);
    p.mTestClock = start + nine;
    p.RunConstant(0.0, 1);
    EXPECT_NE(p.StatusText()[0], 0);
    p.mTestClock = start + nine + 1;
    p.RunConstant(0.0, 1);
    EXPECT_STREQ(p.StatusText(), "");
    EXPECT_EQ(p.mStatusClearAt, 0u);
  }
  p.Set(kGate, 80);
  EXPECT_STREQ(p.StatusText(), "Gate v.steps: 80%");
}

TEST(ParamReactions, BlocksWaitUntilEverySavedParameterWasApplied) {
  TestCorvanel p;
  p.SetSampleRate(44100.0);
  p.SetInputChannelConnections(0, 2, true);
  p.SetOutputChannelConnections(0, 2, true);
  double inL[4] = {1, 1, 1, 1}, inR[4] = {1, 1, 1, 1};
  double outL[4] = {7, 7, 7, 7}, outR[4] = {7, 7, 7, 7};
  for (int i = 0; i < kNumParams; ++i) {
    if (i == kStepWord12) continue;
    p.ParamChanged(i);
  }
  EXPECT_FALSE(p.IsReadyToProcess());
  p.Run(inL, inR, outL, outR, 4);
  EXPECT_EQ(outL[0], 7.0); // not processed
  p.ParamChanged(kStepWord12);
  EXPECT_TRUE(p.IsReadyToProcess());
  p.Run(inL, inR, outL, outR, 4);
  EXPECT_NE(outL[0], 7.0);
}

// ---- The reactions go through the editor's controls -----------------------------------------

// A control that draws nothing and counts the values the user (or the plug-in, acting
// for the user) gives it; the base pushes them on to the plug-in.
class CountingControl : public IControl {
public:
  CountingControl(IPlugBase* plug, int paramIdx) : IControl(plug, IRECT(), paramIdx) {}
  bool Draw(IGraphics*) override { return true; }
  void SetValueFromUserInput(double v) override {
    ++mUserInputs;
    IControl::SetValueFromUserInput(v);
  }
  int mUserInputs = 0;
};

TEST(ParamReactions, TheReactionsGoThroughTheEditorsControls) {
  EditorPlug p;
  OpenDefault(p);
  EXPECT_EQ(p.mStepBars[0]->GetValue(), 0.5); // unpacked words reach the bars
  EXPECT_EQ(p.mStepBars[64]->GetValue(), 1.0);
  EXPECT_EQ(p.Status(), "Tie steps locked");

  // A shift reads the bars' values (here one moved off its level, as a wheel nudge
  // leaves it) and writes the entries back from them.
  p.mStepBars[1]->mValue = 0.75;
  p.Set(kShiftTime, 1);
  EXPECT_EQ(p.mStepBars[1]->GetValue(), 1.0);
  EXPECT_EQ(p.Steps()[1], 4);
  EXPECT_EQ(p.Steps()[0], 3);
  EXPECT_EQ(p.Status(), "Steps time: +25%");

  EditStep(p, 65, 0);
  EXPECT_EQ(p.Status(), "Step 2 volume: 0%");
  EXPECT_EQ(p.Value(kStepEdited), 0.0);
  EXPECT_EQ(p.mAppliedValues[kStepEdited], 0);

  // Published words reach the controls bound to them as user input.
  CountingControl* words[kNumStepWords];
  for (int w = 0; w < kNumStepWords; ++w) {
    words[w] = new CountingControl(&p, kStepWord0 + w);
    p.GetGUI()->AttachControl(words[w]);
  }
  p.RunConstant(0.0, 1);
  for (int w = 0; w < kNumStepWords; ++w)
    EXPECT_EQ(words[w]->mUserInputs, 1) << w;

  p.mTestClock += (uint32_t)(10 * CLOCKS_PER_SEC);
  p.RunConstant(0.0, 1);
  EXPECT_EQ(p.Status(), "");
}

} // namespace
