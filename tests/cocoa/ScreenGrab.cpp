#include "ScreenGrab.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {
// The position of a colour mask's lowest bit, to move its channel to 8 bits.
int Shift(unsigned long mask) {
  int s = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++s;
  }
  return s;
}
} // namespace

std::vector<uint32_t> GrabScreen(int x, int y, int w, int h) {
  std::vector<uint32_t> pixels;
  Display* display = XOpenDisplay(nullptr);
  if (!display) return pixels;
  XSync(display, False);
  XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, w, h, AllPlanes, ZPixmap);
  if (image) {
    const int rs = Shift(image->red_mask), gs = Shift(image->green_mask),
              bs = Shift(image->blue_mask);
    pixels.resize((size_t)w * h);
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i) {
        const unsigned long p = XGetPixel(image, i, j);
        pixels[(size_t)j * w + i] = (uint32_t)((((p & image->red_mask) >> rs) & 0xff) << 16 |
                                               (((p & image->green_mask) >> gs) & 0xff) << 8 |
                                               (((p & image->blue_mask) >> bs) & 0xff));
      }
    XDestroyImage(image);
  }
  XCloseDisplay(display);
  return pixels;
}
