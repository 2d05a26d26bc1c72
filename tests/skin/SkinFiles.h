#pragma once
// Reading the committed skin images for the tests: the PNG header as stored,
// and the pixels as the editor's loader delivers them.
#include "lice_bitmap.h"

#include <memory>
#include <string>

namespace skin {

// The path of resources/img/<name>.
std::string PathOf(const char* name);

// The fields of a PNG's IHDR chunk; ok is false if the file is missing or does
// not start with the signature and an IHDR chunk.
struct Header {
  bool ok = false;
  int width = 0, height = 0;
  int bitDepth = 0, colourType = 0;
};
Header ReadHeader(const char* name);

// The image decoded by LICE_LoadPNG, or null.
std::unique_ptr<LICE_IBitmap> Load(const char* name);

struct Rgba {
  int r, g, b, a;
};
Rgba At(LICE_IBitmap* bm, int x, int y);

} // namespace skin
