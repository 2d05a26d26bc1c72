#pragma once
// PNG images in and out of bitmaps.
#include "lice_bitmap.h"

#ifdef _WIN32
#include <windows.h>
#endif

// Images larger than this many pixels (or 16384 on a side) are refused before
// any pixel storage is made: no skin comes near, and a forged header must not
// be able to ask for gigabytes.
enum { LICE_PNG_MAX_SIDE = 16384, LICE_PNG_MAX_PIXELS = 1 << 26 };

// [editor thread] Decodes a PNG file (a UTF-8 path) into `bmp`, resizing it, or into a new
// LICE_MemBitmap (alignment 4) when `bmp` is null. Answers the bitmap, or null on a missing
// file, a bad signature, a damaged or oversized image, or a supplied bitmap that could not
// take the size. Colours are not premultiplied; images without alpha load opaque.
LICE_IBitmap* LICE_LoadPNG(const char* filename, LICE_IBitmap* bmp = nullptr);

// [editor thread] The same from bytes in memory (at least 8, starting with the signature).
LICE_IBitmap* LICE_LoadPNGFromMemory(const void* data, int bytes, LICE_IBitmap* bmp = nullptr);

#ifdef _WIN32
// [editor thread] The same from a resource of type "PNG" with an integer id in `hInst`.
LICE_IBitmap* LICE_LoadPNGFromResource(HINSTANCE hInst, int resid, LICE_IBitmap* bmp = nullptr);
#endif

// [any thread] Writes the bitmap as an 8-bit RGBA PNG (RGB with alpha dropped when
// `wantAlpha` is false). Answers false if the bitmap is empty or the file cannot be written.
bool LICE_WritePNG(const char* filename, LICE_IBitmap* bmp, bool wantAlpha = true);
