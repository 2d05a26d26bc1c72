// The state, audio-ports and latency extensions: the small answers about the instance.
// The state is the base's blob, the same bytes as the VST2 program chunk, refused whole
// when damaged. The ports are one stereo main input and output that may share buffers;
// a host that hands one channel gets the mono processing the channel rules allow.
#include "ChunkBuffer.h"
#include "ClapExtensions.h"
#include "IPlugCLAP.h"

#include <cstdio>
#include <cstring>

namespace {
// No state of this plug-in comes near this size; a stream longer than it is not ours.
constexpr int kMaxStateBytes = 1 << 16;

IPlugCLAP* Plug(const clapabi::Plugin* plugin) {
  return plugin ? (IPlugCLAP*)plugin->plugin_data : nullptr;
}
} // namespace

struct ClapStateExtension {
  // [main thread] Written in as many pieces as the host's stream takes.
  static bool CLAPABI_CALL Save(const clapabi::Plugin* plugin, const clapabi::OStream* stream) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug || !stream || !stream->write) return false;
    plug->CheckThread(false, "state.save");
    ChunkBuffer chunk;
    if (!plug->SaveState(&chunk)) return false;
    const unsigned char* bytes = chunk.GetBytes();
    int64_t done = 0;
    while (done < chunk.Size()) {
      const int64_t n = stream->write(stream, bytes + done, (uint64_t)(chunk.Size() - done));
      if (n <= 0 || n > chunk.Size() - done) return false;
      done += n;
    }
    return true;
  }

  // [main thread] Read to the stream's end; nothing changes unless the whole state is good.
  static bool CLAPABI_CALL Load(const clapabi::Plugin* plugin, const clapabi::IStream* stream) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug || !stream || !stream->read) return false;
    plug->CheckThread(false, "state.load");
    ChunkBuffer chunk;
    unsigned char buf[1024];
    for (;;) {
      const int64_t n = stream->read(stream, buf, sizeof(buf));
      if (n == 0) break;
      if (n < 0 || n > (int64_t)sizeof(buf)) return false;
      if (chunk.Size() + n > kMaxStateBytes || !chunk.PutBytes(buf, (int)n)) return false;
    }
    if (!plug->LoadState(chunk.GetBytes(), chunk.Size())) {
      plug->Log(clapabi::kLogError, "Corvanel: the state is damaged or of another version; "
                                    "nothing was changed");
      return false;
    }
    WDL_MutexLock lock(&plug->mMutex);
    if (plug->mHostParams && plug->mHostParams->rescan)
      plug->mHostParams->rescan(plug->mClapHost, clapabi::kParamRescanValues);
    return true;
  }
};

struct ClapPortsExtension {
  // [main thread]
  static uint32_t CLAPABI_CALL Count(const clapabi::Plugin* plugin, bool isInput) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug) return 0;
    return (isInput ? plug->NInChannels() : plug->NOutChannels()) > 0 ? 1 : 0;
  }

  static bool CLAPABI_CALL Get(const clapabi::Plugin* plugin, uint32_t index, bool isInput,
                               clapabi::AudioPortInfo* info) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug || !info || index >= Count(plugin, isInput)) return false;
    std::memset(info, 0, sizeof(*info));
    const int channels = isInput ? plug->NInChannels() : plug->NOutChannels();
    info->id = 0;
    std::snprintf(info->name, sizeof(info->name), "%s", isInput ? "Input" : "Output");
    info->flags = clapabi::kAudioPortIsMain | clapabi::kAudioPortSupports64Bits;
    info->channel_count = (uint32_t)channels;
    info->port_type = channels == 2 ? clapabi::kPortStereo
                                    : (channels == 1 ? clapabi::kPortMono : nullptr);
    info->in_place_pair = 0; // the input and output of the same id share buffers
    return true;
  }
};

namespace {
// [main thread, active or being activated]
uint32_t CLAPABI_CALL LatencyGet(const clapabi::Plugin* plugin) {
  IPlugCLAP* plug = Plug(plugin);
  return plug && plug->GetLatency() > 0 ? (uint32_t)plug->GetLatency() : 0;
}
} // namespace

const clapabi::PluginState kClapState = {ClapStateExtension::Save, ClapStateExtension::Load};
const clapabi::PluginAudioPorts kClapAudioPorts = {ClapPortsExtension::Count,
                                                   ClapPortsExtension::Get};
const clapabi::PluginLatency kClapLatency = {LatencyGet};
