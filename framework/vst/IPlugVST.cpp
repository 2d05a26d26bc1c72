#include "IPlugVST.h"

#include "IGraphics.h"
#include "ProcessorClock.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {
// Texts the host hands in are read up to this many bytes minus one: never past their
// terminator, and never further than that when a host forgets it.
constexpr int kHostTextLen = 256;
// Parameter names, labels and display texts are held in 32-byte fields.
constexpr int kParamTextLen = 32;
// "%.17f" of a normalised value 0..1 ("1.00000000000000000") with its terminator.
constexpr int kNormalizedTextLen = 20;
// The answers that tell a host the plug-in knows its vendor extensions.
constexpr VstIntPtr kCockosAnswer = (VstIntPtr)0xbeef0000u;
constexpr VstIntPtr kCockosDone = 0xbeef;
// The vendor-specific request by which a host forwards wheel events to the editor.
constexpr VstInt32 kVendorWheelIndex = 0x73744341; // 'stCA'
constexpr VstIntPtr kVendorWheelValue = 0x57686565; // 'Whee'

// Whether this build's editor platform opens windows in the host's window; without
// them the effect record announces no editor and effEditOpen answers 0.
#ifdef CORVANEL_EDITOR_WINDOWS
constexpr bool kEditorWindows = true;
#else
constexpr bool kEditorWindows = false;
#endif

void ReadHostText(const void* src, char* dest, int destSize) {
  const char* s = (const char*)src;
  int n = 0;
  for (; s && n < destSize - 1 && s[n]; ++n)
    dest[n] = s[n];
  dest[n] = 0;
}

// Copies our own text into a host buffer of `size` bytes, always terminated.
void CopyToHost(void* dest, const char* src, int size) {
  char* d = (char*)dest;
  int n = 0;
  for (; src && n < size - 1 && src[n]; ++n)
    d[n] = src[n];
  d[n] = 0;
}

// An arrangement the host offers fits when it is absent or has 0..nPins channels.
bool ArrangementFits(const VstSpeakerArrangement* arrangement, int nPins) {
  return !arrangement || (arrangement->numChannels >= 0 && arrangement->numChannels <= nPins);
}

IPlugVST* Instance(AEffect* effect) { return effect ? (IPlugVST*)effect->object : nullptr; }

// A normalised value from the host, NaN and values outside 0..1 brought into range.
double ClampNormalized(double value) {
  if (!(value >= 0.0)) return 0.0;
  return value > 1.0 ? 1.0 : value;
}

void InitSpeakers(VstSpeakerArrangement* arrangement, int nChannels) {
  std::memset(arrangement, 0, sizeof(*arrangement));
  arrangement->numChannels = nChannels;
  if (nChannels == 0)
    arrangement->type = kSpeakerArrEmpty;
  else if (nChannels == 1)
    arrangement->type = kSpeakerArrMono;
  else if (nChannels == 2)
    arrangement->type = kSpeakerArrStereo;
  else
    arrangement->type = kSpeakerArrUserDefined;
}

// The host's decimal version a·10000 + b·100 + c in the packed form a·65536 + b·256 + c;
// 0 for versions that do not fit it.
int PackVendorVersion(VstIntPtr decimal) {
  if (decimal < 0 || decimal >= 32768LL * 10000) return 0;
  const int v = (int)decimal;
  return (v / 10000) * 65536 + ((v / 100) % 100) * 256 + v % 100;
}
} // namespace

IPlugVST::IPlugVST(IPlugInstanceInfo instanceInfo, int nParams, const char* channelIOStr,
                   int nPresets, const char* effectName, const char* productName,
                   const char* mfrName, int vendorVersion, int uniqueID, int mfrID, int latency,
                   int doesMidi, bool doesChunks, bool isInstrument)
    : IPlugBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, vendorVersion,
                uniqueID, mfrID, latency, doesMidi, doesChunks, isInstrument),
      mHostCallback(instanceInfo.mVSTHostCallback) {
  std::memset(&mEditRect, 0, sizeof(mEditRect));
  std::memset(&mAEffect, 0, sizeof(mAEffect));
  mAEffect.magic = kEffectMagic;
  mAEffect.dispatcher = VSTDispatcher;
  mAEffect.process = VSTProcess;
  mAEffect.setParameter = VSTSetParameter;
  mAEffect.getParameter = VSTGetParameter;
  mAEffect.processReplacing = VSTProcessReplacing;
  mAEffect.processDoubleReplacing = VSTProcessDoubleReplacing;
  mAEffect.numPrograms = nPresets > 0 ? nPresets : 0;
  // The declared parameters only: extra ones are added later and stay private.
  mAEffect.numParams = nParams > 0 ? nParams : 0;
  mAEffect.numInputs = NInChannels();
  mAEffect.numOutputs = NOutChannels();
  // Program chunks always: hosts then save the exact state (the chunk), not the parameter
  // values they would keep in their own precision (LMMS keeps 6 digits, a step word needs
  // 7). A project saved with parameter values only still loads through setParameter.
  mAEffect.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing | effFlagsProgramChunks;
  if (LegalIO(1, -1)) mAEffect.flags |= effFlagsCanMono;
  if (mIsInstrument) mAEffect.flags |= effFlagsIsSynth;
  mAEffect.initialDelay = latency;
  mAEffect.ioRatio = 1.0f;
  mAEffect.object = this;
  mAEffect.uniqueID = uniqueID;
  mAEffect.version = GetEffectVersion(true);

  InitSpeakers(&mInputSpeakers, NInChannels());
  InitSpeakers(&mOutputSpeakers, NOutChannels());
  SetInputChannelConnections(0, NInChannels(), true);
  SetOutputChannelConnections(0, NOutChannels(), true);
  SetBlockSize(1024);
}

IPlugVST::~IPlugVST() {}

AEffect* IPlugVST::CreateEffect(audioMasterCallback hostCallback, CreateInstanceProc create) {
  // Created on first use, destroyed when the library is unloaded.
  static WDL_Mutex sCreationLock;
  WDL_MutexLock lock(&sCreationLock);
  if (!hostCallback || !create) return nullptr;

  IPlugInstanceInfo instanceInfo;
  instanceInfo.mVSTHostCallback = hostCallback;
  IPlugVST* plug = create(instanceInfo);
  if (!plug) return nullptr;

  // A host lists at least one program.
  if (plug->NPresets() == 0) {
    plug->mPresets.Add(new IPreset(1));
    plug->AddDefaultPresets(nullptr, 1);
  }
  if (plug->mAEffect.numPrograms < 1) plug->mAEffect.numPrograms = 1;
  return &plug->mAEffect;
}

// ---- Effect record functions ------------------------------------------------------------------

VstIntPtr VSTCALLBACK IPlugVST::VSTDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                              VstIntPtr value, void* ptr, float opt) {
  IPlugVST* plug = Instance(effect);
  if (!plug) return 0;
  if (opcode == effClose) {
    plug->mMutex.Enter();
    plug->BeforeClose();
    plug->mMutex.Leave();
    delete plug;
    return 0;
  }
  // The editor's idle (the Linux window's events and ticks, a whole repaint at times) runs
  // without the instance mutex, as the window's own event function does: what it changes
  // takes the mutex itself, and processing is not held up behind drawing.
  if (opcode == effEditIdle) return plug->Dispatch(opcode, index, value, ptr, opt);
  WDL_MutexLock lock(&plug->mMutex);
  return plug->Dispatch(opcode, index, value, ptr, opt);
}

float VSTCALLBACK IPlugVST::VSTGetParameter(AEffect* effect, VstInt32 index) {
  IPlugVST* plug = Instance(effect);
  if (!plug) return 0.0f;
  WDL_MutexLock lock(&plug->mMutex);
  const IParam* param = plug->GetParam(index);
  return param ? (float)param->GetNormalized() : 0.0f;
}

void VSTCALLBACK IPlugVST::VSTSetParameter(AEffect* effect, VstInt32 index, float value) {
  IPlugVST* plug = Instance(effect);
  if (!plug) return;
  WDL_MutexLock lock(&plug->mMutex);
  IParam* param = plug->GetParam(index);
  if (!param) return;
  const double normalized = ClampNormalized(value);
  if (plug->mGraphics) plug->mGraphics->SetParameterFromPlug(index, normalized, true);
  param->SetNormalized(normalized);
  plug->ParamChanged(index);
}

void VSTCALLBACK IPlugVST::VSTProcess(AEffect* effect, float** inputs, float** outputs,
                                      VstInt32 nFrames) {
  IPlugVST* plug = Instance(effect);
  if (!plug) return;
  WDL_MutexLock lock(&plug->mMutex);
  plug->RunHostBlock(inputs, outputs, nFrames, kProcessAccumulate);
}

void VSTCALLBACK IPlugVST::VSTProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                                               VstInt32 nFrames) {
  IPlugVST* plug = Instance(effect);
  if (!plug) return;
  WDL_MutexLock lock(&plug->mMutex);
  plug->RunHostBlock(inputs, outputs, nFrames, kProcessReplace);
}

void VSTCALLBACK IPlugVST::VSTProcessDoubleReplacing(AEffect* effect, double** inputs,
                                                     double** outputs, VstInt32 nFrames) {
  IPlugVST* plug = Instance(effect);
  if (!plug) return;
  WDL_MutexLock lock(&plug->mMutex);
  plug->RunHostBlock(inputs, outputs, nFrames, kProcessDouble);
}

// ---- Processing -------------------------------------------------------------------------------

template <class T>
void IPlugVST::RunHostBlock(T** inputs, T** outputs, VstInt32 nFrames, EProcessKind kind) {
  if (mDoesMidi) CallHost(audioMasterWantMidi);
  if (nFrames <= 0) return;
  ProcessHostBlock(inputs, outputs, nFrames, ReadHostTime(), nullptr, 0,
                   kind == kProcessAccumulate);
}

// ---- Dispatcher -------------------------------------------------------------------------------

VstIntPtr IPlugVST::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt) {
  IParam* param = GetParam(index); // null for an index outside the list
  switch (opcode) {
  case effOpen:
    InitForHost();
    NotifyAllParams();
    return 0;

  case effSetProgram:
    if (value < 0 || value >= NPresets()) return 0;
    StoreCurrentPreset(nullptr);
    LoadPreset((int)value);
    return 0;
  case effGetProgram:
    return mCurrentPresetIdx;
  case effSetProgramName:
    if (ptr) {
      char name[kVstMaxProgNameLen];
      ReadHostText(ptr, name, (int)sizeof(name));
      StoreCurrentPreset(name);
    }
    return 0;
  case effGetProgramName:
    if (ptr) CopyToHost(ptr, GetPresetName(mCurrentPresetIdx), kVstMaxProgNameLen);
    return 0;
  case effGetProgramNameIndexed:
    if (!ptr || index < 0 || index >= NPresets()) return 0;
    CopyToHost(ptr, GetPresetName(index), kVstMaxProgNameLen);
    return ((const char*)ptr)[0] ? 1 : 0;

  case effGetParamLabel:
    if (param && ptr) CopyToHost(ptr, param->GetLabel(), kParamTextLen);
    return 0;
  case effGetParamDisplay:
    if (param && ptr) {
      char text[kParamTextLen];
      param->FormatDisplay(param->mValue, false, text);
      CopyToHost(ptr, text, kParamTextLen);
    }
    return 0;
  case effGetParamName:
    if (param && ptr) CopyToHost(ptr, param->GetName(), kParamTextLen);
    return 0;
  case effCanBeAutomated:
    return param ? 1 : 0;
  case effString2Parameter:
    return String2Parameter(index, (const char*)ptr);

  case effSetSampleRate:
    if (!(opt > 0.0f) || !std::isfinite(opt)) return 0;
    SetSampleRate(opt);
    Reset();
    return 0;
  case effSetBlockSize:
    if (value <= 0) return 0;
    SetBlockSize(value > kMaxBlockSize ? kMaxBlockSize : (int)value);
    Reset();
    return 0;
  case effMainsChanged:
    if (value) {
      SetActive(true);
    } else {
      SetActive(false);
      Reset();
    }
    return 0;
  case effSetBypass:
    SetActive(value == 0);
    return 0;
  case effGetMidiProgramName:
  case effGetCurrentMidiProgram:
  case effGetMidiProgramCategory:
  case effHasMidiProgramsChanged:
  case effBeginSetProgram:
  case effEndSetProgram:
  case effStartProcess:
    SetActive(true);
    return 0;
  case effStopProcess:
    SetActive(false);
    return 0;

  case effEditGetRect:
    if (!ptr || !mGraphics) return 0;
    *(ERect**)ptr = &mEditRect;
    return 1;
  case effEditOpen:
    if (!mGraphics || !kEditorWindows || !mGraphics->OpenWindow(ptr)) return 0;
    EditorOpened();
    return 1;
  case effEditClose:
    if (!mGraphics) return 0;
    EditorClosed();
    mGraphics->CloseWindow();
    return 1;
  case effEditIdle:
    // Hosts without an event loop of their own drive the editor from here.
    if (mGraphics && mGraphics->WindowIsOpen()) mGraphics->HostIdle();
    return 0;
  case effIdle:
    return 0;
  case effIdentify:
    return kVstIdentifyAnswer;

  case effGetChunk:
    return GetChunk(index, ptr);
  case effSetChunk:
    return SetChunk(index, value, ptr);
  case effProcessEvents:
    return ProcessEvents((const VstEvents*)ptr);

  case effGetInputProperties:
    return GetPinProperties(index, ptr, true);
  case effGetOutputProperties:
    return GetPinProperties(index, ptr, false);
  case effSetSpeakerArrangement: {
    const VstSpeakerArrangement* in = reinterpret_cast<const VstSpeakerArrangement*>(value);
    const VstSpeakerArrangement* out = (const VstSpeakerArrangement*)ptr;
    // More channels than the plug-in has (or fewer than none) is refused whole.
    if (!ArrangementFits(in, NInChannels()) || !ArrangementFits(out, NOutChannels())) return 0;
    SetSpeakerArrangement(in, true);
    SetSpeakerArrangement(out, false);
    return 1;
  }
  case effGetSpeakerArrangement:
    if (value) *reinterpret_cast<VstSpeakerArrangement**>(value) = &mInputSpeakers;
    if (ptr) *(VstSpeakerArrangement**)ptr = &mOutputSpeakers;
    return 1;
  case effGetPlugCategory:
    return mIsInstrument ? kPlugCategSynth : kPlugCategEffect;

  case effGetEffectName:
    if (!ptr) return 0;
    CopyToHost(ptr, mEffectName, kVstMaxEffectNameLen);
    return 1;
  case effGetVendorString:
    if (!ptr) return 0;
    CopyToHost(ptr, mMfrName, kVstMaxVendorStrLen);
    return 1;
  case effGetProductString:
    if (!ptr) return 0;
    CopyToHost(ptr, mProductName, kVstMaxProductStrLen);
    return 1;
  case effGetVendorVersion:
    return GetEffectVersion(true);
  case effVendorSpecific:
    return VendorSpecific(index, value, ptr, opt);
  case effCanDo:
    return CanDo((const char*)ptr);
  case effGetVstVersion:
    return kVstVersion;
  case effGetMidiKeyName: {
    if (!ptr) return 0;
    ::MidiKeyName* key = (::MidiKeyName*)ptr;
    // The channel arrives in index; both it and the key must be real MIDI numbers.
    if (index < 0 || index > 15 || key->thisKeyNumber < 0 || key->thisKeyNumber > 127) return 0;
    key->keyName[0] = 0;
    return MidiKeyName(key->thisKeyNumber, key->keyName) ? 1 : 0;
  }
  default:
    return 0;
  }
}

VstIntPtr IPlugVST::String2Parameter(VstInt32 index, const char* text) {
  IParam* param = GetParam(index);
  if (!param) return 0;
  if (!text) return 1;
  char buf[kHostTextLen];
  ReadHostText(text, buf, kHostTextLen);
  param->SetClamped(param->ValueFromText(buf)); // outside the range gives the bound
  if (mGraphics) mGraphics->SetParameterFromPlug(index, param->mValue, false);
  ParamChanged(index);
  return 1;
}

VstIntPtr IPlugVST::GetChunk(VstInt32 index, void* ptr) {
  if (!ptr) return 0;
  ChunkBuffer& chunk = index == 0 ? mBankChunk : mProgramChunk;
  chunk.Clear();
  if (!chunk.Put((int32_t)GetEffectVersion(true))) return 0;
  if (index == 0) StoreCurrentPreset(nullptr);
  if (!WriteState(&chunk) || chunk.Size() <= 0) return 0;
  *(void**)ptr = chunk.GetBytes();
  return chunk.Size();
}

VstIntPtr IPlugVST::SetChunk(VstInt32 index, VstIntPtr size, void* ptr) {
  if (!ptr || size < 0 || size > INT_MAX) return 0;
  // Copied out first: a host may hand back the very buffer it got from effGetChunk,
  // which resizing would move.
  ChunkBuffer incoming;
  if (size > 0 && !incoming.PutBytes(ptr, (int)size)) return 0;
  ChunkBuffer& chunk = index == 0 ? mBankChunk : mProgramChunk;
  chunk.Clear();
  if (size > 0 && !chunk.PutChunk(incoming)) return 0;

  int32_t version = -1; // stays -1 when fewer than 4 bytes came
  chunk.Get(&version, 0);
  ChunkVersionSeen(version);
  // The parameter block is refused whole when any of it is missing.
  if (ReadState(&chunk, 4) < 0) return 0;
  RefreshEditorParams();
  return 1;
}

VstIntPtr IPlugVST::ProcessEvents(const VstEvents* events) {
  if (!events) return 0;
  // The list really holds numEvents pointers, whatever its declared length.
  const VstEvent* const* list = &events->events[0];
  for (int i = 0; i < events->numEvents; ++i) {
    const VstEvent* event = list[i];
    if (!event) continue;
    if (event->type == kVstMidiType) {
      const VstMidiEvent* midi = (const VstMidiEvent*)event;
      IMidiMsg msg;
      msg.mOffset = midi->deltaFrames;
      msg.mStatus = (unsigned char)midi->midiData[0];
      msg.mData1 = (unsigned char)midi->midiData[1];
      msg.mData2 = (unsigned char)midi->midiData[2];
      HandleMidi(&msg);
    } else if (event->type == kVstSysExType) {
      const VstMidiSysexEvent* sysex = (const VstMidiSysexEvent*)event;
      if (sysex->dumpBytes < 0 || (sysex->dumpBytes > 0 && !sysex->sysexDump)) continue;
      ISysEx msg;
      msg.mOffset = sysex->deltaFrames;
      msg.mSize = sysex->dumpBytes;
      msg.mData = (const unsigned char*)sysex->sysexDump;
      HandleSysEx(&msg);
    }
  }
  return 1;
}

VstIntPtr IPlugVST::GetPinProperties(VstInt32 index, void* ptr, bool input) {
  const int nPins = input ? NInChannels() : NOutChannels();
  if (!ptr || index < 0 || index >= nPins) return 0;
  VstPinProperties* pin = (VstPinProperties*)ptr;
  std::memset(pin, 0, sizeof(*pin));
  pin->flags = kVstPinIsActive;
  if (index % 2 == 0 && index < nPins - 1) pin->flags |= kVstPinIsStereo;
  if (input)
    std::snprintf(pin->label, sizeof(pin->label), "Input %d", index + 1);
  else
    std::snprintf(pin->label, sizeof(pin->label), "Output %d", index + 1);
  return 1;
}

void IPlugVST::SetSpeakerArrangement(const VstSpeakerArrangement* arrangement, bool input) {
  if (!arrangement) return;
  const int nPins = input ? NInChannels() : NOutChannels();
  const int n = arrangement->numChannels; // 0..nPins, checked by the caller
  if (input) {
    SetInputChannelConnections(0, n, true);
    SetInputChannelConnections(n, nPins - n, false);
  } else {
    SetOutputChannelConnections(0, n, true);
    SetOutputChannelConnections(n, nPins - n, false);
  }
}

VstIntPtr IPlugVST::CanDo(const char* text) {
  if (!text) return 0;
  char asked[kHostTextLen];
  ReadHostText(text, asked, kHostTextLen);
  if (!std::strcmp(asked, "receiveVstTimeInfo")) return 1;
  if (mDoesMidi) {
    if ((mDoesMidi & 1) &&
        (!std::strcmp(asked, "sendVstEvents") || !std::strcmp(asked, "sendVstMidiEvent")))
      return 1;
    if (mDoesMidi <= 2 &&
        (!std::strcmp(asked, "receiveVstEvents") || !std::strcmp(asked, "receiveVstMidiEvent")))
      return 1;
  }
  if (!std::strcmp(asked, "hasCockosExtensions")) {
    mCockosFlags |= 1;
    return kCockosAnswer;
  }
  if (!std::strcmp(asked, "hasCockosViewAsConfig")) {
    mCockosFlags |= 2;
    return kCockosAnswer;
  }
  return 0;
}

VstIntPtr IPlugVST::VendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  // The parameter or state-string index travels in `value`, checked before it narrows.
  IParam* param = value >= 0 && value < NParams() ? GetParam((int)value) : nullptr;
  switch (index) {
  case effGetParamDisplay: { // display text of a given normalised value
    if (!param || !ptr) return 0;
    char text[kParamTextLen];
    param->FormatDisplay(ClampNormalized(opt), true, text);
    CopyToHost(ptr, text, kParamTextLen);
    return kCockosDone;
  }
  case effGetParamName: // how many display texts an enumerated parameter has
    if (!param || param->Type() == IParam::kParamDouble || param->Type() == IParam::kParamInt)
      return 0;
    if (ptr) {
      const int32_t count = param->DisplayTextCount();
      std::memcpy(ptr, &count, sizeof(count));
    }
    return kCockosDone;
  case effString2Parameter: { // a typed text turned into the normalised value it means
    if (!param || !ptr) return 0;
    char text[kHostTextLen];
    ReadHostText(ptr, text, kHostTextLen);
    if (text[0]) {
      char number[64];
      std::snprintf(number, sizeof(number), "%.17f",
                    param->ToNormalized(param->ValueFromText(text)));
      CopyToHost(ptr, number, kNormalizedTextLen);
    }
    return kCockosDone;
  }
  case effGetParameterProperties: { // an extra state string, restored or asked for
    if (value < 0 || value >= mNStateStrings || !ptr) return 0;
    char text[kHostTextLen];
    ReadHostText(ptr, text, kHostTextLen);
    if (text[0])
      StateStringRestored((int)value, text);
    else
      CopyToHost(ptr, mStateStrings[value].Get(), kHostTextLen);
    return kCockosDone;
  }
  case effGetVstVersion: // the version of the chunk the host is about to hand over
    if (value >= INT_MIN && value <= INT_MAX) ChunkVersionSeen((int)value);
    return 0;
  default:
    // A wheel event the host forwards to the editor ('stCA' with 'Whee'), delta in opt.
    if (index == kVendorWheelIndex && value == kVendorWheelValue)
      return mGraphics ? mGraphics->ProcessMouseWheel(opt) : 0;
    return 0;
  }
}

// ---- Host-facing operations -------------------------------------------------------------------

VstIntPtr IPlugVST::CallHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt) {
  return mHostCallback ? mHostCallback(&mAEffect, opcode, index, value, ptr, opt) : 0;
}

IHostTime IPlugVST::ReadHostTime() {
  IHostTime t;
  const VstTimeInfo* time = (const VstTimeInfo*)CallHost(
      audioMasterGetTime, 0, kVstTempoValid | kVstPpqPosValid | kVstTimeSigValid);
  if (!time) return t;
  // Rounded to the nearest frame; negative and absurd positions read as 0.
  if (time->samplePos >= 0.0 && time->samplePos < 9.0e18)
    t.mSamplePos = (int64_t)(time->samplePos + 0.5);
  if ((time->flags & kVstTempoValid) && time->tempo >= 0.0 && std::isfinite(time->tempo))
    t.mTempo = time->tempo;
  t.mHasBeats = (time->flags & kVstPpqPosValid) && std::isfinite(time->ppqPos);
  if (t.mHasBeats) t.mBeats = time->ppqPos;
  t.mPlaying = (time->flags & (kVstTransportPlaying | kVstTransportRecording)) != 0;
  if ((time->flags & kVstTimeSigValid) && time->timeSigNumerator >= 0 &&
      time->timeSigDenominator >= 0) {
    t.mTimeSigNumerator = time->timeSigNumerator;
    t.mTimeSigDenominator = time->timeSigDenominator;
  }
  t.mHasLoop = (time->flags & kVstCyclePosValid) && std::isfinite(time->cycleStartPos) &&
               std::isfinite(time->cycleEndPos);
  if (t.mHasLoop) {
    t.mLoopStart = time->cycleStartPos;
    t.mLoopEnd = time->cycleEndPos;
  }
  return t;
}

void IPlugVST::HostBeginEdit(int paramIdx) {
  FlushPendingEndEdit();
  CallHost(audioMasterBeginEdit, paramIdx);
}

void IPlugVST::HostSetParam(int paramIdx, double normalizedValue) {
  CallHost(audioMasterAutomate, paramIdx, 0, nullptr, (float)normalizedValue);
}

void IPlugVST::HostEndEdit(int paramIdx) { CallHost(audioMasterEndEdit, paramIdx); }

void IPlugVST::HostProgramChanged() { CallHost(audioMasterUpdateDisplay); }

uint32_t IPlugVST::ProcessorClock() const { return RealTimeProcessorClock(); }

int IPlugVST::HostId() {
  if (mHost == kHostUninit) {
    char name[256];
    std::memset(name, 0, sizeof(name));
    CallHost(audioMasterGetProductString, 0, 0, name);
    name[sizeof(name) - 1] = 0;
    const int version = name[0] ? PackVendorVersion(CallHost(audioMasterGetVendorVersion)) : 0;
    SetHost(name, version);
  }
  return mHost;
}

void IPlugVST::InitForHost() {
  if (mHostInitDone) return;
  mHostInitDone = true;
  const int host = HostId();
  if (host == kHostForte || host == kHostAudition || host == kHostOrion || host == kHostSAWStudio) {
    // These hosts connect only the first stereo pair of inputs.
    if (NInChannels() > 2) SetInputChannelConnections(2, NInChannels() - 2, false);
    if (NOutChannels() > 2) SetOutputChannelConnections(2, NOutChannels() - 2, true);
  }
  mAEffect.numInputs = mInputSpeakers.numChannels = NInChannels();
  mAEffect.numOutputs = mOutputSpeakers.numChannels = NOutChannels();
}

void IPlugVST::AttachEditor(IGraphics* graphics) {
  IPlugBase::AttachEditor(graphics);
  if (!mGraphics) return;
  if (kEditorWindows) mAEffect.flags |= effFlagsHasEditor;
  EditorResized();
}

void IPlugVST::EditorResized() {
  std::memset(&mEditRect, 0, sizeof(mEditRect));
  if (!mGraphics) return;
  mEditRect.bottom = (VstInt16)mGraphics->DeviceHeight();
  mEditRect.right = (VstInt16)mGraphics->DeviceWidth();
  // A new scale while the window is open (or opening: the desktop's scale is known once
  // the window is there): the host's frame must follow.
  if (mGraphics->GetWindow())
    CallHost(audioMasterSizeWindow, mGraphics->DeviceWidth(), mGraphics->DeviceHeight());
}

void IPlugVST::SetLatency(int samples) {
  IPlugBase::SetLatency(samples);
  mAEffect.initialDelay = samples;
}

bool IPlugVST::SendMidi(IMidiMsg* msg) {
  if (!msg) return false;
  VstMidiEvent event;
  std::memset(&event, 0, sizeof(event));
  event.type = kVstMidiType;
  event.byteSize = (VstInt32)sizeof(event);
  event.deltaFrames = msg->mOffset;
  event.midiData[0] = (char)msg->mStatus;
  event.midiData[1] = (char)msg->mData1;
  event.midiData[2] = (char)msg->mData2;
  VstEvents list;
  std::memset(&list, 0, sizeof(list));
  list.numEvents = 1;
  list.events[0] = (VstEvent*)&event;
  return CallHost(audioMasterProcessEvents, 0, 0, &list) == 1;
}

bool IPlugVST::SendSysEx(ISysEx* msg) {
  if (!msg || msg->mSize < 0 || (msg->mSize > 0 && !msg->mData)) return false;
  VstMidiSysexEvent event;
  std::memset(&event, 0, sizeof(event));
  event.type = kVstSysExType;
  event.byteSize = (VstInt32)sizeof(event); // 32 on 32-bit builds, 48 on 64-bit ones
  event.deltaFrames = msg->mOffset;
  event.dumpBytes = msg->mSize;
  event.sysexDump = (char*)msg->mData;
  VstEvents list;
  std::memset(&list, 0, sizeof(list));
  list.numEvents = 1;
  list.events[0] = (VstEvent*)&event;
  return CallHost(audioMasterProcessEvents, 0, 0, &list) == 1;
}
