#pragma once
// What only this project's stand-in of the macOS frameworks offers, for the tests: the
// count of live CoreFoundation objects and of over-releases, the parameter events
// units sent, and the bundles the process knows. A Mac build never includes this.
#include "AudioToolbox/AudioToolbox.h"

// CoreFoundation objects created and not yet freed (constant strings not counted).
CORVANEL_MAC_API long CorvanelMac_LiveObjects(void);
// Releases or retains of an object that had already been freed.
CORVANEL_MAC_API long CorvanelMac_OverReleases(void);

// Events passed to AUEventListenerNotify, oldest first (the most recent 32768 or more).
CORVANEL_MAC_API long CorvanelMac_EventCount(void);
CORVANEL_MAC_API Boolean CorvanelMac_EventAt(long index, AudioUnitEvent* outEvent);
CORVANEL_MAC_API void CorvanelMac_ClearEvents(void);

// The host application's bundle identifier (none until set), and a loaded bundle by
// identifier and location.
CORVANEL_MAC_API void CorvanelMac_SetMainBundleIdentifier(const char* identifier);
CORVANEL_MAC_API void CorvanelMac_AddBundle(const char* identifier, const char* path);
