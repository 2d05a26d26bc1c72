// The CLAP audio path allocates nothing: after a warm-up, blocks that carry parameter and
// transport events (a tempo change, a loop jump, a preset), float and double buffers, mono
// and stereo, blocks of no frames, a flush on the audio thread, and the output of an
// editor edit and of the republished step words run without a single allocation or free
// on the audio thread. The counters replace the C library's allocator in this program.
#include "ClapInstance.h"
#include "Corvanel.h"
#include "IGraphics.h"
#include "RtCounters.h"

#include <gtest/gtest.h>

#include <new>
#include <vector>

namespace {

const char* const kFeatures[] = {nullptr};
const clapabi::PluginDescriptor kDesc = {clapabi::kVersion, kCorvanelId, "Corvanel", "Orbalin", "",
                                         "", "", "1.2.0", "", kFeatures};
const clapabi::PluginFactory kFactory = {
    [](const clapabi::PluginFactory*) -> uint32_t { return 1; },
    [](const clapabi::PluginFactory*, uint32_t) { return &kDesc; },
    [](const clapabi::PluginFactory*, const clapabi::Host* host, const char*) {
      return IPlugCLAP::CreatePlugin(host, &kDesc, [](IPlugInstanceInfo info) -> IPlugCLAP* {
        return new (std::nothrow) CLS_CORVANEL(info);
      });
    }};

TEST(ClapRealTimeSafety, TheAudioPathAllocatesNothing) {
  TestHost host;
  ClapInstance clap(host, &kFactory);
  ASSERT_TRUE(clap.Start(48000.0, 512));
  CLS_CORVANEL* plug = (CLS_CORVANEL*)clap.mPlugin->plugin_data;

  // Everything the blocks use is made before counting: buffers, event lists, the output
  // list's room.
  std::vector<float> l(512, 0.5f), r(512, -0.5f);
  std::vector<double> dl(512, 0.5), dr(512, -0.5);
  float* io[2] = {l.data(), r.data()};
  double* dio[2] = {dl.data(), dr.data()};
  InputEventList events;
  events.AddParam(17, 9, 70);
  events.AddParam(100, 0, 12);
  events.AddTransport(200, MakeTransport(true, 133.7, 3.0, 1.5));
  events.AddTransport(300, MakeTransport(true, 133.7, 0.0, 0.0));
  events.AddParam(301, 10, 12345);
  InputEventList preset;
  preset.AddParam(0, 26, 3);
  OutputEventList out;
  out.mEvents.reserve(4096);
  const clapabi::EventTransport t = MakeTransport(true, 120.0, 0.0, 0.0);
  auto blocks = [&](int n) {
    for (int b = 0; b < n; ++b) {
      clap.Process<float>(io, io, 2, 512, &t, &events, &out);
      clap.Process<double>(dio, dio, 2, 256, &t, &events, &out);
      clap.Process<float>(io, io, 1, 100, nullptr, nullptr, &out);
      clap.Process<float>(io, io, 2, 0, &t, &events, &out);
      clap.Flush(events, &out);
    }
  };
  blocks(20);

  RtThreadCounts audio;
  RtCounters::Attach(&audio);
  RtCounters::SetCounting(true);
  blocks(50);
  RtCounters::SetCounting(false);
  RtCounters::Attach(nullptr);
  EXPECT_EQ(audio.mAllocations, 0);
  EXPECT_EQ(audio.mFrees, 0);

  // Edits queued by the editor (as its controls make them) and a pattern edit, then the
  // blocks that send them out and republish the step words.
  plug->HostBeginEdit(kMix);
  plug->SetParamFromEditor(kMix, 0.25);
  plug->HostEndEdit(kMix);
  {
    WDL_MutexLock lock(&plug->mMutex);
    *plug->StepEntry(5) = 0;
    plug->HostBeginEdit(kStepEdited);
    plug->GetParam(kStepEdited)->SetClamped(1.0);
    plug->GetGUI()->SetControlsFromUserInput(kStepEdited, 1.0);
    plug->HostEndEdit(kStepEdited);
  }
  out.mEvents.clear();
  RtCounters::Attach(&audio);
  RtCounters::SetCounting(true);
  clap.Process<float>(io, io, 2, 512, &t, &preset, &out);
  blocks(5);
  RtCounters::SetCounting(false);
  RtCounters::Attach(nullptr);
  EXPECT_EQ(audio.mAllocations, 0);
  EXPECT_EQ(audio.mFrees, 0);
  EXPECT_GE(out.mEvents.size(), 3u + 13u * 3u); // the edit and the step words went out
}

} // namespace
