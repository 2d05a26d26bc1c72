#pragma once
// The editor as an LV2 UI (ui:X11UI) of the plug-in in the same library.
#include "lv2/ui/ui.h"

// Whether this build's editor platform opens windows in the host's window; without them
// the bundle describes no UI.
#ifdef CORVANEL_EDITOR_WINDOWS
constexpr bool kLV2EditorWindows = true;
#else
constexpr bool kLV2EditorWindows = false;
#endif

// The UI's descriptor under `uiURI`.
const LV2UI_Descriptor* LV2EditorDescriptor(const char* uiURI);
