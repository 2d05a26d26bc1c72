#pragma once
// The VST2 adapter: makes a plug-in instance available to a VST2 host. It fills the
// effect record the entry point returns, answers the dispatcher opcodes, runs the
// three processing callbacks, and tells the host about edits, reads tempo, position
// and transport, and identifies the host, all through the host callback.
//
// Threads: the host calls the dispatcher from its main or user-interface thread and
// the processing callbacks from its audio thread. Every dispatcher call, every
// parameter get/set and every processing call holds the instance mutex (mMutex of
// the base) for its whole duration, so they never overlap within an instance.
#include "ChunkBuffer.h"
#include "IPlugBase.h"
#include "vst2_abi.h"

#include <cstdint>

// What the entry point hands to the plug-in class's constructor.
struct IPlugInstanceInfo {
  audioMasterCallback mVSTHostCallback = nullptr;
};

class IPlugVST : public IPlugBase {
public:
  // Creates the plug-in instance (the plug-in class's constructor runs here).
  typedef IPlugVST* (*CreateInstanceProc)(IPlugInstanceInfo instanceInfo);

  // The largest block size the adapter prepares buffers for; the host may still
  // deliver longer blocks, which are processed in slices of at most the block size.
  static constexpr int kMaxBlockSize = 1 << 16;

  // The host callback, then the plug-in base's arguments.
  IPlugVST(IPlugInstanceInfo instanceInfo, int nParams, const char* channelIOStr, int nPresets,
           const char* effectName, const char* productName, const char* mfrName, int vendorVersion,
           int uniqueID, int mfrID, int latency, int doesMidi, bool doesChunks, bool isInstrument);
  ~IPlugVST() override;

  // [host thread inside VSTPluginMain; takes the process-wide creation lock] Creates one
  // instance with `create` and returns its effect record, or null (no host callback,
  // or the instance could not be created). Instances are created one at a time.
  static AEffect* CreateEffect(audioMasterCallback hostCallback, CreateInstanceProc create);

  AEffect* GetAEffect() { return &mAEffect; }

  // ---- Host-facing operations of the base, through the host callback -------------------------
  // [editor or audio thread; mutex held or taken] Gesture begin/value/end and redraw requests.
  void HostBeginEdit(int paramIdx) override;
  void HostSetParam(int paramIdx, double normalizedValue) override;
  void HostEndEdit(int paramIdx) override;
  void HostProgramChanged() override;
  // [main thread; mutex held] The host's id from its product name (asked once).
  int HostId() override;
  void EditorResized() override;
  // [main thread inside effOpen; mutex held] Host-specific setup, once per instance.
  void InitForHost() override;
  void AttachEditor(IGraphics* graphics) override;
  void SetLatency(int samples) override;
  // [audio thread; mutex held] Outgoing MIDI as a one-event list.
  bool SendMidi(IMidiMsg* msg) override;
  bool SendSysEx(ISysEx* msg) override;

  // [audio thread; mutex held] Asks the host for its time once (audioMasterGetTime with
  // tempo, musical position and time signature together) and translates the answer into
  // the host-time record: no answer gives position 0, no tempo and a stopped transport.
  IHostTime ReadHostTime();
  // Resolved statically by the plug-in class, like every adapter's.
  // [audio thread] The processor clock the engine counts its timeouts in.
  uint32_t ProcessorClock() const;

protected:
  ERect mEditRect;
  audioMasterCallback mHostCallback;
  VstSpeakerArrangement mInputSpeakers;
  VstSpeakerArrangement mOutputSpeakers;
  bool mHostInitDone = false;
  int mCockosFlags = 0;
  ChunkBuffer mProgramChunk;
  ChunkBuffer mBankChunk;
  AEffect mAEffect;

private:
  // The effect record's functions.
  // [main or editor thread; takes the mutex, except for effEditIdle]
  static VstIntPtr VSTCALLBACK VSTDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                             VstIntPtr value, void* ptr, float opt);
  static float VSTCALLBACK VSTGetParameter(AEffect* effect, VstInt32 index);
  static void VSTCALLBACK VSTSetParameter(AEffect* effect, VstInt32 index, float value);
  // [audio thread; takes the mutex]
  static void VSTCALLBACK VSTProcess(AEffect* effect, float** inputs, float** outputs,
                                     VstInt32 nFrames);
  static void VSTCALLBACK VSTProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                                              VstInt32 nFrames);
  static void VSTCALLBACK VSTProcessDoubleReplacing(AEffect* effect, double** inputs,
                                                    double** outputs, VstInt32 nFrames);

  // [mutex held] One dispatcher request other than effClose.
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  VstIntPtr VendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt);
  VstIntPtr CanDo(const char* text);
  VstIntPtr GetChunk(VstInt32 index, void* ptr);
  VstIntPtr SetChunk(VstInt32 index, VstIntPtr size, void* ptr);
  VstIntPtr ProcessEvents(const VstEvents* events);
  VstIntPtr String2Parameter(VstInt32 index, const char* text);
  VstIntPtr GetPinProperties(VstInt32 index, void* ptr, bool input);
  void SetSpeakerArrangement(const VstSpeakerArrangement* arrangement, bool input);

  // [audio thread; mutex held] Runs a host block through the base with the host's time
  // read once; `kind` picks accumulating float, replacing float or double.
  enum EProcessKind { kProcessAccumulate, kProcessReplace, kProcessDouble };
  template <class T> void RunHostBlock(T** inputs, T** outputs, VstInt32 nFrames, EProcessKind kind);

  // The host callback with this instance's effect record; 0 without a callback.
  VstIntPtr CallHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);
};
