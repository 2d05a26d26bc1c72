// The entry points a VST3 host looks up (GetPluginFactory, and ModuleEntry/ModuleExit on
// Linux, InitDll/ExitDll on Windows, bundleEntry/bundleExit on macOS) and the factory that lists the one class, Corvanel,
// and creates its instances.
#include "Corvanel.h"
#include "PluginExport.h"
#include "Vst3Text.h"

#include <cstring>
#include <new>

#if defined(CORVANEL_MACOS)
#include <CoreFoundation/CoreFoundation.h>
#endif

using namespace vst3;

namespace {
// The class id of Corvanel's VST3 component: our own four words.
constexpr Uid kCorvanelClassId = MakeUid(0x6A3F19C2, 0x4B7D4E81, 0x9C05D2A7, 0x31E86F4B);
constexpr const char* kClassName = "Corvanel";
constexpr const char* kVendor = "Orbalin";
constexpr const char* kVersion = "1.2.0";
constexpr const char* kSubCategories = "Fx|Dynamics";
constexpr const char* kSdkVersion = "VST 3.7.14";

IPlugVST3* CreateCorvanel(IPlugInstanceInfo instanceInfo) {
  return new (std::nothrow) CLS_CORVANEL(instanceInfo);
}

// What every form of the class description holds alike: id, cardinality, category (and the
// flags and sub-categories of the newer forms).
template <class Info> void DescribeBase(Info* info) {
  std::memset(info, 0, sizeof(*info));
  std::memcpy(info->cid, kCorvanelClassId.mBytes, 16);
  info->cardinality = kManyInstances;
  vst3text::ToField(kAudioEffectClass, info->category, (int)sizeof(info->category));
}
void Describe(PClassInfo* info) { DescribeBase(info); }
template <class Info> void Describe(Info* info) {
  DescribeBase(info);
  // One object is processor and controller: they cannot run apart.
  info->classFlags = 0;
  vst3text::ToField(kSubCategories, info->subCategories, (int)sizeof(info->subCategories));
}

// One factory for the process, never freed: its reference count does nothing.
class Factory final : public IPluginFactory3 {
public:
  virtual ~Factory() = default;

  tresult VST3_API queryInterface(const TUID iid, void** obj) override {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (!kFUnknownIid.Is(iid) && !kPluginFactoryIid.Is(iid) && !kPluginFactory2Iid.Is(iid) &&
        !kPluginFactory3Iid.Is(iid))
      return kNoInterface;
    *obj = static_cast<IPluginFactory3*>(this);
    return kResultOk;
  }
  uint32_t VST3_API addRef() override { return 1; }
  uint32_t VST3_API release() override { return 1; }

  // [host thread] The factory's and the class's descriptions.
  tresult VST3_API getFactoryInfo(PFactoryInfo* info) override {
    if (!info) return kInvalidArgument;
    std::memset(info, 0, sizeof(*info));
    vst3text::ToField(kVendor, info->vendor, (int)sizeof(info->vendor));
    info->flags = kFactoryUnicode;
    return kResultOk;
  }
  int32_t VST3_API countClasses() override { return 1; }
  tresult VST3_API getClassInfo(int32_t index, PClassInfo* info) override {
    if (!info || index != 0) return kInvalidArgument;
    Describe(info);
    vst3text::ToField(kClassName, info->name, (int)sizeof(info->name));
    return kResultOk;
  }
  tresult VST3_API getClassInfo2(int32_t index, PClassInfo2* info) override {
    if (!info || index != 0) return kInvalidArgument;
    Describe(info);
    vst3text::ToField(kClassName, info->name, (int)sizeof(info->name));
    vst3text::ToField(kVendor, info->vendor, (int)sizeof(info->vendor));
    vst3text::ToField(kVersion, info->version, (int)sizeof(info->version));
    vst3text::ToField(kSdkVersion, info->sdkVersion, (int)sizeof(info->sdkVersion));
    return kResultOk;
  }
  tresult VST3_API getClassInfoUnicode(int32_t index, PClassInfoW* info) override {
    if (!info || index != 0) return kInvalidArgument;
    Describe(info);
    vst3text::ToUtf16(kClassName, info->name, 64);
    vst3text::ToUtf16(kVendor, info->vendor, 64);
    vst3text::ToUtf16(kVersion, info->version, 64);
    vst3text::ToUtf16(kSdkVersion, info->sdkVersion, 64);
    return kResultOk;
  }
  tresult VST3_API setHostContext(FUnknown*) override { return kResultOk; }

  // [host thread; takes the creation lock] One new instance, handed out as `iid`.
  tresult VST3_API createInstance(FIDString cid, FIDString iid, void** obj) override {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (!cid || !iid) return kInvalidArgument;
    if (!kCorvanelClassId.Is(cid)) return kNoInterface;
    return IPlugVST3::CreateInstance(CreateCorvanel, iid, obj);
  }
};

Factory sFactory;
} // namespace

// [host thread] The factory; hosts release it before unloading, which costs nothing.
CORVANEL_EXPORT IPluginFactory* GetPluginFactory() { return &sFactory; }

// [host thread] The module's set-up and tear-down: the plug-in keeps nothing per module.
#if defined(_WIN32)
CORVANEL_EXPORT bool InitDll() { return true; }
CORVANEL_EXPORT bool ExitDll() { return true; }
#elif defined(CORVANEL_MACOS)
// The editor finds the skin in the bundle its own binary lies in, not through this handle.
CORVANEL_EXPORT bool bundleEntry(CFBundleRef) { return true; }
CORVANEL_EXPORT bool bundleExit() { return true; }
#else
CORVANEL_EXPORT bool ModuleEntry(void*) { return true; }
CORVANEL_EXPORT bool ModuleExit() { return true; }
#endif
