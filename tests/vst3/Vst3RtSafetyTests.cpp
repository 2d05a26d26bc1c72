// The VST3 audio path allocates nothing: after a warm-up, thousands of blocks with the
// host's parameter changes at frames inside them, a moving timeline, program changes
// through the queue and the values reported back in the output queues, in float and in
// double. The host's own queues are prepared beforehand, as a real-time host's are, so
// that every allocation counted on this thread is the plug-in's.
#include "RtCounters.h"
#include "Vst3TestHost.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vst3;

namespace {
constexpr int kFrames = 512;

template <class T> void RunBlocks(int32_t sampleSize) {
  Vst3Plugin p;
  ASSERT_TRUE(p.IsValid());
  ASSERT_TRUE(p.Setup(48000.0, kFrames, sampleSize));
  std::vector<ParamID> all;
  for (ParamID id = 0; id < 23; ++id)
    all.push_back(id);
  all.push_back(1000);
  TestParamChanges in, out;
  in.Prepare(all, 8);
  out.Prepare(all, 64);
  static T buffers[2][kFrames];
  T* channels[2] = {buffers[0], buffers[1]};
  ProcessContext ctx;
  std::memset(&ctx, 0, sizeof(ctx));
  ctx.sampleRate = 48000.0;
  ctx.state = kPlaying | kTempoValid | kProjectTimeMusicValid;
  ctx.tempo = 128.0;
  AudioBusBuffers bus;
  std::memset(&bus, 0, sizeof(bus));
  bus.numChannels = 2;
  if (sizeof(T) == 8)
    bus.channelBuffers64 = (double**)channels;
  else
    bus.channelBuffers32 = (float**)channels;
  ProcessData data;
  std::memset(&data, 0, sizeof(data));
  data.symbolicSampleSize = sampleSize;
  data.numSamples = kFrames;
  data.numInputs = data.numOutputs = 1;
  data.inputs = data.outputs = &bus;
  data.inputParameterChanges = &in;
  data.outputParameterChanges = &out;
  data.processContext = &ctx;

  auto block = [&](int i) {
    in.ClearPoints();
    out.ClearPoints();
    for (int c = 0; c < 2; ++c)
      for (int f = 0; f < kFrames; ++f)
        buffers[c][f] = (T)((f % 50) * 0.01 - 0.25);
    in.Add(0, 100, (i % 4) / 27.0 + 6.0 / 27.0); // Rate inside the block
    in.Add(9, 300, (i % 10) / 10.0);             // Mix
    in.Add(10, 0, (i % 7) / 9765624.0 * 1000.0); // a step word
    if (i % 100 == 50) in.Add(1000, 0, (i % 200 == 50 ? 3.0 : 15.0) / 49.0);
    ctx.projectTimeSamples = (int64_t)i * kFrames;
    ctx.projectTimeMusic = ctx.projectTimeSamples / (48000.0 * 60.0 / ctx.tempo);
    if (i % 300 == 299) ctx.projectTimeSamples = 0; // a loop back
    data.numSamples = i % 9 == 0 ? 0 : kFrames;     // now and then a flush
    return p.mProcessor->process(&data);
  };
  for (int i = 0; i < 400; ++i)
    ASSERT_EQ(block(i), kResultOk);
  RtThreadCounts counts;
  RtCounters::Attach(&counts);
  RtCounters::SetCounting(true);
  int failures = 0, reported = 0;
  for (int i = 400; i < 3400; ++i) {
    failures += block(i) != kResultOk;
    reported += out.Last(0) >= 0.0;
  }
  RtCounters::SetCounting(false);
  RtCounters::Attach(nullptr);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(counts.mAllocations, 0);
  EXPECT_EQ(counts.mFrees, 0);
  EXPECT_GT(counts.mLocks, 0) << "the counters saw the instance mutex";
  EXPECT_EQ(reported, 30) << "each program change reported the values to the host";
}

TEST(Vst3RealTimeSafety, TheFloatAudioPathAllocatesNothing) { RunBlocks<float>(kSample32); }
TEST(Vst3RealTimeSafety, TheDoubleAudioPathAllocatesNothing) { RunBlocks<double>(kSample64); }

} // namespace
