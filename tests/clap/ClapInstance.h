#pragma once
// A Corvanel instance as a CLAP host holds it: created through a plug-in record's factory
// (from the built library's clap_entry, or in-process), initialised, activated and
// processed by the test host, deactivated and destroyed at the end.
#include "ClapTestHost.h"

#include <cstring>
#include <string>
#include <vector>

constexpr const char* kCorvanelId = "com.orbalin.corvanel";

template <class T> const T* PluginExt(const clapabi::Plugin* p, const char* id) {
  return (const T*)p->get_extension(p, id);
}

class ClapInstance {
public:
  // A plug-in record from a factory (or null, and every call then fails the test).
  ClapInstance(TestHost& host, const clapabi::PluginFactory* factory, bool init = true)
      : mHost(host) {
    if (!factory) return;
    host.SetCreating(true);
    mPlugin = factory->create_plugin(factory, host.Host(), kCorvanelId);
    host.SetCreating(false);
    if (mPlugin && init) Init();
  }
  ~ClapInstance() {
    if (!mPlugin) return;
    if (mProcessing) StopProcessing();
    if (mActive) mPlugin->deactivate(mPlugin);
    mPlugin->destroy(mPlugin);
  }
  ClapInstance(const ClapInstance&) = delete;
  ClapInstance& operator=(const ClapInstance&) = delete;

  bool Init() {
    if (!mPlugin->init(mPlugin)) return false;
    mParams = PluginExt<clapabi::PluginParams>(mPlugin, clapabi::kExtParams);
    mState = PluginExt<clapabi::PluginState>(mPlugin, clapabi::kExtState);
    mPorts = PluginExt<clapabi::PluginAudioPorts>(mPlugin, clapabi::kExtAudioPorts);
    return true;
  }
  bool Activate(double rate = 44100.0, uint32_t minFrames = 1, uint32_t maxFrames = 512) {
    mActive = mPlugin->activate(mPlugin, rate, minFrames, maxFrames);
    return mActive;
  }
  bool StartProcessing() {
    TestHost::AudioScope audio;
    mProcessing = mPlugin->start_processing(mPlugin);
    return mProcessing;
  }
  void StopProcessing() {
    TestHost::AudioScope audio;
    mPlugin->stop_processing(mPlugin);
    mProcessing = false;
  }
  // Activated at `rate` with blocks up to `maxFrames`, processing.
  bool Start(double rate = 44100.0, uint32_t maxFrames = 512) {
    return Activate(rate, 1, maxFrames) && StartProcessing();
  }

  // One block of float (or double) stereo audio, in place unless `separate`.
  template <class T>
  int32_t Process(T** in, T** out, uint32_t channels, uint32_t frames,
                  const clapabi::EventTransport* transport, const InputEventList* events = nullptr,
                  OutputEventList* outEvents = nullptr) {
    clapabi::AudioBuffer inBuf, outBuf;
    std::memset(&inBuf, 0, sizeof(inBuf));
    std::memset(&outBuf, 0, sizeof(outBuf));
    SetData(inBuf, in);
    SetData(outBuf, out);
    inBuf.channel_count = outBuf.channel_count = channels;
    InputEventList none;
    OutputEventList discard;
    clapabi::Process p;
    std::memset(&p, 0, sizeof(p));
    p.steady_time = mSteady;
    p.frames_count = frames;
    p.transport = transport;
    p.audio_inputs = &inBuf;
    p.audio_outputs = &outBuf;
    p.audio_inputs_count = p.audio_outputs_count = 1;
    p.in_events = (events ? events : &none)->List();
    p.out_events = (outEvents ? outEvents : &discard)->List();
    mSteady += frames;
    TestHost::AudioScope audio;
    return mPlugin->process(mPlugin, &p);
  }

  double Value(clapabi::Id id) {
    double v = -12345.0;
    mParams->get_value(mPlugin, id, &v);
    return v;
  }
  std::string Text(clapabi::Id id, double value) {
    char buf[256];
    std::memset(buf, 'x', sizeof(buf));
    if (!mParams->value_to_text(mPlugin, id, value, buf, sizeof(buf))) return "(refused)";
    return buf;
  }
  // Sets parameters between blocks, through flush (as a host does while not processing).
  void Flush(const InputEventList& in, OutputEventList* out = nullptr) {
    OutputEventList discard;
    if (mActive) {
      TestHost::AudioScope audio;
      mParams->flush(mPlugin, in.List(), (out ? out : &discard)->List());
    } else {
      mParams->flush(mPlugin, in.List(), (out ? out : &discard)->List());
    }
  }
  void Set(clapabi::Id id, double value) {
    InputEventList in;
    in.AddParam(0, id, value);
    Flush(in);
  }
  std::vector<unsigned char> Save() {
    MemoryStreams s;
    if (!mState->save(mPlugin, &s.mOut)) return {};
    return s.mBytes;
  }
  bool Load(const std::vector<unsigned char>& bytes, size_t chunk = 1 << 20) {
    MemoryStreams s;
    s.mBytes = bytes;
    s.mChunk = chunk;
    return mState->load(mPlugin, &s.mIn);
  }

  TestHost& mHost;
  const clapabi::Plugin* mPlugin = nullptr;
  const clapabi::PluginParams* mParams = nullptr;
  const clapabi::PluginState* mState = nullptr;
  const clapabi::PluginAudioPorts* mPorts = nullptr;
  bool mActive = false;
  bool mProcessing = false;
  int64_t mSteady = 0;

private:
  static void SetData(clapabi::AudioBuffer& b, float** d) { b.data32 = d; }
  static void SetData(clapabi::AudioBuffer& b, double** d) { b.data64 = d; }
};
