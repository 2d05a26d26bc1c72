// The VST2 adapter's host-facing side, in-process: a minimal plug-in on IPlugVST and
// a recording host callback. What the host hears for edits, time, identification
// and MIDI, and how the effect record follows the plug-in's declaration.
#include "IPlugVST.h"
#include "RecordingHost.h"
#include "TestGraphics.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Declaration {
  const char* mChannelIO = "1-1 2-2";
  int mPresets = 3;
  int mDoesMidi = 0;
  bool mDoesChunks = false;
};
Declaration sNext; // what the next created test plug-in declares

class TestPlug : public IPlugVST {
public:
  explicit TestPlug(IPlugInstanceInfo instanceInfo)
      : IPlugVST(instanceInfo, 4, sNext.mChannelIO, sNext.mPresets, "Test Effect", "Test Product",
                 "Test Vendor", 0x010203, VstFourCC('T', 's', 't', '1'),
                 VstFourCC('T', 'v', 'n', 'd'), 0, sNext.mDoesMidi, sNext.mDoesChunks, false) {
    for (int i = 0; i < NParams(); ++i)
      GetParam(i)->DefineInt("P", 0, 0, 10);
  }
  bool MidiKeyName(int key, char* outName) override {
    std::snprintf(outName, kVstMaxNameLen, "Key %d", key);
    return true;
  }
  // Records the musical position each processed slice reads (-1 for none).
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override {
    double beats = 0.0;
    mBeatsSeen.push_back(HostMusicalPosition(&beats) ? beats : -1.0);
  }
  std::vector<double> mBeatsSeen;
  void ProcessFromNowOn() { mReadyToProcess = true; }
  int Host() const { return mHost; }
  int HostVersion() const { return mHostVersion; }
};

IPlugVST* CreateTestPlug(IPlugInstanceInfo instanceInfo) { return new TestPlug(instanceInfo); }

class VstAdapterTest : public ::testing::Test {
protected:
  TestPlug* Create(Declaration declaration = Declaration()) {
    sNext = declaration;
    mEffect = IPlugVST::CreateEffect(RecordingHost::Callback, CreateTestPlug);
    return mEffect ? (TestPlug*)mEffect->object : nullptr;
  }
  void TearDown() override {
    if (mEffect) mEffect->dispatcher(mEffect, effClose, 0, 0, nullptr, 0.0f);
  }
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                     void* ptr = nullptr) {
    return mEffect->dispatcher(mEffect, opcode, index, value, ptr, 0.0f);
  }

  RecordingHost mHost;
  AEffect* mEffect = nullptr;
};

TEST_F(VstAdapterTest, HostIdentificationAndVendorVersion) {
  const struct {
    const char* mProduct;
    VstIntPtr mVendorVersion;
    int mHost;
    int mHostVersion;
  } cases[] = {
      {"Recording Host", 10203, kHostUnknown, 1 * 65536 + 2 * 256 + 3},
      {"REAPER", 60512, kHostReaper, 6 * 65536 + 5 * 256 + 12},
      {"Cubase VST", 0, kHostCubase, 0},
      {"Live", 99999, kHostAbletonLive, 9 * 65536 + 99 * 256 + 99},
      {"Live", -5, kHostAbletonLive, 0},
      {"Live", (VstIntPtr)327680000, kHostAbletonLive, 0},
      {"", 10203, kHostUnknown, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mProduct);
    mHost.mProductName = c.mProduct;
    mHost.mVendorVersion = c.mVendorVersion;
    mHost.Clear();
    TestPlug* plug = Create();
    ASSERT_NE(plug, nullptr);
    EXPECT_EQ(plug->HostId(), c.mHost);
    EXPECT_EQ(plug->HostVersion(), c.mHostVersion);
    EXPECT_EQ(mHost.CallsOf(audioMasterGetVendorVersion).size(), c.mProduct[0] ? 1u : 0u);
    EXPECT_EQ(plug->HostId(), c.mHost); // asked once
    EXPECT_EQ(mHost.CallsOf(audioMasterGetProductString).size(), 1u);
    TearDown();
    mEffect = nullptr;
  }
}

// The host's time info, asked for once with its validity bits, becomes the host-time record.
TEST_F(VstAdapterTest, TheTimeInfoBecomesTheHostTimeRecord) {
  TestPlug* plug = Create();
  VstTimeInfo& t = mHost.mTime;
  const double nan = std::nan("");
  struct Case {
    const char* what;
    double pos, tempo, ppq;
    int flags, num, den;
    int64_t wantPos;
    double wantTempo;
    bool wantBeats, wantPlaying;
    int wantNum, wantDen;
  };
  const int tempo = kVstTempoValid, ppq = kVstPpqPosValid, sig = kVstTimeSigValid;
  const int play = kVstTransportPlaying, rec = kVstTransportRecording;
  const Case cases[] = {
      {"all valid", 1000.4, 97.5, 37.25, tempo | ppq | sig | play, 7, 8, 1000, 97.5, true, true, 7, 8},
      {"position rounds to nearest", 1000.5, 120, 0, play, 4, 4, 1001, 0.0, false, true, 0, 0},
      {"negative position reads 0", -3.0, 120, 0, tempo, 4, 4, 0, 120.0, false, false, 0, 0},
      {"NaN position reads 0", nan, 120, 0, tempo | rec, 4, 4, 0, 120.0, false, true, 0, 0},
      {"past 2^31 stays exact", 2147483648.0 + 5.0, 0, 0, 0, 4, 4, 2147483653ll, 0.0, false, false, 0, 0},
      {"negative tempo is none", 0, -1.0, 0, tempo | ppq, 4, 4, 0, 0.0, true, false, 0, 0},
      {"NaN tempo is none", 0, nan, 0, tempo, 4, 4, 0, 0.0, false, false, 0, 0},
      {"NaN ppq is none", 0, 120, nan, tempo | ppq, 4, 4, 0, 120.0, false, false, 0, 0},
      {"infinite ppq is none", 0, 120, INFINITY, ppq, 4, 4, 0, 0.0, false, false, 0, 0},
      {"negative signature is none", 0, 120, 0, sig | play | rec, -7, 8, 0, 0.0, false, true, 0, 0},
      {"transport changed only", 0, 120, 0, kVstTransportChanged, 4, 4, 0, 0.0, false, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    t.samplePos = c.pos;
    t.tempo = c.tempo;
    t.ppqPos = c.ppq;
    t.flags = c.flags;
    t.timeSigNumerator = c.num;
    t.timeSigDenominator = c.den;
    mHost.Clear();
    const IHostTime time = plug->ReadHostTime();
    ASSERT_EQ(mHost.CallsOf(audioMasterGetTime).size(), 1u);
    EXPECT_EQ(mHost.mCalls.back().mValue, kVstTempoValid | kVstPpqPosValid | kVstTimeSigValid);
    EXPECT_EQ(time.mSamplePos, c.wantPos);
    EXPECT_EQ(time.mTempo, c.wantTempo);
    EXPECT_EQ(time.mHasBeats, c.wantBeats);
    if (c.wantBeats) {
      EXPECT_EQ(time.mBeats, c.ppq);
    }
    EXPECT_EQ(time.mPlaying, c.wantPlaying);
    EXPECT_EQ(time.mTimeSigNumerator, c.wantNum);
    EXPECT_EQ(time.mTimeSigDenominator, c.wantDen);
  }

  // A host without time info: position 0, no tempo, no beats, stopped.
  mHost.mGivesTime = false;
  const IHostTime none = plug->ReadHostTime();
  EXPECT_EQ(none.mSamplePos, 0);
  EXPECT_EQ(none.mTempo, 0.0);
  EXPECT_FALSE(none.mHasBeats);
  EXPECT_FALSE(none.mPlaying);
}

TEST_F(VstAdapterTest, LaterSlicesOfALongBlockReadTheirOwnMusicalPosition) {
  TestPlug* plug = Create();
  VstTimeInfo& t = mHost.mTime;
  // A host block longer than the block size runs in slices; each later slice reads the
  // position of its own first frame, moved on at the host's tempo (none without a tempo).
  mEffect->dispatcher(mEffect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
  Dispatch(effSetBlockSize, 0, 48000);
  plug->ProcessFromNowOn();
  const int n = 48000 + 24000;
  std::vector<float> a(n), b(n), c(n), d(n);
  float* in[2] = {a.data(), b.data()};
  float* out[2] = {c.data(), d.data()};
  t.ppqPos = 10.0;
  t.tempo = 120.0;
  t.flags = kVstPpqPosValid | kVstTempoValid;
  mEffect->processReplacing(mEffect, in, out, n);
  ASSERT_EQ(plug->mBeatsSeen.size(), 2u);
  EXPECT_EQ(plug->mBeatsSeen[0], 10.0);
  EXPECT_EQ(plug->mBeatsSeen[1], 12.0); // 48000 frames at 24000 per beat
  t.flags = kVstPpqPosValid;
  plug->mBeatsSeen.clear();
  mEffect->processReplacing(mEffect, in, out, n);
  ASSERT_EQ(plug->mBeatsSeen.size(), 2u);
  EXPECT_EQ(plug->mBeatsSeen[0], 10.0);
  EXPECT_EQ(plug->mBeatsSeen[1], -1.0);
}

TEST_F(VstAdapterTest, EditsAndRedrawRequestsReachTheHost) {
  TestPlug* plug = Create();
  mHost.Clear();
  plug->HostBeginEdit(3);
  plug->HostSetParam(3, 0.25);
  plug->HostEndEdit(3);
  plug->HostProgramChanged();
  ASSERT_EQ(mHost.mCalls.size(), 4u);
  EXPECT_EQ(mHost.mCalls[0].mOpcode, audioMasterBeginEdit);
  EXPECT_EQ(mHost.mCalls[0].mIndex, 3);
  EXPECT_EQ(mHost.mCalls[1].mOpcode, audioMasterAutomate);
  EXPECT_EQ(mHost.mCalls[1].mIndex, 3);
  EXPECT_EQ(mHost.mCalls[1].mOpt, 0.25f);
  EXPECT_EQ(mHost.mCalls[2].mOpcode, audioMasterEndEdit);
  EXPECT_EQ(mHost.mCalls[2].mIndex, 3);
  EXPECT_EQ(mHost.mCalls[3].mOpcode, audioMasterUpdateDisplay);

  // Without an editor an end of edit is not deferred.
  mHost.Clear();
  plug->HostBeginEditOnce(2);
  plug->DeferHostEndEdit(2);
  EXPECT_EQ(mHost.Gestures(), (std::vector<int>{2, -3}));

  // An editor change: value stored, host told, no gesture of its own.
  mHost.Clear();
  plug->SetParamFromEditor(1, 0.5);
  ASSERT_EQ(mHost.CallsOf(audioMasterAutomate).size(), 1u);
  EXPECT_EQ(mHost.CallsOf(audioMasterAutomate)[0].mOpt, 0.5f);
  EXPECT_EQ(mEffect->getParameter(mEffect, 1), 0.5f);
}

TEST_F(VstAdapterTest, MidiGoesOutAsOneEventLists) {
  TestPlug* plug = Create();
  IMidiMsg msg;
  msg.mOffset = 17;
  msg.mStatus = 0x90;
  msg.mData1 = 64;
  msg.mData2 = 127;
  EXPECT_TRUE(plug->SendMidi(&msg));
  ASSERT_EQ(mHost.mMidiReceived.size(), 1u);
  const VstMidiEvent& e = mHost.mMidiReceived[0];
  EXPECT_EQ(e.type, kVstMidiType);
  EXPECT_EQ(e.byteSize, 32);
  EXPECT_EQ(e.deltaFrames, 17);
  EXPECT_EQ((unsigned char)e.midiData[0], 0x90);
  EXPECT_EQ(e.midiData[1], 64);
  EXPECT_EQ(e.midiData[2], 127);
  EXPECT_EQ(e.midiData[3], 0);

  const unsigned char dump[] = {0xF0, 0x7E, 0xF7};
  ISysEx sysex;
  sysex.mOffset = 3;
  sysex.mSize = 3;
  sysex.mData = dump;
  EXPECT_TRUE(plug->SendSysEx(&sysex));
  ASSERT_EQ(mHost.mSysExReceived.size(), 1u);
  EXPECT_EQ(mHost.mSysExReceived[0].type, kVstSysExType);
  EXPECT_EQ(mHost.mSysExReceived[0].byteSize, (VstInt32)sizeof(VstMidiSysexEvent));
  EXPECT_EQ(mHost.mSysExReceived[0].deltaFrames, 3);
  EXPECT_EQ(mHost.mSysExReceived[0].dumpBytes, 3);
  EXPECT_EQ((const void*)mHost.mSysExReceived[0].sysexDump, (const void*)dump);

  mHost.mProcessEventsAnswer = 0;
  EXPECT_FALSE(plug->SendMidi(&msg));
  IMidiMsg list[2] = {msg, msg};
  EXPECT_FALSE(plug->SendMidiList(list, 2));
  sysex.mData = nullptr;
  EXPECT_FALSE(plug->SendSysEx(&sysex));
}

TEST_F(VstAdapterTest, TheEditorRectangleIsTheAttachedEditorsSize) {
  TestPlug* plug = Create();
  ERect* rect = nullptr;
  EXPECT_EQ(Dispatch(effEditGetRect, 0, 0, &rect), 0) << "no editor yet";
  plug->AttachEditor(new TestGraphics(plug, 620, 355));
  ASSERT_EQ(Dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 355);
  EXPECT_EQ(rect->right, 620);
  EXPECT_EQ(Dispatch(effEditGetRect, 0, 0, nullptr), 0);
}

TEST_F(VstAdapterTest, EffectRecordFollowsTheDeclaration) {
  Declaration plain;
  Create(plain);
  // Program chunks always: the host saves the exact state.
  EXPECT_EQ(mEffect->flags, effFlagsCanReplacing | effFlagsCanDoubleReplacing |
                                effFlagsProgramChunks | effFlagsCanMono);
  EXPECT_EQ(mEffect->numParams, 4);
  EXPECT_EQ(mEffect->numPrograms, 3);
  EXPECT_EQ(mEffect->version, 10203);
  ((TestPlug*)mEffect->object)->SetLatency(64);
  EXPECT_EQ(mEffect->initialDelay, 64);
  TearDown();

  // No presets declared: one "Default" program; chunks declared; no mono pair.
  Declaration chunky;
  chunky.mPresets = 0;
  chunky.mDoesChunks = true;
  chunky.mChannelIO = "2-2";
  Create(chunky);
  EXPECT_EQ(mEffect->flags,
            effFlagsCanReplacing | effFlagsCanDoubleReplacing | effFlagsProgramChunks);
  EXPECT_EQ(mEffect->numPrograms, 1);
  char name[64] = {0};
  EXPECT_EQ(Dispatch(effGetProgramNameIndexed, 0, 0, name), 1);
  EXPECT_STREQ(name, "Default");
  TearDown();
  mEffect = nullptr;
}

TEST_F(VstAdapterTest, MidiCapablePlugInAsksForMidiEveryBlockAndSaysSo) {
  Declaration midi;
  midi.mDoesMidi = 1;
  Create(midi);
  EXPECT_EQ(Dispatch(effCanDo, 0, 0, (void*)"receiveVstEvents"), 1);
  EXPECT_EQ(Dispatch(effCanDo, 0, 0, (void*)"receiveVstMidiEvent"), 1);
  EXPECT_EQ(Dispatch(effCanDo, 0, 0, (void*)"sendVstEvents"), 1);
  EXPECT_EQ(Dispatch(effCanDo, 0, 0, (void*)"sendVstMidiEvent"), 1);
  mHost.Clear();
  std::vector<float> a(32), b(32), c(32), d(32);
  float* in[2] = {a.data(), b.data()};
  float* out[2] = {c.data(), d.data()};
  mEffect->processReplacing(mEffect, in, out, 32);
  mEffect->processReplacing(mEffect, in, out, 32);
  EXPECT_EQ(mHost.CallsOf(audioMasterWantMidi).size(), 2u);
}

TEST_F(VstAdapterTest, HostsThatConnectOnlyTheFirstPairOfInputs) {
  Declaration quad;
  quad.mChannelIO = "4-4";
  for (const char* product : {"Forte", "Adobe Audition", "Orion", "SAWStudio", "Chainer"}) {
    SCOPED_TRACE(product);
    mHost.mProductName = product;
    TestPlug* plug = Create(quad);
    VstSpeakerArrangement four;
    std::memset(&four, 0, sizeof(four));
    four.numChannels = 2; // first the host connects two of each
    Dispatch(effSetSpeakerArrangement, 0, (VstIntPtr)&four, &four);
    Dispatch(effOpen);
    const bool special = std::string(product) != "Chainer";
    EXPECT_TRUE(plug->IsInChannelConnected(1));
    EXPECT_FALSE(plug->IsInChannelConnected(2));
    EXPECT_EQ(plug->IsOutChannelConnected(2), special);
    EXPECT_EQ(mEffect->numInputs, 4);
    EXPECT_EQ(mEffect->numOutputs, 4);
    TearDown();
    mEffect = nullptr;
  }
}

TEST_F(VstAdapterTest, MidiKeyNamesAreAskedOnlyForRealKeysAndChannels) {
  Create();
  const struct {
    VstInt32 mChannel;
    VstInt32 mKey;
    VstIntPtr mAnswer;
    const char* mName;
  } cases[] = {
      {0, 60, 1, "Key 60"},     {15, 127, 1, "Key 127"}, {0, 0, 1, "Key 0"},
      {0, 128, 0, "untouched"}, {0, -1, 0, "untouched"}, {16, 60, 0, "untouched"},
      {-1, 60, 0, "untouched"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mKey);
    ::MidiKeyName key;
    std::memset(&key, 0, sizeof(key));
    key.thisKeyNumber = c.mKey;
    std::snprintf(key.keyName, sizeof(key.keyName), "untouched");
    EXPECT_EQ(Dispatch(effGetMidiKeyName, c.mChannel, 0, &key), c.mAnswer);
    EXPECT_STREQ(key.keyName, c.mName);
  }
}

} // namespace
