#pragma once
// The extension tables the adapter answers get_extension with, one file per extension.
#include "clap_abi.h"

extern const clapabi::PluginAudioPorts kClapAudioPorts;
extern const clapabi::PluginParams kClapParams;
extern const clapabi::PluginState kClapState;
extern const clapabi::PluginLatency kClapLatency;
