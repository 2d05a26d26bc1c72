// The processor against the sample-by-sample reference model, bit for bit, over random
// tempi, sample rates, block sizes, positions, transport and clock, patterns and
// parameter changes.
#include "EngineFixture.h"
#include "GateModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <random>

namespace {

class Scenario {
public:
  explicit Scenario(uint32_t seed) : mRng(seed) {}

  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(mRng); }
  double Real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(mRng); }
  bool Chance(double p) { return Real(0.0, 1.0) < p; }

  // Sets parameter idx on both sides.
  void Set(TestCorvanel& p, GateModel& m, int idx, int v) {
    p.Set(idx, v);
    m.Apply(idx, (int)p.Value(idx));
  }

  void RandomParam(TestCorvanel& p, GateModel& m) {
    switch (Int(0, 11)) {
    case 0:
      Set(p, m, kRate, Int(0, 27));
      break;
    case 1:
      Set(p, m, kCycle, Int(1, 64));
      break;
    case 2:
      Set(p, m, kAttack, Int(0, 200));
      break;
    case 3:
      Set(p, m, kGate, Int(0, 100));
      break;
    case 4:
      Set(p, m, kTieLock, Int(0, 1));
      break;
    case 5:
      Set(p, m, kRelease, Int(0, 200));
      break;
    case 6:
      Set(p, m, kFade, Int(0, 100));
      break;
    case 7:
      Set(p, m, kSplitFreq, Int(20, 20000));
      break;
    case 8:
      Set(p, m, kTarget, Int(0, 3));
      break;
    case 9:
      Set(p, m, kMix, Int(0, 100));
      break;
    default: {
      const int w = Int(0, 12);
      Set(p, m, kStepWord0 + w, Int(0, StepWordMax(w)));
      break;
    }
    }
  }

  std::mt19937 mRng;
};

TEST(GateExactness, MatchesTheReferenceModelBitForBit) {
  const double rates[] = {22050, 44100, 48000, 88200, 96000, 192000};
  for (uint32_t trial = 0; trial < 48; ++trial) {
    SCOPED_TRACE(trial);
    Scenario sc(1234 + trial);
    TestCorvanel p;
    GateModel m;
    double sampleRate = rates[sc.Int(0, 5)];
    p.mTestTempo = sc.Chance(0.15) ? 0.0 : sc.Real(40.0, 250.0);
    p.mTestTransport = sc.Chance(0.8);
    p.mTestClock = (uint32_t)sc.Int(0, 2000000000) * 2u;
    const int posKind = sc.Int(0, 3);
    p.mTestPosition = posKind == 0   ? 0
                      : posKind == 1 ? sc.Int(-300000, -1)
                      : posKind == 2 ? sc.Int(0, 10000000)
                                     : sc.Int(0, 2000000000);
    // Most hosts give a musical position, some of them one that is not the sample
    // position over the samples per beat (a tempo map).
    p.mTestBeatsValid = sc.Chance(0.6);
    p.mTestBeats = p.mTestTempo > 0.0 ? p.mTestPosition * p.mTestTempo / (60.0 * sampleRate) : 0.0;
    if (sc.Chance(0.3)) p.mTestBeats += sc.Real(-100.0, 100.0);
    bool ramp = false;
    const int blockSize = 1024;
    m.Reset(sampleRate);
    p.OpenLikeHost(sampleRate, blockSize);
    for (int i = 0; i < kNumSavedParams; ++i)
      m.Apply(i, (int)p.Value(i));
    // A random pattern and parameter set to start from.
    for (int k = 0; k < 24; ++k)
      sc.RandomParam(p, m);
    if (sc.Chance(0.3)) sc.Set(p, m, kRate, sc.Int(0, 6)); // short steps, short glides
    if (sc.Chance(0.3)) sc.Set(p, m, kFade, 0);

    std::vector<double> inL(blockSize), inR(blockSize), outL(blockSize), outR(blockSize);
    std::vector<double> refL(blockSize), refR(blockSize);
    const int blocks = sc.Int(100, 300);
    for (int b = 0; b < blocks; ++b) {
      SCOPED_TRACE(b);
      // Between blocks the host may change its tempo, transport, settings or the clock.
      if (sc.Chance(0.1)) sc.RandomParam(p, m);
      if (sc.Chance(0.01)) p.mTestTempo = sc.Chance(0.2) ? 0.0 : sc.Real(40.0, 250.0);
      // Tempo automation: a stretch of blocks each at a slightly different tempo.
      if (sc.Chance(0.02)) ramp = !ramp;
      if (ramp && p.mTestTempo > 0.0)
        p.mTestTempo = std::max(40.0, p.mTestTempo + sc.Real(-0.5, 0.5));
      if (sc.Chance(0.01)) p.mTestBeatsValid = !p.mTestBeatsValid;
      // Host rounding or jitter of a few samples either side of the tolerance, or a loop.
      if (sc.Chance(0.03) && p.mTestTempo > 0.0)
        p.mTestBeats += sc.Real(-6.0, 6.0) * p.mTestTempo / (60.0 * sampleRate);
      if (sc.Chance(0.03)) p.mTestPosition += sc.Int(-6, 6);
      if (sc.Chance(0.01)) p.mTestBeats = sc.Real(-8.0, 1000.0);
      if (sc.Chance(0.02)) p.mTestTransport = !p.mTestTransport;
      if (sc.Chance(0.01)) p.mTestPosition = sc.Int(-100000, 100000000);
      if (sc.Chance(0.01)) {
        sampleRate = rates[sc.Int(0, 5)];
        p.SetSampleRate(sampleRate);
        p.Reset();
        m.Reset(sampleRate);
      }
      p.mTestClock += sc.Chance(0.02) ? (uint32_t)CLOCKS_PER_SEC : (uint32_t)sc.Int(0, 20000);

      const int n = sc.Chance(0.05) ? 0 : sc.Int(1, blockSize);
      const int signal = sc.Int(0, 2);
      // A float host's block: the model hears the float samples, the engine must give the
      // model's output rounded to float.
      const bool floats = sc.Chance(0.3);
      for (int i = 0; i < n; ++i) {
        inL[i] = signal == 0 ? sc.Real(-1.0, 1.0) : signal == 1 ? 0.5 : 1e-30 * (i & 1);
        inR[i] = signal == 0 ? sc.Real(-1.0, 1.0) : -0.25;
        if (floats) {
          inL[i] = (double)(float)inL[i];
          inR[i] = (double)(float)inR[i];
        }
      }
      m.Block(inL.data(), inR.data(), refL.data(), refR.data(), n, sampleRate, p.mTestTempo,
              p.mTestPosition, p.mTestTransport != 0, p.mTestClock,
              p.mTestBeatsValid ? &p.mTestBeats : nullptr);
      if (floats) {
        std::vector<float> fInL(inL.begin(), inL.begin() + n), fInR(inR.begin(), inR.begin() + n);
        std::vector<float> fOutL(n), fOutR(n);
        if (sc.Chance(0.5)) { // in place
          p.RunFloat(fInL.data(), fInR.data(), fInL.data(), fInR.data(), n);
          fOutL = fInL;
          fOutR = fInR;
        } else {
          p.RunFloat(fInL.data(), fInR.data(), fOutL.data(), fOutR.data(), n);
        }
        for (int i = 0; i < n; ++i) {
          const float wantL = (float)refL[i], wantR = (float)refR[i];
          ASSERT_EQ(std::memcmp(&fOutL[i], &wantL, sizeof(float)), 0) << i;
          ASSERT_EQ(std::memcmp(&fOutR[i], &wantR, sizeof(float)), 0) << i;
        }
      } else {
        if (sc.Chance(0.3)) { // in place, as hosts may do
          outL = inL;
          outR = inR;
          p.Run(outL.data(), outR.data(), outL.data(), outR.data(), n);
        } else {
          p.Run(inL.data(), inR.data(), outL.data(), outR.data(), n);
        }
        ASSERT_EQ(std::memcmp(outL.data(), refL.data(), n * sizeof(double)), 0);
        ASSERT_EQ(std::memcmp(outR.data(), refR.data(), n * sizeof(double)), 0);
      }
      ASSERT_EQ(p.mStepLen, m.mStepLen);
      ASSERT_EQ(p.CurrentStep(), m.mCurStep);
      ASSERT_EQ(p.mStepPos, m.mStepPos);
    }
  }
}

} // namespace
