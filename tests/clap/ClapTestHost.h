#pragma once
// A CLAP host for the tests: it offers every extension the plug-in may use (or none, as a
// scanner does), records what the plug-in asks of it, and checks the thread rules as the
// calls come: main-thread services called from elsewhere, any host call made inside
// create_plugin, and timer or fd registrations left behind are recorded as violations.
// It also carries the event lists and streams a host hands to process, flush and state.
#include "clap_abi.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

// An input event list the test fills (events are copied as flat bytes, in order).
class InputEventList {
public:
  InputEventList();
  void Clear() { mEvents.clear(); }
  void AddParam(uint32_t time, clapabi::Id id, double value);
  void AddTransport(uint32_t time, const clapabi::EventTransport& transport);
  void AddRaw(const void* event, uint32_t size);
  const clapabi::InputEvents* List() const { return &mList; }
  size_t Size() const { return mEvents.size(); }

private:
  static uint32_t CLAPABI_CALL SizeOf(const clapabi::InputEvents* list);
  static const clapabi::EventHeader* CLAPABI_CALL Get(const clapabi::InputEvents* list,
                                                        uint32_t index);
  std::vector<std::vector<unsigned char>> mEvents;
  clapabi::InputEvents mList;
};

// What the plug-in pushed: type, parameter, value (gestures carry 0), time.
struct OutEvent {
  uint16_t mType;
  clapabi::Id mParam;
  double mValue;
  uint32_t mTime;
  bool operator==(const OutEvent& o) const {
    return mType == o.mType && mParam == o.mParam && mValue == o.mValue;
  }
};

class OutputEventList {
public:
  OutputEventList();
  const clapabi::OutputEvents* List() const { return &mList; }
  std::vector<OutEvent> mEvents;
  int mCapacity = 1 << 30; // try_push refuses beyond this many
  bool mBadEvent = false;  // an event of the wrong size or space was pushed

private:
  static bool CLAPABI_CALL TryPush(const clapabi::OutputEvents* list,
                                   const clapabi::EventHeader* event);
  clapabi::OutputEvents mList;
};

// A transport record with the flags the fields given set.
clapabi::EventTransport MakeTransport(bool playing, double tempo, double beats, double seconds);

class TestHost {
public:
  // `offerExtensions` false: a host that answers null for every extension (a scanner).
  explicit TestHost(bool offerExtensions = true);
  ~TestHost();
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  const clapabi::Host* Host() const { return &mHost; }

  // The test's own thread is the main thread; while an AudioScope lives on a thread, that
  // thread is the audio thread.
  struct AudioScope {
    AudioScope();
    ~AudioScope();
  };
  static bool OnAudioThread();

  // Marks the window in which the plug-in must make no host call (create_plugin).
  void SetCreating(bool creating) { mCreating = creating; }

  // Runs the registered timers and the fds whose flags poll() reports, once, as a host's
  // main loop would. Returns how many callbacks ran.
  int Service(const clapabi::Plugin* plugin, int pollTimeoutMs);

  // ---- What the plug-in asked for -------------------------------------------------------------
  std::vector<std::string> mViolations;
  std::vector<std::string> mExtensionsAsked;
  std::vector<std::string> mLog;
  std::atomic<int> mFlushRequests{0};
  std::atomic<int> mCallbackRequests{0};
  int mDirtyMarks = 0;
  std::vector<uint32_t> mRescans;
  std::map<clapabi::Id, uint32_t> mTimers; // id → period in ms
  std::map<int, uint32_t> mFds;            // fd → flags
  std::vector<std::pair<uint32_t, uint32_t>> mResizeRequests;
  int mClosedCalls = 0;
  int mFdCallbacks = 0; // on_fd calls Service made
  // Set by the test to make request_flush call flush right away, as one host does for an
  // inactive plug-in on the main thread.
  const clapabi::Plugin* mFlushSynchronously = nullptr;
  OutputEventList mSyncFlushOut;

private:
  static TestHost* Self(const clapabi::Host* host) { return (TestHost*)host->host_data; }
  void Violation(const std::string& what) { mViolations.push_back(what); }
  // Records a violation unless this is the main thread (and not inside create_plugin).
  void NeedMain(const char* what);

  static const void* CLAPABI_CALL GetExtension(const clapabi::Host* host, const char* id);
  static void CLAPABI_CALL RequestRestart(const clapabi::Host* host);
  static void CLAPABI_CALL RequestProcess(const clapabi::Host* host);
  static void CLAPABI_CALL RequestCallback(const clapabi::Host* host);

  bool mOffer;
  bool mCreating = false;
  std::thread::id mMainThread;
  clapabi::Id mNextTimer = 0; // hosts hand out 0 first
  clapabi::Host mHost;
  clapabi::HostParams mParams;
  clapabi::HostState mState;
  clapabi::HostThreadCheck mThreadCheck;
  clapabi::HostLog mLogExt;
  clapabi::HostGui mGui;
  clapabi::HostTimerSupport mTimerExt;
  clapabi::HostPosixFdSupport mFdExt;
};

// Streams over a byte vector; the reader and writer move at most `chunk` bytes per call.
struct MemoryStreams {
  std::vector<unsigned char> mBytes;
  size_t mReadPos = 0;
  size_t mChunk = 1 << 20;
  bool mFailWrites = false;
  clapabi::OStream mOut;
  clapabi::IStream mIn;
  MemoryStreams();
  MemoryStreams(const MemoryStreams&) = delete;
  MemoryStreams& operator=(const MemoryStreams&) = delete;
};
