// The control base and the standard controls: prompts, double click, wheel, values
// from the plug-in, hits, knob drags, bitmap frames and text.
#include "EditorFixture.h"
#include "IBitmapControl.h"
#include "ITextControl.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const IColor kWhite(255, 255, 255, 255);

TEST(ControlBase, ARightClickPromptsOnlyForABoundParameter) {
  EditorFixture f;
  auto* bound = new PaintControl(&f.plug, IRECT(0, 0, 10, 10), kLevel, kWhite);
  auto* unbound = new PaintControl(&f.plug, IRECT(20, 0, 30, 10), -1, kWhite);
  f.graphics->AttachControl(bound);
  f.graphics->AttachControl(unbound);
  f.Attach();
  IMouseMod right(false, true), left(true);
  f.graphics->OnMouseDown(25, 5, &right);
  f.graphics->OnMouseDown(5, 5, &left);
  EXPECT_EQ(f.graphics->mPrompts, 0);
  f.graphics->OnMouseDown(5, 5, &right);
  EXPECT_EQ(f.graphics->mPrompts, 1);
  EXPECT_EQ(f.graphics->mPromptControl, bound);
  EXPECT_EQ(f.graphics->mPromptParam, f.plug.GetParam(kLevel));
  EXPECT_TRUE(f.graphics->mPromptCentered);
  bound->mDisablePrompt = true;
  f.graphics->OnMouseDown(5, 5, &right);
  EXPECT_EQ(f.graphics->mPrompts, 1);
}

TEST(ControlBase, ADoubleClickReturnsToTheDefaultAndPushesIt) {
  EditorFixture f;
  auto* knob = new TestKnob(&f.plug, IRECT(0, 0, 10, 10), kCount);
  f.graphics->AttachControl(knob);
  f.Attach();
  knob->mValue = 0.9;
  f.plug.mEvents.clear();
  IMouseMod left(true);
  f.graphics->OnMouseDblClick(5, 5, &left);
  EXPECT_EQ(knob->GetValue(), 15.0 / 63.0);
  EXPECT_EQ(f.plug.GetParam(kCount)->mValue, 16.0);
  EXPECT_EQ(f.Events(), "begin 3; set 3=" + std::to_string(15.0 / 63.0) + "; ");

  auto* fresh = new PaintControl(&f.plug, IRECT(0, 0, 10, 10), -1, kWhite);
  f.graphics->AttachControl(fresh); // never given a value: no default
  fresh->mValue = 0.3;
  f.graphics->OnMouseDblClick(5, 5, &left);
  EXPECT_EQ(fresh->GetValue(), 0.3);
}

TEST(ControlBase, WheelNotchesStepAndClampBeforeReachingThePlugIn) {
  struct Case {
    const char* meaning;
    double start;
    IMouseMod mod;
    int notches;
    double expected;
  } cases[] = {
      {"a notch is 1 %", 0.5, IMouseMod(), 1, 0.51},
      {"shift makes it 0.1 %", 0.5, IMouseMod(false, false, true), 1, 0.501},
      {"control too", 0.5, IMouseMod(false, false, false, true), -2, 0.498},
      {"0.995 plus a notch clamps to 1", 0.995, IMouseMod(), 1, 1.0},
      {"below 0 clamps to 0", 0.004, IMouseMod(), -1, 0.0},
  };
  for (const Case& c : cases) {
    EditorFixture f;
    auto* knob = new TestKnob(&f.plug, IRECT(0, 0, 10, 10), kLevel);
    f.graphics->AttachControl(knob);
    f.Attach();
    knob->mValue = c.start;
    IMouseMod mod = c.mod;
    f.graphics->OnMouseWheel(5, 5, &mod, c.notches);
    EXPECT_NEAR(knob->GetValue(), c.expected, 1e-12) << c.meaning;
    ASSERT_EQ(f.plug.mEvents.back().mKind, IPlugTestHost::Event::kSet) << c.meaning;
    EXPECT_NEAR(f.plug.mEvents.back().mValue, c.expected, 1e-12) << c.meaning;
    EXPECT_LE(f.plug.mEvents.back().mValue, 1.0) << c.meaning;
  }
}

TEST(ControlBase, TheFirstPlugValueFixesTheDefaultAndAnEqualOneChangesNothing) {
  EditorFixture f;
  auto* c = new PaintControl(&f.plug, IRECT(0, 0, 10, 10), -1, kWhite);
  f.graphics->AttachControl(c);
  c->SetClean();
  c->SetClean();
  ASSERT_FALSE(c->IsDirty());
  c->SetValueFromPlug(0.0); // equal to the value it holds, but the first ever
  EXPECT_TRUE(c->IsDirty());
  EXPECT_EQ(c->GetDefaultValue(), 0.0);
  c->SetClean();
  c->SetClean();
  c->SetValueFromPlug(0.0);
  EXPECT_FALSE(c->IsDirty()) << "the value already shown";
  c->SetValueFromPlug(0.7);
  EXPECT_TRUE(c->IsDirty());
  EXPECT_EQ(c->GetDefaultValue(), 0.0) << "the default stays the first value";
}

TEST(ControlBase, TheMouseRectangleIncludesItsRightAndBottomEdges) {
  EditorFixture f;
  PaintControl c(&f.plug, IRECT(10, 10, 20, 20), -1, kWhite);
  EXPECT_TRUE(c.IsHit(20, 20));
  EXPECT_TRUE(c.IsHit(10, 10));
  EXPECT_FALSE(c.IsHit(21, 15));
  EXPECT_FALSE(c.IsHit(15, 9));
}

TEST(ControlBase, AKnobDragOfFourHeightsSweepsTheRangeShiftATenth) {
  EditorFixture f;
  auto* knob = new TestKnob(&f.plug, IRECT(0, 0, 50, 68), kLevel);
  f.graphics->AttachControl(knob);
  f.Attach();
  IMouseMod left(true), shift(true, false, true);
  f.graphics->OnMouseDown(25, 30, &left);
  f.graphics->OnMouseDrag(25, 30 - 4 * 68, &left); // the pointer may leave the knob
  f.graphics->OnMouseUp(25, 28, &left);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 1.0);
  knob->mValue = 0.0;
  f.graphics->OnMouseDown(25, 30, &shift);
  f.graphics->OnMouseDrag(25, 30 - 4 * 68, &shift);
  EXPECT_NEAR(knob->GetValue(), 0.1, 1e-12);
  f.graphics->OnMouseDrag(25, 30, &shift); // back down
  EXPECT_NEAR(knob->GetValue(), 0.0, 1e-12);
}

TEST(ControlBase, HidingAndGreyingRedraw) {
  EditorFixture f;
  PaintControl c(&f.plug, IRECT(0, 0, 10, 10), -1, kWhite);
  c.SetClean();
  c.Hide(true);
  EXPECT_TRUE(c.IsHidden());
  c.SetClean();
  EXPECT_TRUE(c.IsDirty()) << "hiding asks for one more pass";
  c.SetClean();
  c.SetGrayed(true);
  EXPECT_TRUE(c.IsDirty());
  c.SetGrayed(false);
  EXPECT_FLOAT_EQ(c.mBlend.mWeight, 1.0f);
}

TEST(BitmapControl, FramesFollowTheValue) {
  struct Case {
    double value;
    int frame;
  } cases[] = {{0.0, 1}, {0.5, 3}, {1.0, 4}, {0.16, 1}, {0.17, 2}};
  for (const Case& c : cases) {
    EditorFixture f(4, 4);
    f.graphics->mLoader = [](int, const char*) -> LICE_IBitmap* {
      auto* image = new LICE_MemBitmap(4, 16);
      for (int frame = 0; frame < 4; ++frame)
        LICE_FillRect(image, 0, frame * 4, 4, 4, LICE_RGBA(10 + frame, 0, 0, 255), 1.0f,
                      LICE_BLIT_MODE_COPY);
      return image;
    };
    IBitmap frames = f.graphics->LoadIBitmap(1100, "frames.png", 4);
    auto* control = new IBitmapControl(&f.plug, 0, 0, -1, &frames);
    EXPECT_EQ(control->mRECT, IRECT(0, 0, 4, 4)) << "one frame's size";
    f.graphics->AttachControl(control);
    f.Attach();
    control->mValue = c.value;
    f.graphics->Tick();
    EXPECT_EQ(f.Pixel(2, 2), LICE_RGBA(10 + c.frame - 1, 0, 0, 255)) << "value " << c.value;
  }
}

// ---- Text -----------------------------------------------------------------------------------

struct TextFixture : EditorFixture {
  IText style{10, &kWhite, "DejaVu Sans", IText::kStyleNormal, IText::kAlignNear};
  TextFixture() : EditorFixture(4000, 16) { Attach(); }
  // The surface after drawing a control alone.
  std::vector<LICE_pixel> DrawAlone(IControl* c) {
    LICE_FillRect(graphics->GetDrawBitmap(), 0, 0, 4000, 16, 0, 1.0f, LICE_BLIT_MODE_COPY);
    c->Draw(graphics);
    std::vector<LICE_pixel> pixels;
    for (int y = 0; y < 16; ++y)
      pixels.insert(pixels.end(), LICE_RowPtr(graphics->GetDrawBitmap(), y),
                    LICE_RowPtr(graphics->GetDrawBitmap(), y) + 4000);
    return pixels;
  }
};

TEST(TextControl, AnEqualTextCausesNoRedrawAndNullClears) {
  TextFixture f;
  IRECT r(0, 0, 100, 16);
  ITextControl line(&f.plug, &r, &f.style, "ready");
  line.SetClean();
  line.SetTextFromPlug("ready");
  EXPECT_FALSE(line.IsDirty());
  line.SetTextFromPlug("Steps time: +25%");
  EXPECT_TRUE(line.IsDirty());
  line.SetClean();
  line.SetTextFromPlug(nullptr);
  EXPECT_TRUE(line.IsDirty());
  WDL_String text;
  line.GetText(&text);
  EXPECT_STREQ(text.Get(), "");
  std::vector<LICE_pixel> blank(4000 * 16, 0);
  EXPECT_EQ(f.DrawAlone(&line), blank) << "the empty text draws nothing";
}

TEST(TextControl, ASecureFieldShowsAtMost254Asterisks) {
  TextFixture f;
  IRECT r(0, 0, 4000, 16);
  IEditableTextControl secure(&f.plug, &r, &f.style, std::string(300, 'x').c_str(), true, true);
  ITextControl stars254(&f.plug, &r, &f.style, std::string(254, '*').c_str());
  ITextControl stars253(&f.plug, &r, &f.style, std::string(253, '*').c_str());
  const auto shown = f.DrawAlone(&secure);
  EXPECT_EQ(shown, f.DrawAlone(&stars254));
  EXPECT_NE(shown, f.DrawAlone(&stars253));
  EXPECT_TRUE(secure.mDblAsSingleClick);
}

TEST(TextControl, AnEditableFieldPromptsOnAnyButtonAndTakesTheCommittedText) {
  EditorFixture f;
  IText style(12);
  IRECT r(0, 0, 50, 14);
  auto* field = new IEditableTextControl(&f.plug, &r, &style, "name", true, false);
  f.graphics->AttachControl(field);
  f.Attach();
  IMouseMod right(false, true);
  f.graphics->OnMouseDown(5, 5, &right);
  EXPECT_EQ(f.graphics->mPromptControl, field);
  EXPECT_EQ(f.graphics->mPromptParam, nullptr);
  f.graphics->SetFromStringAfterPrompt(field, nullptr, "other");
  WDL_String text;
  field->GetText(&text);
  EXPECT_STREQ(text.Get(), "other");
}

} // namespace
