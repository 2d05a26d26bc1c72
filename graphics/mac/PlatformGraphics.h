#pragma once
// The editor platform of the macOS (Audio Unit) build.
#include "IGraphicsMac.h"

using PlatformGraphics = IGraphicsMac;
