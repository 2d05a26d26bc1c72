// The Audio Unit adapter's properties: what each answers and accepts, the channel
// legality of stream formats, and the input connections. Every size, scope, element
// and pointer from the host is checked here before it is used.
#include "IPlugAU.h"

#include "IGraphics.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {
// The Cocoa view factory exists where the build has the macOS editor; no build has a
// window-based view, so the unit lists no view components.
#ifdef CORVANEL_AU_COCOA_VIEW
constexpr bool kHasCocoaView = true;
#else
constexpr bool kHasCocoaView = false;
#endif
constexpr bool kHasViews = false;
// Parameter names are at most this long in an ID-name request that is not for the full name.
constexpr int kMaxShortNameLen = 31;

// A size, writability and (when asked) the value of one fixed-size property.
template <class T> void Answer(UInt32* outSize, Boolean* outWritable, bool writable) {
  *outSize = (UInt32)sizeof(T);
  *outWritable = writable;
}

CFStringRef MakeString(const char* text) {
  return CFStringCreateWithCString(kCFAllocatorDefault, text ? text : "", kCFStringEncodingUTF8);
}

// The host's version in its packed form: major in the top byte, minor and patch below.
int HostVersionFromIdentifier(UInt32 hostVersion) {
  return (int)((hostVersion >> 24) & 0xFF) * 65536 + (int)((hostVersion >> 16) & 0xFF) * 256;
}
} // namespace

ComponentResult IPlugAU::GetProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                     AudioUnitElement element, UInt32* outSize,
                                     Boolean* outWritable, void* data) {
  const bool global = scope == kAudioUnitScope_Global;
  *outSize = 0;
  *outWritable = false;
  switch (propID) {
  case kAudioUnitProperty_ClassInfo:
    Answer<CFDictionaryRef>(outSize, outWritable, true);
    if (data) *(CFDictionaryRef*)data = GetClassInfo();
    return noErr;
  case kAudioUnitProperty_MakeConnection:
    if (!global && scope != kAudioUnitScope_Input) return kAudioUnitErr_InvalidScope;
    Answer<AudioUnitConnection>(outSize, outWritable, true);
    return noErr;
  case kAudioUnitProperty_SampleRate:
    Answer<Float64>(outSize, outWritable, true);
    if (data) *(Float64*)data = mSampleRate;
    return noErr;
  case kAudioUnitProperty_ParameterList:
    if (!global) return noErr; // no parameters outside the global scope
    *outSize = (UInt32)(sizeof(AudioUnitParameterID) * NParams());
    if (data)
      for (int i = 0; i < NParams(); ++i)
        ((AudioUnitParameterID*)data)[i] = (AudioUnitParameterID)i;
    return noErr;
  case kAudioUnitProperty_ParameterInfo:
    if (!global) return kAudioUnitErr_InvalidScope;
    if (element >= (UInt32)NParams()) return kAudioUnitErr_InvalidElement;
    Answer<AudioUnitParameterInfo>(outSize, outWritable, false);
    return data ? GetParamInfo(element, (AudioUnitParameterInfo*)data) : noErr;
  case kAudioUnitProperty_FastDispatch: {
    // Through the plug-in interface the system looks the procedures up itself, and the
    // instance has no component storage a caller could pass them.
    if (mOpenedByFactory) return kAudioUnitErr_InvalidProperty;
    void* proc = nullptr;
    if (element == kAudioUnitGetParameterSelect)
      proc = (void*)DirectGetParameter;
    else if (element == kAudioUnitSetParameterSelect)
      proc = (void*)DirectSetParameter;
    else if (element == kAudioUnitRenderSelect)
      proc = (void*)DirectRender;
    else
      return kAudioUnitErr_InvalidElement;
    Answer<void*>(outSize, outWritable, false);
    if (data) *(void**)data = proc;
    return noErr;
  }
  case kAudioUnitProperty_StreamFormat: {
    const BusChannels* bus = nullptr;
    if (const ComponentResult r = FindBus(scope, element, &bus)) return r;
    Answer<AudioStreamBasicDescription>(outSize, outWritable, true);
    if (data) {
      AudioStreamBasicDescription* format = (AudioStreamBasicDescription*)data;
      std::memset(format, 0, sizeof(*format));
      format->mSampleRate = mSampleRate;
      format->mFormatID = kAudioFormatLinearPCM;
      format->mFormatFlags =
          kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;
      format->mBytesPerPacket = 4;
      format->mFramesPerPacket = 1;
      format->mBytesPerFrame = 4;
      format->mBitsPerChannel = 32;
      format->mChannelsPerFrame =
          (UInt32)(bus->mNHostChannels < 0 ? bus->mNPlugChannels : bus->mNHostChannels);
    }
    return noErr;
  }
  case kAudioUnitProperty_ElementCount:
    Answer<UInt32>(outSize, outWritable, false);
    if (data) {
      UInt32 n = 0;
      if (global)
        n = 1;
      else if (scope == kAudioUnitScope_Input)
        n = (UInt32)NInBuses();
      else if (scope == kAudioUnitScope_Output)
        n = (UInt32)NOutBuses();
      *(UInt32*)data = n;
    }
    return noErr;
  case kAudioUnitProperty_Latency:
  case kAudioUnitProperty_TailTime:
    if (!global) return kAudioUnitErr_InvalidScope;
    Answer<Float64>(outSize, outWritable, false);
    if (data) *(Float64*)data = mSampleRate > 0.0 ? (Float64)mLatency / mSampleRate : 0.0;
    return noErr;
  case kAudioUnitProperty_SupportedNumChannels:
    if (!global) return kAudioUnitErr_InvalidScope;
    *outSize = (UInt32)(sizeof(AUChannelInfo) * NChannelIO());
    if (data)
      for (int i = 0; i < NChannelIO(); ++i) {
        ((AUChannelInfo*)data)[i].inChannels = (SInt16)GetChannelIO(i)->mIn;
        ((AUChannelInfo*)data)[i].outChannels = (SInt16)GetChannelIO(i)->mOut;
      }
    return noErr;
  case kAudioUnitProperty_MaximumFramesPerSlice:
    if (!global) return kAudioUnitErr_InvalidScope;
    Answer<UInt32>(outSize, outWritable, true);
    if (data) *(UInt32*)data = (UInt32)mBlockSize;
    return noErr;
  case kAudioUnitProperty_ParameterValueStrings: {
    if (!global) return kAudioUnitErr_InvalidScope;
    if (element >= (UInt32)NParams()) return kAudioUnitErr_InvalidElement;
    const IParam* param = GetParam((int)element);
    const bool listed = param->Type() == IParam::kParamBool || param->Type() == IParam::kParamEnum;
    if (!listed || param->DisplayTextCount() == 0) return kAudioUnitErr_InvalidProperty;
    Answer<CFArrayRef>(outSize, outWritable, false);
    if (data) {
      CFMutableArrayRef strings = CFArrayCreateMutable(
          kCFAllocatorDefault, param->DisplayTextCount(), &kCFTypeArrayCallBacks);
      for (int i = 0; i < param->DisplayTextCount(); ++i) {
        CFStringRef text = MakeString(param->GetDisplayText(i));
        CFArrayAppendValue(strings, text);
        CFRelease(text);
      }
      *(CFArrayRef*)data = strings;
    }
    return noErr;
  }
  case kAudioUnitProperty_GetUIComponentList:
    if (!kHasViews || !mGraphics) return kAudioUnitErr_InvalidProperty;
    Answer<ComponentDescription>(outSize, outWritable, false);
    if (data) {
      ComponentDescription* desc = (ComponentDescription*)data;
      desc->componentType = kAudioUnitCarbonViewComponentType;
      desc->componentSubType = (OSType)mUniqueID;
      desc->componentManufacturer = (OSType)mMfrID;
      desc->componentFlags = 0;
      desc->componentFlagsMask = 0;
    }
    return noErr;
  case kAudioUnitProperty_BypassEffect:
    if (!global) return kAudioUnitErr_InvalidScope;
    Answer<UInt32>(outSize, outWritable, true);
    if (data) *(UInt32*)data = mBypassed ? 1 : 0;
    return noErr;
  case kAudioUnitProperty_LastRenderError:
    if (!global) return kAudioUnitErr_InvalidScope;
    Answer<OSStatus>(outSize, outWritable, false);
    if (data) *(OSStatus*)data = noErr;
    return noErr;
  case kAudioUnitProperty_SetRenderCallback:
    if (!global && scope != kAudioUnitScope_Input) return kAudioUnitErr_InvalidScope;
    if (element >= (UInt32)NInBuses()) return kAudioUnitErr_InvalidElement;
    Answer<AURenderCallbackStruct>(outSize, outWritable, true);
    return noErr;
  case kAudioUnitProperty_FactoryPresets:
    Answer<CFArrayRef>(outSize, outWritable, false);
    if (data) *(CFArrayRef*)data = GetFactoryPresets();
    return noErr;
  case kAudioUnitProperty_HostCallbacks:
    if (!global) return kAudioUnitErr_InvalidScope;
    Answer<HostCallbackInfo>(outSize, outWritable, true);
    return noErr;
  case kAudioUnitProperty_CurrentPreset:
  case kAudioUnitProperty_PresentPreset:
    Answer<AUPreset>(outSize, outWritable, true);
    if (data) {
      AUPreset* preset = (AUPreset*)data;
      const bool user = mUserPresetNumber < 0;
      preset->presetNumber = user ? mUserPresetNumber : mCurrentPresetIdx;
      preset->presetName =
          MakeString(user ? mUserPresetName.Get() : GetPresetName(mCurrentPresetIdx));
    }
    return noErr;
  case kAudioUnitProperty_CocoaUI: {
    if (!kHasCocoaView || !mGraphics) return kAudioUnitErr_InvalidProperty;
    CFStringRef bundleID = MakeString(mBundleID.Get());
    CFBundleRef bundle = CFBundleGetBundleWithIdentifier(bundleID);
    CFRelease(bundleID);
    if (!bundle) return kAudioUnitErr_InvalidProperty;
    Answer<AudioUnitCocoaViewInfo>(outSize, outWritable, false);
    if (data) {
      AudioUnitCocoaViewInfo* info = (AudioUnitCocoaViewInfo*)data;
      info->mCocoaAUViewBundleLocation = CFBundleCopyBundleURL(bundle);
      info->mCocoaAUViewClass[0] = MakeString(mViewClassName.Get());
    }
    return noErr;
  }
  case kAudioUnitProperty_ParameterStringFromValue:
    Answer<AudioUnitParameterStringFromValue>(outSize, outWritable, false);
    if (!data) return noErr;
    if (!global) return kAudioUnitErr_InvalidScope;
    return GetParamString((AudioUnitParameterStringFromValue*)data);
  case kAudioUnitProperty_ParameterIDName:
    Answer<AudioUnitParameterNameInfo>(outSize, outWritable, false);
    if (!data) return noErr;
    if (!global) return kAudioUnitErr_InvalidScope;
    return GetParamName((AudioUnitParameterNameInfo*)data);
  case kAudioUnitProperty_ParameterValueFromString:
    Answer<AudioUnitParameterValueFromString>(outSize, outWritable, false);
    if (!data) return noErr;
    if (!global) return kAudioUnitErr_InvalidScope;
    return GetParamValueFromString((AudioUnitParameterValueFromString*)data);
  case kPlugInstanceProperty:
    if (!global) return kAudioUnitErr_InvalidScope;
    Answer<IPlugBase*>(outSize, outWritable, false);
    if (data) *(IPlugBase**)data = this;
    return noErr;
  case kMusicDeviceProperty_InstrumentCount:
    if (!mIsInstrument) return kAudioUnitErr_InvalidProperty;
    if (!global) return kAudioUnitErr_InvalidScope;
    Answer<UInt32>(outSize, outWritable, false);
    if (data) *(UInt32*)data = 1;
    return noErr;
  default:
    return kAudioUnitErr_InvalidProperty;
  }
}

void IPlugAU::GetParamHostName(int paramIdx, char* name, size_t size) const {
  // Hosts list every parameter by name; one the plug-in leaves unnamed is named by its id.
  const char* own = GetParam(paramIdx)->GetName();
  if (own[0])
    std::snprintf(name, size, "%s", own);
  else
    std::snprintf(name, size, "Parameter %d", paramIdx);
}

ComponentResult IPlugAU::GetParamInfo(AudioUnitElement paramIdx, AudioUnitParameterInfo* info) {
  const IParam* param = GetParam((int)paramIdx);
  std::memset(info, 0, sizeof(*info));
  info->flags = kAudioUnitParameterFlag_IsWritable | kAudioUnitParameterFlag_IsReadable |
                kAudioUnitParameterFlag_HasCFNameString | kAudioUnitParameterFlag_CFNameRelease;
  GetParamHostName((int)paramIdx, info->name, sizeof(info->name));
  info->cfNameString = MakeString(info->name);
  if (param->Type() == IParam::kParamEnum) {
    info->unit = kAudioUnitParameterUnit_Indexed;
  } else if (param->Type() == IParam::kParamBool) {
    info->unit = kAudioUnitParameterUnit_Boolean;
  } else if (param->GetLabel()[0]) {
    info->unit = kAudioUnitParameterUnit_CustomUnit;
    info->unitName = MakeString(param->GetLabel()); // the host releases it with the name
  } else {
    info->unit = kAudioUnitParameterUnit_Generic;
  }
  info->minValue = (AudioUnitParameterValue)param->GetMin();
  info->maxValue = (AudioUnitParameterValue)param->GetMax();
  const bool known = (int)paramIdx < mParamDefaults.GetSize();
  info->defaultValue =
      (AudioUnitParameterValue)(known ? mParamDefaults.Get()[paramIdx] : param->mValue);
  return noErr;
}

ComponentResult IPlugAU::GetParamString(AudioUnitParameterStringFromValue* request) {
  request->outString = nullptr;
  if (request->inParamID >= (UInt32)NParams()) return kAudioUnitErr_InvalidElement;
  const IParam* param = GetParam((int)request->inParamID);
  const double v = request->inValue ? (double)*request->inValue : param->mValue;
  // Only a value that truncates to an int can name a display text; without one the string
  // stays null and the host shows the number itself.
  const char* text = v > -2147483648.0 && v < 2147483648.0 ? param->GetDisplayText((int)v) : "";
  if (text && text[0]) request->outString = MakeString(text);
  return noErr;
}

ComponentResult IPlugAU::GetParamName(AudioUnitParameterNameInfo* request) {
  request->outName = nullptr;
  if (request->inID >= (UInt32)NParams()) return kAudioUnitErr_InvalidElement;
  char name[64];
  GetParamHostName((int)request->inID, name, sizeof(name));
  if (request->inDesiredLength == kAudioUnitParameterName_Full) {
    request->outName = MakeString(name);
    return noErr;
  }
  int len = request->inDesiredLength < 0 ? 0 : request->inDesiredLength;
  if (len > kMaxShortNameLen) len = kMaxShortNameLen;
  char cut[kMaxShortNameLen + 1];
  std::snprintf(cut, sizeof(cut), "%.*s", len, name);
  request->outName = MakeString(cut);
  return noErr;
}

ComponentResult IPlugAU::GetParamValueFromString(AudioUnitParameterValueFromString* request) {
  if (request->inParamID >= (UInt32)NParams()) return kAudioUnitErr_InvalidElement;
  char text[256];
  if (!request->inString ||
      !CFStringGetCString(request->inString, text, sizeof(text), kCFStringEncodingUTF8))
    return kAudioUnitErr_InvalidPropertyValue;
  request->outValue =
      (AudioUnitParameterValue)GetParam((int)request->inParamID)->ValueFromText(text);
  return noErr;
}

// ---- Property set -----------------------------------------------------------------------------

void IPlugAU::NotifyPropertyListeners(AudioUnitPropertyID propID, AudioUnitScope scope,
                                      AudioUnitElement element) {
  for (int i = 0; i < mPropertyListeners.GetSize(); ++i) {
    const PropertyListener* l = mPropertyListeners.Get(i);
    if (l->mPropID == propID) l->mListenerProc(l->mProcArgs, mCI, propID, scope, element);
  }
}

ComponentResult IPlugAU::SetProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                     AudioUnitElement element, const void* data, UInt32 size) {
  // The listeners hear of a change once it is made; a refused value changed nothing.
  const ComponentResult result = ApplyProperty(propID, scope, element, data, size);
  if (result == noErr) NotifyPropertyListeners(propID, scope, element);
  return result;
}

ComponentResult IPlugAU::ApplyProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                       AudioUnitElement element, const void* data, UInt32 size) {
  const bool global = scope == kAudioUnitScope_Global;
  // The value's size must be the property's, and the value must be there.
  auto fits = [&](size_t expected) { return data && size == expected; };
  switch (propID) {
  case kAudioUnitProperty_ClassInfo:
    if (!fits(sizeof(CFDictionaryRef))) return kAudioUnitErr_InvalidPropertyValue;
    return SetClassInfo(*(const CFDictionaryRef*)data);
  case kAudioUnitProperty_MakeConnection:
    if (!fits(sizeof(AudioUnitConnection))) return kAudioUnitErr_InvalidPropertyValue;
    return MakeConnection(scope, (const AudioUnitConnection*)data);
  case kAudioUnitProperty_SampleRate: {
    if (!fits(sizeof(Float64))) return kAudioUnitErr_InvalidPropertyValue;
    const Float64 rate = *(const Float64*)data;
    if (!(rate > 0.0) || !std::isfinite(rate)) return kAudioUnitErr_InvalidPropertyValue;
    SetSampleRate(rate);
    Reset();
    return noErr;
  }
  case kAudioUnitProperty_StreamFormat:
    if (!fits(sizeof(AudioStreamBasicDescription))) return kAudioUnitErr_InvalidPropertyValue;
    return SetStreamFormat(scope, element, (const AudioStreamBasicDescription*)data);
  case kAudioUnitProperty_MaximumFramesPerSlice: {
    if (!fits(sizeof(UInt32))) return kAudioUnitErr_InvalidPropertyValue;
    const UInt32 frames = *(const UInt32*)data;
    if (frames < 1 || frames > (UInt32)kMaxBlockSize) return kAudioUnitErr_InvalidPropertyValue;
    SetBlockSize((int)frames);
    Reset();
    return noErr;
  }
  case kAudioUnitProperty_BypassEffect:
    if (!fits(sizeof(UInt32))) return kAudioUnitErr_InvalidPropertyValue;
    mBypassed = *(const UInt32*)data != 0;
    Reset();
    return noErr;
  case kAudioUnitProperty_SetRenderCallback:
    if (!fits(sizeof(AURenderCallbackStruct))) return kAudioUnitErr_InvalidPropertyValue;
    return SetRenderCallback(scope, element, (const AURenderCallbackStruct*)data);
  case kAudioUnitProperty_HostCallbacks: {
    // Current hosts pass five members (40 bytes, with the second transport procedure);
    // hosts of older systems the first four (32 bytes), the rest then stays null.
    constexpr UInt32 kOlderSize = (UInt32)offsetof(HostCallbackInfo, transportStateProc2);
    if (!global) return kAudioUnitErr_InvalidScope;
    if (!data || (size != sizeof(HostCallbackInfo) && size != kOlderSize))
      return kAudioUnitErr_InvalidPropertyValue;
    std::memset(&mHostCallbacks, 0, sizeof(mHostCallbacks));
    std::memcpy(&mHostCallbacks, data, size);
    break;
  }
  case kAudioUnitProperty_CurrentPreset:
  case kAudioUnitProperty_PresentPreset: {
    if (!fits(sizeof(AUPreset))) return kAudioUnitErr_InvalidPropertyValue;
    const AUPreset* preset = (const AUPreset*)data;
    if (preset->presetNumber < 0) {
      // A user preset: the host restored its state itself and names it; the unit keeps the
      // number and name to answer them back. Without a name it is refused.
      char name[256];
      if (!preset->presetName ||
          !CFStringGetCString(preset->presetName, name, sizeof(name), kCFStringEncodingUTF8))
        return kAudioUnitErr_InvalidPropertyValue;
      mUserPresetNumber = preset->presetNumber;
      mUserPresetName.Set(name);
      break;
    }
    // A factory preset that is not in the list, or cannot be loaded, is reported as refused.
    if (!LoadPreset(preset->presetNumber)) return kAudioUnitErr_InvalidPropertyValue;
    mUserPresetNumber = 0;
    break;
  }
  case kAudioUnitProperty_OfflineRender:
    if (!fits(sizeof(UInt32))) return kAudioUnitErr_InvalidPropertyValue;
    mIsOffline = *(const UInt32*)data != 0;
    return noErr;
  case kAudioUnitProperty_AUHostIdentifier: {
    if (!fits(sizeof(AUHostVersionIdentifier))) return kAudioUnitErr_InvalidPropertyValue;
    const AUHostVersionIdentifier* host = (const AUHostVersionIdentifier*)data;
    char name[256] = "";
    if (host->hostName &&
        !CFStringGetCString(host->hostName, name, sizeof(name), kCFStringEncodingUTF8))
      name[0] = 0; // a name longer than the lookup reads counts as none
    SetHost(name, HostVersionFromIdentifier(host->hostVersion));
    return noErr;
  }
  default:
    return kAudioUnitErr_InvalidProperty;
  }
  return noErr;
}

// ---- Buses, channel legality, connections -----------------------------------------------------

ComponentResult IPlugAU::FindBus(AudioUnitScope scope, AudioUnitElement element,
                                 const BusChannels** outBus) const {
  *outBus = nullptr;
  const WDL_PtrList<BusChannels>* buses = nullptr;
  if (scope == kAudioUnitScope_Input)
    buses = &mInBuses;
  else if (scope == kAudioUnitScope_Output || scope == kAudioUnitScope_Global)
    buses = &mOutBuses;
  else
    return kAudioUnitErr_InvalidScope;
  *outBus = element <= 0x7FFFFFFFu ? buses->Get((int)element) : nullptr;
  return *outBus ? (ComponentResult)noErr : (ComponentResult)kAudioUnitErr_InvalidElement;
}

bool IPlugAU::IsRenderableFormat(const AudioStreamBasicDescription& format, int busChannels) {
  // Render fills non-interleaved buffers of native 32-bit floats, one channel each.
  const UInt32 flags = format.mFormatFlags;
  const bool float32 = format.mFormatID == kAudioFormatLinearPCM &&
                       (flags & kAudioFormatFlagIsFloat) &&
                       (flags & kAudioFormatFlagIsNonInterleaved) &&
                       !(flags & (kAudioFormatFlagIsBigEndian | kAudioFormatFlagIsSignedInteger)) &&
                       format.mBitsPerChannel == 32 && format.mBytesPerFrame == 4 &&
                       format.mBytesPerPacket == 4 && format.mFramesPerPacket == 1;
  const bool rateOk = format.mSampleRate >= 0.0 && std::isfinite(format.mSampleRate);
  return float32 && rateOk && format.mChannelsPerFrame >= 1 &&
         format.mChannelsPerFrame <= (UInt32)busChannels;
}

int IPlugAU::HostChannelTotal(const WDL_PtrList<BusChannels>& buses, int excludeIdx) {
  int total = -1;
  for (int i = 0; i < buses.GetSize(); ++i) {
    const int n = buses.Get(i)->mNHostChannels;
    if (i == excludeIdx || n < 0) continue;
    total = (total < 0 ? 0 : total) + n;
  }
  return total;
}

bool IPlugAU::CheckLegalIO() const {
  const int nIn = HostChannelTotal(mInBuses, -1), nOut = HostChannelTotal(mOutBuses, -1);
  return (nIn == 0 && nOut == 0) || LegalIO(nIn, nOut);
}

bool IPlugAU::CheckLegalIO(AudioUnitScope scope, int busIdx, int nChannels) const {
  int nIn, nOut;
  if (scope == kAudioUnitScope_Input) {
    const int others = HostChannelTotal(mInBuses, busIdx);
    nIn = (others < 0 ? 0 : others) + nChannels;
    nOut = mActive ? HostChannelTotal(mOutBuses, -1) : -1;
  } else {
    const int others = HostChannelTotal(mOutBuses, busIdx);
    nOut = (others < 0 ? 0 : others) + nChannels;
    nIn = mActive ? HostChannelTotal(mInBuses, -1) : -1;
  }
  return LegalIO(nIn, nOut);
}

ComponentResult IPlugAU::SetStreamFormat(AudioUnitScope scope, AudioUnitElement element,
                                         const AudioStreamBasicDescription* format) {
  const BusChannels* found = nullptr;
  if (const ComponentResult r = FindBus(scope, element, &found)) return r;
  BusChannels* bus = const_cast<BusChannels*>(found);
  const bool input = scope == kAudioUnitScope_Input;
  // A refused format, or one the channel pairs do not allow, leaves the bus as it was.
  if (!IsRenderableFormat(*format, bus->mNPlugChannels) ||
      !CheckLegalIO(input ? (AudioUnitScope)kAudioUnitScope_Input
                          : (AudioUnitScope)kAudioUnitScope_Output,
                    (int)element, (int)format->mChannelsPerFrame))
    return kAudioUnitErr_FormatNotSupported;
  bus->mNHostChannels = (int)format->mChannelsPerFrame;
  if (format->mSampleRate > 0.0) SetSampleRate(format->mSampleRate);
  AssessInputConnections();
  return noErr;
}

ComponentResult IPlugAU::MakeConnection(AudioUnitScope scope,
                                        const AudioUnitConnection* connection) {
  if (scope != kAudioUnitScope_Global && scope != kAudioUnitScope_Input)
    return kAudioUnitErr_InvalidScope;
  InputBusConnection* record = connection->destInputNumber <= 0x7FFFFFFFu
                                   ? mInBusConnections.Get((int)connection->destInputNumber)
                                   : nullptr;
  if (!record) return kAudioUnitErr_InvalidElement;
  *record = InputBusConnection();
  AudioUnit source = connection->sourceAudioUnit;
  ComponentResult result = noErr;
  if (source) {
    // A unit that rendered itself as its own input would never return.
    if (source == mCI) {
      AssessInputConnections();
      return kAudioUnitErr_InvalidProperty;
    }
    AudioStreamBasicDescription format;
    UInt32 size = sizeof(format);
    result = AudioUnitGetProperty(source, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output,
                                  connection->sourceOutputNumber, &format, &size);
    if (result == noErr && size != sizeof(format)) result = kAudioUnitErr_InvalidProperty;
    if (result == noErr)
      result = SetProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input,
                           connection->destInputNumber, &format, sizeof(format));
    if (result == noErr) {
      record->mUpstreamUnit = source;
      record->mUpstreamBusIdx = (int)connection->sourceOutputNumber;
      // The upstream unit's own render procedure needs its component storage, which only
      // the Component Manager keeps: a unit the system opened through a factory (ours, when
      // we were opened so) is pulled through AudioUnitRender, which reaches the same method.
      AudioUnitRenderProc render = nullptr;
      UInt32 procSize = sizeof(render);
      if (!mOpenedByFactory &&
          AudioUnitGetProperty(source, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global,
                               kAudioUnitRenderSelect, &render, &procSize) == noErr &&
          render && procSize == sizeof(render)) {
        record->mUpstreamRenderProc = render;
        record->mUpstreamStorage = GetComponentInstanceStorage(source);
      }
    } else {
      result = kAudioUnitErr_InvalidProperty;
    }
  }
  AssessInputConnections();
  return result;
}

ComponentResult IPlugAU::SetRenderCallback(AudioUnitScope scope, AudioUnitElement element,
                                           const AURenderCallbackStruct* callback) {
  if (scope != kAudioUnitScope_Input) return kAudioUnitErr_InvalidScope;
  InputBusConnection* record =
      element <= 0x7FFFFFFFu ? mInBusConnections.Get((int)element) : nullptr;
  if (!record) return kAudioUnitErr_InvalidElement;
  *record = InputBusConnection();
  if (callback->inputProc) record->mUpstreamRenderCallback = *callback;
  AssessInputConnections();
  return noErr;
}

void IPlugAU::AssessInputConnections() {
  WDL_MutexLock lock(&mMutex);
  SetInputChannelConnections(0, NInChannels(), false);
  for (int i = 0; i < NInBuses(); ++i) {
    BusChannels* bus = mInBuses.Get(i);
    InputBusConnection* record = mInBusConnections.Get(i);
    if (record->mUpstreamRenderProc && record->mUpstreamStorage)
      record->mInputKind = kInputDirectRender;
    else if (record->mUpstreamUnit)
      record->mInputKind = kInputUnitRender;
    else if (record->mUpstreamRenderCallback.inputProc)
      record->mInputKind = kInputCallback;
    else
      record->mInputKind = kInputNone;
    bus->mConnected = record->mInputKind != kInputNone;
    if (!bus->mConnected) continue;
    if (bus->mNHostChannels < 0) bus->mNHostChannels = bus->mNPlugChannels;
    const int start = bus->mPlugChannelStartIdx;
    SetInputChannelConnections(start, bus->mNHostChannels, true);
    SetInputChannelConnections(start + bus->mNHostChannels,
                               bus->mNPlugChannels - bus->mNHostChannels, false);
  }
}

void IPlugAU::ClearConnections() {
  for (int i = 0; i < mInBusConnections.GetSize(); ++i)
    *mInBusConnections.Get(i) = InputBusConnection();
}
