#pragma once
// The one long-lived Corvanel instance a CLAP fuzz target feeds, created through the
// adapter as a host's factory would, initialised and activated (blocks up to 512 frames).
#include "ClapInstance.h"
#include "Corvanel.h"

#include <new>

inline ClapInstance& FuzzInstance() {
  static const char* const features[] = {nullptr};
  static const clapabi::PluginDescriptor desc = {clapabi::kVersion, kCorvanelId, "Corvanel",
                                                 "Orbalin", "", "", "", "1.2.0", "", features};
  static const clapabi::PluginFactory factory = {
      [](const clapabi::PluginFactory*) -> uint32_t { return 1; },
      [](const clapabi::PluginFactory*, uint32_t) { return &desc; },
      [](const clapabi::PluginFactory*, const clapabi::Host* host, const char*) {
        return IPlugCLAP::CreatePlugin(host, &desc, [](IPlugInstanceInfo info) -> IPlugCLAP* {
          return new (std::nothrow) CLS_CORVANEL(info);
        });
      }};
  static TestHost host;
  static ClapInstance* instance = [] {
    ClapInstance* c = new ClapInstance(host, &factory);
    c->Start(44100.0, 512);
    return c;
  }();
  return *instance;
}
