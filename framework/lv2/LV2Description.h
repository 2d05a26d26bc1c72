#pragma once
// The bundle's Turtle descriptions, printed from a plug-in instance: the manifest, the
// plug-in with its ports (ranges, defaults, integer and enumeration properties with the
// display texts as scale points, units) and the factory presets with their state.
#include "LV2Describe.h"

#include <string>

class IPlugLV2;

// [main thread; takes the instance's mutex] The Turtle text of one part of the bundle;
// empty outside the parts. The presets part loads every preset on the way.
std::string DescribeLV2Part(IPlugLV2* plug, int part);

// The describe extension that hands these texts to the build-time describer.
const CorvanelLV2Describe& LV2DescribeInterface();
