// The entries a macOS host reaches: CLS_CORVANEL_Factory, the factory the bundle's
// Info.plist names (the system opens the effect through it from macOS 10.7 on);
// CLS_CORVANEL_Entry, the component-manager entry of the same effect for hosts and systems
// that still open units that way; and CLS_CORVANEL_ViewEntry for the older window-based
// view component. Instances are created one at a time under the adapter's process-wide
// creation lock.
#include "Corvanel.h"
#include "PluginExport.h"

#include <new>

#ifndef CORVANEL_AU_BUNDLE_ID
#error "The build names the component bundle's identifier (CORVANEL_AU_BUNDLE_ID)"
#endif

namespace {
IPlugAU* CreateCorvanel(IPlugInstanceInfo instanceInfo) {
  return new (std::nothrow) CLS_CORVANEL(instanceInfo);
}
} // namespace

// Only these three symbols leave the component binary.

// [host's main thread] One plug-in interface per instance.
CORVANEL_EXPORT AudioComponentPlugInInterface*
CLS_CORVANEL_Factory(const AudioComponentDescription* desc) {
  return IPlugAU::PlugInFactory(desc, CreateCorvanel, CORVANEL_AU_BUNDLE_ID, "CLS_CORVANEL_View");
}

// [host's main or render thread; see IPlugAU::ComponentEntry for the locks]
CORVANEL_EXPORT ComponentResult CLS_CORVANEL_Entry(ComponentParameters* params, void* storage) {
  return IPlugAU::ComponentEntry(params, storage, CreateCorvanel, CORVANEL_AU_BUNDLE_ID,
                                 "CLS_CORVANEL_View");
}

// [host's main thread]
CORVANEL_EXPORT ComponentResult CLS_CORVANEL_ViewEntry(ComponentParameters* params, void* storage) {
  return IPlugAU::ViewEntry(params, storage);
}
