// libFuzzer target: the PNG decoder must answer null or a bitmap of the
// header's size for any bytes, without leaking or touching memory it does not own.
#include "lice_png.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0x7fffffff) return 0;
  LICE_IBitmap* bm = LICE_LoadPNGFromMemory(data, (int)size, nullptr);
  if (bm) {
    // Touch every pixel so that a short decode shows up as uninitialised or out of bounds.
    volatile unsigned sum = 0;
    for (int y = 0; y < bm->getHeight(); ++y)
      for (int x = 0; x < bm->getWidth(); ++x)
        sum = sum + LICE_RowPtr(bm, y)[x];
    if (bm->getWidth() <= 0 || bm->getHeight() <= 0) std::abort();
    delete bm;
  }
  // Decoding into a supplied bitmap goes through the resize path.
  LICE_MemBitmap target(3, 3);
  LICE_LoadPNGFromMemory(data, (int)size, &target);
  return 0;
}
