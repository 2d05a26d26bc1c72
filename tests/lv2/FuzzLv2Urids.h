#pragma once
// The URIDs of the LV2 fuzz target, fixed so that its seeds (MakeLv2InputSeeds) speak the
// same numbers: the i-th URI here maps to i + 1; any other URI gets the next free number.
#include "lv2/atom/atom.h"
#include "lv2/time/time.h"
#include "lv2/urid/urid.h"

#include <map>
#include <string>

inline const char* const kFuzzUris[] = {
    LV2_ATOM__Chunk,       LV2_ATOM__Sequence,     LV2_ATOM__Object,  LV2_ATOM__Blank,
    LV2_ATOM__Float,       LV2_ATOM__Double,       LV2_ATOM__Int,     LV2_ATOM__Long,
    LV2_TIME__Position,    LV2_TIME__bar,          LV2_TIME__barBeat, LV2_TIME__beat,
    LV2_TIME__beatUnit,    LV2_TIME__beatsPerBar,  LV2_TIME__beatsPerMinute,
    LV2_TIME__frame,       LV2_TIME__speed};

inline LV2_URID FuzzMapUri(LV2_URID_Map_Handle, const char* uri) {
  static std::map<std::string, LV2_URID> ids = [] {
    std::map<std::string, LV2_URID> m;
    for (const char* u : kFuzzUris)
      m.emplace(u, (LV2_URID)m.size() + 1);
    return m;
  }();
  auto it = ids.find(uri);
  if (it != ids.end()) return it->second;
  const LV2_URID id = (LV2_URID)ids.size() + 1;
  return ids[uri] = id;
}
