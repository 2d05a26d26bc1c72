// The factory presets: a default slot, then 24 patterns. Each pattern gives the times
// and volumes of steps 1-16 as digit strings (one digit 0-4 per step); steps 17-64 keep
// time 2 and volume 4. The step words are packed from these digits, so the table stays
// readable and the words cannot drift from it.
#include "Corvanel.h"
#include "StepWords.h"

namespace {
struct FactoryPattern {
  const char* mName;
  int mCycle, mAttack, mGate, mRelease, mFade, mTarget;
  const char* mTimes;
  const char* mVolumes;
};

// Shared by every pattern.
constexpr int kPresetRate = 9; // "1/16"
constexpr int kPresetTieLock = 1;
constexpr int kPresetSplitFreq = 1000;
constexpr int kPresetMix = 100;
constexpr uint16_t kPresetStepTime = 2;
constexpr uint16_t kPresetStepVolume = 4;

constexpr int V = kTargetVolume;
constexpr int LH = kTargetLowHigh;

// clang-format off
const FactoryPattern kFactoryPatterns[] = {
  // name                  cycle attack gate release fade target  times 1-16             volumes 1-16
  {"Mini Gate",              8,    5,   100,  30,     5,  V,  "3020 2222 2222 2222", "4444 4444 4444 4444"},
  {"3 Long Gates",          16,    5,   100,  30,     5,  V,  "2411 2224 1122 2411", "4444 4444 4444 4444"},
  {"Ascending Volume",       4,  200,   100,   0,     5,  LH, "2222 2222 2222 2222", "1234 4444 4444 4444"},
  {"Ascending Volume 2",     4,  200,   100,  10,    10,  V,  "4444 2222 2222 2222", "1234 4444 4444 4444"},
  {"Ascending Volume 3",     8,  200,   100,  10,    10,  V,  "4444 2222 2222 2222", "1234 4444 4444 4444"},
  {"Ascending Volume 4",    16,    5,   100,  30,     0,  V,  "2222 2222 2222 2222", "1234 4444 4123 4444"},
  {"Linear Medium Gate",     4,    5,   100,  30,     5,  V,  "2222 2222 2222 2222", "4444 4444 4444 4444"},
  {"Linear Short Gate",      4,    5,   100,  30,     5,  V,  "1111 1111 1111 1111", "4444 4444 4444 4444"},
  {"Low to High",            4,    5,   100,  50,     5,  LH, "1111 2222 2222 2222", "4444 4444 4444 4444"},
  {"House",                 16,    5,   100,  30,     5,  V,  "3003 0030 0300 3030", "4444 4444 4444 4444"},
  {"House 2",                8,    5,   100,  40,     5,  V,  "3003 0030 2222 2222", "4444 4444 4444 4444"},
  {"Trance",                 8,    0,   100,  10,     5,  LH, "2242 2232 2222 2222", "4444 4444 4444 4444"},
  {"Trance 2",               4,    0,   100,  10,     5,  LH, "2242 2232 2222 2222", "4444 4444 4444 4444"},
  {"Trance 3",              16,    1,   100,  10,     5,  V,  "2242 2242 2242 2423", "4444 4444 4444 4444"},
  {"Trance 4",               8,    1,   100,   5,     5,  V,  "2242 2242 2222 2222", "4444 4444 4444 4444"},
  {"Trance 5",              16,    0,   100,  40,     5,  LH, "2220 2022 2020 2220", "4444 4444 4444 4444"},
  {"Trance 6",              16,    0,   100,  30,     5,  V,  "2242 2242 2242 2242", "4444 4444 4444 4444"},
  {"Trance 7",              16,    0,   100,  10,     5,  V,  "4242 2422 4224 2242", "4444 4444 4444 4444"},
  {"Trance 8",              16,    0,   100,   0,     5,  V,  "4141 1411 4114 1141", "4444 4444 4444 4444"},
  {"Trance 9",              16,    0,   100,  30,     5,  V,  "1141 1141 1141 1141", "4444 4444 4444 4444"},
  {"Trance 10",             16,    4,    47,   5,     5,  V,  "4141 1411 4114 1141", "4444 4444 4444 4444"},
  {"Groove Gate",            8,    0,   100,  50,    40,  LH, "3014 1410 2222 2222", "4044 1410 4444 4444"},
  {"Groove Gate 2",         16,    0,   100,  30,   100,  V,  "3014 1410 3114 1410", "2444 2444 2444 2444"},
  {"Groove Gate 3",         16,    5,   100,  50,    60,  V,  "4130 3024 1410 0241", "1444 2444 1444 1444"},
};
// clang-format on
} // namespace

void CLS_CORVANEL::DefineFactoryPresets() {
  AddDefaultPresets("---- default ----", 1);

  for (const FactoryPattern& p : kFactoryPatterns) {
    uint16_t steps[kNumStepEntries];
    for (int e = 0; e < kNumStepEntries; ++e)
      steps[e] = e < kNumSteps ? kPresetStepTime : kPresetStepVolume;
    StepsFromDigits(p.mTimes, p.mVolumes, steps);
    int w[kNumStepWords];
    for (int i = 0; i < kNumStepWords; ++i)
      w[i] = PackStepWord(steps, i);

    // Every parameter is of an integer kind, so every value travels as an int.
    AddPreset(p.mName, kPresetRate, p.mCycle, p.mAttack, p.mGate, kPresetTieLock, p.mRelease,
              p.mFade, kPresetSplitFreq, p.mTarget, kPresetMix, w[0], w[1], w[2], w[3], w[4], w[5],
              w[6], w[7], w[8], w[9], w[10], w[11], w[12], 0, 0, 0);
  }
}
