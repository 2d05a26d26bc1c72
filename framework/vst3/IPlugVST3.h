#pragma once
// The VST3 adapter: one object that is the component, the audio processor and the edit
// controller of a plug-in instance at once (a single-component effect), plus the program
// list that names the presets. It translates the host's calls into the plug-in base: the
// process context into the host-time record, the input parameter queues into host events
// at their frames, the state stream into the base's state blob; and the base's edits back
// into the host's component handler (outside processing) or the output parameter queues
// (inside processing).
//
// Hosts that take the component for its own controller call initialize and terminate once
// per interface they hold (Ardour 7.3 does both twice): both are idempotent.
//
// Threads: the host calls IComponent, IEditController, IUnitInfo and the set-up functions of
// IAudioProcessor from its main (user-interface) thread, and process from its audio thread.
// Every call that reads or changes the instance holds the base's mMutex (recursive) for its
// duration, as the VST2 adapter does, so a state arriving while the audio runs (Ardour
// restores a session's state after setProcessing(true)) waits for the block in progress.
// setProcessing only flips an atomic flag: hosts call it from either thread.
#include "ChunkBuffer.h"
#include "IPlugBase.h"
#include "vst3_abi.h"

#include <atomic>
#include <cstdint>

// What the entry point hands to the plug-in class's constructor: nothing comes from the
// host before initialize.
struct IPlugInstanceInfo {};

class IPlugVST3View;

class IPlugVST3 : public IPlugBase,
                  public vst3::IComponent,
                  public vst3::IAudioProcessor,
                  public vst3::IEditController,
                  public vst3::IUnitInfo,
                  public vst3::IProcessContextRequirements {
public:
  typedef IPlugVST3* (*CreateInstanceProc)(IPlugInstanceInfo instanceInfo);

  // The largest block the adapter prepares buffers for (setupProcessing's maximum is capped).
  static constexpr int kMaxBlockSize = 1 << 16;
  // The program-change parameter that selects a preset; after the plug-in's own ids.
  static constexpr vst3::ParamID kProgramParamId = 1000;
  // The one program list, in the root unit.
  static constexpr vst3::ProgramListID kProgramListId = 1;
  // Host parameter changes read per process call; more are dropped (a host sends one
  // point per parameter and block in practice).
  static constexpr int kMaxBlockEvents = 4096;

  IPlugVST3(IPlugInstanceInfo instanceInfo, int nParams, const char* channelIOStr, int nPresets,
            const char* effectName, const char* productName, const char* mfrName,
            int vendorVersion, int uniqueID, int mfrID, int latency, int doesMidi,
            bool doesChunks, bool isInstrument);
  ~IPlugVST3() override;

  // [host thread inside the factory's createInstance; takes the creation lock] Creates one
  // instance with `create` and hands out the interface `iid` (its one reference); on
  // failure (kNoInterface for an interface the class has not) nothing is left behind.
  static vst3::tresult CreateInstance(CreateInstanceProc create, const void* iid, void** obj);

  // ---- FUnknown, IPluginBase (shared by every interface of the object) -----------------------
  vst3::tresult VST3_API queryInterface(const vst3::TUID iid, void** obj) override;
  uint32_t VST3_API addRef() override;
  uint32_t VST3_API release() override;
  // [main thread; takes the mutex] The first call opens the instance (host name, every
  // parameter applied once); later calls do nothing until terminate.
  vst3::tresult VST3_API initialize(vst3::FUnknown* context) override;
  vst3::tresult VST3_API terminate() override;

  // ---- IComponent [main thread; take the mutex] ------------------------------------------------
  vst3::tresult VST3_API getControllerClassId(vst3::TUID classId) override;
  vst3::tresult VST3_API setIoMode(int32_t mode) override;
  int32_t VST3_API getBusCount(vst3::MediaType type, vst3::BusDirection dir) override;
  vst3::tresult VST3_API getBusInfo(vst3::MediaType type, vst3::BusDirection dir, int32_t index,
                                    vst3::BusInfo* bus) override;
  vst3::tresult VST3_API getRoutingInfo(vst3::RoutingInfo* inInfo,
                                        vst3::RoutingInfo* outInfo) override;
  vst3::tresult VST3_API activateBus(vst3::MediaType type, vst3::BusDirection dir, int32_t index,
                                     vst3::TBool state) override;
  vst3::tresult VST3_API setActive(vst3::TBool state) override;
  // The base's state blob, read from and written at the stream's current position.
  vst3::tresult VST3_API setState(vst3::IBStream* state) override;
  vst3::tresult VST3_API getState(vst3::IBStream* state) override;

  // ---- IAudioProcessor ---------------------------------------------------------------------------
  // [main thread; take the mutex]
  vst3::tresult VST3_API setBusArrangements(vst3::SpeakerArrangement* inputs, int32_t numIns,
                                            vst3::SpeakerArrangement* outputs,
                                            int32_t numOuts) override;
  vst3::tresult VST3_API getBusArrangement(vst3::BusDirection dir, int32_t index,
                                           vst3::SpeakerArrangement* arr) override;
  vst3::tresult VST3_API canProcessSampleSize(int32_t symbolicSampleSize) override;
  uint32_t VST3_API getLatencySamples() override;
  vst3::tresult VST3_API setupProcessing(vst3::ProcessSetup* setup) override;
  // [main or audio thread; lock-free]
  vst3::tresult VST3_API setProcessing(vst3::TBool state) override;
  // [audio thread; takes the mutex]
  vst3::tresult VST3_API process(vst3::ProcessData* data) override;
  uint32_t VST3_API getTailSamples() override;

  // ---- IProcessContextRequirements [main thread] ----------------------------------------------
  uint32_t VST3_API getProcessContextRequirements() override;

  // ---- IEditController [main thread; take the mutex] -------------------------------------------
  vst3::tresult VST3_API setComponentState(vst3::IBStream* state) override;
  vst3::tresult VST3_API setControllerState(vst3::IBStream* state) override;
  vst3::tresult VST3_API getControllerState(vst3::IBStream* state) override;
  int32_t VST3_API getParameterCount() override;
  vst3::tresult VST3_API getParameterInfo(int32_t paramIndex, vst3::ParameterInfo* info) override;
  vst3::tresult VST3_API getParamStringByValue(vst3::ParamID id, vst3::ParamValue valueNormalized,
                                               vst3::String128 string) override;
  vst3::tresult VST3_API getParamValueByString(vst3::ParamID id, vst3::TChar* string,
                                               vst3::ParamValue* valueNormalized) override;
  vst3::ParamValue VST3_API normalizedParamToPlain(vst3::ParamID id,
                                                   vst3::ParamValue valueNormalized) override;
  vst3::ParamValue VST3_API plainParamToNormalized(vst3::ParamID id,
                                                   vst3::ParamValue plainValue) override;
  vst3::ParamValue VST3_API getParamNormalized(vst3::ParamID id) override;
  vst3::tresult VST3_API setParamNormalized(vst3::ParamID id, vst3::ParamValue value) override;
  vst3::tresult VST3_API setComponentHandler(vst3::IComponentHandler* handler) override;
  vst3::IPlugView* VST3_API createView(vst3::FIDString name) override;

  // ---- IUnitInfo [main thread; take the mutex] -------------------------------------------------
  int32_t VST3_API getUnitCount() override;
  vst3::tresult VST3_API getUnitInfo(int32_t unitIndex, vst3::UnitInfo* info) override;
  int32_t VST3_API getProgramListCount() override;
  vst3::tresult VST3_API getProgramListInfo(int32_t listIndex,
                                            vst3::ProgramListInfo* info) override;
  vst3::tresult VST3_API getProgramName(vst3::ProgramListID listId, int32_t programIndex,
                                        vst3::String128 name) override;
  vst3::tresult VST3_API getProgramInfo(vst3::ProgramListID listId, int32_t programIndex,
                                        const char* attributeId,
                                        vst3::String128 attributeValue) override;
  vst3::tresult VST3_API hasProgramPitchNames(vst3::ProgramListID listId,
                                              int32_t programIndex) override;
  vst3::tresult VST3_API getProgramPitchName(vst3::ProgramListID listId, int32_t programIndex,
                                             int16_t midiPitch, vst3::String128 name) override;
  vst3::UnitID VST3_API getSelectedUnit() override;
  vst3::tresult VST3_API selectUnit(vst3::UnitID unitId) override;
  vst3::tresult VST3_API getUnitByBus(vst3::MediaType type, vst3::BusDirection dir,
                                      int32_t busIndex, int32_t channel,
                                      vst3::UnitID* unitId) override;
  vst3::tresult VST3_API setUnitProgramData(int32_t listOrUnitId, int32_t programIndex,
                                            vst3::IBStream* data) override;

  // ---- Host-facing operations of the base -----------------------------------------------------
  // [editor thread outside processing: the component handler's gesture calls; audio thread
  // inside process: values go to the output parameter queues] Only the parameters the host
  // knows (the saved ones) leave the plug-in.
  void HostBeginEdit(int paramIdx) override;
  void HostSetParam(int paramIdx, double normalizedValue) override;
  void HostEndEdit(int paramIdx) override;
  // [main thread; mutex held] The whole parameter set changed: reported to the host with
  // the next process call (Ardour hangs when a plug-in restarts its component while the
  // host selects a program).
  void HostProgramChanged() override;
  int HostId() override;
  void EditorResized() override;
  void InitForHost() override;
  // Resolved statically by the plug-in class, like every adapter's.
  // [audio thread] The processor clock the engine counts its timeouts in.
  uint32_t ProcessorClock() const;

  // [audio thread; mutex held] The host-time record of a process context; none means a
  // free-running timeline that counts the frames processed since activation.
  IHostTime ReadHostTime(const vst3::ProcessContext* context, int nFrames);

  // Read by tests and the editor view.
  vst3::IComponentHandler* ComponentHandler() const { return mHandler; }
  bool IsProcessing() const { return mProcessing.load(); }

private:
  friend class IPlugVST3View;
  // The parameter index of a host id (the saved parameters), -1 for others.
  int ParamIndex(vst3::ParamID id) const;
  // The normalised value of a preset index, and back.
  double ProgramToNormalized(int idx) const;
  int ProgramFromNormalized(double normalized) const;
  // [mutex held] Loads a preset for the host's program parameter and queues every value
  // for the next process call.
  void SelectProgram(int idx);
  // A host's value that only repeats ours in single precision (Ardour narrows our own
  // edits to float and echoes them): applying it could move a step word by one.
  bool IsFloatEcho(int paramIdx, double normalized) const;
  // [audio thread; mutex held] The host's parameter changes of a block as host events in
  // frame order; the program parameter's last point, if any, in `program`.
  int GatherEvents(vst3::IParameterChanges* changes, int nFrames, double* program);
  // [audio thread; mutex held] One output point for the host.
  void QueueOutput(vst3::ParamID id, double value);
  // [audio thread; mutex held] One block of float or double buffers through the base.
  template <class T>
  vst3::tresult ProcessAudio(vst3::ProcessData* data, const IHostTime& time, int nEvents,
                             WDL_TypedBuf<T>& silence, WDL_TypedBuf<T>& scratch);

  IPlugVST3View* mAttachedView = nullptr; // the view whose window is open, main thread
  std::atomic<uint32_t> mRefCount{1};
  int mInitCount = 0; // initialize calls not yet matched by terminate
  vst3::IComponentHandler* mHandler = nullptr;
  std::atomic<bool> mProcessing{false};
  std::atomic<bool> mReportAll{false}; // queue every value with the next process call
  bool mActive = false;
  bool mInProcess = false; // inside process, on the audio thread, mutex held
  vst3::IParameterChanges* mOutChanges = nullptr; // the block's output queues, in process
  int32_t mSampleSize = vst3::kSample32;
  int32_t mMaxBlock = 1024;
  int mInArrangement = 2, mOutArrangement = 2; // channels of the buses' arrangements
  bool mInBusActive = true, mOutBusActive = true;
  int64_t mFreeRunPos = 0; // frames since activation, the timeline without a context
  double mProgramNormalized = 0.0;
  WDL_TypedBuf<IHostEvent> mEvents;
  WDL_TypedBuf<double> mDefaults; // each saved parameter's default, normalised
  WDL_TypedBuf<float> mSilence32, mScratch32; // stand-ins for missing channel buffers
  WDL_TypedBuf<double> mSilence64, mScratch64;
  ChunkBuffer mStateChunk;
};
