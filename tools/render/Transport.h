#pragma once
// The host's transport as the plug-in sees it through audioMasterGetTime: a song
// position that advances with every processed block, a fixed tempo and a 4/4 bar.
#include "vst2_abi.h"

#include <cstdint>

struct TransportState {
  double sampleRate = 44100.0;
  double tempo = 120.0;
  int64_t samplePos = 0; // song position of the next block's first frame
  bool playing = false;
  bool changed = false;               // the play state changed at this block
  int64_t loopStart = 0, loopEnd = 0; // the rendered range, as the host's locators
};

// Fills every field of the time info for the state: musical position, bar start
// (4/4), locators, SMPTE offset (25 fps), MIDI clock, with all validity flags.
void FillTimeInfo(const TransportState& state, double nanoSeconds, VstTimeInfo* out);
