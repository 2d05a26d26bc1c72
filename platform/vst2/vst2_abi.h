#pragma once
// The VST2 (2.4) binary interface between a host and a plug-in: the effect record,
// dispatcher and host-callback opcodes, flags, time info, pins, speaker arrangements,
// events, categories and the small records some opcodes pass. Layouts follow the
// interface exactly; the static_asserts at the end pin every size and offset for
// 32-bit and 64-bit builds.
#include <cstddef>
#include <cstdint>

typedef int16_t VstInt16;
typedef int32_t VstInt32;
typedef intptr_t VstIntPtr; // pointer-sized signed integer (64-bit on 64-bit Windows too)

// The interface's one calling convention: cdecl on 32-bit Windows, native elsewhere.
#if defined(_WIN32) && !defined(_WIN64)
#define VSTCALLBACK __cdecl
#else
#define VSTCALLBACK
#endif

// Four-character codes put the first character in the high byte.
constexpr VstInt32 VstFourCC(char a, char b, char c, char d) {
  return (VstInt32)(((uint32_t)(unsigned char)a << 24) | ((uint32_t)(unsigned char)b << 16) |
                    ((uint32_t)(unsigned char)c << 8) | (uint32_t)(unsigned char)d);
}

constexpr VstInt32 kEffectMagic = VstFourCC('V', 's', 't', 'P'); // 0x56737450
constexpr VstInt32 kVstVersion = 2400;
constexpr VstInt32 kVstIdentifyAnswer = VstFourCC('N', 'v', 'E', 'f'); // effIdentify

struct AEffect;

typedef VstIntPtr(VSTCALLBACK* audioMasterCallback)(AEffect* effect, VstInt32 opcode,
                                                    VstInt32 index, VstIntPtr value, void* ptr,
                                                    float opt);
typedef VstIntPtr(VSTCALLBACK* AEffectDispatcherProc)(AEffect* effect, VstInt32 opcode,
                                                      VstInt32 index, VstIntPtr value, void* ptr,
                                                      float opt);
typedef void(VSTCALLBACK* AEffectProcessProc)(AEffect* effect, float** inputs, float** outputs,
                                              VstInt32 sampleFrames);
typedef void(VSTCALLBACK* AEffectProcessDoubleProc)(AEffect* effect, double** inputs,
                                                    double** outputs, VstInt32 sampleFrames);
typedef void(VSTCALLBACK* AEffectSetParameterProc)(AEffect* effect, VstInt32 index,
                                                   float parameter);
typedef float(VSTCALLBACK* AEffectGetParameterProc)(AEffect* effect, VstInt32 index);

// The entry point a plug-in exports as VSTPluginMain (and main).
typedef AEffect*(VSTCALLBACK* VstPluginMainProc)(audioMasterCallback hostCallback);

#pragma pack(push, 8)

// ---- Effect record -------------------------------------------------------------------------

struct AEffect {
  VstInt32 magic; // kEffectMagic
  AEffectDispatcherProc dispatcher;
  AEffectProcessProc process; // accumulating (deprecated)
  AEffectSetParameterProc setParameter;
  AEffectGetParameterProc getParameter;
  VstInt32 numPrograms;
  VstInt32 numParams;
  VstInt32 numInputs;
  VstInt32 numOutputs;
  VstInt32 flags;        // effFlags*
  VstIntPtr resvd1;      // host use, starts as 0
  VstIntPtr resvd2;      // host use, starts as 0
  VstInt32 initialDelay; // latency in samples
  VstInt32 realQualities;
  VstInt32 offQualities;
  float ioRatio;
  void* object; // the plug-in's own
  void* user;
  VstInt32 uniqueID;
  VstInt32 version;
  AEffectProcessProc processReplacing;
  AEffectProcessDoubleProc processDoubleReplacing;
  char future[56];
};

enum VstAEffectFlags {
  effFlagsHasEditor = 1 << 0,
  effFlagsHasClip = 1 << 1,
  effFlagsHasVu = 1 << 2,
  effFlagsCanMono = 1 << 3,
  effFlagsCanReplacing = 1 << 4,
  effFlagsProgramChunks = 1 << 5,
  effFlagsIsSynth = 1 << 8,
  effFlagsNoSoundInStop = 1 << 9,
  effFlagsExtIsAsync = 1 << 10,
  effFlagsExtHasBuffer = 1 << 11,
  effFlagsCanDoubleReplacing = 1 << 12,
};

// ---- Dispatcher opcodes (host -> plug-in) ---------------------------------------------------

enum AEffectOpcodes {
  effOpen = 0,
  effClose = 1,
  effSetProgram = 2,
  effGetProgram = 3,
  effSetProgramName = 4,
  effGetProgramName = 5,
  effGetParamLabel = 6,
  effGetParamDisplay = 7,
  effGetParamName = 8,
  effGetVu = 9,
  effSetSampleRate = 10,
  effSetBlockSize = 11,
  effMainsChanged = 12,
  effEditGetRect = 13,
  effEditOpen = 14,
  effEditClose = 15,
  effEditDraw = 16,
  effEditMouse = 17,
  effEditKey = 18,
  effEditIdle = 19,
  effEditTop = 20,
  effEditSleep = 21,
  effIdentify = 22,
  effGetChunk = 23,
  effSetChunk = 24,
  effProcessEvents = 25,
  effCanBeAutomated = 26,
  effString2Parameter = 27,
  effGetNumProgramCategories = 28,
  effGetProgramNameIndexed = 29,
  effCopyProgram = 30,
  effConnectInput = 31,
  effConnectOutput = 32,
  effGetInputProperties = 33,
  effGetOutputProperties = 34,
  effGetPlugCategory = 35,
  effGetCurrentPosition = 36,
  effGetDestinationBuffer = 37,
  effOfflineNotify = 38,
  effOfflinePrepare = 39,
  effOfflineRun = 40,
  effProcessVarIo = 41,
  effSetSpeakerArrangement = 42,
  effSetBlockSizeAndSampleRate = 43,
  effSetBypass = 44,
  effGetEffectName = 45,
  effGetErrorText = 46,
  effGetVendorString = 47,
  effGetProductString = 48,
  effGetVendorVersion = 49,
  effVendorSpecific = 50,
  effCanDo = 51,
  effGetTailSize = 52,
  effIdle = 53,
  effGetIcon = 54,
  effSetViewPosition = 55,
  effGetParameterProperties = 56,
  effKeysRequired = 57,
  effGetVstVersion = 58,
  effEditKeyDown = 59,
  effEditKeyUp = 60,
  effSetEditKnobMode = 61,
  effGetMidiProgramName = 62,
  effGetCurrentMidiProgram = 63,
  effGetMidiProgramCategory = 64,
  effHasMidiProgramsChanged = 65,
  effGetMidiKeyName = 66,
  effBeginSetProgram = 67,
  effEndSetProgram = 68,
  effGetSpeakerArrangement = 69,
  effShellGetNextPlugin = 70,
  effStartProcess = 71,
  effStopProcess = 72,
  effSetTotalSampleToProcess = 73,
  effSetPanLaw = 74,
  effBeginLoadBank = 75,
  effBeginLoadProgram = 76,
  effSetProcessPrecision = 77,
  effGetNumMidiInputChannels = 78,
  effGetNumMidiOutputChannels = 79,
  kNumEffOpcodes = 80, // 2.4 has no opcode above 79
};

// ---- Host callback opcodes (plug-in -> host) -----------------------------------------------

enum AudioMasterOpcodes {
  audioMasterAutomate = 0,
  audioMasterVersion = 1,
  audioMasterCurrentId = 2,
  audioMasterIdle = 3,
  audioMasterPinConnected = 4,
  audioMasterWantMidi = 6,
  audioMasterGetTime = 7,
  audioMasterProcessEvents = 8,
  audioMasterSetTime = 9,
  audioMasterTempoAt = 10,
  audioMasterGetNumAutomatableParameters = 11,
  audioMasterGetParameterQuantization = 12,
  audioMasterIOChanged = 13,
  audioMasterNeedIdle = 14,
  audioMasterSizeWindow = 15,
  audioMasterGetSampleRate = 16,
  audioMasterGetBlockSize = 17,
  audioMasterGetInputLatency = 18,
  audioMasterGetOutputLatency = 19,
  audioMasterGetPreviousPlug = 20,
  audioMasterGetNextPlug = 21,
  audioMasterWillReplaceOrAccumulate = 22,
  audioMasterGetCurrentProcessLevel = 23,
  audioMasterGetAutomationState = 24,
  audioMasterOfflineStart = 25,
  audioMasterOfflineRead = 26,
  audioMasterOfflineWrite = 27,
  audioMasterOfflineGetCurrentPass = 28,
  audioMasterOfflineGetCurrentMetaPass = 29,
  audioMasterSetOutputSampleRate = 30,
  audioMasterGetOutputSpeakerArrangement = 31,
  audioMasterGetVendorString = 32,
  audioMasterGetProductString = 33,
  audioMasterGetVendorVersion = 34,
  audioMasterVendorSpecific = 35,
  audioMasterSetIcon = 36,
  audioMasterCanDo = 37,
  audioMasterGetLanguage = 38,
  audioMasterOpenWindow = 39,
  audioMasterCloseWindow = 40,
  audioMasterGetDirectory = 41,
  audioMasterUpdateDisplay = 42,
  audioMasterBeginEdit = 43,
  audioMasterEndEdit = 44,
  audioMasterOpenFileSelector = 45,
  audioMasterCloseFileSelector = 46,
  audioMasterEditFile = 47,
  audioMasterGetChunkFile = 48,
  audioMasterGetInputSpeakerArrangement = 49,
};

// ---- String lengths (each includes the terminating NUL) -------------------------------------

enum VstStringConstants {
  kVstMaxProgNameLen = 24,
  kVstMaxParamStrLen = 8,
  kVstMaxVendorStrLen = 64,
  kVstMaxProductStrLen = 64,
  kVstMaxEffectNameLen = 32,
  kVstMaxNameLen = 64,
  kVstMaxLabelLen = 64,
  kVstMaxShortLabelLen = 8,
  kVstMaxCategLabelLen = 24,
  kVstMaxFileNameLen = 100,
};

// ---- Time info (answer of audioMasterGetTime) ------------------------------------------------

struct VstTimeInfo {
  double samplePos;
  double sampleRate;
  double nanoSeconds;
  double ppqPos; // quarter notes
  double tempo;  // beats per minute
  double barStartPos;
  double cycleStartPos;
  double cycleEndPos;
  VstInt32 timeSigNumerator;
  VstInt32 timeSigDenominator;
  VstInt32 smpteOffset; // 1/80-frame units
  VstInt32 smpteFrameRate;
  VstInt32 samplesToNextClock; // 24-ppq MIDI clock
  VstInt32 flags;              // VstTimeInfoFlags
};

// The same bits form the request mask in `value` of audioMasterGetTime.
enum VstTimeInfoFlags {
  kVstTransportChanged = 1 << 0,
  kVstTransportPlaying = 1 << 1,
  kVstTransportCycleActive = 1 << 2,
  kVstTransportRecording = 1 << 3,
  kVstAutomationWriting = 1 << 6,
  kVstAutomationReading = 1 << 7,
  kVstNanosValid = 1 << 8,
  kVstPpqPosValid = 1 << 9,
  kVstTempoValid = 1 << 10,
  kVstBarsValid = 1 << 11,
  kVstCyclePosValid = 1 << 12,
  kVstTimeSigValid = 1 << 13,
  kVstSmpteValid = 1 << 14,
  kVstClockValid = 1 << 15,
};

enum VstSmpteFrameRate {
  kVstSmpte24fps = 0,
  kVstSmpte25fps = 1,
  kVstSmpte2997fps = 2,
  kVstSmpte30fps = 3,
  kVstSmpte2997dfps = 4,
  kVstSmpte30dfps = 5,
  kVstSmpteFilm16mm = 6,
  kVstSmpteFilm35mm = 7,
  kVstSmpte239fps = 10,
  kVstSmpte249fps = 11,
  kVstSmpte599fps = 12,
  kVstSmpte60fps = 13,
};

// ---- Editor rectangle and pins ----------------------------------------------------------------

struct ERect {
  VstInt16 top;
  VstInt16 left;
  VstInt16 bottom;
  VstInt16 right;
};

struct VstPinProperties {
  char label[kVstMaxLabelLen];
  VstInt32 flags; // VstPinPropertiesFlags
  VstInt32 arrangementType;
  char shortLabel[kVstMaxShortLabelLen];
  char future[48];
};

enum VstPinPropertiesFlags {
  kVstPinIsActive = 1 << 0,
  kVstPinIsStereo = 1 << 1, // first of a stereo pair
  kVstPinUseSpeaker = 1 << 2,
};

// ---- Speaker arrangements ---------------------------------------------------------------------

struct VstSpeakerProperties {
  float azimuth;
  float elevation;
  float radius;
  float reserved;
  char name[kVstMaxNameLen];
  VstInt32 type; // VstSpeakerType
  char future[28];
};

// Declared with 8 entries; really holds numChannels of them.
struct VstSpeakerArrangement {
  VstInt32 type; // VstSpeakerArrangementType
  VstInt32 numChannels;
  VstSpeakerProperties speakers[8];
};

enum VstSpeakerArrangementType {
  kSpeakerArrUserDefined = -2,
  kSpeakerArrEmpty = -1,
  kSpeakerArrMono = 0,
  kSpeakerArrStereo,
  kSpeakerArrStereoSurround,
  kSpeakerArrStereoCenter,
  kSpeakerArrStereoSide,
  kSpeakerArrStereoCLfe,
  kSpeakerArr30Cine,
  kSpeakerArr30Music,
  kSpeakerArr31Cine,
  kSpeakerArr31Music,
  kSpeakerArr40Cine,
  kSpeakerArr40Music,
  kSpeakerArr41Cine,
  kSpeakerArr41Music,
  kSpeakerArr50,
  kSpeakerArr51,
  kSpeakerArr60Cine,
  kSpeakerArr60Music,
  kSpeakerArr61Cine,
  kSpeakerArr61Music,
  kSpeakerArr70Cine,
  kSpeakerArr70Music,
  kSpeakerArr71Cine,
  kSpeakerArr71Music,
  kSpeakerArr80Cine,
  kSpeakerArr80Music,
  kSpeakerArr81Cine,
  kSpeakerArr81Music,
  kSpeakerArr102,
  kNumSpeakerArr,
};

enum VstSpeakerType {
  kSpeakerUndefined = 0x7fffffff,
  kSpeakerM = 0,
  kSpeakerL,
  kSpeakerR,
  kSpeakerC,
  kSpeakerLfe,
  kSpeakerLs,
  kSpeakerRs,
  kSpeakerLc,
  kSpeakerRc,
  kSpeakerS,
  kSpeakerCs = kSpeakerS,
  kSpeakerSl,
  kSpeakerSr,
  kSpeakerTm,
  kSpeakerTfl,
  kSpeakerTfc,
  kSpeakerTfr,
  kSpeakerTrl,
  kSpeakerTrc,
  kSpeakerTrr,
  kSpeakerLfe2,
  kSpeakerU32 = -32, // user speakers U1..U32 are -1..-32
  kSpeakerU1 = -1,
};

// ---- Events -----------------------------------------------------------------------------------

enum VstEventTypes {
  kVstMidiType = 1,
  kVstAudioType = 2,
  kVstVideoType = 3,
  kVstParameterType = 4,
  kVstTriggerType = 5,
  kVstSysExType = 6,
};

enum VstMidiEventFlags { kVstMidiEventIsRealtime = 1 << 0 };

struct VstEvent {
  VstInt32 type;
  VstInt32 byteSize;
  VstInt32 deltaFrames; // frame offset in the block
  VstInt32 flags;
  char data[16];
};

struct VstMidiEvent {
  VstInt32 type; // kVstMidiType
  VstInt32 byteSize;
  VstInt32 deltaFrames;
  VstInt32 flags;
  VstInt32 noteLength;
  VstInt32 noteOffset;
  char midiData[4]; // status, data 1, data 2, 0
  char detune;
  char noteOffVelocity;
  char reserved1;
  char reserved2;
};

struct VstMidiSysexEvent {
  VstInt32 type; // kVstSysExType
  VstInt32 byteSize;
  VstInt32 deltaFrames;
  VstInt32 flags;
  VstInt32 dumpBytes;
  VstIntPtr resvd1;
  char* sysexDump;
  VstIntPtr resvd2;
};

// Declared with 2 entries; really holds numEvents pointers, allocated by the sender.
struct VstEvents {
  VstInt32 numEvents;
  VstIntPtr reserved;
  VstEvent* events[2];
};

// ---- Categories and other constants -----------------------------------------------------------

enum VstPlugCategory {
  kPlugCategUnknown = 0,
  kPlugCategEffect,
  kPlugCategSynth,
  kPlugCategAnalysis,
  kPlugCategMastering,
  kPlugCategSpacializer,
  kPlugCategRoomFx,
  kPlugSurroundFx,
  kPlugCategRestoration,
  kPlugCategOfflineProcess,
  kPlugCategShell,
  kPlugCategGenerator,
  kPlugCategMaxCount,
};

enum VstProcessLevels {
  kVstProcessLevelUnknown = 0,
  kVstProcessLevelUser,
  kVstProcessLevelRealtime,
  kVstProcessLevelPrefetch,
  kVstProcessLevelOffline,
};

enum VstAutomationStates {
  kVstAutomationUnsupported = 0,
  kVstAutomationOff,
  kVstAutomationRead,
  kVstAutomationWrite,
  kVstAutomationReadWrite,
};

enum VstHostLanguage {
  kVstLangEnglish = 1,
  kVstLangGerman,
  kVstLangFrench,
  kVstLangItalian,
  kVstLangSpanish,
  kVstLangJapanese,
};

enum VstProcessPrecision { kVstProcessPrecision32 = 0, kVstProcessPrecision64 };

enum VstPanLawType { kLinearPanLaw = 0, kEqualPowerPanLaw };

enum VstMidiProgramNameFlags { kMidiIsOmni = 1 };

// Answers of effCanDo and audioMasterCanDo.
enum VstCanDoAnswer { kVstCanDoNo = -1, kVstCanDoUnknown = 0, kVstCanDoYes = 1 };

struct VstParameterProperties {
  float stepFloat;
  float smallStepFloat;
  float largeStepFloat;
  char label[kVstMaxLabelLen];
  VstInt32 flags; // VstParameterFlags
  VstInt32 minInteger;
  VstInt32 maxInteger;
  VstInt32 stepInteger;
  VstInt32 largeStepInteger;
  char shortLabel[kVstMaxShortLabelLen];
  VstInt16 displayIndex;
  VstInt16 category;
  VstInt16 numParametersInCategory;
  VstInt16 reserved;
  char categoryLabel[kVstMaxCategLabelLen];
  char future[16];
};

enum VstParameterFlags {
  kVstParameterIsSwitch = 1 << 0,
  kVstParameterUsesIntegerMinMax = 1 << 1,
  kVstParameterUsesFloatStep = 1 << 2,
  kVstParameterUsesIntStep = 1 << 3,
  kVstParameterSupportsDisplayIndex = 1 << 4,
  kVstParameterSupportsDisplayCategory = 1 << 5,
  kVstParameterCanRamp = 1 << 6,
};

struct MidiProgramName {
  VstInt32 thisProgramIndex;
  char name[kVstMaxNameLen];
  char midiProgram;
  char midiBankMsb;
  char midiBankLsb;
  char reserved;
  VstInt32 parentCategoryIndex;
  VstInt32 flags;
};

struct MidiProgramCategory {
  VstInt32 thisCategoryIndex;
  char name[kVstMaxNameLen];
  VstInt32 parentCategoryIndex;
  VstInt32 flags;
};

struct MidiKeyName {
  VstInt32 thisProgramIndex;
  VstInt32 thisKeyNumber;
  char keyName[kVstMaxNameLen];
  VstInt32 reserved;
  VstInt32 flags;
};

struct VstPatchChunkInfo {
  VstInt32 version; // 1
  VstInt32 pluginUniqueID;
  VstInt32 pluginVersion;
  VstInt32 numElements;
  char future[48];
};

#pragma pack(pop)

// ---- Layout checks ----------------------------------------------------------------------------

static_assert(kEffectMagic == 0x56737450, "kEffectMagic is 'VstP'");
static_assert(kVstIdentifyAnswer == 0x4E764566, "effIdentify answers 'NvEf'");
static_assert(sizeof(VstInt16) == 2 && sizeof(VstInt32) == 4, "integer widths");
static_assert(sizeof(VstIntPtr) == sizeof(void*), "VstIntPtr is pointer-sized");

// Layouts that are the same on 32-bit and 64-bit builds.
static_assert(sizeof(VstTimeInfo) == 88, "VstTimeInfo size");
static_assert(offsetof(VstTimeInfo, tempo) == 32, "VstTimeInfo.tempo");
static_assert(offsetof(VstTimeInfo, cycleEndPos) == 56, "VstTimeInfo.cycleEndPos");
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64, "VstTimeInfo.timeSigNumerator");
static_assert(offsetof(VstTimeInfo, timeSigDenominator) == 68, "VstTimeInfo.timeSigDenominator");
static_assert(offsetof(VstTimeInfo, smpteOffset) == 72, "VstTimeInfo.smpteOffset");
static_assert(offsetof(VstTimeInfo, smpteFrameRate) == 76, "VstTimeInfo.smpteFrameRate");
static_assert(offsetof(VstTimeInfo, samplesToNextClock) == 80, "VstTimeInfo.samplesToNextClock");
static_assert(offsetof(VstTimeInfo, flags) == 84, "VstTimeInfo.flags");
static_assert(sizeof(ERect) == 8 && offsetof(ERect, left) == 2 && offsetof(ERect, bottom) == 4 &&
                  offsetof(ERect, right) == 6,
              "ERect layout");
static_assert(sizeof(VstPinProperties) == 128, "VstPinProperties size");
static_assert(offsetof(VstPinProperties, flags) == 64, "VstPinProperties.flags");
static_assert(offsetof(VstPinProperties, arrangementType) == 68,
              "VstPinProperties.arrangementType");
static_assert(offsetof(VstPinProperties, shortLabel) == 72, "VstPinProperties.shortLabel");
static_assert(offsetof(VstPinProperties, future) == 80, "VstPinProperties.future");
static_assert(sizeof(VstSpeakerProperties) == 112, "VstSpeakerProperties size");
static_assert(offsetof(VstSpeakerProperties, name) == 16, "VstSpeakerProperties.name");
static_assert(offsetof(VstSpeakerProperties, type) == 80, "VstSpeakerProperties.type");
static_assert(offsetof(VstSpeakerProperties, future) == 84, "VstSpeakerProperties.future");
static_assert(sizeof(VstSpeakerArrangement) == 904, "VstSpeakerArrangement size");
static_assert(offsetof(VstSpeakerArrangement, numChannels) == 4,
              "VstSpeakerArrangement.numChannels");
static_assert(offsetof(VstSpeakerArrangement, speakers) == 8, "VstSpeakerArrangement.speakers");
static_assert(sizeof(VstEvent) == 32 && offsetof(VstEvent, deltaFrames) == 8 &&
                  offsetof(VstEvent, flags) == 12 && offsetof(VstEvent, data) == 16,
              "VstEvent layout");
static_assert(sizeof(VstMidiEvent) == 32, "VstMidiEvent size");
static_assert(offsetof(VstMidiEvent, noteLength) == 16, "VstMidiEvent.noteLength");
static_assert(offsetof(VstMidiEvent, noteOffset) == 20, "VstMidiEvent.noteOffset");
static_assert(offsetof(VstMidiEvent, midiData) == 24, "VstMidiEvent.midiData");
static_assert(offsetof(VstMidiEvent, detune) == 28, "VstMidiEvent.detune");
static_assert(offsetof(VstMidiEvent, noteOffVelocity) == 29, "VstMidiEvent.noteOffVelocity");
static_assert(offsetof(VstMidiEvent, reserved2) == 31, "VstMidiEvent.reserved2");
static_assert(offsetof(VstMidiSysexEvent, dumpBytes) == 16, "VstMidiSysexEvent.dumpBytes");
static_assert(sizeof(VstParameterProperties) == 152, "VstParameterProperties size");
static_assert(offsetof(VstParameterProperties, label) == 12, "VstParameterProperties.label");
static_assert(offsetof(VstParameterProperties, flags) == 76, "VstParameterProperties.flags");
static_assert(offsetof(VstParameterProperties, largeStepInteger) == 92,
              "VstParameterProperties.largeStepInteger");
static_assert(offsetof(VstParameterProperties, shortLabel) == 96,
              "VstParameterProperties.shortLabel");
static_assert(offsetof(VstParameterProperties, displayIndex) == 104,
              "VstParameterProperties.displayIndex");
static_assert(offsetof(VstParameterProperties, reserved) == 110, "VstParameterProperties.reserved");
static_assert(offsetof(VstParameterProperties, categoryLabel) == 112,
              "VstParameterProperties.categoryLabel");
static_assert(offsetof(VstParameterProperties, future) == 136, "VstParameterProperties.future");
static_assert(sizeof(MidiProgramName) == 80 && offsetof(MidiProgramName, midiProgram) == 68 &&
                  offsetof(MidiProgramName, parentCategoryIndex) == 72 &&
                  offsetof(MidiProgramName, flags) == 76,
              "MidiProgramName layout");
static_assert(sizeof(MidiKeyName) == 80 && offsetof(MidiKeyName, keyName) == 8 &&
                  offsetof(MidiKeyName, reserved) == 72 && offsetof(MidiKeyName, flags) == 76,
              "MidiKeyName layout");
static_assert(sizeof(MidiProgramCategory) == 76 &&
                  offsetof(MidiProgramCategory, parentCategoryIndex) == 68 &&
                  offsetof(MidiProgramCategory, flags) == 72,
              "MidiProgramCategory layout");
static_assert(sizeof(VstPatchChunkInfo) == 64 && offsetof(VstPatchChunkInfo, future) == 16,
              "VstPatchChunkInfo layout");

// Layouts that depend on the pointer size.
#if UINTPTR_MAX == 0xffffffffu
static_assert(offsetof(AEffect, dispatcher) == 4, "AEffect.dispatcher (32-bit)");
static_assert(offsetof(AEffect, process) == 8, "AEffect.process (32-bit)");
static_assert(offsetof(AEffect, setParameter) == 12, "AEffect.setParameter (32-bit)");
static_assert(offsetof(AEffect, getParameter) == 16, "AEffect.getParameter (32-bit)");
static_assert(offsetof(AEffect, numPrograms) == 20, "AEffect.numPrograms (32-bit)");
static_assert(offsetof(AEffect, numParams) == 24, "AEffect.numParams (32-bit)");
static_assert(offsetof(AEffect, numInputs) == 28, "AEffect.numInputs (32-bit)");
static_assert(offsetof(AEffect, numOutputs) == 32, "AEffect.numOutputs (32-bit)");
static_assert(offsetof(AEffect, flags) == 36, "AEffect.flags (32-bit)");
static_assert(offsetof(AEffect, resvd1) == 40, "AEffect.resvd1 (32-bit)");
static_assert(offsetof(AEffect, resvd2) == 44, "AEffect.resvd2 (32-bit)");
static_assert(offsetof(AEffect, initialDelay) == 48, "AEffect.initialDelay (32-bit)");
static_assert(offsetof(AEffect, realQualities) == 52, "AEffect.realQualities (32-bit)");
static_assert(offsetof(AEffect, offQualities) == 56, "AEffect.offQualities (32-bit)");
static_assert(offsetof(AEffect, ioRatio) == 60, "AEffect.ioRatio (32-bit)");
static_assert(offsetof(AEffect, object) == 64, "AEffect.object (32-bit)");
static_assert(offsetof(AEffect, user) == 68, "AEffect.user (32-bit)");
static_assert(offsetof(AEffect, uniqueID) == 72, "AEffect.uniqueID (32-bit)");
static_assert(offsetof(AEffect, version) == 76, "AEffect.version (32-bit)");
static_assert(offsetof(AEffect, processReplacing) == 80, "AEffect.processReplacing (32-bit)");
static_assert(offsetof(AEffect, processDoubleReplacing) == 84,
              "AEffect.processDoubleReplacing (32-bit)");
static_assert(offsetof(AEffect, future) == 88, "AEffect.future (32-bit)");
static_assert(sizeof(AEffect) == 144, "AEffect size (32-bit)");
static_assert(offsetof(VstMidiSysexEvent, resvd1) == 20 &&
                  offsetof(VstMidiSysexEvent, sysexDump) == 24 &&
                  offsetof(VstMidiSysexEvent, resvd2) == 28 && sizeof(VstMidiSysexEvent) == 32,
              "VstMidiSysexEvent layout (32-bit)");
static_assert(offsetof(VstEvents, reserved) == 4 && offsetof(VstEvents, events) == 8 &&
                  sizeof(VstEvents) == 16,
              "VstEvents layout (32-bit)");
#elif UINTPTR_MAX == 0xffffffffffffffffu
static_assert(offsetof(AEffect, dispatcher) == 8, "AEffect.dispatcher (64-bit)");
static_assert(offsetof(AEffect, process) == 16, "AEffect.process (64-bit)");
static_assert(offsetof(AEffect, setParameter) == 24, "AEffect.setParameter (64-bit)");
static_assert(offsetof(AEffect, getParameter) == 32, "AEffect.getParameter (64-bit)");
static_assert(offsetof(AEffect, numPrograms) == 40, "AEffect.numPrograms (64-bit)");
static_assert(offsetof(AEffect, numParams) == 44, "AEffect.numParams (64-bit)");
static_assert(offsetof(AEffect, numInputs) == 48, "AEffect.numInputs (64-bit)");
static_assert(offsetof(AEffect, numOutputs) == 52, "AEffect.numOutputs (64-bit)");
static_assert(offsetof(AEffect, flags) == 56, "AEffect.flags (64-bit)");
static_assert(offsetof(AEffect, resvd1) == 64, "AEffect.resvd1 (64-bit)");
static_assert(offsetof(AEffect, resvd2) == 72, "AEffect.resvd2 (64-bit)");
static_assert(offsetof(AEffect, initialDelay) == 80, "AEffect.initialDelay (64-bit)");
static_assert(offsetof(AEffect, realQualities) == 84, "AEffect.realQualities (64-bit)");
static_assert(offsetof(AEffect, offQualities) == 88, "AEffect.offQualities (64-bit)");
static_assert(offsetof(AEffect, ioRatio) == 92, "AEffect.ioRatio (64-bit)");
static_assert(offsetof(AEffect, object) == 96, "AEffect.object (64-bit)");
static_assert(offsetof(AEffect, user) == 104, "AEffect.user (64-bit)");
static_assert(offsetof(AEffect, uniqueID) == 112, "AEffect.uniqueID (64-bit)");
static_assert(offsetof(AEffect, version) == 116, "AEffect.version (64-bit)");
static_assert(offsetof(AEffect, processReplacing) == 120, "AEffect.processReplacing (64-bit)");
static_assert(offsetof(AEffect, processDoubleReplacing) == 128,
              "AEffect.processDoubleReplacing (64-bit)");
static_assert(offsetof(AEffect, future) == 136, "AEffect.future (64-bit)");
static_assert(sizeof(AEffect) == 192, "AEffect size (64-bit)");
static_assert(offsetof(VstMidiSysexEvent, resvd1) == 24 &&
                  offsetof(VstMidiSysexEvent, sysexDump) == 32 &&
                  offsetof(VstMidiSysexEvent, resvd2) == 40 && sizeof(VstMidiSysexEvent) == 48,
              "VstMidiSysexEvent layout (64-bit)");
static_assert(offsetof(VstEvents, reserved) == 8 && offsetof(VstEvents, events) == 16 &&
                  sizeof(VstEvents) == 32,
              "VstEvents layout (64-bit)");
#else
#error "the VST2 interface is defined for 32-bit and 64-bit pointers only"
#endif
