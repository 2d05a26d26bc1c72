#pragma once
// The plug-in class of the CLAP deliverable derives from the CLAP adapter.
#include "IPlugCLAP.h"

using PluginAdapter = IPlugCLAP;
