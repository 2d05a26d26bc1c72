// PNG decoding through libpng. Every row arrives as A, R, G, B bytes and is
// rebuilt into the platform's pixel word.
#include "lice_png.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <wchar.h>
#endif

namespace {

struct MemSource {
  const unsigned char* data;
  size_t size;
  size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t len) {
  MemSource* m = (MemSource*)png_get_io_ptr(png);
  if (!m || len > m->size - m->pos) png_error(png, "truncated");
  std::memcpy(out, m->data + m->pos, len);
  m->pos += len;
}

// Failures are not logged: errors only jump back to the loader, warnings are dropped.
void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

// Decodes from an already opened source: exactly one of `fp` and `mem` is set.
// Everything libpng or this function allocates is released on every path.
LICE_IBitmap* Decode(FILE* fp, MemSource* mem, LICE_IBitmap* bmp) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (!png) return nullptr;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return nullptr;
  }

  // Written after setjmp and read after a jump: keep them volatile.
  LICE_IBitmap* volatile created = nullptr;
  png_bytep* volatile rows = nullptr;

  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(rows);
    delete created;
    return nullptr;
  }

  if (fp)
    png_init_io(png, fp);
  else
    png_set_read_fn(png, mem, ReadFromMemory);
  png_set_user_limits(png, LICE_PNG_MAX_SIDE, LICE_PNG_MAX_SIDE);
  // A forged chunk length must not make libpng ask for gigabytes before the data runs out.
  png_set_chunk_malloc_max(png, 8000000);
  png_set_chunk_cache_max(png, 1000);
  // Text, colour-profile and palette-suggestion chunks are not used here: skip them
  // unread, so their stated lengths never size an allocation.
  static const png_byte kIgnored[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf";
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnored, 6);
#ifdef LICE_PNG_FUZZING
  // Let mutated bytes past the checksums so that the fuzzer reaches the decoder.
  png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#endif

  png_read_info(png, info);
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
  if (width == 0 || height == 0 || width > LICE_PNG_MAX_SIDE || height > LICE_PNG_MAX_SIDE ||
      (unsigned long long)width * height > LICE_PNG_MAX_PIXELS)
    png_error(png, "too large");

  bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) {
    png_set_tRNS_to_alpha(png);
    hasAlpha = true;
  }
  if (bitDepth == 16) png_set_strip_16(png);
  if (bitDepth < 8) png_set_packing(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(png);
  if (hasAlpha)
    png_set_swap_alpha(png);
  else
    png_set_filler(png, 0xff, PNG_FILLER_BEFORE);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != (png_size_t)width * 4) png_error(png, "unexpected layout");

  LICE_IBitmap* target = bmp;
  if (!target) target = created = new LICE_MemBitmap(0, 0, 4);
  target->resize((int)width, (int)height);
  if (!target->getBits() || target->getWidth() != (int)width || target->getHeight() != (int)height)
    png_error(png, "size");

  rows = (png_bytep*)std::malloc(sizeof(png_bytep) * height);
  if (!rows) png_error(png, "memory");
  for (png_uint_32 y = 0; y < height; ++y)
    rows[y] = (png_bytep)LICE_RowPtr(target, (int)y);
  png_read_image(png, rows);
  png_read_end(png, nullptr);

  for (png_uint_32 y = 0; y < height; ++y) {
    LICE_pixel* p = (LICE_pixel*)rows[y];
    for (png_uint_32 x = 0; x < width; ++x) {
      const unsigned char* b = (const unsigned char*)(p + x);
      p[x] = LICE_RGBA(b[1], b[2], b[3], b[0]);
    }
  }

  std::free(rows);
  png_destroy_read_struct(&png, &info, nullptr);
  return target;
}

bool HasSignature(const void* data, size_t bytes) {
  return bytes >= 8 && png_sig_cmp((png_const_bytep)data, 0, 8) == 0;
}

FILE* OpenForReading(const char* filename) {
#ifdef _WIN32
  // The path is UTF-8: open it as UTF-16 first, and as a narrow path if that fails.
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, filename, -1, nullptr, 0);
  if (n > 0) {
    wchar_t* wide = (wchar_t*)std::malloc(sizeof(wchar_t) * (size_t)n);
    if (wide) {
      FILE* fp = nullptr;
      if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, filename, -1, wide, n) > 0)
        fp = _wfopen(wide, L"rb");
      std::free(wide);
      if (fp) return fp;
    }
  }
#endif
  return std::fopen(filename, "rb");
}

} // namespace

LICE_IBitmap* LICE_LoadPNG(const char* filename, LICE_IBitmap* bmp) {
  if (!filename) return nullptr;
  FILE* fp = OpenForReading(filename);
  if (!fp) return nullptr;
  unsigned char sig[8];
  LICE_IBitmap* result = nullptr;
  if (std::fread(sig, 1, 8, fp) == 8 && HasSignature(sig, 8)) {
    std::rewind(fp);
    result = Decode(fp, nullptr, bmp);
  }
  std::fclose(fp);
  return result;
}

LICE_IBitmap* LICE_LoadPNGFromMemory(const void* data, int bytes, LICE_IBitmap* bmp) {
  if (!data || bytes < 8 || !HasSignature(data, (size_t)bytes)) return nullptr;
  MemSource mem = {(const unsigned char*)data, (size_t)bytes, 0};
  return Decode(nullptr, &mem, bmp);
}
