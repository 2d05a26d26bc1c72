// The graphics core: rectangle rules, dispatch and capture, gestures towards the host,
// the dirty-rectangle redraw, typed values and the bitmap cache, on real controls.
#include "EditorFixture.h"
#include "IBitmapControl.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const IColor kRed(255, 255, 0, 0), kGreen(255, 0, 255, 0), kBlue(255, 0, 0, 255);
const IColor kBack(255, 10, 20, 30);

TEST(IRECTRules, EmptyIntersectUnionAndHits) {
  const IRECT zero, point(5, 5, 5, 5), a(0, 0, 10, 10), b(5, 5, 15, 15), edge(10, 0, 20, 10);
  EXPECT_TRUE(zero.Empty());
  EXPECT_FALSE(point.Empty()) << "a degenerate rectangle away from the origin is not empty";
  EXPECT_FALSE(zero.Intersects(a)) << "the empty rectangle meets nothing";
  EXPECT_FALSE(a.Intersects(zero));
  EXPECT_TRUE(a.Intersects(b));
  EXPECT_FALSE(a.Intersects(edge)) << "right and bottom are exclusive";
  EXPECT_EQ(a.Intersect(b), IRECT(5, 5, 10, 10));
  EXPECT_EQ(a.Intersect(edge), IRECT());
  EXPECT_EQ(zero.Union(a), a);
  EXPECT_EQ(a.Union(zero), a);
  EXPECT_EQ(point.Union(a), IRECT(0, 0, 10, 10));
  EXPECT_EQ(IRECT(20, 20, 20, 20).Union(a), IRECT(0, 0, 20, 20)) << "a point still widens a union";
  EXPECT_TRUE(a.Contains(10, 10)) << "the mouse sees all four edges";
  EXPECT_FALSE(a.Contains(11, 10));
}

struct DispatchFixture : EditorFixture {
  PaintControl* under;
  PaintControl* over;
  PaintControl* hidden;
  DispatchFixture() {
    under = new PaintControl(&plug, IRECT(0, 0, 40, 40), kLevel, kRed, &log, "under");
    over = new PaintControl(&plug, IRECT(20, 20, 60, 60), kMode, kGreen, &log, "over");
    hidden = new PaintControl(&plug, IRECT(0, 0, 100, 60), -1, kBlue, &log, "hidden");
    graphics->AttachControl(under);
    graphics->AttachControl(over);
    graphics->AttachControl(hidden);
    hidden->Hide(true);
    Attach();
    log.clear();
    plug.mEvents.clear();
  }
};

TEST(GraphicsDispatch, TheLaterControlWinsAndHiddenOrGreyedOnesAreTransparent) {
  DispatchFixture f;
  EXPECT_EQ(f.graphics->GetMouseControlIdx(30, 30), 1) << "both cover it: the later one";
  EXPECT_EQ(f.graphics->GetMouseControlIdx(10, 10), 0);
  EXPECT_EQ(f.graphics->GetMouseControlIdx(80, 10), -1) << "only the hidden control is there";
  f.over->SetGrayed(true);
  EXPECT_EQ(f.graphics->GetMouseControlIdx(30, 30), 0) << "a greyed control is not hit";
  EXPECT_FLOAT_EQ(f.over->mBlend.mWeight, 0.25f);
}

TEST(GraphicsDispatch, ThePressedControlKeepsTheMouseUntilRelease) {
  DispatchFixture f;
  IMouseMod left(true);
  f.graphics->OnMouseDown(10, 10, &left);
  f.graphics->OnMouseDrag(10, 10, &left); // no movement: no call
  f.graphics->OnMouseDrag(35, 50, &left); // over the other control and outside its own
  f.graphics->OnMouseUp(90, 55, &left);   // released far away
  EXPECT_EQ(f.log,
            (std::vector<std::string>{"down under 10,10", "drag under 35,50", "up under 90,55"}));
  EXPECT_EQ(f.under->mLastDelta[0], 25);
  EXPECT_EQ(f.under->mLastDelta[1], 40);
  EXPECT_EQ(f.Events(), "begin 0; end 0; ") << "the press and release frame the host's gesture";
  EXPECT_EQ(f.graphics->GetMouseCapture(), -1);
  f.graphics->OnMouseDrag(12, 12, &left); // nothing captured: nothing happens
  EXPECT_EQ(f.log.size(), 3u);
}

TEST(GraphicsDispatch, PressingNothingReleasesAnOldCapture) {
  DispatchFixture f;
  IMouseMod left(true);
  f.graphics->OnMouseDown(10, 10, &left);
  f.graphics->OnMouseDown(90, 5, &left);
  EXPECT_EQ(f.graphics->GetMouseCapture(), -1);
  EXPECT_EQ(f.graphics->GetMouseControlIdx(30, 30), 1);
}

TEST(GraphicsDispatch, DoubleClickEitherReachesTheControlOrActsAsAPress) {
  DispatchFixture f;
  IMouseMod left(true);
  EXPECT_FALSE(f.graphics->OnMouseDblClick(10, 10, &left));
  EXPECT_EQ(f.log, std::vector<std::string>{"dbl under 10,10"});
  EXPECT_EQ(f.graphics->GetMouseCapture(), -1) << "nothing captures";
  f.log.clear();
  f.under->mDblAsSingleClick = true;
  EXPECT_TRUE(f.graphics->OnMouseDblClick(10, 10, &left));
  EXPECT_EQ(f.log, std::vector<std::string>{"down under 10,10"});
  EXPECT_EQ(f.graphics->GetMouseCapture(), 0) << "a press captures";
  EXPECT_EQ(f.Events(), "begin 0; set 0=0.000000; begin 0; ")
      << "each double click opens the gesture; the first returned to the default";
}

TEST(GraphicsDispatch, KeysGoToTheControlUnderThePointer) {
  DispatchFixture f;
  f.graphics->OnKeyDown(30, 30, 16);
  f.graphics->OnKeyDown(90, 50, 17);
  EXPECT_EQ(f.log, std::vector<std::string>{"key 16 over 30,30"});
}

TEST(GraphicsDispatch, AWheelRunIsOneGestureThatTheTimerEnds) {
  DispatchFixture f;
  IMouseMod none;
  for (int notch = 0; notch < 3; ++notch)
    f.graphics->OnMouseWheel(10, 10, &none, 1);
  EXPECT_NEAR(f.under->GetValue(), 0.03, 1e-12);
  EXPECT_EQ(f.graphics->mTimer, 12) << "half the frame rate";
  const std::string during = f.Events();
  EXPECT_EQ(during.find("end"), std::string::npos) << during;
  EXPECT_EQ(during.find("begin 0"), 0u);
  EXPECT_EQ(during.rfind("begin"), 0u) << "one begin for the whole run: " << during;
  for (int tick = 0; tick < 12; ++tick)
    f.graphics->Tick();
  EXPECT_EQ(f.plug.mEvents.back().mKind, IPlugTestHost::Event::kEnd);
  EXPECT_EQ(f.plug.mEvents.back().mParamIdx, kLevel);
  EXPECT_EQ(f.graphics->GetMouseCapture(), -1) << "the wheel leaves the capture alone";
}

// ---- Redraw ---------------------------------------------------------------------------------

struct RedrawFixture : EditorFixture {
  PaintControl* background;
  PaintControl* left;
  PaintControl* right;
  PaintControl* topRight;
  RedrawFixture() {
    background = new PaintControl(&plug, IRECT(0, 0, 100, 60), -1, kBack, &log, "back");
    left = new PaintControl(&plug, IRECT(0, 0, 30, 30), -1, kRed, &log, "left");
    right = new PaintControl(&plug, IRECT(50, 0, 100, 60), -1, kGreen, &log, "right");
    topRight = new PaintControl(&plug, IRECT(60, 10, 80, 20), -1, kBlue, &log, "topRight");
    for (IControl* c :
         {(IControl*)background, (IControl*)left, (IControl*)right, (IControl*)topRight})
      graphics->AttachControl(c);
    Attach();
    graphics->Tick(); // the first pass paints everything
    log.clear();
  }
};

TEST(GraphicsRedraw, TheFirstPassPaintsEveryControlInListOrder) {
  RedrawFixture f;
  EXPECT_EQ(f.Pixel(5, 5), Word(kRed));
  EXPECT_EQ(f.Pixel(40, 40), Word(kBack));
  EXPECT_EQ(f.Pixel(55, 5), Word(kGreen));
  EXPECT_EQ(f.Pixel(70, 15), Word(kBlue)) << "later controls paint over earlier ones";
  IRECT r;
  EXPECT_FALSE(f.graphics->IsDirty(&r)) << "every control is clean after its turn";
}

TEST(GraphicsRedraw, ADirtyControlRepaintsExactlyWhatMeetsItsRectangle) {
  RedrawFixture f;
  f.topRight->mColor = kRed;
  f.topRight->SetDirty(false);
  IRECT r;
  ASSERT_TRUE(f.graphics->IsDirty(&r));
  EXPECT_EQ(r, IRECT(60, 10, 80, 20));
  f.graphics->Draw(&r);
  EXPECT_EQ(f.log, (std::vector<std::string>{"draw back", "draw right", "draw topRight"}));
  EXPECT_EQ(f.Pixel(70, 15), Word(kRed));
  EXPECT_EQ(f.graphics->mLastScreenRect, r) << "the window gets the same rectangle";
}

TEST(GraphicsRedraw, DirtyRectanglesUniteAndHiddenControlsAreCleanedNotDrawn) {
  RedrawFixture f;
  f.left->SetDirty(false);
  f.right->Hide(true);
  IRECT r;
  ASSERT_TRUE(f.graphics->IsDirty(&r));
  EXPECT_EQ(r, IRECT(0, 0, 100, 60));
  f.graphics->Draw(&r);
  EXPECT_EQ(f.log, (std::vector<std::string>{"draw back", "draw left", "draw topRight"}));
  EXPECT_EQ(f.Pixel(55, 5), Word(kBack)) << "the background shows where the hidden control was";
  IRECT again;
  EXPECT_TRUE(f.graphics->IsDirty(&again)) << "hiding asked for one more pass";
  f.graphics->Tick();
  EXPECT_FALSE(f.graphics->IsDirty(&again));
}

TEST(GraphicsRedraw, ARedrawAskedForDuringTheDrawKeepsTheControlDirtyOnce) {
  RedrawFixture f;
  f.left->SetValueFromPlug(0.5); // a new value: dirty, and a redraw requested
  f.graphics->Tick();
  IRECT r;
  EXPECT_TRUE(f.graphics->IsDirty(&r)) << "dirty for one more pass";
  f.graphics->Tick();
  EXPECT_FALSE(f.graphics->IsDirty(&r));
}

TEST(GraphicsRedraw, BitmapsClipToTheRedrawRectangleFillsDoNot) {
  EditorFixture f;
  f.Attach();
  LICE_MemBitmap image(10, 10);
  LICE_FillRect(&image, 0, 0, 10, 10, Word(kGreen), 1.0f, LICE_BLIT_MODE_COPY);
  IBitmap bitmap(&image, 10, 10, 1);
  IRECT area(0, 0, 5, 5), dest(0, 0, 10, 10), fill(20, 20, 30, 30);
  f.graphics->AttachControl(new PaintControl(&f.plug, IRECT(), -1, kRed));
  f.graphics->Draw(&area); // the redraw rectangle of the primitives below
  f.graphics->DrawBitmap(&bitmap, &dest, 0, 0, nullptr);
  f.graphics->FillIRect(&kBlue, &fill);
  EXPECT_EQ(f.Pixel(4, 4), Word(kGreen));
  EXPECT_EQ(f.Pixel(5, 5), 0u) << "outside the redraw rectangle";
  EXPECT_EQ(f.Pixel(25, 25), Word(kBlue));
}

// ---- Values from the plug-in and typed values -----------------------------------------------

TEST(GraphicsValues, PlugValuesReachEveryControlOfTheParameterNormalised) {
  EditorFixture f;
  auto* a = new PaintControl(&f.plug, IRECT(0, 0, 1, 1), kLevel, kRed);
  auto* b = new PaintControl(&f.plug, IRECT(0, 0, 1, 1), kLevel, kRed);
  auto* other = new PaintControl(&f.plug, IRECT(0, 0, 1, 1), kCount, kRed);
  f.graphics->AttachControl(a);
  f.graphics->AttachControl(b);
  f.graphics->AttachControl(other);
  f.Attach();
  f.graphics->SetParameterFromPlug(kLevel, 5.0, false);
  EXPECT_EQ(a->GetValue(), 0.5);
  EXPECT_EQ(b->GetValue(), 0.5);
  f.graphics->SetParameterFromPlug(kLevel, 0.25, true);
  EXPECT_EQ(a->GetValue(), 0.25);
  EXPECT_EQ(other->GetValue(), 15.0 / 63.0) << "the default 16 of 1..64, pushed when attached";
  f.graphics->SetParameterFromPlug(99, 1.0, false); // no such parameter: nothing
}

TEST(GraphicsValues, TypedTextsBecomeValuesInsideAGesture) {
  struct Case {
    const char* meaning;
    int param;
    const char* text;
    double value; // the parameter's real value afterwards
  } cases[] = {
      {"a display text selects its entry", kMode, "High Gain", 2},
      {"an unknown text reads as its leading number", kMode, "3 please", 3},
      {"a shown-negated parameter negates the number", kOffset, "12.5", -12.5},
      {"a leading decimal number", kLevel, "7.5 steps", 8},
      {"no number reads as 0", kCount, "lots", 1},
      {"values clamp into the range", kLevel, "250", 10},
  };
  for (const Case& c : cases) {
    EditorFixture f;
    auto* control = new PaintControl(&f.plug, IRECT(0, 0, 10, 10), c.param, kRed);
    f.graphics->AttachControl(control);
    f.Attach();
    f.plug.mEvents.clear();
    f.graphics->SetFromStringAfterPrompt(control, f.plug.GetParam(c.param), c.text);
    EXPECT_DOUBLE_EQ(f.plug.GetParam(c.param)->mValue, c.value) << c.meaning;
    ASSERT_EQ(f.plug.mEvents.size(), 3u) << c.meaning;
    EXPECT_EQ(f.plug.mEvents.front().mKind, IPlugTestHost::Event::kBegin) << c.meaning;
    EXPECT_EQ(f.plug.mEvents.back().mKind, IPlugTestHost::Event::kEnd) << c.meaning;
  }
}

TEST(GraphicsValues, AnUnboundControlTakesTheTypedValueWithoutAGesture) {
  EditorFixture f;
  auto* control = new PaintControl(&f.plug, IRECT(0, 0, 10, 10), -1, kRed);
  f.graphics->AttachControl(control);
  f.Attach();
  f.plug.mEvents.clear();
  f.graphics->SetFromStringAfterPrompt(control, f.plug.GetParam(kLevel), "5");
  EXPECT_EQ(control->GetValue(), 0.5);
  EXPECT_TRUE(f.plug.mEvents.empty());
}

// ---- Bitmaps --------------------------------------------------------------------------------

LICE_IBitmap* SolidImage(int w, int h, LICE_pixel color) {
  auto* image = new LICE_MemBitmap(w, h);
  LICE_FillRect(image, 0, 0, w, h, color, 1.0f, LICE_BLIT_MODE_COPY);
  return image;
}

TEST(GraphicsBitmaps, AnIdIsDecodedOnceHoweverOftenItIsLoaded) {
  EditorFixture f;
  f.graphics->mLoader = [](int, const char*) { return SolidImage(6, 8, 0xff123456u); };
  IBitmap a = f.graphics->LoadIBitmap(1001, "a.png", 2);
  IBitmap b = f.graphics->LoadIBitmap(1001, "a.png", 1);
  TestGraphics second(&f.plug); // another editor of the process shares the cache
  second.mLoader = f.graphics->mLoader;
  IBitmap c = second.LoadIBitmap(1001, "a.png");
  EXPECT_EQ(f.graphics->mLoads[1001], 1);
  EXPECT_EQ(second.mLoads[1001], 0);
  EXPECT_EQ(a.mData, b.mData);
  EXPECT_EQ(a.mData, c.mData);
  EXPECT_EQ(a.W, 6);
  EXPECT_EQ(a.H, 8) << "the full height, all frames";
  EXPECT_EQ(a.N, 2);
  EXPECT_EQ(b.N, 1);
}

TEST(GraphicsBitmaps, AMissingImageDrawsNothingAndIsTriedAgain) {
  EditorFixture f;
  f.graphics->AttachBackground(1002, "missing.png");
  f.Attach();
  f.graphics->Tick();
  EXPECT_EQ(f.Pixel(0, 0), 0u);
  IBitmap none = f.graphics->LoadIBitmap(1002, "missing.png");
  EXPECT_EQ(none.mData, nullptr);
  EXPECT_EQ(f.graphics->mLoads[1002], 2);
  IRECT r(0, 0, 10, 10);
  EXPECT_TRUE(f.graphics->DrawBitmapFrame(&none, &r, 1, nullptr));
  EXPECT_TRUE(f.graphics->DrawRotatedBitmap(&none, 5, 5, 1.0, 0, 0, nullptr));
  EXPECT_TRUE(f.graphics->DrawWholeBitmap(&none, 0, 0, nullptr));
}

TEST(GraphicsBitmaps, TheBackgroundClobbersAndFramesComeFromTheirOffsets) {
  EditorFixture f(8, 4);
  // Four frames side by side or stacked: each frame its own colour.
  f.graphics->mLoader = [](int id, const char*) -> LICE_IBitmap* {
    if (id == 1003) return SolidImage(8, 4, LICE_RGBA(1, 2, 3, 0)); // transparent
    auto* image = new LICE_MemBitmap(8, 8);
    for (int frame = 0; frame < 4; ++frame)
      LICE_FillRect(image, 0, frame * 2, 8, 2, LICE_RGBA(frame * 60, 0, 0, 255), 1.0f,
                    LICE_BLIT_MODE_COPY);
    return image;
  };
  f.graphics->AttachBackground(1003, "bg.png");
  f.Attach();
  f.graphics->Tick();
  EXPECT_EQ(f.Pixel(3, 3), LICE_RGBA(1, 2, 3, 0)) << "copied as it is, alpha and all";
  IBitmap frames = f.graphics->LoadIBitmap(1004, "frames.png", 4);
  IRECT dest(0, 0, 8, 2);
  IRECT all(0, 0, 8, 4);
  f.graphics->Draw(&all);
  for (int frame = 1; frame <= 4; ++frame) {
    f.graphics->DrawBitmapFrame(&frames, &dest, frame, nullptr, true);
    EXPECT_EQ(f.Pixel(0, 0), LICE_RGBA((frame - 1) * 60, 0, 0, 255)) << "frame " << frame;
  }
}

TEST(GraphicsBitmaps, ACropIsACopyOfThePart) {
  EditorFixture f;
  LICE_MemBitmap image(4, 4);
  LICE_FillRect(&image, 0, 0, 4, 4, Word(kRed), 1.0f, LICE_BLIT_MODE_COPY);
  LICE_FillRect(&image, 2, 0, 2, 4, Word(kGreen), 1.0f, LICE_BLIT_MODE_COPY);
  IBitmap whole(&image, 4, 4, 3);
  IRECT part(2, 1, 4, 3);
  IBitmap crop = f.graphics->CropBitmap(&whole, &part);
  ASSERT_NE(crop.mData, nullptr);
  EXPECT_EQ(crop.W, 2);
  EXPECT_EQ(crop.H, 2);
  EXPECT_EQ(crop.N, 3);
  auto* copy = static_cast<LICE_IBitmap*>(crop.mData);
  EXPECT_EQ(LICE_RowPtr(copy, 1)[1], Word(kGreen));
  LICE_FillRect(&image, 0, 0, 4, 4, Word(kBlue), 1.0f, LICE_BLIT_MODE_COPY);
  EXPECT_EQ(LICE_RowPtr(copy, 0)[0], Word(kGreen)) << "a copy, not a view";
}

TEST(GraphicsBlend, MethodsTranslateToRasterModes) {
  // Blends over a mid-grey surface: clobber copies alpha, none weighs by source alpha,
  // add brightens.
  struct Case {
    const char* meaning;
    IChannelBlend blend;
    LICE_pixel expected;
  } cases[] = {
      {"clobber copies the pixel as it is", IChannelBlend(1, 1.0f), LICE_RGBA(200, 0, 0, 0)},
      {"none weighs by the source alpha (here 0)", IChannelBlend(0, 1.0f),
       LICE_RGBA(100, 100, 100, 255)},
      {"an unknown method is none", IChannelBlend(7, 1.0f), LICE_RGBA(100, 100, 100, 255)},
  };
  for (const Case& c : cases) {
    EditorFixture f(2, 2);
    f.Attach();
    LICE_FillRect(f.graphics->GetDrawBitmap(), 0, 0, 2, 2, LICE_RGBA(100, 100, 100, 255), 1.0f,
                  LICE_BLIT_MODE_COPY);
    LICE_MemBitmap image(2, 2);
    LICE_FillRect(&image, 0, 0, 2, 2, LICE_RGBA(200, 0, 0, 0), 1.0f, LICE_BLIT_MODE_COPY);
    IBitmap bitmap(&image, 2, 2);
    f.graphics->AttachControl(new PaintControl(&f.plug, IRECT(), -1, kRed));
    IRECT all(0, 0, 2, 2);
    f.graphics->Draw(&all);
    LICE_FillRect(f.graphics->GetDrawBitmap(), 0, 0, 2, 2, LICE_RGBA(100, 100, 100, 255), 1.0f,
                  LICE_BLIT_MODE_COPY);
    f.graphics->DrawBitmap(&bitmap, &all, 0, 0, &c.blend);
    EXPECT_EQ(f.Pixel(1, 1), c.expected) << c.meaning;
  }
}

} // namespace
