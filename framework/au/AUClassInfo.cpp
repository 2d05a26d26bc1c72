// The Audio Unit adapter's saved state and presets: the class-info dictionary both
// ways, and the factory presets array with its reference-counted preset records.
// A dictionary from the host is checked whole before anything changes.
#include "IPlugAU.h"

#include <atomic>
#include <cmath>
#include <cstring>

namespace {
CFStringRef Key(const char* key) {
  return CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
}

void SetNumber(CFMutableDictionaryRef dict, const char* key, SInt32 value) {
  CFStringRef k = Key(key);
  CFNumberRef n = CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &value);
  CFDictionarySetValue(dict, k, n);
  CFRelease(n);
  CFRelease(k);
}

// The entry under `key` when it has the given type, else null.
CFTypeRef GetEntry(CFDictionaryRef dict, const char* key, CFTypeID type) {
  CFStringRef k = Key(key);
  CFTypeRef value = CFDictionaryGetValue(dict, k);
  CFRelease(k);
  return value && CFGetTypeID(value) == type ? value : nullptr;
}

bool GetNumber(CFDictionaryRef dict, const char* key, SInt32* out) {
  CFNumberRef n = (CFNumberRef)GetEntry(dict, key, CFNumberGetTypeID());
  return n && CFNumberGetValue(n, kCFNumberSInt32Type, out);
}

// One factory preset as the array holds it: the host reads the AUPreset at its start.
struct PresetRecord {
  AUPreset mPreset;
  std::atomic<int> mRefs{0};
};

const void* RetainPreset(CFAllocatorRef, const void* value) {
  PresetRecord* record = (PresetRecord*)value;
  CFRetain(record->mPreset.presetName);
  ++record->mRefs;
  return value;
}

void ReleasePreset(CFAllocatorRef, const void* value) {
  PresetRecord* record = (PresetRecord*)value;
  CFRelease(record->mPreset.presetName);
  if (--record->mRefs == 0) delete record;
}

CFStringRef DescribePreset(const void* value) {
  const PresetRecord* record = (const PresetRecord*)value;
  return CFStringCreateWithFormat(kCFAllocatorDefault, nullptr,
                                  CFSTR("AUPreset:\npreset number = %d\npreset name = %@"),
                                  (int)record->mPreset.presetNumber, record->mPreset.presetName);
}

const CFArrayCallBacks kPresetCallBacks = {0, RetainPreset, ReleasePreset, DescribePreset, nullptr};
} // namespace

void IPlugAU::GetComponentCodes(ComponentDescription* desc) const {
  std::memset(desc, 0, sizeof(*desc));
  // The registered codes; an instance the component manager does not know has its own.
  if (!mCI || GetComponentInfo((Component)mCI, desc, nullptr, nullptr, nullptr) != noErr) {
    desc->componentType = mIsInstrument ? kAudioUnitType_MusicDevice : kAudioUnitType_Effect;
    desc->componentSubType = (OSType)mUniqueID;
    desc->componentManufacturer = (OSType)mMfrID;
  }
}

CFMutableDictionaryRef IPlugAU::GetClassInfo() {
  ComponentDescription desc;
  GetComponentCodes(&desc);
  CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
      kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  SetNumber(dict, kAUPresetVersionKey, GetEffectVersion(false));
  SetNumber(dict, kAUPresetTypeKey, (SInt32)desc.componentType);
  SetNumber(dict, kAUPresetSubtypeKey, (SInt32)desc.componentSubType);
  SetNumber(dict, kAUPresetManufacturerKey, (SInt32)desc.componentManufacturer);

  CFStringRef nameKey = Key(kAUPresetNameKey);
  CFStringRef name = CFStringCreateWithCString(
      kCFAllocatorDefault, GetPresetName(mCurrentPresetIdx), kCFStringEncodingUTF8);
  CFDictionarySetValue(dict, nameKey, name);
  CFRelease(name);
  CFRelease(nameKey);

  ChunkBuffer chunk;
  if (mDoesChunks ? WriteState(&chunk) : WriteParams(&chunk)) {
    CFStringRef dataKey = Key(kAUPresetDataKey);
    CFDataRef data = CFDataCreate(kCFAllocatorDefault, chunk.GetBytes(), chunk.Size());
    CFDictionarySetValue(dict, dataKey, data);
    CFRelease(data);
    CFRelease(dataKey);
  }
  return dict;
}

bool IPlugAU::ClassInfoDataFits(CFDataRef data) const {
  if (mDoesChunks) return true; // the plug-in's own state reader decides
  // A parameter block: one double per saved parameter, each a value its parameter can hold.
  const CFIndex expected = (CFIndex)sizeof(double) * NSavedParams();
  const CFIndex length = CFDataGetLength(data);
  if (mNStateStrings == 0 ? length != expected : length < expected) return false;
  const UInt8* bytes = CFDataGetBytePtr(data);
  if (!bytes) return expected == 0;
  for (int i = 0; i < NSavedParams(); ++i) {
    double v;
    std::memcpy(&v, bytes + sizeof(double) * i, sizeof(v));
    const IParam* param = GetParam(i);
    if (!std::isfinite(v) || v < param->GetMin() || v > param->GetMax()) return false;
  }
  return true;
}

ComponentResult IPlugAU::SetClassInfo(CFDictionaryRef dict) {
  if (!dict || CFGetTypeID(dict) != CFDictionaryGetTypeID())
    return kAudioUnitErr_InvalidPropertyValue;
  SInt32 version, type, subtype, manufacturer;
  CFStringRef name = (CFStringRef)GetEntry(dict, kAUPresetNameKey, CFStringGetTypeID());
  if (!GetNumber(dict, kAUPresetVersionKey, &version) ||
      !GetNumber(dict, kAUPresetTypeKey, &type) ||
      !GetNumber(dict, kAUPresetSubtypeKey, &subtype) ||
      !GetNumber(dict, kAUPresetManufacturerKey, &manufacturer) || !name)
    return kAudioUnitErr_InvalidPropertyValue;
  ComponentDescription desc;
  GetComponentCodes(&desc);
  if ((OSType)type != desc.componentType || (OSType)subtype != desc.componentSubType ||
      (OSType)manufacturer != desc.componentManufacturer)
    return kAudioUnitErr_InvalidPropertyValue;
  // Everything is checked before the preset or a parameter changes.
  CFDataRef data = (CFDataRef)GetEntry(dict, kAUPresetDataKey, CFDataGetTypeID());
  if (!data || !ClassInfoDataFits(data)) return kAudioUnitErr_InvalidPropertyValue;
  ChunkBuffer chunk;
  const CFIndex length = CFDataGetLength(data);
  if (length > 0x7FFFFFFF ||
      (length > 0 && chunk.PutBytes(CFDataGetBytePtr(data), (int)length) < 0))
    return kAudioUnitErr_InvalidPropertyValue;

  char presetName[256];
  if (CFStringGetCString(name, presetName, sizeof(presetName), kCFStringEncodingUTF8))
    LoadPresetByName(presetName);
  const int pos = mDoesChunks ? ReadState(&chunk, 0) : ReadParams(&chunk, 0);
  if (pos <= 0) return kAudioUnitErr_InvalidPropertyValue; // a short block reads as -1
  RefreshEditorParams();
  return noErr;
}

CFArrayRef IPlugAU::GetFactoryPresets() {
  CFMutableArrayRef presets =
      CFArrayCreateMutable(kCFAllocatorDefault, NPresets(), &kPresetCallBacks);
  for (int i = 0; i < NPresets(); ++i) {
    PresetRecord* record = new PresetRecord;
    record->mPreset.presetNumber = i;
    record->mPreset.presetName =
        CFStringCreateWithCString(kCFAllocatorDefault, GetPresetName(i), kCFStringEncodingUTF8);
    CFArrayAppendValue(presets, record); // the array's retain takes the record over
    CFRelease(record->mPreset.presetName);
  }
  return presets;
}
