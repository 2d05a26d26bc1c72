#pragma once
// The plug-in on the test host with an editor built as the product lays it out, from
// the editor's own controls, on an off-screen platform. The skin images are small
// memory bitmaps of the real sizes, each painted in its own colours so that a test can
// tell from the surface what was drawn where.
#include "EngineFixture.h"
#include "IButton.h"
#include "IEmpty.h"
#include "IGraphics.h"
#include "IKnobRotVal.h"
#include "IRadioButtons.h"
#include "ISlider.h"
#include "ITextControl.h"
#include "IURLOpen.h"
#include "MyBar.h"
#include "SampleActivity.h"
#include "lice.h"
#include "lice_sysbitmap.h"

#include <string>

namespace skin {
const IColor kBackground(255, 0, 0, 0);
const IColor kKnobMark(255, 255, 255, 255);
const IColor kShiftLeft(255, 255, 0, 0), kShiftRight(255, 0, 255, 0);
const IColor kButtonOn(255, 0, 0, 255);
const IColor kRadioSlice[4] = {IColor(255, 10, 0, 0), IColor(255, 20, 0, 0), IColor(255, 30, 0, 0),
                               IColor(255, 40, 0, 0)};
const IColor kHandle(255, 255, 255, 0);
const IColor kMarkBelow(255, 255, 0, 255), kMarkAbove(255, 0, 255, 255);

inline LICE_pixel Word(const IColor& c) { return LICE_RGBA(c.R, c.G, c.B, c.A); }

inline LICE_IBitmap* Filled(int w, int h, const IColor& c) {
  LICE_MemBitmap* b = new LICE_MemBitmap(w, h);
  LICE_FillRect(b, 0, 0, w, h, Word(c), 1.0f, LICE_BLIT_MODE_COPY);
  return b;
}

// The bitmap cache is the process's: the plug-in's own editor has already put the real
// skin under ids 100-106, so the test skin lives under kTestIds + id for those. The
// activity displays load 107 and 108 themselves, on their first draw; no editor of this
// test program draws before the test editor, so those come from here too.
constexpr int kTestIds = 9000;

// The images by id: 100 background, 101 knob (transparent, a 6 x 6 mark at its top),
// 102/103 shift buttons (left half, right half), 104 button, 105 radio group (four
// slices), 106 slider handle, 107/108 activity markers.
inline LICE_IBitmap* Load(int id, const char*) {
  if (id >= kTestIds) id -= kTestIds;
  switch (id) {
  case 100:
    return Filled(620, 355, kBackground);
  case 101: {
    LICE_IBitmap* b = Filled(50, 50, IColor(0, 0, 0, 0));
    LICE_FillRect(b, 22, 2, 6, 6, Word(kKnobMark), 1.0f, LICE_BLIT_MODE_COPY);
    return b;
  }
  case 102:
  case 103: {
    LICE_IBitmap* b = Filled(112, 31, kShiftLeft);
    LICE_FillRect(b, 56, 0, 56, 31, Word(kShiftRight), 1.0f, LICE_BLIT_MODE_COPY);
    return b;
  }
  case 104:
    return Filled(22, 20, kButtonOn);
  case 105: {
    LICE_IBitmap* b = Filled(70, 72, kBackground);
    for (int i = 0; i < 4; ++i)
      LICE_FillRect(b, 0, 18 * i, 70, 18, Word(kRadioSlice[i]), 1.0f, LICE_BLIT_MODE_COPY);
    return b;
  }
  case 106:
    return Filled(31, 14, kHandle);
  case 107:
    return Filled(11, 7, kMarkBelow);
  case 108:
    return Filled(11, 7, kMarkAbove);
  default:
    return nullptr;
  }
}
} // namespace skin

class ControlsPlug : public TestCorvanel {
public:
  using CLS_CORVANEL::mStatusText;
  using CLS_CORVANEL::mStepBars;

  // Counts the shifts the plug-in makes: the reactions to a new non-zero whole value.
  void ParamChanged(int idx) override {
    const int before = idx >= 0 && idx < kNumParams ? mAppliedValues[idx] : 0;
    CLS_CORVANEL::ParamChanged(idx);
    if ((idx == kShiftTime || idx == kShiftVolume) && mAppliedValues[idx] != before &&
        mAppliedValues[idx] != 0)
      ++mShifts;
  }

  // Replaces whatever editor the plug-in holds with `graphics`, laid out as the product's:
  // the same controls, order, rectangles, parameters and pointers into the plug-in. The
  // skin images 100-106 are taken from ids + 100 ... ids + 106.
  template <class Graphics> Graphics* BuildEditor(Graphics* graphics, int ids = 0) {
    delete mGraphics;
    mGraphics = nullptr;
    graphics->AttachBackground(ids + 100, "../img/bg.png");
    IBitmap knob = graphics->LoadIBitmap(ids + 101, "../img/knob.png", 1);
    const IColor white(180, 255, 255, 255);
    IText knobText(13, &white, "Arial", IText::kStyleNormal, IText::kAlignCenter, 0,
                   IText::kQualityNonAntiAliased);
    IRECT version(45, 12, 95, 30), url(164, 6, 356, 54), status(316, 180, 446, 198);
    graphics->AttachControl(new ITextControl(this, &version, &knobText, "v1.02"));
    graphics->AttachControl(new IURLOpen(this, &url));
    mStatusText = new ITextControl(this, &status, &knobText, "");
    graphics->AttachControl(mStatusText);
    const int knobs[7][3] = {{kRate, 51, 125},     {kCycle, 121, 125}, {kAttack, 207, 125},
                             {kRelease, 277, 125}, {kFade, 347, 125},  {kSplitFreq, 499, 125},
                             {kMix, 569, 125}};
    for (const auto& k : knobs) {
      mKnobs[k[0]] = new IKnobRotVal(this, k[0], k[1], k[2], &knob, &knobText, 5, 300, 4.0, 0,
                                     IKnobControl::kVertical, 1.0f, true, 0);
      graphics->AttachControl(mKnobs[k[0]]);
    }
    IBitmap radio = graphics->LoadIBitmap(ids + 105, "../img/radio.png", 4);
    mTarget = new IRadioButtons(this, kTarget, 387, 97, &radio, true, 0, 0, 0, 0);
    graphics->AttachControl(mTarget);
    IBitmap handle = graphics->LoadIBitmap(ids + 106, "../img/slider.png", 1);
    const IColor sliderWhite(255, 255, 255, 255), fill(255, 66, 110, 170);
    IText sliderText(-2, &sliderWhite);
    IRECT gate(193, 174, 285, 194);
    mGate = new ISlider(this, kGate, &gate, &handle, &sliderText, &fill, 89, 2, 1, 8, false);
    graphics->AttachControl(mGate);
    IBitmap button = graphics->LoadIBitmap(ids + 104, "../img/but3.png", 1);
    mTieLock = new IButton(this, kTieLock, 288, 179, &button);
    graphics->AttachControl(mTieLock);
    mCarrier = new IEmpty(this, kStepEdited);
    graphics->AttachControl(mCarrier);
    IBitmap shiftTime = graphics->LoadIBitmap(ids + 102, "../img/but1.png", 2);
    IBitmap shiftVolume = graphics->LoadIBitmap(ids + 103, "../img/but2.png", 2);
    mShiftTime = new MyBar2(this, kShiftTime, 22, 172, &shiftTime);
    mShiftVolume = new MyBar2(this, kShiftVolume, 485, 172, &shiftVolume);
    graphics->AttachControl(mShiftTime);
    graphics->AttachControl(mShiftVolume);
    const IColor timeColor(255, 130, 195, 255), volumeColor(200, 0, 255, 180);
    const int rowY[4] = {210, 244, 275, 309};
    for (int i = 0; i < kNumSteps; ++i) {
      const int x = 30 + 35 * (i % 16), y = rowY[i / 16];
      IRECT timeRect(x, y, x + 34, y + 10), volumeRect(x, y + 11, x + 34, y + 19);
      mEditedStep = (uint16_t)i;
      mSteps[i] = 2;
      MyBar* time = new MyBar(this, &mSteps[i], &timeRect, &timeColor, &mEditedStep, &mEditedValue);
      mStepBars[i] = time;
      mEditedStep = (uint16_t)(kNumSteps + i);
      mSteps[kNumSteps + i] = 4;
      MyBar* volume = new MyBar(this, &mSteps[kNumSteps + i], &volumeRect, &volumeColor,
                                &mEditedStep, &mEditedValue);
      mStepBars[kNumSteps + i] = volume;
      graphics->AttachControl(time);
      graphics->AttachControl(volume);
    }
    IRECT upper(30, 230, 589, 243), lower(30, 295, 589, 308);
    graphics->AttachControl(new SampleActivity(this, &upper, &mCurStep));
    graphics->AttachControl(new SampleActivity(this, &lower, &mCurStep));
    AttachEditor(graphics);
    return graphics;
  }

  MyBar* Bar(int entry) { return static_cast<MyBar*>(mStepBars[entry]); }
  std::string Status() {
    WDL_String text;
    mStatusText->GetText(&text);
    return text.Get();
  }

  int mShifts = 0;
  IKnobRotVal* mKnobs[kNumParams] = {};
  IRadioButtons* mTarget = nullptr;
  ISlider* mGate = nullptr;
  IButton* mTieLock = nullptr;
  IEmpty* mCarrier = nullptr;
  MyBar2* mShiftTime = nullptr;
  MyBar2* mShiftVolume = nullptr;
};

// A pixel of an editor's surface.
inline LICE_pixel SurfacePixel(IGraphics* g, int x, int y) {
  return LICE_RowPtr(g->GetDrawBitmap(), y)[x];
}
