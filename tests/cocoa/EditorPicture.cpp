#include "EditorPicture.h"
#include "IGraphicsStructs.h"
#include "IScale.h"
#include "XServer.h"
#include "lice_bitmap.h"
#include "lice_png.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {
// The text areas: the version label, the status line (the off-screen tool also reports its
// own session there) and the value under each knob (50 pixels wide, 5 below the knob).
struct TextArea {
  IRECT mRect;
  uint32_t mColor; // the text's colour and alpha; alpha 0 when the area starts empty
  int mAlpha;
};
const TextArea kTextAreas[] = {
    {{45, 12, 95, 30}, 0x373737, 100},     {{316, 180, 446, 198}, 0, 0},
    {{26, 155, 76, 170}, 0xffffff, 180},   {{96, 155, 146, 170}, 0xffffff, 180},
    {{182, 155, 232, 170}, 0xffffff, 180}, {{252, 155, 302, 170}, 0xffffff, 180},
    {{322, 155, 372, 170}, 0xffffff, 180}, {{474, 155, 524, 170}, 0xffffff, 180},
    {{544, 155, 594, 170}, 0xffffff, 180}};

// (x, y) in device pixels at `percent`.
bool InTextArea(int x, int y, int percent) {
  for (const TextArea& a : kTextAreas) {
    const IRECT r = editor_scale::ToDevice(a.mRect, percent);
    if (x >= r.L && x < r.R && y >= r.T && y < r.B) return true;
  }
  return false;
}
} // namespace

std::vector<uint32_t> OffScreenPicture(std::string* error, int percent) {
  const std::string png = "/tmp/corvanel-cocoa-" + std::to_string(getpid()) + ".png";
  const char* scale = percent == 200 ? "2" : percent == 150 ? "1.5" : "1";
  if (RunProgram({CORVANEL_EDITOR_TOOL, "--scale", scale, "-o", png}, 20000) != 0) {
    *error = CORVANEL_EDITOR_TOOL " failed";
    return {};
  }
  LICE_IBitmap* picture = LICE_LoadPNG(png.c_str());
  std::remove(png.c_str());
  std::vector<uint32_t> pixels;
  const int w = editor_scale::ToDevice(kEditorW, percent);
  const int h = editor_scale::ToDevice(kEditorH, percent);
  if (!picture || picture->getWidth() != w || picture->getHeight() != h) {
    *error = "no picture of the editor's size";
  } else {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const LICE_pixel p = picture->getBits()[y * picture->getRowSpan() + x];
        pixels.push_back(LICE_GETR(p) << 16 | LICE_GETG(p) << 8 | LICE_GETB(p));
      }
  }
  delete picture;
  return pixels;
}

int DifferingOutsideText(const std::vector<uint32_t>& screen, const std::vector<uint32_t>& picture,
                         std::string* where, int percent) {
  const int w = editor_scale::ToDevice(kEditorW, percent);
  const int h = editor_scale::ToDevice(kEditorH, percent);
  const size_t size = (size_t)w * h;
  if (screen.size() != size || picture.size() != size) {
    *where = "the whole editor (a picture of the wrong size)";
    return (int)size;
  }
  int differing = 0, l = w, t = h, r = -1, b = -1;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const size_t i = (size_t)y * w + x;
      if (screen[i] == picture[i] || InTextArea(x, y, percent)) continue;
      ++differing;
      l = std::min(l, x), t = std::min(t, y), r = std::max(r, x), b = std::max(b, y);
    }
  *where = "within " + std::to_string(l) + "," + std::to_string(t) + " - " + std::to_string(r) +
           "," + std::to_string(b);
  return differing;
}

std::vector<std::string> TextAreasWithoutGlyphs(const std::vector<uint32_t>& screen) {
  std::vector<std::string> empty;
  if (screen.size() != (size_t)kEditorW * kEditorH) return {"the whole editor"};
  for (const TextArea& a : kTextAreas) {
    if (!a.mAlpha) continue;
    const uint32_t bg = screen[(size_t)a.mRect.T * kEditorW + a.mRect.L];
    auto blend = [&](int shift) {
      const int under = (bg >> shift) & 0xff, c = (a.mColor >> shift) & 0xff;
      return under + (c - under) * a.mAlpha / 255;
    };
    int glyphPixels = 0;
    for (int y = a.mRect.T; y < a.mRect.B; ++y)
      for (int x = a.mRect.L; x < a.mRect.R; ++x) {
        const uint32_t p = screen[(size_t)y * kEditorW + x];
        bool near = true;
        for (int shift : {0, 8, 16})
          near = near && std::abs((int)((p >> shift) & 0xff) - blend(shift)) <= 3;
        glyphPixels += near;
      }
    if (glyphPixels < 10)
      empty.push_back(std::to_string(a.mRect.L) + "," + std::to_string(a.mRect.T));
  }
  return empty;
}
