// What the skin must look like for the editor's drawing to work: a knob that
// turns cleanly about its centre, markers that point at their bar, control
// images that replace the background without a seam, and quiet areas where
// the texts the editor draws stay legible.
#include "SkinFiles.h"

#include "lice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

using skin::At;
using skin::Rgba;

double Luminance(const Rgba& c) {
  auto lin = [](int v) {
    double s = v / 255.0;
    return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * lin(c.r) + 0.7152 * lin(c.g) + 0.0722 * lin(c.b);
}

double Contrast(const Rgba& a, const Rgba& b) {
  double la = Luminance(a), lb = Luminance(b);
  if (la < lb) std::swap(la, lb);
  return (la + 0.05) / (lb + 0.05);
}

// Colour c at opacity a (0-255) over d.
Rgba Over(const Rgba& c, int a, const Rgba& d) {
  auto mix = [&](int s, int t) { return (s * a + t * (255 - a) + 127) / 255; };
  return {mix(c.r, d.r), mix(c.g, d.g), mix(c.b, d.b), 255};
}

bool Same(const Rgba& a, const Rgba& b) {
  return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

class Skin : public ::testing::Test {
protected:
  void SetUp() override {
    bg = skin::Load("bg.png");
    ASSERT_TRUE(bg);
  }
  std::unique_ptr<LICE_IBitmap> bg;
};

// The knob is rotated about (25, 25) by up to 150 degrees each way, with pixels
// mapped from outside the image left alone: anything drawn outside the inscribed
// circle would be cut off or leave a square shadow.
TEST(Knob, CornersAndBorderAreTransparentAndTheCentreIsOpaque) {
  auto k = skin::Load("knob.png");
  ASSERT_TRUE(k);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 50; ++x) {
      double r = std::hypot(x + 0.5 - 25, y + 0.5 - 25);
      if (r > 24.5) {
        EXPECT_EQ(At(k.get(), x, y).a, 0) << x << "," << y;
      } else if (r < 20) {
        EXPECT_EQ(At(k.get(), x, y).a, 255) << x << "," << y;
      }
    }
}

// Off centre by a fifth of a pixel, the edge's alpha would differ by about 50
// between opposite sides; the renderer's own antialiasing differs by up to 20.
TEST(Knob, OutlineIsRoundSoItDoesNotWobbleWhenTurned) {
  auto k = skin::Load("knob.png");
  ASSERT_TRUE(k);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 50; ++x) {
      int a = At(k.get(), x, y).a;
      EXPECT_NEAR(a, At(k.get(), 49 - x, y).a, 24) << x << "," << y;
      EXPECT_NEAR(a, At(k.get(), y, x).a, 24) << x << "," << y;
    }
}

// Unturned (the middle of the range) the pointer must point straight up: the
// brightest pixels lie on the vertical centre line above the centre.
TEST(Knob, PointerPointsStraightUp) {
  auto k = skin::Load("knob.png");
  ASSERT_TRUE(k);
  auto brightness = [&](int x, int y) {
    Rgba c = At(k.get(), x, y);
    return c.a == 255 ? c.r + c.g + c.b : 0;
  };
  int bx = -1, by = -1, best = -1;
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 50; ++x)
      if (brightness(x, y) > best) best = brightness(x, y), bx = x, by = y;
  EXPECT_TRUE(bx == 24 || bx == 25) << bx;
  EXPECT_LT(by, 20);
  // Turned a quarter either way or half round, the same place is dark.
  for (auto [x, y] : {std::pair{49 - by, bx}, std::pair{by, bx}, std::pair{bx, 49 - by}})
    EXPECT_LT(brightness(x, y), best / 2) << x << "," << y;
}

// Turned as the knob control turns it (bilinear, about the centre, with its
// small source shift towards the ends of the range) over the panel: nothing
// outside the inscribed circle changes and the knob keeps its size.
TEST(Knob, TurnedToAnyAngleStaysInsideItsCircleAndKeepsItsSize) {
  auto k = skin::Load("knob.png");
  ASSERT_TRUE(k);
  const LICE_pixel panel = LICE_RGBA(34, 38, 44, 255);
  auto turn = [&](float value) { // answers how many pixels the knob visibly covers
    float a = 300 * 3.14159265f / 360;
    float angle = -a + 2 * value * a;
    float d = -2 * std::fabs(value - 0.5f);
    LICE_MemBitmap out(50, 50);
    LICE_FillRect(&out, 0, 0, 50, 50, panel, 1.0f, LICE_BLIT_MODE_COPY);
    LICE_RotatedBlit(&out, k.get(), 0, 0, 50, 50, d, d, 50, 50, angle, false, 1.0f,
                     LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA | LICE_BLIT_FILTER_BILINEAR);
    int covered = 0;
    for (int y = 0; y < 50; ++y)
      for (int x = 0; x < 50; ++x) {
        LICE_pixel p = LICE_RowPtr(&out, y)[x];
        bool changed = p != panel;
        int diff = std::max({std::abs((int)LICE_GETR(p) - 34), std::abs((int)LICE_GETG(p) - 38),
                             std::abs((int)LICE_GETB(p) - 44)});
        covered += diff > 6; // visibly part of the knob
        if (std::hypot(x + 0.5 - 25, y + 0.5 - 25) > 25.5) {
          EXPECT_FALSE(changed) << "value " << value << " at " << x << "," << y;
        }
      }
    return covered;
  };
  int unturned = turn(0.5f);
  for (int step = 0; step <= 20; ++step)
    EXPECT_NEAR(turn(step / 20.0f), unturned, unturned / 25) << "value " << step / 20.0f;
}

// on.png is drawn under a bar of the row above its strip, on_.png over a bar of
// the row below: each tapers towards its bar and is symmetric about the bar
// pair's centre line.
TEST(Markers, PointAtTheirBar) {
  auto below = skin::Load("on.png");
  auto above = skin::Load("on_.png");
  ASSERT_TRUE(below && above);
  auto opaque = [](LICE_IBitmap* m, int y) {
    int n = 0;
    for (int x = 0; x < 11; ++x)
      n += At(m, x, y).a;
    return n;
  };
  EXPECT_LT(opaque(below.get(), 0), opaque(below.get(), 6) / 2) << "on.png points up";
  EXPECT_LT(opaque(above.get(), 6), opaque(above.get(), 0) / 2) << "on_.png points down";
  for (LICE_IBitmap* m : {below.get(), above.get()})
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 5; ++x)
        EXPECT_NEAR(At(m, x, y).a, At(m, 10 - x, y).a, 8);
}

// The images without alpha cover the background completely where they are
// drawn. Their edges carry the background there, so only the look changes.
struct Placed {
  const char* file;
  int x, y, w, h; // one frame at its place in the editor
  int srcY;       // the frame's first row in the image
};

const Placed kOpaqueLooks[] = {
    {"but3.png", 288, 179, 22, 20, 0},   {"radio.png", 387, 97, 70, 18, 0},
    {"radio.png", 387, 115, 70, 18, 18}, {"radio.png", 387, 133, 70, 18, 36},
    {"radio.png", 387, 151, 70, 18, 54},
};

TEST_F(Skin, OnAndSelectedLooksMatchTheBackgroundAtTheirEdgesAndDifferInside) {
  for (const Placed& p : kOpaqueLooks) {
    auto im = skin::Load(p.file);
    ASSERT_TRUE(im) << p.file;
    int inside = 0;
    for (int y = 0; y < p.h; ++y)
      for (int x = 0; x < p.w; ++x) {
        bool same = Same(At(im.get(), x, p.srcY + y), At(bg.get(), p.x + x, p.y + y));
        if (x == 0 || y == 0 || x == p.w - 1 || y == p.h - 1)
          EXPECT_TRUE(same) << p.file << " row " << p.srcY + y << " column " << x;
        else
          inside += !same;
      }
    EXPECT_GT(inside, 20) << p.file << " at " << p.x << "," << p.y << " shows no other look";
  }
}

// The Gate handle is drawn at x = 195 + 58 * value on the track (195, 174)-(283,
// 188): its corners must disappear into the background anywhere on the way.
TEST_F(Skin, GateHandleCornersMatchTheTrackEverywhere) {
  auto h = skin::Load("slider.png");
  ASSERT_TRUE(h);
  for (int x = 195; x <= 195 + 58; ++x)
    for (auto [cx, cy] : {std::pair{0, 0}, std::pair{30, 0}, std::pair{0, 13}, std::pair{30, 13}})
      EXPECT_TRUE(Same(At(h.get(), cx, cy), At(bg.get(), x + cx, 174 + cy)))
          << "handle at " << x << ", corner " << cx << "," << cy;
}

// Texts the editor draws itself: the status line (white at alpha 180), the
// knob values (the same), and the version label (55, 55, 55 at alpha 100, a
// faint colour that can reach only about 2:1 even on white).
struct TextArea {
  const char* what;
  int l, t, r, b;
  Rgba colour;
  int alpha;
  double minContrast;
  bool quiet; // one flat tone, nothing else drawn there
};

const TextArea kTextAreas[] = {
    {"status line", 316, 180, 446, 198, {255, 255, 255, 255}, 180, 7.0, true},
    {"version label", 45, 12, 95, 30, {55, 55, 55, 255}, 100, 1.9, true},
    {"Rate value", 26, 155, 76, 170, {255, 255, 255, 255}, 180, 7.0, false},
    {"Cycle value", 96, 155, 146, 170, {255, 255, 255, 255}, 180, 7.0, false},
    {"Attack value", 182, 155, 232, 170, {255, 255, 255, 255}, 180, 7.0, false},
    {"Release value", 252, 155, 302, 170, {255, 255, 255, 255}, 180, 7.0, false},
    {"Fade value", 322, 155, 372, 170, {255, 255, 255, 255}, 180, 7.0, false},
    {"Split Freq value", 474, 155, 524, 170, {255, 255, 255, 255}, 180, 7.0, false},
    {"Mix value", 544, 155, 594, 170, {255, 255, 255, 255}, 180, 7.0, false},
};

TEST_F(Skin, TextsDrawnByTheEditorReadOnTheirAreas) {
  for (const TextArea& a : kTextAreas) {
    Rgba first = At(bg.get(), a.l, a.t);
    double worst = 1e9;
    for (int y = a.t; y < a.b; ++y)
      for (int x = a.l; x < a.r; ++x) {
        Rgba d = At(bg.get(), x, y);
        if (a.quiet) {
          EXPECT_TRUE(Same(d, first)) << a.what << " is not quiet at " << x << "," << y;
        }
        worst = std::min(worst, Contrast(Over(a.colour, a.alpha, d), d));
      }
    EXPECT_GE(worst, a.minContrast) << a.what;
  }
}

// Bars fill from the left with (130, 195, 255) and (0, 255, 180) at alpha 200;
// the empty bar is the background, which must let both stand out. Nothing may
// sit where the activity markers appear either (x = 42 + 35k in both strips).
TEST_F(Skin, EmptyBarsAreDarkSlotsAndMarkerPlacesAreClear) {
  const int rows[] = {210, 244, 275, 309};
  for (int i = 0; i < 64; ++i) {
    int x0 = 30 + 35 * (i % 16), y0 = rows[i / 16];
    for (int y = y0; y < y0 + 19; ++y) {
      if (y == y0 + 10) continue; // the row between the two bars
      for (int x = x0; x < x0 + 34; ++x) {
        Rgba d = At(bg.get(), x, y);
        Rgba fill = y < y0 + 10 ? Rgba{130, 195, 255, 255} : Over({0, 255, 180, 255}, 200, d);
        ASSERT_GE(Contrast(fill, d), 4.5) << "step " << i + 1 << " at " << x << "," << y;
      }
    }
  }
  for (int top : {230, 295}) {
    for (int k = 0; k < 16; ++k) {
      Rgba first = At(bg.get(), 42 + 35 * k, top);
      for (int y = top; y < top + 13; ++y)
        for (int x = 42 + 35 * k; x < 53 + 35 * k; ++x)
          ASSERT_TRUE(Same(At(bg.get(), x, y), first))
              << "strip " << top << " at " << x << "," << y;
    }
  }
}

} // namespace
