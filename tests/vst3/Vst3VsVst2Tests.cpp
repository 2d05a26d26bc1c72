// The VST3 plug-in sounds exactly as the VST2 plug-in: both built libraries render the same
// signal over the same host timeline (fractional step lengths, a tempo change, a block
// longer than the announced size, a stop, a loop jump back, parameter changes at frames
// inside blocks and a factory program) in float and in double, stereo and mono, and the
// outputs must agree bit for bit. A VST3 change at frame k of a block is, for the VST2
// plug-in, the block cut at k with the value set between the two calls and the second
// call's time moved on by k frames, as a VST2 host would have it.
#include "VstInstance.h"
#include "Vst3TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace vst3;

namespace {
constexpr double kRate = 44100.0;
constexpr int kMaxBlock = 512;

struct Change {
  int mAt; // the frame in the block
  int mParam;
  float mValue;
};

struct Block {
  int mFrames;
  int64_t mPos;
  double mBeats;
  double mTempo;
  bool mPlaying;
  // In the order the host lists them: by parameter, not by frame.
  std::vector<Change> mChanges;
};

// The host's timeline: 120 BPM (a 1/16 step is 5512.5 frames), then 137.5 BPM, a long
// block, changes of Rate, Target and Mix inside blocks, a stop, and a jump back.
std::vector<Block> Timeline() {
  std::vector<Block> blocks;
  int64_t pos = 0;
  double beats = 0.0;
  double tempo = 120.0;
  bool playing = true;
  auto add = [&](int frames, std::vector<Change> changes = {}) {
    Block b{frames, pos, beats, tempo, playing, changes};
    blocks.push_back(b);
    pos += frames;
    beats += (double)frames / (kRate * 60.0 / tempo);
  };
  for (int i = 0; i < 40; ++i)
    add(480);
  tempo = 137.5;
  for (int i = 0; i < 20; ++i)
    add(500);
  add(1000);
  add(480, {{300, 0, 6.0f / 27.0f}}); // Rate 1/32 from frame 300
  for (int i = 0; i < 10; ++i)
    add(480);
  add(480, {{0, 8, 1.0f}});    // Target "Low - High" from the block's start
  add(480, {{479, 9, 0.55f}}); // Mix on the block's last frame
  // Mix twice in its queue, Rate 1/16 in a second queue between the two, Cycle 8.
  add(480, {{50, 9, 0.3f}, {400, 9, 0.9f}, {100, 0, 9.0f / 27.0f}, {200, 1, 7.0f / 63.0f}});
  for (int i = 0; i < 15; ++i)
    add(480);
  playing = false;
  for (int i = 0; i < 5; ++i)
    add(480);
  playing = true;
  pos = 88200; // the loop's start, two seconds in
  beats = 4.0;
  tempo = 133.33;
  for (int i = 0; i < 30; ++i)
    add(441);
  return blocks;
}

// A deterministic signal: a tone and noise, different on each channel.
template <class T> void Signal(T* out, int frames, int64_t start, int channel) {
  for (int i = 0; i < frames; ++i) {
    uint32_t x = (uint32_t)(start + i) * 2654435761u + (uint32_t)channel * 40503u;
    x ^= x >> 13;
    const double noise = (double)(x & 0xFFFF) / 65536.0 - 0.5;
    out[i] = (T)(0.5 * std::sin(0.01 * (double)(start + i) * (channel + 1)) + 0.3 * noise);
  }
}

void OpenVst2(Instance& v2, int channels) {
  v2.Dispatch(effOpen);
  VstSpeakerArrangement in, out;
  std::memset(&in, 0, sizeof(in));
  in.numChannels = channels;
  in.type = channels == 1 ? kSpeakerArrMono : kSpeakerArrStereo;
  out = in;
  v2.Dispatch(effSetSpeakerArrangement, 0, (VstIntPtr)&in, &out);
  v2.Dispatch(effSetSampleRate, 0, 0, nullptr, (float)kRate);
  v2.Dispatch(effSetBlockSize, 0, kMaxBlock);
  v2.Dispatch(effMainsChanged, 0, 1);
  v2.Dispatch(effStartProcess);
}

void Vst2Process(Instance& v2, float** in, float** out, int n) {
  v2.mEffect->processReplacing(v2.mEffect, in, out, n);
}
void Vst2Process(Instance& v2, double** in, double** out, int n) {
  v2.mEffect->processDoubleReplacing(v2.mEffect, in, out, n);
}

void SetTime(RecordingHost& host, int64_t pos, double beats, double tempo, bool playing) {
  host.mTime.samplePos = (double)pos;
  host.mTime.ppqPos = beats;
  host.mTime.tempo = tempo;
  host.mTime.flags = kVstTempoValid | kVstTimeSigValid | kVstPpqPosValid |
                     (playing ? kVstTransportPlaying : 0);
}

template <class T> void Compare(int channels) {
  RecordingHost host;
  Instance v2(false);
  ASSERT_NE(v2.mEffect, nullptr);
  OpenVst2(v2, channels);
  Vst3Plugin v3;
  ASSERT_TRUE(v3.IsValid());
  ASSERT_TRUE(v3.Setup(kRate, kMaxBlock, sizeof(T) == 8 ? kSample64 : kSample32,
                       channels == 1 ? kArrMono : kArrStereo));
  // "Trance 3" on both.
  v2.Dispatch(effSetProgram, 0, 15);
  v3.mController->setParamNormalized(1000, 15.0 / 49.0);

  std::vector<T> in[2], out2[2], out3[2];
  int64_t played = 0;
  int index = 0;
  for (const Block& b : Timeline()) {
    T* inp[2];
    T* o2[2];
    T* o3[2];
    for (int c = 0; c < 2; ++c) {
      in[c].assign((size_t)b.mFrames, 0);
      out2[c].assign((size_t)b.mFrames, 0);
      out3[c].assign((size_t)b.mFrames, 0);
      Signal(in[c].data(), b.mFrames, played, c);
      inp[c] = in[c].data();
      o2[c] = out2[c].data();
      o3[c] = out3[c].data();
    }
    played += b.mFrames;

    // VST2: the block cut where values change, each part's time moved on as the host
    // layer moves a slice's.
    std::vector<Change> byFrame = b.mChanges;
    std::stable_sort(byFrame.begin(), byFrame.end(),
                     [](const Change& x, const Change& y) { return x.mAt < y.mAt; });
    const double samplesPerBeat = kRate * 60.0 / b.mTempo;
    size_t next = 0;
    for (int done = 0; done < b.mFrames;) {
      for (; next < byFrame.size() && byFrame[next].mAt <= done; ++next)
        v2.Set(byFrame[next].mParam, byFrame[next].mValue);
      const int end = next < byFrame.size() ? byFrame[next].mAt : b.mFrames;
      SetTime(host, b.mPos + done, done ? b.mBeats + (double)done / samplesPerBeat : b.mBeats,
              b.mTempo, b.mPlaying);
      T* inPart[2] = {inp[0] + done, inp[1] + done};
      T* outPart[2] = {o2[0] + done, o2[1] + done};
      Vst2Process(v2, inPart, outPart, end - done);
      done = end;
    }

    // VST3: one block with the change at its frame.
    ProcessContext ctx;
    std::memset(&ctx, 0, sizeof(ctx));
    ctx.state = kTempoValid | kTimeSigValid | kProjectTimeMusicValid | (b.mPlaying ? kPlaying : 0);
    ctx.sampleRate = kRate;
    ctx.projectTimeSamples = b.mPos;
    ctx.projectTimeMusic = b.mBeats;
    ctx.tempo = b.mTempo;
    ctx.timeSigNumerator = ctx.timeSigDenominator = 4;
    TestParamChanges changes;
    for (const Change& c : b.mChanges)
      changes.Add((ParamID)c.mParam, c.mAt, (double)c.mValue);
    ASSERT_EQ(v3.Process(inp, o3, channels, b.mFrames, &ctx, &changes), kResultOk);

    for (int c = 0; c < channels; ++c)
      ASSERT_EQ(std::memcmp(out2[c].data(), out3[c].data(), sizeof(T) * (size_t)b.mFrames), 0)
          << "block " << index << " channel " << c;
    ++index;
  }
  // The comparison means something: the gate moved the signal.
  bool gated = false;
  for (size_t i = 0; i < out3[0].size(); ++i)
    gated = gated || out3[0][i] != in[0][i];
  EXPECT_TRUE(gated);
}

TEST(Vst3VsVst2, FloatStereoOutputIsBitForBitTheVst2Output) { Compare<float>(2); }
TEST(Vst3VsVst2, DoubleStereoOutputIsBitForBitTheVst2Output) { Compare<double>(2); }
TEST(Vst3VsVst2, FloatMonoOutputIsBitForBitTheVst2Output) { Compare<float>(1); }
TEST(Vst3VsVst2, DoubleMonoOutputIsBitForBitTheVst2Output) { Compare<double>(1); }

// Without a process context the gate runs free: exactly as with a context that only counts
// the frames, stopped and without tempo.
TEST(Vst3VsVst2, NoProcessContextRunsAsAFrameCountingTimeline) {
  Vst3Plugin a, b;
  ASSERT_TRUE(a.Setup() && b.Setup());
  int64_t pos = 0;
  for (int block = 0; block < 50; ++block) {
    float in[2][300], outA[2][300], outB[2][300];
    Signal(in[0], 300, pos, 0);
    Signal(in[1], 300, pos, 1);
    float* inp[2] = {in[0], in[1]};
    float* oa[2] = {outA[0], outA[1]};
    float* ob[2] = {outB[0], outB[1]};
    ProcessContext ctx;
    std::memset(&ctx, 0, sizeof(ctx));
    ctx.sampleRate = kRate;
    ctx.projectTimeSamples = pos;
    ASSERT_EQ(a.Process(inp, oa, 2, 300, nullptr), kResultOk);
    ASSERT_EQ(b.Process(inp, ob, 2, 300, &ctx), kResultOk);
    ASSERT_EQ(std::memcmp(outA, outB, sizeof(outA)), 0) << block;
    pos += 300;
  }
}

} // namespace
