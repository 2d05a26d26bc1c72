// Corvanel as an Audio Unit host and the platform's validation tool see it: the component
// binary loaded from its bundle, opened through the component manager, and asked for
// every property, format, parameter, preset and render a host relies on. Every test also
// checks that nothing the component handed over leaked or was released once too often.
#include "AuHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kAllParams = 26;
constexpr int kDefinedPresets = 25;
constexpr AudioUnitParameterID kRate = 0, kCycle = 1, kAttack = 2, kTieLock = 4, kTarget = 8,
                               kMix = 9;

std::string Text(CFStringRef s) {
  if (!s) return "";
  std::vector<char> buf((size_t)CFStringGetLength(s) + 1);
  return CFStringGetCString(s, buf.data(), (CFIndex)buf.size(), kCFStringEncodingUTF8) ? buf.data()
                                                                                       : "";
}

class AuComponent : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(BuiltBundle().mError, "");
    mLive = CorvanelMac_LiveObjects();
    mOverReleases = CorvanelMac_OverReleases();
  }
  void TearDown() override {
    EXPECT_EQ(CorvanelMac_LiveObjects(), mLive) << "objects the host received leaked";
    EXPECT_EQ(CorvanelMac_OverReleases(), mOverReleases);
  }
  long mLive = 0, mOverReleases = 0;
};

TEST_F(AuComponent, BundleRegistersTheEffectUnderThePlugInsCodes) {
  const ComponentBundle& b = BuiltBundle();
  EXPECT_EQ(b.mBundleID, "com.orbalin.audiounit.Corvanel");
  EXPECT_EQ(b.mExecutable, "CorvanelAU");
  EXPECT_EQ(b.mFactoryName, "CLS_CORVANEL_Factory");
  EXPECT_EQ(b.mName, "Orbalin: Corvanel");
  EXPECT_EQ(b.mDesc.componentType, (OSType)kAudioUnitType_Effect);
  EXPECT_EQ(b.mDesc.componentSubType, FourCC("chzg"));
  EXPECT_EQ(b.mDesc.componentManufacturer, FourCC("OrbL"));
  EXPECT_EQ(PlistValue(b.mPlist, "version"), "66048"); // 1.2.0
  EXPECT_EQ(PlistValue(b.mPlist, "CFBundlePackageType"), "BNDL");
}

TEST_F(AuComponent, BundleCarriesTheNineSkinImages) {
  auto read = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  for (const char* name : {"bg", "but1", "but2", "but3", "knob", "on", "on_", "radio", "slider"}) {
    const std::string image = read(BuiltBundle().mPath + "/Contents/Resources/" + name + ".png");
    EXPECT_FALSE(image.empty()) << name;
    EXPECT_EQ(image, read(std::string(CORVANEL_SKIN_DIR) + "/" + name + ".png")) << name;
  }
}

TEST_F(AuComponent, OpensAndClosesRepeatedlyAndAnswersVersionAndCanDo) {
  for (int round = 0; round < 3; ++round) {
    AuInstance a(kThroughEntry), b(kThroughEntry);
    ASSERT_EQ(a.mOpenResult, noErr);
    ASSERT_EQ(b.mOpenResult, noErr);
    EXPECT_NE(GetComponentInstanceStorage(a.mUnit), GetComponentInstanceStorage(b.mUnit));
  }
  AuInstance unit(kThroughEntry);
  const long before = EntryCalls(kComponentVersionSelect);
  // Version and can-do travel through the entry like every selector.
  struct {
    ComponentParameters p;
    long more[2];
  } call;
  std::memset(&call, 0, sizeof(call));
  call.p.what = kComponentVersionSelect;
  call.p.params[0] = (long)unit.mUnit;
  Handle storage = GetComponentInstanceStorage(unit.mUnit);
  EXPECT_EQ(BuiltBundle().mEntry(&call.p, storage), 0x010200);
  call.p.what = kComponentCanDoSelect;
  // Every selector the unit handles, the component manager's own included.
  const std::vector<std::pair<int, int>> canDo = {
      {-5, 0}, {-4, 1}, {-3, 1}, {-2, 1}, {-1, 1}, {0, 0},  {1, 1},  {2, 1},     {3, 1},    {4, 1},
      {5, 1},  {6, 1},  {7, 1},  {8, 0},  {9, 1},  {10, 1}, {11, 1}, {12, 0},    {13, 0},   {14, 1},
      {15, 1}, {16, 1}, {17, 1}, {18, 1}, {19, 0}, {20, 0}, {21, 0}, {0x101, 0}, {0x301, 0}};
  for (auto [selector, answer] : canDo) {
    call.more[0] = (long)(uint16_t)(int16_t)selector;
    EXPECT_EQ(BuiltBundle().mEntry(&call.p, storage), answer) << selector;
  }
  // The rest of the selector table: an effect without MIDI refuses MIDI and system
  // exclusive; instrument and note requests do nothing; unknown selectors are refused.
  struct SelectorCase {
    SInt16 mSelector;
    ComponentResult mResult;
  } selectors[] = {{kMusicDeviceMIDIEventSelect, (ComponentResult)badComponentSelector},
                   {kMusicDeviceSysExSelect, (ComponentResult)badComponentSelector},
                   {kMusicDevicePrepareInstrumentSelect, 0},
                   {kMusicDeviceReleaseInstrumentSelect, 0},
                   {kMusicDeviceStartNoteSelect, 0},
                   {kMusicDeviceStopNoteSelect, 0},
                   {kAudioUnitResetSelect, 0},
                   {kAudioUnitComplexRenderSelect, (ComponentResult)badComponentSelector},
                   {kAudioUnitProcessSelect, (ComponentResult)badComponentSelector},
                   {0x7F, (ComponentResult)badComponentSelector}};
  for (const SelectorCase& c : selectors) {
    call.p.what = c.mSelector;
    call.more[0] = call.more[1] = 0;
    EXPECT_EQ(BuiltBundle().mEntry(&call.p, storage), c.mResult) << c.mSelector;
  }
  // Without an instance every selector but open is refused.
  call.p.what = kAudioUnitInitializeSelect;
  EXPECT_EQ(BuiltBundle().mEntry(&call.p, nullptr), (ComponentResult)badComponentInstance);
  EXPECT_EQ(EntryCalls(kComponentVersionSelect), before); // called directly, not counted
}

// The system opens the unit through the factory the property list names: called with the
// registered description, it returns a new plug-in interface per instance whose Lookup
// answers a method for every selector the unit handles.
TEST_F(AuComponent, TheFactoryMakesAPlugInInterfaceThatOpensClosesAndLooksUpEachSelector) {
  const ComponentBundle& b = BuiltBundle();
  AudioComponentDescription desc;
  std::memcpy(&desc, &b.mDesc, sizeof(desc));
  AudioComponentPlugInInterface* first = b.mFactory(&desc);
  AudioComponentPlugInInterface* second = b.mFactory(&desc);
  ASSERT_TRUE(first && second);
  EXPECT_NE(first, second);
  EXPECT_TRUE(first->Open && first->Close && first->Lookup);
  EXPECT_EQ(first->reserved, nullptr);
  const SInt16 handled[] = {kAudioUnitInitializeSelect,
                            kAudioUnitUninitializeSelect,
                            kAudioUnitGetPropertyInfoSelect,
                            kAudioUnitGetPropertySelect,
                            kAudioUnitSetPropertySelect,
                            kAudioUnitGetParameterSelect,
                            kAudioUnitSetParameterSelect,
                            kAudioUnitResetSelect,
                            kAudioUnitAddPropertyListenerSelect,
                            kAudioUnitRemovePropertyListenerSelect,
                            kAudioUnitRemovePropertyListenerWithUserDataSelect,
                            kAudioUnitRenderSelect,
                            kAudioUnitAddRenderNotifySelect,
                            kAudioUnitRemoveRenderNotifySelect,
                            kAudioUnitScheduleParametersSelect};
  for (SInt16 selector : handled)
    EXPECT_NE(first->Lookup(selector), nullptr) << selector;
  const SInt16 unhandled[] = {
      kComponentOpenSelect,    kComponentVersionSelect,     8,   kAudioUnitComplexRenderSelect,
      kAudioUnitProcessSelect, kMusicDeviceMIDIEventSelect, 0x7F};
  for (SInt16 selector : unhandled)
    EXPECT_EQ(first->Lookup(selector), nullptr) << selector;
  // Opened on a component instance and closed, each interface frees itself; one never opened
  // is freed by Close too (the system closes an interface whose open failed).
  int marker = 0;
  ASSERT_EQ(first->Open(first, (AudioComponentInstance)&marker), noErr);
  EXPECT_EQ(first->Open(first, (AudioComponentInstance)&marker),
            kAudioUnitErr_FailedInitialization);
  EXPECT_EQ(first->Close(first), noErr);
  EXPECT_EQ(second->Close(second), noErr);
  EXPECT_EQ(GetComponentInstanceStorage((ComponentInstance)&marker), nullptr);
}

// Both ways in give the same unit: the render and parameter methods the system looks up
// work on the instance without passing through the component entry.
TEST_F(AuComponent, TheFactoryAndTheComponentEntryOpenTheSameUnit) {
  AuInstance viaFactory(kThroughFactory), viaEntry(kThroughEntry);
  ASSERT_EQ(viaFactory.mOpenResult, noErr);
  ASSERT_EQ(viaEntry.mOpenResult, noErr);
  EXPECT_EQ(GetComponentInstanceStorage(viaFactory.mUnit), nullptr);
  EXPECT_NE(GetComponentInstanceStorage(viaEntry.mUnit), nullptr);
  SignalSource a, b;
  HostTimeline ta, tb;
  ASSERT_EQ(viaFactory.Configure(48000, 512, 2, &ta, &a), noErr);
  ASSERT_EQ(viaEntry.Configure(48000, 512, 2, &tb, &b), noErr);
  for (AuInstance* unit : {&viaFactory, &viaEntry}) {
    ASSERT_EQ(unit->SetParam(kMix, 40.0f), noErr);
    EXPECT_EQ(unit->Param(kMix), 40.0f);
  }
  const long entryRenders = EntryCalls(kAudioUnitRenderSelect);
  std::vector<float> outA, outB;
  for (int block = 0; block < 8; ++block) {
    ta.mSample = tb.mSample = block * 512.0;
    ASSERT_EQ(viaFactory.Render(block * 512.0, 512, 2, &outA), noErr);
    ASSERT_EQ(viaEntry.Render(block * 512.0, 512, 2, &outB), noErr);
    ASSERT_EQ(outA, outB) << block;
  }
  EXPECT_EQ(EntryCalls(kAudioUnitRenderSelect), entryRenders + 8); // the entry's own only
  // Opened through the factory, the unit pulls an upstream unit through AudioUnitRender,
  // never through a procedure that would need the Component Manager's storage.
  const AudioUnitConnection connection = {viaEntry.mUnit, 0, 0};
  ASSERT_EQ(viaFactory.Set(kAudioUnitProperty_MakeConnection, connection, kAudioUnitScope_Input),
            noErr);
  ASSERT_EQ(viaFactory.Render(8 * 512.0, 512, 2, &outA), noErr);
  EXPECT_EQ(EntryCalls(kAudioUnitRenderSelect), entryRenders + 9); // the upstream's, by selector
  EXPECT_EQ(b.mCalls, 9);
  CFDictionaryRef stateA = nullptr, stateB = nullptr;
  ASSERT_EQ(viaFactory.Get(kAudioUnitProperty_ClassInfo, &stateA), noErr);
  ASSERT_EQ(viaEntry.Get(kAudioUnitProperty_ClassInfo, &stateB), noErr);
  auto bytes = [](CFDictionaryRef state) {
    CFDataRef data = (CFDataRef)CFDictionaryGetValue(state, CFSTR(kAUPresetDataKey));
    const UInt8* p = data ? CFDataGetBytePtr(data) : nullptr;
    return p ? std::vector<UInt8>(p, p + CFDataGetLength(data)) : std::vector<UInt8>();
  };
  EXPECT_FALSE(bytes(stateA).empty());
  EXPECT_EQ(bytes(stateA), bytes(stateB));
  CFRelease(stateA);
  CFRelease(stateB);
}

TEST_F(AuComponent, TheWindowBasedViewComponentOpensAndClosesButMakesNoView) {
  ASSERT_TRUE(BuiltBundle().mViewEntry);
  ComponentDescription desc = {kAudioUnitCarbonViewComponentType, FourCC("chzg"), FourCC("OrbL"), 0,
                               0};
  Component viewComponent =
      RegisterComponent(&desc, BuiltBundle().mViewEntry, 0, nullptr, nullptr, nullptr);
  AuInstance unit;
  ComponentInstance view = nullptr;
  ASSERT_EQ(OpenAComponent(viewComponent, &view), noErr);
  ASSERT_TRUE(GetComponentInstanceStorage(view));
  struct {
    ComponentParameters p;
    long more[6];
  } call;
  std::memset(&call, 0, sizeof(call));
  call.p.what = kAudioUnitCarbonViewCreateSelect;
  call.p.params[0] = (long)view;
  call.more[0] = (long)unit.mUnit; // the edited unit; window, parent and geometry stay null
  void* control = nullptr;
  call.more[5] = (long)&control;
  Handle storage = GetComponentInstanceStorage(view);
  EXPECT_EQ(BuiltBundle().mViewEntry(&call.p, storage), (ComponentResult)badComponentSelector);
  EXPECT_EQ(control, nullptr);
  call.p.what = kAudioUnitCarbonViewSetEventListenerSelect;
  EXPECT_EQ(BuiltBundle().mViewEntry(&call.p, storage), (ComponentResult)badComponentSelector);
  EXPECT_EQ(CloseComponent(view), noErr);
  UnregisterComponent(viewComponent);
}

// ---- Properties ---------------------------------------------------------------------------------

struct PropertyCase {
  const char* mWhat;
  AudioUnitPropertyID mID;
  AudioUnitScope mScope;
  AudioUnitElement mElement;
  OSStatus mResult;
  UInt32 mSize;
  bool mWritable;
};

TEST_F(AuComponent, EveryPropertyReportsItsSizeAndWritability) {
  AuInstance unit;
  const OSStatus kBadProp = kAudioUnitErr_InvalidProperty, kBadElem = kAudioUnitErr_InvalidElement;
  const OSStatus kBadScope = kAudioUnitErr_InvalidScope;
  // Opened through the plug-in interface, the system looks the procedures up itself.
  const bool entry = unit.mRoute == kThroughEntry;
  const OSStatus kFast = entry ? noErr : kBadProp;
  const PropertyCase cases[] = {
      {"class info", kAudioUnitProperty_ClassInfo, 0, 0, noErr, 8, true},
      {"make connection", kAudioUnitProperty_MakeConnection, 1, 0, noErr, 16, true},
      {"make connection, output scope", kAudioUnitProperty_MakeConnection, 2, 0, kBadScope, 0, 0},
      {"sample rate", kAudioUnitProperty_SampleRate, 0, 0, noErr, 8, true},
      {"parameter list", kAudioUnitProperty_ParameterList, 0, 0, noErr, 4 * kAllParams, false},
      {"parameter list, input scope", kAudioUnitProperty_ParameterList, 1, 0, noErr, 0, false},
      {"parameter info", kAudioUnitProperty_ParameterInfo, 0, 25, noErr, 104, false},
      {"parameter info past the list", kAudioUnitProperty_ParameterInfo, 0, 26, kBadElem, 0, 0},
      {"parameter info, input scope", kAudioUnitProperty_ParameterInfo, 1, 0, kBadScope, 0, 0},
      {"fast render", kAudioUnitProperty_FastDispatch, 0, kAudioUnitRenderSelect, kFast, 8, 0},
      {"fast get parameter", kAudioUnitProperty_FastDispatch, 0, 6, kFast, 8, false},
      {"fast get property", kAudioUnitProperty_FastDispatch, 0, 4, entry ? kBadElem : kBadProp, 0,
       false},
      {"input format", kAudioUnitProperty_StreamFormat, 1, 0, noErr, 40, true},
      {"output format", kAudioUnitProperty_StreamFormat, 2, 0, noErr, 40, true},
      {"second input bus", kAudioUnitProperty_StreamFormat, 1, 1, kBadElem, 0, false},
      {"second output bus", kAudioUnitProperty_StreamFormat, 2, 1, kBadElem, 0, false},
      {"format of another scope", kAudioUnitProperty_StreamFormat, 4, 0, kBadScope, 0, false},
      {"bus count", kAudioUnitProperty_ElementCount, 1, 0, noErr, 4, false},
      {"latency", kAudioUnitProperty_Latency, 0, 0, noErr, 8, false},
      {"latency, input scope", kAudioUnitProperty_Latency, 1, 0, kBadScope, 0, false},
      {"maximum frames, output scope", kAudioUnitProperty_MaximumFramesPerSlice, 2, 0, kBadScope, 0,
       false},
      {"tail", kAudioUnitProperty_TailTime, 0, 0, noErr, 8, false},
      {"channel pairs", kAudioUnitProperty_SupportedNumChannels, 0, 0, noErr, 8, false},
      {"maximum frames", kAudioUnitProperty_MaximumFramesPerSlice, 0, 0, noErr, 4, true},
      {"rate names", kAudioUnitProperty_ParameterValueStrings, 0, kRate, noErr, 8, false},
      {"names of a number", kAudioUnitProperty_ParameterValueStrings, 0, kCycle, kBadProp, 0, 0},
      {"names past the list", kAudioUnitProperty_ParameterValueStrings, 0, 26, kBadElem, 0, 0},
      {"no view components", kAudioUnitProperty_GetUIComponentList, 0, 0, kBadProp, 0, false},
      {"bypass", kAudioUnitProperty_BypassEffect, 0, 0, noErr, 4, true},
      {"last render error", kAudioUnitProperty_LastRenderError, 0, 0, noErr, 4, false},
      {"render callback", kAudioUnitProperty_SetRenderCallback, 1, 0, noErr, 16, true},
      {"render callback, bus 1", kAudioUnitProperty_SetRenderCallback, 1, 1, kBadElem, 0, 0},
      {"render callback, output", kAudioUnitProperty_SetRenderCallback, 2, 0, kBadScope, 0, 0},
      {"factory presets", kAudioUnitProperty_FactoryPresets, 0, 0, noErr, 8, false},
      {"host callbacks", kAudioUnitProperty_HostCallbacks, 0, 0, noErr, 40, true},
      {"current preset", kAudioUnitProperty_CurrentPreset, 0, 0, noErr, 16, true},
      {"present preset", kAudioUnitProperty_PresentPreset, 0, 0, noErr, 16, true},
#ifdef CORVANEL_AU_COCOA_VIEW
      {"Cocoa view", kAudioUnitProperty_CocoaUI, 0, 0, noErr, 16, false},
#else
      {"no Cocoa view", kAudioUnitProperty_CocoaUI, 0, 0, kBadProp, 0, false},
#endif
      {"string from value", kAudioUnitProperty_ParameterStringFromValue, 0, 0, noErr, 24, 0},
      {"name of an id", kAudioUnitProperty_ParameterIDName, 0, 0, noErr, 16, false},
      {"value from string", kAudioUnitProperty_ParameterValueFromString, 0, 0, noErr, 24, 0},
      {"not an instrument", kMusicDeviceProperty_InstrumentCount, 0, 0, kBadProp, 0, false},
      {"the plug-in, for the view", 64000, 0, 0, noErr, 8, false},
      {"the plug-in, input scope", 64000, 1, 0, kBadScope, 0, false},
      {"unknown property", 9999, 0, 0, kBadProp, 0, false},
  };
  for (const PropertyCase& c : cases) {
    UInt32 size = 12345;
    Boolean writable = 7;
    EXPECT_EQ(AudioUnitGetPropertyInfo(unit.mUnit, c.mID, c.mScope, c.mElement, &size, &writable),
              c.mResult)
        << c.mWhat;
    if (c.mResult != noErr) continue;
    EXPECT_EQ(size, c.mSize) << c.mWhat;
    EXPECT_EQ(writable != 0, c.mWritable) << c.mWhat;
    // Null size and writable pointers are accepted.
    EXPECT_EQ(AudioUnitGetPropertyInfo(unit.mUnit, c.mID, c.mScope, c.mElement, nullptr, nullptr),
              noErr)
        << c.mWhat;
  }
}

TEST_F(AuComponent, PropertiesAnswerTheInstancesValues) {
  AuInstance unit;
  Float64 rate = 0, latency = -1;
  EXPECT_EQ(unit.Get(kAudioUnitProperty_SampleRate, &rate), noErr);
  EXPECT_EQ(rate, 44100.0);
  EXPECT_EQ(unit.Get(kAudioUnitProperty_Latency, &latency), noErr);
  EXPECT_EQ(latency, 0.0);
  UInt32 frames = 0;
  EXPECT_EQ(unit.Get(kAudioUnitProperty_MaximumFramesPerSlice, &frames), noErr);
  EXPECT_EQ(frames, 1024u);
  AUChannelInfo pairs[2];
  UInt32 size = sizeof(pairs);
  EXPECT_EQ(
      AudioUnitGetProperty(unit.mUnit, kAudioUnitProperty_SupportedNumChannels, 0, 0, pairs, &size),
      noErr);
  EXPECT_EQ(pairs[0].inChannels, 1);
  EXPECT_EQ(pairs[0].outChannels, 1);
  EXPECT_EQ(pairs[1].inChannels, 2);
  EXPECT_EQ(pairs[1].outChannels, 2);
  for (AudioUnitScope scope : {0u, 1u, 2u, 3u}) {
    UInt32 count = 99;
    EXPECT_EQ(unit.Get(kAudioUnitProperty_ElementCount, &count, scope), noErr);
    EXPECT_EQ(count, scope == 3 ? 0u : 1u) << scope;
  }
  AudioStreamBasicDescription format;
  EXPECT_EQ(unit.Get(kAudioUnitProperty_StreamFormat, &format, kAudioUnitScope_Input), noErr);
  EXPECT_EQ(format.mFormatID, (UInt32)kAudioFormatLinearPCM);
  EXPECT_EQ(format.mFormatFlags, (UInt32)kAudioFormatFlagsAudioUnitCanonical);
  EXPECT_EQ(format.mChannelsPerFrame, 2u); // the bus's own channels until the host sets some
  EXPECT_EQ(format.mBitsPerChannel, 32u);
  EXPECT_EQ(format.mSampleRate, 44100.0);
  UInt32 bypass = 9, error = 9;
  EXPECT_EQ(unit.Get(kAudioUnitProperty_BypassEffect, &bypass), noErr);
  EXPECT_EQ(bypass, 0u);
  EXPECT_EQ(unit.Get(kAudioUnitProperty_LastRenderError, &error), noErr);
  EXPECT_EQ(error, 0u);
  // A buffer smaller than the property is refused and left alone.
  UInt32 tiny = 4;
  Float64 untouched = 7.0;
  EXPECT_EQ(
      AudioUnitGetProperty(unit.mUnit, kAudioUnitProperty_SampleRate, 0, 0, &untouched, &tiny),
      kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(untouched, 7.0);
}

TEST_F(AuComponent, PropertySetsCheckSizeAndValue) {
  AuInstance unit;
  const Float64 badRates[] = {0.0, -44100.0, NAN, INFINITY};
  for (Float64 r : badRates)
    EXPECT_EQ(unit.Set(kAudioUnitProperty_SampleRate, r), kAudioUnitErr_InvalidPropertyValue);
  const UInt32 rate32 = 48000;
  EXPECT_EQ(unit.Set(kAudioUnitProperty_SampleRate, rate32), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(AudioUnitSetProperty(unit.mUnit, kAudioUnitProperty_SampleRate, 0, 0, nullptr, 8),
            kAudioUnitErr_InvalidPropertyValue);
  for (UInt32 frames : {0u, 65537u})
    EXPECT_EQ(unit.Set(kAudioUnitProperty_MaximumFramesPerSlice, frames),
              kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(
      unit.Set(kAudioUnitProperty_HostCallbacks, HostTimeline().Callbacks(), kAudioUnitScope_Input),
      kAudioUnitErr_InvalidScope);
  EXPECT_EQ(unit.Set(kAudioUnitProperty_ContextName, CFSTR("x")), kAudioUnitErr_InvalidProperty);
  Float64 rate = 0;
  unit.Get(kAudioUnitProperty_SampleRate, &rate);
  EXPECT_EQ(rate, 44100.0);
  EXPECT_EQ(unit.Set(kAudioUnitProperty_SampleRate, 96000.0), noErr);
  unit.Get(kAudioUnitProperty_SampleRate, &rate);
  EXPECT_EQ(rate, 96000.0);
}

// ---- Channels and formats ---------------------------------------------------------------------

TEST_F(AuComponent, ChannelConfigurationsFollowTheDeclaredPairs) {
  struct Case {
    UInt32 mIn, mOut;
    bool mInitializes;
  } cases[] = {{1, 1, true}, {2, 2, true}, {1, 2, false}, {2, 1, false}};
  for (const Case& c : cases) {
    AuInstance unit;
    EXPECT_EQ(unit.Set(kAudioUnitProperty_StreamFormat, FloatFormat(44100, c.mIn), 1), noErr);
    EXPECT_EQ(unit.Set(kAudioUnitProperty_StreamFormat, FloatFormat(44100, c.mOut), 2), noErr);
    EXPECT_EQ(AudioUnitInitialize(unit.mUnit),
              c.mInitializes ? noErr : (OSStatus)kAudioUnitErr_FormatNotSupported)
        << c.mIn << "-" << c.mOut;
  }
  // Once initialized, a format that breaks the pairing is refused at once.
  AuInstance unit;
  ASSERT_EQ(unit.Configure(44100, 512, 2, nullptr, nullptr), noErr);
  EXPECT_EQ(unit.Set(kAudioUnitProperty_StreamFormat, FloatFormat(44100, 1), 1),
            kAudioUnitErr_FormatNotSupported);
}

// Only what render fills is accepted: non-interleaved native 32-bit float, one or two
// channels. Anything else is refused as unsupported and leaves the bus's format as it was;
// a bus that does not exist, or a scope without buses, is named as such.
TEST_F(AuComponent, RefusedStreamFormatsAreUnsupportedAndChangeNothing) {
  struct Case {
    const char* mWhat;
    AudioStreamBasicDescription mFormat;
  };
  auto with = [](void (*change)(AudioStreamBasicDescription&)) {
    AudioStreamBasicDescription f = FloatFormat(44100, 1);
    change(f);
    return f;
  };
  const Case cases[] = {
      {"0 channels", FloatFormat(44100, 0)},
      {"more channels than the bus", FloatFormat(44100, 3)},
      {"interleaved", with([](AudioStreamBasicDescription& f) { f.mFormatFlags = 0x9; })},
      {"16-bit integers", with([](AudioStreamBasicDescription& f) {
         f.mFormatFlags = 0x4 | 0x8 | 0x20; // signed integer, packed, non-interleaved
         f.mBitsPerChannel = 16;
         f.mBytesPerFrame = f.mBytesPerPacket = 2;
       })},
      {"32-bit integers", with([](AudioStreamBasicDescription& f) { f.mFormatFlags = 0x2C; })},
      {"64-bit float", with([](AudioStreamBasicDescription& f) {
         f.mBitsPerChannel = 64;
         f.mBytesPerFrame = f.mBytesPerPacket = 8;
       })},
      {"big-endian", with([](AudioStreamBasicDescription& f) { f.mFormatFlags |= 0x2; })},
      {"not linear PCM", with([](AudioStreamBasicDescription& f) { f.mFormatID = 0x61616320; })},
      {"bytes per frame of another layout",
       with([](AudioStreamBasicDescription& f) { f.mBytesPerFrame = 8; })},
      {"not a number as rate", with([](AudioStreamBasicDescription& f) { f.mSampleRate = NAN; })},
  };
  for (AudioUnitScope scope : {kAudioUnitScope_Input, kAudioUnitScope_Output}) {
    for (const Case& c : cases) {
      AuInstance unit;
      ASSERT_EQ(unit.Set(kAudioUnitProperty_StreamFormat, FloatFormat(48000, 2), scope), noErr);
      EXPECT_EQ(unit.Set(kAudioUnitProperty_StreamFormat, c.mFormat, scope),
                kAudioUnitErr_FormatNotSupported)
          << c.mWhat << " " << scope;
      AudioStreamBasicDescription now;
      ASSERT_EQ(unit.Get(kAudioUnitProperty_StreamFormat, &now, scope), noErr);
      EXPECT_EQ(now.mChannelsPerFrame, 2u) << c.mWhat;
      EXPECT_EQ(now.mSampleRate, 48000.0) << c.mWhat;
    }
  }
  struct Where {
    AudioUnitScope mScope;
    AudioUnitElement mElement;
    OSStatus mResult;
  } places[] = {{kAudioUnitScope_Input, 1, kAudioUnitErr_InvalidElement},
                {kAudioUnitScope_Output, 1, kAudioUnitErr_InvalidElement},
                {kAudioUnitScope_Output, 0xFFFFFFFFu, kAudioUnitErr_InvalidElement},
                {kAudioUnitScope_Group, 0, kAudioUnitErr_InvalidScope},
                {kAudioUnitScope_Part, 0, kAudioUnitErr_InvalidScope}};
  AuInstance unit;
  for (const Where& w : places)
    EXPECT_EQ(
        unit.Set(kAudioUnitProperty_StreamFormat, FloatFormat(44100, 2), w.mScope, w.mElement),
        w.mResult)
        << w.mScope << "/" << w.mElement;
}

TEST_F(AuComponent, AFormatsSampleRateBecomesTheUnits) {
  AuInstance unit;
  EXPECT_EQ(unit.Set(kAudioUnitProperty_StreamFormat, FloatFormat(48000, 2), 2), noErr);
  Float64 rate = 0;
  unit.Get(kAudioUnitProperty_SampleRate, &rate);
  EXPECT_EQ(rate, 48000.0);
  EXPECT_EQ(unit.Set(kAudioUnitProperty_StreamFormat, FloatFormat(0.0, 2), 2), noErr);
  unit.Get(kAudioUnitProperty_SampleRate, &rate);
  EXPECT_EQ(rate, 48000.0); // kAudioStreamAnyRate keeps it
}

// ---- Render -----------------------------------------------------------------------------------

TEST_F(AuComponent, RenderRefusesWhatItCannotHonour) {
  AuInstance unit;
  SignalSource input;
  ASSERT_EQ(unit.Configure(44100, 1024, 2, nullptr, &input), noErr);
  std::vector<float> out;
  EXPECT_EQ(unit.Render(0, 1024, 2, &out), noErr);
  EXPECT_EQ(unit.Render(1024, 1025, 2, &out), kAudioUnitErr_TooManyFramesToProcess);

  AudioBufferList list;
  float samples[16];
  list.mNumberBuffers = 1;
  list.mBuffers[0] = {1, sizeof(samples), samples};
  AudioTimeStamp ts;
  std::memset(&ts, 0, sizeof(ts));
  ts.mFlags = kAudioTimeStampHostTimeValid; // no sample time
  EXPECT_EQ(AudioUnitRender(unit.mUnit, nullptr, &ts, 0, 16, &list),
            kAudioUnitErr_InvalidPropertyValue);
  ts.mFlags = kAudioTimeStampSampleTimeValid;
  EXPECT_EQ(AudioUnitRender(unit.mUnit, nullptr, &ts, 1, 16, &list),
            kAudioUnitErr_InvalidElement); // no second output bus
  EXPECT_EQ(AudioUnitRender(unit.mUnit, nullptr, nullptr, 0, 16, &list),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(AudioUnitRender(unit.mUnit, nullptr, &ts, 0, 16, nullptr),
            kAudioUnitErr_InvalidPropertyValue);
  // A host buffer shorter than the slice.
  EXPECT_EQ(AudioUnitRender(unit.mUnit, nullptr, &ts, 0, 17, &list),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(AudioUnitRender(unit.mUnit, nullptr, &ts, 0, 16, &list), noErr);

  // Uninitialized, the unit renders nothing; initialized again, it does.
  ASSERT_EQ(AudioUnitUninitialize(unit.mUnit), noErr);
  EXPECT_EQ(AudioUnitRender(unit.mUnit, nullptr, &ts, 0, 16, &list), kAudioUnitErr_Uninitialized);
  AuInstance fresh;
  EXPECT_EQ(fresh.Render(0, 16, 2, &out), kAudioUnitErr_Uninitialized);
  ASSERT_EQ(AudioUnitInitialize(unit.mUnit), noErr);
  EXPECT_EQ(AudioUnitRender(unit.mUnit, nullptr, &ts, 0, 16, &list), noErr);
}

TEST_F(AuComponent, RendersAtSeveralRatesAndSliceLengths) {
  struct Case {
    double mRate;
    UInt32 mMax, mFrames;
  } cases[] = {{22050, 64, 1}, {44100, 512, 37}, {48000, 1024, 1024}, {96000, 4096, 4096}};
  for (const Case& c : cases) {
    AuInstance unit;
    HostTimeline timeline;
    SignalSource input;
    ASSERT_EQ(unit.Configure(c.mRate, c.mMax, 2, &timeline, &input), noErr);
    std::vector<float> out;
    double peak = 0;
    for (int block = 0; block < 20; ++block) {
      // Every other block the unit supplies the output memory itself.
      ASSERT_EQ(unit.Render(timeline.mSample, c.mFrames, 2, &out, block % 2 == 0), noErr);
      for (float s : out) {
        ASSERT_TRUE(std::isfinite(s));
        peak = std::max(peak, (double)std::fabs(s));
      }
      timeline.mSample += c.mFrames;
    }
    EXPECT_GT(peak, 0.05) << c.mRate; // the gate lets the signal through
    EXPECT_LE(peak, 1.0) << c.mRate;
    EXPECT_GT(timeline.mCallbackCalls, 0);
  }
}

TEST_F(AuComponent, OutputWithoutHostMemoryComesFromTheUnitsBuffers) {
  AuInstance a, b;
  SignalSource inA, inB;
  ASSERT_EQ(a.Configure(44100, 512, 2, nullptr, &inA), noErr);
  ASSERT_EQ(b.Configure(44100, 512, 2, nullptr, &inB), noErr);
  std::vector<float> withMemory, without;
  for (int block = 0; block < 4; ++block) {
    ASSERT_EQ(a.Render(block * 256.0, 256, 2, &withMemory, true), noErr);
    ASSERT_EQ(b.Render(block * 256.0, 256, 2, &without, false), noErr);
    ASSERT_EQ(withMemory, without) << block;
  }
}

TEST_F(AuComponent, BypassPassesTheInputThrough) {
  AuInstance unit;
  SignalSource input;
  ASSERT_EQ(unit.Configure(44100, 512, 2, nullptr, &input), noErr);
  ASSERT_EQ(unit.Set(kAudioUnitProperty_BypassEffect, (UInt32)1), noErr);
  UInt32 bypass = 0;
  unit.Get(kAudioUnitProperty_BypassEffect, &bypass);
  EXPECT_EQ(bypass, 1u);
  std::vector<float> out;
  ASSERT_EQ(unit.Render(1000, 300, 2, &out), noErr);
  for (int ch = 0; ch < 2; ++ch)
    for (int i = 0; i < 300; ++i)
      ASSERT_EQ(out[ch * 300 + i], TestSample(ch, 1000 + i)) << ch << " " << i;
}

namespace {
struct NotifyLog {
  std::vector<AudioUnitRenderActionFlags> mFlags;
};
OSStatus RecordNotify(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp*,
                      UInt32, UInt32, AudioBufferList*) {
  ((NotifyLog*)refCon)->mFlags.push_back(*flags);
  return noErr;
}
} // namespace

TEST_F(AuComponent, RenderNotifyHearsBeforeAndAfterEachRender) {
  AuInstance unit;
  SignalSource input;
  ASSERT_EQ(unit.Configure(44100, 512, 2, nullptr, &input), noErr);
  NotifyLog log;
  ASSERT_EQ(AudioUnitAddRenderNotify(unit.mUnit, RecordNotify, &log), noErr);
  std::vector<float> out;
  unit.Render(0, 64, 2, &out);
  unit.Render(64, 64, 2, &out);
  ASSERT_EQ(log.mFlags.size(), 4u);
  EXPECT_EQ(log.mFlags[0], (UInt32)kAudioUnitRenderAction_PreRender);
  EXPECT_EQ(log.mFlags[1], (UInt32)kAudioUnitRenderAction_PostRender);
  // The pair given is removed, not the first pair with the procedure: the one that stays
  // keeps hearing, and the removed user data is never used again.
  NotifyLog second;
  ASSERT_EQ(AudioUnitAddRenderNotify(unit.mUnit, RecordNotify, &second), noErr);
  ASSERT_EQ(AudioUnitRemoveRenderNotify(unit.mUnit, RecordNotify, &second), noErr);
  unit.Render(128, 64, 2, &out);
  EXPECT_EQ(log.mFlags.size(), 6u);
  EXPECT_TRUE(second.mFlags.empty());
  ASSERT_EQ(AudioUnitRemoveRenderNotify(unit.mUnit, RecordNotify, &log), noErr);
  unit.Render(192, 64, 2, &out);
  EXPECT_EQ(log.mFlags.size(), 6u);
  EXPECT_EQ(AudioUnitAddRenderNotify(unit.mUnit, nullptr, nullptr),
            kAudioUnitErr_InvalidPropertyValue);
}

TEST_F(AuComponent, TheSameTimeStampPullsTheInputOnce) {
  AuInstance unit;
  SignalSource input;
  ASSERT_EQ(unit.Configure(44100, 512, 2, nullptr, &input), noErr);
  std::vector<float> first, again;
  ASSERT_EQ(unit.Render(512, 128, 2, &first), noErr);
  EXPECT_EQ(input.mCalls, 1);
  ASSERT_EQ(unit.Render(512, 128, 2, &again), noErr);
  EXPECT_EQ(input.mCalls, 1);
  ASSERT_EQ(unit.Render(640, 128, 2, &again), noErr);
  EXPECT_EQ(input.mCalls, 2);
}

// ---- Parameters -------------------------------------------------------------------------------

TEST_F(AuComponent, ParameterListHoldsAllTwentySixIds) {
  AuInstance unit;
  AudioUnitParameterID ids[kAllParams + 4];
  UInt32 size = sizeof(ids);
  ASSERT_EQ(AudioUnitGetProperty(unit.mUnit, kAudioUnitProperty_ParameterList, 0, 0, ids, &size),
            noErr);
  ASSERT_EQ(size, 4u * kAllParams);
  for (int i = 0; i < kAllParams; ++i)
    EXPECT_EQ(ids[i], (AudioUnitParameterID)i);
}

TEST_F(AuComponent, ParameterInfoDescribesEachKindItsDefaultAndAName) {
  AuInstance unit;
  ASSERT_EQ(unit.SetParam(kCycle, 7.0f), noErr);
  struct Case {
    AudioUnitParameterID mID;
    const char* mName;
    AudioUnitParameterUnit mUnit;
    const char* mUnitName;
    float mMin, mMax, mDefault;
  } cases[] = {
      {kRate, "Rate", kAudioUnitParameterUnit_Indexed, "", 0, 27, 9},
      {kCycle, "Cycle", kAudioUnitParameterUnit_Generic, "", 1, 64, 16}, // not the current 7
      {kAttack, "Attack", kAudioUnitParameterUnit_CustomUnit, "%", 0, 200, 5},
      {kTieLock, "Tie Lock", kAudioUnitParameterUnit_Boolean, "", 0, 1, 1},
      {7, "Split Freq", kAudioUnitParameterUnit_CustomUnit, "Hz", 20, 20000, 1000},
      {10, "Parameter 10", kAudioUnitParameterUnit_Generic, "", 0, 9765624, 4882812},
      {22, "Parameter 22", kAudioUnitParameterUnit_Generic, "", 0, 390624, 390624},
      {23, "Parameter 23", kAudioUnitParameterUnit_Generic, "", 0, 1, 0},
      {25, "Parameter 25", kAudioUnitParameterUnit_Generic, "", -5, 5, 0},
  };
  for (const Case& c : cases) {
    AudioUnitParameterInfo info;
    ASSERT_EQ(unit.Get(kAudioUnitProperty_ParameterInfo, &info, 0, c.mID), noErr) << c.mName;
    EXPECT_EQ(Text(info.cfNameString), c.mName);
    EXPECT_STREQ(info.name, c.mName);
    EXPECT_EQ(info.unit, c.mUnit) << c.mName;
    EXPECT_EQ(Text(info.unitName), c.mUnitName) << c.mName;
    EXPECT_EQ(info.minValue, c.mMin) << c.mName;
    EXPECT_EQ(info.maxValue, c.mMax) << c.mName;
    EXPECT_EQ(info.defaultValue, c.mDefault) << c.mName;
    EXPECT_EQ(info.flags,
              (UInt32)(kAudioUnitParameterFlag_IsWritable | kAudioUnitParameterFlag_IsReadable |
                       kAudioUnitParameterFlag_HasCFNameString |
                       kAudioUnitParameterFlag_CFNameRelease));
    // The host releases the strings, as the release flag tells it.
    CFRelease(info.cfNameString);
    if (info.unitName) CFRelease(info.unitName);
  }
  // Every listed parameter has a name (no blank automation entry), its short form too, and a
  // default inside its range.
  for (AudioUnitParameterID id = 0; id < kAllParams; ++id) {
    AudioUnitParameterInfo info;
    ASSERT_EQ(unit.Get(kAudioUnitProperty_ParameterInfo, &info, 0, id), noErr);
    EXPECT_NE(Text(info.cfNameString), "") << id;
    EXPECT_GE(info.defaultValue, info.minValue) << id;
    EXPECT_LE(info.defaultValue, info.maxValue) << id;
    CFRelease(info.cfNameString);
    if (info.unitName) CFRelease(info.unitName);
    AudioUnitParameterNameInfo request = {id, 12, nullptr};
    ASSERT_EQ(unit.Get(kAudioUnitProperty_ParameterIDName, &request), noErr);
    EXPECT_NE(Text(request.outName), "") << id;
    CFRelease(request.outName);
  }
}

TEST_F(AuComponent, ParametersAreSetClampedAndReadInTheGlobalScopeOnly) {
  AuInstance unit;
  EXPECT_EQ(unit.SetParam(kCycle, 12.0f), noErr);
  EXPECT_EQ(unit.Param(kCycle), 12.0f);
  EXPECT_EQ(unit.SetParam(kCycle, 500.0f), noErr);
  EXPECT_EQ(unit.Param(kCycle), 64.0f);
  EXPECT_EQ(unit.SetParam(kCycle, NAN), noErr);
  EXPECT_EQ(unit.Param(kCycle), 1.0f);
  EXPECT_EQ(unit.SetParam(26, 1.0f), kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(AudioUnitSetParameter(unit.mUnit, kCycle, kAudioUnitScope_Input, 0, 3.0f, 0),
            kAudioUnitErr_InvalidScope);
  AudioUnitParameterValue v = 0;
  EXPECT_EQ(AudioUnitGetParameter(unit.mUnit, kCycle, kAudioUnitScope_Output, 0, &v),
            kAudioUnitErr_InvalidScope);
  EXPECT_EQ(AudioUnitGetParameter(unit.mUnit, 99, 0, 0, &v), kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(AudioUnitGetParameter(unit.mUnit, kCycle, 0, 0, nullptr),
            kAudioUnitErr_InvalidPropertyValue);

  // Scheduled immediate events apply in order; ramps are skipped; an error stops the list.
  AudioUnitParameterEvent events[3];
  std::memset(events, 0, sizeof(events));
  events[0].parameter = kMix;
  events[0].eventType = kParameterEvent_Immediate;
  events[0].eventValues.immediate.value = 40.0f;
  events[1].parameter = kTarget;
  events[1].eventType = kParameterEvent_Ramped;
  events[1].eventValues.ramp.endValue = 3.0f;
  events[2].parameter = 77;
  events[2].eventType = kParameterEvent_Immediate;
  EXPECT_EQ(AudioUnitScheduleParameters(unit.mUnit, events, 3), kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(unit.Param(kMix), 40.0f);
  EXPECT_EQ(unit.Param(kTarget), 0.0f);
}

TEST_F(AuComponent, DirectlyDispatchedParameterProceduresMatchTheSelectors) {
  AuInstance unit(kThroughEntry);
  AudioUnitGetParameterProc get = nullptr;
  AudioUnitSetParameterProc set = nullptr;
  ASSERT_EQ(unit.Get(kAudioUnitProperty_FastDispatch, &get, 0, kAudioUnitGetParameterSelect),
            noErr);
  ASSERT_EQ(unit.Get(kAudioUnitProperty_FastDispatch, &set, 0, kAudioUnitSetParameterSelect),
            noErr);
  void* storage = GetComponentInstanceStorage(unit.mUnit);
  EXPECT_EQ(set(storage, kMix, 0, 0, 25.0f, 0), noErr);
  AudioUnitParameterValue v = 0;
  EXPECT_EQ(get(storage, kMix, 0, 0, &v), noErr);
  EXPECT_EQ(v, 25.0f);
  EXPECT_EQ(unit.Param(kMix), 25.0f);
  EXPECT_EQ(get(storage, kMix, 1, 0, &v), kAudioUnitErr_InvalidScope);
  EXPECT_EQ(set(storage, 40, 0, 0, 1.0f, 0), kAudioUnitErr_InvalidParameter);
}

TEST_F(AuComponent, ValueStringsAndTextsOfParameters) {
  AuInstance unit;
  CFArrayRef rates = nullptr;
  ASSERT_EQ(unit.Get(kAudioUnitProperty_ParameterValueStrings, &rates, 0, kRate), noErr);
  ASSERT_EQ(CFArrayGetCount(rates), 28);
  const std::string rate9 = Text((CFStringRef)CFArrayGetValueAtIndex(rates, 9));
  EXPECT_FALSE(rate9.empty());
  CFArrayRef ties = nullptr;
  ASSERT_EQ(unit.Get(kAudioUnitProperty_ParameterValueStrings, &ties, 0, kTieLock), noErr);
  ASSERT_EQ(CFArrayGetCount(ties), 2);
  EXPECT_EQ(Text((CFStringRef)CFArrayGetValueAtIndex(ties, 1)), "Yes");

  struct Case {
    const char* mWhat;
    AudioUnitParameterID mID;
    bool mGivesValue;
    float mValue;
    std::string mText;
  } cases[] = {{"rate 9", kRate, true, 9.0f, rate9},
               {"rate 9.7 truncates", kRate, true, 9.7f, rate9},
               {"current rate", kRate, false, 0.0f, rate9},
               {"tie lock on", kTieLock, true, 1.0f, "Yes"},
               {"a number has no text", kAttack, true, 30.0f, ""},
               {"a step word has no text", 12, false, 0.0f, ""},
               {"no text outside the list", kRate, true, 99.0f, ""}};
  for (const Case& c : cases) {
    AudioUnitParameterStringFromValue request = {c.mID, c.mGivesValue ? &c.mValue : nullptr,
                                                 nullptr};
    ASSERT_EQ(unit.Get(kAudioUnitProperty_ParameterStringFromValue, &request), noErr) << c.mWhat;
    // Without a text of its own the string is null: the host shows the number.
    if (c.mText.empty()) {
      EXPECT_EQ(request.outString, nullptr) << c.mWhat;
      continue;
    }
    EXPECT_EQ(Text(request.outString), c.mText) << c.mWhat;
    CFRelease(request.outString);
  }
  AudioUnitParameterStringFromValue outside = {26, nullptr, nullptr};
  EXPECT_EQ(unit.Get(kAudioUnitProperty_ParameterStringFromValue, &outside),
            kAudioUnitErr_InvalidElement);

  AudioUnitParameterValueFromString fromText = {
      kRate, CFStringCreateWithCString(nullptr, rate9.c_str(), 0), -1.0f};
  ASSERT_EQ(unit.Get(kAudioUnitProperty_ParameterValueFromString, &fromText), noErr);
  EXPECT_EQ(fromText.outValue, 9.0f);
  CFRelease(fromText.inString);
  AudioUnitParameterValueFromString number = {kMix, CFSTR("42"), -1.0f};
  ASSERT_EQ(unit.Get(kAudioUnitProperty_ParameterValueFromString, &number), noErr);
  EXPECT_EQ(number.outValue, 42.0f);

  struct NameCase {
    SInt32 mLength;
    const char* mName;
  } names[] = {
      {kAudioUnitParameterName_Full, "Split Freq"}, {5, "Split"}, {0, ""}, {100, "Split Freq"}};
  for (const NameCase& n : names) {
    AudioUnitParameterNameInfo request = {7, n.mLength, nullptr};
    ASSERT_EQ(unit.Get(kAudioUnitProperty_ParameterIDName, &request), noErr);
    EXPECT_EQ(Text(request.outName), n.mName) << n.mLength;
    CFRelease(request.outName);
  }
  CFRelease(rates);
  CFRelease(ties);
}

namespace {
struct ListenerLog {
  std::vector<std::pair<AudioUnitPropertyID, AudioUnitScope>> mCalls;
  std::vector<Float64> mRatesSeen; // the sample rate the unit answered inside the call
};
void RecordListener(void* refCon, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope,
                    AudioUnitElement element) {
  EXPECT_EQ(element, 0u);
  ListenerLog* log = (ListenerLog*)refCon;
  log->mCalls.push_back({id, scope});
  Float64 rate = 0;
  UInt32 size = sizeof(rate);
  AudioUnitGetProperty(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &rate,
                       &size);
  log->mRatesSeen.push_back(rate);
}
} // namespace

// A listener is the (property, procedure, user data) triple; it hears a change after it is
// made and never a refused set.
TEST_F(AuComponent, PropertyListenersHearEveryChangeOfTheirPropertyAfterIt) {
  AuInstance unit;
  ListenerLog log, other;
  ASSERT_EQ(AudioUnitAddPropertyListener(unit.mUnit, kAudioUnitProperty_StreamFormat,
                                         RecordListener, &log),
            noErr);
  // The same triple twice is listed once; other user data makes a second listener.
  ASSERT_EQ(AudioUnitAddPropertyListener(unit.mUnit, kAudioUnitProperty_StreamFormat,
                                         RecordListener, &log),
            noErr);
  ASSERT_EQ(AudioUnitAddPropertyListener(unit.mUnit, kAudioUnitProperty_StreamFormat,
                                         RecordListener, &other),
            noErr);
  unit.Set(kAudioUnitProperty_StreamFormat, FloatFormat(44100, 2), kAudioUnitScope_Output);
  EXPECT_NE(unit.Set(kAudioUnitProperty_StreamFormat, FloatFormat(44100, 0), kAudioUnitScope_Input),
            noErr);
  unit.Set(kAudioUnitProperty_StreamFormat, FloatFormat(44100, 2), kAudioUnitScope_Input);
  unit.Set(kAudioUnitProperty_SampleRate, 48000.0);
  ASSERT_EQ(log.mCalls.size(), 2u);
  EXPECT_EQ(log.mCalls[0].second, (UInt32)kAudioUnitScope_Output);
  EXPECT_EQ(log.mCalls[1].second, (UInt32)kAudioUnitScope_Input);
  EXPECT_EQ(other.mCalls.size(), 2u);

  // The sample rate's listener reads the new rate, never the old one.
  ListenerLog rates;
  ASSERT_EQ(AudioUnitAddPropertyListener(unit.mUnit, kAudioUnitProperty_SampleRate, RecordListener,
                                         &rates),
            noErr);
  EXPECT_EQ(unit.Set(kAudioUnitProperty_SampleRate, 96000.0), noErr);
  EXPECT_EQ(unit.Set(kAudioUnitProperty_SampleRate, -1.0), kAudioUnitErr_InvalidPropertyValue);
  ASSERT_EQ(rates.mRatesSeen.size(), 1u);
  EXPECT_EQ(rates.mRatesSeen[0], 96000.0);

  // Removing with other user data keeps the listener; with its own it goes.
  AudioUnitRemovePropertyListenerWithUserData(unit.mUnit, kAudioUnitProperty_StreamFormat,
                                              RecordListener, &other);
  unit.Set(kAudioUnitProperty_StreamFormat, FloatFormat(44100, 2), kAudioUnitScope_Output);
  EXPECT_EQ(log.mCalls.size(), 3u);
  EXPECT_EQ(other.mCalls.size(), 2u);
  AudioUnitRemovePropertyListenerWithUserData(unit.mUnit, kAudioUnitProperty_StreamFormat,
                                              RecordListener, &log);
  unit.Set(kAudioUnitProperty_StreamFormat, FloatFormat(44100, 2), kAudioUnitScope_Output);
  EXPECT_EQ(log.mCalls.size(), 3u);
}

// ---- Presets and state ------------------------------------------------------------------------

TEST_F(AuComponent, FactoryPresetsListTheDefinedPresetsInOrder) {
  AuInstance unit;
  CFArrayRef presets = nullptr;
  ASSERT_EQ(unit.Get(kAudioUnitProperty_FactoryPresets, &presets), noErr);
  ASSERT_EQ(CFArrayGetCount(presets), kDefinedPresets);
  for (int i = 0; i < kDefinedPresets; ++i) {
    const AUPreset* p = (const AUPreset*)CFArrayGetValueAtIndex(presets, i);
    EXPECT_EQ(p->presetNumber, i);
    EXPECT_FALSE(Text(p->presetName).empty());
    EXPECT_NE(Text(p->presetName).rfind("- ", 0), 0u) << "an undefined slot";
  }
  const AUPreset* third = (const AUPreset*)CFArrayGetValueAtIndex(presets, 3);
  CFStringRef description = CFCopyDescription(presets);
  EXPECT_NE(Text(description)
                .find("AUPreset:\npreset number = 3\npreset name = " + Text(third->presetName)),
            std::string::npos)
      << Text(description);
  CFRelease(description);
  CFRelease(presets);
}

TEST_F(AuComponent, PresentPresetSelectsAndNamesAPreset) {
  AuInstance unit;
  AUPreset now = {-1, nullptr};
  ASSERT_EQ(unit.Get(kAudioUnitProperty_PresentPreset, &now), noErr);
  EXPECT_EQ(now.presetNumber, 0);
  CFRelease(now.presetName);

  CFArrayRef presets = nullptr;
  ASSERT_EQ(unit.Get(kAudioUnitProperty_FactoryPresets, &presets), noErr);
  const std::string name5 = Text(((const AUPreset*)CFArrayGetValueAtIndex(presets, 5))->presetName);
  CFRelease(presets);

  const std::vector<float> before = unit.Params();
  AUPreset choose = {5, nullptr};
  ASSERT_EQ(unit.Set(kAudioUnitProperty_PresentPreset, choose), noErr);
  ASSERT_EQ(unit.Get(kAudioUnitProperty_CurrentPreset, &now), noErr);
  EXPECT_EQ(now.presetNumber, 5);
  EXPECT_EQ(Text(now.presetName), name5);
  CFRelease(now.presetName);
  EXPECT_NE(unit.Params(), before);

  // A factory number outside the list is refused and changes nothing.
  const std::vector<float> chosen = unit.Params();
  // So is a user preset without a name.
  for (SInt32 number : {-1, kDefinedPresets, 1000}) {
    AUPreset bad = {number, nullptr};
    EXPECT_EQ(unit.Set(kAudioUnitProperty_PresentPreset, bad), kAudioUnitErr_InvalidPropertyValue);
  }
  EXPECT_EQ(unit.Params(), chosen);
  ASSERT_EQ(unit.Get(kAudioUnitProperty_PresentPreset, &now), noErr);
  EXPECT_EQ(now.presetNumber, 5);
  CFRelease(now.presetName);

  // A user preset (a number below 0, with a name) is taken and read back as given; the
  // host restored its values itself, so the parameters stay.
  CFStringRef mine = CFStringCreateWithCString(nullptr, "My Groove", kCFStringEncodingUTF8);
  const AUPreset user = {-3, mine};
  ASSERT_EQ(unit.Set(kAudioUnitProperty_PresentPreset, user), noErr);
  CFRelease(mine);
  EXPECT_EQ(unit.Params(), chosen);
  for (AudioUnitPropertyID id :
       {kAudioUnitProperty_PresentPreset, kAudioUnitProperty_CurrentPreset}) {
    ASSERT_EQ(unit.Get(id, &now), noErr);
    EXPECT_EQ(now.presetNumber, -3);
    EXPECT_EQ(Text(now.presetName), "My Groove");
    CFRelease(now.presetName);
  }
  // A factory preset chosen afterwards is present again.
  ASSERT_EQ(unit.Set(kAudioUnitProperty_PresentPreset, choose), noErr);
  ASSERT_EQ(unit.Get(kAudioUnitProperty_PresentPreset, &now), noErr);
  EXPECT_EQ(now.presetNumber, 5);
  EXPECT_EQ(Text(now.presetName), name5);
  CFRelease(now.presetName);
}

namespace {
CFMutableDictionaryRef CopyDict(CFDictionaryRef from) {
  CFMutableDictionaryRef d = CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                                       &kCFTypeDictionaryValueCallBacks);
  for (const char* key : {"version", "type", "subtype", "manufacturer", "name", "data"}) {
    CFStringRef k = CFStringCreateWithCString(nullptr, key, 0);
    if (const void* v = CFDictionaryGetValue(from, k)) CFDictionarySetValue(d, k, v);
    CFRelease(k);
  }
  return d;
}
void Put(CFMutableDictionaryRef d, const char* key, CFTypeRef value) {
  CFStringRef k = CFStringCreateWithCString(nullptr, key, 0);
  if (value)
    CFDictionarySetValue(d, k, value);
  else
    CFDictionaryRemoveValue(d, k);
  CFRelease(k);
  if (value) CFRelease(value);
}
CFNumberRef Number(SInt32 v) { return CFNumberCreate(nullptr, kCFNumberSInt32Type, &v); }
CFTypeRef Get(CFDictionaryRef d, const char* key) {
  CFStringRef k = CFStringCreateWithCString(nullptr, key, 0);
  CFTypeRef v = CFDictionaryGetValue(d, k);
  CFRelease(k);
  return v;
}
} // namespace

TEST_F(AuComponent, ClassInfoCarriesIdentityNameAndTheParameterBlock) {
  AuInstance unit;
  ASSERT_EQ(unit.SetParam(kCycle, 11.0f), noErr);
  CFDictionaryRef info = nullptr;
  ASSERT_EQ(unit.Get(kAudioUnitProperty_ClassInfo, &info), noErr);
  ASSERT_EQ(CFGetTypeID(info), CFDictionaryGetTypeID());
  ASSERT_EQ(CFDictionaryGetCount(info), 6);
  auto number = [&](const char* key) {
    SInt32 v = 0;
    EXPECT_TRUE(CFNumberGetValue((CFNumberRef)Get(info, key), kCFNumberSInt32Type, &v)) << key;
    return v;
  };
  EXPECT_EQ(number("version"), 0x010200);
  EXPECT_EQ((OSType)number("type"), (OSType)kAudioUnitType_Effect);
  EXPECT_EQ((OSType)number("subtype"), FourCC("chzg"));
  EXPECT_EQ((OSType)number("manufacturer"), FourCC("OrbL"));
  EXPECT_EQ(CFGetTypeID(Get(info, "name")), CFStringGetTypeID());
  CFDataRef data = (CFDataRef)Get(info, "data");
  ASSERT_EQ(CFDataGetLength(data), 184); // 23 doubles, no version in front
  double cycle = 0;
  std::memcpy(&cycle, CFDataGetBytePtr(data) + 8 * kCycle, 8);
  EXPECT_EQ(cycle, 11.0);

  // Round trip: other values, then the saved dictionary back.
  const std::vector<float> saved = unit.Params();
  unit.SetParam(kCycle, 3.0f);
  unit.SetParam(kMix, 10.0f);
  ASSERT_EQ(unit.Set(kAudioUnitProperty_ClassInfo, info), noErr);
  EXPECT_EQ(unit.Params(), saved);
  CFRelease(info);
}

TEST_F(AuComponent, AMalformedClassInfoIsRefusedAndChangesNothing) {
  AuInstance unit;
  AUPreset choose = {4, nullptr};
  ASSERT_EQ(unit.Set(kAudioUnitProperty_PresentPreset, choose), noErr);
  CFDictionaryRef good = nullptr;
  ASSERT_EQ(unit.Get(kAudioUnitProperty_ClassInfo, &good), noErr);
  // Another preset's name in it: accepting it would select that preset.
  CFArrayRef presets = nullptr;
  ASSERT_EQ(unit.Get(kAudioUnitProperty_FactoryPresets, &presets), noErr);
  CFStringRef otherName = ((const AUPreset*)CFArrayGetValueAtIndex(presets, 9))->presetName;
  CFRetain(otherName);
  CFRelease(presets);
  ASSERT_EQ(unit.Set(kAudioUnitProperty_PresentPreset, AUPreset{2, nullptr}), noErr);
  const std::vector<float> before = unit.Params();

  std::vector<unsigned char> block(CFDataGetBytePtr((CFDataRef)Get(good, "data")),
                                   CFDataGetBytePtr((CFDataRef)Get(good, "data")) + 184);
  std::vector<unsigned char> nan = block;
  const double notANumber = NAN, tooBig = 1e9;
  std::memcpy(nan.data() + 8 * kMix, &notANumber, 8);
  std::vector<unsigned char> outOfRange = block;
  std::memcpy(outOfRange.data() + 8 * kCycle, &tooBig, 8);

  struct Case {
    const char* mWhat;
    const char* mKey;
    CFTypeRef mValue; // null removes the key
  } cases[] = {
      {"another component's subtype", "subtype", Number((SInt32)FourCC("xxxx"))},
      {"another manufacturer", "manufacturer", Number(1)},
      {"another type", "type", Number((SInt32)kAudioUnitType_Generator)},
      {"no version", "version", nullptr},
      {"no type", "type", nullptr},
      {"no name", "name", nullptr},
      {"no data", "data", nullptr},
      {"a name that is a number", "name", Number(3)},
      {"a subtype that is a string", "subtype", CFStringCreateWithCString(nullptr, "chzg", 0)},
      {"data that is a string", "data", CFStringCreateWithCString(nullptr, "abc", 0)},
      {"short data", "data", CFDataCreate(nullptr, block.data(), 100)},
      {"long data", "data", CFDataCreate(nullptr, std::vector<unsigned char>(200).data(), 200)},
      {"no bytes", "data", CFDataCreate(nullptr, nullptr, 0)},
      {"a value that is not a number", "data", CFDataCreate(nullptr, nan.data(), 184)},
      {"a value outside its range", "data", CFDataCreate(nullptr, outOfRange.data(), 184)},
  };
  for (const Case& c : cases) {
    CFMutableDictionaryRef bad = CopyDict(good);
    CFDictionarySetValue(bad, CFSTR("name"), otherName);
    Put(bad, c.mKey, c.mValue);
    EXPECT_EQ(unit.Set(kAudioUnitProperty_ClassInfo, (CFDictionaryRef)bad),
              kAudioUnitErr_InvalidPropertyValue)
        << c.mWhat;
    EXPECT_EQ(unit.Params(), before) << c.mWhat;
    AUPreset now;
    unit.Get(kAudioUnitProperty_PresentPreset, &now);
    EXPECT_EQ(now.presetNumber, 2) << c.mWhat;
    CFRelease(now.presetName);
    CFRelease(bad);
  }
  // Not a dictionary at all, or none.
  CFStringRef notADict = CFStringCreateWithCString(nullptr, "plist", 0);
  EXPECT_EQ(unit.Set(kAudioUnitProperty_ClassInfo, notADict), kAudioUnitErr_InvalidPropertyValue);
  CFRelease(notADict);
  EXPECT_EQ(unit.Set(kAudioUnitProperty_ClassInfo, (CFDictionaryRef) nullptr),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(unit.Params(), before);
  CFRelease(otherName);
  CFRelease(good);
}

// ---- Connections --------------------------------------------------------------------------------

TEST_F(AuComponent, ASecondInstanceFeedsTheFirstThroughItsDirectRender) {
  AuInstance upstream(kThroughEntry), unit(kThroughEntry);
  SignalSource input;
  ASSERT_EQ(upstream.Configure(44100, 512, 2, nullptr, &input), noErr);
  ASSERT_EQ(upstream.Set(kAudioUnitProperty_BypassEffect, (UInt32)1), noErr);
  ASSERT_EQ(unit.Configure(44100, 512, 2, nullptr, nullptr), noErr);
  ASSERT_EQ(unit.Set(kAudioUnitProperty_BypassEffect, (UInt32)1), noErr);
  const AudioUnitConnection connection = {upstream.mUnit, 0, 0};
  ASSERT_EQ(unit.Set(kAudioUnitProperty_MakeConnection, connection, kAudioUnitScope_Input), noErr);

  const long renderSelects = EntryCalls(kAudioUnitRenderSelect);
  std::vector<float> out;
  ASSERT_EQ(unit.Render(2048, 256, 2, &out), noErr);
  // The upstream unit answered its directly dispatched render: only ours went through the
  // entry.
  EXPECT_EQ(EntryCalls(kAudioUnitRenderSelect), renderSelects + 1);
  EXPECT_EQ(input.mCalls, 1);
  for (int ch = 0; ch < 2; ++ch)
    for (int i = 0; i < 256; ++i)
      ASSERT_EQ(out[ch * 256 + i], TestSample(ch, 2048 + i));
  ASSERT_EQ(unit.Render(2048, 256, 2, &out), noErr);
  EXPECT_EQ(input.mCalls, 1); // the same time stamp: the input is pulled once

  // Disconnected, the bus has no input: silence passes through.
  const AudioUnitConnection none = {nullptr, 0, 0};
  ASSERT_EQ(unit.Set(kAudioUnitProperty_MakeConnection, none, kAudioUnitScope_Input), noErr);
  ASSERT_EQ(unit.Render(2304, 256, 2, &out), noErr);
  for (float s : out)
    ASSERT_EQ(s, 0.0f);
}

TEST_F(AuComponent, ASecondInstanceWithoutDirectRenderFeedsTheFirstThroughAudioUnitRender) {
  AuInstance upstream(kThroughEntry), unit(kThroughEntry);
  SignalSource input;
  ASSERT_EQ(upstream.Configure(44100, 512, 2, nullptr, &input), noErr);
  ASSERT_EQ(upstream.Set(kAudioUnitProperty_BypassEffect, (UInt32)1), noErr);
  ASSERT_EQ(unit.Configure(44100, 512, 2, nullptr, nullptr), noErr);
  ASSERT_EQ(unit.Set(kAudioUnitProperty_BypassEffect, (UInt32)1), noErr);
  HideFastDispatch(true);
  const AudioUnitConnection connection = {upstream.mUnit, 0, 0};
  const OSStatus connected =
      unit.Set(kAudioUnitProperty_MakeConnection, connection, kAudioUnitScope_Input);
  HideFastDispatch(false);
  ASSERT_EQ(connected, noErr);

  const long renderSelects = EntryCalls(kAudioUnitRenderSelect);
  std::vector<float> out;
  ASSERT_EQ(unit.Render(4096, 200, 2, &out), noErr);
  EXPECT_EQ(EntryCalls(kAudioUnitRenderSelect), renderSelects + 2); // ours, then upstream's
  for (int ch = 0; ch < 2; ++ch)
    for (int i = 0; i < 200; ++i)
      ASSERT_EQ(out[ch * 200 + i], TestSample(ch, 4096 + i));
  ASSERT_EQ(unit.Render(4096, 200, 2, &out), noErr);
  EXPECT_EQ(EntryCalls(kAudioUnitRenderSelect), renderSelects + 3); // the input is not pulled again
  EXPECT_EQ(input.mCalls, 1);
}

namespace {
// A minimal generator component of the test host: it answers its output format and
// renders a constant per channel, and offers no directly dispatched render, so a
// downstream unit must go through AudioUnitRender.
int gGeneratorRenders = 0;
ComponentResult GeneratorEntry(ComponentParameters* params, Handle) {
  switch (params->what) {
  case kComponentOpenSelect:
  case kComponentCloseSelect:
    return noErr;
  case kAudioUnitGetPropertySelect: {
    const UInt32 id = (UInt32)params->params[1];
    if (id != kAudioUnitProperty_StreamFormat) return kAudioUnitErr_InvalidProperty;
    *(AudioStreamBasicDescription*)params->params[4] = FloatFormat(44100, 2);
    *(UInt32*)params->params[5] = sizeof(AudioStreamBasicDescription);
    return noErr;
  }
  case kAudioUnitRenderSelect: {
    ++gGeneratorRenders;
    const UInt32 frames = (UInt32)params->params[4];
    AudioBufferList* list = (AudioBufferList*)params->params[5];
    static float buffers[2][4096];
    for (UInt32 ch = 0; ch < list->mNumberBuffers && ch < 2; ++ch) {
      if (!list->mBuffers[ch].mData) list->mBuffers[ch].mData = buffers[ch];
      for (UInt32 i = 0; i < frames; ++i)
        ((float*)list->mBuffers[ch].mData)[i] = ch == 0 ? 0.25f : -0.5f;
    }
    return noErr;
  }
  default:
    return badComponentSelector;
  }
}
} // namespace

TEST_F(AuComponent, AnUpstreamUnitWithoutDirectRenderIsPulledThroughAudioUnitRender) {
  ComponentDescription desc = {kAudioUnitType_Generator, FourCC("tone"), FourCC("Test"), 0, 0};
  Component generator = RegisterComponent(&desc, GeneratorEntry, 0, nullptr, nullptr, nullptr);
  AudioUnit source = nullptr;
  ASSERT_EQ(OpenAComponent(generator, &source), noErr);
  {
    AuInstance unit;
    ASSERT_EQ(unit.Configure(44100, 512, 2, nullptr, nullptr), noErr);
    ASSERT_EQ(unit.Set(kAudioUnitProperty_BypassEffect, (UInt32)1), noErr);
    const AudioUnitConnection connection = {source, 0, 0};
    ASSERT_EQ(unit.Set(kAudioUnitProperty_MakeConnection, connection, kAudioUnitScope_Input),
              noErr);
    std::vector<float> out;
    ASSERT_EQ(unit.Render(0, 100, 2, &out), noErr);
    ASSERT_EQ(unit.Render(0, 100, 2, &out), noErr);
    EXPECT_EQ(gGeneratorRenders, 1);
    EXPECT_EQ(out[0], 0.25f);
    EXPECT_EQ(out[199], -0.5f);

    // Connections that cannot be made are refused.
    const AudioUnitConnection toItself = {unit.mUnit, 0, 0};
    EXPECT_EQ(unit.Set(kAudioUnitProperty_MakeConnection, toItself, kAudioUnitScope_Input),
              kAudioUnitErr_InvalidProperty);
    const AudioUnitConnection secondBus = {source, 0, 1};
    EXPECT_EQ(unit.Set(kAudioUnitProperty_MakeConnection, secondBus, kAudioUnitScope_Input),
              kAudioUnitErr_InvalidElement);
    EXPECT_EQ(unit.Set(kAudioUnitProperty_MakeConnection, connection, kAudioUnitScope_Output),
              kAudioUnitErr_InvalidScope);
  }
  CloseComponent(source);
  UnregisterComponent(generator);
}

TEST_F(AuComponent, AFailingInputPullFailsTheRenderWithItsError) {
  struct Failing {
    static OSStatus Render(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32,
                           UInt32, AudioBufferList*) {
      return -4242;
    }
  };
  AuInstance unit;
  ASSERT_EQ(unit.Configure(44100, 512, 2, nullptr, nullptr), noErr);
  const AURenderCallbackStruct callback = {Failing::Render, nullptr};
  ASSERT_EQ(unit.Set(kAudioUnitProperty_SetRenderCallback, callback, kAudioUnitScope_Input), noErr);
  std::vector<float> out;
  EXPECT_EQ(unit.Render(0, 64, 2, &out), -4242);
}

// ---- Host identification and edits ------------------------------------------------------------

TEST_F(AuComponent, StepEditsReachTheHostAsParameterEventsInsideGestures) {
  AuInstance unit;
  HostTimeline timeline;
  SignalSource input;
  ASSERT_EQ(unit.Configure(44100, 512, 2, &timeline, &input), noErr);
  std::vector<float> out;
  ASSERT_EQ(unit.Render(0, 512, 2, &out), noErr);
  CorvanelMac_ClearEvents();
  // A shift of the step times repacks the pattern; the next block publishes the words.
  ASSERT_EQ(unit.SetParam(24, 1.0f), noErr);
  timeline.mSample = 512;
  ASSERT_EQ(unit.Render(512, 512, 2, &out), noErr);
  std::vector<AudioUnitEvent> events;
  for (long i = 0; i < CorvanelMac_EventCount(); ++i) {
    AudioUnitEvent e;
    CorvanelMac_EventAt(i, &e);
    if (e.mArgument.mParameter.mAudioUnit == unit.mUnit) events.push_back(e);
  }
  // Each of the thirteen step words inside its own begin and end, with its value change
  // between them (listeners hear only announced changes).
  ASSERT_EQ(events.size(), 39u);
  const UInt32 kinds[3] = {kAudioUnitEvent_BeginParameterChangeGesture,
                           kAudioUnitEvent_ParameterValueChange,
                           kAudioUnitEvent_EndParameterChangeGesture};
  for (size_t i = 0; i < events.size(); ++i) {
    EXPECT_EQ(events[i].mEventType, kinds[i % 3]) << i;
    EXPECT_EQ(events[i].mArgument.mParameter.mParameterID, (UInt32)(10 + i / 3)) << i;
    EXPECT_EQ(events[i].mArgument.mParameter.mScope, (UInt32)kAudioUnitScope_Global);
  }
}

} // namespace
