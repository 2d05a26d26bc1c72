// The entry points an LV2 host looks up, lv2_descriptor and lv2ui_descriptor: one plug-in, Corvanel, under the
// maker's site. The plug-in URI names the LV2 build of the plug-in whose page is
// https://www.orbalin.com/Corvanel; sessions and presets refer to these URIs, so they
// never change.
#include "Corvanel.h"
#include "PluginExport.h"
#include "LV2UI.h"

#include <new>

namespace {
const IPlugLV2Identity kIdentity = {
    "https://www.orbalin.com/Corvanel/lv2",         // plug-in
    "https://www.orbalin.com/Corvanel/lv2#ui",      // its editor
    "https://www.orbalin.com/Corvanel/lv2#state",   // the state blob's property
    "https://www.orbalin.com/Corvanel/lv2/preset#", // preset URIs: this + name
    "Corvanel.so",                                  // the library in the bundle
    "https://www.orbalin.com/Corvanel",             // the plug-in's page
    "https://www.orbalin.com/",                     // the maker
};

IPlugLV2* CreateCorvanel(IPlugInstanceInfo instanceInfo) {
  return new (std::nothrow) CLS_CORVANEL(instanceInfo);
}
} // namespace

// [host's main thread] The plug-in at `index` 0; null past it.
CORVANEL_EXPORT const LV2_Descriptor*
lv2_descriptor(uint32_t index) {
  return index == 0 ? IPlugLV2::Descriptor(&kIdentity, CreateCorvanel) : nullptr;
}

// [host's UI thread] The editor at `index` 0; null past it, and in builds without windows.
CORVANEL_EXPORT const LV2UI_Descriptor*
lv2ui_descriptor(uint32_t index) {
  return index == 0 && kLV2EditorWindows ? LV2EditorDescriptor(kIdentity.mUIURI) : nullptr;
}
