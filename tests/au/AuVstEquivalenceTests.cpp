// The two deliverables compute the same audio: rendering through the Audio Unit, with the
// host callbacks reporting a running timeline, equals rendering through the VST2 plug-in
// with the same state and the same timeline in its time info, sample for sample.
#include "AuHost.h"
#include "PluginLibrary.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

namespace {

constexpr UInt32 kChannels = 2;

struct Scenario {
  const char* mWhat;
  double mSampleRate;
  UInt32 mBlock;
  int mBlocks;
  int mPreset;                      // factory preset whose pattern and settings start the state
  std::map<int, double> mOverrides; // then these parameter values
  double mTempo = 120.0;
  int mTempoChangeAt = -1; // block from which the tempo is mTempo2
  double mTempo2 = 120.0;
  int mStopFrom = -1, mStopTo = -1; // blocks during which the transport is stopped
  double mStart = 0.0;              // timeline position of the first block
};

// The state the Audio Unit holds after the preset and the overrides, as a parameter block.
std::vector<unsigned char> StateBlock(AuInstance& unit, const Scenario& s) {
  AUPreset preset = {s.mPreset, nullptr};
  EXPECT_EQ(unit.Set(kAudioUnitProperty_PresentPreset, preset), noErr);
  CFDictionaryRef info = nullptr;
  EXPECT_EQ(unit.Get(kAudioUnitProperty_ClassInfo, &info), noErr);
  CFDataRef data = (CFDataRef)CFDictionaryGetValue(info, CFSTR("data"));
  std::vector<unsigned char> block(CFDataGetBytePtr(data),
                                   CFDataGetBytePtr(data) + CFDataGetLength(data));
  CFRelease(info);
  for (auto [idx, value] : s.mOverrides)
    std::memcpy(block.data() + 8 * idx, &value, 8);
  return block;
}

// Puts the block into the Audio Unit through a class-info dictionary named after no preset.
void RestoreAu(AuInstance& unit, const std::vector<unsigned char>& block) {
  CFDictionaryRef info = nullptr;
  ASSERT_EQ(unit.Get(kAudioUnitProperty_ClassInfo, &info), noErr);
  CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
      nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  for (const char* key : {"version", "type", "subtype", "manufacturer"}) {
    CFStringRef k = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
    CFDictionarySetValue(dict, k, CFDictionaryGetValue(info, k));
    CFRelease(k);
  }
  CFRelease(info);
  CFDictionarySetValue(dict, CFSTR("name"), CFSTR("equivalence"));
  CFDataRef data = CFDataCreate(nullptr, block.data(), (CFIndex)block.size());
  CFDictionarySetValue(dict, CFSTR("data"), data);
  CFRelease(data);
  EXPECT_EQ(unit.Set(kAudioUnitProperty_ClassInfo, (CFDictionaryRef)dict), noErr);
  CFRelease(dict);
}

class VstInstance {
public:
  VstInstance(double sampleRate, int block) {
    auto entry = (VstPluginMainProc)BuiltPlugin().Symbol("VSTPluginMain");
    mEffect = entry ? entry(RecordingHost::Callback) : nullptr;
    if (!mEffect) return;
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, (float)sampleRate);
    Dispatch(effSetBlockSize, 0, block);
    Dispatch(effMainsChanged, 0, 1);
    Dispatch(effStartProcess);
  }
  ~VstInstance() {
    if (mEffect) Dispatch(effClose);
  }
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f) {
    return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
  }
  bool Restore(const std::vector<unsigned char>& block) {
    std::vector<unsigned char> chunk(4 + block.size());
    const int32_t version = 10200;
    std::memcpy(chunk.data(), &version, 4);
    std::memcpy(chunk.data() + 4, block.data(), block.size());
    return Dispatch(effSetChunk, 1, (VstIntPtr)chunk.size(), chunk.data()) == 1;
  }
  AEffect* mEffect = nullptr;
};

void RenderBoth(const Scenario& s) {
  SCOPED_TRACE(s.mWhat);
  ASSERT_EQ(BuiltBundle().mError, "");
  ASSERT_TRUE(BuiltPlugin().IsLoaded()) << BuiltPlugin().Error();
  RecordingHost host;
  HostTimeline timeline;
  SignalSource input;
  AuInstance au;
  ASSERT_EQ(au.Configure(s.mSampleRate, s.mBlock, kChannels, &timeline, &input), noErr);
  const std::vector<unsigned char> block = StateBlock(au, s);
  RestoreAu(au, block);
  VstInstance vst(s.mSampleRate, (int)s.mBlock);
  ASSERT_TRUE(vst.mEffect);
  ASSERT_TRUE(vst.Restore(block));

  std::vector<float> auOut, in(kChannels * s.mBlock), vstOut(kChannels * s.mBlock);
  float* ins[kChannels] = {in.data(), in.data() + s.mBlock};
  float* outs[kChannels] = {vstOut.data(), vstOut.data() + s.mBlock};
  double pos = s.mStart;
  long gated = 0; // samples the gate changed: the comparison is of real work
  for (int b = 0; b < s.mBlocks; ++b) {
    const double tempo = s.mTempoChangeAt >= 0 && b >= s.mTempoChangeAt ? s.mTempo2 : s.mTempo;
    const bool playing = !(b >= s.mStopFrom && b < s.mStopTo);
    timeline.mTempo = tempo;
    timeline.mSample = pos;
    timeline.mPlaying = playing;
    host.mTime.sampleRate = s.mSampleRate;
    host.mTime.tempo = tempo;
    host.mTime.samplePos = pos;
    host.mTime.ppqPos = timeline.Beat();
    host.mTime.flags =
        kVstTempoValid | kVstTimeSigValid | kVstPpqPosValid | (playing ? kVstTransportPlaying : 0);

    ASSERT_EQ(au.Render(pos, s.mBlock, kChannels, &auOut), noErr);
    for (UInt32 ch = 0; ch < kChannels; ++ch)
      for (UInt32 i = 0; i < s.mBlock; ++i)
        ins[ch][i] = TestSample((int)ch, (int64_t)pos + i);
    vst.mEffect->processReplacing(vst.mEffect, ins, outs, (VstInt32)s.mBlock);
    ASSERT_EQ(std::memcmp(auOut.data(), vstOut.data(), sizeof(float) * vstOut.size()), 0)
        << "block " << b;
    for (size_t i = 0; i < vstOut.size(); ++i)
      gated += vstOut[i] != in[i];
    if (playing) pos += s.mBlock;
  }
  EXPECT_GT(gated, (long)(s.mBlocks * s.mBlock) / 10);
}

TEST(AuVstEquivalence, TheAudioUnitRendersWhatTheVst2PlugInRenders) {
  const Scenario scenarios[] = {
      {"a factory pattern at 44.1 kHz", 44100, 512, 200, 3, {}},
      {"single-frame slices", 48000, 1, 6000, 7, {{0, 3.0}}},
      {"odd slices, split into bands, partly wet",
       44100,
       37,
       900,
       11,
       {{8, 3.0}, {7, 2500.0}, {9, 60.0}}},
      {"96 kHz, long slices, low band gated", 96000, 4096, 40, 15, {{8, 1.0}, {0, 12.0}}},
      {"a tempo change", 44100, 256, 300, 20, {{0, 6.0}}, 128.0, 150, 93.5},
      {"stop and start", 22050, 128, 300, 5, {}, 120.0, -1, 120.0, 100, 140},
      {"a song position far in", 44100, 512, 100, 9, {{6, 40.0}}, 140.0, -1, 140.0, -1, -1, 3.0e7},
  };
  for (const Scenario& s : scenarios)
    RenderBoth(s);
}

} // namespace
