#include "PluginSettings.h"

#include "Options.h"
#include "StepWords.h"
#include "TempFile.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <strings.h>
#include <unistd.h>

namespace {

// The step words start at this parameter index.
constexpr int kFirstStepWordParam = 10;
constexpr int64_t kProbeLimit = (int64_t)1 << 50; // beyond any whole-number range
constexpr size_t kMaxStateFileBytes = 16 << 20;
// Enumerations up to this size have their texts listed.
constexpr int64_t kMaxListedTexts = 64;

std::string NumberText(int64_t v) { return std::to_string((long long)v); }

// The normalised value after setting `v` as a number text.
float NormalizedAfterSetting(PluginHost& host, int index, int64_t v) {
  host.SetParamText(index, NumberText(v));
  return host.GetParam(index);
}

std::string ParamNamesList(PluginHost& host) {
  std::string list;
  for (int i = 0; i < host.Effect()->numParams; ++i) {
    const std::string name = host.ParamName(i);
    if (name.empty()) continue;
    if (!list.empty()) list += ", ";
    list += name;
  }
  return list;
}

// Display texts of an enumeration, in value order; empty when the parameter shows
// its values as numbers or has too many to list.
std::vector<std::string> DisplayTexts(PluginHost& host, int index, const ParamRange& range) {
  std::vector<std::string> texts;
  if (range.max - range.min >= kMaxListedTexts) return texts;
  bool anyText = false;
  for (int64_t v = range.min; v <= range.max; ++v) {
    host.SetParamText(index, NumberText(v));
    texts.push_back(host.ParamDisplay(index));
    if (texts.back() != NumberText(v)) anyText = true;
  }
  if (!anyText) texts.clear();
  return texts;
}

} // namespace

int FindParam(PluginHost& host, const std::string& name) {
  const int count = host.Effect()->numParams;
  for (int i = 0; i < count; ++i)
    if (host.ParamName(i) == name) return i;
  int found = -1;
  for (int i = 0; i < count; ++i) {
    const std::string candidate = host.ParamName(i);
    if (!candidate.empty() && strcasecmp(candidate.c_str(), name.c_str()) == 0) {
      if (found >= 0) return -1; // ambiguous without the exact case
      found = i;
    }
  }
  return found;
}

ParamRange ProbeRange(PluginHost& host, int index) {
  ParamRange r;
  // Minimum: the largest whole number whose normalised value is 0.
  int64_t lo = -kProbeLimit, hi = kProbeLimit;
  if (NormalizedAfterSetting(host, index, lo) > 0.0f) {
    r.min = lo;
  } else {
    while (hi - lo > 1) { // invariant: n(lo) == 0, n(hi) > 0 or hi is the limit
      const int64_t mid = lo + (hi - lo) / 2;
      if (NormalizedAfterSetting(host, index, mid) <= 0.0f)
        lo = mid;
      else
        hi = mid;
    }
    r.min = lo;
  }
  // Maximum: the smallest whole number whose normalised value is 1.
  lo = r.min;
  hi = kProbeLimit;
  if (NormalizedAfterSetting(host, index, hi) < 1.0f) {
    r.max = hi;
  } else {
    while (hi - lo > 1) { // invariant: n(lo) < 1 or lo is the minimum, n(hi) == 1
      const int64_t mid = lo + (hi - lo) / 2;
      if (NormalizedAfterSetting(host, index, mid) >= 1.0f)
        hi = mid;
      else
        lo = mid;
    }
    r.max = hi;
  }
  return r;
}

bool SetParamByText(PluginHost& host, int index, const std::string& value, std::string* error) {
  const std::string name = host.ParamName(index);
  // A display text: the plug-in takes it and shows exactly that text afterwards. (Any
  // other text parses as a number in the plug-in, and shows as that number or its
  // text, never as the typed text itself, unless it is the number as shown.)
  if (host.SetParamText(index, value) && host.ParamDisplay(index) == value) return true;

  double number = 0;
  if (!ParseRealNumber(value, &number)) {
    const ParamRange range = ProbeRange(host, index);
    const std::vector<std::string> texts = DisplayTexts(host, index, range);
    std::string hint;
    for (const std::string& t : texts)
      hint += (hint.empty() ? "" : ", ") + t;
    *error = "unknown value '" + value + "' for " + name + " (" +
             (hint.empty() ? "" : "texts: " + hint + "; or ") + "a whole number " +
             NumberText(range.min) + ".." + NumberText(range.max) + ")";
    return false;
  }
  if (number != std::floor(number) || std::fabs(number) >= (double)kProbeLimit) {
    *error = name + " takes whole numbers: '" + value + "'";
    return false;
  }
  const ParamRange range = ProbeRange(host, index);
  const int64_t v = (int64_t)number;
  if (v < range.min || v > range.max) {
    *error = name + " value " + NumberText(v) + " is out of range " + NumberText(range.min) + ".." +
             NumberText(range.max);
    return false;
  }
  if (!host.SetParamText(index, NumberText(v))) {
    *error = "the plug-in refused " + name + " = " + NumberText(v);
    return false;
  }
  return true;
}

bool ApplySettings(PluginHost& host, const std::vector<ParamSetting>& settings,
                   std::string* error) {
  for (const ParamSetting& s : settings) {
    const int index = FindParam(host, s.name);
    if (index < 0) {
      *error = "unknown parameter '" + s.name + "' (parameters: " + ParamNamesList(host) + ")";
      return false;
    }
    if (!SetParamByText(host, index, s.value, error)) return false;
  }
  return true;
}

bool ApplyPreset(PluginHost& host, const std::string& preset, std::string* error) {
  const int count = host.Effect()->numPrograms;
  int found = -1;
  for (int i = 0; i < count && found < 0; ++i)
    if (host.ProgramName(i) == preset) found = i;
  for (int i = 0; i < count && found < 0; ++i) {
    const std::string name = host.ProgramName(i);
    if (!name.empty() && strcasecmp(name.c_str(), preset.c_str()) == 0) found = i;
  }
  int64_t number = 0;
  if (found < 0 && ParseWholeNumber(preset, &number)) {
    if (number < 1 || number > count) {
      *error = "preset number " + NumberText(number) + " is out of range 1.." + NumberText(count);
      return false;
    }
    found = (int)number - 1;
  }
  if (found < 0) {
    *error = "unknown preset '" + preset + "' (see --list-presets)";
    return false;
  }
  if (!host.SetProgram(found)) {
    *error = "the plug-in refused preset " + NumberText(found + 1) + " '" +
             host.ProgramName(found) + "'";
    return false;
  }
  return true;
}

bool ApplyPattern(PluginHost& host, const std::string& times, const std::string& volumes,
                  std::string* error) {
  if (host.Effect()->numParams < kFirstStepWordParam + kNumStepWords) {
    *error = "the plug-in has no step-word parameters for --pattern";
    return false;
  }
  uint16_t steps[128] = {};
  for (int w = 0; w < kNumStepWords; ++w) {
    int64_t word = 0;
    const std::string shown = host.ParamDisplay(kFirstStepWordParam + w);
    if (!ParseWholeNumber(shown, &word) || word < 0 || word > StepWordMax(w)) {
      *error = "the plug-in shows step word " + NumberText(w) + " as '" + shown +
               "', not as a step word";
      return false;
    }
    UnpackStepWord(w, (int)word, steps);
  }
  if (!StepsFromDigits(times.c_str(), volumes.c_str(), steps)) {
    *error = "--pattern: each step is one digit 0-4, at most 64 steps per string";
    return false;
  }
  for (int w = 0; w < kNumStepWords; ++w) {
    const std::string word = NumberText(PackStepWord(steps, w));
    const int index = kFirstStepWordParam + w;
    if (!host.SetParamText(index, word) || host.ParamDisplay(index) != word) {
      *error = "the plug-in refused step word " + NumberText(w) + " = " + word;
      return false;
    }
  }
  return true;
}

bool LoadStateFile(PluginHost& host, const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot read state file '" + path + "': " + std::strerror(errno);
    return false;
  }
  std::vector<uint8_t> data;
  char buffer[65536];
  while (in.read(buffer, sizeof(buffer)) || in.gcount() > 0) {
    data.insert(data.end(), buffer, buffer + in.gcount());
    if (data.size() > kMaxStateFileBytes) {
      *error = "state file '" + path + "' is too large to be a plug-in state";
      return false;
    }
  }
  if (in.bad()) {
    *error = "cannot read state file '" + path + "'";
    return false;
  }
  if (!host.SetChunk(data)) {
    *error = "the plug-in refused the state in '" + path + "' (" +
             NumberText((int64_t)data.size()) + " bytes)";
    return false;
  }
  return true;
}

void ListPresets(PluginHost& host, FILE* out) {
  const int count = host.Effect()->numPrograms;
  const VstIntPtr current = host.Dispatch(effGetProgram);
  std::fprintf(out, "Presets (%d):\n", count);
  for (int i = 0; i < count; ++i)
    std::fprintf(out, "%c%3d  %s\n", i == current ? '*' : ' ', i + 1, host.ProgramName(i).c_str());
}

void ListParams(PluginHost& host, FILE* out) {
  const int count = host.Effect()->numParams;
  struct Row {
    std::string name, display, label;
  };
  std::vector<Row> rows;
  for (int i = 0; i < count; ++i)
    rows.push_back({host.ParamName(i), host.ParamDisplay(i), host.ParamLabel(i)});

  std::fprintf(out, "Parameters (%d):\n", count);
  std::fprintf(out, "%4s  %-12s %-20s %-12s %s\n", "#", "Name", "Range", "Value", "Label");
  for (int i = 0; i < count; ++i) {
    const ParamRange range = ProbeRange(host, i);
    const std::vector<std::string> texts = DisplayTexts(host, i, range);
    std::string rangeText = NumberText(range.min) + ".." + NumberText(range.max);
    if (!texts.empty()) rangeText += " (" + texts.front() + ".." + texts.back() + ")";
    const Row& row = rows[(size_t)i];
    char line[512];
    std::snprintf(line, sizeof(line), "%4d  %-12s %-20s %-12s %s", i,
                  row.name.empty() ? "(step word)" : row.name.c_str(), rangeText.c_str(),
                  row.display.c_str(), row.label.c_str());
    std::string text = line;
    while (!text.empty() && text.back() == ' ')
      text.pop_back();
    std::fprintf(out, "%s\n", text.c_str());
    if (texts.size() > 2) {
      std::string all;
      for (const std::string& t : texts)
        all += (all.empty() ? "" : ", ") + t;
      std::fprintf(out, "%6s%s\n", "", all.c_str());
    }
  }
}

bool ApplyAllSettings(PluginHost& host, const RenderOptions& options, std::string* error) {
  if (!options.stateIn.empty() && !LoadStateFile(host, options.stateIn, error)) return false;
  if (options.hasPreset && !ApplyPreset(host, options.preset, error)) return false;
  if (options.hasPattern &&
      !ApplyPattern(host, options.patternTimes, options.patternVolumes, error))
    return false;
  return ApplySettings(host, options.settings, error);
}

bool WriteStateFile(PluginHost& host, const std::string& path, TempFile* file, std::string* error) {
  std::vector<uint8_t> chunk;
  if (!host.GetChunk(&chunk)) {
    *error = "the plug-in returned no state for --state-out";
    return false;
  }
  const int fd = file->Create(path, error);
  if (fd < 0) return false;
  size_t written = 0;
  while (written < chunk.size()) {
    const ssize_t n = write(fd, chunk.data() + written, chunk.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = "cannot write '" + path + "': " + std::strerror(errno);
      close(fd);
      return false;
    }
    written += (size_t)n;
  }
  if (close(fd) != 0) {
    *error = "cannot write '" + path + "': " + std::strerror(errno);
    return false;
  }
  return true;
}
