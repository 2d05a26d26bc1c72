#include "Transport.h"

#include <cmath>
#include <cstring>

namespace {
constexpr int kBeatsPerBar = 4;
constexpr double kSmpteUnitsPerSecond = 25.0 * 80.0; // 25 fps, 1/80-frame units
constexpr double kClocksPerQuarter = 24.0;

double QuarterNotesAt(const TransportState& s, int64_t pos) {
  return (double)pos / s.sampleRate * (s.tempo / 60.0);
}
} // namespace

void FillTimeInfo(const TransportState& s, double nanoSeconds, VstTimeInfo* out) {
  std::memset(out, 0, sizeof(*out));
  out->samplePos = (double)s.samplePos;
  out->sampleRate = s.sampleRate;
  out->nanoSeconds = nanoSeconds;
  out->tempo = s.tempo;
  const double ppq = QuarterNotesAt(s, s.samplePos);
  out->ppqPos = ppq;
  out->barStartPos = std::floor(ppq / kBeatsPerBar) * kBeatsPerBar;
  out->cycleStartPos = QuarterNotesAt(s, s.loopStart);
  out->cycleEndPos = QuarterNotesAt(s, s.loopEnd);
  out->timeSigNumerator = kBeatsPerBar;
  out->timeSigDenominator = 4;
  out->smpteFrameRate = kVstSmpte25fps;
  out->smpteOffset =
      (VstInt32)std::floor((double)s.samplePos / s.sampleRate * kSmpteUnitsPerSecond);
  const double clocks = ppq * kClocksPerQuarter;
  const double samplesPerClock = s.sampleRate * 60.0 / s.tempo / kClocksPerQuarter;
  out->samplesToNextClock = (VstInt32)std::lround((std::ceil(clocks) - clocks) * samplesPerClock);
  out->flags = kVstNanosValid | kVstPpqPosValid | kVstTempoValid | kVstBarsValid |
               kVstCyclePosValid | kVstTimeSigValid | kVstSmpteValid | kVstClockValid;
  if (s.playing) out->flags |= kVstTransportPlaying;
  if (s.changed) out->flags |= kVstTransportChanged;
}
