#include "ChunkCheck.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int32_t kVersion = 10200;

uint64_t ReadLE(const uint8_t* p, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i)
    v = (v << 8) | p[i];
  return v;
}

} // namespace

bool CheckParamBlock(const uint8_t* data, size_t size, const std::vector<ParamRange>& ranges,
                     bool whole, std::string* why) {
  if (size != ranges.size() * 8) {
    *why = "the parameter block has " + std::to_string(size) + " bytes, not " +
           std::to_string(ranges.size() * 8);
    return false;
  }
  for (size_t i = 0; i < ranges.size(); ++i) {
    const uint64_t bits = ReadLE(data + 8 * i, 8);
    double v;
    std::memcpy(&v, &bits, sizeof(v));
    if (!std::isfinite(v) || (whole && v != std::floor(v)) || v < ranges[i].mMin ||
        v > ranges[i].mMax) {
      *why = "parameter " + std::to_string(i) + " reads " + std::to_string(v) + ", outside " +
             std::to_string(ranges[i].mMin) + ".." + std::to_string(ranges[i].mMax);
      return false;
    }
  }
  return true;
}

bool CheckVstChunk(const uint8_t* data, size_t size, const std::vector<ParamRange>& ranges,
                   std::string* why) {
  if (size < 4 || (int32_t)ReadLE(data, 4) != kVersion) {
    *why = "the chunk does not start with the version " + std::to_string(kVersion);
    return false;
  }
  return CheckParamBlock(data + 4, size - 4, ranges, true, why);
}
