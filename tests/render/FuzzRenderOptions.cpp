// libFuzzer target: corvanel-render's command line. The input is the arguments, each
// ended by a zero byte. A refused command line comes with a message; an accepted one
// holds only values inside the documented limits, and a pattern the plug-in takes.
#include "Options.h"
#include "StepWords.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {
bool Trimmed(const std::string& s) {
  return !s.empty() && s.front() != ' ' && s.front() != '\t' && s.back() != ' ' && s.back() != '\t';
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args = {"corvanel-render"};
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current += (char)data[i];
    }
  }
  if (!current.empty()) args.push_back(current);
  std::vector<const char*> argv;
  for (const std::string& a : args)
    argv.push_back(a.c_str());

  RenderOptions options;
  std::string error;
  if (!ParseOptions((int)argv.size(), argv.data(), &options, &error)) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  if (!error.empty()) __builtin_trap();
  if (!(options.tempo >= kMinTempo && options.tempo <= kMaxTempo)) __builtin_trap();
  if (options.sampleRate < kMinSampleRate || options.sampleRate > kMaxSampleRate) __builtin_trap();
  if (options.blockSize < 1 || options.blockSize > kMaxBlockSize) __builtin_trap();
  if (options.startPosition < INT32_MIN || options.startPosition > INT32_MAX) __builtin_trap();
  if (options.sampleRateGiven && !options.input.empty()) __builtin_trap();
  if (options.hasPreset && options.preset.find_first_not_of(" \t") == std::string::npos)
    __builtin_trap();
  for (const ParamSetting& s : options.settings)
    if (!Trimmed(s.name) || !Trimmed(s.value)) __builtin_trap();
  if (options.hasPattern) {
    uint16_t steps[128] = {};
    if (!StepsFromDigits(options.patternTimes.c_str(), options.patternVolumes.c_str(), steps))
      __builtin_trap();
  }
  return 0;
}
