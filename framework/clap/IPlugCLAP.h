#pragma once
// The CLAP adapter: makes a plug-in instance available to a CLAP host. The life of an
// instance, as the host drives it:
//   1. create (factory, no host calls yet) → init [main]: identifies the host, asks for its
//      extensions (every one may be missing) and applies every parameter;
//   2. activate(sample rate, min, max frames) [main]: rate, block size, reset;
//   3. start_processing → process ×n → stop_processing [audio], perhaps repeated;
//      params.flush [audio while active, main otherwise] between them;
//   4. deactivate [main] → activate again, or destroy [main].
// Parameters are plain values with the plug-in's ids (its parameter indices); the state is
// the base's blob. Edits made in the editor, and the step words the engine publishes,
// reach the host as gesture begin, value, end in the output events of the next process
// or flush; a host that is not processing is asked for a flush.
//
// Threads: every entry point that touches the instance holds mMutex for its whole call,
// as the VST2 adapter does, so main-thread requests, editor edits and processing never
// overlap. The output queue lives under that mutex too. get_extension and the factory
// take no lock.
#include "IPlugBase.h"
#include "RelaxedAtomic.h"
#include "clap_abi.h"

#include <cstdint>

// What the factory hands to the plug-in class's constructor.
struct IPlugInstanceInfo {
  const clapabi::Host* mClapHost = nullptr;
};

class IPlugCLAP : public IPlugBase {
public:
  typedef IPlugCLAP* (*CreateInstanceProc)(IPlugInstanceInfo instanceInfo);

  // The largest block the adapter prepares buffers for (longer activations are clamped;
  // longer blocks still run, in slices).
  static constexpr int kMaxBlockSize = 1 << 16;
  // Events of one host block handed to the base at once; more run in several parts.
  static constexpr int kMaxBlockEvents = 512;
  // Output events waiting for the next process or flush.
  static constexpr int kMaxPendingOut = 1024;

  IPlugCLAP(IPlugInstanceInfo instanceInfo, int nParams, const char* channelIOStr, int nPresets,
            const char* effectName, const char* productName, const char* mfrName,
            int vendorVersion, int uniqueID, int mfrID, int latency, int doesMidi,
            bool doesChunks, bool isInstrument);
  ~IPlugCLAP() override;

  // [host thread inside create_plugin] Creates one instance with `create` for `desc` and
  // returns its plug-in record, or null. Makes no host call.
  static const clapabi::Plugin* CreatePlugin(const clapabi::Host* host,
                                             const clapabi::PluginDescriptor* desc,
                                             CreateInstanceProc create);

  // ---- Host-facing operations of the base -----------------------------------------------------
  // [editor (main) or audio thread; mutex held or taken] Queued as output events.
  void HostBeginEdit(int paramIdx) override;
  void HostSetParam(int paramIdx, double normalizedValue) override;
  void HostEndEdit(int paramIdx) override;
  void HostProgramChanged() override;
  int HostId() override;
  void EditorResized() override;
  // [main thread inside init; mutex held]
  void InitForHost() override;

  // Resolved statically by the plug-in class, like every adapter's.
  // [audio thread] The processor clock the engine counts its timeouts in.
  uint32_t ProcessorClock() const;

  // ---- The preset list as a parameter ---------------------------------------------------------
  // The factory presets (those the plug-in defined, from the first on) are one stepped
  // parameter after the plug-in's own, "Preset", as VST2 hosts list the programs. It is
  // not automatable and not in the state: hosts that restore a session from the state do
  // not play it back over the restored sound. -1 without presets.
  int ProgramParamId() const { return mNPrograms > 0 ? NParams() : -1; }
  int NPrograms() const { return mNPrograms; }
  // [mutex held] Selects a preset as VST2's program change does (the current slot keeps its
  // edits); the host hears every new value. False when the value names no other preset.
  bool SelectProgram(double value);

  // ---- Read by tests ----------------------------------------------------------------------------
  bool IsActive() const { return mActive; }
  bool IsProcessing() const { return mProcessing; }

protected:
  const clapabi::Host* mClapHost;
  clapabi::Plugin mPlugin;
  // The host's extensions, asked for in init; each may be null.
  const clapabi::HostParams* mHostParams = nullptr;
  const clapabi::HostState* mHostState = nullptr;
  const clapabi::HostThreadCheck* mHostThreadCheck = nullptr;
  const clapabi::HostLog* mHostLog = nullptr;
  const clapabi::HostGui* mHostGui = nullptr;
  const clapabi::HostTimerSupport* mHostTimers = nullptr;
  const clapabi::HostPosixFdSupport* mHostFds = nullptr;

  bool mInitDone = false;
  bool mActive = false;
  bool mProcessing = false;
  // Inside process, or a flush on the audio thread: host calls of the main thread wait.
  bool mInAudioCall = false;
  bool mFlushRequested = false;
  // An edit made on the audio thread (a published step word) that the host still has to
  // hear of as a change of the state; told on the next main-thread call.
  RelaxedAtomic<bool> mDirtyPending{false};
  double* mDefaults = nullptr; // every parameter's value as constructed
  int mNPrograms = 0;          // the presets the plug-in defined, listed as "Preset"

  // ---- The editor (ClapGui.cpp) [main thread] ----------------------------------------------------
  bool mGuiCreated = false;
  bool mGuiFloating = false;
  clapabi::Id mGuiTimer = clapabi::kInvalidId; // the host's timer that drives the editor
  int mGuiFd = -1;                             // the window's connection, watched by the host
  uintptr_t mGuiOwner = 0;                     // a floating window stays above this one
  void* mGuiFrame = nullptr;                   // Windows: the floating editor's frame
  char mGuiTitle[128] = {0};

  // The timeline the next block would start at had the song played on: the last block's
  // moved on by its frames (see ClapTransport.h); unknown after activation and reset.
  IHostTime mCountedTime;
  bool mHaveCountedTime = false;

  // [main thread] Tells the host of a change of the state when one is pending.
  void MarkDirtyIfPending();
  // [any thread] A message for the host's log, when it has one.
  void Log(int32_t severity, const char* message) const;
  // [any thread] Debug builds, where the host offers thread-check: a call that arrives on
  // the wrong thread (the audio thread's, or else the main thread's) is logged as the
  // host's misbehaviour. Nothing in release builds.
  void CheckThread(bool audio, const char* call) const;
  // [any thread] True where the host says this is its main (audio) thread, or cannot say.
  bool OnMainThread() const;
  bool OnAudioThread() const;

private:
  // The output queue: gestures and values waiting to be pushed.
  struct PendingOut {
    uint16_t mType;
    int mParamIdx;
    double mValue;
    uint32_t mFlags; // live (an edit) or not to be recorded (a preset's values)
  };
  PendingOut mPendingOut[kMaxPendingOut];
  int mNPendingOut = 0;
  // Per parameter: a gesture is open, and it has carried a value.
  bool* mGestureOpen = nullptr;
  bool* mGestureHasValue = nullptr;
  // The events of one block as the base takes them.
  IHostEvent mBlockEvents[kMaxBlockEvents];

  // [mutex held] Queues one output event; asks a host that is not processing for a flush.
  void QueueOut(uint16_t type, int paramIdx, double value,
                uint32_t flags = clapabi::kEventIsLive);
  // [mutex held; audio thread, or main while inactive] Pushes what is queued, in order, as
  // far as the host takes it.
  void PushPendingOut(const clapabi::OutputEvents* out);
  // [mutex held] A host's parameter value event; false when it names no parameter.
  bool ApplyParamEvent(const clapabi::EventHeader* header);
  // [audio thread; mutex held] One host block.
  int32_t Process(const clapabi::Process* process);
  template <class T>
  void RunBlock(T** inputs, T** outputs, int nFrames, const clapabi::Process* process);
  // [audio thread while active, main otherwise; mutex held]
  void Flush(const clapabi::InputEvents* in, const clapabi::OutputEvents* out);

  // The plug-in record's functions, and the extensions'.
  static IPlugCLAP* Instance(const clapabi::Plugin* plugin);
  static bool CLAPABI_CALL ClapInit(const clapabi::Plugin* plugin);
  static void CLAPABI_CALL ClapDestroy(const clapabi::Plugin* plugin);
  static bool CLAPABI_CALL ClapActivate(const clapabi::Plugin* plugin, double sampleRate,
                                        uint32_t minFrames, uint32_t maxFrames);
  static void CLAPABI_CALL ClapDeactivate(const clapabi::Plugin* plugin);
  static bool CLAPABI_CALL ClapStartProcessing(const clapabi::Plugin* plugin);
  static void CLAPABI_CALL ClapStopProcessing(const clapabi::Plugin* plugin);
  static void CLAPABI_CALL ClapReset(const clapabi::Plugin* plugin);
  static int32_t CLAPABI_CALL ClapProcess(const clapabi::Plugin* plugin,
                                          const clapabi::Process* process);
  static const void* CLAPABI_CALL ClapGetExtension(const clapabi::Plugin* plugin, const char* id);
  static void CLAPABI_CALL ClapOnMainThread(const clapabi::Plugin* plugin);

  friend struct ClapParamsExtension;
  friend struct ClapStateExtension;
  friend struct ClapPortsExtension;
  friend struct ClapGuiExtension;
};
