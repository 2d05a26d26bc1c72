// The two activity displays on the product's editor: which one marks the playing step,
// with which marker, at which pixel.
#include "EditorUnderTest.h"

#include <gtest/gtest.h>

namespace {

// The bounding box and colour of what a display drew over the background; empty when
// it drew nothing.
struct Mark {
  IRECT box;
  LICE_pixel color = 0;
};
Mark FindMark(EditorUnderTest& e, const IRECT& display) {
  Mark m;
  bool found = false;
  for (int y = display.T; y < display.B; ++y)
    for (int x = display.L; x < display.R; ++x) {
      const LICE_pixel p = e.Pixel(x, y);
      if (p == skin::Word(skin::kBackground)) continue;
      if (!found) {
        m.box = IRECT(x, y, x + 1, y + 1);
        m.color = p;
        found = true;
      }
      m.box = m.box.Union(IRECT(x, y, x + 1, y + 1));
    }
  return m;
}

TEST(ActivityDisplay, MarksThePlayingStepUnderOrOverItsBarPair) {
  const IRECT upper(30, 230, 589, 243), lower(30, 295, 589, 308);
  const LICE_pixel below = skin::Word(skin::kMarkBelow), above = skin::Word(skin::kMarkAbove);
  struct Case {
    const char* what;
    int step;
    IRECT upperMark, lowerMark; // top-left corners of 11 x 7 markers, or empty
    LICE_pixel upperColor, lowerColor;
  };
  const Case cases[] = {
      {"step 1: under the first bar of row 1", 0, IRECT(42, 230, 53, 237), IRECT(), below, 0},
      {"step 17: over the first bar of row 2", 16, IRECT(42, 236, 53, 243), IRECT(), above, 0},
      {"step 41: the upper display is done; under step 9 of row 3", 40, IRECT(),
       IRECT(322, 295, 333, 302), 0, below},
      {"step 48: under the last bar of row 3", 47, IRECT(), IRECT(567, 295, 578, 302), 0, below},
      {"step 64: over the last bar of row 4", 63, IRECT(), IRECT(567, 301, 578, 308), 0, above},
  };
  EditorUnderTest e;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    e.p.mCurStep = (uint16_t)c.step;
    e.g->Tick(); // always dirty: no notification needed, the old marker is painted over
    const Mark u = FindMark(e, upper), l = FindMark(e, lower);
    EXPECT_EQ(u.box, c.upperMark);
    EXPECT_EQ(l.box, c.lowerMark);
    if (!c.upperMark.Empty()) {
      EXPECT_EQ(u.color, c.upperColor);
    }
    if (!c.lowerMark.Empty()) {
      EXPECT_EQ(l.color, c.lowerColor);
    }
  }
}

TEST(ActivityDisplay, LoadsItsMarkersOnTheFirstDrawAndIsAlwaysDirty) {
  EditorUnderTest e;
  RelaxedAtomic<uint16_t> step(0);
  IRECT r(30, 230, 589, 243);
  SampleActivity* fresh = new SampleActivity(&e.p, &r, &step);
  EXPECT_FALSE(fresh->mLoaded);
  e.g->AttachControl(fresh);
  e.g->Tick();
  EXPECT_TRUE(fresh->mLoaded);
  EXPECT_EQ(fresh->mMarkBelow.W, 11);
  EXPECT_EQ(fresh->mMarkAbove.H, 7);
  IRECT dirty;
  EXPECT_TRUE(e.g->IsDirty(&dirty));
  EXPECT_EQ(dirty, IRECT(30, 230, 589, 308)) << "the displays, and nothing else";
}

} // namespace
