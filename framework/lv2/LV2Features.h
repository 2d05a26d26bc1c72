#pragma once
// The data of the host's feature `uri`, null when the host does not offer it.
#include "lv2/core/lv2.h"

#include <cstring>

inline const void* LV2Feature(const LV2_Feature* const* features, const char* uri) {
  for (int i = 0; features && features[i]; ++i)
    if (features[i]->URI && !std::strcmp(features[i]->URI, uri)) return features[i]->data;
  return nullptr;
}
