// Writes seeds for fuzz_vst3_state into the folder given: real states (the default, a
// factory program, edited values) behind each of the four read sizes and a few stream
// positions, so that the fuzzer starts from states the plug-in takes.
#include "Corvanel.h"
#include "Vst3TestHost.h"

#include <cstdio>
#include <string>

using namespace vst3;

namespace {
IPlugVST3* CreateCorvanel(IPlugInstanceInfo instanceInfo) { return new CLS_CORVANEL(instanceInfo); }
} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_vst3_state_seeds <folder>\n");
    return 2;
  }
  void* obj = nullptr;
  if (IPlugVST3::CreateInstance(CreateCorvanel, kComponentIid.mBytes, &obj) != kResultOk) return 1;
  IComponent* component = static_cast<IComponent*>(obj);
  component->initialize(nullptr);
  component->queryInterface(kEditControllerIid.mBytes, &obj);
  IEditController* controller = static_cast<IEditController*>(obj);
  int n = 0;
  for (int variant = 0; variant < 3; ++variant) {
    if (variant == 1) controller->setParamNormalized(1000, 15.0 / 49.0);
    if (variant == 2) {
      controller->setParamNormalized(0, 0.5);
      controller->setParamNormalized(12, 0.3);
    }
    MemoryStream state;
    component->getState(&state);
    for (unsigned head : {0x00u, 0x30u, 0x45u, 0xC7u}) {
      const std::string path = std::string(argv[1]) + "/seed" + std::to_string(n++);
      FILE* f = std::fopen(path.c_str(), "wb");
      if (!f) return 1;
      std::fputc((int)head, f);
      std::fwrite(state.mBytes.data(), 1, state.mBytes.size(), f);
      std::fclose(f);
    }
  }
  controller->release();
  component->terminate();
  component->release();
  return 0;
}
