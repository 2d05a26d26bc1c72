// The params extension: the plug-in's parameters by index, in their plain units. The ten
// visible ones are automatable (stepped, and enumerations where every value has a text);
// the thirteen step words carry the pattern, hidden and not automatable, yet stored in the
// state and restored with it; the editor's three signals are hidden and read-only. Texts
// are those the VST2 plug-in shows: the display text, then the unit ("1/16", "1000Hz").
// After them comes "Preset", the factory presets by name (see IPlugCLAP::ProgramParamId).
#include "ClapExtensions.h"
#include "IPlugCLAP.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// Host texts are read up to this many bytes.
constexpr int kHostTextLen = 256;

void CopyText(char* dest, const char* src, size_t capacity) {
  if (!dest || capacity == 0) return;
  size_t n = 0;
  for (; src && n + 1 < capacity && src[n]; ++n)
    dest[n] = src[n];
  dest[n] = 0;
}

// Every integer value of the range has a display text.
bool EveryValueHasText(const IParam* param) {
  if (param->DisplayTextCount() == 0) return false;
  for (int v = (int)param->GetMin(); v <= (int)param->GetMax(); ++v)
    if (!param->GetDisplayText(v)[0]) return false;
  return true;
}
} // namespace

struct ClapParamsExtension {
  static IPlugCLAP* Plug(const clapabi::Plugin* plugin) {
    return plugin ? (IPlugCLAP*)plugin->plugin_data : nullptr;
  }

  // [main thread]
  static uint32_t CLAPABI_CALL Count(const clapabi::Plugin* plugin) {
    IPlugCLAP* plug = Plug(plugin);
    return plug ? (uint32_t)(plug->NParams() + (plug->ProgramParamId() >= 0 ? 1 : 0)) : 0;
  }

  static bool CLAPABI_CALL GetInfo(const clapabi::Plugin* plugin, uint32_t index,
                                   clapabi::ParamInfo* info) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug || !info || index >= Count(plugin)) return false;
    WDL_MutexLock lock(&plug->mMutex);
    const int idx = (int)index;
    if (idx == plug->ProgramParamId()) {
      std::memset(info, 0, sizeof(*info));
      info->id = (clapabi::Id)idx;
      info->flags = clapabi::kParamIsStepped | clapabi::kParamIsEnum;
      CopyText(info->name, "Preset", sizeof(info->name));
      info->min_value = 0.0;
      info->max_value = plug->NPrograms() - 1;
      info->default_value = 0.0;
      return true;
    }
    const IParam* param = plug->GetParam(idx);
    std::memset(info, 0, sizeof(*info));
    info->id = (clapabi::Id)idx;
    uint32_t flags = 0;
    if (param->IsIntegerKind()) flags |= clapabi::kParamIsStepped;
    if (param->IsIntegerKind() && EveryValueHasText(param)) flags |= clapabi::kParamIsEnum;
    if (idx >= plug->NSavedParams())
      flags |= clapabi::kParamIsHidden | clapabi::kParamIsReadonly;
    else if (param->GetCanAutomate())
      flags |= clapabi::kParamIsAutomatable;
    else
      flags |= clapabi::kParamIsHidden;
    info->flags = flags;
    info->cookie = nullptr;
    WriteName(plug, idx, info->name, sizeof(info->name));
    info->min_value = param->GetMin();
    info->max_value = param->GetMax();
    info->default_value = plug->mDefaults[idx];
    return true;
  }

  // The parameter's own name; the hidden ones without a name get one for the host's lists.
  static void WriteName(IPlugCLAP* plug, int idx, char* out, size_t size) {
    static const char* const kSignalNames[] = {"Step Edited", "Shift Time", "Shift Volume"};
    const IParam* param = plug->GetParam(idx);
    const int saved = plug->NSavedParams(), firstWord = saved - 13;
    if (param->GetName()[0])
      CopyText(out, param->GetName(), size);
    else if (idx >= saved)
      CopyText(out, idx - saved < 3 ? kSignalNames[idx - saved] : "", size);
    else if (idx >= firstWord)
      std::snprintf(out, size, "Step Word %d", idx - firstWord + 1);
    else
      CopyText(out, "", size);
  }

  static bool CLAPABI_CALL GetValue(const clapabi::Plugin* plugin, clapabi::Id id, double* out) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug || !out || id >= Count(plugin)) return false;
    WDL_MutexLock lock(&plug->mMutex);
    if ((int)id == plug->ProgramParamId()) {
      const int current = plug->GetCurrentPresetIdx();
      *out = current < plug->NPrograms() ? current : 0;
      return true;
    }
    *out = plug->GetParam((int)id)->Value();
    return true;
  }

  static bool CLAPABI_CALL ValueToText(const clapabi::Plugin* plugin, clapabi::Id id, double value,
                                       char* out, uint32_t capacity) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug || !out || capacity == 0 || id >= Count(plugin) || std::isnan(value))
      return false;
    WDL_MutexLock lock(&plug->mMutex);
    if ((int)id == plug->ProgramParamId()) {
      const int k = (int)(value + 0.5);
      if (value < 0.0 || k >= plug->NPrograms()) return false;
      CopyText(out, plug->GetPresetName(k), capacity);
      return true;
    }
    const IParam* param = plug->GetParam((int)id);
    char text[64];
    param->FormatDisplay(value, false, text);
    const size_t n = std::strlen(text);
    CopyText(text + n, param->GetLabel(), sizeof(text) - n);
    CopyText(out, text, capacity);
    return true;
  }

  // A display text, or a number with or without its unit; anything else is refused.
  static bool CLAPABI_CALL TextToValue(const clapabi::Plugin* plugin, clapabi::Id id,
                                       const char* text, double* out) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug || !text || !out || id >= Count(plugin)) return false;
    WDL_MutexLock lock(&plug->mMutex);
    char buf[kHostTextLen];
    CopyText(buf, text, sizeof(buf));
    if ((int)id == plug->ProgramParamId()) {
      for (int k = 0; k < plug->NPrograms(); ++k)
        if (!std::strcmp(buf, plug->GetPresetName(k))) {
          *out = k;
          return true;
        }
      return false;
    }
    const IParam* param = plug->GetParam((int)id);
    int listed = 0;
    if (!(param->DisplayTextCount() > 0 && param->LookUpDisplayText(buf, &listed))) {
      // A number, followed by nothing but the parameter's unit ("1000Hz", "80 %").
      char* end = nullptr;
      const double v = std::strtod(buf, &end);
      if (end == buf || !std::isfinite(v)) return false;
      while (*end == ' ')
        ++end;
      if (*end && std::strcmp(end, param->GetLabel()) != 0) return false;
    }
    double v = param->ValueFromText(buf);
    if (v < param->GetMin()) v = param->GetMin();
    if (v > param->GetMax()) v = param->GetMax();
    *out = v;
    return true;
  }

  // [audio thread while active, main thread otherwise]
  static void CLAPABI_CALL Flush(const clapabi::Plugin* plugin, const clapabi::InputEvents* in,
                                 const clapabi::OutputEvents* out) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug) return;
    WDL_MutexLock lock(&plug->mMutex);
    plug->Flush(in, out);
  }
};

const clapabi::PluginParams kClapParams = {
    ClapParamsExtension::Count,       ClapParamsExtension::GetInfo,
    ClapParamsExtension::GetValue,    ClapParamsExtension::ValueToText,
    ClapParamsExtension::TextToValue, ClapParamsExtension::Flush,
};
