#include "Options.h"

#include "StepWords.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t'))
    ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
    --e;
  return s.substr(b, e - b);
}

// Splits "TIMES/VOLUMES" and checks the digits the way the plug-in's packing does.
bool ParsePattern(const std::string& text, RenderOptions* out, std::string* error) {
  const size_t slash = text.find('/');
  if (slash == std::string::npos || text.find('/', slash + 1) != std::string::npos) {
    *error =
        "--pattern wants TIMES/VOLUMES, two digit strings separated by one '/': '" + text + "'";
    return false;
  }
  const std::string times = text.substr(0, slash), volumes = text.substr(slash + 1);
  uint16_t scratch[128] = {};
  if (!StepsFromDigits(times.c_str(), volumes.c_str(), scratch)) {
    *error = "--pattern '" + text +
             "': each step is one digit 0-4 (spaces allowed), at most 64 steps per string";
    return false;
  }
  out->hasPattern = true;
  out->patternTimes = times;
  out->patternVolumes = volumes;
  return true;
}

} // namespace

bool ParseWholeNumber(const std::string& text, int64_t* out) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(t.c_str(), &end, 10);
  if (errno != 0 || *end != '\0') return false;
  *out = (int64_t)v;
  return true;
}

bool ParseRealNumber(const std::string& text, double* out) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(t.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

std::string DefaultOutputPath(const std::string& input) {
  if (input.empty()) return "corvanel-demo.wav";
  const size_t slash = input.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = input.rfind('.');
  // A dot that starts the name (".take") or lies in a folder name is no extension.
  const size_t stemEnd = (dot != std::string::npos && dot > nameStart) ? dot : input.size();
  return input.substr(0, stemEnd) + "-corvanel.wav";
}

const char* UsageText() {
  return "Usage: corvanel-render [options] [INPUT] [-o OUTPUT]\n"
         "\n"
         "Renders INPUT (WAV, AIFF or FLAC; mono or stereo) through the Corvanel plug-in,\n"
         "loaded through its VST2 entry point and driven like a DAW with a running\n"
         "transport. Without INPUT it renders a built-in demo: four bars of a sustained\n"
         "stereo chord at the chosen tempo.\n"
         "\n"
         "Output: a WAV file with the input's channel count, 32-bit float unless --pcm16\n"
         "or --pcm24; by default INPUT's name with -corvanel.wav appended to its stem,\n"
         "or corvanel-demo.wav for the demo.\n"
         "\n"
         "Options:\n"
         "  -o, --output FILE     where to write the rendered audio\n"
         "  --tempo BPM           host tempo, 1 to 999 (default 120)\n"
         "  --sample-rate HZ      sample rate of the demo signal (default 44100)\n"
         "  --block N             frames per processing block (default 512)\n"
         "  --start SAMPLES       host song position of the first frame (default 0;\n"
         "                        negative for a pre-roll)\n"
         "  --preset NAME|NUMBER  load a factory preset, by name or slot number as\n"
         "                        --list-presets shows them\n"
         "  --set NAME=VALUE      set a parameter by name, to a display text (1/8T,\n"
         "                        Low - High, Yes) or a whole number; repeatable\n"
         "  --pattern T/V         step times / step volumes, one digit 0-4 per step from\n"
         "                        step 1 on (0, 25, 50, 75, 100 %), spaces allowed;\n"
         "                        e.g. --pattern '4040 2222/4444 1234'\n"
         "  --state-in FILE       restore the plug-in state (as a host stores it)\n"
         "  --state-out FILE      save the plug-in state after the render\n"
         "  --double              process in double precision (processDoubleReplacing)\n"
         "  --pcm16, --pcm24      write 16- or 24-bit integer samples\n"
         "  --list-presets        list the plug-in's presets and exit\n"
         "  --list-params         list the plug-in's parameters and exit\n"
         "  --plugin PATH         plug-in library to load (default: the one built with\n"
         "                        this tool, or Corvanel.so beside it)\n"
         "  --quiet               print nothing but errors\n"
         "  -h, --help            show this text\n"
         "  --version             show the version\n"
         "\n"
         "Settings apply in this order: --state-in, --preset, --pattern, --set.\n";
}

bool ParseOptions(int argc, const char* const* argv, RenderOptions* out, std::string* error) {
  bool inputSeen = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    bool hasInlineValue = false;
    if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      const size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        value = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
        hasInlineValue = true;
      }
    }
    // Fetches the option's value from "--opt=value" or the next argument.
    auto takeValue = [&](std::string* v) {
      if (hasInlineValue) {
        *v = value;
        return true;
      }
      if (i + 1 >= argc) {
        *error = "option " + arg + " needs a value (see --help)";
        return false;
      }
      *v = argv[++i];
      return true;
    };
    auto flag = [&](bool* f) {
      if (hasInlineValue) {
        *error = "option " + arg + " takes no value";
        return false;
      }
      *f = true;
      return true;
    };

    std::string v;
    if (arg == "-o" || arg == "--output") {
      if (!takeValue(&v)) return false;
      if (v.empty()) {
        *error = "option " + arg + " needs a file name";
        return false;
      }
      out->output = v;
    } else if (arg == "--tempo") {
      if (!takeValue(&v)) return false;
      double t = 0;
      if (!ParseRealNumber(v, &t) || t < kMinTempo || t > kMaxTempo) {
        *error = "--tempo wants a number of beats per minute from 1 to 999: '" + v + "'";
        return false;
      }
      out->tempo = t;
    } else if (arg == "--sample-rate") {
      if (!takeValue(&v)) return false;
      int64_t r = 0;
      if (!ParseWholeNumber(v, &r) || r < kMinSampleRate || r > kMaxSampleRate) {
        *error = "--sample-rate wants a whole number of hertz from 1000 to 768000: '" + v + "'";
        return false;
      }
      out->sampleRate = (int)r;
      out->sampleRateGiven = true;
    } else if (arg == "--block") {
      if (!takeValue(&v)) return false;
      int64_t n = 0;
      if (!ParseWholeNumber(v, &n) || n < 1 || n > kMaxBlockSize) {
        *error = "--block wants a whole number of frames from 1 to 1048576: '" + v + "'";
        return false;
      }
      out->blockSize = (int)n;
    } else if (arg == "--start") {
      if (!takeValue(&v)) return false;
      int64_t s = 0;
      // The plug-in reads the host position as a signed 32-bit count.
      if (!ParseWholeNumber(v, &s) || s < INT32_MIN || s > INT32_MAX) {
        *error =
            "--start wants a whole number of samples from -2147483648 to 2147483647: '" + v + "'";
        return false;
      }
      out->startPosition = s;
    } else if (arg == "--preset") {
      if (!takeValue(&v)) return false;
      if (Trim(v).empty()) {
        *error = "--preset wants a preset name or number (see --list-presets)";
        return false;
      }
      out->hasPreset = true;
      out->preset = v;
    } else if (arg == "--set") {
      if (!takeValue(&v)) return false;
      const size_t eq = v.find('=');
      if (eq == std::string::npos || Trim(v.substr(0, eq)).empty() ||
          Trim(v.substr(eq + 1)).empty()) {
        *error = "--set wants NAME=VALUE, e.g. --set Rate=1/8T: '" + v + "'";
        return false;
      }
      out->settings.push_back({Trim(v.substr(0, eq)), Trim(v.substr(eq + 1))});
    } else if (arg == "--pattern") {
      if (!takeValue(&v) || !ParsePattern(v, out, error)) return false;
    } else if (arg == "--state-in" || arg == "--state-out") {
      if (!takeValue(&v)) return false;
      if (v.empty()) {
        *error = "option " + arg + " needs a file name";
        return false;
      }
      (arg == "--state-in" ? out->stateIn : out->stateOut) = v;
    } else if (arg == "--plugin") {
      if (!takeValue(&v)) return false;
      if (v.empty()) {
        *error = "option --plugin needs a library path";
        return false;
      }
      out->plugin = v;
    } else if (arg == "--pcm16" || arg == "--pcm24") {
      bool set = false;
      if (!flag(&set)) return false;
      out->format = arg == "--pcm16" ? SampleFormat::kPcm16 : SampleFormat::kPcm24;
    } else if (arg == "--double") {
      if (!flag(&out->useDouble)) return false;
    } else if (arg == "--list-presets") {
      if (!flag(&out->listPresets)) return false;
    } else if (arg == "--list-params") {
      if (!flag(&out->listParams)) return false;
    } else if (arg == "--quiet" || arg == "-q") {
      if (!flag(&out->quiet)) return false;
    } else if (arg == "--help" || arg == "-h") {
      if (!flag(&out->help)) return false;
    } else if (arg == "--version") {
      if (!flag(&out->version)) return false;
    } else if (arg == "--") {
      // Everything after "--" is a file name.
      for (++i; i < argc; ++i) {
        if (inputSeen) {
          *error = std::string("more than one input file: '") + argv[i] + "'";
          return false;
        }
        out->input = argv[i];
        inputSeen = true;
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      *error = "unknown option '" + arg + "' (see --help)";
      return false;
    } else {
      if (inputSeen) {
        *error = "more than one input file: '" + out->input + "' and '" + arg + "'";
        return false;
      }
      if (arg.empty()) {
        *error = "the input file name is empty";
        return false;
      }
      out->input = arg;
      inputSeen = true;
    }
  }
  if (out->sampleRateGiven && !out->input.empty()) {
    *error = "--sample-rate applies to the demo signal only; the input file sets the rate";
    return false;
  }
  return true;
}
