// The component entries a macOS host calls: CLS_CORVANEL_Entry for the effect, and
// CLS_CORVANEL_ViewEntry for the older window-based view component. Instances are
// created one at a time under the adapter's process-wide creation lock.
#include "Corvanel.h"

#include <new>

#ifndef CORVANEL_AU_BUNDLE_ID
#error "The build names the component bundle's identifier (CORVANEL_AU_BUNDLE_ID)"
#endif

namespace {
IPlugAU* CreateCorvanel(IPlugInstanceInfo instanceInfo) {
  return new (std::nothrow) CLS_CORVANEL(instanceInfo);
}
} // namespace

// Only these two symbols leave the component binary.
#define CORVANEL_ENTRY extern "C" __attribute__((visibility("default")))

// [host's main or render thread; see IPlugAU::ComponentEntry for the locks]
CORVANEL_ENTRY ComponentResult CLS_CORVANEL_Entry(ComponentParameters* params, void* storage) {
  return IPlugAU::ComponentEntry(params, storage, CreateCorvanel, CORVANEL_AU_BUNDLE_ID,
                                 "CLS_CORVANEL_View");
}

// [host's main thread]
CORVANEL_ENTRY ComponentResult CLS_CORVANEL_ViewEntry(ComponentParameters* params, void* storage) {
  return IPlugAU::ViewEntry(params, storage);
}
