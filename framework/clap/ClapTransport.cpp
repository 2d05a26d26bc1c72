#include "ClapTransport.h"

#include <cmath>

namespace {
// Beats may differ from the counted ones by host rounding (some hosts keep them in single
// precision); beyond this they moved.
constexpr double kBeatJump = 1.0 / 16.0;
// Positions beyond this many frames are nonsense from a host and read as 0.
constexpr double kMaxFrames = 9.0e18;

double FixedToDouble(int64_t v) { return (double)v / clapabi::kFixedPointFactor; }

// The nearest frame to a fixed-point seconds position: whole seconds and the fraction
// apart, so that the product keeps its precision far into a song.
bool FramesFromSeconds(int64_t seconds, double sampleRate, int64_t* out) {
  const int64_t whole = seconds >= 0 ? seconds >> 31 : -((-seconds) >> 31);
  const int64_t frac = seconds - whole * ((int64_t)1 << 31);
  const double frames =
      (double)whole * sampleRate + (double)frac * sampleRate / clapabi::kFixedPointFactor;
  if (!std::isfinite(frames) || std::fabs(frames) > kMaxFrames) return false;
  *out = (int64_t)std::llround(frames);
  return true;
}
} // namespace

IHostTime ClapHostTime(const clapabi::EventTransport* transport, double sampleRate,
                       const IHostTime* counted) {
  IHostTime t;
  const int64_t countedPos = counted ? counted->mSamplePos : 0;
  t.mSamplePos = countedPos;
  if (!transport) return t;

  const uint32_t flags = transport->flags;
  if ((flags & clapabi::kTransportHasTempo) && std::isfinite(transport->tempo) &&
      transport->tempo > 0.0)
    t.mTempo = transport->tempo;
  if (flags & clapabi::kTransportHasBeatsTimeline) {
    t.mHasBeats = true;
    t.mBeats = FixedToDouble(transport->song_pos_beats);
  }
  t.mPlaying = (flags & (clapabi::kTransportIsPlaying | clapabi::kTransportIsRecording)) != 0;
  if ((flags & clapabi::kTransportHasTimeSignature) && transport->tsig_num > 0 &&
      transport->tsig_denom > 0) {
    t.mTimeSigNumerator = transport->tsig_num;
    t.mTimeSigDenominator = transport->tsig_denom;
  }
  if ((flags & clapabi::kTransportIsLoopActive) && (flags & clapabi::kTransportHasBeatsTimeline)) {
    t.mHasLoop = true;
    t.mLoopStart = FixedToDouble(transport->loop_start_beats);
    t.mLoopEnd = FixedToDouble(transport->loop_end_beats);
  }

  int64_t pos = 0;
  const bool rateKnown = sampleRate > 0.0 && std::isfinite(sampleRate);
  if ((flags & clapabi::kTransportHasSecondsTimeline) && rateKnown &&
      FramesFromSeconds(transport->song_pos_seconds, sampleRate, &pos)) {
    t.mSamplePos = pos;
  } else if (t.mHasBeats && t.mTempo > 0.0 && rateKnown) {
    const bool jumped = !counted || !counted->mHasBeats ||
                        !(std::fabs(counted->mBeats - t.mBeats) <= kBeatJump);
    if (jumped) {
      const double frames = t.mBeats * 60.0 / t.mTempo * sampleRate;
      if (std::isfinite(frames) && std::fabs(frames) < kMaxFrames)
        t.mSamplePos = (int64_t)std::llround(frames);
    }
  }
  return t;
}
