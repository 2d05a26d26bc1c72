// The shapes of the standard controls that the product's layout does not use but the
// controls offer: radio groups cut by sizes, repeated or horizontal; a vertical slider;
// a snapping knob. Built alone, without a plug-in.
#include "IKnobRotVal.h"
#include "IRadioButtons.h"
#include "ISlider.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(RadioShapes, ButtonRectanglesFollowTheCombinedAndSizeRules) {
  struct Case {
    const char* what;
    int w, h, n;
    bool combined;
    int direction, size0, size1, size2;
    IRECT group;
    std::vector<IRECT> buttons;
  };
  const Case cases[] = {
      {"combined, vertical, equal slices",
       70,
       72,
       4,
       true,
       0,
       0,
       0,
       0,
       IRECT(10, 20, 80, 92),
       {IRECT(10, 20, 80, 38), IRECT(10, 38, 80, 56), IRECT(10, 56, 80, 74),
        IRECT(10, 74, 80, 92)}},
      {"combined, vertical, sized: the last takes the rest",
       70,
       72,
       4,
       true,
       0,
       10,
       20,
       0,
       IRECT(10, 20, 80, 92),
       {IRECT(10, 20, 80, 30), IRECT(10, 30, 80, 50), IRECT(10, 50, 80, 68),
        IRECT(10, 68, 80, 110)}},
      {"combined, vertical, five buttons: the fourth repeats the third",
       70,
       100,
       5,
       true,
       0,
       10,
       20,
       30,
       IRECT(10, 20, 80, 120),
       {IRECT(10, 20, 80, 30), IRECT(10, 30, 80, 50), IRECT(10, 50, 80, 80), IRECT(10, 80, 80, 110),
        IRECT(10, 110, 80, 150)}},
      {"combined, horizontal",
       60,
       10,
       3,
       true,
       1,
       0,
       0,
       0,
       IRECT(10, 20, 70, 30),
       {IRECT(10, 20, 30, 30), IRECT(30, 20, 50, 30), IRECT(50, 20, 70, 30)}},
      {"repeated, vertical",
       20,
       10,
       3,
       false,
       0,
       0,
       0,
       0,
       IRECT(10, 20, 30, 50),
       {IRECT(10, 20, 30, 30), IRECT(10, 30, 30, 40), IRECT(10, 40, 30, 50)}},
      {"repeated, horizontal",
       20,
       10,
       2,
       false,
       1,
       0,
       0,
       0,
       IRECT(10, 20, 50, 30),
       {IRECT(10, 20, 30, 30), IRECT(30, 20, 50, 30)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    IBitmap bitmap(nullptr, c.w, c.h, c.n);
    IRadioButtons radio(nullptr, -1, 10, 20, &bitmap, c.combined, c.direction, c.size0, c.size1,
                        c.size2);
    EXPECT_EQ(*radio.GetRECT(), c.group);
    ASSERT_EQ(radio.NButtons(), (int)c.buttons.size());
    for (int i = 0; i < radio.NButtons(); ++i)
      EXPECT_EQ(*radio.GetButtonRECT(i), c.buttons[i]) << i;
  }
}

TEST(RadioShapes, AOneButtonGroupSelectsZero) {
  IBitmap bitmap(nullptr, 20, 10, 1);
  IRadioButtons radio(nullptr, -1, 0, 0, &bitmap, true, 0, 0, 0, 0);
  IMouseMod left(true);
  radio.OnMouseDown(5, 5, &left);
  EXPECT_EQ(radio.GetValue(), 0.0);
}

TEST(SliderShapes, AVerticalSliderRunsFromOneAtTheTopToZeroAtTheBottom) {
  // Handle 31 x 14; track 100 long centred on x 25: (10, 20, 41, 120), travel 86.
  IBitmap handle(nullptr, 31, 14, 1);
  IText text(0);
  IRECT rect(10, 20, 40, 120);
  ISliderImg slider(nullptr, -1, &rect, &handle, &text, 100, 0);
  EXPECT_EQ(slider.mTrackRECT, IRECT(10, 20, 41, 120)) << "9.5 rounds away from zero";
  EXPECT_EQ(slider.mTravel, 86);
  struct Case {
    int y;
    double value;
  };
  const Case cases[] = {{27, 1.0}, {20, 1.0}, {113, 0.0}, {120, 0.0}, {70, 0.5}};
  IMouseMod left(true);
  for (const Case& c : cases) {
    slider.OnMouseDown(25, c.y, &left);
    EXPECT_DOUBLE_EQ(slider.GetValue(), c.value) << c.y;
  }
  slider.OnMouseDown(45, 70, &left); // beside the track
  EXPECT_DOUBLE_EQ(slider.GetValue(), 0.5);
}

TEST(KnobShapes, ASnappingKnobSnapsOnReleaseAndAnOverrideSetsItsWidth) {
  IBitmap image(nullptr, 50, 50, 1);
  IText text(13);
  IKnobRotVal knob(nullptr, -1, 100, 100, &image, &text, 5, 300, 4.0, 30, IKnobControl::kVertical,
                   1.0f, true, 5);
  EXPECT_EQ(*knob.GetRECT(), IRECT(85, 75, 115, 143));
  const double values[][2] = {{0.3, 0.25}, {0.13, 0.25}, {0.12, 0.0}, {0.9, 1.0}};
  IMouseMod left(true);
  for (const auto& v : values) {
    knob.mValue = v[0];
    knob.OnMouseUp(0, 0, &left);
    EXPECT_DOUBLE_EQ(knob.GetValue(), v[1]) << v[0];
  }
}

} // namespace
