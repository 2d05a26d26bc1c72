#pragma once
// An independent reader of the saved state, for chunks taken while other threads edit:
// the parameter block is one little-endian double per saved parameter; the VST2 chunk
// (program or bank) puts the 32-bit version 10200 in front of it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ParamRange {
  double mMin, mMax;
};

// True when `size` bytes hold exactly one value inside its range per entry of `ranges`
// (a whole number where `whole`: the VST2 plug-in keeps whole values, the Audio Unit
// keeps what its host set); else false with the first fault.
bool CheckParamBlock(const uint8_t* data, size_t size, const std::vector<ParamRange>& ranges,
                     bool whole, std::string* why);
// A block of whole values behind the version.
bool CheckVstChunk(const uint8_t* data, size_t size, const std::vector<ParamRange>& ranges,
                   std::string* why);
