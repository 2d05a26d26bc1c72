// Corvanel.clap and the VST2 Corvanel library, each driven by its own kind of host through
// the same timeline, must give the same audio bit for bit and show the same parameter
// texts. The timeline is the host's: its position in frames and beats, tempo and transport
// state, changed at frames inside blocks (tempo changes, loop jumps, stops and starts) and
// parameter values set there. The CLAP host says it with a transport at the block start
// and transport and parameter events at their frames; the VST2 host splits its blocks at
// those frames and answers the time request of each part.
#include "BuiltClap.h"
#include "ClapInstance.h"
#include "IHostTime.h"
#include "VstInstance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr clapabi::Id kPreset = 26; // the factory presets, after the parameters
enum ParamIds { kRate = 0, kCycle = 1, kAttack = 2, kGate = 3, kTieLock = 4, kRelease = 5,
                kFade = 6, kSplit = 7, kTarget = 8, kMix = 9, kWord0 = 10 };

// Thirteen base-5 step words of a deterministic pattern.
std::vector<int> Words(uint32_t seed) {
  std::vector<int> words;
  int acc = 0;
  for (int e = 0; e < 128; ++e) {
    seed = seed * 1664525u + 1013904223u;
    acc = acc * 5 + (int)((seed >> 24) % 5);
    if (e % 10 == 9 || e == 127) {
      words.push_back(acc);
      acc = 0;
    }
  }
  return words;
}

struct Change {
  enum EKind { kParam, kTempo, kJump, kStop, kStart, kProgram };
  int mAt;
  EKind mKind;
  int mId;
  double mValue; // parameter value, tempo, preset, or the position jumped to (frames)
};

struct Scenario {
  std::string mName;
  double mRate = 44100.0;
  double mTempo = 120.0;
  std::vector<int> mBlocks = {512}; // host block sizes, in turn
  uint32_t mMaxBlock = 512;
  int mFrames = 120000;
  int64_t mStart = 0;
  bool mTransport = true; // false: no transport at all (a free-running host)
  bool mSeconds = true;   // the transport gives its seconds timeline
  bool mMono = false;
  bool mDouble = false;
  std::vector<Change> mChanges; // in frame order

  Scenario& P(int id, double v, int at = 0) {
    mChanges.push_back({at, Change::kParam, id, v});
    return *this;
  }
  Scenario& Pattern(uint32_t seed, int at = 0) {
    const std::vector<int> w = Words(seed);
    for (int i = 0; i < 13; ++i)
      P(kWord0 + i, w[i], at);
    return *this;
  }
  Scenario& C(Change::EKind kind, int at, double v = 0.0) {
    mChanges.push_back({at, kind, 0, v});
    return *this;
  }
};

void PrintTo(const Scenario& s, std::ostream* out) { *out << s.mName; }

// The host's timeline: the state at the last change, and where it is at a later frame.
struct Timeline {
  double mRate;
  int64_t mPos;
  double mBeats; // on the transport's 2^-31 beat grid
  double mTempo;
  bool mPlaying = true;
  int mChangeFrame = 0;

  static double OnGrid(double beats) {
    return (double)std::llround(beats * clapabi::kFixedPointFactor) / clapabi::kFixedPointFactor;
  }
  // The host's own report at frame x (its position counts on while playing).
  IHostTime At(int x) const {
    IHostTime t;
    const int moved = mPlaying ? x - mChangeFrame : 0;
    t.mSamplePos = mPos + moved;
    t.mTempo = mTempo;
    t.mHasBeats = true;
    t.mBeats = OnGrid(mBeats + (double)moved * mTempo / 60.0 / mRate);
    t.mPlaying = mPlaying;
    t.mTimeSigNumerator = t.mTimeSigDenominator = 4;
    return t;
  }
  void Rebase(int x) {
    const IHostTime t = At(x);
    mPos = t.mSamplePos;
    mBeats = t.mBeats;
    mChangeFrame = x;
  }
};

clapabi::EventTransport TransportOf(const IHostTime& t, double rate, bool seconds) {
  return MakeTransport(t.mPlaying, t.mTempo, t.mBeats,
                       seconds ? (double)t.mSamplePos / rate : std::nan(""));
}

void SetVstTime(RecordingHost& host, const IHostTime& t, bool transport) {
  std::memset(&host.mTime, 0, sizeof(host.mTime));
  host.mTime.samplePos = (double)t.mSamplePos;
  host.mTime.sampleRate = 44100.0;
  if (!transport) return; // the free-running host: a position and nothing else
  host.mTime.ppqPos = t.mBeats;
  host.mTime.tempo = t.mTempo;
  host.mTime.timeSigNumerator = t.mTimeSigNumerator;
  host.mTime.timeSigDenominator = t.mTimeSigDenominator;
  host.mTime.flags = kVstPpqPosValid | kVstTempoValid | kVstTimeSigValid |
                     (t.mPlaying ? kVstTransportPlaying : 0);
}

float Signal(int ch, int64_t i) {
  // A deterministic stereo signal with quiet and loud parts.
  const double x = std::sin(0.0123 * (double)i + ch) * 0.6 + std::sin(0.00071 * (double)i) * 0.3;
  return (float)(x * ((i / 7001) % 3 == 0 ? 0.1 : 1.0));
}

template <class T> struct Renders {
  std::vector<T> mClap[2], mVst[2];
};

// Applies a timeline change at frame `at` to the timeline.
void ApplyTimeChange(Timeline& tl, const Change& c) {
  tl.Rebase(c.mAt);
  switch (c.mKind) {
  case Change::kTempo:
    tl.mTempo = c.mValue;
    break;
  case Change::kJump:
    tl.mPos = (int64_t)c.mValue;
    tl.mBeats = Timeline::OnGrid(c.mValue * tl.mTempo / 60.0 / tl.mRate);
    break;
  case Change::kStop:
    tl.mPlaying = false;
    break;
  case Change::kStart:
    tl.mPlaying = true;
    tl.mPos = (int64_t)c.mValue;
    tl.mBeats = Timeline::OnGrid(c.mValue * tl.mTempo / 60.0 / tl.mRate);
    break;
  default:
    break;
  }
}

template <class T> Renders<T> Render(const Scenario& s) {
  Renders<T> r;
  const int nCh = s.mMono ? 1 : 2;
  for (int ch = 0; ch < nCh; ++ch) {
    r.mClap[ch].resize(s.mFrames);
    r.mVst[ch].resize(s.mFrames);
    for (int i = 0; i < s.mFrames; ++i)
      r.mClap[ch][i] = r.mVst[ch][i] = (T)Signal(ch, i);
  }

  // ---- CLAP: one block per host block, changes as events -------------------------------------
  {
    TestHost host;
    ClapInstance clap(host, ClapFactory());
    EXPECT_TRUE(clap.Start(s.mRate, s.mMaxBlock));
    Timeline tl{s.mRate, s.mStart, Timeline::OnGrid(s.mStart * s.mTempo / 60.0 / s.mRate), s.mTempo};
    size_t next = 0;
    int k = 0;
    for (int f = 0; f < s.mFrames; ++k) {
      const int n = std::min(s.mBlocks[k % s.mBlocks.size()], s.mFrames - f);
      InputEventList events;
      // Changes at the block's first frame are already in the block's transport.
      for (; next < s.mChanges.size() && s.mChanges[next].mAt == f; ++next) {
        const Change& c = s.mChanges[next];
        if (c.mKind == Change::kParam)
          events.AddParam(0, (clapabi::Id)c.mId, c.mValue);
        else if (c.mKind == Change::kProgram)
          events.AddParam(0, kPreset, c.mValue);
        else
          ApplyTimeChange(tl, {f, c.mKind, c.mId, c.mValue});
      }
      const clapabi::EventTransport start = TransportOf(tl.At(f), s.mRate, s.mSeconds);
      for (; next < s.mChanges.size() && s.mChanges[next].mAt < f + n; ++next) {
        const Change& c = s.mChanges[next];
        if (c.mKind == Change::kParam) {
          events.AddParam((uint32_t)(c.mAt - f), (clapabi::Id)c.mId, c.mValue);
        } else {
          ApplyTimeChange(tl, c);
          events.AddTransport((uint32_t)(c.mAt - f), TransportOf(tl.At(c.mAt), s.mRate, s.mSeconds));
        }
      }
      T* io[2] = {r.mClap[0].data() + f, nCh > 1 ? r.mClap[1].data() + f : nullptr};
      clap.Process<T>(io, io, (uint32_t)nCh, (uint32_t)n, s.mTransport ? &start : nullptr, &events);
      f += n;
    }
    EXPECT_TRUE(host.mViolations.empty()) << host.mViolations[0];
  }

  // ---- VST2: the same blocks, split at the changes inside them -------------------------------
  {
    RecordingHost host;
    Instance vst(false);
    vst.Dispatch(effOpen);
    vst.Dispatch(effSetSampleRate, 0, 0, nullptr, (float)s.mRate);
    vst.Dispatch(effSetBlockSize, 0, (VstIntPtr)s.mMaxBlock);
    if (s.mMono) {
      VstSpeakerArrangement in, out;
      std::memset(&in, 0, sizeof(in));
      std::memset(&out, 0, sizeof(out));
      in.type = out.type = kSpeakerArrMono;
      in.numChannels = out.numChannels = 1;
      vst.Dispatch(effSetSpeakerArrangement, 0, (VstIntPtr)&in, &out);
    }
    vst.Dispatch(effMainsChanged, 0, 1);
    vst.Dispatch(effStartProcess);
    Timeline tl{s.mRate, s.mStart, Timeline::OnGrid(s.mStart * s.mTempo / 60.0 / s.mRate), s.mTempo};
    size_t next = 0;
    int k = 0;
    int64_t counted = 0; // the free-running host's frame count
    for (int f = 0; f < s.mFrames; ++k) {
      const int n = std::min(s.mBlocks[k % s.mBlocks.size()], s.mFrames - f);
      // The timeline at the block start, and the base's view of it further in (as a host
      // layer moves a record on: IHostTime::After from the last change).
      for (; next < s.mChanges.size() && s.mChanges[next].mAt == f; ++next) {
        const Change& c = s.mChanges[next];
        if (c.mKind == Change::kParam) {
          vst.SetText(c.mId, std::to_string((long long)c.mValue).c_str());
        } else if (c.mKind == Change::kProgram) {
          vst.Dispatch(effSetProgram, 0, (VstIntPtr)c.mValue);
        } else {
          ApplyTimeChange(tl, {f, c.mKind, c.mId, c.mValue});
        }
      }
      IHostTime origin = tl.At(f);
      if (!s.mTransport) origin = IHostTime(), origin.mSamplePos = counted;
      int originFrame = f;
      int part = f;
      while (part < f + n) {
        int end = f + n;
        if (next < s.mChanges.size() && s.mChanges[next].mAt < end) end = s.mChanges[next].mAt;
        if (end > part) {
          SetVstTime(host, origin.After(part - originFrame, s.mRate), s.mTransport);
          T* in[2] = {r.mVst[0].data() + part, nCh > 1 ? r.mVst[1].data() + part : r.mVst[0].data() + part};
          if (sizeof(T) == sizeof(double))
            vst.mEffect->processDoubleReplacing(vst.mEffect, (double**)in, (double**)in, end - part);
          else
            vst.mEffect->processReplacing(vst.mEffect, (float**)in, (float**)in, end - part);
          part = end;
        }
        for (; next < s.mChanges.size() && s.mChanges[next].mAt == part && part < f + n; ++next) {
          const Change& c = s.mChanges[next];
          if (c.mKind == Change::kParam) {
            vst.SetText(c.mId, std::to_string((long long)c.mValue).c_str());
          } else {
            ApplyTimeChange(tl, c);
            origin = tl.At(part);
            originFrame = part;
          }
        }
      }
      counted += n;
      f += n;
    }
  }
  return r;
}

class ClapVsVst : public ::testing::TestWithParam<Scenario> {};

template <class T> void ExpectSame(const Scenario& s) {
  const Renders<T> r = Render<T>(s);
  // The gate worked: the output is neither the input nor silence.
  int gated = 0, sounding = 0;
  for (int i = 0; i < s.mFrames; ++i) {
    gated += r.mClap[0][i] != (T)Signal(0, i);
    sounding += r.mClap[0][i] != 0;
  }
  EXPECT_GT(gated, s.mFrames / 10);
  EXPECT_GT(sounding, s.mFrames / 10);
  for (int ch = 0; ch < (s.mMono ? 1 : 2); ++ch) {
    int first = -1;
    for (int i = 0; i < s.mFrames && first < 0; ++i)
      if (std::memcmp(&r.mClap[ch][i], &r.mVst[ch][i], sizeof(T)) != 0) first = i;
    EXPECT_EQ(first, -1) << "channel " << ch << " differs from frame " << first << ": clap "
                         << r.mClap[ch][first < 0 ? 0 : first] << " vst "
                         << r.mVst[ch][first < 0 ? 0 : first];
  }
}

TEST_P(ClapVsVst, SameAudioBitForBit) {
  const Scenario& s = GetParam();
  if (s.mDouble)
    ExpectSame<double>(s);
  else
    ExpectSame<float>(s);
}

Scenario Sc(const std::string& name) {
  Scenario s;
  s.mName = name;
  return s;
}

std::vector<Scenario> Scenarios() {
  std::vector<Scenario> all;
  all.push_back(Sc("Steady_T97_3_SixteenthTriplets").P(kRate, 7).Pattern(1));
  all.push_back(Sc("Steady_T174_DottedSixteenths_LowHigh_Rate48000")
                    .P(kRate, 11).P(kTarget, 3).Pattern(2));
  all.back().mRate = 48000.0;
  all.back().mTempo = 174.0;
  all.push_back(Sc("TempoChangesInsideBlocks")
                    .Pattern(3)
                    .C(Change::kTempo, 30001, 133.7)
                    .C(Change::kTempo, 61234, 88.25)
                    .C(Change::kTempo, 90112, 140.0));
  all.push_back(Sc("LoopJumpsInsideBlocks")
                    .P(kCycle, 7)
                    .Pattern(4)
                    .C(Change::kJump, 50123, 0)
                    .C(Change::kJump, 80777, 22050));
  all.push_back(Sc("ParameterEventsInsideBlocks")
                    .Pattern(5)
                    .P(kMix, 100, 10007)
                    .P(kRate, 12, 20011)
                    .P(kTarget, 1, 30013)
                    .P(kSplit, 333, 30013)
                    .P(kCycle, 7, 40017)
                    .P(kAttack, 200, 41000)
                    .P(kRelease, 0, 41000)
                    .Pattern(6, 45001)
                    .P(kTieLock, 0, 70000)
                    .P(kGate, 47, 70001));
  all.push_back(Sc("IrregularBlocks_BelowTheMinimum")
                    .Pattern(7)
                    .P(kRate, 3, 5000)
                    .C(Change::kTempo, 20000, 151.5));
  all.back().mBlocks = {1, 64, 511, 512, 100, 7, 333};
  all.push_back(Sc("StopAndStartElsewhere")
                    .Pattern(8)
                    .C(Change::kStop, 40000)
                    .C(Change::kStart, 60001, 777777));
  all.push_back(Sc("StartsLateInTheSong").Pattern(9).P(kCycle, 5));
  all.back().mStart = 16777217;
  all.push_back(Sc("BeatsWithoutSeconds_LoopJump")
                    .Pattern(10)
                    .C(Change::kJump, 70000, 176400));
  all.back().mSeconds = false;
  // Presets chosen at block starts (the list is no automation), edits in between.
  all.push_back(Sc("PresetsChosenBetweenBlocks")
                    .C(Change::kProgram, 0, 12)
                    .P(kMix, 60, 20000)
                    .C(Change::kProgram, 40448, 22)
                    .C(Change::kProgram, 80384, 0));
  all.push_back(Sc("FreeRunningHost_NoTransport").P(kRate, 6).Pattern(11));
  all.back().mTransport = false;
  all.push_back(Sc("Mono").Pattern(12).P(kTarget, 3).C(Change::kTempo, 30000, 101.0));
  all.back().mMono = true;
  all.push_back(Sc("DoubleBuffers").Pattern(13).P(kTarget, 2).C(Change::kJump, 40000, 1000));
  all.back().mDouble = true;
  return all;
}

INSTANTIATE_TEST_SUITE_P(Timelines, ClapVsVst, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<Scenario>& p) {
                           return p.param.mName;
                         });

// Every value of every visible parameter reads as the VST2 plug-in shows it (display and
// unit), and the text reads back as the value.
TEST(ClapTexts, EveryVisibleValueAsVst2ShowsIt) {
  TestHost host;
  ClapInstance clap(host, ClapFactory());
  RecordingHost vstHost;
  Instance vst;
  for (clapabi::Id id = 0; id < 10; ++id) {
    clapabi::ParamInfo info;
    ASSERT_TRUE(clap.mParams->get_info(clap.mPlugin, id, &info));
    const int step = id == kSplit ? 97 : 1; // Split Freq's 19981 values sampled
    for (int v = (int)info.min_value; v <= (int)info.max_value; v += step) {
      ASSERT_TRUE(vst.SetText((VstInt32)id, std::to_string(v).c_str()));
      const std::string shown =
          vst.Text(effGetParamDisplay, (VstInt32)id) + vst.Text(effGetParamLabel, (VstInt32)id);
      const std::string text = clap.Text(id, v);
      ASSERT_EQ(text, shown) << "parameter " << id << " value " << v;
      double back = -1.0;
      ASSERT_TRUE(clap.mParams->text_to_value(clap.mPlugin, id, text.c_str(), &back)) << text;
      EXPECT_EQ(back, v) << "parameter " << id << " text " << text;
    }
  }
}

// The state is the VST2 program chunk, byte for byte, for the same settings.
TEST(ClapState, SameBytesAsTheVst2Chunk) {
  TestHost host;
  ClapInstance clap(host, ClapFactory());
  RecordingHost vstHost;
  Instance vst;
  const std::vector<int> w = Words(77);
  const std::vector<std::pair<int, int>> values = {{kRate, 12}, {kCycle, 9}, {kMix, 33}, {kSplit, 4567}};
  for (const auto& p : values) {
    clap.Set((clapabi::Id)p.first, p.second);
    vst.SetText(p.first, std::to_string(p.second).c_str());
  }
  for (int i = 0; i < 13; ++i) {
    clap.Set((clapabi::Id)(kWord0 + i), w[i]);
    vst.SetText(kWord0 + i, std::to_string(w[i]).c_str());
  }
  EXPECT_EQ(clap.Save(), vst.Chunk(1));
}

} // namespace
