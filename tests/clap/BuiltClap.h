#pragma once
// The Corvanel.clap this build made (CORVANEL_CLAP_PLUGIN, set by the test's build), or the
// one the environment variable CORVANEL_CLAP_PLUGIN names; loaded once, its entry and
// factory looked up as a host does.
#include "PluginLibrary.h"
#include "clap_abi.h"

#include <cstdlib>
#include <string>

inline std::string BuiltClapPath() {
  const char* fromEnv = std::getenv("CORVANEL_CLAP_PLUGIN");
  return fromEnv && *fromEnv ? fromEnv : CORVANEL_CLAP_PLUGIN;
}

// The library: in the macOS configuration the plug-in is a bundle around it (and the
// entry's init is given the bundle).
inline std::string BuiltClapLibraryPath() {
#ifdef CORVANEL_MACOS
  return BuiltClapPath() + "/Contents/MacOS/Corvanel";
#else
  return BuiltClapPath();
#endif
}

inline const PluginLibrary& BuiltClap() {
  static const PluginLibrary library(BuiltClapLibraryPath());
  return library;
}

inline const clapabi::PluginEntry* ClapEntry() {
  return (const clapabi::PluginEntry*)BuiltClap().Symbol("clap_entry");
}

// The entry initialised once for the process (hosts keep the library), and its factory.
inline const clapabi::PluginFactory* ClapFactory() {
  static const clapabi::PluginFactory* factory = [] {
    const clapabi::PluginEntry* entry = ClapEntry();
    if (!entry || !entry->init(BuiltClapPath().c_str())) return (const clapabi::PluginFactory*)nullptr;
    return (const clapabi::PluginFactory*)entry->get_factory(clapabi::kPluginFactoryId);
  }();
  return factory;
}
