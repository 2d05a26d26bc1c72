#pragma once
// The plug-in class of the VST2 deliverable derives from the VST2 adapter.
#include "IPlugVST.h"

using PluginAdapter = IPlugVST;
