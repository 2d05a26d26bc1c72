// The editor description, built once in the constructor: a fixed 620 x 355 skin on
// which everything that looks like a label, frame or idle button is painted in the
// background, and 146 controls drawing only their changing parts on top of it. The
// list order is the drawing order (later controls on top, and first for the mouse):
//   0 background, 1 version label, 2 URL area, 3 status line, 4-10 knobs, 11 Target,
//   12 Gate, 13 Tie Lock, 14 step-edit carrier, 15-16 shift buttons, 17-144 step bars
//   (time and volume bar of step 1, then of step 2, ...), 145-146 activity displays.
// Text sizes suit each platform's font rasteriser: the macOS build draws two points
// smaller (and without antialiasing asked for); every other build, Linux included,
// uses the Windows sizes.
#include "Corvanel.h"
#include "IButton.h"
#include "IEmpty.h"
#include "IKnobRotVal.h"
#include "IRadioButtons.h"
#include "ISlider.h"
#include "ITextControl.h"
#include "IURLOpen.h"
#include "MyBar.h"
#include "PlatformGraphics.h"
#include "SampleActivity.h"

namespace {

constexpr int kEditorWidth = 620;
constexpr int kEditorHeight = 355;

#ifdef CORVANEL_MACOS
constexpr int kTextSmaller = 2;
constexpr int kTextQuality = IText::kQualityNonAntiAliased;
#else
constexpr int kTextSmaller = 0;
constexpr int kTextQuality = IText::kQualityDefault;
#endif

IText Style(const char* font, int windowsSize, IColor color, int align) {
  return IText(windowsSize - kTextSmaller, &color, font, IText::kStyleNormal, align, 0,
               kTextQuality);
}

// The seven knobs: parameter and centre.
const struct {
  int mParam, mX, mY;
} kKnobs[] = {{kRate, 51, 125},  {kCycle, 121, 125},     {kAttack, 207, 125}, {kRelease, 277, 125},
              {kFade, 347, 125}, {kSplitFreq, 499, 125}, {kMix, 569, 125}};

// Rows of the step grid: 16 steps a row, 35 pixels apart.
constexpr int kStepRowY[4] = {210, 244, 275, 309};
constexpr int kStepPitch = 35;
constexpr int kGridLeft = 30;

} // namespace

void CLS_CORVANEL::BuildEditor() {
  IGraphics* g = new PlatformGraphics(this, kEditorWidth, kEditorHeight, 0);
  g->AttachBackground(100, "../img/bg.png");

  IBitmap knob = g->LoadIBitmap(101, "../img/knob.png", 1);
  IText knobText = Style("Arial", 15, IColor(180, 255, 255, 255), IText::kAlignCenter);

  IText versionText = Style("Verdana", 13, IColor(100, 55, 55, 55), IText::kAlignNear);
  char version[32];
  GetEffectVersionString(version);
  IRECT versionRect(45, 12, 95, 30);
  g->AttachControl(new ITextControl(this, &versionRect, &versionText, version));

  IRECT logo(164, 6, 356, 54);
  g->AttachControl(new IURLOpen(this, &logo));

  IText statusText = Style("Arial", 15, IColor(180, 255, 255, 255), IText::kAlignCenter);
  IRECT statusRect(316, 180, 446, 198);
  mStatusText = new ITextControl(this, &statusRect, &statusText, "");
  g->AttachControl(mStatusText);
#ifdef CORVANEL_MESSAGE_LINE
  // A desktop without message boxes shows a failed web page here.
  static_cast<PlatformGraphics*>(g)->SetMessageLine(mStatusText);
#endif

  for (const auto& k : kKnobs)
    g->AttachControl(new IKnobRotVal(this, k.mParam, k.mX, k.mY, &knob, &knobText, 5, 300, 4.0, 0,
                                     IKnobControl::kVertical, 1.0f, true, 0));

  IBitmap radio = g->LoadIBitmap(105, "../img/radio.png", 4);
  g->AttachControl(new IRadioButtons(this, kTarget, 387, 97, &radio, true, 0, 0, 0, 0));

  IBitmap handle = g->LoadIBitmap(106, "../img/slider.png", 1);
  // The slider's value text is switched off (size 0, or below on macOS).
  IText sliderText = Style("Arial", 0, IColor(255, 255, 255, 255), IText::kAlignCenter);
  IRECT track(193, 174, 285, 194);
  IColor fill(255, 66, 110, 170);
  g->AttachControl(new ISlider(this, kGate, &track, &handle, &sliderText, &fill, 89, 2,
                               IKnobControl::kHorizontal, 8, false));

  IBitmap tie = g->LoadIBitmap(104, "../img/but3.png", 1);
  g->AttachControl(new IButton(this, kTieLock, 288, 179, &tie));

  g->AttachControl(new IEmpty(this, kStepEdited));

  IBitmap shiftTime = g->LoadIBitmap(102, "../img/but1.png", 2);
  g->AttachControl(new MyBar2(this, kShiftTime, 22, 172, &shiftTime));
  IBitmap shiftVolume = g->LoadIBitmap(103, "../img/but2.png", 2);
  g->AttachControl(new MyBar2(this, kShiftVolume, 485, 172, &shiftVolume));

  // Each bar takes its entry index from mEditedStep, set just before it is made.
  const IColor timeColor(255, 130, 195, 255), volumeColor(200, 0, 255, 180);
  for (int i = 0; i < kNumSteps; ++i) {
    const int x = kGridLeft + kStepPitch * (i % 16), y = kStepRowY[i / 16];
    mEditedStep = (uint16_t)i;
    mSteps[i] = 2;
    IRECT timeRect(x, y, x + 34, y + 10);
    MyBar* timeBar =
        new MyBar(this, &mSteps[i], &timeRect, &timeColor, &mEditedStep, &mEditedValue);
    mStepBars[i] = timeBar;
    mEditedStep = (uint16_t)(kNumSteps + i);
    mSteps[kNumSteps + i] = 4;
    IRECT volumeRect(x, y + 11, x + 34, y + 19);
    MyBar* volumeBar = new MyBar(this, &mSteps[kNumSteps + i], &volumeRect, &volumeColor,
                                 &mEditedStep, &mEditedValue);
    mStepBars[kNumSteps + i] = volumeBar;
    g->AttachControl(timeBar);
    g->AttachControl(volumeBar);
  }

  IRECT upperGap(30, 230, 589, 243), lowerGap(30, 295, 589, 308);
  g->AttachControl(new SampleActivity(this, &upperGap, &mCurStep));
  g->AttachControl(new SampleActivity(this, &lowerGap, &mCurStep));

  AttachEditor(g);
}
