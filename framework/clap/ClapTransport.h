#pragma once
// A CLAP transport as the host-time record, apart from the adapter so that tests and the
// fuzzer reach it alone.
//
// CLAP tells no sample position, so it is derived. From the seconds timeline when the host
// gives one: the nearest frame to seconds × rate, exact for every position a host counts
// in frames (the fixed point resolves 2^-31 s, far below a frame). Without it, the frames
// counted since the last block (the position the song would be at had it played on), moved
// to the beats' position only when the host's beats leave the counted ones by more than a
// sixteenth of a beat: a loop or locate shows as a jump, steady playback counts exactly.
#include "IHostTime.h"
#include "clap_abi.h"

// `transport` null is a free-running host: the counted position, no tempo, stopped.
// `counted` is the timeline of the previous block moved on by its frames (null at the
// first block after activation: position 0).
IHostTime ClapHostTime(const clapabi::EventTransport* transport, double sampleRate,
                       const IHostTime* counted);
