#pragma once
// A preset (program): a name and the parameter values it holds.
#include "ChunkBuffer.h"

#include <cstdio>

struct IPreset {
  bool mInitialized = false;
  char mName[256] = {0};
  ChunkBuffer mChunk;

  // Never-used slots carry "- N -" with their 1-based number.
  explicit IPreset(int number) { std::snprintf(mName, sizeof(mName), "- %d -", number); }
  void SetName(const char* name) { std::snprintf(mName, sizeof(mName), "%s", name ? name : ""); }
};
