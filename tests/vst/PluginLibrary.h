#pragma once
// Loads a plug-in library and looks up its symbols: dlopen/dlsym on Linux,
// LoadLibrary/GetProcAddress on Windows.
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

class PluginLibrary {
public:
  explicit PluginLibrary(const std::string& path) : mPath(path) {
#ifdef _WIN32
    // Test programs run under wine get the build's Unix path: Z: is wine's root drive.
    std::string winPath = !path.empty() && path[0] == '/' ? "Z:" + path : path;
    mHandle = (void*)LoadLibraryA(winPath.c_str());
    if (!mHandle) mError = "LoadLibrary failed for " + winPath;
#else
    mHandle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!mHandle) mError = dlerror();
#endif
  }
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;
  // The library stays loaded for the rest of the process, as hosts usually keep it.

  bool IsLoaded() const { return mHandle != nullptr; }
  const std::string& Error() const { return mError; }
  const std::string& Path() const { return mPath; }

  void* Symbol(const char* name) const {
    if (!mHandle) return nullptr;
#ifdef _WIN32
    return (void*)GetProcAddress((HMODULE)mHandle, name);
#else
    return dlsym(mHandle, name);
#endif
  }

private:
  std::string mPath;
  void* mHandle = nullptr;
  std::string mError;
};

#ifdef CORVANEL_VST_PLUGIN
// The plug-in library this build made (CORVANEL_VST_PLUGIN, set by the test's build),
// or the one the environment variable CORVANEL_VST_PLUGIN names; loaded once.
inline const PluginLibrary& BuiltPlugin() {
  static const PluginLibrary library([] {
    const char* fromEnv = std::getenv("CORVANEL_VST_PLUGIN");
    return std::string(fromEnv && *fromEnv ? fromEnv : CORVANEL_VST_PLUGIN);
  }());
  return library;
}
#endif
