#pragma once
// One 32-bit word per pixel, four 8-bit channels, colours not premultiplied
// (alpha 255 is opaque). The byte order in memory is the one each platform's
// drawing system expects of a surface: B, G, R, A on Windows and Linux (the
// usual 32-bit X11 and image-library order), A, R, G, B on macOS. Code reaches
// channels only through the (byte index, shift) pairs below and builds words
// only with LICE_RGBA.
#include <cstdint>

typedef uint32_t LICE_pixel;
typedef uint8_t LICE_pixel_chan;

#ifdef CORVANEL_MACOS
enum {
  LICE_PIXEL_A = 0,
  LICE_PIXEL_R = 1,
  LICE_PIXEL_G = 2,
  LICE_PIXEL_B = 3,
  LICE_PIXEL_A_SHIFT = 0,
  LICE_PIXEL_R_SHIFT = 8,
  LICE_PIXEL_G_SHIFT = 16,
  LICE_PIXEL_B_SHIFT = 24
};
#else
enum {
  LICE_PIXEL_B = 0,
  LICE_PIXEL_G = 1,
  LICE_PIXEL_R = 2,
  LICE_PIXEL_A = 3,
  LICE_PIXEL_B_SHIFT = 0,
  LICE_PIXEL_G_SHIFT = 8,
  LICE_PIXEL_R_SHIFT = 16,
  LICE_PIXEL_A_SHIFT = 24
};
#endif

// The only place a colour word is put together.
inline LICE_pixel LICE_RGBA(unsigned r, unsigned g, unsigned b, unsigned a) {
  return ((LICE_pixel)(r & 0xff) << LICE_PIXEL_R_SHIFT) |
         ((LICE_pixel)(g & 0xff) << LICE_PIXEL_G_SHIFT) |
         ((LICE_pixel)(b & 0xff) << LICE_PIXEL_B_SHIFT) |
         ((LICE_pixel)(a & 0xff) << LICE_PIXEL_A_SHIFT);
}

inline unsigned LICE_GETR(LICE_pixel p) { return (p >> LICE_PIXEL_R_SHIFT) & 0xff; }
inline unsigned LICE_GETG(LICE_pixel p) { return (p >> LICE_PIXEL_G_SHIFT) & 0xff; }
inline unsigned LICE_GETB(LICE_pixel p) { return (p >> LICE_PIXEL_B_SHIFT) & 0xff; }
inline unsigned LICE_GETA(LICE_pixel p) { return (p >> LICE_PIXEL_A_SHIFT) & 0xff; }
