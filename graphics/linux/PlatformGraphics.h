#pragma once
// The editor platform of the Linux builds.
#include "IGraphicsLinux.h"

using PlatformGraphics = IGraphicsLinux;
