// The CLAP adapter's life cycle, its answers to get_extension and the output queue through
// which edits reach the host. Processing is in ClapProcess.cpp, the extensions in files of
// their own.
#include "IPlugCLAP.h"

#include "ClapExtensions.h"
#include "IGraphics.h"
#include "ProcessorClock.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

namespace {
template <class T> const T* HostExtension(const clapabi::Host* host, const char* id) {
  return host && host->get_extension ? (const T*)host->get_extension(host, id) : nullptr;
}

// A host's version text "a.b.c" in the decimal form a·10000 + b·100 + c; 0 when absent.
int HostVersionNumber(const char* text) {
  if (!text) return 0;
  int parts[3] = {0, 0, 0};
  std::sscanf(text, "%d.%d.%d", &parts[0], &parts[1], &parts[2]);
  for (int& p : parts)
    if (p < 0 || p > 99) p = 0;
  return parts[0] * 10000 + parts[1] * 100 + parts[2];
}
} // namespace

IPlugCLAP::IPlugCLAP(IPlugInstanceInfo instanceInfo, int nParams, const char* channelIOStr,
                     int nPresets, const char* effectName, const char* productName,
                     const char* mfrName, int vendorVersion, int uniqueID, int mfrID, int latency,
                     int doesMidi, bool doesChunks, bool isInstrument)
    : IPlugBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, vendorVersion,
                uniqueID, mfrID, latency, doesMidi, doesChunks, isInstrument),
      mClapHost(instanceInfo.mClapHost) {
  std::memset(&mPlugin, 0, sizeof(mPlugin));
  mPlugin.plugin_data = this;
  mPlugin.init = ClapInit;
  mPlugin.destroy = ClapDestroy;
  mPlugin.activate = ClapActivate;
  mPlugin.deactivate = ClapDeactivate;
  mPlugin.start_processing = ClapStartProcessing;
  mPlugin.stop_processing = ClapStopProcessing;
  mPlugin.reset = ClapReset;
  mPlugin.process = ClapProcess;
  mPlugin.get_extension = ClapGetExtension;
  mPlugin.on_main_thread = ClapOnMainThread;
  SetInputChannelConnections(0, NInChannels(), true);
  SetOutputChannelConnections(0, NOutChannels(), true);
  SetBlockSize(1024);
}

IPlugCLAP::~IPlugCLAP() {
  delete[] mDefaults;
  delete[] mGestureOpen;
  delete[] mGestureHasValue;
}

const clapabi::Plugin* IPlugCLAP::CreatePlugin(const clapabi::Host* host,
                                               const clapabi::PluginDescriptor* desc,
                                               CreateInstanceProc create) {
  if (!host || !desc || !create) return nullptr;
  if (!clapabi::VersionIsCompatible(host->clap_version)) return nullptr;
  IPlugInstanceInfo info;
  info.mClapHost = host;
  IPlugCLAP* plug = create(info);
  if (!plug) return nullptr;
  // The parameter list is complete once the plug-in class is constructed: what it holds
  // now are the defaults.
  const int n = plug->NParams();
  plug->mDefaults = new (std::nothrow) double[n > 0 ? n : 1];
  plug->mGestureOpen = new (std::nothrow) bool[n > 0 ? n : 1]();
  plug->mGestureHasValue = new (std::nothrow) bool[n > 0 ? n : 1]();
  if (!plug->mDefaults || !plug->mGestureOpen || !plug->mGestureHasValue) {
    delete plug;
    return nullptr;
  }
  for (int i = 0; i < n; ++i)
    plug->mDefaults[i] = plug->GetParam(i)->Value();
  while (plug->mNPrograms < plug->NPresets() && plug->mPresets.Get(plug->mNPrograms)->mInitialized)
    ++plug->mNPrograms;
  // A preset chosen in a block stores the sound of the slot it leaves, on the audio thread:
  // every slot's storage is made here, so that storing never allocates there.
  for (int i = 0; i < plug->mNPrograms; ++i) {
    ChunkBuffer& chunk = plug->mPresets.Get(i)->mChunk;
    const int size = chunk.Size();
    chunk.Resize(size + 1);
    chunk.Resize(size);
  }
  plug->mPlugin.desc = desc;
  return &plug->mPlugin;
}

IPlugCLAP* IPlugCLAP::Instance(const clapabi::Plugin* plugin) {
  return plugin ? (IPlugCLAP*)plugin->plugin_data : nullptr;
}

// ---- Life cycle ---------------------------------------------------------------------------------

bool CLAPABI_CALL IPlugCLAP::ClapInit(const clapabi::Plugin* plugin) {
  IPlugCLAP* plug = Instance(plugin);
  if (!plug) return false;
  WDL_MutexLock lock(&plug->mMutex);
  if (plug->mInitDone) return true;
  plug->mInitDone = true;
  // Every extension may be missing (a scanner's host answers none).
  plug->mHostParams = HostExtension<clapabi::HostParams>(plug->mClapHost, clapabi::kExtParams);
  plug->mHostState = HostExtension<clapabi::HostState>(plug->mClapHost, clapabi::kExtState);
  plug->mHostThreadCheck =
      HostExtension<clapabi::HostThreadCheck>(plug->mClapHost, clapabi::kExtThreadCheck);
  plug->mHostLog = HostExtension<clapabi::HostLog>(plug->mClapHost, clapabi::kExtLog);
  plug->mHostGui = HostExtension<clapabi::HostGui>(plug->mClapHost, clapabi::kExtGui);
  plug->mHostTimers =
      HostExtension<clapabi::HostTimerSupport>(plug->mClapHost, clapabi::kExtTimerSupport);
  plug->mHostFds =
      HostExtension<clapabi::HostPosixFdSupport>(plug->mClapHost, clapabi::kExtPosixFdSupport);
  plug->InitForHost();
  plug->NotifyAllParams();
  return true;
}

void CLAPABI_CALL IPlugCLAP::ClapDestroy(const clapabi::Plugin* plugin) {
  IPlugCLAP* plug = Instance(plugin);
  if (!plug) return;
  plug->CheckThread(false, "destroy");
  // A host that forgot to destroy the editor: its window, timer and fd go now.
  if (plug->mGuiCreated && kClapGui) kClapGui->destroy(plugin);
  {
    WDL_MutexLock lock(&plug->mMutex);
    // A host that destroys an active instance broke the rules; it is deactivated first.
    if (plug->mActive) {
      plug->Log(clapabi::kLogHostMisbehaving, "destroy while active");
      plug->SetActive(false);
      plug->mActive = false;
    }
    plug->BeforeClose();
  }
  delete plug;
}

bool CLAPABI_CALL IPlugCLAP::ClapActivate(const clapabi::Plugin* plugin, double sampleRate,
                                          uint32_t minFrames, uint32_t maxFrames) {
  IPlugCLAP* plug = Instance(plugin);
  if (!plug) return false;
  plug->CheckThread(false, "activate");
  WDL_MutexLock lock(&plug->mMutex);
  (void)minFrames; // blocks below it come anyway (loop boundaries): only the maximum counts
  if (plug->mActive || !(sampleRate > 0.0) || !std::isfinite(sampleRate) || maxFrames < 1)
    return false;
  plug->SetSampleRate(sampleRate);
  plug->SetBlockSize(maxFrames > (uint32_t)kMaxBlockSize ? kMaxBlockSize : (int)maxFrames);
  plug->Reset();
  plug->SetActive(true);
  plug->mActive = true;
  plug->mHaveCountedTime = false;
  return true;
}

void CLAPABI_CALL IPlugCLAP::ClapDeactivate(const clapabi::Plugin* plugin) {
  IPlugCLAP* plug = Instance(plugin);
  if (!plug) return;
  plug->CheckThread(false, "deactivate");
  WDL_MutexLock lock(&plug->mMutex);
  if (!plug->mActive) return;
  plug->SetActive(false);
  plug->Reset();
  plug->mActive = false;
  plug->mProcessing = false;
}

bool CLAPABI_CALL IPlugCLAP::ClapStartProcessing(const clapabi::Plugin* plugin) {
  IPlugCLAP* plug = Instance(plugin);
  if (!plug) return false;
  plug->CheckThread(true, "start_processing");
  WDL_MutexLock lock(&plug->mMutex);
  if (!plug->mActive) return false;
  plug->SetActive(true);
  plug->mProcessing = true;
  return true;
}

void CLAPABI_CALL IPlugCLAP::ClapStopProcessing(const clapabi::Plugin* plugin) {
  IPlugCLAP* plug = Instance(plugin);
  if (!plug) return;
  plug->CheckThread(true, "stop_processing");
  WDL_MutexLock lock(&plug->mMutex);
  if (!plug->mProcessing) return;
  plug->SetActive(false);
  plug->mProcessing = false;
}

void CLAPABI_CALL IPlugCLAP::ClapReset(const clapabi::Plugin* plugin) {
  IPlugCLAP* plug = Instance(plugin);
  if (!plug) return;
  plug->CheckThread(true, "reset");
  WDL_MutexLock lock(&plug->mMutex);
  if (!plug->mActive) return;
  plug->Reset();
  plug->mHaveCountedTime = false;
}

int32_t CLAPABI_CALL IPlugCLAP::ClapProcess(const clapabi::Plugin* plugin,
                                            const clapabi::Process* process) {
  IPlugCLAP* plug = Instance(plugin);
  if (!plug) return clapabi::kProcessError;
  plug->CheckThread(true, "process");
  WDL_MutexLock lock(&plug->mMutex);
  return plug->Process(process);
}

const void* CLAPABI_CALL IPlugCLAP::ClapGetExtension(const clapabi::Plugin* plugin,
                                                     const char* id) {
  if (!Instance(plugin) || !id) return nullptr;
  if (!std::strcmp(id, clapabi::kExtAudioPorts)) return &kClapAudioPorts;
  if (!std::strcmp(id, clapabi::kExtParams)) return &kClapParams;
  if (!std::strcmp(id, clapabi::kExtState)) return &kClapState;
  if (!std::strcmp(id, clapabi::kExtLatency)) return &kClapLatency;
  if (!std::strcmp(id, clapabi::kExtGui)) return kClapGui;
  if (!std::strcmp(id, clapabi::kExtTimerSupport)) return kClapTimerSupport;
  if (!std::strcmp(id, clapabi::kExtPosixFdSupport)) return kClapPosixFdSupport;
  return nullptr;
}

void CLAPABI_CALL IPlugCLAP::ClapOnMainThread(const clapabi::Plugin* plugin) {
  IPlugCLAP* plug = Instance(plugin);
  if (!plug) return;
  WDL_MutexLock lock(&plug->mMutex);
  plug->MarkDirtyIfPending();
}

// ---- Threads and the host's services ----------------------------------------------------------

bool IPlugCLAP::OnMainThread() const {
  return !mHostThreadCheck || !mHostThreadCheck->is_main_thread ||
         mHostThreadCheck->is_main_thread(mClapHost);
}

bool IPlugCLAP::OnAudioThread() const {
  return !mHostThreadCheck || !mHostThreadCheck->is_audio_thread ||
         mHostThreadCheck->is_audio_thread(mClapHost);
}

void IPlugCLAP::Log(int32_t severity, const char* message) const {
  if (mHostLog && mHostLog->log) mHostLog->log(mClapHost, severity, message);
}

void IPlugCLAP::CheckThread(bool audio, const char* call) const {
#ifndef NDEBUG
  if (!mHostThreadCheck) return;
  if (audio ? OnAudioThread() : OnMainThread()) return;
  char message[128];
  std::snprintf(message, sizeof(message), "Corvanel: %s called off the %s thread", call,
                audio ? "audio" : "main");
  Log(clapabi::kLogHostMisbehaving, message);
#else
  (void)audio;
  (void)call;
#endif
}

void IPlugCLAP::MarkDirtyIfPending() {
  if (!mDirtyPending) return;
  mDirtyPending = false;
  if (mHostState && mHostState->mark_dirty) mHostState->mark_dirty(mClapHost);
}

// ---- Output towards the host ---------------------------------------------------------------------

void IPlugCLAP::QueueOut(uint16_t type, int paramIdx, double value, uint32_t flags) {
  if (mNPendingOut >= kMaxPendingOut) {
    // A host that never processes nor flushes: the oldest edits are dropped, not the newest.
    std::memmove(mPendingOut, mPendingOut + 1, sizeof(PendingOut) * (kMaxPendingOut - 1));
    --mNPendingOut;
  }
  mPendingOut[mNPendingOut++] = {type, paramIdx, value, flags};
  // While processing the next block takes it out; otherwise the host is asked for a flush
  // (from the main thread only: the audio thread pushes its own at the end of the block).
  if (!mInAudioCall && !mProcessing && !mFlushRequested && mHostParams &&
      mHostParams->request_flush) {
    mFlushRequested = true;
    mHostParams->request_flush(mClapHost);
  }
}

void IPlugCLAP::PushPendingOut(const clapabi::OutputEvents* out) {
  if (!out || !out->try_push) return;
  int pushed = 0;
  for (; pushed < mNPendingOut; ++pushed) {
    const PendingOut& p = mPendingOut[pushed];
    bool taken;
    if (p.mType == clapabi::kEventParamValue) {
      clapabi::EventParamValue e;
      std::memset(&e, 0, sizeof(e));
      e.header = {(uint32_t)sizeof(e), 0, clapabi::kCoreEventSpace, p.mType, p.mFlags};
      e.param_id = (clapabi::Id)p.mParamIdx;
      e.note_id = -1;
      e.port_index = e.channel = e.key = -1;
      e.value = p.mValue;
      taken = out->try_push(out, &e.header);
    } else {
      clapabi::EventParamGesture e;
      std::memset(&e, 0, sizeof(e));
      e.header = {(uint32_t)sizeof(e), 0, clapabi::kCoreEventSpace, p.mType, p.mFlags};
      e.param_id = (clapabi::Id)p.mParamIdx;
      taken = out->try_push(out, &e.header);
    }
    if (!taken) break; // the rest waits for the next block
  }
  if (pushed > 0) {
    std::memmove(mPendingOut, mPendingOut + pushed, sizeof(PendingOut) * (mNPendingOut - pushed));
    mNPendingOut -= pushed;
  }
}

void IPlugCLAP::HostBeginEdit(int paramIdx) {
  FlushPendingEndEdit();
  WDL_MutexLock lock(&mMutex);
  if (paramIdx < 0 || paramIdx >= NSavedParams()) return; // the editor's own signals stay inside
  mGestureOpen[paramIdx] = true;
  mGestureHasValue[paramIdx] = false;
  QueueOut(clapabi::kEventParamGestureBegin, paramIdx, 0.0);
}

void IPlugCLAP::HostSetParam(int paramIdx, double normalizedValue) {
  WDL_MutexLock lock(&mMutex);
  IParam* param = GetParam(paramIdx);
  if (!param) return;
  if (paramIdx >= NSavedParams()) {
    // An editor signal (a step edit, a shift): not a host parameter, but the pattern and
    // so the state change with it.
    mDirtyPending = true;
    if (!mInAudioCall) MarkDirtyIfPending();
    return;
  }
  (void)normalizedValue; // the parameter already holds it, in its plain units
  if (mGestureOpen[paramIdx]) mGestureHasValue[paramIdx] = true;
  QueueOut(clapabi::kEventParamValue, paramIdx, param->Value());
}

void IPlugCLAP::HostEndEdit(int paramIdx) {
  WDL_MutexLock lock(&mMutex);
  IParam* param = GetParam(paramIdx);
  if (!param || paramIdx >= NSavedParams()) return;
  // Every gesture carries its value: a host keeps the last value of a gesture and applies
  // it at the end (one sets the parameter to 0 when none came), and the step words the
  // engine publishes are stored between begin and end.
  if (!mGestureHasValue[paramIdx]) QueueOut(clapabi::kEventParamValue, paramIdx, param->Value());
  mGestureOpen[paramIdx] = mGestureHasValue[paramIdx] = false;
  QueueOut(clapabi::kEventParamGestureEnd, paramIdx, 0.0);
  mDirtyPending = true;
  if (!mInAudioCall) MarkDirtyIfPending();
}

bool IPlugCLAP::SelectProgram(double value) {
  if (!(value >= 0.0) || mNPrograms <= 0) return false;
  int idx = (int)(value + 0.5);
  if (idx >= mNPrograms) idx = mNPrograms - 1;
  if (idx == GetCurrentPresetIdx()) return false;
  StoreCurrentPreset(nullptr);
  if (!LoadPreset(idx)) return false;
  for (int i = 0; i < NSavedParams(); ++i)
    QueueOut(clapabi::kEventParamValue, i, GetParam(i)->Value(), clapabi::kEventDontRecord);
  mDirtyPending = true;
  if (!mInAudioCall) MarkDirtyIfPending();
  return true;
}

void IPlugCLAP::HostProgramChanged() {
  // Every value may have changed: the host reads them again.
  if (!mInAudioCall && mHostParams && mHostParams->rescan)
    mHostParams->rescan(mClapHost, clapabi::kParamRescanValues);
}

int IPlugCLAP::HostId() {
  if (mHost == kHostUninit)
    SetHost(mClapHost && mClapHost->name ? mClapHost->name : "",
            mClapHost ? HostVersionNumber(mClapHost->version) : 0);
  return mHost;
}

void IPlugCLAP::EditorResized() { ClapGuiResized(this); }

void IPlugCLAP::InitForHost() { HostId(); }

uint32_t IPlugCLAP::ProcessorClock() const { return RealTimeProcessorClock(); }
