#include "PluginHost.h"

#include <chrono>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

namespace {

// The instance being created: the plug-in may call back with a null effect from
// inside its entry point, before the host could mark the record as its own.
PluginHost* gCreating = nullptr;

// Generous text buffers: real plug-ins are known to overrun the nominal lengths.
constexpr size_t kTextBufferSize = 256;

double NowNanoSeconds() {
  using namespace std::chrono;
  return (double)duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

void CopyText(char* dest, const char* src, size_t capacity) {
  std::strncpy(dest, src, capacity - 1);
  dest[capacity - 1] = '\0';
}

// True when the symbol lies in the library itself, not in something it pulled in
// (a legacy "main" must be the plug-in's, never the program's).
bool SymbolBelongsTo(void* library, void* symbol) {
  struct link_map* map = nullptr;
  Dl_info info;
  if (dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || !map) return false;
  if (!dladdr(symbol, &info) || !info.dli_fname) return false;
  return std::strcmp(info.dli_fname, map->l_name) == 0;
}

} // namespace

int PluginHost::VendorVersion() {
  return CORVANEL_VERSION_MAJOR * 10000 + CORVANEL_VERSION_MINOR * 100 + CORVANEL_VERSION_PATCH;
}

PluginHost::PluginHost() = default;

PluginHost::~PluginHost() { Unload(); }

bool PluginHost::Load(const std::string& path, std::string* error) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    *error = "plug-in library '" + path + "' not found: " + std::strerror(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    *error = "plug-in library '" + path + "' is a folder";
    return false;
  }
  // A bare file name would make dlopen search the system's library folders.
  const std::string loadPath = path.find('/') == std::string::npos ? "./" + path : path;
  dlerror();
  mLibrary = dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!mLibrary) {
    const char* why = dlerror();
    *error = "cannot load plug-in library '" + path + "': " + (why ? why : "unknown reason");
    return false;
  }
  void* entry = dlsym(mLibrary, "VSTPluginMain");
  if (!entry) {
    entry = dlsym(mLibrary, "main");
    if (entry && !SymbolBelongsTo(mLibrary, entry)) entry = nullptr;
  }
  if (!entry) {
    *error = "'" + path + "' is no VST2 plug-in: it exports no VSTPluginMain entry point";
    Unload();
    return false;
  }
  VstPluginMainProc pluginMain;
  static_assert(sizeof(pluginMain) == sizeof(entry), "function and data pointers differ");
  std::memcpy(&pluginMain, &entry, sizeof(pluginMain));
  return Create(pluginMain, "'" + path + "'", error);
}

bool PluginHost::Create(VstPluginMainProc pluginMain, const std::string& name, std::string* error) {
  gCreating = this;
  AEffect* effect = pluginMain(&PluginHost::Callback);
  gCreating = nullptr;
  if (!effect) {
    *error = "the plug-in in " + name + " created no instance (its entry point returned null)";
    Unload();
    return false;
  }
  if (effect->magic != kEffectMagic || !effect->dispatcher) {
    *error = name + " returned no valid VST2 effect record (wrong magic number)";
    Unload();
    return false;
  }
  effect->resvd1 = (VstIntPtr)this;
  mEffect = effect;
  return true;
}

void PluginHost::Unload() {
  if (mEffect) {
    if (mResumed) Suspend();
    AEffect* effect = mEffect;
    mEffect = nullptr;
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  }
  if (mLibrary) {
    dlclose(mLibrary);
    mLibrary = nullptr;
  }
}

VstIntPtr PluginHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                               float opt) {
  if (!mEffect) return 0;
  return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
}

void PluginHost::Open() { Dispatch(effOpen); }

void PluginHost::SetSampleRate(double rate) {
  mTransport.sampleRate = rate;
  Dispatch(effSetSampleRate, 0, 0, nullptr, (float)rate);
}

void PluginHost::SetBlockSize(int frames) {
  mBlockSize = frames;
  Dispatch(effSetBlockSize, 0, frames);
}

void PluginHost::SetChannels(int inputs, int outputs) {
  auto fill = [](VstSpeakerArrangement* a, int channels) {
    std::memset(a, 0, sizeof(*a));
    a->numChannels = channels;
    a->type = channels == 1 ? kSpeakerArrMono : kSpeakerArrStereo;
    for (int i = 0; i < channels && i < 8; ++i)
      a->speakers[i].type = channels == 1 ? kSpeakerM : (i == 0 ? kSpeakerL : kSpeakerR);
  };
  fill(&mInputArrangement, inputs);
  fill(&mOutputArrangement, outputs);
  Dispatch(effSetSpeakerArrangement, 0, (VstIntPtr)&mInputArrangement, &mOutputArrangement);
}

void PluginHost::SetPrecision(bool useDouble) {
  Dispatch(effSetProcessPrecision, 0, useDouble ? kVstProcessPrecision64 : kVstProcessPrecision32);
}

void PluginHost::Resume() {
  Dispatch(effMainsChanged, 0, 1);
  Dispatch(effStartProcess);
  mResumed = true;
}

void PluginHost::Suspend() {
  mResumed = false;
  Dispatch(effStopProcess);
  Dispatch(effMainsChanged, 0, 0);
}

std::string PluginHost::TextOpcode(VstInt32 opcode, VstInt32 index) {
  char buffer[kTextBufferSize] = {};
  Dispatch(opcode, index, 0, buffer);
  buffer[kTextBufferSize - 1] = '\0';
  return buffer;
}

std::string PluginHost::ParamName(int index) { return TextOpcode(effGetParamName, index); }
std::string PluginHost::ParamDisplay(int index) { return TextOpcode(effGetParamDisplay, index); }
std::string PluginHost::ParamLabel(int index) { return TextOpcode(effGetParamLabel, index); }

std::string PluginHost::ProgramName(int index) {
  return TextOpcode(effGetProgramNameIndexed, index);
}

bool PluginHost::SetParamText(int index, const std::string& text) {
  char buffer[kTextBufferSize] = {};
  CopyText(buffer, text.c_str(), sizeof(buffer));
  return Dispatch(effString2Parameter, index, 0, buffer) != 0;
}

float PluginHost::GetParam(int index) {
  return mEffect && mEffect->getParameter ? mEffect->getParameter(mEffect, index) : 0.0f;
}

void PluginHost::SetParam(int index, float normalized) {
  if (mEffect && mEffect->setParameter) mEffect->setParameter(mEffect, index, normalized);
}

bool PluginHost::SetProgram(int index) {
  Dispatch(effSetProgram, 0, index);
  return Dispatch(effGetProgram) == index;
}

bool PluginHost::GetChunk(std::vector<uint8_t>* out) {
  void* data = nullptr;
  const VstIntPtr size = Dispatch(effGetChunk, 0, 0, &data);
  if (size <= 0 || !data) return false;
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  out->assign(bytes, bytes + size);
  return true;
}

bool PluginHost::SetChunk(const std::vector<uint8_t>& data) {
  // The plug-in copies the bytes; a copy keeps our buffer out of its reach.
  std::vector<uint8_t> copy(data);
  if (copy.empty()) copy.push_back(0); // a valid pointer even for an empty file
  return Dispatch(effSetChunk, 0, (VstIntPtr)data.size(), copy.data()) == 1;
}

VstIntPtr VSTCALLBACK PluginHost::Callback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                           VstIntPtr value, void* ptr, float opt) {
  PluginHost* host = effect && effect->resvd1 ? (PluginHost*)effect->resvd1 : gCreating;
  if (!host) return opcode == audioMasterVersion ? kVstVersion : 0;
  return host->HandleCallback(opcode, index, value, ptr, opt);
}

VstIntPtr PluginHost::HandleCallback(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                     float opt) {
  switch (opcode) {
  case audioMasterVersion:
    return kVstVersion;
  case audioMasterCurrentId:
    return 0;
  case audioMasterGetTime:
    // The whole record every time, whatever the request mask: the tempo and the
    // position of the current block's first frame.
    ++mTimeRequests;
    FillTimeInfo(mTransport, NowNanoSeconds(), &mTimeInfo);
    return (VstIntPtr)&mTimeInfo;
  case audioMasterGetSampleRate:
    return (VstIntPtr)mTransport.sampleRate;
  case audioMasterGetBlockSize:
    return mBlockSize;
  case audioMasterGetCurrentProcessLevel:
    return mRendering ? kVstProcessLevelOffline : kVstProcessLevelUser;
  case audioMasterGetAutomationState:
    return kVstAutomationOff;
  case audioMasterGetLanguage:
    return kVstLangEnglish;
  case audioMasterGetProductString:
    if (ptr) CopyText((char*)ptr, ProductName(), kVstMaxProductStrLen);
    return ptr ? 1 : 0;
  case audioMasterGetVendorString:
    if (ptr) CopyText((char*)ptr, VendorName(), kVstMaxVendorStrLen);
    return ptr ? 1 : 0;
  case audioMasterGetVendorVersion:
    return VendorVersion();
  case audioMasterCanDo: {
    const char* what = (const char*)ptr;
    if (!what) return 0;
    if (!std::strcmp(what, "sendVstTimeInfo") || !std::strcmp(what, "startStopProcess"))
      return kVstCanDoYes;
    return kVstCanDoUnknown;
  }
  case audioMasterAutomate:
    if (mKeepEdits) mEdits.push_back({Edit::kChange, index, opt});
    return 1;
  case audioMasterBeginEdit:
    if (mKeepEdits) mEdits.push_back({Edit::kBegin, index, 0.0f});
    return 1;
  case audioMasterEndEdit:
    if (mKeepEdits) mEdits.push_back({Edit::kEnd, index, 0.0f});
    return 1;
  case audioMasterUpdateDisplay:
    // The values are read when needed.
    return 1;
  default:
    (void)index;
    (void)value;
    (void)opt;
    return 0;
  }
}
