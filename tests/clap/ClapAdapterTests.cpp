// The CLAP adapter's output towards the host, in-process with the real engine on it: what a
// host receives for edits made in the editor and for the step words the engine publishes
// after a pattern edit, while processing (output events of the block) and while not
// (a flush requested, also one the host runs inside the request), and that every gesture
// carries a value and the host hears of every change of the state.
#include "ClapInstance.h"
#include "Corvanel.h"
#include "IGraphics.h"

#include <gtest/gtest.h>

#include <new>
#include <vector>

namespace {

const char* const kFeatures[] = {"audio-effect", nullptr};
const clapabi::PluginDescriptor kDesc = {clapabi::kVersion, kCorvanelId, "Corvanel", "Orbalin", "",
                                         "", "", "1.2.0", "", kFeatures};

IPlugCLAP* CreateCorvanel(IPlugInstanceInfo info) { return new (std::nothrow) CLS_CORVANEL(info); }

// A factory over the in-process plug-in class, so that ClapInstance drives it as a host.
const clapabi::Plugin* CLAPABI_CALL Create(const clapabi::PluginFactory*, const clapabi::Host* host,
                                           const char*) {
  return IPlugCLAP::CreatePlugin(host, &kDesc, CreateCorvanel);
}
uint32_t CLAPABI_CALL Count(const clapabi::PluginFactory*) { return 1; }
const clapabi::PluginDescriptor* CLAPABI_CALL Describe(const clapabi::PluginFactory*, uint32_t) {
  return &kDesc;
}
const clapabi::PluginFactory kFactory = {Count, Describe, Create};

CLS_CORVANEL* Plug(const ClapInstance& c) { return (CLS_CORVANEL*)c.mPlugin->plugin_data; }

OutEvent Begin(clapabi::Id id) { return {clapabi::kEventParamGestureBegin, id, 0.0, 0}; }
OutEvent Value(clapabi::Id id, double v) { return {clapabi::kEventParamValue, id, v, 0}; }
OutEvent End(clapabi::Id id) { return {clapabi::kEventParamGestureEnd, id, 0.0, 0}; }

// A knob turned in the editor, as the controls tell the base: begin, value, end.
void TurnKnob(CLS_CORVANEL* plug, int idx, double normalized) {
  plug->HostBeginEdit(idx);
  plug->SetParamFromEditor(idx, normalized);
  plug->HostEndEdit(idx);
}

// A step bar set in the editor, as the bar does it: the entry, then the step-edit signal.
void EditStep(CLS_CORVANEL* plug, int entry, int level) {
  WDL_MutexLock lock(&plug->mMutex);
  *plug->StepEntry(entry) = (uint16_t)level;
  plug->HostBeginEdit(kStepEdited);
  plug->GetParam(kStepEdited)->SetClamped(1.0);
  plug->GetGUI()->SetControlsFromUserInput(kStepEdited, 1.0);
  plug->HostEndEdit(kStepEdited);
}

void ProcessBlock(ClapInstance& clap, OutputEventList& out, uint32_t frames = 256) {
  std::vector<float> l(frames, 0.25f), r(frames, 0.25f);
  float* io[2] = {l.data(), r.data()};
  const clapabi::EventTransport t = MakeTransport(true, 120.0, 0.0, 0.0);
  InputEventList none;
  clap.Process<float>(io, io, 2, frames, &t, &none, &out);
}

TEST(ClapOutput, AnEditorEditWhileNotProcessingAsksForAFlushThatCarriesTheGesture) {
  TestHost host;
  ClapInstance clap(host, &kFactory);
  TurnKnob(Plug(clap), kMix, 0.5);
  EXPECT_EQ(host.mFlushRequests, 1); // once until the host flushes
  EXPECT_GE(host.mDirtyMarks, 1);
  OutputEventList out;
  clap.Flush(InputEventList(), &out);
  EXPECT_EQ(out.mEvents, (std::vector<OutEvent>{Begin(kMix), Value(kMix, 50), End(kMix)}));
  EXPECT_FALSE(out.mBadEvent);
  // Flushed: the next edit asks again.
  TurnKnob(Plug(clap), kRate, 12.0 / 27.0);
  EXPECT_EQ(host.mFlushRequests, 2);
  EXPECT_TRUE(host.mViolations.empty()) << host.mViolations[0];
}

TEST(ClapOutput, AHostThatFlushesInsideTheRequestGetsEveryEventInOrder) {
  TestHost host;
  ClapInstance clap(host, &kFactory);
  host.mFlushSynchronously = clap.mPlugin;
  TurnKnob(Plug(clap), kTarget, 1.0);
  EXPECT_EQ(host.mSyncFlushOut.mEvents,
            (std::vector<OutEvent>{Begin(kTarget), Value(kTarget, 3), End(kTarget)}));
}

TEST(ClapOutput, AnEditorEditWhileProcessingGoesOutInTheNextBlock) {
  TestHost host;
  ClapInstance clap(host, &kFactory);
  ASSERT_TRUE(clap.Start());
  OutputEventList first;
  ProcessBlock(clap, first);
  TurnKnob(Plug(clap), kCycle, 0.0);
  EXPECT_EQ(host.mFlushRequests, 0);
  OutputEventList out;
  ProcessBlock(clap, out);
  EXPECT_EQ(out.mEvents, (std::vector<OutEvent>{Begin(kCycle), Value(kCycle, 1), End(kCycle)}));
  EXPECT_TRUE(host.mViolations.empty()) << host.mViolations[0];
}

// A gesture that ends without a value still carries one (a host would otherwise set the
// parameter to 0), and one the host cannot take yet waits for the next block.
TEST(ClapOutput, EveryGestureCarriesAValueAndNothingIsLostWhenTheHostIsFull) {
  TestHost host;
  ClapInstance clap(host, &kFactory);
  ASSERT_TRUE(clap.Start());
  CLS_CORVANEL* plug = Plug(clap);
  plug->HostBeginEdit(kRelease);
  plug->HostEndEdit(kRelease);
  TurnKnob(plug, kGate, 0.47);
  OutputEventList out;
  out.mCapacity = 4;
  ProcessBlock(clap, out);
  out.mCapacity = 100;
  ProcessBlock(clap, out);
  EXPECT_EQ(out.mEvents, (std::vector<OutEvent>{Begin(kRelease), Value(kRelease, 30),
                                                End(kRelease), Begin(kGate), Value(kGate, 47),
                                                End(kGate)}));
}

// A pattern edit: the host hears that the state changed at once (the step-edit signal is
// no host parameter), and the engine's republished step words come out of the next block,
// each inside its gesture with the value the host then reads.
TEST(ClapOutput, PublishedStepWordsGoOutAsGesturesAndMarkTheStateDirty) {
  TestHost host;
  ClapInstance clap(host, &kFactory);
  ASSERT_TRUE(clap.Start());
  OutputEventList first;
  ProcessBlock(clap, first);
  const int dirtyBefore = host.mDirtyMarks;
  EditStep(Plug(clap), 3, 4);
  EXPECT_GT(host.mDirtyMarks, dirtyBefore);
  OutputEventList out;
  ProcessBlock(clap, out);
  std::vector<OutEvent> expected;
  for (clapabi::Id w = kStepWord0; w <= kStepWord12; ++w) {
    expected.push_back(Begin(w));
    expected.push_back(Value(w, clap.Value(w)));
    expected.push_back(End(w));
  }
  EXPECT_EQ(out.mEvents, expected);
  clapabi::ParamInfo info;
  ASSERT_TRUE(clap.mParams->get_info(clap.mPlugin, kStepWord0, &info));
  EXPECT_NE(clap.Value(kStepWord0), info.default_value); // step 4 is in the first word
  // Published on the audio thread: the host hears of it through the main thread only.
  EXPECT_TRUE(host.mViolations.empty()) << host.mViolations[0];
  EXPECT_GE(host.mCallbackRequests, 1);
  const int dirty = host.mDirtyMarks;
  clap.mPlugin->on_main_thread(clap.mPlugin);
  EXPECT_EQ(host.mDirtyMarks, dirty + 1);
}

} // namespace
