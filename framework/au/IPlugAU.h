#pragma once
// The Audio Unit (version 2) adapter: makes a plug-in instance available to a macOS
// host as an effect component. The life of an instance, as the host drives it:
//   1. open: the component entry creates the plug-in and identifies the host;
//   2. properties set: sample rate, stream formats, maximum frames, connections or a
//      render callback, host callbacks (tempo, position, transport);
//   3. initialize: the channel counts are checked, every parameter is applied;
//   4. render calls (the selector, or the directly dispatched procedure);
//   5. uninitialize, close.
// State travels as a class-info dictionary; parameter edits reach the host as events.
//
// Threads: the host's main thread calls the component entry or the plug-in interface's
// methods; every selector but open and close holds the instance mutex for the whole call.
// The render selector and the directly dispatched render (the method the system looks up)
// run on the host's render thread under the same mutex, as the VST2 block does: the host's
// calls and the editor's edits hold it only for a short while (corvanel-stress reports the
// longest render it saw).
#include "ChunkBuffer.h"
#include "IPlugBase.h"
#include "RelaxedAtomic.h"
#include "WDL_String.h"

#include <AudioToolbox/AudioToolbox.h>
#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/CoreServices.h>

#include <cstdint>

#if !defined(__LP64__) || !__LP64__
#error "The component entry reads its arguments as laid out on x86_64 (LP64)"
#endif

// What the component entry hands to the plug-in class's constructor.
struct IPlugInstanceInfo {
  WDL_String mBundleID;      // the component bundle's identifier
  WDL_String mViewClassName; // the Cocoa view factory class
};

class IPlugAU : public IPlugBase {
public:
  // A property of our own (ids below 64000 are the platform's): global scope, element 0,
  // the plug-in instance (IPlugBase*). The Cocoa view factory finds the unit's plug-in
  // through it, whichever way the unit was opened (an instance opened through the factory
  // has no component storage).
  static constexpr AudioUnitPropertyID kPlugInstanceProperty = 64000;

  // Creates the plug-in instance (the plug-in class's constructor runs here).
  typedef IPlugAU* (*CreateInstanceProc)(IPlugInstanceInfo instanceInfo);

  // The largest MaximumFramesPerSlice a host may set.
  static constexpr int kMaxBlockSize = 1 << 16;

  struct BusChannels {
    bool mConnected = false;
    int mNHostChannels = -1; // set through the stream format; -1 until then
    int mNPlugChannels = 0;
    int mPlugChannelStartIdx = 0;
  };
  enum EInputKind { kInputNone = 0, kInputDirectRender, kInputUnitRender, kInputCallback };
  struct InputBusConnection {
    void* mUpstreamStorage = nullptr;
    AudioUnit mUpstreamUnit = nullptr;
    int mUpstreamBusIdx = 0;
    AudioUnitRenderProc mUpstreamRenderProc = nullptr;
    AURenderCallbackStruct mUpstreamRenderCallback = {nullptr, nullptr};
    int mInputKind = kInputNone;
  };
  struct RenderNotify {
    AURenderCallback mProc;
    void* mRefCon;
  };
  struct PropertyListener {
    AudioUnitPropertyID mPropID;
    AudioUnitPropertyListenerProc mListenerProc;
    void* mProcArgs;
  };

  // The instance information, then the plug-in base's arguments.
  IPlugAU(IPlugInstanceInfo instanceInfo, int nParams, const char* channelIOStr, int nPresets,
          const char* effectName, const char* productName, const char* mfrName, int vendorVersion,
          int uniqueID, int mfrID, int latency, int doesMidi, bool doesChunks, bool isInstrument);
  ~IPlugAU() override;

  // [host's main or render thread; open and close under the process-wide creation lock,
  // every other selector under the instance mutex] The component entry: `storage` is the
  // instance (null before open). Open creates the instance with `create` and the bundle
  // identifier; the instance information names the view class `viewClassName`.
  static ComponentResult ComponentEntry(ComponentParameters* params, void* storage,
                                        CreateInstanceProc create, const char* bundleID,
                                        const char* viewClassName);
  // [host's main thread] The factory named in the bundle's Info.plist ("AudioComponents",
  // factoryFunction), as the system calls it from macOS 10.7 on: a new plug-in interface for
  // one instance (AUPlugIn.cpp). Its Open creates the plug-in like the open selector, Close
  // destroys it and frees the interface, and Lookup answers each selector's method (the
  // render, get- and set-parameter methods are the directly dispatched procedures).
  static AudioComponentPlugInInterface* PlugInFactory(const AudioComponentDescription* desc,
                                                      CreateInstanceProc create,
                                                      const char* bundleID,
                                                      const char* viewClassName);
  // [host's main thread] The entry of the window-based view component.
  static ComponentResult ViewEntry(ComponentParameters* params, void* storage);

  // ---- Host-facing operations of the base ------------------------------------------------------
  // [editor or audio thread; mutex held or taken] Parameter events to the host's listeners.
  void HostBeginEdit(int paramIdx) override;
  void HostSetParam(int paramIdx, double normalizedValue) override;
  void HostEndEdit(int paramIdx) override;
  void HostProgramChanged() override;
  // [main thread; mutex held] The host's id from its application's bundle identifier.
  int HostId() override;
  void EditorResized() override;
  void InitForHost() override;
  // [main thread; mutex held] Also sizes the float scratch of pulled input and output.
  void SetBlockSize(int nFrames) override;
  // [main thread; mutex held] Stores the value, then tells the latency listeners.
  void SetLatency(int samples) override;
  bool SendMidi(IMidiMsg* msg) override;
  bool SendSysEx(ISysEx* msg) override;

  // [audio thread] The host's time through its callbacks, each asked once, as the
  // host-time record: the position from the transport callback (rounded to the nearest
  // frame), playing while the host plays or cycles, the beat and tempo from the
  // beat-and-tempo callback (the last tempo the host gave when it gives none now), the
  // time signature from the musical-time callback. Without callbacks: position 0, 120
  // BPM, no beats, stopped.
  IHostTime ReadHostTime();
  // Resolved statically by the plug-in class, like every adapter's.
  // [audio thread] The clock the engine counts its timeouts in: monotonic real time in
  // CLOCKS_PER_SEC ticks.
  uint32_t ProcessorClock() const;

  // ---- Read by tests
  // ------------------------------------------------------------------------------
  int NInBuses() const { return mInBuses.GetSize(); }
  int NOutBuses() const { return mOutBuses.GetSize(); }
  const BusChannels* GetInBus(int idx) const { return mInBuses.Get(idx); }
  const BusChannels* GetOutBus(int idx) const { return mOutBuses.Get(idx); }
  bool IsActive() const { return mActive; }
  bool IsBypassed() const { return mBypassed; }
  bool IsOffline() const { return mIsOffline; }

protected:
  WDL_String mBundleID;
  WDL_String mViewClassName;
  ComponentInstance mCI = nullptr;
  // Opened through the plug-in interface: the system calls the directly dispatched
  // procedures through Lookup, and the instance has no component storage to hand out.
  bool mOpenedByFactory = false;
  RelaxedAtomic<bool> mActive{false};   // read by the render that takes no lock
  RelaxedAtomic<bool> mBypassed{false}; // read by IsBypassed from any thread
  bool mIsOffline = false;
  double mLastRenderSampleTime = -1.0;
  double mTempo = 120.0;
  HostCallbackInfo mHostCallbacks;
  // Each parameter's value as the plug-in defined it, taken when the unit is opened
  // (ParameterInfo's default).
  WDL_TypedBuf<double> mParamDefaults;
  // The present preset when the host named a user preset (a number below 0); 0 otherwise.
  SInt32 mUserPresetNumber = 0;
  WDL_String mUserPresetName;
  WDL_TypedBuf<float> mInScratch;
  WDL_TypedBuf<float> mOutScratch;
  WDL_PtrList<RenderNotify> mRenderNotify;
  WDL_PtrList<BusChannels> mInBuses;
  WDL_PtrList<BusChannels> mOutBuses;
  WDL_PtrList<InputBusConnection> mInBusConnections;
  WDL_PtrList<PropertyListener> mPropertyListeners;

private:
  friend struct AUPlugInInstance;
  // [host's main thread; takes the process-wide creation lock] A new plug-in instance for
  // the component instance `ci` (null when it cannot be made), and its end.
  static IPlugAU* OpenInstance(ComponentInstance ci, bool openedByFactory,
                               CreateInstanceProc create, const char* bundleID,
                               const char* viewClassName);
  static void CloseInstance(IPlugAU* plug);
  // [host's main or render thread; takes the instance mutex] One selector other than open
  // and close, its declared arguments in args[1..n] as the component entry receives them.
  static ComponentResult Call(void* storage, SInt16 what, const long* args);
  // [mutex held] One selector other than open and close.
  ComponentResult Dispatch(SInt16 what, const long* args);
  // [mutex held] Property get: the size and writability always, the value only when
  // `data` is not null (the caller has checked that the host's buffer holds *outSize).
  ComponentResult GetProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                              AudioUnitElement element, UInt32* outSize, Boolean* outWritable,
                              void* data);
  // Property set: applies the value, then tells the property's listeners when it was taken.
  ComponentResult SetProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                              AudioUnitElement element, const void* data, UInt32 size);
  ComponentResult ApplyProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                AudioUnitElement element, const void* data, UInt32 size);
  ComponentResult GetParamInfo(AudioUnitElement paramIdx, AudioUnitParameterInfo* info);
  // The name hosts list for a parameter: its own, or "Parameter <id>" when it has none.
  void GetParamHostName(int paramIdx, char* name, size_t size) const;
  ComponentResult GetParamString(AudioUnitParameterStringFromValue* request);
  ComponentResult GetParamName(AudioUnitParameterNameInfo* request);
  ComponentResult GetParamValueFromString(AudioUnitParameterValueFromString* request);
  ComponentResult SetStreamFormat(AudioUnitScope scope, AudioUnitElement element,
                                  const AudioStreamBasicDescription* format);
  ComponentResult MakeConnection(AudioUnitScope scope, const AudioUnitConnection* connection);
  ComponentResult SetRenderCallback(AudioUnitScope scope, AudioUnitElement element,
                                    const AURenderCallbackStruct* callback);
  void NotifyPropertyListeners(AudioUnitPropertyID propID, AudioUnitScope scope,
                               AudioUnitElement element = 0);

  // [main thread; mutex held] The class-info dictionary both ways, and the factory presets.
  CFMutableDictionaryRef GetClassInfo();
  ComponentResult SetClassInfo(CFDictionaryRef dict);
  bool ClassInfoDataFits(CFDataRef data) const;
  CFArrayRef GetFactoryPresets();
  void GetComponentCodes(ComponentDescription* desc) const;

  // [any thread; takes the mutex] Parameter access of the selectors and procedures.
  ComponentResult GetParamValue(AudioUnitParameterID paramIdx, AudioUnitScope scope,
                                AudioUnitParameterValue* outValue);
  ComponentResult SetParamValue(AudioUnitParameterID paramIdx, AudioUnitScope scope,
                                AudioUnitParameterValue value);
  ComponentResult ScheduleParameters(const AudioUnitParameterEvent* events, UInt32 count);

  // [audio thread] Render: pulls input, processes, tells the render listeners.
  OSStatus Render(AudioUnitRenderActionFlags* ioActionFlags, const AudioTimeStamp* timeStamp,
                  UInt32 outputBusIdx, UInt32 nFrames, AudioBufferList* bufferList);
  OSStatus PullInput(BusChannels* bus, InputBusConnection* connection,
                     AudioUnitRenderActionFlags* ioActionFlags, const AudioTimeStamp* timeStamp,
                     UInt32 busIdx, UInt32 nFrames);
  void NotifyRender(AudioUnitRenderActionFlags action, AudioUnitRenderActionFlags* ioActionFlags,
                    const AudioTimeStamp* timeStamp, UInt32 busIdx, UInt32 nFrames,
                    AudioBufferList* bufferList);

  // [mutex held] Channel legality and the input connections.
  static int HostChannelTotal(const WDL_PtrList<BusChannels>& buses, int excludeIdx);
  bool CheckLegalIO(AudioUnitScope scope, int busIdx, int nChannels) const;
  bool CheckLegalIO() const;
  void AssessInputConnections();
  void ClearConnections();
  // The bus of a stream-format scope and element: kAudioUnitErr_InvalidScope outside the
  // input, output and global scopes, kAudioUnitErr_InvalidElement past the buses.
  ComponentResult FindBus(AudioUnitScope scope, AudioUnitElement element,
                          const BusChannels** outBus) const;
  // What render can fill: linear PCM, native 32-bit float, non-interleaved, one to
  // `busChannels` channels, a finite rate (0: any).
  static bool IsRenderableFormat(const AudioStreamBasicDescription& format, int busChannels);

  // The directly dispatched procedures (kAudioUnitProperty_FastDispatch).
  static OSStatus DirectGetParameter(void* storage, AudioUnitParameterID paramIdx,
                                     AudioUnitScope scope, AudioUnitElement element,
                                     AudioUnitParameterValue* outValue);
  static OSStatus DirectSetParameter(void* storage, AudioUnitParameterID paramIdx,
                                     AudioUnitScope scope, AudioUnitElement element,
                                     AudioUnitParameterValue value, UInt32 offsetFrames);
  static OSStatus DirectRender(void* storage, AudioUnitRenderActionFlags* ioActionFlags,
                               const AudioTimeStamp* timeStamp, UInt32 outputBusIdx, UInt32 nFrames,
                               AudioBufferList* bufferList);

  void SendParamEvent(AudioUnitEventType type, int paramIdx);

  // The buffer list of one input pull, sized at construction for a bus's channels.
  WDL_HeapBuf mPullList;
};
