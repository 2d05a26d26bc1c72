// The gate envelope, the tie rule, the volume glide and the four targets.
#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace {

constexpr int kL = 5513; // "1/16" at 44.1 kHz and 120 BPM: 5512.5 samples, rounded
// The grid puts the steps on the samples nearest the exact 5512.5: the second step
// begins at 5513, the third at 11025.
constexpr int kThirdStep = 11025;

// An instance at the defaults with Mix 100 %, so the output is the gain itself.
void OpenWet(TestCorvanel& p) {
  OpenDefault(p);
  p.Set(kMix, 100);
}

void SetSteps(TestCorvanel& p, const char* times, const char* volumes) {
  uint16_t steps[kNumStepEntries];
  std::memcpy(steps, p.Steps(), sizeof(steps));
  ASSERT_TRUE(StepsFromDigits(times, volumes, steps));
  p.SetPattern(steps);
}

TEST(GateEnvelope, DerivedValuesAtTheDefaults) {
  TestCorvanel p;
  OpenDefault(p);
  EXPECT_EQ(p.mStepLen, kL);
  EXPECT_NEAR(1.0 / p.mAttackInc, 324.52, 0.01);
  EXPECT_NEAR(p.mAttackInc, 0.0030815, 1e-7);
  EXPECT_NEAR(p.mReleaseInc, 0.00058945, 1e-8);
  EXPECT_EQ(p.mFadeLen, 323);
  EXPECT_EQ(p.mWet, 80 * 0.01f);
  EXPECT_EQ(p.mDry, 1.0f - p.mWet);
  EXPECT_NEAR(p.mDry, 0.2f, 1e-7);
  p.RunConstant(0.0, 1); // the first block brings the sample rate to the crossover
  EXPECT_NEAR(p.mSplitCoef, 0.867208, 1e-6);
  EXPECT_EQ(p.mGateLen, 2757); // time 2 of 5513, rounded up
  p.Set(kAttack, 0);
  EXPECT_NEAR(1.0 / p.mAttackInc, 50.12, 0.01);
  p.Set(kAttack, 200);
  EXPECT_NEAR(1.0 / p.mAttackInc, 11026, 1);
}

TEST(GateEnvelope, AttackHoldReleaseClosedThenNextStep) {
  TestCorvanel p;
  OpenWet(p);
  const std::vector<double> out = p.RunConstant(1.0, kL + 2);
  EXPECT_EQ(out[0], p.mAttackInc);
  EXPECT_LT(out[323], 1.0); // 324.5 samples of attack
  EXPECT_EQ(out[324], 1.0);
  EXPECT_EQ(out[2756], 1.0); // the gate length 2757 is reached on this frame
  EXPECT_EQ(out[2757], 1.0 - p.mReleaseInc);
  EXPECT_GT(out[2757 + 1695], 0.0); // 1696.5 samples of release
  EXPECT_EQ(out[2757 + 1696], 0.0);
  EXPECT_EQ(out[kL - 1], 0.0);
  EXPECT_EQ(out[kL], p.mAttackInc); // the next step opens from 0
  for (int i = 1; i < 324; ++i)
    ASSERT_GT(out[i], out[i - 1]);
  for (int i = 2758; i < 2757 + 1696; ++i)
    ASSERT_LT(out[i], out[i - 1]);
}

TEST(GateEnvelope, TimeZeroStepOnlyLetsTheReleaseFinish) {
  TestCorvanel p;
  OpenDefault(p); // Mix 80 %
  SetSteps(p, "40", "44");
  const std::vector<double> out = p.RunConstant(1.0, kThirdStep);
  const double dry = p.mDry, wet = p.mWet;
  EXPECT_EQ(out[kL - 1], dry + wet * 1.0); // time 4: open to the end of the step
  EXPECT_EQ(out[kL], dry + wet * (1.0 - p.mReleaseInc));
  EXPECT_EQ(out[kThirdStep - 1], dry); // closed: the dry share only
}

TEST(GateEnvelope, TieLockHoldsFullStepsAndGateScalesTheOthers) {
  struct Case {
    int tie;
    int32_t gateLen2; // gate length of step 2 (time 4) under Gate 50 %
  };
  const Case cases[] = {{1, kL}, {0, 2757}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tie);
    TestCorvanel p;
    OpenWet(p);
    p.Set(kGate, 50);
    p.Set(kTieLock, c.tie);
    SetSteps(p, "442", "444");
    const std::vector<double> out = p.RunConstant(1.0, 3 * kL);
    EXPECT_EQ(out[kL - 1], 1.0);
    EXPECT_EQ(out[kL], 1.0); // one tied note across the boundary
    EXPECT_EQ(out[kL + c.gateLen2 - 1], 1.0);
    if (c.tie) {
      EXPECT_EQ(out[kThirdStep - 1], 1.0);
    } else {
      EXPECT_EQ(out[kL + c.gateLen2], 1.0 - p.mReleaseInc);
    }
    // Time 2 under Gate 50 %: the release starts a quarter step in (1378.25 -> 1378).
    EXPECT_EQ(p.mGateLen, 1378);
    EXPECT_LT(out[kThirdStep + 1378], 1.0);
  }
}

TEST(GateEnvelope, FirstStepAfterResyncIgnoresGateAndTie) {
  TestCorvanel p;
  OpenWet(p);
  p.Set(kGate, 50);
  p.RunConstant(1.0, 1);
  EXPECT_EQ(p.mGateLen, 2757); // time 2 unscaled
  p.RunConstant(1.0, kL);
  EXPECT_EQ(p.mGateLen, 1378); // from the first boundary on, Gate scales
}

TEST(GateEnvelope, VolumeGlidesWhileOpenAndJumpsWhenClosed) {
  TestCorvanel p;
  OpenWet(p);
  SetSteps(p, "44", "42"); // Tie Lock (default): the gate stays open into step 2
  std::vector<double> out = p.RunConstant(1.0, 2 * kL);
  const double inc = (0.5 - 1.0) / 323;
  EXPECT_EQ(out[kL], 1.0 + inc);
  for (int k = 1; k < 323; ++k)
    ASSERT_NEAR(out[kL + k] - out[kL + k - 1], inc, 1e-15);
  EXPECT_NEAR(out[kL + 322], 0.5, 1e-12);
  EXPECT_EQ(out[kL + 323], out[kL + 322]);

  // Time 2 closes the gate before the step ends: the new volume applies at once.
  TestCorvanel q;
  OpenWet(q);
  SetSteps(q, "22", "42");
  out = q.RunConstant(1.0, 2 * kL);
  EXPECT_EQ(out[kL - 1], 0.0);
  EXPECT_EQ(out[kL], q.mAttackInc * 0.5);
}

TEST(GateEnvelope, GlideOfNoLengthSetsTheVolumeAtOnce) {
  TestCorvanel p;
  p.mTestTempo = 4 * 44100.0 * 60.0 / 5120.0; // 5120 samples per bar
  p.mTestClock = 1000;
  p.OpenLikeHost(44100.0, 4096);
  p.Set(kMix, 100);
  p.Set(kRate, 0); // "1/128": 40 samples
  p.Set(kFade, 0);
  SetSteps(p, "4444", "4040");
  const std::vector<double> out = p.RunConstant(1.0, 4 * 40);
  ASSERT_EQ(p.mStepLen, 40);
  ASSERT_EQ(p.mFadeLen, 0);
  EXPECT_EQ(out[39], 1.0);
  EXPECT_EQ(out[40], 0.0); // step 2 has volume 0 from its first frame
  EXPECT_EQ(out[80], 1.0);
  EXPECT_EQ(out[120], 0.0);
}

TEST(GateEnvelope, EachTargetOnTheFirstFrame) {
  // Input 1.0 into a fresh split: low = 1 - c, high = c with c = exp(-2 pi 1000 / 44100);
  // the gate's first frame has g = mAttackInc = 0.00308151915669. Mix 100 %.
  struct Case {
    int target;
    double expected;
  };
  const Case cases[] = {{kTargetVolume, 0.00308151915669},
                        {kTargetLowGain, 0.867617690369},  // high + low * g
                        {kTargetHighGain, 0.135463828788}, // high * g + low
                        {kTargetLowHigh, 0.135054629209}}; // high * g + low * (1 - g)
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    TestCorvanel p;
    OpenWet(p);
    p.Set(kTarget, c.target);
    const std::vector<double> out = p.RunConstant(1.0, 1);
    EXPECT_NEAR(out[0], c.expected, 1e-12);
  }
}

TEST(GateEnvelope, LowHighGivesTheHighBandOpenAndTheLowBandClosed) {
  TestCorvanel p;
  OpenWet(p);
  p.Set(kTarget, kTargetLowHigh);
  SetSteps(p, "40", "44");
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  const int n = kThirdStep;
  std::vector<double> inL(n), inR(n), outL(n), outR(n);
  for (int i = 0; i < n; ++i)
    inL[i] = inR[i] = noise(rng);
  for (int i = 0; i < n; i += 1000)
    p.Run(&inL[i], &inR[i], &outL[i], &outR[i], n - i < 1000 ? n - i : 1000);
  const double c = std::exp(-6.283185307179586 * 1000 / 44100);
  double low = 0.0;
  for (int i = 0; i < n; ++i) {
    low = (low - inL[i]) * c + inL[i];
    if (i >= 400 && i < kL) {
      ASSERT_NEAR(outL[i], inL[i] - low, 1e-12) << i; // open
    } else if (i >= kL + 1800) {
      ASSERT_NEAR(outL[i], low, 1e-12) << i; // closed
    }
  }
}

TEST(GateEnvelope, MixZeroPassesTheInputUnchanged) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  const int n = 3000;
  std::vector<double> inL(n), inR(n), outL(n), outR(n);
  for (int i = 0; i < n; ++i) {
    inL[i] = noise(rng);
    inR[i] = noise(rng);
  }
  for (int target = 0; target < 4; ++target) {
    SCOPED_TRACE(target);
    TestCorvanel p;
    OpenDefault(p);
    p.Set(kMix, 0);
    p.Set(kTarget, target);
    p.Run(inL.data(), inR.data(), outL.data(), outR.data(), n);
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(outL[i], inL[i]) << i;
      ASSERT_EQ(outR[i], inR[i]) << i;
    }
  }
}

TEST(GateEnvelope, SplitStateWaitsUnderVolumeAndRecoversFromBadInput) {
  TestCorvanel p;
  OpenDefault(p);
  p.Set(kTarget, kTargetLowGain);
  p.RunConstant(0.5, 100);
  const double lowL = p.mLowL;
  EXPECT_GT(lowL, 0.4);
  p.Set(kTarget, kTargetVolume);
  p.RunConstant(-1.0, 100);
  EXPECT_EQ(p.mLowL, lowL); // untouched, resumed when a split target returns

  // A non-finite input sample must not stay in the filter for good.
  p.Set(kTarget, kTargetHighGain);
  p.RunConstant(NAN, 10);
  const std::vector<double> out = p.RunConstant(0.5, 10);
  for (double x : out)
    EXPECT_TRUE(std::isfinite(x));
  EXPECT_TRUE(std::isfinite(p.mLowL) && std::isfinite(p.mLowR));
}

} // namespace
