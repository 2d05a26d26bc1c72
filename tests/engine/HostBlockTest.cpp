// One host block with events inside it, as VST3 queues, CLAP events and LV2 ports deliver
// automation: the base splits the block at the events' frames, so the output is that of
// the same host running the slices one after the other, applying each event between them,
// with the timeline moved on to each slice's first frame.
#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Output {
  std::vector<double> left, right;
};

TestCorvanel* Opened(double sampleRate, int maxBlock) {
  TestCorvanel* p = new TestCorvanel;
  p->mTestTempo = 128.0;
  p->mTestTransport = 1;
  p->mTestBeatsValid = true;
  p->mTestClock = 1000;
  p->OpenLikeHost(sampleRate, maxBlock);
  p->Set(kMix, 100);
  p->Set(kAttack, 0);
  p->Set(kRelease, 0);
  p->Set(kRate, 6); // 1/32: several steps per block
  return p;
}

std::vector<double> Signal(int n, int seed) {
  std::vector<double> x((size_t)n);
  uint32_t s = 12345u + (uint32_t)seed;
  for (double& v : x) {
    s = s * 1664525u + 1013904223u;
    v = (double)(s >> 8) / 16777216.0 - 0.5;
  }
  return x;
}

// The timeline of a playing host at a frame of the song.
IHostTime TimeAt(int64_t frame, double sampleRate) {
  IHostTime t;
  t.mSamplePos = 48000 + frame;
  t.mTempo = 128.0;
  t.mHasBeats = true;
  t.mBeats = (double)(48000 + frame) * 128.0 / (60.0 * sampleRate);
  t.mPlaying = true;
  return t;
}

// Blocks of `block` frames through ProcessHostBlock, with `events` inside the block
// starting at frame `at`.
Output RunWithEvents(TestCorvanel& p, int frames, int block, int at,
                     const std::vector<IHostEvent>& events, double sampleRate) {
  const std::vector<double> inL = Signal(frames, 1), inR = Signal(frames, 2);
  Output out{std::vector<double>((size_t)frames), std::vector<double>((size_t)frames)};
  WDL_MutexLock lock(&p.mMutex);
  for (int done = 0; done < frames; done += block) {
    double* in[2] = {const_cast<double*>(&inL[(size_t)done]), const_cast<double*>(&inR[(size_t)done])};
    double* o[2] = {&out.left[(size_t)done], &out.right[(size_t)done]};
    const bool here = done == at;
    p.ProcessHostBlock(in, o, block, TimeAt(done, sampleRate), here ? events.data() : nullptr,
                       here ? (int)events.size() : 0);
  }
  return out;
}

// The same host without events in blocks: the block with the events is run as slices,
// each event applied through the host's usual path between them.
Output RunAsSlices(TestCorvanel& p, int frames, int block, int at,
                   const std::vector<IHostEvent>& events, double sampleRate) {
  const std::vector<double> inL = Signal(frames, 1), inR = Signal(frames, 2);
  Output out{std::vector<double>((size_t)frames), std::vector<double>((size_t)frames)};
  WDL_MutexLock lock(&p.mMutex);
  auto run = [&](int from, int n) {
    double* in[2] = {const_cast<double*>(&inL[(size_t)from]), const_cast<double*>(&inR[(size_t)from])};
    double* o[2] = {&out.left[(size_t)from], &out.right[(size_t)from]};
    p.ProcessHostBlock(in, o, n, TimeAt(from, sampleRate));
  };
  for (int done = 0; done < frames; done += block) {
    if (done != at) {
      run(done, block);
      continue;
    }
    int from = done;
    for (const IHostEvent& e : events) {
      if (done + e.mOffset > from) {
        run(from, done + e.mOffset - from);
        from = done + e.mOffset;
      }
      p.SetParameterFromHost(e.mParamIdx, e.mValue, e.mNormalized);
    }
    run(from, done + block - from);
  }
  return out;
}

IHostEvent Param(int offset, int idx, double value, bool normalized = false) {
  IHostEvent e;
  e.mKind = IHostEvent::kParamValue;
  e.mOffset = offset;
  e.mParamIdx = idx;
  e.mValue = value;
  e.mNormalized = normalized;
  return e;
}

TEST(HostBlock, EventsApplyAtTheirFramesAsSlicesWouldDoThem) {
  const double rate = 48000.0;
  const int block = 1024, at = 8 * block, frames = 16 * block;
  struct Case {
    const char* what;
    std::vector<IHostEvent> events;
  };
  const Case cases[] = {
      {"at frame 0", {Param(0, kGate, 40)}},
      {"mid-block", {Param(517, kMix, 30)}},
      {"at the last frame", {Param(block - 1, kTarget, 3)}},
      {"several at one frame", {Param(300, kAttack, 150), Param(300, kRelease, 90), Param(300, kFade, 60)}},
      {"normalised values", {Param(10, kSplitFreq, 0.25, true), Param(900, kTarget, 1.0, true)}},
      {"a step word", {Param(200, kStepWord0, 0)}},
      {"Rate, which resynchronises", {Param(333, kRate, 9)}},
      {"Cycle, then Rate later", {Param(100, kCycle, 3), Param(700, kRate, 12)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestCorvanel* a = Opened(rate, 512);
    TestCorvanel* b = Opened(rate, 512);
    const Output split = RunWithEvents(*a, frames, block, at, c.events, rate);
    const Output sliced = RunAsSlices(*b, frames, block, at, c.events, rate);
    EXPECT_EQ(std::memcmp(split.left.data(), sliced.left.data(), sizeof(double) * frames), 0);
    EXPECT_EQ(std::memcmp(split.right.data(), sliced.right.data(), sizeof(double) * frames), 0);
    EXPECT_EQ(a->CurrentStep(), b->CurrentStep());
    EXPECT_EQ(a->mStepPos, b->mStepPos);
    delete a;
    delete b;
  }
}

// A Rate change at frame 333 of a block resynchronises there: the envelope starts again
// from 0 on that frame (Mix 100 %, step volume 100 %: the output is the first attack
// increment times the input), and the grid stands where the song is.
TEST(HostBlock, ARateEventResynchronisesAtItsFrame) {
  const double rate = 48000.0;
  TestCorvanel* p = Opened(rate, 4096);
  const std::vector<IHostEvent> events = {Param(333, kRate, 9)};
  const Output out = RunWithEvents(*p, 2048, 1024, 1024, events, rate);
  const std::vector<double> in = Signal(2048, 1);
  EXPECT_EQ(out.left[1024 + 333], p->mAttackInc * in[1024 + 333]);
  EXPECT_NE(out.left[1024 + 332], p->mAttackInc * in[1024 + 332]);
  // 1/16 at 128 BPM and 48 kHz: 5625 samples; the song is at frame 48000 + 2048.
  const int64_t songFrame = 48000 + 2048;
  EXPECT_EQ(p->mStepLen, 5625);
  EXPECT_EQ(p->mStepPos, (int)(songFrame % 5625));
  EXPECT_EQ(p->CurrentStep(), (int)((songFrame / 5625) % 16));
  delete p;
}

// A block without events runs as it always did: whole when it fits the block size, in
// slices of the block size when longer; a block of 0 frames only applies its events.
TEST(HostBlock, BlocksWithoutEventsAndEmptyBlocks) {
  const double rate = 44100.0;
  TestCorvanel* whole = Opened(rate, 4096);
  TestCorvanel* sliced = Opened(rate, 1000);
  const Output a = RunWithEvents(*whole, 8192, 4096, -1, {}, rate);
  const Output b = RunWithEvents(*sliced, 8192, 4096, -1, {}, rate);
  EXPECT_EQ(std::memcmp(a.left.data(), b.left.data(), sizeof(double) * 8192), 0);

  WDL_MutexLock lock(&whole->mMutex);
  const IHostEvent mix = Param(0, kMix, 25);
  whole->ProcessHostBlock((double**)nullptr, (double**)nullptr, 0, TimeAt(0, rate), &mix, 1);
  EXPECT_EQ(whole->Value(kMix), 25.0);
  delete whole;
  delete sliced;
}

} // namespace
