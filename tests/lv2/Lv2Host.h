#pragma once
// A small LV2 host on lilv for the tests: loads the built bundle, makes instances with or
// without a URID map, connects every port, runs blocks with time:Position objects at
// chosen frames, and saves and restores state the way hosts do through lilv.
#include <lilv/lilv.h>

#include "lv2/atom/atom.h"
#include "lv2/atom/forge.h"
#include "lv2/state/state.h"
#include "lv2/urid/urid.h"

#include <map>
#include <string>
#include <vector>

// One time:Position as hosts send it (Ardour: frame, speed, bar from 0, barBeat,
// beatUnit, beatsPerBar, beatsPerMinute).
struct Lv2Position {
  int offset = 0; // frame in the block
  int64_t frame = 0;
  float speed = 1.0f;
  bool musical = true; // bar and barBeat given
  int64_t bar = 0;
  float barBeat = 0.0f;
  float beatsPerBar = 4.0f;
  int beatUnit = 4;
  bool tempo = true;
  float bpm = 120.0f;
};

class Lv2World {
public:
  // The bundle built in this tree (CORVANEL_LV2_BUNDLE), or the one the environment
  // variable CORVANEL_LV2_BUNDLE names; loaded once per process.
  static Lv2World& Get();
  LilvWorld* World() const { return mWorld; }
  const LilvPlugin* Plugin() const { return mPlugin; }
  LV2_URID_Map* Map() { return &mMap; }
  LV2_URID_Unmap* Unmap() { return &mUnmap; }
  LV2_URID Urid(const char* uri);
  const char* Uri(LV2_URID urid) const;

private:
  Lv2World();
  LilvWorld* mWorld = nullptr;
  const LilvPlugin* mPlugin = nullptr;
  LV2_URID_Map mMap;
  LV2_URID_Unmap mUnmap;
  std::map<std::string, LV2_URID> mIds;
  std::vector<std::string> mUris;
};

class Lv2Instance {
public:
  // With `withMap` false the instance gets no features at all, as lv2apply gives none.
  explicit Lv2Instance(bool withMap = true, double sampleRate = 44100.0, int maxBlock = 512);
  ~Lv2Instance();
  Lv2Instance(const Lv2Instance&) = delete;
  Lv2Instance& operator=(const Lv2Instance&) = delete;

  bool Ok() const { return mInstance != nullptr; }
  LilvInstance* Instance() const { return mInstance; }
  // A control port's value by symbol; the next block applies it.
  void SetControl(const std::string& symbol, float value);
  float Control(const std::string& symbol) const;
  // Disconnects the atom input (as lv2apply leaves it).
  void DisconnectTimePort();
  // One block of stereo float audio with the positions at their offsets.
  void Run(const float* inL, const float* inR, float* outL, float* outR, int nFrames,
           const std::vector<Lv2Position>& positions = {});
  // The notify port's objects of the last block, by their type URI.
  std::vector<std::string> Notifications() const;

  // The state as lilv saves it (port values and the state property); null on failure.
  LilvState* SaveState();
  // The state blob property alone, as the plug-in stored it.
  std::vector<unsigned char> StateBlob();
  // Calls the state interface's restore with one property (or none), as a host would.
  int RestoreProperty(const void* data, size_t size, LV2_URID type, bool present = true);

private:
  const LV2_State_Interface* StateInterface() const;

  LilvInstance* mInstance = nullptr;
  std::map<std::string, int> mPortIndex;
  std::vector<float> mControls; // one per port; used by control ports
  std::vector<uint8_t> mAtomIn, mAtomOut;
  LV2_Atom_Forge mForge;
  LV2_URID_Map* mMap = nullptr;
  int mNPorts = 0, mControlIn = -1, mNotifyOut = -1;
  std::vector<float> mSilence;
};
