#pragma once
// Command line of corvanel-render: what to render, how the host drives the plug-in,
// and what the plug-in is set to before the first block.
#include <cstdint>
#include <string>
#include <vector>

enum class SampleFormat { kFloat32, kPcm16, kPcm24 };

// One --set NAME=VALUE, checked against the plug-in once it is loaded.
struct ParamSetting {
  std::string name;
  std::string value;
};

struct RenderOptions {
  std::string input;  // empty: the built-in demo signal
  std::string output; // empty: derived from the input (DefaultOutputPath)
  std::string plugin; // empty: the library built with the tool
  double tempo = 120.0;
  int sampleRate = 44100; // demo signal only
  bool sampleRateGiven = false;
  int blockSize = 512;
  int64_t startPosition = 0; // host song position of the first frame, in samples
  bool hasPreset = false;
  std::string preset; // a name as listed, or the 1-based slot number
  bool hasPattern = false;
  std::string patternTimes, patternVolumes;
  std::vector<ParamSetting> settings;
  std::string stateIn, stateOut;
  SampleFormat format = SampleFormat::kFloat32;
  bool useDouble = false;
  bool listPresets = false;
  bool listParams = false;
  bool quiet = false;
  bool help = false;
  bool version = false;
};

// Limits of the numeric options.
constexpr double kMinTempo = 1.0, kMaxTempo = 999.0;
constexpr int kMinSampleRate = 1000, kMaxSampleRate = 768000;
constexpr int kMaxBlockSize = 1 << 20;

// Parses argv[1..]. Answers false with a one-line message (no program name) for an
// unknown option, a missing or malformed value, a value out of range, a malformed
// pattern or a second input file.
bool ParseOptions(int argc, const char* const* argv, RenderOptions* out, std::string* error);

// The usage text printed by --help.
const char* UsageText();

// The output written when -o is not given: the input with "-corvanel.wav" appended to
// its stem (dir/take.flac -> dir/take-corvanel.wav), or "corvanel-demo.wav" for the demo.
std::string DefaultOutputPath(const std::string& input);

// Strict number parsing: the whole text (blanks around it allowed) must be the number.
bool ParseWholeNumber(const std::string& text, int64_t* out);
bool ParseRealNumber(const std::string& text, double* out);
