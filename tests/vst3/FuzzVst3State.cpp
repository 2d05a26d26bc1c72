// libFuzzer target: the component's state stream on one long-lived Corvanel instance. The
// first byte places the state inside the host's stream (Ardour writes its own header first)
// and sets how many bytes each read gives at most (hosts answer short reads); the rest is
// the state. A state is taken whole or refused whole: afterwards every parameter is a
// finite value in range, and the state written back is refused or taken again unchanged.
#include "Corvanel.h"
#include "Vst3TestHost.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace vst3;

namespace {
IPlugVST3* CreateCorvanel(IPlugInstanceInfo instanceInfo) { return new CLS_CORVANEL(instanceInfo); }

// A stream that gives at most `chunk` bytes per read.
class ChunkedStream final : public IBStream, public HostObject {
public:
  ChunkedStream(std::vector<unsigned char> bytes, int64_t pos, int chunk)
      : mStream(std::move(bytes), pos), mChunk(chunk) {}
  virtual ~ChunkedStream() = default;
  tresult VST3_API queryInterface(const TUID iid, void** obj) override {
    return mStream.queryInterface(iid, obj);
  }
  VST3_TEST_REFCOUNT
  tresult VST3_API read(void* buffer, int32_t n, int32_t* got) override {
    return mStream.read(buffer, n < mChunk ? n : mChunk, got);
  }
  tresult VST3_API write(void* buffer, int32_t n, int32_t* written) override {
    return mStream.write(buffer, n, written);
  }
  tresult VST3_API seek(int64_t pos, int32_t mode, int64_t* result) override {
    return mStream.seek(pos, mode, result);
  }
  tresult VST3_API tell(int64_t* pos) override { return mStream.tell(pos); }

private:
  MemoryStream mStream;
  int mChunk;
};

IComponent* Component() {
  static IComponent* component = [] {
    void* obj = nullptr;
    IPlugVST3::CreateInstance(CreateCorvanel, kComponentIid.mBytes, &obj);
    static_cast<IComponent*>(obj)->initialize(nullptr);
    return static_cast<IComponent*>(obj);
  }();
  return component;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  IComponent* component = Component();
  const int64_t offset = data[0] & 0x3F;
  const int chunk = 1 + ((data[0] >> 6) * 61); // 1, 62, 123 or 184 bytes per read
  std::vector<unsigned char> bytes((size_t)offset, 0xEE);
  bytes.insert(bytes.end(), data + 1, data + size);
  ChunkedStream in(bytes, offset, chunk);
  component->setState(&in);

  void* obj = nullptr;
  component->queryInterface(kEditControllerIid.mBytes, &obj);
  IEditController* controller = static_cast<IEditController*>(obj);
  for (int32_t i = 0; i < controller->getParameterCount(); ++i) {
    ParameterInfo info;
    controller->getParameterInfo(i, &info);
    const double v = controller->getParamNormalized(info.id);
    if (!(v >= 0.0 && v <= 1.0)) std::abort();
  }
  controller->release();

  MemoryStream out;
  if (component->getState(&out) != kResultOk) std::abort();
  MemoryStream again(out.mBytes, 0);
  if (component->setState(&again) != kResultOk) std::abort();
  MemoryStream twice;
  component->getState(&twice);
  if (twice.mBytes != out.mBytes) std::abort();
  return 0;
}
