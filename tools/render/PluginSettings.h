#pragma once
// Settings applied to the plug-in through its host interface only: parameters by
// name and display text, presets by name or slot, the step pattern through the
// step-word parameters, and the saved state. Each answers false with a one-line
// message for input the plug-in does not know.
#include "PluginHost.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The whole-number range of a parameter as the host interface shows it.
struct ParamRange {
  int64_t min = 0;
  int64_t max = 0;
};

// Finds the parameter whose name (effGetParamName) is `name`, exactly or, failing
// that, ignoring case. -1 when there is none.
int FindParam(PluginHost& host, const std::string& name);

// Finds the range by setting whole numbers through effString2Parameter and reading
// the normalised value back: 0 exactly at and below the minimum, 1 at and above the
// maximum. Leaves the parameter changed; callers set it afterwards.
ParamRange ProbeRange(PluginHost& host, int index);

// Sets parameter `index` to `value`: one of its display texts, exactly as the
// plug-in shows it, or a whole number within its range.
bool SetParamByText(PluginHost& host, int index, const std::string& value, std::string* error);

// NAME=VALUE for each setting, in order.
bool ApplySettings(PluginHost& host, const std::vector<struct ParamSetting>& settings,
                   std::string* error);

// Loads a preset given by its name as listed, or by its 1-based slot number.
bool ApplyPreset(PluginHost& host, const std::string& preset, std::string* error);

// The step pattern: the step words (parameters 10-22) are read, the leading step
// times and volumes replaced by the digits, and the words written back.
bool ApplyPattern(PluginHost& host, const std::string& times, const std::string& volumes,
                  std::string* error);

// Restores the state from a file holding the chunk as a host stores it.
bool LoadStateFile(PluginHost& host, const std::string& path, std::string* error);
// Writes the chunk as a host stores it into `file` (a temporary beside `path`, committed
// by the caller).
bool WriteStateFile(PluginHost& host, const std::string& path, class TempFile* file,
                    std::string* error);

// Applies the settings of the command line in their order: state, preset, pattern, then
// each --set.
bool ApplyAllSettings(PluginHost& host, const struct RenderOptions& options, std::string* error);

// Prints the presets (slot number and name) and the parameters (index, name, range,
// current value, label). Listing the parameters probes their ranges, so it changes
// them: list, then stop.
void ListPresets(PluginHost& host, FILE* out);
void ListParams(PluginHost& host, FILE* out);
