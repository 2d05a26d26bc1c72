// The 26 parameters: 10 the user sees, 13 hidden step words that carry the
// pattern, and 3 extra ones through which the editor signals the plug-in.
#include "Corvanel.h"
#include "StepWords.h"

namespace {
const char* const kRateTexts[kNumRates] = {
    "1/128", "1/64T", "1/128D", "1/64", "1/32T", "1/64D", "1/32", "1/16T", "1/32D", "1/16",
    "1/8T",  "1/16D", "1/8",    "1/4T", "1/8D",  "1/4",   "1/2T", "1/4D",  "1/2",   "1/1T",
    "1/2D",  "1/1",   "2/1T",   "1/1D", "2/1",   "4/1T",  "2/1D", "4/1"};

const char* const kTargetTexts[] = {"Volume", "Low Gain", "High Gain", "Low - High"};

// Defaults of the step words: every time 2 (50 %), every volume 4 (100 %).
int DefaultStepWord(int w) {
  uint16_t steps[kNumStepEntries];
  for (int e = 0; e < kNumStepEntries; ++e)
    steps[e] = e < kNumSteps ? 2 : 4;
  return PackStepWord(steps, w);
}
} // namespace

void CLS_CORVANEL::DefineParameters() {
  IParam* p = GetParam(kRate);
  p->DefineEnum("Rate", 9, kNumRates);
  for (int i = 0; i < kNumRates; ++i)
    p->SetDisplayText(i, kRateTexts[i]);

  GetParam(kCycle)->DefineInt("Cycle", 16, 1, 64);

  GetParam(kAttack)->DefineInt("Attack", 5, 0, 200, "%");
  GetParam(kAttack)->SetShape(2.0);

  GetParam(kGate)->DefineInt("Gate", 100, 0, 100, "%");

  p = GetParam(kTieLock);
  p->DefineBool("Tie Lock", true);
  p->SetDisplayText(0, "No");
  p->SetDisplayText(1, "Yes");

  GetParam(kRelease)->DefineInt("Release", 30, 0, 200, "%");
  GetParam(kRelease)->SetShape(2.0);

  GetParam(kFade)->DefineInt("Fade", 5, 0, 100, "%");
  GetParam(kFade)->SetShape(2.0);

  GetParam(kSplitFreq)->DefineInt("Split Freq", 1000, 20, 20000, "Hz");
  GetParam(kSplitFreq)->SetShape(2.0);

  p = GetParam(kTarget);
  p->DefineEnum("Target", kTargetVolume, 4);
  for (int i = 0; i < 4; ++i)
    p->SetDisplayText(i, kTargetTexts[i]);

  GetParam(kMix)->DefineInt("Mix", 80, 0, 100, "%");

  for (int w = 0; w < kNumStepWords; ++w) {
    p = GetParam(kStepWord0 + w);
    p->DefineInt("", DefaultStepWord(w), 0, StepWordMax(w));
    p->SetCanAutomate(false);
  }

  GetParam(kStepEdited)->DefineInt("", 0, 0, 1);
  GetParam(kShiftTime)->DefineInt("", 0, -5, 5);
  GetParam(kShiftVolume)->DefineInt("", 0, -5, 5);
}
