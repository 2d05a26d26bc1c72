// libFuzzer target: what an LV2 host hands the plug-in as bytes, on one long-lived
// Corvanel instance: the state property to restore, and the atom sequence of the time
// port (position objects with any fields, sizes and types). The first byte picks which;
// the rest is the property or the sequence's body. Afterwards the output must be finite
// and the state must still save whole.
#include "FuzzLv2Urids.h"
#include "lv2/atom/atom.h"
#include "lv2/core/lv2.h"
#include "lv2/state/state.h"
#include "lv2/urid/urid.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" const LV2_Descriptor* lv2_descriptor(uint32_t index);

namespace {
constexpr int kFrames = 64;
LV2_URID Map(LV2_URID_Map_Handle h, const char* uri) { return FuzzMapUri(h, uri); }
LV2_URID_Map sMap = {nullptr, Map};

struct Plugin {
  const LV2_Descriptor* d = lv2_descriptor(0);
  LV2_Handle h = nullptr;
  float in[2][kFrames], out[2][kFrames], controls[10];
  std::vector<uint64_t> atomIn, atomOut; // 8-byte aligned, as hosts align atom buffers
  Plugin() {
    const LV2_Feature map = {LV2_URID__map, &sMap};
    const LV2_Feature* features[] = {&map, nullptr};
    h = d->instantiate(d, 44100.0, "", features);
    const float defaults[10] = {9, 16, 5, 100, 1, 30, 5, 1000, 0, 80};
    std::memcpy(controls, defaults, sizeof(controls));
    for (int i = 0; i < kFrames; ++i)
      in[0][i] = in[1][i] = (float)std::sin(i * 0.1);
    for (int c = 0; c < 2; ++c) {
      d->connect_port(h, c, in[c]);
      d->connect_port(h, 2 + c, out[c]);
    }
    for (int k = 0; k < 10; ++k)
      d->connect_port(h, 4 + k, &controls[k]);
    atomOut.resize(512);
    d->connect_port(h, 15, atomOut.data());
    d->activate(h);
  }
};

Plugin& Instance() {
  static Plugin plugin;
  return plugin;
}

struct Offered {
  const uint8_t* data;
  size_t size;
  LV2_URID type;
};
const void* Retrieve(LV2_State_Handle handle, uint32_t, size_t* size, uint32_t* type,
                     uint32_t* flags) {
  const Offered* o = (const Offered*)handle;
  *size = o->size;
  *type = o->type;
  *flags = LV2_STATE_IS_POD;
  return o->data;
}
LV2_State_Status Store(LV2_State_Handle handle, uint32_t, const void* value, size_t size, uint32_t,
                       uint32_t) {
  const double* values = (const double*)((const uint8_t*)value + 4);
  if (size != 188) std::abort();
  for (int i = 0; i < 23; ++i) {
    double v;
    std::memcpy(&v, values + i, sizeof(v));
    if (!std::isfinite(v)) std::abort();
  }
  *(bool*)handle = true;
  return LV2_STATE_SUCCESS;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  Plugin& p = Instance();
  const LV2_State_Interface* state =
      (const LV2_State_Interface*)p.d->extension_data(LV2_STATE__interface);
  const std::vector<uint8_t> bytes(data + 1, data + size); // exactly the bytes given
  if (data[0] % 2 == 0) {
    Offered offered = {bytes.data(), bytes.size(),
                       data[0] % 4 == 0 ? Map(nullptr, LV2_ATOM__Chunk) : (LV2_URID)(data[0] >> 2)};
    state->restore(p.h, Retrieve, &offered, 0, nullptr);
  } else {
    // The sequence's header, then the given bytes as its body.
    p.atomIn.assign(1 + (bytes.size() + 7) / 8, 0);
    LV2_Atom* atom = (LV2_Atom*)p.atomIn.data();
    atom->size = (uint32_t)bytes.size();
    atom->type = Map(nullptr, LV2_ATOM__Sequence);
    if (!bytes.empty()) std::memcpy(atom + 1, bytes.data(), bytes.size());
    p.d->connect_port(p.h, 14, atom);
  }
  ((LV2_Atom*)p.atomOut.data())->size = 512 * 8 - 8;
  p.d->run(p.h, kFrames);
  p.d->connect_port(p.h, 14, nullptr);
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < kFrames; ++i)
      if (!std::isfinite(p.out[c][i])) std::abort();
  bool saved = false;
  if (state->save(p.h, Store, &saved, 0, nullptr) != LV2_STATE_SUCCESS || !saved) std::abort();
  return 0;
}
