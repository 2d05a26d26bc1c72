#pragma once
// GNUstep only: the location of a bundle the macOS frameworks' stand-in knows (a host
// registered it when it loaded the component), for when AppKit has not met it yet. On a
// Mac the bundle is known to NSBundle once its component is loaded.
#include "WDL_String.h"

// [any thread] The bundle folder of that identifier, without a trailing slash; false if
// the stand-in does not know it.
bool StandInBundlePath(const char* bundleID, WDL_String* path);
