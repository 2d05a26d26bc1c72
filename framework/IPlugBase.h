#pragma once
// The host-independent half of a plug-in instance: parameters, presets, channel
// plumbing between host buffers and block processing, edit gestures towards the
// host, identity and host identification.
//
// Threads: the host's audio thread enters through ProcessBuffers; the editor
// (user-interface) thread through SetParamFromEditor and the gesture operations;
// the host's main thread through state, preset and parameter requests. Every one
// of them holds mMutex (recursive) around what it does, so ParamChanged, Reset and
// ProcessBlock never run at the same time on two threads.
#include "IHostTime.h"
#include "IMidiMsg.h"
#include "IParam.h"
#include "IPreset.h"
#include "WDL_HeapBuf.h"
#include "WDL_Mutex.h"
#include "WDL_PtrList.h"

class IGraphics;

// Host application ids found by LookUpHost; kHostUnknown when none matched.
enum EHost {
  kHostUninit = -1,
  kHostUnknown = 0,
  kHostReaper = 1,
  kHostCubase = 3,
  kHostNuendo = 4,
  kHostSonar = 5,
  kHostFL = 7,
  kHostSamplitude = 8,
  kHostAbletonLive = 9,
  kHostMelodyneStudio = 12,
  kHostVSTScanner = 13,
  kHostAULab = 14,
  kHostForte = 15,
  kHostChainer = 16,
  kHostAudition = 17,
  kHostOrion = 18,
  kHostSAWStudio = 20,
  kHostLogic = 21,
  kHostDigitalPerformer = 22,
  kHostAudioMulch = 23,
  kHostStudioOne = 24,
  kHostAcoustica = 25,
  kHostGarageBand = 26,
  kHostArdour = 27,
  kHostBrainwave = 28,
};

class IPlugBase {
public:
  struct ChannelIO {
    int mIn, mOut;
  };
  struct InChannel {
    bool mConnected = false;
    double** mSrc = nullptr;       // this channel's slot in mInData
    const float* mFSrc = nullptr;  // the host's float buffer, converted when the block runs
    WDL_TypedBuf<double> mScratch;
  };
  struct OutChannel {
    bool mConnected = false;
    double** mDest = nullptr; // this channel's slot in mOutData
    float* mFDest = nullptr;  // the host's float buffer of this channel
    WDL_TypedBuf<double> mScratch;
  };

  IPlugBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName,
            const char* productName, const char* mfrName, int vendorVersion, int uniqueID,
            int mfrID, int latency, int doesMidi, bool doesChunks, bool isInstrument);
  IPlugBase(const IPlugBase&) = delete;
  IPlugBase& operator=(const IPlugBase&) = delete;

  // ---- Virtual operations, in slot order -------------------------------------------------
  virtual ~IPlugBase();
  // [main or audio thread; takes the mutex] After a change of sample rate, block size or
  // bypass, and on the host's reset request.
  virtual void Reset();
  // [any thread; mutex held] The plug-in's reaction to a new value of one parameter.
  virtual void ParamChanged(int paramIdx);
  // [audio thread; mutex held except in the Audio Unit's direct render] One block of
  // double samples. The default copies min(in, out) channels and zeroes the rest.
  virtual void ProcessBlock(double** inputs, double** outputs, int nFrames);
  // [editor or main thread; mutex held] No-op hooks of the VST2 adapter.
  virtual void EditorOpened();
  virtual void EditorClosed();
  virtual void BeforeClose();
  // [main thread; mutex held] Processing switched on or off.
  virtual void SetActive(bool active);
  // [audio thread; mutex held] Incoming MIDI; this plug-in ignores it.
  virtual void HandleMidi(IMidiMsg* msg);
  virtual void HandleSysEx(ISysEx* msg);
  virtual bool MidiKeyName(int key, char* outName);
  // [main thread; mutex held] The whole saved state; by default the parameter block.
  virtual bool WriteState(ChunkBuffer* chunk);
  virtual int ReadState(ChunkBuffer* chunk, int pos);
  virtual void StateStringRestored(int index, const char* text);
  virtual void ChunkVersionSeen(int version);
  virtual bool AcceptRestoredValue(int paramIdx);
  // Host-facing operations, supplied by the adapter. HostBeginEdit flushes a pending
  // end of edit before it tells the host that a gesture begins.
  virtual void HostBeginEdit(int paramIdx) = 0;
  // [editor thread; takes the mutex] Begins a gesture unless this parameter's is pending.
  virtual void HostBeginEditOnce(int paramIdx);
  virtual void HostSetParam(int paramIdx, double normalizedValue) = 0;
  virtual void HostEndEdit(int paramIdx) = 0;
  virtual void HostProgramChanged() = 0;
  // [audio thread] Position of the block's first frame on the host's timeline, as a signed
  // 32-bit count (positions past 2^31 frames wrap); from HostTime().
  virtual int HostSamplePosition();
  // [audio thread] Tempo in beats per minute, 0 when the host gives none; from HostTime().
  virtual double HostTempo();
  virtual void HostTimeSignature(int* outNumerator, int* outDenominator);
  virtual int HostId() = 0;
  // [editor thread] The editor's device size changed (a new scale, IGraphics::SetScale): the
  // adapter reports the new size and, with the window open, asks the host's frame to follow.
  virtual void EditorResized() = 0;
  virtual void InitForHost() = 0;
  // [main thread; takes the mutex] Pushes every parameter to the editor and takes it over.
  virtual void AttachEditor(IGraphics* graphics);
  // [main thread] Resizes the channel scratch buffers; never called while processing.
  virtual void SetBlockSize(int nFrames);
  virtual void SetLatency(int samples);
  virtual bool SendMidi(IMidiMsg* msg);
  virtual bool SendMidiList(IMidiMsg* msgs, int count);
  virtual bool SendSysEx(ISysEx* msg);
  // [any thread; takes the mutex] The parameter block and the presets block.
  virtual bool WriteParams(ChunkBuffer* chunk);
  virtual int ReadParams(ChunkBuffer* chunk, int pos);
  virtual bool WritePresets(ChunkBuffer* chunk);
  virtual int ReadPresets(ChunkBuffer* chunk, int pos);
  // [audio thread; mutex held except in the Audio Unit's direct render] Appended: one block
  // straight from the host's float buffers to its float outputs, with the same results as
  // ProcessBlock on their double conversions. False (the default) when the plug-in has no
  // such path: the base then converts around ProcessBlock.
  virtual bool ProcessFloatBlock(float** inputs, float** outputs, int nFrames);

  // ---- The host layer: what every adapter hands the base ------------------------------------
  // [audio thread; mutex held] The host's timeline at the first frame of the block or slice
  // that runs: the one record the engine reads host time from.
  const IHostTime& HostTime() const { return mHostTime; }
  // [audio thread; mutex held] Non-zero while the host transport runs.
  int HostTransportState() const { return mHostTime.mPlaying ? 1 : 0; }
  // [audio thread; mutex held] The musical position in beats; false when the host gives none.
  bool HostMusicalPosition(double* beats) const;
  // [audio thread; mutex held] One host block: the buffers of the connected channels, the
  // timeline at its first frame and the host's events inside it, in frame order. The block
  // runs in slices split at the events' frames and at GetBlockSize(): the slice before an
  // event runs with the old values, then every event at that frame is applied (a parameter
  // through SetParameterFromHost, a timeline change replacing the time from there on), and
  // the next slice follows; each slice sees the timeline moved on to its first frame
  // (IHostTime::After). A block without events longer than GetBlockSize() runs exactly as
  // the same block in slices of GetBlockSize(); one that fits runs whole. With nFrames 0
  // only the events are applied. `accumulate` adds the float output to the host's buffers.
  void ProcessHostBlock(float** inputs, float** outputs, int nFrames, const IHostTime& time,
                        const IHostEvent* events = nullptr, int nEvents = 0,
                        bool accumulate = false);
  // Doubles are always replaced (`accumulate` is for float hosts only).
  void ProcessHostBlock(double** inputs, double** outputs, int nFrames, const IHostTime& time,
                        const IHostEvent* events = nullptr, int nEvents = 0,
                        bool accumulate = false);
  // [any thread; mutex held] A host's value for one parameter, normalised (0..1) or real:
  // clamped into range, stored, shown by the editor's controls, reacted to (ParamChanged).
  // False for an index outside the list or a value that is not a number.
  bool SetParameterFromHost(int paramIdx, double value, bool normalized);
  // [main thread; takes the mutex] The state every format saves: the 32-bit version
  // followed by WriteState's block (188 bytes for this plug-in), the same bytes as a VST2
  // program chunk, so a state moves between formats.
  bool SaveState(ChunkBuffer* chunk);
  // [main thread; takes the mutex] Restores such a state. A state that is short, long, of
  // another version or holds a value that is not a number is refused whole: false, and
  // nothing changed.
  bool LoadState(const void* data, int size);

  // ---- Parameters ---------------------------------------------------------------------------
  int NParams() const { return mParams.GetSize(); }
  // Null outside the list.
  IParam* GetParam(int paramIdx) const { return mParams.Get(paramIdx); }
  // Parameters the saved state holds: all but the extra ones.
  int NSavedParams() const { return NParams() - mNExtraParams; }
  void AddExtraParams(int n);
  // [any thread; takes the mutex] ParamChanged for every parameter in index order.
  void NotifyAllParams();
  // [editor thread; takes the mutex] A control changed a parameter: store, tell host, react.
  void SetParamFromEditor(int paramIdx, double normalizedValue);
  // [editor thread; takes the mutex] Defers the end of a wheel gesture to the editor's timer.
  void DeferHostEndEdit(int paramIdx);
  // [editor thread; takes the mutex] Ends a deferred gesture now (the editor's timer fired).
  void FlushPendingEndEdit();

  // ---- Presets (all take the mutex) -----------------------------------------------------------
  int NPresets() const { return mPresets.GetSize(); }
  // The empty string outside the list.
  const char* GetPresetName(int idx) const;
  int GetCurrentPresetIdx() const { return mCurrentPresetIdx; }
  void AddDefaultPresets(const char* name, int n);
  // One value per parameter of the whole list: an int for integer kinds, a double otherwise.
  void AddPreset(const char* name, ...);
  bool LoadPreset(int idx);
  bool LoadPresetByName(const char* name);
  void StoreCurrentPreset(const char* name = nullptr);
  void RemoveEmptyPresets();

  // ---- Editor ---------------------------------------------------------------------------------
  IGraphics* GetGUI() const { return mGraphics; }
  // [main thread; takes the mutex] Tells the editor every parameter's real value.
  void RefreshEditorParams();

  // ---- Identity and host ------------------------------------------------------------------------
  const char* GetEffectName() const { return mEffectName; }
  const char* GetProductName() const { return mProductName; }
  const char* GetMfrName() const { return mMfrName; }
  int GetUniqueID() const { return mUniqueID; }
  int GetMfrID() const { return mMfrID; }
  // Decimal form major*10000 + minor*100 + patch, or the packed form.
  int GetEffectVersion(bool decimal) const;
  // "v%d.%02d" with major and minor; out holds at least 32 bytes.
  void GetEffectVersionString(char* out) const;
  void SetHost(const char* name, int version);
  static int LookUpHost(const char* name);
  int GetHostVersion() const { return mHostVersion; }
  // [audio thread] Samples per beat at the host tempo, 0 without a tempo.
  double SamplesPerBeat();
  bool DoesChunks() const { return mDoesChunks; }
  bool IsInstrument() const { return mIsInstrument; }
  int DoesMidi() const { return mDoesMidi; }
  int GetLatency() const { return mLatency; }
  bool IsReadyToProcess() const { return mReadyToProcess; }

  // ---- Audio plumbing (called by the adapters) ------------------------------------------------
  double GetSampleRate() const { return mSampleRate; }
  int GetBlockSize() const { return mBlockSize; }
  void SetSampleRate(double sampleRate) { mSampleRate = sampleRate; }
  int NChannelIO() const { return mChannelIO.GetSize(); }
  const ChannelIO* GetChannelIO(int idx) const { return mChannelIO.Get(idx); }
  int NInChannels() const { return mInChannels.GetSize(); }
  int NOutChannels() const { return mOutChannels.GetSize(); }
  bool IsInChannelConnected(int ch) const;
  bool IsOutChannelConnected(int ch) const;
  bool LegalIO(int nIn, int nOut) const;
  void SetInputChannelConnections(int first, int count, bool connected);
  void SetOutputChannelConnections(int first, int count, bool connected);
  // [audio thread] Host buffers go to the connected channels only, in channel order: the
  // k-th connected channel takes the k-th buffer of `ppData` (which holds at least as many
  // buffers as channels are connected). Float inputs are converted into scratch buffers
  // when the block runs, unless the plug-in processes them directly.
  void AttachInputBuffers(int first, int count, double** ppData, int nFrames);
  void AttachInputBuffers(int first, int count, float** ppData, int nFrames);
  void AttachOutputBuffers(int first, int count, double** ppData);
  void AttachOutputBuffers(int first, int count, float** ppData);
  // [audio thread] Runs ProcessBlock when ready, then converts float outputs (or, with every
  // channel connected to a float buffer, ProcessFloatBlock when the plug-in has it). A block
  // holds at most GetBlockSize() frames (the scratch buffers' length): adapters split longer
  // ones.
  void ProcessBuffers(double sampleType, int nFrames);
  void ProcessBuffers(float sampleType, int nFrames);
  void ProcessBuffersAccumulating(float sampleType, int nFrames);
  // [audio thread] The default copy (never the plug-in's block), then float conversion.
  void PassThroughBuffers(float sampleType, int nFrames);
  // [audio thread] Converts the attached float inputs into the scratch buffers now, for an
  // adapter whose input buffers do not live until the block runs.
  void ConvertFloatInputs(int nFrames);

  WDL_Mutex mMutex;

protected:
  WDL_PtrList<ChannelIO> mChannelIO;
  WDL_PtrList<IParam> mParams;
  WDL_PtrList<IPreset> mPresets;
  int mCurrentPresetIdx = 0;
  int mPendingEndEditIdx = -1;
  int mNStateStrings = 0;
  WDL_String* mStateStrings = nullptr;
  bool mReadyToProcess = false;
  char mEffectName[128];
  char mProductName[128];
  char mMfrName[128];
  int mUniqueID;
  int mMfrID;
  int mVersion;
  int mHost = kHostUninit;
  int mHostVersion = 0;
  int mNExtraParams = 0;
  bool mDoesChunks;
  bool mIsInstrument;
  int mDoesMidi;
  double mSampleRate = 44100.0;
  int mBlockSize = 0;
  int mLatency;
  IGraphics* mGraphics = nullptr;
  IHostTime mHostTime; // the timeline of the block or slice that runs
  WDL_TypedBuf<double*> mInData;
  WDL_TypedBuf<double*> mOutData;
  WDL_TypedBuf<float*> mFloatInData; // the host's float buffers of a direct float block
  WDL_TypedBuf<float*> mFloatOutData;
  WDL_PtrList<InChannel> mInChannels;
  WDL_PtrList<OutChannel> mOutChannels;
  // The channel pointers of a slice of a host block, one per channel.
  WDL_TypedBuf<float*> mSliceFloatIn, mSliceFloatOut;
  WDL_TypedBuf<double*> mSliceDoubleIn, mSliceDoubleOut;

private:
  template <class T>
  void RunHostBlock(T** inputs, T** outputs, int nFrames, const IHostTime& time,
                    const IHostEvent* events, int nEvents, bool accumulate);
  void RunSlice(float** inputs, float** outputs, int nFrames, bool accumulate);
  void RunSlice(double** inputs, double** outputs, int nFrames, bool accumulate);
  void ParseChannelIO(const char* channelIOStr);
  void ConvertFloatOutputs(int nFrames, bool accumulate);
  // Every channel connected to a host float buffer: fills mFloatInData and mFloatOutData.
  bool GatherFloatBuffers();
  void DefaultProcessBlock(double** inputs, double** outputs, int nFrames);
};
