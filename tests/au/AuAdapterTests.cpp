// The Audio Unit adapter in-process, on a small plug-in of its own: preset slots the
// component never defined, host identification, the host callbacks' edge cases and the
// clock the engine counts its timeouts in.
#include "ClockProbe.h"
#include "IPlugAU.h"
#include "MacStandIn.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace {

constexpr int kTestID = 0x74737431;  // 'tst1'
constexpr int kTestMfr = 0x54737472; // 'Tstr'

class TestPlug : public IPlugAU {
public:
  explicit TestPlug(IPlugInstanceInfo info)
      : IPlugAU(info, 3, "1-1 2-2", 3, "Test", "Test", "Tester", 0x010203, kTestID, kTestMfr, 0, 0,
                false, false) {
    GetParam(0)->DefineInt("Alpha", 5, 0, 10);
    GetParam(1)->DefineInt("Beta", 1, 0, 100, "ms");
    GetParam(2)->DefineBool("Gamma", false);
    AddPreset("first", 7, 50, 1);
  }
};

IPlugAU* CreateTestPlug(IPlugInstanceInfo info) { return new TestPlug(info); }

// A selector sent straight to the adapter's entry, arguments laid out as on x86_64.
ComponentResult Call(void* storage, SInt16 what, std::initializer_list<long> args) {
  long block[10] = {};
  ComponentParameters* params = (ComponentParameters*)block;
  params->what = what;
  int k = 1;
  for (long a : args)
    params->params[k++] = a;
  return IPlugAU::ComponentEntry(params, storage, CreateTestPlug, "com.example.test", "View");
}

long U32(UInt32 v) { return (long)v; }

template <class T> OSStatus SetProp(void* plug, AudioUnitPropertyID id, const T& value) {
  return Call(plug, kAudioUnitSetPropertySelect,
              {U32(id), 0, 0, (long)&value, U32((UInt32)sizeof(T))});
}
template <class T> OSStatus GetProp(void* plug, AudioUnitPropertyID id, T* value) {
  UInt32 size = sizeof(T);
  return Call(plug, kAudioUnitGetPropertySelect, {U32(id), 0, 0, (long)value, (long)&size});
}

std::string Text(CFStringRef s) {
  char buf[256] = "";
  if (s) CFStringGetCString(s, buf, sizeof(buf), kCFStringEncodingUTF8);
  return buf;
}

TEST(AuAdapter, ANeverDefinedPresetSlotTakesAUserPresetNameAndKeepsTheSound) {
  IPlugInstanceInfo info;
  TestPlug plug(info);
  ASSERT_EQ(plug.NPresets(), 3);
  plug.GetParam(0)->SetClamped(9);
  AUPreset slot = {2, nullptr};
  ASSERT_EQ(SetProp(&plug, kAudioUnitProperty_PresentPreset, slot), noErr);
  EXPECT_EQ(plug.GetParam(0)->Value(), 9.0);
  AUPreset now = {-1, nullptr};
  ASSERT_EQ(GetProp(&plug, kAudioUnitProperty_PresentPreset, &now), noErr);
  EXPECT_EQ(now.presetNumber, 2);
  EXPECT_EQ(Text(now.presetName), "user preset 1");
  CFRelease(now.presetName);
  // A defined preset loads its values.
  ASSERT_EQ(SetProp(&plug, kAudioUnitProperty_PresentPreset, AUPreset{0, nullptr}), noErr);
  EXPECT_EQ(plug.GetParam(0)->Value(), 7.0);
}

struct LatencyHeard {
  void* mPlug;
  int mCount = 0;
  Float64 mSeconds = -1; // what the unit answered inside the listener
};
void CountLatency(void* refCon, AudioUnit, AudioUnitPropertyID id, AudioUnitScope scope,
                  AudioUnitElement element) {
  if (id != kAudioUnitProperty_Latency || scope != kAudioUnitScope_Global || element != 0) return;
  LatencyHeard* heard = (LatencyHeard*)refCon;
  ++heard->mCount;
  GetProp(heard->mPlug, kAudioUnitProperty_Latency, &heard->mSeconds);
}

TEST(AuAdapter, ANewLatencyIsAnnouncedToItsListenersOnceItHolds) {
  IPlugInstanceInfo info;
  TestPlug plug(info);
  LatencyHeard heard = {&plug};
  ASSERT_EQ(Call(&plug, kAudioUnitAddPropertyListenerSelect,
                 {U32(kAudioUnitProperty_Latency), (long)CountLatency, (long)&heard}),
            noErr);
  plug.SetLatency(256);
  EXPECT_EQ(heard.mCount, 1);
  EXPECT_EQ(heard.mSeconds, 256.0 / 44100.0);
  // The older removal selector takes no user data.
  ASSERT_EQ(Call(&plug, kAudioUnitRemovePropertyListenerSelect,
                 {U32(kAudioUnitProperty_Latency), (long)CountLatency}),
            noErr);
  plug.SetLatency(0);
  EXPECT_EQ(heard.mCount, 1);
}

TEST(AuAdapter, OpenRemovesTheUndefinedPresetsAndCloseFreesTheInstance) {
  ComponentDescription desc = {kAudioUnitType_Effect, kTestID, kTestMfr, 0, 0};
  Component c = RegisterComponent(
      &desc,
      [](ComponentParameters* p, Handle storage) -> ComponentResult {
        return IPlugAU::ComponentEntry(p, storage, CreateTestPlug, "com.example.test", "View");
      },
      0, nullptr, nullptr, nullptr);
  AudioUnit unit = nullptr;
  ASSERT_EQ(OpenAComponent(c, &unit), noErr);
  TestPlug* plug = (TestPlug*)GetComponentInstanceStorage(unit);
  ASSERT_TRUE(plug);
  EXPECT_EQ(plug->NPresets(), 1);
  EXPECT_EQ(CloseComponent(unit), noErr);
  UnregisterComponent(c);
}

TEST(AuAdapter, TheHostIsIdentifiedByItsBundleOrItsIdentifierProperty) {
  struct Case {
    const char* mMainBundle;
    int mHost;
  } cases[] = {{"com.apple.logic10", kHostLogic},
               {"com.apple.garageband10", kHostGarageBand},
               {"com.example.unknown", kHostUnknown},
               {nullptr, kHostUnknown}};
  for (const Case& c : cases) {
    CorvanelMac_SetMainBundleIdentifier(c.mMainBundle);
    IPlugInstanceInfo info;
    TestPlug plug(info);
    plug.InitForHost();
    EXPECT_EQ(plug.HostId(), c.mHost) << (c.mMainBundle ? c.mMainBundle : "no main bundle");
  }
  CorvanelMac_SetMainBundleIdentifier(nullptr);

  IPlugInstanceInfo info;
  TestPlug plug(info);
  AUHostVersionIdentifier host = {CFSTR("REAPER"), 0x06290000u}; // 6.41
  ASSERT_EQ(SetProp(&plug, kAudioUnitProperty_AUHostIdentifier, host), noErr);
  EXPECT_EQ(plug.HostId(), kHostReaper);
  EXPECT_EQ(plug.GetHostVersion(), 6 * 65536 + 0x29 * 256);
  AUHostVersionIdentifier unnamed = {nullptr, 0};
  ASSERT_EQ(SetProp(&plug, kAudioUnitProperty_AUHostIdentifier, unnamed), noErr);
  EXPECT_EQ(plug.HostId(), kHostUnknown);
}

// A host whose callbacks answer what the test sets.
struct FakeHost {
  OSStatus mResult = noErr;
  double mBeat = 0, mTempo = 0, mSample = 0;
  Boolean mPlaying = false, mCycling = false;
  Float32 mNumerator = 3;
  UInt32 mDenominator = 8;

  static OSStatus Beat(void* u, Float64* beat, Float64* tempo) {
    FakeHost* h = (FakeHost*)u;
    *beat = h->mBeat;
    *tempo = h->mTempo;
    return h->mResult;
  }
  static OSStatus Location(void* u, UInt32*, Float32* num, UInt32* den, Float64*) {
    FakeHost* h = (FakeHost*)u;
    *num = h->mNumerator;
    *den = h->mDenominator;
    return h->mResult;
  }
  static OSStatus Transport(void* u, Boolean* playing, Boolean*, Float64* sample, Boolean* cycling,
                            Float64*, Float64*) {
    FakeHost* h = (FakeHost*)u;
    *playing = h->mPlaying;
    *sample = h->mSample;
    *cycling = h->mCycling;
    return h->mResult;
  }
  // The second transport procedure of current hosts: the recording state comes second.
  static OSStatus Transport2(void* u, Boolean* playing, Boolean* recording, Boolean*,
                             Float64* sample, Boolean* cycling, Float64*, Float64*) {
    FakeHost* h = (FakeHost*)u;
    ++h->mTransport2Calls;
    *playing = h->mPlaying;
    *recording = true;
    *sample = h->mSample;
    *cycling = h->mCycling;
    return h->mResult;
  }
  int mTransport2Calls = 0;
  HostCallbackInfo Info() { return {this, Beat, Location, Transport, nullptr}; }
};

// Older hosts pass the four-member record (32 bytes), current ones five (40 bytes); a host
// that offers only the second transport procedure is read through it.
TEST(AuAdapter, HostCallbacksOfBothLayoutsAndTheSecondTransportProcedure) {
  IPlugInstanceInfo info;
  TestPlug plug(info);
  FakeHost host;
  host.mSample = 4410;
  host.mPlaying = true;
  host.mTempo = 100;
  auto set = [&](const void* record, UInt32 size) {
    return Call(&plug, kAudioUnitSetPropertySelect,
                {U32(kAudioUnitProperty_HostCallbacks), 0, 0, (long)record, U32(size)});
  };

  // Four members, followed in memory by what the host never meant to pass.
  struct {
    HostCallbackInfo mRecord;
    long mGarbage = 0x0BADC0DE;
  } older;
  older.mRecord = host.Info();
  std::memcpy(&older.mRecord.transportStateProc2, &older.mGarbage, sizeof(long));
  ASSERT_EQ(set(&older, 32), noErr);
  IHostTime t = plug.ReadHostTime();
  EXPECT_EQ(t.mSamplePos, 4410);
  EXPECT_TRUE(t.mPlaying);
  EXPECT_EQ(t.mTempo, 100.0);

  // Five members, with only the second transport procedure.
  HostCallbackInfo current = host.Info();
  current.transportStateProc = nullptr;
  current.transportStateProc2 = FakeHost::Transport2;
  host.mSample = 8820;
  ASSERT_EQ(set(&current, 40), noErr);
  t = plug.ReadHostTime();
  EXPECT_EQ(host.mTransport2Calls, 1);
  EXPECT_EQ(t.mSamplePos, 8820);
  EXPECT_TRUE(t.mPlaying);
  host.mPlaying = false;
  host.mCycling = true;
  EXPECT_TRUE(plug.ReadHostTime().mPlaying);

  // With both, the first is asked, once.
  current.transportStateProc = FakeHost::Transport;
  ASSERT_EQ(set(&current, 40), noErr);
  plug.ReadHostTime();
  EXPECT_EQ(host.mTransport2Calls, 2);

  // Other sizes change nothing.
  for (UInt32 size : {0u, 8u, 24u, 36u, 48u})
    EXPECT_EQ(set(&current, size), kAudioUnitErr_InvalidPropertyValue) << size;
  host.mSample = 100;
  EXPECT_EQ(plug.ReadHostTime().mSamplePos, 100);
}

TEST(AuAdapter, WithoutHostCallbacksThereIsNoPositionTransportOrMusicalTime) {
  IPlugInstanceInfo info;
  TestPlug plug(info);
  const IHostTime t = plug.ReadHostTime();
  EXPECT_EQ(t.mSamplePos, 0);
  EXPECT_EQ(t.mTempo, 120.0);
  EXPECT_FALSE(t.mPlaying);
  EXPECT_EQ(t.mTimeSigNumerator, 0);
  EXPECT_EQ(t.mTimeSigDenominator, 0);
  EXPECT_FALSE(t.mHasBeats);
}

// The host callbacks, each asked once, become the host-time record.
TEST(AuAdapter, HostCallbacksGiveTempoPositionTransportAndTimeSignature) {
  IPlugInstanceInfo info;
  TestPlug plug(info);
  FakeHost host;
  ASSERT_EQ(SetProp(&plug, kAudioUnitProperty_HostCallbacks, host.Info()), noErr);

  struct PositionCase {
    double mSample;
    int64_t mPosition;
  } positions[] = {
      {1000.4, 1000},           {1000.5, 1001}, {-3.7, -3}, {NAN, 0}, {4294967296.0, 1ll << 32},
      {2147483648.0, 1ll << 31}};
  for (const PositionCase& c : positions) {
    host.mSample = c.mSample;
    EXPECT_EQ(plug.ReadHostTime().mSamplePos, c.mPosition) << c.mSample;
  }

  host.mTempo = 98.5;
  EXPECT_EQ(plug.ReadHostTime().mTempo, 98.5);
  for (double lost : {0.0, -5.0, (double)NAN, (double)INFINITY}) {
    host.mTempo = lost;
    EXPECT_EQ(plug.ReadHostTime().mTempo, 98.5) << lost; // the last tempo the host gave stays
  }

  host.mPlaying = false;
  EXPECT_FALSE(plug.ReadHostTime().mPlaying);
  host.mCycling = true;
  EXPECT_TRUE(plug.ReadHostTime().mPlaying);
  host.mPlaying = true;
  host.mCycling = false;
  EXPECT_TRUE(plug.ReadHostTime().mPlaying);

  host.mBeat = 17.25;
  const IHostTime t = plug.ReadHostTime();
  EXPECT_EQ(t.mTimeSigNumerator, 3);
  EXPECT_EQ(t.mTimeSigDenominator, 8);
  EXPECT_TRUE(t.mHasBeats);
  EXPECT_EQ(t.mBeats, 17.25);

  // A host that cannot answer: nothing from it counts.
  host.mResult = kAudioUnitErr_CannotDoInCurrentContext;
  host.mSample = 500;
  const IHostTime none = plug.ReadHostTime();
  EXPECT_EQ(none.mSamplePos, 0);
  EXPECT_FALSE(none.mPlaying);
  EXPECT_FALSE(none.mHasBeats);
  EXPECT_EQ(none.mTimeSigNumerator, 0);

  // Only the global scope takes callbacks, and only a whole record.
  EXPECT_EQ(Call(&plug, kAudioUnitSetPropertySelect,
                 {U32(kAudioUnitProperty_HostCallbacks), 0, 0, (long)&host, 16}),
            kAudioUnitErr_InvalidPropertyValue);
}

TEST(AuAdapter, TheEngineClockCountsRealTimeWhetherTheHostIsIdleOrBusy) {
  IPlugInstanceInfo info;
  TestPlug plug(info);
  auto clock = [&] { return plug.ProcessorClock(); };
  // Idle: processor time would hardly move. Busy on four threads: it would run about
  // four times too fast.
  for (int threads : {0, 4}) {
    double wall = 0;
    const double ticks = ClockSecondsOver(clock, std::chrono::milliseconds(300), threads, &wall);
    EXPECT_NEAR(ticks, wall, 0.005) << threads << " busy threads";
  }
}

} // namespace
