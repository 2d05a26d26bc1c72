#pragma once
// The extension tables the adapter answers get_extension with, one file per extension.
#include "clap_abi.h"

extern const clapabi::PluginAudioPorts kClapAudioPorts;
extern const clapabi::PluginParams kClapParams;
extern const clapabi::PluginState kClapState;
extern const clapabi::PluginLatency kClapLatency;
// The editor and the host services that drive it; null where the platform has no editor
// window (ClapGui.cpp).
extern const clapabi::PluginGui* const kClapGui;
extern const clapabi::PluginTimerSupport* const kClapTimerSupport;
extern const clapabi::PluginPosixFdSupport* const kClapPosixFdSupport;

class IPlugCLAP;
// [main thread] The editor's size changed: the host (or the floating frame) follows.
void ClapGuiResized(IPlugCLAP* plug);
