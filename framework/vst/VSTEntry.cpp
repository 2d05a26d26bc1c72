// The entry points a VST2 host looks up: VSTPluginMain, and main, its pre-2.4 name.
// Each creates one Corvanel instance under the adapter's process-wide creation lock.
#include "Corvanel.h"
#include "PluginExport.h"

#include <new>

namespace {
IPlugVST* CreateCorvanel(IPlugInstanceInfo instanceInfo) {
  return new (std::nothrow) CLS_CORVANEL(instanceInfo);
}
} // namespace

// Windows exports both names through Corvanel.def; elsewhere only these two symbols
// leave the library (the version script hides everything else).

// [host thread; takes the creation lock]
CORVANEL_EXPORT AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback hostCallback) {
  return IPlugVST::CreateEffect(hostCallback, CreateCorvanel);
}

#if defined(__ELF__)
// C++ does not allow a function called main that returns a pointer, so the legacy
// name is given to a second function at the assembler level.
CORVANEL_EXPORT AEffect* VSTPluginMainLegacy(audioMasterCallback hostCallback) __asm__("main");
CORVANEL_EXPORT AEffect* VSTPluginMainLegacy(audioMasterCallback hostCallback) {
  return IPlugVST::CreateEffect(hostCallback, CreateCorvanel);
}
#endif
