#pragma once
// The plug-in's own extension through which the build-time describer asks a loaded
// instance for the bundle's metadata, so the descriptions are printed from the code that
// runs and can never drift from it. Hosts never ask for it.

// The URI the describer hands to the descriptor's extension_data.
#define CORVANEL_LV2_DESCRIBE_URI "https://www.orbalin.com/Corvanel/lv2#describe"

// The files of the bundle, one part each.
enum ECorvanelLV2Part { kLV2PartManifest = 0, kLV2PartPlugin, kLV2PartPresets, kLV2NumParts };

struct CorvanelLV2Describe {
  // [main thread] The file name of `part` in the bundle, or null outside the parts.
  const char* (*file_name)(int part);
  // [main thread; takes the instance's mutex] Writes the Turtle text of `part` through
  // `sink` in pieces; loading the presets on the way, it leaves the instance's values
  // changed. False for a part outside the list.
  bool (*describe)(void* instance, int part, void (*sink)(void* context, const char* text),
                   void* context);
};
