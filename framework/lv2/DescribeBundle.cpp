// corvanel-lv2-describe LIBRARY OUTDIR: loads the built LV2 library as a host does, makes
// an instance and writes the bundle's Turtle files (manifest, plug-in, presets) printed by
// the plug-in itself, so the descriptions always match the code. Build time only.
#include "LV2Describe.h"

#include "lv2/core/lv2.h"
#include "lv2/urid/urid.h"

#include <dlfcn.h>

#include <cstdio>
#include <map>
#include <string>

#ifdef CORVANEL_SANITIZE_BUILD
// The plug-in's editor draws text through fontconfig, which keeps its configuration for the
// life of the process: not a leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
#endif

namespace {
// A URID map for the instance: the describer needs none of its own URIs.
std::map<std::string, LV2_URID> sUrids;
LV2_URID Map(LV2_URID_Map_Handle, const char* uri) {
  auto it = sUrids.find(uri);
  if (it != sUrids.end()) return it->second;
  const LV2_URID id = (LV2_URID)sUrids.size() + 1;
  sUrids[uri] = id;
  return id;
}

void Append(void* context, const char* text) { *(std::string*)context += text; }
} // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: corvanel-lv2-describe LIBRARY OUTDIR\n");
    return 2;
  }
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    std::fprintf(stderr, "corvanel-lv2-describe: %s\n", dlerror());
    return 1;
  }
  typedef const LV2_Descriptor* (*DescriptorProc)(uint32_t);
  DescriptorProc entry = (DescriptorProc)dlsym(library, "lv2_descriptor");
  const LV2_Descriptor* descriptor = entry ? entry(0) : nullptr;
  const CorvanelLV2Describe* describe =
      descriptor ? (const CorvanelLV2Describe*)descriptor->extension_data(CORVANEL_LV2_DESCRIBE_URI)
                 : nullptr;
  if (!describe) {
    std::fprintf(stderr, "corvanel-lv2-describe: %s has no describable plug-in\n", argv[1]);
    return 1;
  }
  LV2_URID_Map map = {nullptr, Map};
  const LV2_Feature mapFeature = {LV2_URID__map, &map};
  const LV2_Feature* features[] = {&mapFeature, nullptr};
  for (int part = 0; part < kLV2NumParts; ++part) {
    // A fresh instance for every part: the plug-in part prints the parameters' defaults.
    LV2_Handle instance = descriptor->instantiate(descriptor, 44100.0, argv[2], features);
    std::string text;
    const bool ok = instance && describe->describe(instance, part, Append, &text);
    if (instance) descriptor->cleanup(instance);
    const std::string path = std::string(argv[2]) + "/" + describe->file_name(part);
    FILE* f = ok ? std::fopen(path.c_str(), "wb") : nullptr;
    if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0) {
      std::fprintf(stderr, "corvanel-lv2-describe: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
