// The one symbol a CLAP host looks up, clap_entry, with the plug-in factory and Corvanel's
// descriptor. init and deinit may come more than once (a host that loads the library per
// instance): they are counted, and only the factory is handed out, which needs no setup.
#include "Corvanel.h"
#include "PluginExport.h"

#include <cstring>
#include <new>

#ifndef CORVANEL_CLAP_VERSION
#error "The build names the plug-in's version (CORVANEL_CLAP_VERSION)"
#endif

namespace {
const char* const kFeatures[] = {"audio-effect", "gate", "stereo", "mono", nullptr};

const clapabi::PluginDescriptor kDescriptor = {
    clapabi::kVersion,
    "com.orbalin.corvanel",
    "Corvanel",
    "Orbalin",
    "",
    "",
    "",
    CORVANEL_CLAP_VERSION,
    "Tempo-synchronised 64-step gate",
    kFeatures,
};

IPlugCLAP* CreateCorvanel(IPlugInstanceInfo instanceInfo) {
  return new (std::nothrow) CLS_CORVANEL(instanceInfo);
}

// [thread-safe]
uint32_t CLAPABI_CALL FactoryCount(const clapabi::PluginFactory*) { return 1; }

const clapabi::PluginDescriptor* CLAPABI_CALL FactoryDescriptor(const clapabi::PluginFactory*,
                                                                uint32_t index) {
  return index == 0 ? &kDescriptor : nullptr;
}

// [main thread] No host call happens here: the host's extensions are asked for in init.
const clapabi::Plugin* CLAPABI_CALL FactoryCreate(const clapabi::PluginFactory*,
                                                  const clapabi::Host* host, const char* id) {
  if (!id || std::strcmp(id, kDescriptor.id) != 0) return nullptr;
  return IPlugCLAP::CreatePlugin(host, &kDescriptor, CreateCorvanel);
}

const clapabi::PluginFactory kFactory = {FactoryCount, FactoryDescriptor, FactoryCreate};

// Never concurrent with any other call into the library, so a plain count serves.
int sInitCount = 0;

bool CLAPABI_CALL EntryInit(const char*) {
  ++sInitCount;
  return true;
}

void CLAPABI_CALL EntryDeinit() {
  if (sInitCount > 0) --sInitCount;
}

// [thread-safe]
const void* CLAPABI_CALL EntryGetFactory(const char* id) {
  if (id && !std::strcmp(id, clapabi::kPluginFactoryId)) return &kFactory;
  return nullptr;
}
} // namespace

CORVANEL_EXPORT_DATA const clapabi::PluginEntry clap_entry = {clapabi::kVersion, EntryInit,
                                                              EntryDeinit, EntryGetFactory};
