// Channel plumbing, edit gestures, editor hand-over and host identification of the
// plug-in base, driven through the test host adapter.
#include "IControl.h"
#include "TestGraphics.h"
#include "PluginAdapter.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

using Event = IPlugTestHost::Event;

// A plug-in whose block doubles the input and counts its calls.
class DoublingPlug : public IPlugTestHost {
public:
  DoublingPlug()
      : IPlugTestHost(IPlugInstanceInfo(), 4, "1-1 2-2", 3, "Effect", "Product", "Maker",
                      0x00010200, 1, 2, 0, 0, false, false) {
    GetParam(0)->DefineInt("A", 0, 0, 10);
    GetParam(1)->DefineEnum("B", 1, 3);
    GetParam(2)->DefineInt("C", 0, -5, 5);
    GetParam(3)->DefineDouble("D", 0.5, 0, 1, 0.01);
  }
  void MakeReady() { mReadyToProcess = true; }
  void ProcessBlock(double** in, double** out, int n) override {
    ++mBlocks;
    for (int ch = 0; ch < 2; ++ch)
      for (int i = 0; i < n; ++i)
        out[ch][i] = 2.0 * in[ch][i];
  }
  void ParamChanged(int idx) override { mChanged.push_back(idx); }
  int mBlocks = 0;
  std::vector<int> mChanged;
};

// A control of one parameter that records every value the plug-in side pushes.
class RecordingControl : public IControl {
public:
  RecordingControl(IPlugBase* plug, int paramIdx) : IControl(plug, IRECT(0, 0, 1, 1), paramIdx) {}
  bool Draw(IGraphics*) override { return true; }
  void SetValueFromPlug(double value) override {
    mPushed.push_back(value);
    IControl::SetValueFromPlug(value);
  }
  std::vector<double> mPushed;
};

// The real editor core on the off-screen surface, with a recording control per parameter.
struct Editor {
  explicit Editor(IPlugBase* plug, int fps = 24) : graphics(new TestGraphics(plug, 8, 8, fps)) {
    for (int i = 0; i < plug->NParams(); ++i) {
      controls.push_back(new RecordingControl(plug, i));
      graphics->AttachControl(controls.back());
    }
  }
  TestGraphics* graphics; // owned by the plug-in once attached
  std::vector<RecordingControl*> controls;
};

TEST(PlugBaseChannels, ParsesPairsAndChecksLegalIO) {
  DoublingPlug plug;
  EXPECT_EQ(plug.NChannelIO(), 2);
  EXPECT_EQ(plug.NInChannels(), 2);
  EXPECT_EQ(plug.NOutChannels(), 2);
  EXPECT_TRUE(plug.LegalIO(1, -1));
  EXPECT_TRUE(plug.LegalIO(2, 2));
  EXPECT_TRUE(plug.LegalIO(-1, -1));
  EXPECT_FALSE(plug.LegalIO(1, 2));
  EXPECT_FALSE(plug.LegalIO(3, 3));
}

TEST(PlugBaseChannels, FloatReplacingBeforeReadyGivesScratchZeros) {
  DoublingPlug plug;
  plug.OpenLikeHost(44100, 8);
  float inL[8], inR[8], outL[8], outR[8];
  for (int i = 0; i < 8; ++i)
    inL[i] = inR[i] = 1.0f, outL[i] = outR[i] = 9.0f;
  float* in[2] = {inL, inR};
  float* out[2] = {outL, outR};
  plug.ProcessFloat(in, out, 8);
  EXPECT_EQ(plug.mBlocks, 0);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(outL[i], 0.0f);
}

TEST(PlugBaseChannels, FloatDoubleAndAccumulating) {
  DoublingPlug plug;
  plug.OpenLikeHost(44100, 4);
  plug.MakeReady();
  float inL[4] = {1, 2, 3, 4}, inR[4] = {-1, -2, -3, -4}, outL[4] = {}, outR[4] = {};
  float* in[2] = {inL, inR};
  float* out[2] = {outL, outR};
  plug.ProcessFloat(in, out, 4);
  EXPECT_EQ(outL[3], 8.0f);
  EXPECT_EQ(outR[0], -2.0f);

  // Accumulating adds to what the host buffer holds.
  plug.AttachInputBuffers(0, 2, in, 4);
  plug.AttachOutputBuffers(0, 2, out);
  plug.ProcessBuffersAccumulating(0.0f, 4);
  EXPECT_EQ(outL[3], 16.0f);

  double dInL[4] = {0.5, 0, 0, 0}, dInR[4] = {0.25, 0, 0, 0}, dOutL[4], dOutR[4];
  double* dIn[2] = {dInL, dInR};
  double* dOut[2] = {dOutL, dOutR};
  plug.ProcessDouble(dIn, dOut, 4);
  EXPECT_EQ(dOutL[0], 1.0);
  EXPECT_EQ(dOutR[0], 0.5);
}

TEST(PlugBaseChannels, HostBuffersGoToConnectedChannelsInOrder) {
  DoublingPlug plug;
  plug.OpenLikeHost(44100, 4, 1); // mono: channel 1 of each side unconnected
  plug.MakeReady();
  EXPECT_TRUE(plug.IsInChannelConnected(0));
  EXPECT_FALSE(plug.IsInChannelConnected(1));
  float in0[4] = {1, 1, 1, 1}, out0[4] = {};
  float* in[1] = {in0};
  float* out[1] = {out0};
  plug.ProcessFloat(in, out, 4, 1);
  EXPECT_EQ(out0[0], 2.0f);

  // Only input 1 connected: the host's first buffer feeds channel 1, channel 0 reads zeros.
  plug.SetInputChannelConnections(0, 1, false);
  plug.SetInputChannelConnections(1, 1, true);
  plug.SetOutputChannelConnections(0, 2, true);
  float hostIn[4] = {3, 3, 3, 3}, oL[4] = {}, oR[4] = {};
  float* hin[1] = {hostIn};
  float* hout[2] = {oL, oR};
  plug.AttachInputBuffers(0, 2, hin, 4);
  plug.AttachOutputBuffers(0, 2, hout);
  plug.ProcessBuffers(0.0f, 4);
  EXPECT_EQ(oL[0], 0.0f);
  EXPECT_EQ(oR[0], 6.0f);

  // Pass-through copies (never the plug-in's block).
  const int blocks = plug.mBlocks;
  plug.AttachInputBuffers(0, 2, hin, 4);
  plug.AttachOutputBuffers(0, 2, hout);
  plug.PassThroughBuffers(0.0f, 4);
  EXPECT_EQ(plug.mBlocks, blocks);
  EXPECT_EQ(oR[0], 3.0f);
}

TEST(PlugBaseChannels, LongerBlocksThanTheScratchAreCut) {
  DoublingPlug plug;
  plug.OpenLikeHost(44100, 4);
  plug.MakeReady();
  float inL[8] = {1, 1, 1, 1, 1, 1, 1, 1}, inR[8] = {}, outL[8] = {}, outR[8] = {};
  float* in[2] = {inL, inR};
  float* out[2] = {outL, outR};
  plug.ProcessFloat(in, out, 8); // must not write past the 4-frame scratch buffers
  EXPECT_EQ(outL[3], 2.0f);
  EXPECT_EQ(outL[4], 0.0f);
}

TEST(PlugBaseParams, EditorChangeStoresTellsHostAndReacts) {
  DoublingPlug plug;
  plug.SetParamFromEditor(1, 1.0);
  EXPECT_EQ(plug.GetParam(1)->Value(), 2.0);
  ASSERT_EQ(plug.mEvents.size(), 1u);
  EXPECT_EQ(plug.mEvents[0].mKind, Event::kSet);
  EXPECT_EQ(plug.mEvents[0].mValue, 1.0);
  EXPECT_EQ(plug.mChanged, std::vector<int>{1});

  plug.SetParamFromEditor(99, 0.5); // out of range: ignored
  plug.SetParamFromEditor(-1, 0.5);
  EXPECT_EQ(plug.mEvents.size(), 1u);
  EXPECT_EQ(plug.GetParam(4), nullptr);

  plug.mChanged.clear();
  plug.NotifyAllParams();
  EXPECT_EQ(plug.mChanged, (std::vector<int>{0, 1, 2, 3}));
}

TEST(PlugBaseGestures, DeferredEndWithoutEditorEndsAtOnce) {
  DoublingPlug plug;
  plug.HostBeginEditOnce(0);
  plug.DeferHostEndEdit(0);
  ASSERT_EQ(plug.mEvents.size(), 2u);
  EXPECT_EQ(plug.mEvents[0].mKind, Event::kBegin);
  EXPECT_EQ(plug.mEvents[1].mKind, Event::kEnd);
}

TEST(PlugBaseGestures, WheelRunIsOneGestureEndedByTheTimer) {
  DoublingPlug plug;
  Editor editor(&plug, 1);
  plug.AttachEditor(editor.graphics);

  for (int step = 0; step < 3; ++step) {
    plug.HostBeginEditOnce(2);
    plug.DeferHostEndEdit(2);
  }
  EXPECT_EQ(editor.graphics->mTimer, 1); // max(1, fps / 2)
  ASSERT_EQ(plug.mEvents.size(), 1u);
  EXPECT_EQ(plug.mEvents[0].mKind, Event::kBegin);

  // A wheel step on another parameter ends the first gesture before beginning.
  plug.HostBeginEditOnce(0);
  ASSERT_EQ(plug.mEvents.size(), 3u);
  EXPECT_EQ(plug.mEvents[1].mKind, Event::kEnd);
  EXPECT_EQ(plug.mEvents[1].mParamIdx, 2);
  EXPECT_EQ(plug.mEvents[2].mKind, Event::kBegin);
  EXPECT_EQ(editor.graphics->mTimer, 0);

  plug.DeferHostEndEdit(0);
  plug.FlushPendingEndEdit(); // the timer fired
  EXPECT_EQ(editor.graphics->mTimer, 0);
  ASSERT_EQ(plug.mEvents.size(), 4u);
  EXPECT_EQ(plug.mEvents[3].mKind, Event::kEnd);
  plug.FlushPendingEndEdit(); // nothing pending: the host hears nothing
  EXPECT_EQ(plug.mEvents.size(), 4u);
}

TEST(PlugBaseGestures, TimerLastsHalfTheFrameRate) {
  DoublingPlug plug;
  Editor editor(&plug, 24);
  plug.AttachEditor(editor.graphics);
  plug.HostBeginEditOnce(0);
  plug.DeferHostEndEdit(0);
  EXPECT_EQ(editor.graphics->mTimer, 12);
  for (int tick = 0; tick < 11; ++tick)
    editor.graphics->Tick();
  EXPECT_EQ(plug.mEvents.back().mKind, Event::kBegin);
  editor.graphics->Tick(); // the twelfth tick ends the gesture
  EXPECT_EQ(plug.mEvents.back().mKind, Event::kEnd);
}

TEST(PlugBaseEditor, AttachPushesEveryValueAndRefreshPushesTheRealOnes) {
  DoublingPlug plug;
  plug.GetParam(0)->mValue = 5;
  Editor editor(&plug);
  plug.AttachEditor(nullptr); // ignored
  EXPECT_EQ(plug.GetGUI(), nullptr);
  plug.AttachEditor(editor.graphics);
  EXPECT_EQ(plug.GetGUI(), editor.graphics);
  EXPECT_NE(editor.graphics->GetDrawBitmap(), nullptr);
  EXPECT_EQ(editor.controls[0]->mPushed, std::vector<double>{0.5});
  EXPECT_EQ(editor.controls[0]->GetDefaultValue(), 0.5);

  plug.GetParam(0)->mValue = 10;
  plug.RefreshEditorParams();
  EXPECT_EQ(editor.controls[0]->mPushed, (std::vector<double>{0.5, 1.0}));
}

TEST(PlugBaseHost, LookUpHostTable) {
  struct Case {
    const char* name;
    int id;
  } cases[] = {
      {"Steinberg CUBASE", kHostCubase},
      {"REAPER live edition", kHostReaper}, // reaper is tested before live
      {"Ableton Live", kHostAbletonLive},
      {"", kHostUnknown},
      {"unheard-of", kHostUnknown},
      {"BrainWaveProducer cubase", kHostBrainwave},
      {"Ardour", kHostArdour},
      {"Digital Performer", kHostDigitalPerformer},
      {"GarageBand", kHostGarageBand},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IPlugBase::LookUpHost(c.name), c.id) << c.name;
  EXPECT_EQ(IPlugBase::LookUpHost(nullptr), kHostUnknown);
  std::string huge(1000, 'x');
  huge += "cubase"; // beyond the 255 characters looked at
  EXPECT_EQ(IPlugBase::LookUpHost(huge.c_str()), kHostUnknown);

  DoublingPlug plug;
  plug.mTestHostName = "Cakewalk SONAR";
  EXPECT_EQ(plug.HostId(), kHostSonar);
}

TEST(PlugBaseIdentity, VersionNumbersAndText) {
  DoublingPlug plug;
  EXPECT_EQ(plug.GetEffectVersion(true), 10200);
  EXPECT_EQ(plug.GetEffectVersion(false), 0x00010200);
  char text[32];
  plug.GetEffectVersionString(text);
  EXPECT_STREQ(text, "v1.02");

}

} // namespace
