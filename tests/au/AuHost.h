#pragma once
// An Audio Unit host for the tests, playing the part of a macOS host: it finds the
// component in its bundle the way the system does (the property list's registration and
// the binary under Contents/MacOS), loads that binary by path and registers the factory
// named there, as the system does from macOS 10.7 on, and the component-manager entry
// CLS_CORVANEL_Entry, as older systems and hosts have it. Instances open through either. A timeline
// answers the host callbacks (tempo, beat, transport, time signature) and a test signal feeds
// input.
#include "MacStandIn.h"

#include <cstdint>
#include <string>
#include <vector>

// The component as found in CorvanelAU.component (CORVANEL_AU_BUNDLE, set by the build).
struct ComponentBundle {
  std::string mPath;
  std::string mPlist; // Contents/Info.plist
  std::string mBundleID, mExecutable, mFactoryName, mName;
  ComponentDescription mDesc;
  AudioComponentFactoryFunction mFactory = nullptr; // named by factoryFunction
  ComponentRoutineUPP mEntry = nullptr;             // CLS_CORVANEL_Entry
  ComponentRoutineUPP mViewEntry = nullptr;         // CLS_CORVANEL_ViewEntry
  Component mComponent = nullptr;                   // registered with the entry
  AudioComponent mAudioComponent = nullptr;         // registered with the factory
  std::string mError; // why the bundle could not be used; empty when it can
};
const ComponentBundle& BuiltBundle();

// The text of the first <string> (or <integer>) after <key>name</key>; empty if none.
std::string PlistValue(const std::string& plist, const char* key);
OSType FourCC(const std::string& code);

// How often the entry of the built component has been called with each selector.
long EntryCalls(SInt16 selector);
// While set, the host's component manager answers for the built component that it has no
// directly dispatched procedures, as a host that wraps units might.
void HideFastDispatch(bool hide);

// The host's timeline: a running sample position at a fixed tempo.
struct HostTimeline {
  double mSampleRate = 44100.0;
  double mTempo = 120.0;
  double mSample = 0.0;
  bool mPlaying = true;
  float mNumerator = 4.0f;
  UInt32 mDenominator = 4;
  int mCallbackCalls = 0;

  double SamplesPerBeat() const { return mSampleRate * 60.0 / mTempo; }
  double Beat() const { return mSample / SamplesPerBeat(); }
  HostCallbackInfo Callbacks();
};

// A deterministic stereo test signal: noise-like, different per channel, bounded by 0.9.
float TestSample(int channel, int64_t frame);

// A render callback that delivers the test signal from the time stamp's sample time.
struct SignalSource {
  int mCalls = 0;
  AURenderCallbackStruct Callback();
};

// How an instance is opened: through the factory's plug-in interface (the system's way
// for a bundle's "AudioComponents") or through the component-manager entry.
enum AuRoute { kThroughFactory, kThroughEntry };
// The route of instances that do not name one: the factory, or the entry when the
// environment sets CORVANEL_AU_OPEN=entry (the whole component test runs both ways).
AuRoute DefaultRoute();

// One instance of the built component.
class AuInstance {
public:
  explicit AuInstance(AuRoute route = DefaultRoute());
  ~AuInstance();
  AuInstance(const AuInstance&) = delete;
  AuInstance& operator=(const AuInstance&) = delete;

  // Sample rate, formats of `channels` on input and output, maximum frames, the host
  // callbacks of `timeline` (when given), the signal as input (when given), initialize.
  OSStatus Configure(double sampleRate, UInt32 maxFrames, UInt32 channels, HostTimeline* timeline,
                     SignalSource* input);

  template <class T>
  OSStatus Set(AudioUnitPropertyID id, const T& value, AudioUnitScope scope = 0,
               AudioUnitElement element = 0) {
    return AudioUnitSetProperty(mUnit, id, scope, element, &value, sizeof(T));
  }
  template <class T>
  OSStatus Get(AudioUnitPropertyID id, T* value, AudioUnitScope scope = 0,
               AudioUnitElement element = 0) {
    UInt32 size = sizeof(T);
    return AudioUnitGetProperty(mUnit, id, scope, element, value, &size);
  }
  float Param(AudioUnitParameterID id);
  std::vector<float> Params(); // all 26
  OSStatus SetParam(AudioUnitParameterID id, float value) {
    return AudioUnitSetParameter(mUnit, id, kAudioUnitScope_Global, 0, value, 0);
  }

  // Renders `frames` at `sampleTime` into `out` (channels × frames, non-interleaved).
  OSStatus Render(double sampleTime, UInt32 frames, UInt32 channels, std::vector<float>* out,
                  bool hostMemory = true);

  AudioUnit mUnit = nullptr;
  AuRoute mRoute;
  OSStatus mOpenResult = -1;
};

// A stereo float stream format with `channels` channels.
AudioStreamBasicDescription FloatFormat(double sampleRate, UInt32 channels);
