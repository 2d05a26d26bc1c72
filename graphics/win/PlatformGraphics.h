#pragma once
// The editor platform of the Windows build.
#include "IGraphicsWin.h"

using PlatformGraphics = IGraphicsWin;
