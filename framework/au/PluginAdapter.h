#pragma once
// The plug-in class of the Audio Unit deliverable derives from the Audio Unit adapter.
#include "IPlugAU.h"

using PluginAdapter = IPlugAU;
