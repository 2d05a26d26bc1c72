#pragma once
// The plug-in class of the VST3 deliverable derives from the VST3 adapter.
#include "IPlugVST3.h"

using PluginAdapter = IPlugVST3;
