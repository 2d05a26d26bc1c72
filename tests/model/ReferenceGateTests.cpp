// The reference gate against the gate's worked figures, so that a bit-exact agreement
// with the plug-in means agreement with the intended behaviour, not a shared mistake.
#include "ReferenceGate.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using RG = ReferenceGate;

// A step word from its base-5 digits, first entry first.
int Word(const char* digits) {
  int word = 0;
  for (const char* d = digits; *d; ++d)
    word = word * 5 + (*d - '0');
  return word;
}

// An opened reference at 44.1 kHz with a few parameters changed.
struct Opened {
  RG gate;
  explicit Opened(std::initializer_list<std::pair<int, int>> params = {}) {
    gate.ApplyAll();
    gate.SetSampleRate(44100.0);
    for (const auto& p : params)
      gate.SetParam(p.first, p.second);
  }
  // A block of constant input at the host position, which then moves on by the block
  // (a playing host); returns the left output.
  std::vector<double> Run(int frames, double tempo = 120.0, double input = 0.5) {
    std::vector<double> in(frames, input), outL(frames), outR(frames);
    gate.Process(in.data(), in.data(), outL.data(), outR.data(), frames, tempo, position, true);
    position += frames;
    return outL;
  }
  std::vector<double> RunAt(int32_t at, int frames) {
    position = at;
    return Run(frames);
  }
  int32_t position = 0;
};

TEST(ReferenceGate, StepLengthsAt120BpmAnd44100Hz) {
  const int expected[28] = {689,   919,    1034,   1378,   1838,   2067,   2756,
                            3675,  4134,   5513,   7350,   8269,   11025,  14700,
                            16538, 22050,  29400,  33075,  44100,  58800,  66150,
                            88200, 117600, 132300, 176400, 235200, 264600, 352800};
  for (int rate = 0; rate < 28; ++rate) {
    Opened o({{RG::kRate, rate}});
    o.Run(1);
    EXPECT_EQ(o.gate.StepLen(), expected[rate]) << "rate " << rate;
  }
}

TEST(ReferenceGate, DerivedValuesOfTheDefaults) {
  Opened o;
  o.Run(1);
  EXPECT_EQ(o.gate.StepLen(), 5513);
  EXPECT_NEAR(1.0 / o.gate.AttackInc(), 324.52, 0.01);
  EXPECT_NEAR(o.gate.AttackInc(), 0.0030815, 1e-7);
  EXPECT_NEAR(o.gate.ReleaseInc(), 0.00058945, 1e-8);
  EXPECT_EQ(o.gate.FadeLen(), 323);
  EXPECT_EQ(o.gate.GateLen(), 2757); // time 2: 2756.5 rounded up
  EXPECT_NEAR(o.gate.SplitCoef(), 0.867208, 1e-6);

  Opened zero({{RG::kAttack, 0}, {RG::kRelease, 200}});
  zero.Run(1);
  EXPECT_NEAR(1.0 / zero.gate.AttackInc(), 50.12, 0.01);
  EXPECT_NEAR(1.0 / zero.gate.ReleaseInc(), 11026, 1.0);
}

TEST(ReferenceGate, ResynchronisationPlacesTheGrid) {
  // A step of "1/16" is 5512.5 samples; each begins on the sample nearest its exact start
  // (a half to the later sample): step 3 at 16537.5, so on sample 16538.
  Opened o({{RG::kCycle, 2}});
  o.RunAt(16538 + 10, 0);
  EXPECT_EQ(o.gate.CurStep(), 1);
  EXPECT_EQ(o.gate.StepPos(), 10);

  // Before the song start the grid runs backwards from 0: -1 is the last sample of the
  // step before step 0 (which began at -5512.5, on sample -5512), and Cycle 3 makes that
  // step index 2.
  Opened pre({{RG::kCycle, 3}});
  pre.RunAt(-1, 0);
  EXPECT_EQ(pre.gate.CurStep(), 2);
  EXPECT_EQ(pre.gate.StepPos(), 5511);
  Opened far({{RG::kCycle, 3}});
  far.RunAt(-22059, 0); // step -5 began at -27562.5, on sample -27562
  EXPECT_EQ(far.gate.CurStep(), 1);
  EXPECT_EQ(far.gate.StepPos(), 5503);
}

TEST(ReferenceGate, PatternRepeatsOnTheBarAfterSixteenSteps) {
  // Sixteen steps of 5512.5 samples: steps of 5513 and 5512 alternate and the pattern
  // comes round on the bar line, 88200 samples on.
  Opened o({{RG::kStepWord0, 123456}, {RG::kStepWord0 + 7, 7654321}});
  const std::vector<double> out = o.Run(2 * 88200);
  int same = 0;
  for (int i = 0; i < 88200; ++i)
    same += out[i] == out[i + 88200];
  EXPECT_EQ(same, 88200);
}

TEST(ReferenceGate, ClosedGateLeavesTheDryShare) {
  // Every step time 0: the gate never opens.
  Opened o({{10, 0}, {11, 0}, {12, 0}, {13, 0}, {14, 0}, {15, 0}, {16, Word("0000444444")}});
  const std::vector<double> out = o.Run(20000);
  EXPECT_NEAR(out[0], 0.1, 1e-7);
  EXPECT_NEAR(out[19999], 0.1, 1e-7);

  Opened dry({{RG::kMix, 0}});
  for (double v : dry.Run(20000))
    ASSERT_EQ(v, 0.5);
}

TEST(ReferenceGate, TieLockKeepsFullStepsOpenUnderGate) {
  // Steps 1 and 2 with times 4 and 2 (word 10 = 4 2 2 ... 2), Gate 50 %.
  Opened o({{RG::kGate, 50}, {RG::kStepWord0, Word("4222222222")}});
  o.Run(5513 + 1); // the resynchronised step 1, then the first sample of step 2
  EXPECT_EQ(o.gate.CurStep(), 1);
  EXPECT_EQ(o.gate.GateLen(), 1378); // 2/4 x 50 % of 5513
  o.Run(88200 + 1 - 5514);           // round the cycle to step 1, entered by a boundary
  EXPECT_EQ(o.gate.CurStep(), 0);
  EXPECT_EQ(o.gate.GateLen(), 2147483647); // open until the next step begins

  Opened off({{RG::kGate, 50}, {RG::kTieLock, 0}, {RG::kStepWord0, Word("4222222222")}});
  off.Run(88200 + 1);
  EXPECT_EQ(off.gate.CurStep(), 0);
  EXPECT_EQ(off.gate.GateLen(), 2757); // 4/4 x 50 %, 2756.5 rounded up
}

TEST(ReferenceGate, StepWordsAndShifts) {
  Opened o({{RG::kStepWord0, 1}});
  for (int e = 0; e < 9; ++e)
    EXPECT_EQ(o.gate.Step(e), 0);
  EXPECT_EQ(o.gate.Step(9), 1);
  o.gate.SetParam(RG::kStepWord12, 390624);
  for (int e = 120; e < 128; ++e)
    EXPECT_EQ(o.gate.Step(e), 4);

  // Cycle 4, times 4 3 0 2: a shift of +3 moves each by one quarter only.
  Opened s({{RG::kCycle, 4}, {RG::kStepWord0, Word("4302222222")}});
  ASSERT_EQ(s.gate.Step(3), 2);
  s.gate.SetParam(RG::kShiftTime, 3);
  const int expected[5] = {4, 4, 1, 3, 2};
  for (int e = 0; e < 5; ++e)
    EXPECT_EQ(s.gate.Step(e), expected[e]) << e;
  // The publication at the next block counts as applied: the published word changes
  // nothing, the word from before the shift restores the steps.
  s.Run(1);
  const int published = s.gate.ParamValue(RG::kStepWord0);
  s.gate.SetParam(RG::kStepWord0, published);
  EXPECT_EQ(s.gate.Step(2), 1);
  s.gate.SetParam(RG::kStepWord0, Word("4302222222"));
  EXPECT_EQ(s.gate.Step(2), 0);
}

TEST(ReferenceGate, TinyStepsWithoutGlideLengthSetTheVolumeAtOnce) {
  // 41-sample steps at 999 BPM and 22050 Hz with Fade 0: no glide length, the next
  // step's volume applies from its first sample.
  RG gate;
  gate.ApplyAll();
  gate.SetSampleRate(22050.0);
  gate.SetParam(RG::kRate, 0);
  gate.SetParam(RG::kFade, 0);
  gate.SetParam(RG::kTieLock, 1);
  gate.SetParam(RG::kStepWord0, Word("4444444444"));     // times of steps 1-10
  gate.SetParam(RG::kStepWord0 + 6, Word("4444424213")); // volumes of steps 1-6
  std::vector<double> in(200, 1.0), outL(200), outR(200);
  gate.Process(in.data(), in.data(), outL.data(), outR.data(), 200, 999.0, 0, true);
  EXPECT_EQ(gate.StepLen(), 41);
  EXPECT_EQ(gate.FadeLen(), 0);
  EXPECT_EQ(gate.CurStep(), 4);
  EXPECT_EQ(gate.Volume(), 0.25);
  // The first sample of step 2 already has its volume of 50 % at a fully open gate.
  EXPECT_EQ(outL[41], (double)gate.Dry() + (double)gate.Wet() * 0.5);
}

} // namespace
