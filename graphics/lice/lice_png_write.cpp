// Writing bitmaps as 8-bit PNG files (editor pictures, test images).
#include "lice_png.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

namespace {
void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}
} // namespace

bool LICE_WritePNG(const char* filename, LICE_IBitmap* bmp, bool wantAlpha) {
  if (!filename || !bmp || !bmp->getBits() || bmp->getWidth() <= 0 || bmp->getHeight() <= 0)
    return false;
  const int w = bmp->getWidth(), h = bmp->getHeight();
  const int channels = wantAlpha ? 4 : 3;

  FILE* fp = std::fopen(filename, "wb");
  if (!fp) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  unsigned char* volatile row = (unsigned char*)std::malloc((size_t)w * channels);
  if (!png || !info || !row) {
    png_destroy_write_struct(&png, &info);
    std::free(row);
    std::fclose(fp);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::free(row);
    std::fclose(fp);
    return false;
  }

  png_init_io(png, fp);
  png_set_IHDR(png, info, (png_uint_32)w, (png_uint_32)h, 8,
               wantAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) {
    const LICE_pixel* p = LICE_RowPtr(bmp, y);
    unsigned char* o = row;
    for (int x = 0; x < w; ++x) {
      *o++ = (unsigned char)LICE_GETR(p[x]);
      *o++ = (unsigned char)LICE_GETG(p[x]);
      *o++ = (unsigned char)LICE_GETB(p[x]);
      if (wantAlpha) *o++ = (unsigned char)LICE_GETA(p[x]);
    }
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::free(row);
  return std::fclose(fp) == 0;
}
