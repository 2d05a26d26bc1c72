#include "ClapTestHost.h"

#ifndef _WIN32
#include <poll.h>
#endif

#include <cmath>
#include <cstring>

// ---- Event lists ------------------------------------------------------------------------------

InputEventList::InputEventList() {
  mList.ctx = this;
  mList.size = SizeOf;
  mList.get = Get;
}

void InputEventList::AddRaw(const void* event, uint32_t size) {
  const unsigned char* b = (const unsigned char*)event;
  mEvents.emplace_back(b, b + size);
}

void InputEventList::AddParam(uint32_t time, clapabi::Id id, double value) {
  clapabi::EventParamValue e;
  std::memset(&e, 0, sizeof(e));
  e.header = {(uint32_t)sizeof(e), time, clapabi::kCoreEventSpace, clapabi::kEventParamValue, 0};
  e.param_id = id;
  e.note_id = -1;
  e.port_index = e.channel = e.key = -1;
  e.value = value;
  AddRaw(&e, sizeof(e));
}

void InputEventList::AddTransport(uint32_t time, const clapabi::EventTransport& transport) {
  clapabi::EventTransport e = transport;
  e.header = {(uint32_t)sizeof(e), time, clapabi::kCoreEventSpace, clapabi::kEventTransport, 0};
  AddRaw(&e, sizeof(e));
}

uint32_t CLAPABI_CALL InputEventList::SizeOf(const clapabi::InputEvents* list) {
  return (uint32_t)((InputEventList*)list->ctx)->mEvents.size();
}

const clapabi::EventHeader* CLAPABI_CALL InputEventList::Get(const clapabi::InputEvents* list,
                                                               uint32_t index) {
  InputEventList* self = (InputEventList*)list->ctx;
  if (index >= self->mEvents.size()) return nullptr;
  return (const clapabi::EventHeader*)self->mEvents[index].data();
}

OutputEventList::OutputEventList() {
  mList.ctx = this;
  mList.try_push = TryPush;
}

bool CLAPABI_CALL OutputEventList::TryPush(const clapabi::OutputEvents* list,
                                           const clapabi::EventHeader* event) {
  OutputEventList* self = (OutputEventList*)list->ctx;
  if (!event || (int)self->mEvents.size() >= self->mCapacity) return false;
  if (event->space_id != clapabi::kCoreEventSpace) self->mBadEvent = true;
  OutEvent out = {event->type, clapabi::kInvalidId, 0.0, event->time};
  if (event->type == clapabi::kEventParamValue) {
    if (event->size != sizeof(clapabi::EventParamValue)) self->mBadEvent = true;
    const clapabi::EventParamValue* e = (const clapabi::EventParamValue*)event;
    out.mParam = e->param_id;
    out.mValue = e->value;
  } else if (event->type == clapabi::kEventParamGestureBegin ||
             event->type == clapabi::kEventParamGestureEnd) {
    if (event->size != sizeof(clapabi::EventParamGesture)) self->mBadEvent = true;
    out.mParam = ((const clapabi::EventParamGesture*)event)->param_id;
  } else {
    self->mBadEvent = true;
  }
  self->mEvents.push_back(out);
  return true;
}

clapabi::EventTransport MakeTransport(bool playing, double tempo, double beats, double seconds) {
  clapabi::EventTransport t;
  std::memset(&t, 0, sizeof(t));
  t.flags = clapabi::kTransportHasTimeSignature;
  t.tsig_num = 4;
  t.tsig_denom = 4;
  if (playing) t.flags |= clapabi::kTransportIsPlaying;
  if (tempo > 0.0) {
    t.flags |= clapabi::kTransportHasTempo;
    t.tempo = tempo;
  }
  if (beats == beats) {
    t.flags |= clapabi::kTransportHasBeatsTimeline;
    t.song_pos_beats = (int64_t)std::llround(beats * clapabi::kFixedPointFactor);
  }
  if (seconds == seconds) {
    t.flags |= clapabi::kTransportHasSecondsTimeline;
    t.song_pos_seconds = (int64_t)std::llround(seconds * clapabi::kFixedPointFactor);
  }
  return t;
}

// ---- Host ---------------------------------------------------------------------------------------

namespace {
thread_local bool tAudioThread = false;
}

TestHost::AudioScope::AudioScope() { tAudioThread = true; }
TestHost::AudioScope::~AudioScope() { tAudioThread = false; }
bool TestHost::OnAudioThread() { return tAudioThread; }

TestHost::TestHost(bool offerExtensions)
    : mOffer(offerExtensions), mMainThread(std::this_thread::get_id()) {
  std::memset(&mHost, 0, sizeof(mHost));
  mHost.clap_version = clapabi::kVersion;
  mHost.host_data = this;
  mHost.name = "Corvanel Test Host";
  mHost.vendor = "Orbalin";
  mHost.url = "";
  mHost.version = "1.0.0";
  mHost.get_extension = GetExtension;
  mHost.request_restart = RequestRestart;
  mHost.request_process = RequestProcess;
  mHost.request_callback = RequestCallback;

  mParams.rescan = [](const clapabi::Host* h, uint32_t flags) {
    Self(h)->NeedMain("params.rescan");
    Self(h)->mRescans.push_back(flags);
  };
  mParams.clear = [](const clapabi::Host* h, clapabi::Id, uint32_t) {
    Self(h)->NeedMain("params.clear");
  };
  mParams.request_flush = [](const clapabi::Host* h) {
    TestHost* self = Self(h);
    if (OnAudioThread()) self->Violation("params.request_flush from the audio thread");
    if (self->mCreating) self->Violation("params.request_flush inside create_plugin");
    ++self->mFlushRequests;
    const clapabi::Plugin* p = self->mFlushSynchronously;
    if (p) {
      const clapabi::PluginParams* params =
          (const clapabi::PluginParams*)p->get_extension(p, clapabi::kExtParams);
      InputEventList none;
      params->flush(p, none.List(), self->mSyncFlushOut.List());
    }
  };
  mState.mark_dirty = [](const clapabi::Host* h) {
    Self(h)->NeedMain("state.mark_dirty");
    ++Self(h)->mDirtyMarks;
  };
  mThreadCheck.is_main_thread = [](const clapabi::Host* h) {
    return std::this_thread::get_id() == Self(h)->mMainThread && !OnAudioThread();
  };
  mThreadCheck.is_audio_thread = [](const clapabi::Host*) { return OnAudioThread(); };
  mLogExt.log = [](const clapabi::Host* h, int32_t severity, const char* msg) {
    Self(h)->mLog.push_back(std::to_string(severity) + ": " + (msg ? msg : "(null)"));
  };
  mGui.resize_hints_changed = [](const clapabi::Host*) {};
  mGui.request_resize = [](const clapabi::Host* h, uint32_t w, uint32_t hh) {
    Self(h)->mResizeRequests.push_back({w, hh});
    return true;
  };
  mGui.request_show = [](const clapabi::Host*) { return true; };
  mGui.request_hide = [](const clapabi::Host*) { return true; };
  mGui.closed = [](const clapabi::Host* h, bool) { ++Self(h)->mClosedCalls; };
  mTimerExt.register_timer = [](const clapabi::Host* h, uint32_t period, clapabi::Id* id) {
    TestHost* self = Self(h);
    self->NeedMain("timer-support.register_timer");
    if (!id) return false;
    *id = self->mNextTimer++;
    self->mTimers[*id] = period;
    return true;
  };
  mTimerExt.unregister_timer = [](const clapabi::Host* h, clapabi::Id id) {
    TestHost* self = Self(h);
    self->NeedMain("timer-support.unregister_timer");
    if (!self->mTimers.erase(id)) {
      self->Violation("unregister_timer of an unknown timer");
      return false;
    }
    return true;
  };
  mFdExt.register_fd = [](const clapabi::Host* h, int fd, uint32_t flags) {
    TestHost* self = Self(h);
    self->NeedMain("posix-fd-support.register_fd");
    if (self->mFds.count(fd)) {
      self->Violation("register_fd twice");
      return false;
    }
    self->mFds[fd] = flags;
    return true;
  };
  mFdExt.modify_fd = [](const clapabi::Host* h, int fd, uint32_t flags) {
    TestHost* self = Self(h);
    self->NeedMain("posix-fd-support.modify_fd");
    if (!self->mFds.count(fd)) {
      self->Violation("modify_fd of an unknown fd");
      return false;
    }
    self->mFds[fd] = flags;
    return true;
  };
  mFdExt.unregister_fd = [](const clapabi::Host* h, int fd) {
    TestHost* self = Self(h);
    self->NeedMain("posix-fd-support.unregister_fd");
    if (!self->mFds.erase(fd)) {
      self->Violation("unregister_fd of an unknown fd");
      return false;
    }
    return true;
  };
}

TestHost::~TestHost() {}

void TestHost::NeedMain(const char* what) {
  if (mCreating) Violation(std::string(what) + " inside create_plugin");
  if (std::this_thread::get_id() != mMainThread || OnAudioThread())
    Violation(std::string(what) + " off the main thread");
}

const void* CLAPABI_CALL TestHost::GetExtension(const clapabi::Host* host, const char* id) {
  TestHost* self = Self(host);
  if (self->mCreating) self->Violation("host.get_extension inside create_plugin");
  if (!id) return nullptr;
  self->mExtensionsAsked.push_back(id);
  if (!self->mOffer) return nullptr;
  const std::string s = id;
  if (s == clapabi::kExtParams) return &self->mParams;
  if (s == clapabi::kExtState) return &self->mState;
  if (s == clapabi::kExtThreadCheck) return &self->mThreadCheck;
  if (s == clapabi::kExtLog) return &self->mLogExt;
  if (s == clapabi::kExtGui) return &self->mGui;
  if (s == clapabi::kExtTimerSupport) return &self->mTimerExt;
  if (s == clapabi::kExtPosixFdSupport) return &self->mFdExt;
  return nullptr;
}

void CLAPABI_CALL TestHost::RequestRestart(const clapabi::Host* host) {
  if (Self(host)->mCreating) Self(host)->Violation("request_restart inside create_plugin");
}
void CLAPABI_CALL TestHost::RequestProcess(const clapabi::Host* host) {
  if (Self(host)->mCreating) Self(host)->Violation("request_process inside create_plugin");
}
void CLAPABI_CALL TestHost::RequestCallback(const clapabi::Host* host) {
  if (Self(host)->mCreating) Self(host)->Violation("request_callback inside create_plugin");
  ++Self(host)->mCallbackRequests;
}

int TestHost::Service(const clapabi::Plugin* plugin, int pollTimeoutMs) {
  int ran = 0;
#ifndef _WIN32
  const clapabi::PluginPosixFdSupport* fdExt =
      (const clapabi::PluginPosixFdSupport*)plugin->get_extension(plugin,
                                                                  clapabi::kExtPosixFdSupport);
  std::vector<pollfd> fds;
  for (const auto& f : mFds) {
    pollfd p;
    p.fd = f.first;
    p.events = (short)(((f.second & clapabi::kFdRead) ? POLLIN : 0) |
                       ((f.second & clapabi::kFdWrite) ? POLLOUT : 0));
    p.revents = 0;
    fds.push_back(p);
  }
  if (!fds.empty() && poll(fds.data(), fds.size(), pollTimeoutMs) > 0) {
    for (const pollfd& p : fds) {
      uint32_t flags = 0;
      if (p.revents & POLLIN) flags |= clapabi::kFdRead;
      if (p.revents & POLLOUT) flags |= clapabi::kFdWrite;
      if (p.revents & (POLLERR | POLLHUP)) flags |= clapabi::kFdError;
      if (flags && fdExt && mFds.count(p.fd)) {
        fdExt->on_fd(plugin, p.fd, flags);
        ++mFdCallbacks;
        ++ran;
      }
    }
  }
#else
  (void)pollTimeoutMs; // no descriptors to watch on Windows
#endif
  const clapabi::PluginTimerSupport* timerExt =
      (const clapabi::PluginTimerSupport*)plugin->get_extension(plugin, clapabi::kExtTimerSupport);
  std::vector<clapabi::Id> ids;
  for (const auto& t : mTimers)
    ids.push_back(t.first);
  for (clapabi::Id id : ids)
    if (timerExt && mTimers.count(id)) {
      timerExt->on_timer(plugin, id);
      ++ran;
    }
  return ran;
}

// ---- Streams ----------------------------------------------------------------------------------

MemoryStreams::MemoryStreams() {
  mOut.ctx = this;
  mOut.write = [](const clapabi::OStream* s, const void* buf, uint64_t size) -> int64_t {
    MemoryStreams* self = (MemoryStreams*)s->ctx;
    if (self->mFailWrites) return -1;
    const size_t n = size < self->mChunk ? (size_t)size : self->mChunk;
    const unsigned char* b = (const unsigned char*)buf;
    self->mBytes.insert(self->mBytes.end(), b, b + n);
    return (int64_t)n;
  };
  mIn.ctx = this;
  mIn.read = [](const clapabi::IStream* s, void* buf, uint64_t size) -> int64_t {
    MemoryStreams* self = (MemoryStreams*)s->ctx;
    size_t n = self->mBytes.size() - self->mReadPos;
    if (n > size) n = (size_t)size;
    if (n > self->mChunk) n = self->mChunk;
    if (n > 0) std::memcpy(buf, self->mBytes.data() + self->mReadPos, n);
    self->mReadPos += n;
    return (int64_t)n;
  };
}
