// libFuzzer target: the dispatcher's byte and text inputs on one long-lived Corvanel
// instance. The first byte picks the request, the second its index; the rest is the
// chunk or the (terminated) text. Every parameter must stay a finite value in 0..1.
#include "Corvanel.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {
VstIntPtr VSTCALLBACK FuzzHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? kVstVersion : 0;
}

IPlugVST* CreateCorvanel(IPlugInstanceInfo instanceInfo) { return new CLS_CORVANEL(instanceInfo); }

AEffect* Effect() {
  static AEffect* effect = [] {
    AEffect* e = IPlugVST::CreateEffect(FuzzHost, CreateCorvanel);
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
    return e;
  }();
  return effect;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  AEffect* effect = Effect();
  const int request = data[0] % 8;
  const VstInt32 index = (VstInt32)(int8_t)data[1];
  // Exactly the bytes given, so reading one past them is caught.
  std::vector<uint8_t> bytes(data + 2, data + size);
  std::vector<char> text(bytes.begin(), bytes.end());
  text.push_back(0);
  text.resize(text.size() < 64 ? 64 : text.size()); // vendor requests write up to 20 bytes
  auto dispatch = [&](VstInt32 opcode, VstInt32 idx, VstIntPtr value, void* ptr) {
    return effect->dispatcher(effect, opcode, idx, value, ptr, 0.0f);
  };

  switch (request) {
  case 0:
    dispatch(effSetChunk, index & 1, (VstIntPtr)bytes.size(), bytes.data());
    break;
  case 1:
    dispatch(effString2Parameter, index, 0, text.data());
    break;
  case 2:
    dispatch(effCanDo, 0, 0, text.data());
    break;
  case 3:
    dispatch(effVendorSpecific, effString2Parameter, index, text.data());
    break;
  case 4:
    dispatch(effSetProgramName, 0, 0, text.data());
    break;
  case 5:
    dispatch(effSetProgram, 0, index, nullptr);
    break;
  case 6: {
    void* chunk = nullptr;
    const VstIntPtr n = dispatch(effGetChunk, index & 1, 0, &chunk);
    if (n > 0) dispatch(effSetChunk, index & 1, n, chunk);
    break;
  }
  default: {
    float value;
    std::memcpy(&value, text.data(), sizeof(value));
    effect->setParameter(effect, index, value);
    break;
  }
  }

  for (int i = 0; i < kNumParams; ++i) {
    const float v = effect->getParameter(effect, i);
    if (!(v >= 0.0f && v <= 1.0f)) __builtin_trap();
  }
  char name[256];
  dispatch(effGetProgramName, 0, 0, name);
  if (std::strlen(name) >= (size_t)kVstMaxProgNameLen) __builtin_trap();
  return 0;
}
