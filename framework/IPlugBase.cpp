#include "IPlugBase.h"

#include "IGraphics.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {
void CopyName(char* dest, const char* src) { std::snprintf(dest, 128, "%s", src ? src : ""); }
} // namespace

IPlugBase::IPlugBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName,
                     const char* productName, const char* mfrName, int vendorVersion, int uniqueID,
                     int mfrID, int latency, int doesMidi, bool doesChunks, bool isInstrument)
    : mUniqueID(uniqueID), mMfrID(mfrID), mVersion(vendorVersion), mDoesChunks(doesChunks),
      mIsInstrument(isInstrument), mDoesMidi(doesMidi), mLatency(latency) {
  for (int i = 0; i < nParams; ++i)
    mParams.Add(new IParam);
  for (int i = 0; i < nPresets; ++i)
    mPresets.Add(new IPreset(i + 1));
  CopyName(mEffectName, effectName);
  CopyName(mProductName, productName);
  CopyName(mMfrName, mfrName);
  ParseChannelIO(channelIOStr);
  mSliceFloatIn.Resize(NInChannels());
  mSliceFloatOut.Resize(NOutChannels());
  mSliceDoubleIn.Resize(NInChannels());
  mSliceDoubleOut.Resize(NOutChannels());
}

IPlugBase::~IPlugBase() {
  delete mGraphics;
  mGraphics = nullptr;
  delete[] mStateStrings;
}

void IPlugBase::ParseChannelIO(const char* str) {
  int maxIn = 0, maxOut = 0;
  const char* p = str ? str : "";
  for (;;) {
    int nIn = 0, nOut = 0;
    // A field that fails to scan counts as 0.
    if (std::sscanf(p, "%d-%d", &nIn, &nOut) < 2) nOut = 0;
    if (nIn < 0) nIn = 0;
    if (nOut < 0) nOut = 0;
    mChannelIO.Add(new ChannelIO{nIn, nOut});
    if (nIn > maxIn) maxIn = nIn;
    if (nOut > maxOut) maxOut = nOut;
    const char* space = std::strchr(p, ' ');
    if (!space) break;
    p = space + 1;
  }

  mInData.Resize(maxIn);
  mOutData.Resize(maxOut);
  mFloatInData.Resize(maxIn);
  mFloatOutData.Resize(maxOut);
  for (int i = 0; i < maxIn; ++i) {
    InChannel* ch = new InChannel;
    ch->mSrc = mInData.Get() + i;
    *ch->mSrc = nullptr;
    mInChannels.Add(ch);
  }
  for (int i = 0; i < maxOut; ++i) {
    OutChannel* ch = new OutChannel;
    ch->mDest = mOutData.Get() + i;
    *ch->mDest = nullptr;
    mOutChannels.Add(ch);
  }
}

// ---- Default hooks ----------------------------------------------------------------------------

void IPlugBase::Reset() { WDL_MutexLock lock(&mMutex); }
void IPlugBase::ParamChanged(int) { WDL_MutexLock lock(&mMutex); }
void IPlugBase::ProcessBlock(double** inputs, double** outputs, int nFrames) {
  DefaultProcessBlock(inputs, outputs, nFrames);
}
void IPlugBase::EditorOpened() { WDL_MutexLock lock(&mMutex); }
void IPlugBase::EditorClosed() { WDL_MutexLock lock(&mMutex); }
void IPlugBase::BeforeClose() { WDL_MutexLock lock(&mMutex); }
void IPlugBase::SetActive(bool) { WDL_MutexLock lock(&mMutex); }
void IPlugBase::HandleMidi(IMidiMsg*) { WDL_MutexLock lock(&mMutex); }
void IPlugBase::HandleSysEx(ISysEx*) { WDL_MutexLock lock(&mMutex); }
bool IPlugBase::MidiKeyName(int, char* outName) {
  if (outName) outName[0] = 0;
  return false;
}
bool IPlugBase::WriteState(ChunkBuffer* chunk) { return WriteParams(chunk); }
int IPlugBase::ReadState(ChunkBuffer* chunk, int pos) { return ReadParams(chunk, pos); }
void IPlugBase::StateStringRestored(int, const char*) { WDL_MutexLock lock(&mMutex); }
void IPlugBase::ChunkVersionSeen(int) { WDL_MutexLock lock(&mMutex); }
bool IPlugBase::AcceptRestoredValue(int) { return true; }
void IPlugBase::SetLatency(int samples) { mLatency = samples; }
bool IPlugBase::SendMidi(IMidiMsg*) { return false; }
bool IPlugBase::SendSysEx(ISysEx*) { return false; }
bool IPlugBase::SendMidiList(IMidiMsg* msgs, int count) {
  bool allSent = true;
  for (int i = 0; i < count; ++i)
    allSent = SendMidi(&msgs[i]) && allSent;
  return allSent;
}

void IPlugBase::DefaultProcessBlock(double** inputs, double** outputs, int nFrames) {
  const int nIn = NInChannels(), nOut = NOutChannels();
  const int n = nIn < nOut ? nIn : nOut;
  for (int ch = 0; ch < nOut; ++ch) {
    double* out = outputs[ch];
    if (!out) continue;
    const double* in = ch < n ? inputs[ch] : nullptr;
    for (int i = 0; i < nFrames; ++i)
      out[i] = in ? in[i] : 0.0;
  }
}

// ---- Parameters -------------------------------------------------------------------------------

void IPlugBase::AddExtraParams(int n) {
  if (n < 0) n = 0;
  mNExtraParams = n;
  for (int i = 0; i < n; ++i)
    mParams.Add(new IParam);
}

void IPlugBase::NotifyAllParams() {
  WDL_MutexLock lock(&mMutex);
  for (int i = 0; i < NParams(); ++i)
    ParamChanged(i);
}

void IPlugBase::SetParamFromEditor(int paramIdx, double normalizedValue) {
  WDL_MutexLock lock(&mMutex);
  IParam* param = GetParam(paramIdx);
  if (!param) return;
  param->SetNormalized(normalizedValue);
  HostSetParam(paramIdx, normalizedValue);
  ParamChanged(paramIdx);
}

void IPlugBase::HostBeginEditOnce(int paramIdx) {
  WDL_MutexLock lock(&mMutex);
  if (paramIdx != mPendingEndEditIdx) HostBeginEdit(paramIdx);
}

void IPlugBase::DeferHostEndEdit(int paramIdx) {
  WDL_MutexLock lock(&mMutex);
  if (mGraphics) {
    mPendingEndEditIdx = paramIdx;
    int ticks = mGraphics->FPS() / 2;
    mGraphics->SetParamChangeTimer(ticks < 1 ? 1 : ticks);
  } else {
    HostEndEdit(paramIdx);
  }
}

void IPlugBase::FlushPendingEndEdit() {
  WDL_MutexLock lock(&mMutex);
  if (mGraphics) mGraphics->CancelParamChangeTimer();
  if (mPendingEndEditIdx >= 0) {
    const int idx = mPendingEndEditIdx;
    mPendingEndEditIdx = -1;
    HostEndEdit(idx);
  }
}

// ---- Editor -----------------------------------------------------------------------------------

void IPlugBase::AttachEditor(IGraphics* graphics) {
  if (!graphics) return;
  WDL_MutexLock lock(&mMutex);
  for (int i = 0; i < NParams(); ++i)
    graphics->SetParameterFromPlug(i, GetParam(i)->GetNormalized(), true);
  graphics->PrepareDrawing();
  // The base owns its editor: one attached in place of another replaces it.
  if (mGraphics != graphics) delete mGraphics;
  mGraphics = graphics;
}

void IPlugBase::RefreshEditorParams() {
  WDL_MutexLock lock(&mMutex);
  if (!mGraphics) return;
  for (int i = 0; i < NParams(); ++i)
    mGraphics->SetParameterFromPlug(i, GetParam(i)->mValue, false);
}

// ---- Identity and host ------------------------------------------------------------------------

int IPlugBase::GetEffectVersion(bool decimal) const {
  if (!decimal) return mVersion;
  return (mVersion >> 16) * 10000 + ((mVersion >> 8) & 0xff) * 100 + (mVersion & 0xff);
}

void IPlugBase::GetEffectVersionString(char* out) const {
  std::snprintf(out, 32, "v%d.%02d", mVersion >> 16, (mVersion >> 8) & 0xff);
}

void IPlugBase::SetHost(const char* name, int version) {
  mHost = LookUpHost(name);
  mHostVersion = version;
}

int IPlugBase::LookUpHost(const char* name) {
  static const struct {
    const char* text;
    int id;
  } kHosts[] = {
      {"brainwaveproducer", kHostBrainwave},
      {"cubase", kHostCubase},
      {"reaper", kHostReaper},
      {"nuendo", kHostNuendo},
      {"cakewalk", kHostSonar},
      {"samplitude", kHostSamplitude},
      {"fruity", kHostFL},
      {"live", kHostAbletonLive},
      {"melodyne", kHostMelodyneStudio},
      {"vstmanlib", kHostVSTScanner},
      {"aulab", kHostAULab},
      {"forte", kHostForte},
      {"chainer", kHostChainer},
      {"audition", kHostAudition},
      {"orion", kHostOrion},
      {"sawstudio", kHostSAWStudio},
      {"logic", kHostLogic},
      {"digital", kHostDigitalPerformer},
      {"audiomulch", kHostAudioMulch},
      {"presonus", kHostStudioOne},
      {"acoustica", kHostAcoustica},
      {"garageband", kHostGarageBand},
      {"ardour", kHostArdour},
  };
  // Host names come from the host: bounded here, not trusted to be short.
  char lower[256];
  int n = 0;
  for (; name && name[n] && n < (int)sizeof(lower) - 1; ++n)
    lower[n] = (char)std::tolower((unsigned char)name[n]);
  lower[n] = 0;
  for (const auto& host : kHosts)
    if (std::strstr(lower, host.text)) return host.id;
  return kHostUnknown;
}

double IPlugBase::SamplesPerBeat() {
  const double tempo = HostTempo();
  return tempo > 0.0 ? mSampleRate * 60.0 / tempo : 0.0;
}

// ---- Audio plumbing ---------------------------------------------------------------------------

bool IPlugBase::IsInChannelConnected(int ch) const {
  const InChannel* c = mInChannels.Get(ch);
  return c && c->mConnected;
}

bool IPlugBase::IsOutChannelConnected(int ch) const {
  const OutChannel* c = mOutChannels.Get(ch);
  return c && c->mConnected;
}

bool IPlugBase::LegalIO(int nIn, int nOut) const {
  for (int i = 0; i < mChannelIO.GetSize(); ++i) {
    const ChannelIO* io = mChannelIO.Get(i);
    if ((nIn < 0 || nIn == io->mIn) && (nOut < 0 || nOut == io->mOut)) return true;
  }
  return false;
}

void IPlugBase::SetInputChannelConnections(int first, int count, bool connected) {
  if (first < 0) return;
  for (int i = first; i < first + count && i < NInChannels(); ++i) {
    InChannel* ch = mInChannels.Get(i);
    // An unconnected input reads silence, not what its scratch buffer last converted.
    if (ch->mConnected && !connected && ch->mScratch.GetSize() > 0)
      std::memset(ch->mScratch.Get(), 0, sizeof(double) * ch->mScratch.GetSize());
    ch->mConnected = connected;
    if (!connected) *ch->mSrc = ch->mScratch.Get();
  }
}

void IPlugBase::SetOutputChannelConnections(int first, int count, bool connected) {
  if (first < 0) return;
  for (int i = first; i < first + count && i < NOutChannels(); ++i) {
    OutChannel* ch = mOutChannels.Get(i);
    ch->mConnected = connected;
    if (!connected) *ch->mDest = ch->mScratch.Get();
  }
}

void IPlugBase::SetBlockSize(int nFrames) {
  if (nFrames == mBlockSize || nFrames < 0) return;
  for (int i = 0; i < NInChannels(); ++i) {
    InChannel* ch = mInChannels.Get(i);
    if (ch->mScratch.Resize(nFrames)) std::memset(ch->mScratch.Get(), 0, sizeof(double) * nFrames);
    if (!ch->mConnected) *ch->mSrc = ch->mScratch.Get();
  }
  for (int i = 0; i < NOutChannels(); ++i) {
    OutChannel* ch = mOutChannels.Get(i);
    if (ch->mScratch.Resize(nFrames)) std::memset(ch->mScratch.Get(), 0, sizeof(double) * nFrames);
    if (!ch->mConnected) *ch->mDest = ch->mScratch.Get();
  }
  mBlockSize = nFrames;
}

void IPlugBase::AttachInputBuffers(int first, int count, double** ppData, int) {
  int k = 0;
  for (int i = first; i >= 0 && i < first + count && i < NInChannels(); ++i) {
    InChannel* ch = mInChannels.Get(i);
    if (!ch->mConnected) continue;
    *ch->mSrc = ppData[k++];
    ch->mFSrc = nullptr;
  }
}

void IPlugBase::AttachInputBuffers(int first, int count, float** ppData, int) {
  int k = 0;
  for (int i = first; i >= 0 && i < first + count && i < NInChannels(); ++i) {
    InChannel* ch = mInChannels.Get(i);
    if (!ch->mConnected) continue;
    ch->mFSrc = ppData[k++];
    *ch->mSrc = ch->mScratch.Get();
  }
}

void IPlugBase::AttachOutputBuffers(int first, int count, double** ppData) {
  int k = 0;
  for (int i = first; i >= 0 && i < first + count && i < NOutChannels(); ++i) {
    OutChannel* ch = mOutChannels.Get(i);
    if (ch->mConnected) *ch->mDest = ppData[k++];
  }
}

void IPlugBase::AttachOutputBuffers(int first, int count, float** ppData) {
  int k = 0;
  for (int i = first; i >= 0 && i < first + count && i < NOutChannels(); ++i) {
    OutChannel* ch = mOutChannels.Get(i);
    if (!ch->mConnected) continue;
    *ch->mDest = ch->mScratch.Get();
    ch->mFDest = ppData[k++];
  }
}

void IPlugBase::ConvertFloatInputs(int nFrames) {
  for (int i = 0; i < NInChannels(); ++i) {
    InChannel* ch = mInChannels.Get(i);
    if (!ch->mConnected || !ch->mFSrc) continue;
    // Never more frames than the scratch buffer holds.
    const int n = nFrames < ch->mScratch.GetSize() ? nFrames : ch->mScratch.GetSize();
    const float* src = ch->mFSrc;
    double* dest = ch->mScratch.Get();
    for (int s = 0; s < n; ++s)
      dest[s] = (double)src[s];
    ch->mFSrc = nullptr;
  }
}

bool IPlugBase::GatherFloatBuffers() {
  for (int i = 0; i < NInChannels(); ++i) {
    const InChannel* ch = mInChannels.Get(i);
    if (!ch->mConnected || !ch->mFSrc) return false;
    mFloatInData.Get()[i] = const_cast<float*>(ch->mFSrc);
  }
  for (int i = 0; i < NOutChannels(); ++i) {
    const OutChannel* ch = mOutChannels.Get(i);
    if (!ch->mConnected || !ch->mFDest) return false;
    mFloatOutData.Get()[i] = ch->mFDest;
  }
  return true;
}

bool IPlugBase::ProcessFloatBlock(float**, float**, int) { return false; }

void IPlugBase::ConvertFloatOutputs(int nFrames, bool accumulate) {
  for (int i = 0; i < NOutChannels(); ++i) {
    OutChannel* ch = mOutChannels.Get(i);
    if (!ch->mConnected || !ch->mFDest) continue;
    const int n = nFrames < ch->mScratch.GetSize() ? nFrames : ch->mScratch.GetSize();
    const double* src = ch->mScratch.Get();
    float* dest = ch->mFDest;
    if (accumulate)
      for (int s = 0; s < n; ++s)
        dest[s] += (float)src[s];
    else
      for (int s = 0; s < n; ++s)
        dest[s] = (float)src[s];
  }
}

void IPlugBase::ProcessBuffers(double, int nFrames) {
  if (nFrames > mBlockSize) nFrames = mBlockSize; // unconnected channels use the scratch buffers
  if (mReadyToProcess) ProcessBlock(mInData.Get(), mOutData.Get(), nFrames);
}

void IPlugBase::ProcessBuffers(float, int nFrames) {
  if (nFrames > mBlockSize) nFrames = mBlockSize; // the scratch buffers hold mBlockSize frames
  if (mReadyToProcess && GatherFloatBuffers()) {
    const bool done = ProcessFloatBlock(mFloatInData.Get(), mFloatOutData.Get(), nFrames);
    if (done) {
      for (int i = 0; i < NInChannels(); ++i)
        mInChannels.Get(i)->mFSrc = nullptr;
      return;
    }
  }
  ConvertFloatInputs(nFrames);
  if (mReadyToProcess) ProcessBlock(mInData.Get(), mOutData.Get(), nFrames);
  ConvertFloatOutputs(nFrames, false);
}

void IPlugBase::ProcessBuffersAccumulating(float, int nFrames) {
  if (nFrames > mBlockSize) nFrames = mBlockSize;
  ConvertFloatInputs(nFrames);
  if (mReadyToProcess) ProcessBlock(mInData.Get(), mOutData.Get(), nFrames);
  ConvertFloatOutputs(nFrames, true);
}

void IPlugBase::PassThroughBuffers(float, int nFrames) {
  if (nFrames > mBlockSize) nFrames = mBlockSize;
  ConvertFloatInputs(nFrames);
  DefaultProcessBlock(mInData.Get(), mOutData.Get(), nFrames);
  ConvertFloatOutputs(nFrames, false);
}
