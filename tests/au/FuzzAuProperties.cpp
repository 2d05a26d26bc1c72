// libFuzzer target: what a host hands the Audio Unit as bytes, on one long-lived Corvanel
// instance. The first byte picks the request: a class-info dictionary built from the input
// (keys present or not, of the right type or not, this component's codes or others', the
// rest as "data"), a property set of any size, or a property get into a buffer of any size;
// every request is followed by a short render, so a state the request left behind is used.
// Every parameter must stay a finite value inside its range.
#include "Corvanel.h"
#include "MacStandIn.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {
IPlugAU* CreateCorvanel(IPlugInstanceInfo info) { return new CLS_CORVANEL(info); }

ComponentResult Entry(ComponentParameters* params, Handle storage) {
  return IPlugAU::ComponentEntry(params, storage, CreateCorvanel, "com.orbalin.audiounit.Corvanel",
                                 "CLS_CORVANEL_View");
}

OSStatus Silence(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32 frames,
                 AudioBufferList* list) {
  for (UInt32 ch = 0; ch < list->mNumberBuffers; ++ch)
    if (list->mBuffers[ch].mData) std::memset(list->mBuffers[ch].mData, 0, frames * sizeof(float));
  return noErr;
}

AudioUnit Unit() {
  static AudioUnit unit = [] {
    ComponentDescription desc = {kAudioUnitType_Effect, 0x63687A67, 0x4F72624C, 0, 0};
    Component c = RegisterComponent(&desc, Entry, 0, nullptr, nullptr, nullptr);
    AudioUnit u = nullptr;
    OpenAComponent(c, &u);
    AURenderCallbackStruct input = {Silence, nullptr};
    AudioUnitSetProperty(u, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &input,
                         sizeof(input));
    AudioUnitInitialize(u);
    return u;
  }();
  return unit;
}

struct Reader {
  const uint8_t* mData;
  size_t mSize;
  uint8_t Byte() {
    if (!mSize) return 0;
    --mSize;
    return *mData++;
  }
  uint32_t U32() {
    return (uint32_t)Byte() | (uint32_t)Byte() << 8 | (uint32_t)Byte() << 16 |
           (uint32_t)Byte() << 24;
  }
};

void PutKey(CFMutableDictionaryRef dict, const char* key, Reader& in, SInt32 right) {
  CFTypeRef value = nullptr;
  switch (in.Byte() % 5) {
  case 0: // absent
    return;
  case 1:
    value = CFNumberCreate(nullptr, kCFNumberSInt32Type, &right);
    break;
  case 2: {
    const SInt32 other = (SInt32)in.U32();
    value = CFNumberCreate(nullptr, kCFNumberSInt32Type, &other);
    break;
  }
  case 3: {
    const double d = (double)(int32_t)in.U32() / 7.0;
    value = CFNumberCreate(nullptr, kCFNumberFloat64Type, &d);
    break;
  }
  default:
    value = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
  }
  CFStringRef k = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
  CFDictionarySetValue(dict, k, value);
  CFRelease(k);
  CFRelease(value);
}

void SetClassInfo(Reader& in) {
  CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
      nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  PutKey(dict, "version", in, 0x010200);
  PutKey(dict, "type", in, (SInt32)kAudioUnitType_Effect);
  PutKey(dict, "subtype", in, 0x63687A67);
  PutKey(dict, "manufacturer", in, 0x4F72624C);
  const uint8_t nameKind = in.Byte() % 3;
  if (nameKind) {
    CFStringRef name = nameKind == 1 ? CFStringCreateWithCString(nullptr, "Trance 10", 0)
                                     : CFStringCreateWithCString(nullptr, "no such preset", 0);
    CFDictionarySetValue(dict, CFSTR("name"), name);
    CFRelease(name);
  }
  const uint8_t dataKind = in.Byte() % 4;
  if (dataKind) {
    // Exactly the remaining bytes, so a read past them is caught.
    std::vector<uint8_t> bytes(in.mData, in.mData + in.mSize);
    CFTypeRef data = dataKind == 3
                         ? (CFTypeRef)CFStringCreateWithCString(nullptr, "data", 0)
                         : (CFTypeRef)CFDataCreate(nullptr, bytes.data(), (CFIndex)bytes.size());
    CFDictionarySetValue(dict, CFSTR("data"), data);
    CFRelease(data);
  }
  CFDictionaryRef value = dict;
  AudioUnitSetProperty(Unit(), kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &value,
                       sizeof(value));
  CFRelease(dict);
}

// Properties a host sets, with the size each one's value has; those holding pointers
// are sent only shorter than their record (a host's pointers are its own responsibility).
struct SettableProperty {
  AudioUnitPropertyID mID;
  UInt32 mSize;
  bool mHoldsPointers;
};
const SettableProperty kSettable[] = {
    {kAudioUnitProperty_ClassInfo, 8, true},
    {kAudioUnitProperty_MakeConnection, 16, true},
    {kAudioUnitProperty_SampleRate, 8, false},
    {kAudioUnitProperty_StreamFormat, 40, false},
    {kAudioUnitProperty_MaximumFramesPerSlice, 4, false},
    {kAudioUnitProperty_BypassEffect, 4, false},
    {kAudioUnitProperty_SetRenderCallback, 16, true},
    {kAudioUnitProperty_HostCallbacks, 32, true},
    {kAudioUnitProperty_CurrentPreset, 16, false},
    {kAudioUnitProperty_PresentPreset, 16, false},
    {kAudioUnitProperty_OfflineRender, 4, false},
    {kAudioUnitProperty_AUHostIdentifier, 16, true},
    {kAudioUnitProperty_ContextName, 8, true},
};

void SetProperty(Reader& in) {
  const SettableProperty& p = kSettable[in.Byte() % (sizeof(kSettable) / sizeof(kSettable[0]))];
  const AudioUnitScope scope = in.Byte() % 5;
  const AudioUnitElement element = in.Byte() % 3;
  UInt32 size = in.Byte() % 48;
  if (in.Byte() & 1) size = p.mSize;
  if (p.mHoldsPointers) size %= p.mSize; // shorter than the record: refused unread
  std::vector<uint8_t> value(size);
  for (uint8_t& b : value)
    b = in.Byte();
  // A whole preset record names a user preset with a string of the host's, or none.
  const bool preset =
      p.mID == kAudioUnitProperty_CurrentPreset || p.mID == kAudioUnitProperty_PresentPreset;
  if (preset && size == sizeof(AUPreset)) {
    const CFStringRef name = in.Byte() & 1 ? CFSTR("Mine") : nullptr;
    std::memcpy(value.data() + offsetof(AUPreset, presetName), &name, sizeof(name));
  }
  AudioUnitSetProperty(Unit(), p.mID, scope, element, size ? value.data() : nullptr, size);
}

void GetProperty(Reader& in) {
  static const AudioUnitPropertyID ids[] = {0,  2,  3,  4,  5,  8,  11, 12, 13,   14,  16,
                                            18, 20, 21, 22, 24, 28, 31, 36, 1000, 4242};
  const AudioUnitPropertyID id = ids[in.Byte() % (sizeof(ids) / sizeof(ids[0]))];
  const AudioUnitScope scope = in.Byte() % 5;
  const AudioUnitElement element = in.Byte() % 30;
  UInt32 size = in.Byte() % 120;
  std::vector<uint8_t> buffer(size ? size : 1);
  if (AudioUnitGetProperty(Unit(), id, scope, element, buffer.data(), &size) != noErr) return;
  // What the host now owns is released, as a host does.
  CFTypeRef owned[2] = {nullptr, nullptr};
  if (id == kAudioUnitProperty_ClassInfo || id == kAudioUnitProperty_FactoryPresets ||
      id == kAudioUnitProperty_ParameterValueStrings)
    std::memcpy(&owned[0], buffer.data(), sizeof(CFTypeRef));
  else if (id == kAudioUnitProperty_CurrentPreset || id == kAudioUnitProperty_PresentPreset)
    owned[0] = ((const AUPreset*)buffer.data())->presetName;
  else if (id == kAudioUnitProperty_ParameterInfo) {
    owned[0] = ((const AudioUnitParameterInfo*)buffer.data())->cfNameString;
    owned[1] = ((const AudioUnitParameterInfo*)buffer.data())->unitName;
  }
  for (CFTypeRef o : owned)
    if (o) CFRelease(o);
}

void Render(Reader& in) {
  const UInt32 frames = 1 + in.Byte() % 64;
  float buffers[2][64];
  struct {
    AudioBufferList list;
    AudioBuffer second;
  } out;
  out.list.mNumberBuffers = 1 + in.Byte() % 2;
  out.list.mBuffers[0] = {1, (UInt32)sizeof(buffers[0]), buffers[0]};
  out.list.mBuffers[1] = {1, (UInt32)sizeof(buffers[1]), buffers[1]};
  static double sampleTime = 0;
  AudioTimeStamp ts;
  std::memset(&ts, 0, sizeof(ts));
  ts.mSampleTime = sampleTime;
  ts.mFlags = kAudioTimeStampSampleTimeValid;
  sampleTime += frames;
  AudioUnitRenderActionFlags flags = 0;
  AudioUnitRender(Unit(), &flags, &ts, 0, frames, &out.list);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in = {data, size};
  switch (in.Byte() % 3) {
  case 0:
    SetClassInfo(in);
    break;
  case 1:
    SetProperty(in);
    break;
  default:
    GetProperty(in);
  }
  Render(in);
  for (AudioUnitParameterID i = 0; i < 26; ++i) {
    AudioUnitParameterValue v = 0;
    AudioUnitGetParameter(Unit(), i, kAudioUnitScope_Global, 0, &v);
    AudioUnitParameterInfo info;
    UInt32 infoSize = sizeof(info);
    AudioUnitGetProperty(Unit(), kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, i, &info,
                         &infoSize);
    CFRelease(info.cfNameString);
    if (info.unitName) CFRelease(info.unitName);
    if (!std::isfinite(v) || v < info.minValue || v > info.maxValue) __builtin_trap();
  }
  return 0;
}
