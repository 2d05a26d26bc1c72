// Writes seed inputs for fuzz_au_properties into the folder given: a well-formed
// class-info request for every factory preset's state, so that fuzzing starts from
// dictionaries the unit accepts.
#include "Corvanel.h"
#include "MacStandIn.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {
IPlugAU* CreateCorvanel(IPlugInstanceInfo info) { return new CLS_CORVANEL(info); }
ComponentResult Entry(ComponentParameters* params, Handle storage) {
  return IPlugAU::ComponentEntry(params, storage, CreateCorvanel, "com.orbalin.audiounit.Corvanel",
                                 "CLS_CORVANEL_View");
}
} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_au_properties_seeds <folder>\n");
    return 2;
  }
  ComponentDescription desc = {kAudioUnitType_Effect, 0x63687A67, 0x4F72624C, 0, 0};
  Component c = RegisterComponent(&desc, Entry, 0, nullptr, nullptr, nullptr);
  AudioUnit unit = nullptr;
  if (OpenAComponent(c, &unit) != noErr) return 1;
  for (SInt32 preset = 0; preset < 25; ++preset) {
    AUPreset p = {preset, nullptr};
    AudioUnitSetProperty(unit, kAudioUnitProperty_PresentPreset, 0, 0, &p, sizeof(p));
    CFDictionaryRef info = nullptr;
    UInt32 size = sizeof(info);
    if (AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, 0, 0, &info, &size) != noErr)
      return 1;
    CFDataRef data = (CFDataRef)CFDictionaryGetValue(info, CFSTR("data"));
    // Class info; every key present with this component's value; a preset's name; data.
    std::vector<unsigned char> seed = {0, 1, 1, 1, 1, 1, 1};
    seed.insert(seed.end(), CFDataGetBytePtr(data), CFDataGetBytePtr(data) + CFDataGetLength(data));
    CFRelease(info);
    const std::string path = std::string(argv[1]) + "/classinfo-" + std::to_string(preset);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 1;
    std::fwrite(seed.data(), 1, seed.size(), f);
    std::fclose(f);
  }
  CloseComponent(unit);
  return 0;
}
