// A CLAP transport as the host-time record: the sample position derived from the seconds
// timeline lands on the frame the host counted, at every rate and far into a song; without
// seconds, the counted frames go on until the beats jump; no transport, or the all-zero
// one a host gives before it has filled it, reads as a stopped host without tempo.
#include "ClapTestHost.h"
#include "ClapTransport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

TEST(ClapTransport, TheSecondsTimelineGivesTheHostsFrameExactly) {
  const double rates[] = {22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0, 44100.5};
  const int64_t positions[] = {0, 1, 44099, 1000003, 16777217, 2147483647LL + 5,
                               4294967296LL * 3 + 77, 400000000000LL};
  for (double rate : rates)
    for (int64_t pos : positions) {
      // The host's seconds, on the transport's 2^-31 s grid.
      const double seconds = (double)pos / rate;
      const clapabi::EventTransport t = MakeTransport(true, 120.0, std::nan(""), seconds);
      const IHostTime time = ClapHostTime(&t, rate, nullptr);
      EXPECT_EQ(time.mSamplePos, pos) << "rate " << rate;
    }
}

TEST(ClapTransport, WithoutSecondsTheCountGoesOnUntilTheBeatsJump) {
  const double rate = 44100.0;
  IHostTime counted;
  counted.mSamplePos = 123456; // the last block's position moved on by its frames
  counted.mTempo = 120.0;
  counted.mHasBeats = true;
  counted.mBeats = 123456.0 * 2.0 / rate;
  // The host's beats in single precision, off by far less than a sixteenth: still counted.
  clapabi::EventTransport t = MakeTransport(true, 120.0, (float)counted.mBeats, std::nan(""));
  EXPECT_EQ(ClapHostTime(&t, rate, &counted).mSamplePos, 123456);
  // A loop back to beat 8: the position follows the beats.
  t = MakeTransport(true, 120.0, 8.0, std::nan(""));
  EXPECT_EQ(ClapHostTime(&t, rate, &counted).mSamplePos, 176400);
  // The first block after activation takes the beats' position.
  EXPECT_EQ(ClapHostTime(&t, rate, nullptr).mSamplePos, 176400);
}

TEST(ClapTransport, NoTransportAndTheAllZeroOneReadAsAStoppedHostWithoutTempo) {
  IHostTime counted;
  counted.mSamplePos = 777;
  clapabi::EventTransport zero;
  std::memset(&zero, 0, sizeof(zero));
  for (const clapabi::EventTransport* t : {(const clapabi::EventTransport*)nullptr,
                                           (const clapabi::EventTransport*)&zero}) {
    const IHostTime time = ClapHostTime(t, 48000.0, &counted);
    EXPECT_EQ(time.mSamplePos, 777); // free-running: the frames go on
    EXPECT_EQ(time.mTempo, 0.0);
    EXPECT_FALSE(time.mHasBeats);
    EXPECT_FALSE(time.mPlaying);
    EXPECT_EQ(time.mTimeSigNumerator, 0);
  }
  // Fields without their flags are not read; nonsense values are not taken.
  clapabi::EventTransport junk = MakeTransport(true, -5.0, std::nan(""), 1e300);
  junk.flags |= clapabi::kTransportHasTempo;
  junk.tempo = std::nan("");
  junk.song_pos_seconds = INT64_MAX;
  const IHostTime time = ClapHostTime(&junk, 1e300, &counted);
  EXPECT_EQ(time.mTempo, 0.0);
  EXPECT_EQ(time.mSamplePos, 777);
  EXPECT_TRUE(time.mPlaying);
}

TEST(ClapTransport, LoopAndTimeSignatureWhenGiven) {
  clapabi::EventTransport t = MakeTransport(true, 97.3, 3.5, 1.0);
  t.flags |= clapabi::kTransportIsLoopActive;
  t.loop_start_beats = (int64_t)4 << 31;
  t.loop_end_beats = (int64_t)12 << 31;
  t.tsig_num = 7;
  t.tsig_denom = 8;
  const IHostTime time = ClapHostTime(&t, 44100.0, nullptr);
  EXPECT_TRUE(time.mHasLoop);
  EXPECT_EQ(time.mLoopStart, 4.0);
  EXPECT_EQ(time.mLoopEnd, 12.0);
  EXPECT_EQ(time.mTimeSigNumerator, 7);
  EXPECT_EQ(time.mTimeSigDenominator, 8);
  EXPECT_EQ(time.mBeats, 3.5);
  EXPECT_EQ(time.mTempo, 97.3);
}

} // namespace
