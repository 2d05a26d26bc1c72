// The step grid: step lengths, the wrap at Cycle, and resynchronisation to the host.
#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

namespace {

TEST(GateGrid, RatesGiveTheirStepLengthsAt120Bpm) {
  struct Row {
    int num, den, len;
  };
  // Bars per step as a fraction, and the step length at 44.1 kHz and 120 BPM.
  const Row rows[kNumRates] = {
      {1, 128, 689},  {1, 96, 919},   {3, 256, 1034}, {1, 64, 1378}, {1, 48, 1838},  {3, 128, 2067},
      {1, 32, 2756},  {1, 24, 3675},  {3, 64, 4134},  {1, 16, 5513}, {1, 12, 7350},  {3, 32, 8269},
      {1, 8, 11025},  {1, 6, 14700},  {3, 16, 16538}, {1, 4, 22050}, {1, 3, 29400},  {3, 8, 33075},
      {1, 2, 44100},  {2, 3, 58800},  {3, 4, 66150},  {1, 1, 88200}, {4, 3, 117600}, {3, 2, 132300},
      {2, 1, 176400}, {8, 3, 235200}, {3, 1, 264600}, {4, 1, 352800}};
  TestCorvanel p;
  OpenDefault(p);
  p.RunConstant(0.0, 1);
  for (int rate = 0; rate < kNumRates; ++rate) {
    SCOPED_TRACE(rate);
    EXPECT_EQ(CLS_CORVANEL::RateToBars(rate), (float)((double)rows[rate].num / rows[rate].den));
    p.Set(kRate, rate);
    EXPECT_EQ(p.mStepLen, rows[rate].len);
    EXPECT_TRUE(p.mResync);
  }
}

// At 48 kHz and 120 BPM every Rate is a whole number of samples: "1/16" is 6000.
constexpr int kL = 6000;

void Open48k(TestCorvanel& p) { OpenDefault(p, 4096, 48000.0); }

TEST(GateGrid, SixteenthsAt441kHzAlternate5513And5512SamplesAndWrapAtTheBar) {
  // "1/16" at 44.1 kHz and 120 BPM is 5512.5 samples: step k begins on the sample
  // nearest k * 5512.5 (a half goes to the later sample), so steps of 5513 and 5512
  // alternate and Cycle 16 comes round on the bar line, 88200 samples on.
  TestCorvanel p;
  OpenDefault(p);
  ASSERT_EQ(p.mStepLen, 5513);
  p.RunConstant(1.0, 5513);
  EXPECT_EQ(p.CurrentStep(), 0); // the boundary comes on the next frame
  p.RunConstant(1.0, 1);
  EXPECT_EQ(p.CurrentStep(), 1);
  EXPECT_EQ(p.mStepPos, 1);
  p.RunConstant(1.0, 11025 - 5514); // step 2 begins at 11025: 5512 samples for step 1
  EXPECT_EQ(p.CurrentStep(), 1);
  p.RunConstant(1.0, 1);
  EXPECT_EQ(p.CurrentStep(), 2);
  p.RunConstant(1.0, 88200 - 11026); // the last frame of the bar
  EXPECT_EQ(p.CurrentStep(), 15);
  p.RunConstant(1.0, 1);
  EXPECT_EQ(p.CurrentStep(), 0);
  EXPECT_EQ(p.mStepPos, 1);
}

TEST(GateGrid, WholeStepsLastExactlyTheStepLengthAndWrapAtCycle) {
  TestCorvanel p;
  Open48k(p);
  ASSERT_EQ(p.mStepLen, kL);
  p.RunConstant(1.0, kL);
  EXPECT_EQ(p.CurrentStep(), 0);
  p.RunConstant(1.0, 1);
  EXPECT_EQ(p.CurrentStep(), 1);
  EXPECT_EQ(p.mStepPos, 1);
  p.RunConstant(1.0, 15 * kL);
  EXPECT_EQ(p.CurrentStep(), 0);
  EXPECT_EQ(p.mStepPos, 1);
}

TEST(GateGrid, ResyncTakesStepAndOffsetFromHostPosition) {
  TestCorvanel p;
  Open48k(p);
  p.Set(kCycle, 2);
  p.mTestPosition = 3 * kL + 10;
  p.RunConstant(0.0, 0);
  EXPECT_EQ(p.CurrentStep(), 1);
  EXPECT_EQ(p.mStepPos, 10);
  EXPECT_FALSE(p.mResync);
}

TEST(GateGrid, ResyncPlacesAFractionalGridOnTheNearestSamples) {
  // 5512.5 samples a step: step 3 begins exactly at 16537.5, so on sample 16538.
  struct Case {
    int32_t pos;
    int step, offset;
  };
  const Case cases[] = {
      {16537, 2, 5512}, {16538, 3, 0}, {16548, 3, 10}, {22049, 3, 5511}, {22050, 4, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pos);
    TestCorvanel p;
    OpenDefault(p);
    p.mTestPosition = c.pos;
    p.RunConstant(0.0, 0);
    EXPECT_EQ(p.CurrentStep(), c.step);
    EXPECT_EQ(p.mStepPos, c.offset);
  }
}

TEST(GateGrid, ResyncOnTransportStartRateCycleClockGapAndHostMoves) {
  TestCorvanel p;
  Open48k(p);
  p.RunConstant(0.0, 100);
  // The sample position is an exact count: one sample off is a move, either way.
  p.mTestPosition += 1;
  p.RunConstant(0.0, 10);
  EXPECT_EQ(p.CurrentStep(), 0);
  EXPECT_EQ(p.mStepPos, 111);
  p.mTestPosition -= 1;
  p.RunConstant(0.0, 10);
  EXPECT_EQ(p.mStepPos, 120);
  // So is a jump of steps (a loop, a locate): the grid follows the host.
  p.mTestPosition = 7 * kL + 3;
  p.RunConstant(0.0, 0);
  EXPECT_EQ(p.CurrentStep(), 7);
  EXPECT_EQ(p.mStepPos, 3);

  // Stopped, the grid keeps counting whatever the host says; starting the transport
  // follows the host.
  p.mTestTransport = 0;
  p.RunConstant(0.0, 10);
  p.mTestPosition = 12345;
  p.RunConstant(0.0, 10);
  EXPECT_EQ(p.CurrentStep(), 7);
  EXPECT_EQ(p.mStepPos, 23);
  p.mTestPosition = 2 * kL + 5;
  p.mTestTransport = 1;
  p.RunConstant(0.0, 0);
  EXPECT_EQ(p.CurrentStep(), 2);
  EXPECT_EQ(p.mStepPos, 5);

  struct Case {
    const char* what;
    int cycle, rate;
    uint32_t clockStep;
  };
  const uint32_t half = (uint32_t)(CLOCKS_PER_SEC / 2);
  const Case cases[] = {{"cycle", 4, 9, 0}, {"rate", 4, 12, 0}, {"clock gap", 4, 12, half + 1}};
  const double samplesPerBeat = 48000.0 * 60.0 / p.mTestTempo;
  p.mTestBeatsValid = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The host's musical position is 3 samples ahead of the grid (its rounding), which
    // alone moves nothing: the grid takes it only from a resynchronisation.
    p.RunConstant(0.0, 1000);
    p.mTestBeats = (p.mTestPosition + 3) / samplesPerBeat;
    p.Set(kCycle, c.cycle);
    p.Set(kRate, c.rate);
    p.mTestClock += c.clockStep;
    p.RunConstant(0.0, 0);
    const int32_t pos = p.mTestPosition + 3;
    EXPECT_EQ(p.CurrentStep(), (pos / p.mStepLen) % c.cycle);
    EXPECT_EQ(p.mStepPos, pos % p.mStepLen);
  }
  // Exactly half a second is no gap.
  const int32_t before = p.mStepPos;
  p.mTestBeats = (p.mTestPosition + 6) / samplesPerBeat;
  p.mTestClock += half;
  p.RunConstant(0.0, 0);
  EXPECT_EQ(p.mStepPos, before);
}

TEST(GateGrid, LargePositionsUseTheExactStepNumber) {
  // 17999999 / 6000 is 2999.99998: a single-precision quotient would round up to step 3000
  // while the offset in the step is 5999, the last sample of step 2999.
  TestCorvanel p;
  Open48k(p);
  p.mTestPosition = 17999999;
  p.RunConstant(0.0, 0);
  EXPECT_EQ(p.CurrentStep(), 2999 % 16);
  EXPECT_EQ(p.mStepPos, 5999);
  p.mTestPosition = 2147483647; // the last position a host can report
  p.mTestClock += CLOCKS_PER_SEC;
  p.RunConstant(0.0, 0);
  EXPECT_EQ(p.CurrentStep(), (2147483647 / kL) % 16);
  EXPECT_EQ(p.mStepPos, 2147483647 % kL);
}

TEST(GateGrid, PreRollContinuesTheGridBackwards) {
  TestCorvanel p;
  Open48k(p);
  p.Set(kCycle, 4);
  struct Case {
    int32_t pos;
    int step, offset;
  };
  const Case cases[] = {{-1, 3, kL - 1},          {-kL, 3, 0}, {-kL - 1, 2, kL - 1},
                        {-4 * kL - 3, 3, kL - 3}, {0, 0, 0},   {kL, 1, 0},
                        {-2147483647 - 1, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pos);
    p.mTestPosition = c.pos;
    p.mTestTransport = 0;
    p.RunConstant(0.0, 0);
    p.mTestTransport = 1;
    p.RunConstant(0.0, 0);
    if (c.pos == -2147483647 - 1) {
      // floor(-2^31 / 6000) = -357914, remainder 352: step 2 of 4 (-357914 mod 4).
      EXPECT_EQ(p.CurrentStep(), 2);
      EXPECT_EQ(p.mStepPos, 352);
      continue;
    }
    EXPECT_EQ(p.CurrentStep(), c.step);
    EXPECT_EQ(p.mStepPos, c.offset);
  }
  // Running out of the pre-roll reaches position 100 in step 1, offset 100: no seam.
  p.mTestTransport = 0;
  p.RunConstant(0.0, 0);
  p.mTestPosition = -3 * kL;
  p.mTestTransport = 1;
  p.RunConstant(0.0, 3 * kL + 100, 1000);
  EXPECT_EQ(p.mTestPosition, 100);
  EXPECT_EQ(p.CurrentStep(), 0);
  EXPECT_EQ(p.mStepPos, 100);
}

TEST(GateGrid, WithoutTempoRunsAt120BpmUntilATempoArrives) {
  TestCorvanel p;
  p.mTestTempo = 0.0;
  p.mTestClock = 1000;
  p.OpenLikeHost(44100.0, 4096);
  EXPECT_EQ(p.mStepLen, 5513);
  std::vector<double> out = p.RunConstant(1.0, 6000);
  for (double x : out)
    ASSERT_TRUE(std::isfinite(x));
  EXPECT_EQ(p.CurrentStep(), 1);

  // Rate and sample rate still count while no tempo has come.
  p.Set(kRate, 12); // "1/8"
  EXPECT_EQ(p.mStepLen, 11025);
  p.SetSampleRate(48000.0);
  p.Reset();
  EXPECT_EQ(p.mStepLen, 12000);

  // A tempo takes over, and stays the last known one when the host stops sending it.
  p.mTestTempo = 60.0;
  p.RunConstant(1.0, 1);
  EXPECT_EQ(p.mStepLen, 24000);
  p.mTestTempo = 0.0;
  p.RunConstant(1.0, 1);
  EXPECT_EQ(p.mStepLen, 24000);
  p.Set(kRate, 9);
  EXPECT_EQ(p.mStepLen, 24000);
}

TEST(GateGrid, AbsurdTempiKeepAPositiveStepLength) {
  TestCorvanel p;
  OpenDefault(p);
  p.mTestTempo = 1e12;
  std::vector<double> out = p.RunConstant(1.0, 64);
  EXPECT_EQ(p.mStepLen, 1);
  p.mTestTempo = 1e-9;
  out = p.RunConstant(1.0, 64);
  EXPECT_GT(p.mStepLen, 1 << 20);
  for (double x : out)
    ASSERT_TRUE(std::isfinite(x));
}

} // namespace
