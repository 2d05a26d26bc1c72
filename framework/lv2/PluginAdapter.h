#pragma once
// The plug-in class of the LV2 deliverable derives from the LV2 adapter.
#include "IPlugLV2.h"

using PluginAdapter = IPlugLV2;
