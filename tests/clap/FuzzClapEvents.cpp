// libFuzzer target: a host's input event lists and block shapes. The bytes are read as a
// little program: a block header (frames, whether a transport comes, its flags and
// fields), then events (type, space, claimed size, frame, parameter, value) until the
// bytes run out. Events are stored in exactly the bytes they claim, so reading past an
// event's size is caught. The output must stay finite for a finite input, and every
// parameter inside its range.
#include "../common/FuzzReader.h"
#include "FuzzClapInstance.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ClapInstance& clap = FuzzInstance();
  FuzzReader in(data, size);
  const uint32_t frames = in.Take<uint16_t>() % 2049; // beyond the activated maximum too
  clapabi::EventTransport transport;
  std::memset(&transport, 0, sizeof(transport));
  const bool hasTransport = in.Take<uint8_t>() & 1;
  transport.flags = in.Take<uint8_t>();
  transport.song_pos_beats = in.Take<int64_t>();
  transport.song_pos_seconds = in.Take<int64_t>();
  transport.tempo = in.Take<double>();

  InputEventList events;
  for (int n = 0; in.More() && n < 2000; ++n) {
    const uint8_t kind = in.Take<uint8_t>();
    std::vector<unsigned char> bytes(sizeof(clapabi::EventTransport));
    clapabi::EventHeader h;
    h.time = in.Take<uint16_t>() % 4096;
    h.space_id = (kind & 0x80) ? 1 : clapabi::kCoreEventSpace;
    h.type = (kind & 0x40) ? clapabi::kEventTransport : (uint16_t)(kind % 12);
    h.flags = 0;
    // The size the event claims, sometimes too small for its type.
    const uint32_t full = h.type == clapabi::kEventTransport ? sizeof(clapabi::EventTransport)
                                                             : sizeof(clapabi::EventParamValue);
    h.size = (kind & 0x20) ? (uint32_t)sizeof(clapabi::EventHeader) + in.Take<uint8_t>() % 40 : full;
    if (h.size > full) h.size = full;
    bytes.resize(h.size);
    std::memcpy(bytes.data(), &h, sizeof(h));
    if (h.size >= sizeof(clapabi::EventParamValue) && h.type != clapabi::kEventTransport) {
      clapabi::EventParamValue* e = (clapabi::EventParamValue*)bytes.data();
      e->param_id = in.Take<uint8_t>() % 30;
      e->value = in.Take<double>();
    } else if (h.type == clapabi::kEventTransport && h.size >= sizeof(clapabi::EventTransport)) {
      clapabi::EventTransport* e = (clapabi::EventTransport*)bytes.data();
      e->flags = in.Take<uint8_t>();
      e->song_pos_beats = in.Take<int64_t>();
      e->song_pos_seconds = in.Take<int64_t>();
      e->tempo = in.Take<double>();
    }
    events.AddRaw(bytes.data(), (uint32_t)bytes.size());
  }

  std::vector<float> l(frames + 1, 0.25f), r(frames + 1, -0.25f);
  float* io[2] = {l.data(), r.data()};
  OutputEventList out;
  clap.Process<float>(io, io, 2, frames, hasTransport ? &transport : nullptr, &events, &out);
  for (uint32_t i = 0; i < frames; ++i)
    if (!std::isfinite(l[i]) || !std::isfinite(r[i])) std::abort();
  for (clapabi::Id id = 0; id < 26; ++id) {
    clapabi::ParamInfo info;
    clap.mParams->get_info(clap.mPlugin, id, &info);
    const double v = clap.Value(id);
    if (!std::isfinite(v) || v < info.min_value || v > info.max_value) std::abort();
  }
  return 0;
}
