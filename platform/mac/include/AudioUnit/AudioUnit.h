#pragma once
// The Audio Unit (version 2) interface: selectors, properties, scopes, errors, the
// property structures and procedures, and the calls a host makes on a unit.
#include "../CoreAudio/CoreAudioTypes.h"
#include "../CoreServices/CoreServices.h"

typedef ComponentInstance AudioComponentInstance;
typedef AudioComponentInstance AudioUnit;
typedef AudioComponentInstance MusicDeviceComponent;
typedef struct OpaqueAudioComponent* AudioComponent;
typedef UInt32 AudioUnitPropertyID;
typedef UInt32 AudioUnitScope;
typedef UInt32 AudioUnitElement;
typedef UInt32 AudioUnitParameterID;
typedef Float32 AudioUnitParameterValue;
typedef UInt32 AudioUnitRenderActionFlags;
typedef UInt32 AUParameterEventType;
typedef UInt32 AudioUnitParameterUnit;
typedef UInt32 AudioUnitParameterOptions;
typedef UInt32 MusicDeviceInstrumentID;
typedef UInt32 MusicDeviceGroupID;
typedef UInt32 NoteInstanceID;

#pragma pack(push, 4)
typedef struct AudioComponentDescription {
  OSType componentType;
  OSType componentSubType;
  OSType componentManufacturer;
  UInt32 componentFlags;
  UInt32 componentFlagsMask;
} AudioComponentDescription;
#pragma pack(pop)

// ---- Component types and manufacturers --------------------------------------------------------
enum {
  kAudioUnitType_Output = 0x61756F75,
  kAudioUnitType_MusicDevice = 0x61756D75,
  kAudioUnitType_MusicEffect = 0x61756D66,
  kAudioUnitType_FormatConverter = 0x61756663,
  kAudioUnitType_Effect = 0x61756678,
  kAudioUnitType_Mixer = 0x61756D78,
  kAudioUnitType_Panner = 0x6175706E,
  kAudioUnitType_Generator = 0x6175676E,
  kAudioUnitType_OfflineEffect = 0x61756F6C,
  kAudioUnitCarbonViewComponentType = 0x61757677,
  kAUCarbonViewSubType_Generic = 0x676E7263,
  kAudioUnitManufacturer_Apple = 0x6170706C,
};
enum { kAudioComponentFlag_Unsearchable = 1 };

// ---- Selectors --------------------------------------------------------------------------------
enum {
  kAudioUnitRange = 0x0000,
  kAudioUnitInitializeSelect = 0x0001,
  kAudioUnitUninitializeSelect = 0x0002,
  kAudioUnitGetPropertyInfoSelect = 0x0003,
  kAudioUnitGetPropertySelect = 0x0004,
  kAudioUnitSetPropertySelect = 0x0005,
  kAudioUnitGetParameterSelect = 0x0006,
  kAudioUnitSetParameterSelect = 0x0007,
  kAudioUnitResetSelect = 0x0009,
  kAudioUnitAddPropertyListenerSelect = 0x000A,
  kAudioUnitRemovePropertyListenerSelect = 0x000B,
  kAudioUnitRenderSelect = 0x000E,
  kAudioUnitAddRenderNotifySelect = 0x000F,
  kAudioUnitRemoveRenderNotifySelect = 0x0010,
  kAudioUnitScheduleParametersSelect = 0x0011,
  kAudioUnitRemovePropertyListenerWithUserDataSelect = 0x0012,
  kAudioUnitComplexRenderSelect = 0x0013,
  kAudioUnitProcessSelect = 0x0014,
  kAudioUnitProcessMultipleSelect = 0x0015,
  kMusicDeviceRange = 0x0100,
  kMusicDeviceMIDIEventSelect = 0x0101,
  kMusicDeviceSysExSelect = 0x0102,
  kMusicDevicePrepareInstrumentSelect = 0x0103,
  kMusicDeviceReleaseInstrumentSelect = 0x0104,
  kMusicDeviceStartNoteSelect = 0x0105,
  kMusicDeviceStopNoteSelect = 0x0106,
  kAudioUnitCarbonViewRange = 0x0300,
  kAudioUnitCarbonViewCreateSelect = 0x0301,
  kAudioUnitCarbonViewSetEventListenerSelect = 0x0302,
};

// ---- Properties -------------------------------------------------------------------------------
enum {
  kAudioUnitProperty_ClassInfo = 0,
  kAudioUnitProperty_MakeConnection = 1,
  kAudioUnitProperty_SampleRate = 2,
  kAudioUnitProperty_ParameterList = 3,
  kAudioUnitProperty_ParameterInfo = 4,
  kAudioUnitProperty_FastDispatch = 5,
  kAudioUnitProperty_CPULoad = 6,
  kAudioUnitProperty_StreamFormat = 8,
  kAudioUnitProperty_SRCAlgorithm = 9,
  kAudioUnitProperty_ElementCount = 11,
  kAudioUnitProperty_BusCount = kAudioUnitProperty_ElementCount,
  kAudioUnitProperty_Latency = 12,
  kAudioUnitProperty_SupportedNumChannels = 13,
  kAudioUnitProperty_MaximumFramesPerSlice = 14,
  kAudioUnitProperty_SetExternalBuffer = 15,
  kAudioUnitProperty_ParameterValueStrings = 16,
  kAudioUnitProperty_MIDIControlMapping = 17,
  kAudioUnitProperty_GetUIComponentList = 18,
  kAudioUnitProperty_AudioChannelLayout = 19,
  kAudioUnitProperty_TailTime = 20,
  kAudioUnitProperty_BypassEffect = 21,
  kAudioUnitProperty_LastRenderError = 22,
  kAudioUnitProperty_SetRenderCallback = 23,
  kAudioUnitProperty_FactoryPresets = 24,
  kAudioUnitProperty_ContextName = 25,
  kAudioUnitProperty_RenderQuality = 26,
  kAudioUnitProperty_HostCallbacks = 27,
  kAudioUnitProperty_CurrentPreset = 28,
  kAudioUnitProperty_InPlaceProcessing = 29,
  kAudioUnitProperty_ElementName = 30,
  kAudioUnitProperty_CocoaUI = 31,
  kAudioUnitProperty_SupportedChannelLayoutTags = 32,
  kAudioUnitProperty_ParameterStringFromValue = 33,
  kAudioUnitProperty_ParameterValueName = kAudioUnitProperty_ParameterStringFromValue,
  kAudioUnitProperty_ParameterIDName = 34,
  kAudioUnitProperty_ParameterClumpName = 35,
  kAudioUnitProperty_PresentPreset = 36,
  kAudioUnitProperty_OfflineRender = 37,
  kAudioUnitProperty_ParameterValueFromString = 38,
  kAudioUnitProperty_IconLocation = 39,
  kAudioUnitProperty_PresentationLatency = 40,
  kAudioUnitProperty_DependentParameters = 45,
  kAudioUnitProperty_AUHostIdentifier = 46,
  kAudioUnitProperty_MIDIOutputCallbackInfo = 47,
  kAudioUnitProperty_MIDIOutputCallback = 48,
  kAudioUnitProperty_InputSamplesInOutput = 49,
  kAudioUnitProperty_ClassInfoFromDocument = 50,
  kAudioUnitProperty_ShouldAllocateBuffer = 51,
  kAudioUnitProperty_FrequencyResponse = 52,
  kAudioUnitProperty_ParameterHistoryInfo = 53,
  kAudioUnitProperty_NickName = 54,
  kMusicDeviceProperty_InstrumentCount = 1000,
};

#define kAUPresetVersionKey "version"
#define kAUPresetTypeKey "type"
#define kAUPresetSubtypeKey "subtype"
#define kAUPresetManufacturerKey "manufacturer"
#define kAUPresetDataKey "data"
#define kAUPresetNameKey "name"
#define kAUPresetRenderQualityKey "render-quality"
#define kAUPresetCPULoadKey "cpu-load"
#define kAUPresetElementNameKey "element-name"
#define kAUPresetExternalFileRefs "file-references"
#define kAUPresetPartKey "part"

// ---- Scopes -----------------------------------------------------------------------------------
enum {
  kAudioUnitScope_Global = 0,
  kAudioUnitScope_Input = 1,
  kAudioUnitScope_Output = 2,
  kAudioUnitScope_Group = 3,
  kAudioUnitScope_Part = 4,
  kAudioUnitScope_Note = 5,
  kAudioUnitScope_Layer = 6,
  kAudioUnitScope_LayerItem = 7,
};

// ---- Errors -----------------------------------------------------------------------------------
enum {
  kAudioUnitErr_InvalidProperty = -10879,
  kAudioUnitErr_InvalidParameter = -10878,
  kAudioUnitErr_InvalidElement = -10877,
  kAudioUnitErr_NoConnection = -10876,
  kAudioUnitErr_FailedInitialization = -10875,
  kAudioUnitErr_TooManyFramesToProcess = -10874,
  kAudioUnitErr_InvalidFile = -10871,
  kAudioUnitErr_UnknownFileType = -10870,
  kAudioUnitErr_FileNotSpecified = -10869,
  kAudioUnitErr_FormatNotSupported = -10868,
  kAudioUnitErr_Uninitialized = -10867,
  kAudioUnitErr_InvalidScope = -10866,
  kAudioUnitErr_PropertyNotWritable = -10865,
  kAudioUnitErr_CannotDoInCurrentContext = -10863,
  kAudioUnitErr_InvalidPropertyValue = -10851,
  kAudioUnitErr_PropertyNotInUse = -10850,
  kAudioUnitErr_Initialized = -10849,
  kAudioUnitErr_InvalidOfflineRender = -10848,
  kAudioUnitErr_Unauthorized = -10847,
};

// ---- Render action flags ----------------------------------------------------------------------
enum {
  kAudioUnitRenderAction_PreRender = 1 << 2,
  kAudioUnitRenderAction_PostRender = 1 << 3,
  kAudioUnitRenderAction_OutputIsSilence = 1 << 4,
  kAudioOfflineUnitRenderAction_Preflight = 1 << 5,
  kAudioOfflineUnitRenderAction_Render = 1 << 6,
  kAudioOfflineUnitRenderAction_Complete = 1 << 7,
  kAudioUnitRenderAction_PostRenderError = 1 << 8,
  kAudioUnitRenderAction_DoNotCheckRenderArgs = 1 << 9,
};

// ---- Parameters -------------------------------------------------------------------------------
enum {
  kAudioUnitParameterUnit_Generic = 0,
  kAudioUnitParameterUnit_Indexed = 1,
  kAudioUnitParameterUnit_Boolean = 2,
  kAudioUnitParameterUnit_Percent = 3,
  kAudioUnitParameterUnit_Seconds = 4,
  kAudioUnitParameterUnit_SampleFrames = 5,
  kAudioUnitParameterUnit_Phase = 6,
  kAudioUnitParameterUnit_Rate = 7,
  kAudioUnitParameterUnit_Hertz = 8,
  kAudioUnitParameterUnit_Cents = 9,
  kAudioUnitParameterUnit_RelativeSemiTones = 10,
  kAudioUnitParameterUnit_MIDINoteNumber = 11,
  kAudioUnitParameterUnit_MIDIController = 12,
  kAudioUnitParameterUnit_Decibels = 13,
  kAudioUnitParameterUnit_LinearGain = 14,
  kAudioUnitParameterUnit_Degrees = 15,
  kAudioUnitParameterUnit_EqualPowerCrossfade = 16,
  kAudioUnitParameterUnit_MixerFaderCurve1 = 17,
  kAudioUnitParameterUnit_Pan = 18,
  kAudioUnitParameterUnit_Meters = 19,
  kAudioUnitParameterUnit_AbsoluteCents = 20,
  kAudioUnitParameterUnit_Octaves = 21,
  kAudioUnitParameterUnit_BPM = 22,
  kAudioUnitParameterUnit_Beats = 23,
  kAudioUnitParameterUnit_Milliseconds = 24,
  kAudioUnitParameterUnit_Ratio = 25,
  kAudioUnitParameterUnit_CustomUnit = 26,
};

enum {
  kAudioUnitParameterFlag_CFNameRelease = 1u << 4,
  kAudioUnitParameterFlag_OmitFromPresets = 1u << 13,
  kAudioUnitParameterFlag_PlotHistory = 1u << 14,
  kAudioUnitParameterFlag_MeterReadOnly = 1u << 15,
  kAudioUnitParameterFlag_HasClump = 1u << 20,
  kAudioUnitParameterFlag_ValuesHaveStrings = 1u << 21,
  kAudioUnitParameterFlag_HasName = kAudioUnitParameterFlag_ValuesHaveStrings,
  kAudioUnitParameterFlag_DisplayLogarithmic = 1u << 22,
  kAudioUnitParameterFlag_IsHighResolution = 1u << 23,
  kAudioUnitParameterFlag_NonRealTime = 1u << 24,
  kAudioUnitParameterFlag_CanRamp = 1u << 25,
  kAudioUnitParameterFlag_ExpertMode = 1u << 26,
  kAudioUnitParameterFlag_HasCFNameString = 1u << 27,
  kAudioUnitParameterFlag_IsGlobalMeta = 1u << 28,
  kAudioUnitParameterFlag_IsElementMeta = 1u << 29,
  kAudioUnitParameterFlag_IsReadable = 1u << 30,
  kAudioUnitParameterFlag_IsWritable = 1u << 31,
};
enum { kAudioUnitClumpID_System = 0 };
enum { kAudioUnitParameterName_Full = -1 };

typedef struct AudioUnitParameterInfo {
  char name[52];
  CFStringRef unitName;
  UInt32 clumpID;
  CFStringRef cfNameString;
  AudioUnitParameterUnit unit;
  AudioUnitParameterValue minValue;
  AudioUnitParameterValue maxValue;
  AudioUnitParameterValue defaultValue;
  AudioUnitParameterOptions flags;
} AudioUnitParameterInfo;

typedef struct AudioUnitParameterStringFromValue {
  AudioUnitParameterID inParamID;
  const AudioUnitParameterValue* inValue;
  CFStringRef outString;
} AudioUnitParameterStringFromValue;

typedef struct AudioUnitParameterValueFromString {
  AudioUnitParameterID inParamID;
  CFStringRef inString;
  AudioUnitParameterValue outValue;
} AudioUnitParameterValueFromString;

typedef struct AudioUnitParameterNameInfo {
  AudioUnitParameterID inID;
  SInt32 inDesiredLength;
  CFStringRef outName;
} AudioUnitParameterNameInfo;
typedef AudioUnitParameterNameInfo AudioUnitParameterIDName;

enum { kParameterEvent_Immediate = 1, kParameterEvent_Ramped = 2 };

typedef struct AudioUnitParameterEvent {
  AudioUnitScope scope;
  AudioUnitElement element;
  AudioUnitParameterID parameter;
  AUParameterEventType eventType;
  union {
    struct {
      SInt32 startBufferOffset;
      UInt32 durationInFrames;
      AudioUnitParameterValue startValue;
      AudioUnitParameterValue endValue;
    } ramp;
    struct {
      UInt32 bufferOffset;
      AudioUnitParameterValue value;
    } immediate;
  } eventValues;
} AudioUnitParameterEvent;

typedef struct AudioUnitParameter {
  AudioUnit mAudioUnit;
  AudioUnitParameterID mParameterID;
  AudioUnitScope mScope;
  AudioUnitElement mElement;
} AudioUnitParameter;

typedef struct AudioUnitProperty {
  AudioUnit mAudioUnit;
  AudioUnitPropertyID mPropertyID;
  AudioUnitScope mScope;
  AudioUnitElement mElement;
} AudioUnitProperty;

// ---- Procedures -------------------------------------------------------------------------------
typedef OSStatus (*AURenderCallback)(void* inRefCon, AudioUnitRenderActionFlags* ioActionFlags,
                                     const AudioTimeStamp* inTimeStamp, UInt32 inBusNumber,
                                     UInt32 inNumberFrames, AudioBufferList* ioData);
typedef void (*AudioUnitPropertyListenerProc)(void* inRefCon, AudioUnit inUnit,
                                              AudioUnitPropertyID inID, AudioUnitScope inScope,
                                              AudioUnitElement inElement);
typedef OSStatus (*AudioUnitGetParameterProc)(void* inComponentStorage, AudioUnitParameterID inID,
                                              AudioUnitScope inScope, AudioUnitElement inElement,
                                              AudioUnitParameterValue* outValue);
typedef OSStatus (*AudioUnitSetParameterProc)(void* inComponentStorage, AudioUnitParameterID inID,
                                              AudioUnitScope inScope, AudioUnitElement inElement,
                                              AudioUnitParameterValue inValue,
                                              UInt32 inBufferOffsetInFrames);
typedef OSStatus (*AudioUnitRenderProc)(void* inComponentStorage,
                                        AudioUnitRenderActionFlags* ioActionFlags,
                                        const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber,
                                        UInt32 inNumberFrames, AudioBufferList* ioData);

typedef OSStatus (*HostCallback_GetBeatAndTempo)(void* inHostUserData, Float64* outCurrentBeat,
                                                 Float64* outCurrentTempo);
typedef OSStatus (*HostCallback_GetMusicalTimeLocation)(void* inHostUserData,
                                                        UInt32* outDeltaSampleOffsetToNextBeat,
                                                        Float32* outTimeSig_Numerator,
                                                        UInt32* outTimeSig_Denominator,
                                                        Float64* outCurrentMeasureDownBeat);
typedef OSStatus (*HostCallback_GetTransportState)(void* inHostUserData, Boolean* outIsPlaying,
                                                   Boolean* outTransportStateChanged,
                                                   Float64* outCurrentSampleInTimeLine,
                                                   Boolean* outIsCycling,
                                                   Float64* outCycleStartBeat,
                                                   Float64* outCycleEndBeat);

// ---- Property structures ----------------------------------------------------------------------
typedef struct AURenderCallbackStruct {
  AURenderCallback inputProc;
  void* inputProcRefCon;
} AURenderCallbackStruct;

typedef OSStatus (*HostCallback_GetTransportState2)(
    void* inHostUserData, Boolean* outIsPlaying, Boolean* outIsRecording,
    Boolean* outTransportStateChanged, Float64* outCurrentSampleInTimeLine, Boolean* outIsCycling,
    Float64* outCycleStartBeat, Float64* outCycleEndBeat);

// Hosts of older systems pass only the first four members (32 bytes); the property's data
// size tells which layout arrived.
typedef struct HostCallbackInfo {
  void* hostUserData;
  HostCallback_GetBeatAndTempo beatAndTempoProc;
  HostCallback_GetMusicalTimeLocation musicalTimeLocationProc;
  HostCallback_GetTransportState transportStateProc;
  HostCallback_GetTransportState2 transportStateProc2;
} HostCallbackInfo;

typedef struct AudioUnitConnection {
  AudioUnit sourceAudioUnit;
  UInt32 sourceOutputNumber;
  UInt32 destInputNumber;
} AudioUnitConnection;

typedef struct AUPreset {
  SInt32 presetNumber;
  CFStringRef presetName;
} AUPreset;

typedef struct AudioUnitCocoaViewInfo {
  CFURLRef mCocoaAUViewBundleLocation;
  CFStringRef mCocoaAUViewClass[1];
} AudioUnitCocoaViewInfo;

typedef struct AUChannelInfo {
  SInt16 inChannels;
  SInt16 outChannels;
} AUChannelInfo;

typedef struct AUHostVersionIdentifier {
  CFStringRef hostName;
  UInt32 hostVersion;
} AUHostVersionIdentifier;

// ---- Audio component plug-in interface ---------------------------------------------------------
// How the system opens a unit its bundle registers in Info.plist ("AudioComponents"): the
// entry named by factoryFunction makes one interface per instance; Open binds it to the
// instance and Close frees it; every other call goes to the method Lookup answers for its
// selector, called with the interface as `self` and then the selector's arguments.
typedef OSStatus (*AudioComponentMethod)(void* self, ...);
typedef struct AudioComponentPlugInInterface {
  OSStatus (*Open)(void* self, AudioComponentInstance mInstance);
  OSStatus (*Close)(void* self);
  AudioComponentMethod (*Lookup)(SInt16 selector);
  void* reserved;
} AudioComponentPlugInInterface;
typedef AudioComponentPlugInInterface* (*AudioComponentFactoryFunction)(
    const AudioComponentDescription* inDesc);

#ifdef __cplusplus
static_assert(sizeof(AudioComponentPlugInInterface) == 32, "AudioComponentPlugInInterface");
static_assert(sizeof(AudioComponentDescription) == 20, "AudioComponentDescription");
static_assert(sizeof(AudioUnitParameterInfo) == 104, "AudioUnitParameterInfo");
static_assert(__builtin_offsetof(AudioUnitParameterInfo, unitName) == 56, "unitName");
static_assert(__builtin_offsetof(AudioUnitParameterInfo, cfNameString) == 72, "cfNameString");
static_assert(__builtin_offsetof(AudioUnitParameterInfo, flags) == 96, "flags");
static_assert(sizeof(AudioUnitParameterStringFromValue) == 24, "StringFromValue");
static_assert(sizeof(AudioUnitParameterValueFromString) == 24, "ValueFromString");
static_assert(sizeof(AudioUnitParameterNameInfo) == 16, "ParameterNameInfo");
static_assert(sizeof(AudioUnitParameterEvent) == 32, "AudioUnitParameterEvent");
static_assert(sizeof(AudioUnitParameter) == 24, "AudioUnitParameter");
static_assert(sizeof(AURenderCallbackStruct) == 16, "AURenderCallbackStruct");
static_assert(sizeof(HostCallbackInfo) == 40, "HostCallbackInfo");
static_assert(sizeof(AudioUnitConnection) == 16, "AudioUnitConnection");
static_assert(sizeof(AUPreset) == 16, "AUPreset");
static_assert(sizeof(AudioUnitCocoaViewInfo) == 16, "AudioUnitCocoaViewInfo");
static_assert(sizeof(AUChannelInfo) == 4, "AUChannelInfo");
static_assert(sizeof(AUHostVersionIdentifier) == 16, "AUHostVersionIdentifier");
static_assert(sizeof(ComponentDescription) == 20, "ComponentDescription");
static_assert(__builtin_offsetof(ComponentParameters, params) == 8, "ComponentParameters");
#endif

// ---- Audio components registered by a factory -------------------------------------------------
CORVANEL_MAC_API AudioComponent AudioComponentRegister(const AudioComponentDescription* inDesc,
                                                       CFStringRef inName, UInt32 inVersion,
                                                       AudioComponentFactoryFunction inFactory);
// Calls the factory with the component's description, then Open; a failed open leaves no
// instance (the interface is closed again).
CORVANEL_MAC_API OSStatus AudioComponentInstanceNew(AudioComponent inComponent,
                                                    AudioComponentInstance* outInstance);
CORVANEL_MAC_API OSStatus AudioComponentInstanceDispose(AudioComponentInstance inInstance);

// ---- Calls a host makes on a unit (each reaches the unit's component entry, or the method its
// plug-in interface looks up) --------------------------------------------------------------------
CORVANEL_MAC_API OSStatus AudioUnitInitialize(AudioUnit inUnit);
CORVANEL_MAC_API OSStatus AudioUnitUninitialize(AudioUnit inUnit);
CORVANEL_MAC_API OSStatus AudioUnitGetPropertyInfo(AudioUnit inUnit, AudioUnitPropertyID inID,
                                                   AudioUnitScope inScope,
                                                   AudioUnitElement inElement, UInt32* outDataSize,
                                                   Boolean* outWritable);
CORVANEL_MAC_API OSStatus AudioUnitGetProperty(AudioUnit inUnit, AudioUnitPropertyID inID,
                                               AudioUnitScope inScope, AudioUnitElement inElement,
                                               void* outData, UInt32* ioDataSize);
CORVANEL_MAC_API OSStatus AudioUnitSetProperty(AudioUnit inUnit, AudioUnitPropertyID inID,
                                               AudioUnitScope inScope, AudioUnitElement inElement,
                                               const void* inData, UInt32 inDataSize);
CORVANEL_MAC_API OSStatus AudioUnitGetParameter(AudioUnit inUnit, AudioUnitParameterID inID,
                                                AudioUnitScope inScope, AudioUnitElement inElement,
                                                AudioUnitParameterValue* outValue);
CORVANEL_MAC_API OSStatus AudioUnitSetParameter(AudioUnit inUnit, AudioUnitParameterID inID,
                                                AudioUnitScope inScope, AudioUnitElement inElement,
                                                AudioUnitParameterValue inValue,
                                                UInt32 inBufferOffsetInFrames);
CORVANEL_MAC_API OSStatus AudioUnitReset(AudioUnit inUnit, AudioUnitScope inScope,
                                         AudioUnitElement inElement);
CORVANEL_MAC_API OSStatus AudioUnitAddPropertyListener(AudioUnit inUnit, AudioUnitPropertyID inID,
                                                       AudioUnitPropertyListenerProc inProc,
                                                       void* inProcUserData);
CORVANEL_MAC_API OSStatus AudioUnitRemovePropertyListenerWithUserData(
    AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitPropertyListenerProc inProc,
    void* inProcUserData);
CORVANEL_MAC_API OSStatus AudioUnitAddRenderNotify(AudioUnit inUnit, AURenderCallback inProc,
                                                   void* inProcUserData);
CORVANEL_MAC_API OSStatus AudioUnitRemoveRenderNotify(AudioUnit inUnit, AURenderCallback inProc,
                                                      void* inProcUserData);
CORVANEL_MAC_API OSStatus AudioUnitRender(AudioUnit inUnit,
                                          AudioUnitRenderActionFlags* ioActionFlags,
                                          const AudioTimeStamp* inTimeStamp,
                                          UInt32 inOutputBusNumber, UInt32 inNumberFrames,
                                          AudioBufferList* ioData);
CORVANEL_MAC_API OSStatus AudioUnitScheduleParameters(AudioUnit inUnit,
                                                      const AudioUnitParameterEvent* inEvents,
                                                      UInt32 inNumParamEvents);
