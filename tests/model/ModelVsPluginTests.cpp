// The real Corvanel library, driven through VSTPluginMain like a host drives it, against
// the reference gate: every config renders the same deterministic stereo signal through
// processReplacing (float) and processDoubleReplacing (double) and through the reference,
// and the outputs must agree bit for bit. The host's part is played here: time info with
// tempo, position, musical position and transport, parameter changes by normalised value
// and by typed text, program changes, transport stops and starts, loops and locates, tempo
// changes and tempo maps, and blocks longer than the announced size. Renders stream block
// by block, so that ten minutes of audio need no more memory than one block.
#include "PluginLibrary.h"
#include "RecordingHost.h"
#include "ReferenceGate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace {

using RG = ReferenceGate;

// ---- Step patterns and factory programs ---------------------------------------------------------

// Thirteen base-5 words from 128 step values, first entry most significant.
std::vector<int> PackWords(const std::vector<int>& steps) {
  std::vector<int> words;
  int acc = 0;
  for (int e = 0; e < 128; ++e) {
    acc = acc * 5 + steps[e];
    if (e % 10 == 9 || e == 127) {
      words.push_back(acc);
      acc = 0;
    }
  }
  return words;
}

struct FactoryProgram {
  const char* mName;
  int mCycle, mAttack, mGate, mRelease, mFade, mTarget;
  const char* mTimes;   // steps 1-16
  const char* mVolumes; // steps 1-16
};

// Programs 1-24 (program 0 is the default slot, which holds no values of its own).
const FactoryProgram kFactory[24] = {
    {"Mini Gate", 8, 5, 100, 30, 5, 0, "3020222222222222", "4444444444444444"},
    {"3 Long Gates", 16, 5, 100, 30, 5, 0, "2411222411222411", "4444444444444444"},
    {"Ascending Volume", 4, 200, 100, 0, 5, 3, "2222222222222222", "1234444444444444"},
    {"Ascending Volume 2", 4, 200, 100, 10, 10, 0, "4444222222222222", "1234444444444444"},
    {"Ascending Volume 3", 8, 200, 100, 10, 10, 0, "4444222222222222", "1234444444444444"},
    {"Ascending Volume 4", 16, 5, 100, 30, 0, 0, "2222222222222222", "1234444441234444"},
    {"Linear Medium Gate", 4, 5, 100, 30, 5, 0, "2222222222222222", "4444444444444444"},
    {"Linear Short Gate", 4, 5, 100, 30, 5, 0, "1111111111111111", "4444444444444444"},
    {"Low to High", 4, 5, 100, 50, 5, 3, "1111222222222222", "4444444444444444"},
    {"House", 16, 5, 100, 30, 5, 0, "3003003003003030", "4444444444444444"},
    {"House 2", 8, 5, 100, 40, 5, 0, "3003003022222222", "4444444444444444"},
    {"Trance", 8, 0, 100, 10, 5, 3, "2242223222222222", "4444444444444444"},
    {"Trance 2", 4, 0, 100, 10, 5, 3, "2242223222222222", "4444444444444444"},
    {"Trance 3", 16, 1, 100, 10, 5, 0, "2242224222422423", "4444444444444444"},
    {"Trance 4", 8, 1, 100, 5, 5, 0, "2242224222222222", "4444444444444444"},
    {"Trance 5", 16, 0, 100, 40, 5, 3, "2220202220202220", "4444444444444444"},
    {"Trance 6", 16, 0, 100, 30, 5, 0, "2242224222422242", "4444444444444444"},
    {"Trance 7", 16, 0, 100, 10, 5, 0, "4242242242242242", "4444444444444444"},
    {"Trance 8", 16, 0, 100, 0, 5, 0, "4141141141141141", "4444444444444444"},
    {"Trance 9", 16, 0, 100, 30, 5, 0, "1141114111411141", "4444444444444444"},
    {"Trance 10", 16, 4, 47, 5, 5, 0, "4141141141141141", "4444444444444444"},
    {"Groove Gate", 8, 0, 100, 50, 40, 3, "3014141022222222", "4044141044444444"},
    {"Groove Gate 2", 16, 0, 100, 30, 100, 0, "3014141031141410", "2444244424442444"},
    {"Groove Gate 3", 16, 5, 100, 50, 60, 0, "4130302414100241", "1444244414441444"},
};

// The 26 values a factory program holds, in parameter order.
std::vector<int> FactoryValues(int program) {
  const FactoryProgram& p = kFactory[program - 1];
  std::vector<int> steps(128);
  for (int s = 0; s < 64; ++s) {
    steps[s] = s < 16 ? p.mTimes[s] - '0' : 2;
    steps[64 + s] = s < 16 ? p.mVolumes[s] - '0' : 4;
  }
  std::vector<int> values = {9,          p.mCycle, p.mAttack, p.mGate,   1,
                             p.mRelease, p.mFade,  1000,      p.mTarget, 100};
  for (int w : PackWords(steps))
    values.push_back(w);
  values.insert(values.end(), {0, 0, 0});
  return values;
}

// A deterministic random pattern: step values 0-4, packed.
std::vector<int> RandomWords(uint32_t seed) {
  std::vector<int> steps(128);
  for (int e = 0; e < 128; ++e) {
    seed = seed * 1664525u + 1013904223u;
    steps[e] = (int)((seed >> 24) % 5);
  }
  return PackWords(steps);
}

// ---- Host-side conversions ----------------------------------------------------------------------

// The normalised value a host sends for a whole value, and the whole value the
// plug-in's parameter ends up with from that float.
float NormalizedOf(int idx, int value) {
  const double mn = RG::Min(idx), mx = RG::Max(idx);
  const double v = std::min(std::max((double)value, mn), mx);
  return (float)std::pow((v - mn) / (mx - mn), 1.0 / RG::Shape(idx));
}

int WholeFromNormalized(int idx, float normalized) {
  const double mn = RG::Min(idx), mx = RG::Max(idx);
  double v = mn + (mx - mn) * std::pow((double)normalized, RG::Shape(idx));
  v = std::floor(v + 0.5);
  return (int)std::min(v, mx);
}

// The sample position the plug-in reads for a frame: rounded, negatives read as 0, and
// a signed 32-bit count, so positions from 2^31 on wrap to negative counts.
int32_t PluginPosition(double samplePos, int offset) {
  const int64_t pos = samplePos >= 0.0 ? (int64_t)(samplePos + 0.5) : 0;
  return (int32_t)(uint32_t)(uint64_t)(pos + offset);
}

// ---- Configs ------------------------------------------------------------------------------------

struct Event {
  enum EKind {
    kParamText,  // effString2Parameter with the whole value as text
    kParamNorm,  // setParameter with the normalised value
    kProgram,    // effSetProgram
    kStop,       // transport stops; the host position stays
    kStart,      // transport starts at position mValue
    kLocate,     // the host position jumps to mValue while the transport state stays
    kTempo,      // the host reports tempo mValue (0: no tempo flag)
    kSampleRate, // effSetSampleRate
    kMainsCycle, // effMainsChanged off and on again
    kBlockSize,  // effSetBlockSize with mValue
    kTimeInfo,   // the host answers time requests (mValue 1) or gives no time info (0)
    kBeats,      // the host's musical position jumps to mValue beats (a tempo map)
    kPpq,        // the host marks its musical position valid (mValue 1) or not (0)
    kTempoAt,    // the tempo becomes mValue at exactly frame mAt, inside a block if so: the
                 // block reports the tempo at its first frame, the song moves on at the new
                 // one from mAt
  };
  int mAt; // applied before the first host block that starts at or after this frame
  EKind mKind;
  int mIndex;
  double mValue;
};

struct Config {
  std::string mName;
  double mTempo = 120.0;
  int mSampleRate = 44100;
  int mBlockSize = 512; // announced with effSetBlockSize
  int mHostBlock = 512; // frames per processing call
  double mStartPos = 0.0;
  int mFrames = 120000;
  bool mPlaying = true;
  int mExpectResyncs = -1;    // how many resynchronisations the render has (-1: any)
  double mPpqQuantum = 0.0;   // the host rounds its musical position to this many beats
  std::vector<Event> mEvents; // events at frame 0 come before the first block

  Config& Tempo(double t) { return mTempo = t, *this; }
  Config& Rate(int sr) { return mSampleRate = sr, *this; }
  Config& Blocks(int announced, int host) {
    mBlockSize = announced;
    mHostBlock = host;
    return *this;
  }
  Config& Start(double pos) { return mStartPos = pos, *this; }
  Config& Frames(int n) { return mFrames = n, *this; }
  Config& Stopped() { return mPlaying = false, *this; }
  Config& Text(int idx, int value, int at = 0) {
    mEvents.push_back({at, Event::kParamText, idx, (double)value});
    return *this;
  }
  Config& Norm(int idx, int value, int at = 0) {
    mEvents.push_back({at, Event::kParamNorm, idx, (double)value});
    return *this;
  }
  // A whole value, alternately as text and as normalised value across a config.
  Config& Set(int idx, int value, int at = 0) {
    return (mEvents.size() % 2) ? Text(idx, value, at) : Norm(idx, value, at);
  }
  Config& Words(const std::vector<int>& words, int at = 0) {
    for (int w = 0; w < 13; ++w)
      Text(RG::kStepWord0 + w, words[w], at);
    return *this;
  }
  Config& Program(int program, int at = 0) {
    mEvents.push_back({at, Event::kProgram, program, 0.0});
    return *this;
  }
  Config& Ev(Event::EKind kind, int at, double value = 0.0) {
    mEvents.push_back({at, kind, 0, value});
    return *this;
  }
  Config& Resyncs(int n) { return mExpectResyncs = n, *this; }
  Config& PpqRounding(double beats) { return mPpqQuantum = beats, *this; }
};

void PrintTo(const Config& config, std::ostream* out) { *out << config.mName; }

Config Cfg(const std::string& name) {
  Config c;
  c.mName = name;
  return c;
}

std::vector<Config> AllConfigs() {
  std::vector<Config> all;
  // Tempo and sample rate: the step length, its single-precision derived values and the
  // crossover coefficient.
  all.push_back(Cfg("T60_SR22050_Eighths").Tempo(60).Rate(22050).Set(RG::kRate, 12));
  all.push_back(Cfg("T97_3_SR44100_Defaults").Tempo(97.3));
  all.push_back(Cfg("T120_SR48000_SixteenthTriplets_LowHigh")
                    .Rate(48000)
                    .Set(RG::kRate, 7)
                    .Set(RG::kTarget, 3));
  all.push_back(Cfg("T174_SR96000_LowGain_Mix100")
                    .Tempo(174)
                    .Rate(96000)
                    .Set(RG::kTarget, 1)
                    .Set(RG::kMix, 100)
                    .Set(RG::kSplitFreq, 333));
  all.push_back(Cfg("T300_SR44100_128ths_HighGain_Zeros")
                    .Tempo(300)
                    .Set(RG::kRate, 0)
                    .Set(RG::kTarget, 2)
                    .Set(RG::kAttack, 0)
                    .Set(RG::kRelease, 0)
                    .Set(RG::kFade, 0));
  all.push_back(Cfg("T97_3_SR96000_Halves_Maxima")
                    .Tempo(97.3)
                    .Rate(96000)
                    .Set(RG::kRate, 18)
                    .Set(RG::kCycle, 7)
                    .Set(RG::kAttack, 200)
                    .Set(RG::kRelease, 200)
                    .Set(RG::kFade, 100)
                    .Words(RandomWords(11))
                    .Frames(300000));
  all.push_back(Cfg("T174_SR22050_DottedSixteenths_SplitMax")
                    .Tempo(174)
                    .Rate(22050)
                    .Set(RG::kRate, 11)
                    .Set(RG::kTarget, 3)
                    .Set(RG::kSplitFreq, 20000)
                    .Words(RandomWords(12)));
  all.push_back(Cfg("T60_SR48000_SplitMin_Triplets")
                    .Tempo(60)
                    .Rate(48000)
                    .Set(RG::kRate, 4)
                    .Set(RG::kTarget, 1)
                    .Set(RG::kSplitFreq, 20)
                    .Words(RandomWords(13)));

  // Block sizes, also host blocks longer than the announced size (run in slices).
  all.push_back(Cfg("Block1").Blocks(1, 1).Frames(40000).Set(RG::kRate, 3).Words(RandomWords(21)));
  all.push_back(Cfg("Block64").Blocks(64, 64).Set(RG::kRate, 6).Set(RG::kTarget, 3));
  all.push_back(Cfg("Block511").Blocks(511, 511).Tempo(174).Words(RandomWords(22)));
  all.push_back(Cfg("Block512_Host4096").Blocks(512, 4096).Words(RandomWords(23)));
  all.push_back(Cfg("Block4096").Blocks(4096, 4096).Rate(96000).Set(RG::kRate, 8));
  all.push_back(Cfg("Block4096_Host1000").Blocks(4096, 1000).Tempo(97.3).Words(RandomWords(24)));
  all.push_back(Cfg("Block511_Host1300_StopStart")
                    .Blocks(511, 1300)
                    .Set(RG::kRate, 7)
                    .Ev(Event::kStop, 40000)
                    .Ev(Event::kStart, 52000, 777777));
  all.push_back(Cfg("Block1_Host64_LowHigh").Blocks(1, 64).Frames(30000).Set(RG::kTarget, 3));

  // Start positions: odd, large, where the single-precision quotient rounds up to the
  // next step, past 2^31 (the plug-in reads a negative count) and before the song start.
  all.push_back(Cfg("Start12345").Start(12345).Words(RandomWords(31)));
  all.push_back(
      Cfg("Start1000003_Cycle7").Start(1000003).Set(RG::kCycle, 7).Words(RandomWords(32)));
  all.push_back(Cfg("Start2pow24plus1_T97_3").Start(16777217).Tempo(97.3).Set(RG::kRate, 5));
  // 5513 * 380000 - 1: the exact quotient is 379999.99..., its single-precision form 380000.
  all.push_back(Cfg("Start_JustBeforeABoundaryPast2To24")
                    .Start(5513.0 * 380000 - 1)
                    .Set(RG::kCycle, 7)
                    .Words(RandomWords(33)));
  // 5513 * 3053: an exact step start whose single-precision quotient is 3052.99976.
  all.push_back(Cfg("Start_OnABoundaryPast2To24")
                    .Start(5513.0 * 3053)
                    .Set(RG::kCycle, 7)
                    .Words(RandomWords(38)));
  all.push_back(Cfg("Start2pow30plus12345_Cycle64")
                    .Start(1073741824.0 + 12345)
                    .Set(RG::kCycle, 64)
                    .Set(RG::kRate, 2)
                    .Words(RandomWords(34)));
  all.push_back(Cfg("Start_Past2pow31_Resyncs")
                    .Start(2147483648.0 - 60001)
                    .Set(RG::kCycle, 7)
                    .Words(RandomWords(35))
                    .Set(RG::kCycle, 5, 100000)
                    .Ev(Event::kStop, 130000)
                    .Ev(Event::kStart, 140000, 4294967296.0 - 33333)
                    .Frames(200000));
  all.push_back(Cfg("Start_PreRoll")
                    .Start(-20000)
                    .Set(RG::kCycle, 3)
                    .Words(RandomWords(36))
                    .Ev(Event::kStop, 50000)
                    .Ev(Event::kStart, 60000, -7777));
  all.push_back(Cfg("Start_Stopped_ThenPlays")
                    .Stopped()
                    .Start(99999)
                    .Ev(Event::kStart, 30000, 123457)
                    .Words(RandomWords(37)));

  // Targets, Mix, Gate, Tie Lock, envelope extremes.
  const int targets[4] = {0, 1, 2, 3};
  const int mixes[3] = {0, 80, 100};
  const int gates[3] = {0, 47, 100};
  int n = 0;
  for (int target : targets)
    for (int tie = 0; tie < 2; ++tie) {
      const int mix = mixes[n % 3], gate = gates[(n / 3 + n) % 3];
      all.push_back(Cfg("Target" + std::to_string(target) + "_Tie" + std::to_string(tie) + "_Mix" +
                        std::to_string(mix) + "_Gate" + std::to_string(gate))
                        .Frames(80000)
                        .Set(RG::kTarget, target)
                        .Set(RG::kTieLock, tie)
                        .Set(RG::kMix, mix)
                        .Set(RG::kGate, gate)
                        .Set(RG::kRate, 6 + n)
                        .Words(RandomWords(40 + n)));
      ++n;
    }
  all.push_back(Cfg("EnvelopeMaxima_Gate47_TieOff")
                    .Set(RG::kAttack, 200)
                    .Set(RG::kRelease, 200)
                    .Set(RG::kFade, 100)
                    .Set(RG::kGate, 47)
                    .Set(RG::kTieLock, 0)
                    .Set(RG::kRate, 3)
                    .Words(RandomWords(51)));
  all.push_back(Cfg("EnvelopeZeros_Gate0_TieOn")
                    .Set(RG::kAttack, 0)
                    .Set(RG::kRelease, 0)
                    .Set(RG::kFade, 0)
                    .Set(RG::kGate, 0)
                    .Set(RG::kRate, 4)
                    .Words(RandomWords(52)));
  all.push_back(Cfg("Cycle1").Set(RG::kCycle, 1).Set(RG::kRate, 1).Words(RandomWords(53)));
  all.push_back(Cfg("Cycle64_128ths_T174")
                    .Tempo(174)
                    .Set(RG::kCycle, 64)
                    .Set(RG::kRate, 0)
                    .Set(RG::kTarget, 2)
                    .Words(RandomWords(54)));
  // Steps of 41 samples with Fade 0: no glide length at all.
  all.push_back(Cfg("T999_SR22050_FadeLengthZero")
                    .Tempo(999)
                    .Rate(22050)
                    .Set(RG::kRate, 0)
                    .Set(RG::kFade, 0)
                    .Set(RG::kAttack, 0)
                    .Set(RG::kCycle, 13)
                    .Words(RandomWords(55)));
  // Step words from normalised values, which need not land on the intended word.
  {
    Config c = Cfg("WordsAsNormalised").Set(RG::kCycle, 64).Set(RG::kRate, 1);
    const std::vector<int> words = RandomWords(56);
    for (int w = 0; w < 13; ++w)
      c.Norm(RG::kStepWord0 + w, words[w]);
    all.push_back(c);
  }

  // Factory programs, one by one and as a sweep that also comes back to the default slot.
  for (int p : {1, 3, 4, 12, 21, 22, 23, 24})
    all.push_back(Cfg(std::string("Program") + std::to_string(p)).Frames(60000).Program(p));
  {
    Config c = Cfg("ProgramSweep").Frames(26 * 9000).Blocks(512, 1024).Tempo(97.3);
    for (int p = 1; p <= 24; ++p)
      c.Program(p, p * 9000);
    c.Program(0, 25 * 9000);
    all.push_back(c);
  }
  all.push_back(Cfg("ProgramThenEdits")
                    .Program(5)
                    .Set(RG::kRate, 10, 20000)
                    .Program(0, 40000)
                    .Program(5, 60000)
                    .Set(RG::kTarget, 3, 80000)
                    .Program(31, 90000) // never used: keeps the sound, takes a name
                    .Set(RG::kCycle, 3, 95000)
                    .Program(5, 100000)
                    .Program(31, 110000)); // what was stored on leaving it

  // Transport, tempo, sample rate and resets during a render.
  all.push_back(Cfg("TransportStopStart")
                    .Words(RandomWords(61))
                    .Ev(Event::kStop, 50000)
                    .Ev(Event::kStart, 70000, 200000)
                    .Ev(Event::kStop, 100000)
                    .Ev(Event::kStart, 100512, 3));
  all.push_back(Cfg("LocateWhilePlaying_Resyncs")
                    .Words(RandomWords(62))
                    .Ev(Event::kLocate, 30000, 1234567)
                    .Ev(Event::kTempo, 60000, 174)
                    .Ev(Event::kLocate, 90000, 55));
  {
    Config c = Cfg("TempoRamp").Words(RandomWords(63)).Frames(100000).Resyncs(1);
    for (int b = 1; b < 40; ++b)
      c.Ev(Event::kTempo, b * 2048, 120 + b * 0.37);
    all.push_back(c);
  }
  {
    // Tempo automation at every block, up and down, with the musical position the host
    // accumulates: the grid follows it with no resynchronisation after the first.
    Config c = Cfg("TempoRampEveryBlock_T97_3_SR48000")
                   .Rate(48000)
                   .Tempo(97.3)
                   .Set(RG::kRate, 7)
                   .Words(RandomWords(68))
                   .Frames(400000)
                   .Resyncs(1);
    for (int b = 1; b * 512 < 400000; ++b)
      c.Ev(Event::kTempo, b * 512, 97.3 + 40.0 * std::sin(b * 0.01));
    all.push_back(c);
  }
  {
    // The same without a musical position: the grid continues from its own position.
    Config c = Cfg("TempoRamp_NoPpq").Words(RandomWords(69)).Ev(Event::kPpq, 0, 0).Resyncs(1);
    for (int b = 1; b * 1024 < 120000; ++b)
      c.Ev(Event::kTempo, b * 1024, 120 + b * 0.2);
    all.push_back(c);
  }
  // A tempo map: the musical position is not the sample position over the samples per
  // beat (the song ran at other tempi before); a loop back to the loop start's beat.
  all.push_back(Cfg("TempoMap_ThenLoop")
                    .Start(100000)
                    .Ev(Event::kBeats, 0, 37.3)
                    .Words(RandomWords(70))
                    .Ev(Event::kLocate, 60000, 100000)
                    .Ev(Event::kBeats, 60000, 37.3)
                    .Resyncs(2));
  all.push_back(Cfg("TempoMap_NoPpq_FollowsSamples")
                    .Start(100000)
                    .Ev(Event::kBeats, 0, 37.3)
                    .Ev(Event::kPpq, 0, 0)
                    .Words(RandomWords(71))
                    .Resyncs(1));
  // A musical position off by a few samples is the host's rounding: nothing moves. The
  // sample position is an exact count: off by any sample, the song has moved.
  all.push_back(Cfg("Jitter_MusicalRoundingMovesNothing_SampleCountIsExact")
                    .Words(RandomWords(72))
                    .Ev(Event::kBeats, 20480, 20480.0 / 22050.0 + 3.5 / 22050.0)
                    .Ev(Event::kBeats, 40960, 40960.0 / 22050.0 - 25.0 / 22050.0)
                    .Ev(Event::kPpq, 61440, 0)
                    .Ev(Event::kLocate, 61440, 61440 + 3)
                    .Ev(Event::kLocate, 81920, 81920 + 3 - 1)
                    .Resyncs(3));
  // Hosts that round their musical position (Ardour to 1/1920 of a beat, others to 1/960 or
  // 1/480) at tempi and sample rates where the rounding reaches 3 to 120 samples: no
  // resynchronisation after the first block, whatever the block size.
  {
    const double quanta[3] = {1.0 / 1920.0, 1.0 / 960.0, 1.0 / 480.0};
    const double tempi[4] = {30, 60, 128, 174};
    const int rates[3] = {44100, 48000, 96000};
    const int blocks[5] = {64, 256, 1024, 2048, 500};
    int k = 0;
    for (int qi = 0; qi < 3; ++qi)
      for (double tempo : tempi)
        for (int rate : rates) {
          const int block = blocks[k % 5];
          all.push_back(Cfg("PpqRounded" + std::to_string(480 << (2 - qi)) + "_T" +
                            std::to_string((int)tempo) + "_SR" + std::to_string(rate) + "_Block" +
                            std::to_string(block))
                            .PpqRounding(quanta[qi])
                            .Tempo(tempo)
                            .Rate(rate)
                            .Blocks(block, block)
                            .Start(12345 + 777 * k)
                            .Set(RG::kRate, 3 + (k * 5) % 16)
                            .Words(RandomWords(200 + k))
                            .Frames(150000)
                            .Resyncs(1));
          ++k;
        }
  }
  // A tempo change inside a host block (at its second frame, in its middle, at its last
  // frame): the next block re-anchors and nothing restarts, with an exact and with a
  // rounded musical position.
  {
    const int offsets[3] = {1, 512, 1023};
    for (int o : offsets)
      for (int rounded = 0; rounded < 2; ++rounded)
        all.push_back(Cfg("TempoChangeInsideBlock_At" + std::to_string(o) +
                          (rounded ? "_Ppq1920" : "_Exact"))
                          .Blocks(1024, 1024)
                          .Tempo(128)
                          .Rate(48000)
                          .PpqRounding(rounded ? 1.0 / 1920.0 : 0.0)
                          .Words(RandomWords(230 + o))
                          .Ev(Event::kTempoAt, 20 * 1024 + o, 174)
                          .Ev(Event::kTempoAt, 60 * 1024 + o, 61.5)
                          .Ev(Event::kTempoAt, 100 * 1024 + o, 128)
                          .Frames(130000)
                          .Resyncs(1));
  }
  // Loops and locates of one sample to many bars, back and forward, with and without a
  // musical position (rounded here): each resynchronises at the block where it happens.
  {
    const int jumps[6] = {-1, 1, -7, 5000, -4 * 88200, 9 * 88200 + 3};
    for (int j : jumps)
      for (int ppq = 0; ppq < 2; ++ppq)
        all.push_back(Cfg("Jump" + std::string(j < 0 ? "Back" : "Forward") +
                          std::to_string(j < 0 ? -j : j) + (ppq ? "_Ppq1920" : "_NoPpq"))
                          .Start(500000)
                          .PpqRounding(1.0 / 1920.0)
                          .Ev(Event::kPpq, 0, ppq)
                          .Words(RandomWords(250 + j % 97))
                          .Ev(Event::kLocate, 40960, 500000 + 40960 + j)
                          .Ev(Event::kLocate, 81920, 500000 + 81920 + j - j)
                          .Frames(100000)
                          .Resyncs(3));
  }
  // Ten minutes of fractional step lengths: 1/16 at 120 BPM and 44.1 kHz (5512.5), 1/64T
  // (918.75), 1/16 at 137 BPM and 96 kHz (10510.95...), 1/16T at 97.3 BPM and 48 kHz.
  all.push_back(Cfg("TenMinutes_Sixteenths_T120_SR44100")
                    .Frames(600 * 44100)
                    .Blocks(1024, 1024)
                    .Words(RandomWords(73))
                    .Resyncs(1));
  all.push_back(Cfg("TenMinutes_64thTriplets_T120_SR44100")
                    .Frames(600 * 44100)
                    .Blocks(1024, 1024)
                    .Set(RG::kRate, 1)
                    .Words(RandomWords(74))
                    .Resyncs(1));
  all.push_back(Cfg("TenMinutes_Sixteenths_T137_SR96000")
                    .Frames(600 * 96000)
                    .Rate(96000)
                    .Tempo(137)
                    .Blocks(1024, 1024)
                    .Words(RandomWords(75))
                    .Resyncs(1));
  all.push_back(Cfg("TenMinutes_SixteenthTriplets_T97_3_SR48000_NoPpq")
                    .Frames(600 * 48000)
                    .Rate(48000)
                    .Tempo(97.3)
                    .Set(RG::kRate, 7)
                    .Blocks(1024, 1024)
                    .Ev(Event::kPpq, 0, 0)
                    .Words(RandomWords(76))
                    .Resyncs(1));
  all.push_back(Cfg("SampleRateChange_MainsCycle")
                    .Set(RG::kTarget, 3)
                    .Words(RandomWords(64))
                    .Ev(Event::kSampleRate, 40000, 48000)
                    .Ev(Event::kMainsCycle, 80000)
                    .Ev(Event::kBlockSize, 100000, 300)
                    .Blocks(512, 1024));
  all.push_back(Cfg("NoTimeInfo_ThenTransport")
                    .Rate(48000)
                    .Tempo(97.3)
                    .Start(44444)
                    .Words(RandomWords(67))
                    .Ev(Event::kTimeInfo, 0, 0)
                    .Ev(Event::kTimeInfo, 50000, 1));
  all.push_back(Cfg("NoTempo_Then97_3").Rate(48000).Tempo(0).Ev(Event::kTempo, 60000, 97.3));
  all.push_back(Cfg("TempoLost_KeepsStepLength")
                    .Tempo(174)
                    .Words(RandomWords(65))
                    .Ev(Event::kTempo, 40000, 0)
                    .Ev(Event::kStop, 60000)
                    .Ev(Event::kStart, 61000, 5000));
  all.push_back(Cfg("AutomationEveryFewBlocks")
                    .Words(RandomWords(66))
                    .Norm(RG::kRate, 6, 10000)
                    .Norm(RG::kCycle, 5, 20000)
                    .Norm(RG::kGate, 63, 30000)
                    .Norm(RG::kAttack, 150, 40000)
                    .Norm(RG::kRelease, 7, 50000)
                    .Norm(RG::kFade, 77, 60000)
                    .Norm(RG::kMix, 33, 70000)
                    .Norm(RG::kTarget, 2, 80000)
                    .Norm(RG::kSplitFreq, 4321, 90000)
                    .Norm(RG::kTieLock, 0, 100000));

  // Step shifts and edits through the editor's signal parameters, their publication and
  // a host that re-applies the word it had before the shift.
  all.push_back(Cfg("ShiftsPublishAndReapply")
                    .Set(RG::kCycle, 12)
                    .Text(RG::kShiftTime, 3, 20000)
                    .Text(RG::kShiftTime, 0, 20600)
                    .Text(RG::kShiftVolume, -1, 40000)
                    .Text(RG::kShiftVolume, 0, 40600)
                    .Text(RG::kStepWord0, 4882812, 60000)
                    .Text(RG::kStepWord0 + 6, 4890624, 60000)
                    .Text(RG::kStepEdited, 1, 70000)
                    .Text(RG::kShiftVolume, 5, 80000)
                    .Text(RG::kShiftVolume, -2, 80600)
                    .Program(3, 100000));
  return all;
}

// ---- Rendering ----------------------------------------------------------------------------------

// Noise and two sines per channel, with stretches of silence in which the band-split
// state decays to nothing; made frame by frame, a block at a time.
class TestSignal {
public:
  explicit TestSignal(int sampleRate) : mSampleRate(sampleRate) {}

  void Fill(int frames, double* left, double* right) {
    const double twoPi = 6.283185307179586;
    for (int k = 0; k < frames; ++k, ++mFrame) {
      mState ^= mState << 13;
      mState ^= mState >> 7;
      mState ^= mState << 17;
      const double noiseL = (double)(mState >> 11) / 9007199254740992.0 - 0.5;
      const double noiseR =
          (double)((mState * 0x2545F4914F6CDD1Dull) >> 11) / 9007199254740992.0 - 0.5;
      const double t = (double)mFrame / mSampleRate;
      const bool silent = mFrame >= 30000 && (mFrame % 30000) < 3000;
      left[k] = silent ? 0.0
                       : 0.4 * noiseL + 0.3 * std::sin(twoPi * 110.0 * t) +
                             0.2 * std::sin(twoPi * 3150.0 * t);
      right[k] = silent ? 0.0
                        : 0.4 * noiseR + 0.3 * std::sin(twoPi * 233.3 * t + 1.0) +
                              0.2 * std::sin(twoPi * 7001.0 * t);
    }
  }

private:
  const int mSampleRate;
  int64_t mFrame = 0;
  uint64_t mState = 0x9E3779B97F4A7C15ull;
};

struct Mismatch {
  bool mFound = false;
  int mFrame = -1, mChannel = -1;
  double mPlugin = 0.0, mModel = 0.0;
  std::string mState;
};

template <class T> bool SameBits(T a, T b) { return std::memcmp(&a, &b, sizeof(T)) == 0; }

// One render of a config through one of the two replacing callbacks.
class Session {
public:
  Session(const Config& config, bool doublePath) : mConfig(config), mDouble(doublePath) {}

  // Returns false with a message when the plug-in cannot be driven at all.
  bool Run(std::string& error, Mismatch& mismatch) {
    VstPluginMainProc entry = (VstPluginMainProc)BuiltPlugin().Symbol("VSTPluginMain");
    if (!entry) {
      error = "no VSTPluginMain in " + BuiltPlugin().Path() + ": " + BuiltPlugin().Error();
      return false;
    }
    std::memset(&mHost.mTime, 0, sizeof(mHost.mTime));
    mEffect = entry(RecordingHost::Callback);
    if (!mEffect) {
      error = "VSTPluginMain returned null";
      return false;
    }
    const bool ok = Render(error, mismatch);
    Dispatch(effClose);
    return ok;
  }

private:
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f) {
    return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
  }

  void Open() {
    Dispatch(effOpen);
    mModel.ApplyAll();
    Dispatch(effSetSampleRate, 0, 0, nullptr, (float)mConfig.mSampleRate);
    mModel.SetSampleRate((float)mConfig.mSampleRate);
    mModel.Reset();
    Dispatch(effSetBlockSize, 0, mConfig.mBlockSize);
    mModel.Reset();
    Dispatch(effMainsChanged, 0, 1);
    Dispatch(effStartProcess);
    // The base holds the default slot (empty), 24 factory programs, then unused slots.
    mPrograms.assign(50, {});
    mProgramInit.assign(50, false);
    mProgramInit[0] = true;
    for (int p = 1; p <= 24; ++p) {
      mPrograms[p] = FactoryValues(p);
      mProgramInit[p] = true;
    }
  }

  void SetByText(int idx, int value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%d", value);
    Dispatch(effString2Parameter, idx, 0, text);
    mModel.SetParam(idx, value);
  }

  void SetByNormalized(int idx, int value) {
    const float n = NormalizedOf(idx, value);
    mEffect->setParameter(mEffect, idx, n);
    mModel.SetParam(idx, WholeFromNormalized(idx, n));
  }

  // effSetProgram: the current program takes the current values, then the chosen one
  // is loaded (its first 23 values applied in order) or, never used, just named.
  void SetProgram(int program) {
    Dispatch(effSetProgram, 0, program);
    std::vector<int>& current = mPrograms[mCurrentProgram];
    current.clear();
    for (int i = 0; i < RG::kNumDeclared; ++i)
      current.push_back(mModel.ParamValue(i));
    if (program < 0 || program >= (int)mPrograms.size()) return;
    if (!mProgramInit[program]) {
      mProgramInit[program] = true;
      mCurrentProgram = program;
      return;
    }
    const std::vector<int>& values = mPrograms[program];
    for (int i = 0; i < RG::kNumDeclared; ++i) {
      if (i >= (int)values.size()) {
        mModel.SetParam(i, 0); // a chunk that runs short: this one reads 0 and loading fails
        return;
      }
      mModel.SetParam(i, values[i]);
    }
    mCurrentProgram = program;
  }

  void Apply(const Event& e) {
    switch (e.mKind) {
    case Event::kParamText:
      SetByText(e.mIndex, (int)e.mValue);
      break;
    case Event::kParamNorm:
      SetByNormalized(e.mIndex, (int)e.mValue);
      break;
    case Event::kProgram:
      SetProgram(e.mIndex);
      break;
    case Event::kStop:
      mPlaying = false;
      break;
    case Event::kStart:
      mPlaying = true;
      mPos = e.mValue;
      mPpq = SongBeatsAt(mPos);
      break;
    case Event::kLocate:
      mPos = e.mValue;
      mPpq = SongBeatsAt(mPos);
      break;
    case Event::kBeats:
      mPpq = e.mValue;
      break;
    case Event::kPpq:
      mGivesPpq = e.mValue != 0;
      break;
    case Event::kTempo:
    case Event::kTempoAt:
      mTempo = e.mValue;
      break;
    case Event::kSampleRate:
      mSampleRate = e.mValue;
      Dispatch(effSetSampleRate, 0, 0, nullptr, (float)e.mValue);
      mModel.SetSampleRate((float)e.mValue);
      mModel.Reset();
      break;
    case Event::kMainsCycle:
      Dispatch(effMainsChanged, 0, 0);
      mModel.Reset();
      Dispatch(effMainsChanged, 0, 1);
      break;
    case Event::kBlockSize:
      mBlockSize = (int)e.mValue;
      Dispatch(effSetBlockSize, 0, mBlockSize);
      mModel.Reset();
      break;
    case Event::kTimeInfo:
      mHost.mGivesTime = e.mValue != 0;
      break;
    }
  }

  // The musical position the host reports: its own, rounded to its quantum.
  double ReportedPpq() const {
    const double q = mConfig.mPpqQuantum;
    return q > 0.0 ? std::round(mPpq / q) * q : mPpq;
  }

  // The musical position of a sample position in a song at the present tempo throughout.
  double SongBeatsAt(double pos) const {
    return mTempo > 0 ? pos / mSampleRate * mTempo / 60.0 : 0.0;
  }

  void SetTimeInfo() {
    VstTimeInfo& t = mHost.mTime;
    t.samplePos = mPos;
    t.sampleRate = mSampleRate;
    t.tempo = mTempo;
    t.ppqPos = ReportedPpq();
    t.timeSigNumerator = 4;
    t.timeSigDenominator = 4;
    t.flags = kVstTimeSigValid;
    if (mGivesPpq) t.flags |= kVstPpqPosValid;
    if (mTempo > 0) t.flags |= kVstTempoValid;
    if (mPlaying) t.flags |= kVstTransportPlaying;
  }

  // The musical position the plug-in reads for a slice starting `offset` frames into the
  // host block: the host's, moved on at its tempo (none without a tempo).
  bool SliceBeats(int offset, double* beats) const {
    if (!mHost.mGivesTime || !mGivesPpq) return false;
    *beats = ReportedPpq();
    if (offset > 0) {
      const double samplesPerBeat = mTempo > 0 ? mSampleRate * 60.0 / mTempo : 0.0;
      if (!(samplesPerBeat > 0.0)) return false;
      *beats += (double)offset / samplesPerBeat;
    }
    return true;
  }

  std::string ModelState() const {
    char text[320];
    std::snprintf(text, sizeof(text),
                  "model: step %d pos %d len %d gate %d fade %d env %d level %.17g volume %.17g "
                  "attackInc %.9g releaseInc %.9g split %.17g wet %.9g",
                  mModel.CurStep(), mModel.StepPos(), mModel.StepLen(), mModel.GateLen(),
                  mModel.FadeLen(), mModel.EnvState(), mModel.EnvLevel(), mModel.Volume(),
                  mModel.AttackInc(), mModel.ReleaseInc(), mModel.SplitCoef(),
                  (double)mModel.Wet());
    return text;
  }

  bool Render(std::string& error, Mismatch& mismatch) {
    const Config& c = mConfig;
    mPos = c.mStartPos;
    mTempo = c.mTempo;
    mPlaying = c.mPlaying;
    mSampleRate = c.mSampleRate;
    mBlockSize = c.mBlockSize;
    mPpq = SongBeatsAt(mPos);
    Open();

    const int block = c.mHostBlock;
    TestSignal signal(c.mSampleRate);
    std::vector<double> inL(block), inR(block), outL(block), outR(block), refL(block), refR(block);
    std::vector<float> inLf(block), inRf(block), outLf(block), outRf(block);

    std::vector<Event> events = c.mEvents;
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.mAt < b.mAt; });
    size_t next = 0;
    // Tempo changes inside a block move the song on at the new tempo from their frame.
    std::vector<Event> tempoChanges;
    for (const Event& e : events)
      if (e.mKind == Event::kTempoAt) tempoChanges.push_back(e);
    size_t nextTempo = 0;
    for (int frame = 0; frame < c.mFrames;) {
      while (next < events.size() && events[next].mAt <= frame)
        Apply(events[next++]);
      if (!mModel.Ready()) {
        error = "the reference is not ready after opening";
        return false;
      }
      const int n = std::min(block, c.mFrames - frame);
      signal.Fill(n, inL.data(), inR.data());
      if (!mDouble)
        for (int i = 0; i < n; ++i) {
          inLf[i] = (float)inL[i];
          inRf[i] = (float)inR[i];
          inL[i] = inLf[i]; // the base widens the host's floats
          inR[i] = inRf[i];
        }
      SetTimeInfo();
      if (mDouble) {
        double* in[2] = {inL.data(), inR.data()};
        double* out[2] = {outL.data(), outR.data()};
        mEffect->processDoubleReplacing(mEffect, in, out, n);
      } else {
        float* in[2] = {inLf.data(), inRf.data()};
        float* out[2] = {outLf.data(), outRf.data()};
        mEffect->processReplacing(mEffect, in, out, n);
      }
      mHost.Clear();

      // The reference sees the host block in slices of at most the announced size, each
      // with the position of its own first frame.
      for (int done = 0; done < n;) {
        const int slice = std::min(mBlockSize, n - done);
        double beats = 0.0;
        const bool hasBeats = SliceBeats(done, &beats);
        // Without time info the plug-in reads no tempo, position 0 and a stopped transport.
        if (mHost.mGivesTime) {
          mModel.Process(&inL[done], &inR[done], &refL[done], &refR[done], slice, mTempo,
                         PluginPosition(mPos, done), mPlaying, hasBeats, beats);
        } else {
          mModel.Process(&inL[done], &inR[done], &refL[done], &refR[done], slice, 0.0, 0, false);
        }
        done += slice;
      }
      if (!mismatch.mFound) FindMismatch(frame, n, outL, outR, outLf, outRf, refL, refR, mismatch);
      int from = frame;
      while (nextTempo < tempoChanges.size() && tempoChanges[nextTempo].mAt <= frame)
        ++nextTempo; // applied before this block
      for (; nextTempo < tempoChanges.size() && tempoChanges[nextTempo].mAt < frame + n;
           ++nextTempo) {
        const int at = tempoChanges[nextTempo].mAt;
        if (mPlaying && mTempo > 0) mPpq += (double)(at - from) / mSampleRate * mTempo / 60.0;
        mTempo = tempoChanges[nextTempo].mValue;
        from = at;
      }
      frame += n;
      if (mPlaying) {
        mPos += n;
        mPpq += mTempo > 0 ? (double)(frame - from) / mSampleRate * mTempo / 60.0 : 0.0;
      }
    }
    mResyncs = mModel.Resyncs();
    return true;
  }

  void FindMismatch(int frame, int n, const std::vector<double>& outL,
                    const std::vector<double>& outR, const std::vector<float>& outLf,
                    const std::vector<float>& outRf, const std::vector<double>& refL,
                    const std::vector<double>& refR, Mismatch& mismatch) {
    for (int i = 0; i < n; ++i)
      for (int ch = 0; ch < 2; ++ch) {
        const double ref = ch ? refR[i] : refL[i];
        bool same;
        double plugin;
        if (mDouble) {
          plugin = ch ? outR[i] : outL[i];
          same = SameBits(plugin, ref);
        } else {
          const float p = ch ? outRf[i] : outLf[i];
          plugin = p;
          same = SameBits(p, (float)ref);
        }
        if (!same) {
          mismatch.mFound = true;
          mismatch.mFrame = frame + i;
          mismatch.mChannel = ch;
          mismatch.mPlugin = plugin;
          mismatch.mModel = mDouble ? ref : (double)(float)ref;
          mismatch.mState = ModelState() + " (state at the end of the block)";
          return;
        }
      }
  }

  const Config& mConfig;
  const bool mDouble;
  RecordingHost mHost;
  AEffect* mEffect = nullptr;
  ReferenceGate mModel;
  std::vector<std::vector<int>> mPrograms;
  std::vector<bool> mProgramInit;
  int mCurrentProgram = 0;
  double mPos = 0.0, mTempo = 120.0, mSampleRate = 44100.0;
  double mPpq = 0.0;     // the host's musical position of the next block, in beats
  bool mGivesPpq = true; // the host marks it valid
  int mBlockSize = 512;
  bool mPlaying = true;

public:
  int mResyncs = 0; // resynchronisations of the reference during the render
};

class ModelVsPlugin : public ::testing::TestWithParam<Config> {};

void RunPath(const Config& config, bool doublePath) {
  Session session(config, doublePath);
  std::string error;
  Mismatch mismatch;
  ASSERT_TRUE(session.Run(error, mismatch)) << error;
  if (config.mExpectResyncs >= 0) {
    EXPECT_EQ(session.mResyncs, config.mExpectResyncs) << "resynchronisations of the reference";
  }
  EXPECT_FALSE(mismatch.mFound) << (doublePath ? "double" : "float") << " path, config "
                                << config.mName << ": first difference at frame " << mismatch.mFrame
                                << " channel " << mismatch.mChannel << ": plug-in " << std::hexfloat
                                << mismatch.mPlugin << " reference " << mismatch.mModel
                                << std::defaultfloat << " (" << mismatch.mPlugin << " vs "
                                << mismatch.mModel << "); " << mismatch.mState;
}

TEST_P(ModelVsPlugin, FloatPathMatchesBitForBit) { RunPath(GetParam(), false); }
TEST_P(ModelVsPlugin, DoublePathMatchesBitForBit) { RunPath(GetParam(), true); }

INSTANTIATE_TEST_SUITE_P(Matrix, ModelVsPlugin, ::testing::ValuesIn(AllConfigs()),
                         [](const ::testing::TestParamInfo<Config>& param) {
                           return param.param.mName;
                         });

} // namespace
