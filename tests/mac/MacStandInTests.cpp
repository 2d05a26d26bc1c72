// The stand-in of the macOS frameworks keeps the platform's rules, which the Audio Unit
// tests rely on: reference counts and what releasing a container releases, the number
// conversions, string formats and buffers, and a component manager that hands an entry
// its arguments where the platform puts them on x86_64.
#include "MacStandIn.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Text(CFStringRef s) {
  char buf[256] = "";
  if (!CFStringGetCString(s, buf, sizeof(buf), kCFStringEncodingUTF8)) return "<no text>";
  return buf;
}

class MacStandIn : public ::testing::Test {
protected:
  void SetUp() override { mLive = CorvanelMac_LiveObjects(); }
  void TearDown() override { EXPECT_EQ(CorvanelMac_LiveObjects(), mLive); }
  long mLive = 0;
};

TEST_F(MacStandIn, ObjectsLiveUntilTheirLastReleaseAndAReleaseTooManyIsCounted) {
  CFStringRef s = CFStringCreateWithCString(nullptr, "abc", kCFStringEncodingUTF8);
  EXPECT_EQ(CorvanelMac_LiveObjects(), mLive + 1);
  EXPECT_EQ(CFGetRetainCount(s), 1);
  CFRetain(s);
  EXPECT_EQ(CFGetRetainCount(s), 2);
  CFRelease(s);
  CFRelease(s);
  EXPECT_EQ(CorvanelMac_LiveObjects(), mLive);
  const long over = CorvanelMac_OverReleases();
  CFRelease(s);
  EXPECT_EQ(CorvanelMac_OverReleases(), over + 1);
  // Constant strings live for the whole process and are not counted.
  CFStringRef constant = CFSTR("constant");
  CFRelease(constant);
  EXPECT_EQ(Text(constant), "constant");
  EXPECT_EQ(CFSTR("constant"), constant);
}

TEST_F(MacStandIn, ContainersRetainWhatTheyHoldAndReleaseItWithThemselves) {
  CFStringRef key = CFStringCreateWithCString(nullptr, "key", 0);
  CFStringRef value = CFStringCreateWithCString(nullptr, "value", 0);
  CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
      nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFDictionarySetValue(dict, key, value);
  EXPECT_EQ(CFGetRetainCount(value), 2);
  // An equal key finds the entry; setting it again replaces and releases the old value.
  EXPECT_EQ(CFDictionaryGetValue(dict, CFSTR("key")), value);
  CFDictionarySetValue(dict, CFSTR("key"), CFSTR("other"));
  EXPECT_EQ(CFGetRetainCount(value), 1);
  EXPECT_EQ(CFDictionaryGetCount(dict), 1);

  CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
  CFArrayAppendValue(array, value);
  CFArrayAppendValue(array, dict);
  EXPECT_EQ(CFArrayGetCount(array), 2);
  EXPECT_EQ(CFArrayGetValueAtIndex(array, 0), value);
  EXPECT_EQ(CFArrayGetValueAtIndex(array, 2), nullptr);
  CFRelease(dict);
  CFRelease(key);
  CFRelease(value);
  CFRelease(array); // the last references: everything goes
}

namespace {
int gRetains = 0, gReleases = 0;
const void* CountRetain(CFAllocatorRef, const void* v) {
  ++gRetains;
  return v;
}
void CountRelease(CFAllocatorRef, const void*) { ++gReleases; }
CFStringRef DescribeInt(const void* v) {
  return CFStringCreateWithFormat(nullptr, nullptr, CFSTR("<%d>"), *(const int*)v);
}
} // namespace

TEST_F(MacStandIn, ArraysCallTheirOwnCallBacks) {
  const CFArrayCallBacks callBacks = {0, CountRetain, CountRelease, DescribeInt, nullptr};
  static const int values[] = {4, 5};
  const void* pointers[] = {&values[0], &values[1]};
  CFArrayRef array = CFArrayCreate(nullptr, pointers, 2, &callBacks);
  EXPECT_EQ(gRetains, 2);
  CFStringRef description = CFCopyDescription(array);
  EXPECT_EQ(Text(description), "(<4>, <5>)");
  CFRelease(description);
  CFRelease(array);
  EXPECT_EQ(gReleases, 2);
}

TEST_F(MacStandIn, NumbersConvertAndSayWhetherTheyLostSomething) {
  const double d = 2.5;
  CFNumberRef n = CFNumberCreate(nullptr, kCFNumberFloat64Type, &d);
  SInt32 i = 0;
  EXPECT_FALSE(CFNumberGetValue(n, kCFNumberSInt32Type, &i));
  EXPECT_EQ(i, 2);
  Float64 back = 0;
  EXPECT_TRUE(CFNumberGetValue(n, kCFNumberFloat64Type, &back));
  EXPECT_EQ(back, 2.5);
  CFRelease(n);
  const SInt64 big = 1LL << 40;
  n = CFNumberCreate(nullptr, kCFNumberSInt64Type, &big);
  EXPECT_FALSE(CFNumberGetValue(n, kCFNumberSInt32Type, &i));
  CFRelease(n);
  const SInt32 code = (SInt32)0x61756678;
  n = CFNumberCreate(nullptr, kCFNumberSInt32Type, &code);
  EXPECT_TRUE(CFNumberGetValue(n, kCFNumberSInt32Type, &i));
  EXPECT_EQ(i, code);
  EXPECT_EQ(CFGetTypeID(n), CFNumberGetTypeID());
  EXPECT_NE(CFGetTypeID(n), CFStringGetTypeID());
  CFRelease(n);
}

TEST_F(MacStandIn, StringsFormatAndRefuseBuffersTooSmall) {
  CFStringRef name = CFStringCreateWithCString(nullptr, "Trance 3", 0);
  CFStringRef s = CFStringCreateWithFormat(nullptr, nullptr, CFSTR("n = %d, name = %@, %s, 100%%"),
                                           -7, name, "c");
  EXPECT_EQ(Text(s), "n = -7, name = Trance 3, c, 100%");
  char small[4];
  EXPECT_FALSE(CFStringGetCString(name, small, sizeof(small), kCFStringEncodingUTF8));
  char exact[9];
  EXPECT_TRUE(CFStringGetCString(name, exact, sizeof(exact), kCFStringEncodingUTF8));
  EXPECT_EQ(CFStringGetLength(name), 8);
  CFRelease(s);
  CFRelease(name);
  const UInt8 bytes[] = {1, 2, 3};
  CFDataRef data = CFDataCreate(nullptr, bytes, 3);
  EXPECT_EQ(CFDataGetLength(data), 3);
  EXPECT_EQ(std::memcmp(CFDataGetBytePtr(data), bytes, 3), 0);
  CFRelease(data);
}

TEST_F(MacStandIn, BundlesAreFoundByIdentifier) {
  CorvanelMac_AddBundle("com.example.bundle", "/some/where/Example.component");
  CFBundleRef bundle = CFBundleGetBundleWithIdentifier(CFSTR("com.example.bundle"));
  ASSERT_TRUE(bundle);
  EXPECT_EQ(Text(CFBundleGetIdentifier(bundle)), "com.example.bundle");
  CFURLRef url = CFBundleCopyBundleURL(bundle);
  EXPECT_EQ(Text(CFURLGetString(url)), "file:///some/where/Example.component/");
  CFRelease(url);
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.example.none")), nullptr);
  CorvanelMac_SetMainBundleIdentifier("com.example.host");
  EXPECT_EQ(Text(CFBundleGetIdentifier(CFBundleGetMainBundle())), "com.example.host");
  CorvanelMac_SetMainBundleIdentifier(nullptr);
  EXPECT_EQ(CFBundleGetMainBundle(), nullptr);
}

// An entry that records what reached it.
struct EntryLog {
  SInt16 mWhat = 0;
  long mParams[6] = {};
  Handle mStorage = nullptr;
};
EntryLog gLog;
int gStorageByte = 0;
ComponentResult LoggingEntry(ComponentParameters* p, Handle storage) {
  gLog.mWhat = p->what;
  std::memcpy(gLog.mParams, p->params, sizeof(gLog.mParams));
  gLog.mStorage = storage;
  if (p->what == kComponentOpenSelect)
    SetComponentInstanceStorage((ComponentInstance)p->params[0], (Handle)&gStorageByte);
  return p->what == kAudioUnitResetSelect ? -1234 : noErr;
}

TEST_F(MacStandIn, TheComponentManagerPassesArgumentsInTheirX8664Slots) {
  ComponentDescription desc = {kAudioUnitType_Effect, 0x74657374, 0x54657374, 0, 0};
  Component c = RegisterComponent(&desc, LoggingEntry, 0, nullptr, nullptr, nullptr);
  AudioUnit unit = nullptr;
  ASSERT_EQ(OpenAComponent(c, &unit), noErr);
  EXPECT_EQ(gLog.mWhat, kComponentOpenSelect);
  EXPECT_EQ(gLog.mParams[0], (long)unit);
  EXPECT_EQ(GetComponentInstanceStorage(unit), (Handle)&gStorageByte);

  ComponentDescription info;
  ASSERT_EQ(GetComponentInfo((Component)unit, &info, nullptr, nullptr, nullptr), noErr);
  EXPECT_EQ(info.componentSubType, 0x74657374u);

  EXPECT_EQ(AudioUnitSetParameter(unit, 7, kAudioUnitScope_Global, 3, 0.5f, 12), noErr);
  EXPECT_EQ(gLog.mWhat, kAudioUnitSetParameterSelect);
  EXPECT_EQ(gLog.mStorage, (Handle)&gStorageByte);
  EXPECT_EQ(gLog.mParams[0], (long)unit);
  EXPECT_EQ((UInt32)gLog.mParams[1], 7u);
  EXPECT_EQ((UInt32)gLog.mParams[3], 3u);
  Float32 value;
  std::memcpy(&value, &gLog.mParams[4], sizeof(value)); // a float in the slot's low bytes
  EXPECT_EQ(value, 0.5f);
  EXPECT_EQ((UInt32)gLog.mParams[5], 12u);

  UInt32 size = 8;
  Float64 rate;
  AudioUnitGetProperty(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Output, 1, &rate,
                       &size);
  EXPECT_EQ(gLog.mWhat, kAudioUnitGetPropertySelect);
  EXPECT_EQ((UInt32)gLog.mParams[2], (UInt32)kAudioUnitScope_Output);
  EXPECT_EQ(gLog.mParams[4], (long)&rate);
  EXPECT_EQ(gLog.mParams[5], (long)&size);
  EXPECT_EQ(AudioUnitReset(unit, 0, 0), -1234); // the entry's own result comes back

  EXPECT_EQ(CloseComponent(unit), noErr);
  EXPECT_EQ(gLog.mWhat, kComponentCloseSelect);
  EXPECT_EQ(UnregisterComponent(c), noErr);
}

TEST_F(MacStandIn, ParameterEventsAreRecordedInOrder) {
  CorvanelMac_ClearEvents();
  AudioUnitEvent e;
  std::memset(&e, 0, sizeof(e));
  for (UInt32 type : {1u, 0u, 2u}) {
    e.mEventType = type;
    e.mArgument.mParameter.mParameterID = 10 + type;
    EXPECT_EQ(AUEventListenerNotify(nullptr, nullptr, &e), noErr);
  }
  EXPECT_EQ(AUEventListenerNotify(nullptr, nullptr, nullptr), paramErr);
  ASSERT_EQ(CorvanelMac_EventCount(), 3);
  AudioUnitEvent got;
  ASSERT_TRUE(CorvanelMac_EventAt(2, &got));
  EXPECT_EQ(got.mEventType, 2u);
  EXPECT_EQ(got.mArgument.mParameter.mParameterID, 12u);
  EXPECT_FALSE(CorvanelMac_EventAt(3, &got));
}

} // namespace
