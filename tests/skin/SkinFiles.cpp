#include "SkinFiles.h"

#include "lice_png.h"

#include <cstdio>
#include <cstring>

namespace skin {

std::string PathOf(const char* name) { return std::string(CORVANEL_SKIN_DIR) + "/" + name; }

Header ReadHeader(const char* name) {
  Header h;
  unsigned char b[26];
  FILE* f = std::fopen(PathOf(name).c_str(), "rb");
  if (!f) return h;
  size_t got = std::fread(b, 1, sizeof b, f);
  std::fclose(f);
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (got != sizeof b || std::memcmp(b, kSignature, 8) != 0 || std::memcmp(b + 12, "IHDR", 4) != 0)
    return h;
  auto be32 = [&](int at) {
    return (int)((unsigned)b[at] << 24 | (unsigned)b[at + 1] << 16 | (unsigned)b[at + 2] << 8 |
                 (unsigned)b[at + 3]);
  };
  h.ok = true;
  h.width = be32(16);
  h.height = be32(20);
  h.bitDepth = b[24];
  h.colourType = b[25];
  return h;
}

std::unique_ptr<LICE_IBitmap> Load(const char* name) {
  return std::unique_ptr<LICE_IBitmap>(LICE_LoadPNG(PathOf(name).c_str()));
}

Rgba At(LICE_IBitmap* bm, int x, int y) {
  LICE_pixel p = LICE_RowPtr(bm, y)[x];
  return {(int)LICE_GETR(p), (int)LICE_GETG(p), (int)LICE_GETB(p), (int)LICE_GETA(p)};
}

} // namespace skin
