// Corvanel's factory presets as a host lists and loads them, and what the engine holds
// after a load.
#include "Corvanel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Corvanel with the engine fields a preset load sets made visible.
class ProbedCorvanel : public CLS_CORVANEL {
public:
  ProbedCorvanel() : CLS_CORVANEL(IPlugInstanceInfo()) {}
  int Cycle() const { return mCycle; }
  int AttackPct() const { return mAttackPct; }
  int ReleasePct() const { return mReleasePct; }
  int FadePct() const { return mFadePct; }
  int Target() const { return mTarget; }
  float GateScale() const { return mGateScale; }
  bool TieLock() const { return mTieLock; }
  int PresetChunkSize(int idx) const { return mPresets.Get(idx)->mChunk.Size(); }
  int CurrentPreset() const { return mCurrentPresetIdx; }
};

const char* const kFactoryNames[] = {"Mini Gate",
                                     "3 Long Gates",
                                     "Ascending Volume",
                                     "Ascending Volume 2",
                                     "Ascending Volume 3",
                                     "Ascending Volume 4",
                                     "Linear Medium Gate",
                                     "Linear Short Gate",
                                     "Low to High",
                                     "House",
                                     "House 2",
                                     "Trance",
                                     "Trance 2",
                                     "Trance 3",
                                     "Trance 4",
                                     "Trance 5",
                                     "Trance 6",
                                     "Trance 7",
                                     "Trance 8",
                                     "Trance 9",
                                     "Trance 10",
                                     "Groove Gate",
                                     "Groove Gate 2",
                                     "Groove Gate 3"};

std::vector<int> Entries(const CLS_CORVANEL& plug, int first, int count) {
  return std::vector<int>(plug.Steps() + first, plug.Steps() + first + count);
}

// Digits "3020 2222" as values, spaces skipped.
std::vector<int> Digits(const char* text) {
  std::vector<int> v;
  for (; *text; ++text)
    if (*text != ' ') v.push_back(*text - '0');
  return v;
}

TEST(FactoryPresets, HostSeesFiftyNames) {
  ProbedCorvanel plug;
  ASSERT_EQ(plug.NPresets(), 50);
  EXPECT_STREQ(plug.GetPresetName(0), "---- default ----");
  for (int i = 0; i < 24; ++i)
    EXPECT_STREQ(plug.GetPresetName(i + 1), kFactoryNames[i]);
  for (int i = 25; i < 50; ++i)
    EXPECT_EQ(std::string(plug.GetPresetName(i)), "- " + std::to_string(i + 1) + " -");
  // The default slot holds no values; every pattern holds one per parameter.
  EXPECT_EQ(plug.PresetChunkSize(0), 0);
  for (int i = 1; i <= 24; ++i)
    EXPECT_EQ(plug.PresetChunkSize(i), 26 * 8) << i;
}

TEST(FactoryPresets, StepWordsOfSomePatterns) {
  const struct {
    const char* name;
    int param;
    int word;
  } cases[] = {
      {"Mini Gate", 10, 6023437},        {"Mini Gate", 11, 4882812},
      {"Mini Gate", 12, 4882812},        {"Mini Gate", 13, 4882812},
      {"Mini Gate", 14, 4882812},        {"Mini Gate", 15, 4882812},
      {"3 Long Gates", 10, 5570356},     {"3 Long Gates", 11, 4910312},
      {"Ascending Volume", 16, 4879874}, {"Groove Gate", 16, 4888109},
      {"Groove Gate", 17, 2343749},      {"Groove Gate 3", 10, 8447234},
      {"Groove Gate 3", 11, 1997812},    {"Groove Gate 3", 16, 4881239},
      {"Groove Gate 3", 17, 9530874},
  };
  for (const auto& c : cases) {
    ProbedCorvanel plug;
    ASSERT_TRUE(plug.LoadPresetByName(c.name)) << c.name;
    EXPECT_EQ(plug.GetParam(c.param)->mValue, c.word) << c.name << ", parameter " << c.param;
  }
}

TEST(FactoryPresets, ValuesCommonToEveryPattern) {
  ProbedCorvanel plug;
  for (int p = 1; p <= 24; ++p) {
    ASSERT_TRUE(plug.LoadPreset(p)) << p;
    SCOPED_TRACE(plug.GetPresetName(p));
    EXPECT_EQ(plug.GetParam(kRate)->mValue, 9);
    EXPECT_EQ(plug.GetParam(kTieLock)->mValue, 1);
    EXPECT_EQ(plug.GetParam(kSplitFreq)->mValue, 1000);
    EXPECT_EQ(plug.GetParam(kMix)->mValue, 100);
    for (int w = 12; w <= 15; ++w)
      EXPECT_EQ(plug.GetParam(w)->mValue, 4882812);
    for (int w = 18; w <= 21; ++w)
      EXPECT_EQ(plug.GetParam(w)->mValue, 9765624);
    EXPECT_EQ(plug.GetParam(22)->mValue, 390624);
    for (int i = kStepEdited; i < kNumParams; ++i)
      EXPECT_EQ(plug.GetParam(i)->mValue, 0);
    // Steps 17-64: time 2, volume 4.
    EXPECT_EQ(Entries(plug, 16, 48), std::vector<int>(48, 2));
    EXPECT_EQ(Entries(plug, 80, 48), std::vector<int>(48, 4));
    EXPECT_EQ(plug.CurrentPreset(), p);
  }
}

TEST(FactoryPresets, EngineHoldsTheLoadedPattern) {
  const struct {
    int slot;
    const char* name;
    int cycle, attack, gate, release, fade, target;
    const char* times;
    const char* volumes;
  } cases[] = {
      {1, "Mini Gate", 8, 5, 100, 30, 5, kTargetVolume, "3020 2222 2222 2222",
       "4444 4444 4444 4444"},
      {3, "Ascending Volume", 4, 200, 100, 0, 5, kTargetLowHigh, "2222 2222 2222 2222",
       "1234 4444 4444 4444"},
      {21, "Trance 10", 16, 4, 47, 5, 5, kTargetVolume, "4141 1411 4114 1141",
       "4444 4444 4444 4444"},
      {22, "Groove Gate", 8, 0, 100, 50, 40, kTargetLowHigh, "3014 1410 2222 2222",
       "4044 1410 4444 4444"},
      {24, "Groove Gate 3", 16, 5, 100, 50, 60, kTargetVolume, "4130 3024 1410 0241",
       "1444 2444 1444 1444"},
  };
  for (const auto& c : cases) {
    ProbedCorvanel plug;
    ASSERT_TRUE(plug.LoadPreset(c.slot));
    SCOPED_TRACE(c.name);
    EXPECT_STREQ(plug.GetPresetName(c.slot), c.name);
    EXPECT_EQ(plug.Cycle(), c.cycle);
    EXPECT_EQ(plug.AttackPct(), c.attack);
    EXPECT_FLOAT_EQ(plug.GateScale(), c.gate * 0.01f);
    EXPECT_EQ(plug.ReleasePct(), c.release);
    EXPECT_EQ(plug.FadePct(), c.fade);
    EXPECT_EQ(plug.Target(), c.target);
    EXPECT_TRUE(plug.TieLock());
    EXPECT_EQ(Entries(plug, 0, 16), Digits(c.times));
    EXPECT_EQ(Entries(plug, 64, 16), Digits(c.volumes));
  }
}

TEST(FactoryPresets, TheEmptyDefaultSlotLeavesTheSoundAlone) {
  ProbedCorvanel plug;
  ASSERT_TRUE(plug.LoadPresetByName("House"));
  const std::vector<int> steps = Entries(plug, 0, kNumStepEntries);
  // Selecting the default slot before anything was stored in it keeps "House" playing:
  // Rate stays "1/16" rather than dropping to "1/128".
  EXPECT_FALSE(plug.LoadPreset(0));
  EXPECT_EQ(plug.GetParam(kRate)->mValue, 9);
  EXPECT_EQ(plug.Cycle(), 16);
  EXPECT_EQ(Entries(plug, 0, kNumStepEntries), steps);
  EXPECT_EQ(plug.CurrentPreset(), 10);
}

TEST(FactoryPresets, TheDefaultSlotTakesTheSoundStoredBeforeTheFirstSwitch) {
  ProbedCorvanel plug;
  // A fresh instance's current preset is the default slot; a host stores it before it
  // switches programs.
  plug.StoreCurrentPreset();
  ASSERT_TRUE(plug.LoadPresetByName("House"));
  ASSERT_TRUE(plug.LoadPreset(0));
  EXPECT_EQ(plug.GetParam(kMix)->mValue, 80);
  EXPECT_EQ(plug.Cycle(), 16);
  EXPECT_EQ(Entries(plug, 0, 64), std::vector<int>(64, 2));
  EXPECT_STREQ(plug.GetPresetName(0), "---- default ----");
}

TEST(FactoryPresets, SwitchingPatternsUnpacksOnlyTheWordsThatDiffer) {
  ProbedCorvanel plug;
  ASSERT_TRUE(plug.LoadPresetByName("Mini Gate"));
  // A mark in a step that both patterns leave at its default: word 19 (entries 90-99)
  // is equal in both, so the load must not unpack it again.
  *plug.StepEntry(95) = 1;
  ASSERT_TRUE(plug.LoadPresetByName("Linear Medium Gate"));
  EXPECT_EQ(plug.GetParam(10)->mValue, 4882812);
  EXPECT_EQ(Entries(plug, 0, 8), std::vector<int>(8, 2));
  EXPECT_EQ(plug.Steps()[95], 1);
  EXPECT_EQ(plug.Cycle(), 4);
}

TEST(FactoryPresets, SavedStateCarriesTheLoadedPattern) {
  ProbedCorvanel source;
  ASSERT_TRUE(source.LoadPresetByName("Groove Gate 2"));
  ChunkBuffer state;
  ASSERT_TRUE(source.WriteState(&state));
  EXPECT_EQ(state.Size(), 184);

  ProbedCorvanel dest;
  EXPECT_EQ(dest.ReadState(&state, 0), 184);
  EXPECT_EQ(Entries(dest, 0, kNumStepEntries), Entries(source, 0, kNumStepEntries));
  EXPECT_EQ(dest.Cycle(), 16);
  EXPECT_EQ(dest.FadePct(), 100);
}

} // namespace
