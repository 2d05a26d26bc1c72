// libFuzzer target: the state stream. The first byte sets how many bytes the host's
// stream moves a call and, by its top bit, whether the state starts with this version's
// number (so that the values behind it are explored too); the rest is the state. A state that is refused changes nothing; one
// that is taken leaves every parameter finite and inside its range, and saves again to a
// state that loads.
#include "FuzzClapInstance.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  ClapInstance& clap = FuzzInstance();
  const std::vector<unsigned char> before = clap.Save();
  std::vector<unsigned char> state;
  if (data[0] & 0x80) {
    const int32_t version = 10200;
    state.insert(state.end(), (const unsigned char*)&version, (const unsigned char*)&version + 4);
  }
  state.insert(state.end(), data + 1, data + size);
  const bool taken = clap.Load(state, 1 + data[0] % 64);
  if (!taken) {
    if (clap.Save() != before) std::abort(); // refused, yet something changed
    return 0;
  }
  for (clapabi::Id id = 0; id < clap.mParams->count(clap.mPlugin); ++id) {
    clapabi::ParamInfo info;
    clap.mParams->get_info(clap.mPlugin, id, &info);
    const double v = clap.Value(id);
    if (!std::isfinite(v) || v < info.min_value || v > info.max_value) std::abort();
  }
  if (!clap.Load(clap.Save())) std::abort();
  return 0;
}
