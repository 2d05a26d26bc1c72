#pragma once
// Our own declarations of the parts of the VST3 binary interface Corvanel uses: the
// interface ids, the vtable order of every interface we implement or call, the structs
// that cross the boundary and the constants we read or write. Written from the recorded
// layout facts of the format; the static_asserts at the end hold the sizes and offsets
// hosts rely on.
//
// Interfaces are classes of pure virtual functions without a destructor and without data,
// so that slot 0 is queryInterface and a pointer to one is a pointer to its vtable pointer.
// No interface declares two functions of the same name: the state functions of the edit
// controller carry their own names here so that one class can implement both the
// component and the controller.
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(_WIN32) && !defined(_WIN64)
#define VST3_API __stdcall
#else
#define VST3_API
#endif

namespace vst3 {

typedef int32_t tresult;
typedef uint8_t TBool;
typedef char16_t TChar;
typedef TChar String128[128];
typedef char TUID[16];
typedef const char* FIDString;
typedef uint32_t ParamID;
typedef double ParamValue;
typedef uint64_t SpeakerArrangement;
typedef int32_t MediaType;
typedef int32_t BusDirection;
typedef int32_t ProgramListID;
typedef int32_t UnitID;

#if defined(_WIN32)
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kNoInterface = (tresult)0x80004002u;
constexpr tresult kInvalidArgument = (tresult)0x80070057u;
constexpr tresult kNotImplemented = (tresult)0x80004001u;
constexpr tresult kInternalError = (tresult)0x80004005u;
constexpr tresult kNotInitialized = (tresult)0x8000FFFFu;
#else
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kNoInterface = -1;
constexpr tresult kInvalidArgument = 2;
constexpr tresult kNotImplemented = 3;
constexpr tresult kInternalError = 4;
constexpr tresult kNotInitialized = 5;
#endif

// An id declared as four 32-bit words, laid out in memory as the platform's hosts compare
// it: the words' bytes most significant first, except that Windows stores the first eight
// bytes as the little-endian fields of a COM GUID.
struct Uid {
  char mBytes[16];
  bool Is(const void* bytes) const { return bytes && std::memcmp(mBytes, bytes, 16) == 0; }
};

constexpr char UidByte(uint32_t word, int shift) { return (char)(uint8_t)(word >> shift); }

constexpr Uid MakeUid(uint32_t l1, uint32_t l2, uint32_t l3, uint32_t l4) {
#if defined(_WIN32)
  return Uid{{UidByte(l1, 0), UidByte(l1, 8), UidByte(l1, 16), UidByte(l1, 24),
              UidByte(l2, 16), UidByte(l2, 24), UidByte(l2, 0), UidByte(l2, 8),
              UidByte(l3, 24), UidByte(l3, 16), UidByte(l3, 8), UidByte(l3, 0),
              UidByte(l4, 24), UidByte(l4, 16), UidByte(l4, 8), UidByte(l4, 0)}};
#else
  return Uid{{UidByte(l1, 24), UidByte(l1, 16), UidByte(l1, 8), UidByte(l1, 0),
              UidByte(l2, 24), UidByte(l2, 16), UidByte(l2, 8), UidByte(l2, 0),
              UidByte(l3, 24), UidByte(l3, 16), UidByte(l3, 8), UidByte(l3, 0),
              UidByte(l4, 24), UidByte(l4, 16), UidByte(l4, 8), UidByte(l4, 0)}};
#endif
}

// ---- Interface ids ---------------------------------------------------------------------------
constexpr Uid kFUnknownIid = MakeUid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
constexpr Uid kPluginBaseIid = MakeUid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
constexpr Uid kPluginFactoryIid = MakeUid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
constexpr Uid kPluginFactory2Iid = MakeUid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
constexpr Uid kPluginFactory3Iid = MakeUid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
constexpr Uid kComponentIid = MakeUid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
constexpr Uid kAudioProcessorIid = MakeUid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
constexpr Uid kProcessContextRequirementsIid =
    MakeUid(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);
constexpr Uid kEditControllerIid = MakeUid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
constexpr Uid kComponentHandlerIid = MakeUid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
constexpr Uid kConnectionPointIid = MakeUid(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
constexpr Uid kUnitInfoIid = MakeUid(0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1);
constexpr Uid kPlugViewIid = MakeUid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
constexpr Uid kPlugFrameIid = MakeUid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
constexpr Uid kRunLoopIid = MakeUid(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
constexpr Uid kPlugViewContentScaleSupportIid =
    MakeUid(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);
constexpr Uid kEventHandlerIid = MakeUid(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
constexpr Uid kTimerHandlerIid = MakeUid(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);
constexpr Uid kBStreamIid = MakeUid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
constexpr Uid kParameterChangesIid = MakeUid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
constexpr Uid kParamValueQueueIid = MakeUid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
constexpr Uid kHostApplicationIid = MakeUid(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);

// ---- Constants -------------------------------------------------------------------------------
constexpr MediaType kAudio = 0, kEvent = 1;
constexpr BusDirection kInput = 0, kOutput = 1;
constexpr int32_t kMainBus = 0;
constexpr uint32_t kDefaultActive = 1;
constexpr int32_t kSample32 = 0, kSample64 = 1;
constexpr int32_t kRealtime = 0, kPrefetch = 1, kOffline = 2;
constexpr SpeakerArrangement kArrEmpty = 0, kArrMono = 1ull << 19, kArrStereo = 0x3;
constexpr int32_t kCanAutomate = 1 << 0, kIsReadOnly = 1 << 1, kIsList = 1 << 3,
                  kIsHidden = 1 << 4, kIsProgramChange = 1 << 15;
constexpr int32_t kParamValuesChanged = 1 << 2;
constexpr uint32_t kPlaying = 1 << 1, kCycleActive = 1 << 2, kRecording = 1 << 3,
                   kProjectTimeMusicValid = 1 << 9, kTempoValid = 1 << 10, kCycleValid = 1 << 12,
                   kTimeSigValid = 1 << 13;
constexpr uint32_t kNeedProjectTimeMusic = 1 << 2, kNeedCycleMusic = 1 << 4, kNeedTempo = 1 << 6,
                   kNeedTimeSignature = 1 << 7, kNeedTransportState = 1 << 10;
constexpr int32_t kSeekSet = 0, kSeekCur = 1, kSeekEnd = 2;
constexpr int32_t kFactoryUnicode = 1 << 4;
constexpr int32_t kManyInstances = 0x7FFFFFFF;
constexpr const char* kAudioEffectClass = "Audio Module Class";
constexpr const char* kPlatformX11 = "X11EmbedWindowID";
constexpr const char* kPlatformHwnd = "HWND";
constexpr const char* kPlatformNSView = "NSView"; // macOS: the parent is an NSView*
constexpr const char* kEditorViewName = "editor";

// ---- Structs ---------------------------------------------------------------------------------
struct PFactoryInfo {
  char vendor[64];
  char url[256];
  char email[128];
  int32_t flags;
};

struct PClassInfo {
  TUID cid;
  int32_t cardinality;
  char category[32];
  char name[64];
};

struct PClassInfo2 {
  TUID cid;
  int32_t cardinality;
  char category[32];
  char name[64];
  uint32_t classFlags;
  char subCategories[128];
  char vendor[64];
  char version[64];
  char sdkVersion[64];
};

struct PClassInfoW {
  TUID cid;
  int32_t cardinality;
  char category[32];
  TChar name[64];
  uint32_t classFlags;
  char subCategories[128];
  TChar vendor[64];
  TChar version[64];
  TChar sdkVersion[64];
};

struct BusInfo {
  MediaType mediaType;
  BusDirection direction;
  int32_t channelCount;
  String128 name;
  int32_t busType;
  uint32_t flags;
};

struct RoutingInfo {
  MediaType mediaType;
  int32_t busIndex;
  int32_t channel;
};

struct ProcessSetup {
  int32_t processMode;
  int32_t symbolicSampleSize;
  int32_t maxSamplesPerBlock;
  double sampleRate;
};

struct AudioBusBuffers {
  int32_t numChannels;
  uint64_t silenceFlags;
  union {
    float** channelBuffers32;
    double** channelBuffers64;
  };
};

struct ProcessContext {
  uint32_t state;
  double sampleRate;
  int64_t projectTimeSamples;
  int64_t systemTime;
  int64_t continousTimeSamples;
  double projectTimeMusic;
  double barPositionMusic;
  double cycleStartMusic;
  double cycleEndMusic;
  double tempo;
  int32_t timeSigNumerator;
  int32_t timeSigDenominator;
  uint8_t chordKeyNote;
  uint8_t chordRootNote;
  int16_t chordMask;
  int32_t smpteOffsetSubframes;
  uint32_t frameRateFramesPerSecond;
  uint32_t frameRateFlags;
  int32_t samplesToNextClock;
};

class IParameterChanges;
class IEventList;

struct ProcessData {
  int32_t processMode;
  int32_t symbolicSampleSize;
  int32_t numSamples;
  int32_t numInputs;
  int32_t numOutputs;
  AudioBusBuffers* inputs;
  AudioBusBuffers* outputs;
  IParameterChanges* inputParameterChanges;
  IParameterChanges* outputParameterChanges;
  IEventList* inputEvents;
  IEventList* outputEvents;
  ProcessContext* processContext;
};

struct ParameterInfo {
  ParamID id;
  String128 title;
  String128 shortTitle;
  String128 units;
  int32_t stepCount;
  ParamValue defaultNormalizedValue;
  UnitID unitId;
  int32_t flags;
};

struct ViewRect {
  int32_t left, top, right, bottom;
};

struct UnitInfo {
  UnitID id;
  UnitID parentUnitId;
  String128 name;
  ProgramListID programListId;
};

struct ProgramListInfo {
  ProgramListID id;
  String128 name;
  int32_t programCount;
};

// ---- Interfaces --------------------------------------------------------------------------------
class FUnknown {
protected:
  // Objects are freed through release(), never through an interface pointer: no destructor
  // slot may come before queryInterface.
  ~FUnknown() = default;

public:
  virtual tresult VST3_API queryInterface(const TUID iid, void** obj) = 0;
  virtual uint32_t VST3_API addRef() = 0;
  virtual uint32_t VST3_API release() = 0;
};

class IPluginBase : public FUnknown {
public:
protected:
  ~IPluginBase() = default;

public:
  virtual tresult VST3_API initialize(FUnknown* context) = 0;
  virtual tresult VST3_API terminate() = 0;
};

class IPluginFactory : public FUnknown {
public:
protected:
  ~IPluginFactory() = default;

public:
  virtual tresult VST3_API getFactoryInfo(PFactoryInfo* info) = 0;
  virtual int32_t VST3_API countClasses() = 0;
  virtual tresult VST3_API getClassInfo(int32_t index, PClassInfo* info) = 0;
  virtual tresult VST3_API createInstance(FIDString cid, FIDString iid, void** obj) = 0;
};

class IPluginFactory2 : public IPluginFactory {
public:
protected:
  ~IPluginFactory2() = default;

public:
  virtual tresult VST3_API getClassInfo2(int32_t index, PClassInfo2* info) = 0;
};

class IPluginFactory3 : public IPluginFactory2 {
public:
protected:
  ~IPluginFactory3() = default;

public:
  virtual tresult VST3_API getClassInfoUnicode(int32_t index, PClassInfoW* info) = 0;
  virtual tresult VST3_API setHostContext(FUnknown* context) = 0;
};

class IBStream : public FUnknown {
public:
protected:
  ~IBStream() = default;

public:
  virtual tresult VST3_API read(void* buffer, int32_t numBytes, int32_t* numBytesRead) = 0;
  virtual tresult VST3_API write(void* buffer, int32_t numBytes, int32_t* numBytesWritten) = 0;
  virtual tresult VST3_API seek(int64_t pos, int32_t mode, int64_t* result) = 0;
  virtual tresult VST3_API tell(int64_t* pos) = 0;
};

class IComponent : public IPluginBase {
public:
protected:
  ~IComponent() = default;

public:
  virtual tresult VST3_API getControllerClassId(TUID classId) = 0;
  virtual tresult VST3_API setIoMode(int32_t mode) = 0;
  virtual int32_t VST3_API getBusCount(MediaType type, BusDirection dir) = 0;
  virtual tresult VST3_API getBusInfo(MediaType type, BusDirection dir, int32_t index,
                                      BusInfo* bus) = 0;
  virtual tresult VST3_API getRoutingInfo(RoutingInfo* inInfo, RoutingInfo* outInfo) = 0;
  virtual tresult VST3_API activateBus(MediaType type, BusDirection dir, int32_t index,
                                       TBool state) = 0;
  virtual tresult VST3_API setActive(TBool state) = 0;
  virtual tresult VST3_API setState(IBStream* state) = 0;
  virtual tresult VST3_API getState(IBStream* state) = 0;
};

class IAudioProcessor : public FUnknown {
public:
protected:
  ~IAudioProcessor() = default;

public:
  virtual tresult VST3_API setBusArrangements(SpeakerArrangement* inputs, int32_t numIns,
                                              SpeakerArrangement* outputs, int32_t numOuts) = 0;
  virtual tresult VST3_API getBusArrangement(BusDirection dir, int32_t index,
                                             SpeakerArrangement* arr) = 0;
  virtual tresult VST3_API canProcessSampleSize(int32_t symbolicSampleSize) = 0;
  virtual uint32_t VST3_API getLatencySamples() = 0;
  virtual tresult VST3_API setupProcessing(ProcessSetup* setup) = 0;
  virtual tresult VST3_API setProcessing(TBool state) = 0;
  virtual tresult VST3_API process(ProcessData* data) = 0;
  virtual uint32_t VST3_API getTailSamples() = 0;
};

class IProcessContextRequirements : public FUnknown {
public:
protected:
  ~IProcessContextRequirements() = default;

public:
  virtual uint32_t VST3_API getProcessContextRequirements() = 0;
};

class IComponentHandler : public FUnknown {
public:
protected:
  ~IComponentHandler() = default;

public:
  virtual tresult VST3_API beginEdit(ParamID id) = 0;
  virtual tresult VST3_API performEdit(ParamID id, ParamValue valueNormalized) = 0;
  virtual tresult VST3_API endEdit(ParamID id) = 0;
  virtual tresult VST3_API restartComponent(int32_t flags) = 0;
};

class IPlugView;

class IEditController : public IPluginBase {
public:
protected:
  ~IEditController() = default;

public:
  virtual tresult VST3_API setComponentState(IBStream* state) = 0;
  // The controller's own state (slots 6 and 7).
  virtual tresult VST3_API setControllerState(IBStream* state) = 0;
  virtual tresult VST3_API getControllerState(IBStream* state) = 0;
  virtual int32_t VST3_API getParameterCount() = 0;
  virtual tresult VST3_API getParameterInfo(int32_t paramIndex, ParameterInfo* info) = 0;
  virtual tresult VST3_API getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                                 String128 string) = 0;
  virtual tresult VST3_API getParamValueByString(ParamID id, TChar* string,
                                                 ParamValue* valueNormalized) = 0;
  virtual ParamValue VST3_API normalizedParamToPlain(ParamID id, ParamValue valueNormalized) = 0;
  virtual ParamValue VST3_API plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;
  virtual ParamValue VST3_API getParamNormalized(ParamID id) = 0;
  virtual tresult VST3_API setParamNormalized(ParamID id, ParamValue value) = 0;
  virtual tresult VST3_API setComponentHandler(IComponentHandler* handler) = 0;
  virtual IPlugView* VST3_API createView(FIDString name) = 0;
};

class IUnitInfo : public FUnknown {
public:
protected:
  ~IUnitInfo() = default;

public:
  virtual int32_t VST3_API getUnitCount() = 0;
  virtual tresult VST3_API getUnitInfo(int32_t unitIndex, UnitInfo* info) = 0;
  virtual int32_t VST3_API getProgramListCount() = 0;
  virtual tresult VST3_API getProgramListInfo(int32_t listIndex, ProgramListInfo* info) = 0;
  virtual tresult VST3_API getProgramName(ProgramListID listId, int32_t programIndex,
                                          String128 name) = 0;
  virtual tresult VST3_API getProgramInfo(ProgramListID listId, int32_t programIndex,
                                          const char* attributeId, String128 attributeValue) = 0;
  virtual tresult VST3_API hasProgramPitchNames(ProgramListID listId, int32_t programIndex) = 0;
  virtual tresult VST3_API getProgramPitchName(ProgramListID listId, int32_t programIndex,
                                               int16_t midiPitch, String128 name) = 0;
  virtual UnitID VST3_API getSelectedUnit() = 0;
  virtual tresult VST3_API selectUnit(UnitID unitId) = 0;
  virtual tresult VST3_API getUnitByBus(MediaType type, BusDirection dir, int32_t busIndex,
                                        int32_t channel, UnitID* unitId) = 0;
  virtual tresult VST3_API setUnitProgramData(int32_t listOrUnitId, int32_t programIndex,
                                              IBStream* data) = 0;
};

class IParamValueQueue : public FUnknown {
public:
protected:
  ~IParamValueQueue() = default;

public:
  virtual ParamID VST3_API getParameterId() = 0;
  virtual int32_t VST3_API getPointCount() = 0;
  virtual tresult VST3_API getPoint(int32_t index, int32_t* sampleOffset, ParamValue* value) = 0;
  virtual tresult VST3_API addPoint(int32_t sampleOffset, ParamValue value, int32_t* index) = 0;
};

class IParameterChanges : public FUnknown {
public:
protected:
  ~IParameterChanges() = default;

public:
  virtual int32_t VST3_API getParameterCount() = 0;
  virtual IParamValueQueue* VST3_API getParameterData(int32_t index) = 0;
  virtual IParamValueQueue* VST3_API addParameterData(const ParamID* id, int32_t* index) = 0;
};

class IHostApplication : public FUnknown {
public:
protected:
  ~IHostApplication() = default;

public:
  virtual tresult VST3_API getName(String128 name) = 0;
  virtual tresult VST3_API createInstance(TUID cid, TUID iid, void** obj) = 0;
};

class IPlugFrame;

class IPlugView : public FUnknown {
public:
protected:
  ~IPlugView() = default;

public:
  virtual tresult VST3_API isPlatformTypeSupported(FIDString type) = 0;
  virtual tresult VST3_API attached(void* parent, FIDString type) = 0;
  virtual tresult VST3_API removed() = 0;
  virtual tresult VST3_API onWheel(float distance) = 0;
  virtual tresult VST3_API onKeyDown(char16_t key, int16_t keyCode, int16_t modifiers) = 0;
  virtual tresult VST3_API onKeyUp(char16_t key, int16_t keyCode, int16_t modifiers) = 0;
  virtual tresult VST3_API getSize(ViewRect* size) = 0;
  virtual tresult VST3_API onSize(ViewRect* newSize) = 0;
  virtual tresult VST3_API onFocus(TBool state) = 0;
  virtual tresult VST3_API setFrame(IPlugFrame* frame) = 0;
  virtual tresult VST3_API canResize() = 0;
  virtual tresult VST3_API checkSizeConstraint(ViewRect* rect) = 0;
};

// Offered by a view that draws at the screen's scale: hosts tell it the factor (1.0 = 100 %;
// physical pixels on Windows and X11, points on macOS).
class IPlugViewContentScaleSupport : public FUnknown {
public:
protected:
  ~IPlugViewContentScaleSupport() = default;

public:
  virtual tresult VST3_API setContentScaleFactor(float factor) = 0;
};

class IPlugFrame : public FUnknown {
public:
protected:
  ~IPlugFrame() = default;

public:
  virtual tresult VST3_API resizeView(IPlugView* view, ViewRect* newSize) = 0;
};

// The Linux host's run loop and the handlers a plug-in registers with it.
class IEventHandler : public FUnknown {
public:
protected:
  ~IEventHandler() = default;

public:
  virtual void VST3_API onFDIsSet(int fd) = 0;
};

class ITimerHandler : public FUnknown {
public:
protected:
  ~ITimerHandler() = default;

public:
  virtual void VST3_API onTimer() = 0;
};

class IRunLoop : public FUnknown {
public:
protected:
  ~IRunLoop() = default;

public:
  virtual tresult VST3_API registerEventHandler(IEventHandler* handler, int fd) = 0;
  virtual tresult VST3_API unregisterEventHandler(IEventHandler* handler) = 0;
  virtual tresult VST3_API registerTimer(ITimerHandler* handler, uint64_t milliseconds) = 0;
  virtual tresult VST3_API unregisterTimer(ITimerHandler* handler) = 0;
};

// ---- Layout checks ---------------------------------------------------------------------------
static_assert(sizeof(PFactoryInfo) == 452, "PFactoryInfo");
static_assert(sizeof(PClassInfo) == 116, "PClassInfo");
static_assert(sizeof(PClassInfo2) == 440, "PClassInfo2");
static_assert(sizeof(PClassInfoW) == 696, "PClassInfoW");
static_assert(offsetof(PClassInfoW, classFlags) == 180, "PClassInfoW.classFlags");
static_assert(sizeof(BusInfo) == 276, "BusInfo");
static_assert(sizeof(ProcessSetup) == 24 && offsetof(ProcessSetup, sampleRate) == 16,
              "ProcessSetup");
static_assert(sizeof(AudioBusBuffers) == 24 && offsetof(AudioBusBuffers, channelBuffers32) == 16,
              "AudioBusBuffers");
static_assert(sizeof(ProcessContext) == 112, "ProcessContext");
static_assert(offsetof(ProcessContext, tempo) == 72 && offsetof(ProcessContext, chordKeyNote) == 88 &&
                  offsetof(ProcessContext, samplesToNextClock) == 104,
              "ProcessContext fields");
static_assert(sizeof(ParameterInfo) == 792 && offsetof(ParameterInfo, stepCount) == 772 &&
                  offsetof(ParameterInfo, defaultNormalizedValue) == 776,
              "ParameterInfo");
static_assert(sizeof(ViewRect) == 16, "ViewRect");
static_assert(sizeof(UnitInfo) == 268 && sizeof(ProgramListInfo) == 264, "unit records");
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(ProcessData) == 48 && offsetof(ProcessData, processContext) == 44,
              "ProcessData");
#else
static_assert(sizeof(ProcessData) == 80 && offsetof(ProcessData, processContext) == 72,
              "ProcessData");
#endif

} // namespace vst3
