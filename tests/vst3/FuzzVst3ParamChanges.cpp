// libFuzzer target: the host's parameter-change queues and process context on one
// long-lived, processing Corvanel instance. The bytes describe a block: its length
// (0 = a parameter flush), sample size, whether a context comes and its fields, then
// queues of any id with points of any offset and any value (NaN and infinities included).
// Every parameter stays a finite value in range and every output sample is finite.
#include "../common/FuzzReader.h"
#include "Corvanel.h"
#include "Vst3TestHost.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace vst3;

namespace {
constexpr int kMaxBlock = 512;

IPlugVST3* CreateCorvanel(IPlugInstanceInfo instanceInfo) { return new CLS_CORVANEL(instanceInfo); }

struct Plugin {
  IComponent* mComponent = nullptr;
  IAudioProcessor* mProcessor = nullptr;
  IEditController* mController = nullptr;
};

Plugin& Instance() {
  static Plugin p = [] {
    Plugin q;
    void* obj = nullptr;
    IPlugVST3::CreateInstance(CreateCorvanel, kComponentIid.mBytes, &obj);
    q.mComponent = static_cast<IComponent*>(obj);
    q.mComponent->initialize(nullptr);
    q.mComponent->queryInterface(kAudioProcessorIid.mBytes, &obj);
    q.mProcessor = static_cast<IAudioProcessor*>(obj);
    q.mComponent->queryInterface(kEditControllerIid.mBytes, &obj);
    q.mController = static_cast<IEditController*>(obj);
    ProcessSetup setup = {kRealtime, kSample32, kMaxBlock, 44100.0};
    q.mProcessor->setupProcessing(&setup);
    q.mComponent->setActive(1);
    q.mProcessor->setProcessing(1);
    return q;
  }();
  return p;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Plugin& p = Instance();
  FuzzReader r(data, size);
  const uint8_t head = r.Take<uint8_t>();
  const int frames = (int)(r.Take<uint16_t>() % (kMaxBlock + 1));
  const bool doubles = head & 1;
  ProcessContext ctx;
  std::memset(&ctx, 0, sizeof(ctx));
  if (head & 2) {
    ctx.state = r.Take<uint32_t>();
    ctx.sampleRate = 44100.0;
    ctx.projectTimeSamples = r.Take<int64_t>();
    ctx.projectTimeMusic = r.Take<double>();
    ctx.tempo = r.Take<double>();
    ctx.cycleStartMusic = r.Take<double>();
    ctx.cycleEndMusic = r.Take<double>();
    ctx.timeSigNumerator = r.Take<int32_t>();
    ctx.timeSigDenominator = r.Take<int32_t>();
  }
  TestParamChanges changes;
  while (r.More()) {
    // Mostly our own ids and the program id; sometimes anything.
    const uint8_t pick = r.Take<uint8_t>();
    const ParamID id = pick < 230 ? (ParamID)(pick % 24 == 23 ? 1000 : pick % 24)
                                  : r.Take<uint32_t>();
    const int32_t offset = r.Take<int16_t>();
    const double value = (pick & 1) ? r.Take<double>() : r.Take<uint8_t>() / 255.0;
    changes.Add(id, offset, value);
  }

  std::vector<float> f[2];
  std::vector<double> d[2];
  float* fp[2];
  double* dp[2];
  for (int c = 0; c < 2; ++c) {
    f[c].assign((size_t)frames + 1, 0.25f);
    d[c].assign((size_t)frames + 1, 0.25);
    fp[c] = f[c].data();
    dp[c] = d[c].data();
  }
  AudioBusBuffers in, out;
  std::memset(&in, 0, sizeof(in));
  in.numChannels = 2;
  if (doubles)
    in.channelBuffers64 = dp;
  else
    in.channelBuffers32 = fp;
  out = in;
  TestParamChanges outChanges;
  ProcessData pd;
  std::memset(&pd, 0, sizeof(pd));
  pd.symbolicSampleSize = doubles ? kSample64 : kSample32;
  pd.numSamples = frames;
  pd.numInputs = pd.numOutputs = frames > 0 ? 1 : 0;
  pd.inputs = &in;
  pd.outputs = &out;
  pd.inputParameterChanges = &changes;
  pd.outputParameterChanges = &outChanges;
  pd.processContext = (head & 2) ? &ctx : nullptr;
  p.mProcessor->process(&pd);

  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < frames; ++i)
      if (!std::isfinite(doubles ? d[c][(size_t)i] : (double)f[c][(size_t)i])) std::abort();
  for (ParamID id = 0; id < 23; ++id) {
    const double v = p.mController->getParamNormalized(id);
    if (!(v >= 0.0 && v <= 1.0)) std::abort();
  }
  for (const TestParamQueue* q : outChanges.mQueues)
    for (const auto& point : q->mPoints)
      if (!(point.second >= 0.0 && point.second <= 1.0)) std::abort();
  return 0;
}
