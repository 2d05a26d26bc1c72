// A freshly built Corvanel: identity, its 26 parameters and the pattern their
// defaults carry.
#include "Corvanel.h"
#include "StepWords.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Display(IPlugBase& plug, int idx, double value) {
  char out[64];
  plug.GetParam(idx)->FormatDisplay(value, false, out);
  return out;
}

TEST(CorvanelParams, IdentityAndCounts) {
  CLS_CORVANEL plug{IPlugInstanceInfo()};
  EXPECT_EQ(plug.NParams(), 26);
  EXPECT_EQ(plug.NSavedParams(), 23);
  EXPECT_EQ(plug.NPresets(), 50);
  EXPECT_STREQ(plug.GetEffectName(), "Corvanel");
  EXPECT_STREQ(plug.GetProductName(), "");
  EXPECT_STREQ(plug.GetMfrName(), "Orbalin");
  EXPECT_EQ(plug.GetUniqueID(), 0x63687A67);
  EXPECT_EQ(plug.GetMfrID(), 0x4F72624C);
  EXPECT_EQ(plug.GetEffectVersion(true), 10200);
  EXPECT_TRUE(plug.LegalIO(1, 1));
  EXPECT_TRUE(plug.LegalIO(2, 2));
  EXPECT_FALSE(plug.LegalIO(1, 2));
  EXPECT_FALSE(plug.IsReadyToProcess());
}

TEST(CorvanelParams, DefinitionsTable) {
  CLS_CORVANEL plug{IPlugInstanceInfo()};
  struct Row {
    int idx;
    const char* name;
    double def, min, max, shape;
    const char* label;
    int type;
  } rows[] = {
      {kRate, "Rate", 9, 0, 27, 1, "", IParam::kParamEnum},
      {kCycle, "Cycle", 16, 1, 64, 1, "", IParam::kParamInt},
      {kAttack, "Attack", 5, 0, 200, 2, "%", IParam::kParamInt},
      {kGate, "Gate", 100, 0, 100, 1, "%", IParam::kParamInt},
      {kTieLock, "Tie Lock", 1, 0, 1, 1, "", IParam::kParamBool},
      {kRelease, "Release", 30, 0, 200, 2, "%", IParam::kParamInt},
      {kFade, "Fade", 5, 0, 100, 2, "%", IParam::kParamInt},
      {kSplitFreq, "Split Freq", 1000, 20, 20000, 2, "Hz", IParam::kParamInt},
      {kTarget, "Target", 0, 0, 3, 1, "", IParam::kParamEnum},
      {kMix, "Mix", 80, 0, 100, 1, "%", IParam::kParamInt},
      {kStepWord0, "", 4882812, 0, 9765624, 1, "", IParam::kParamInt},
      {kStepWord0 + 6, "", 4890624, 0, 9765624, 1, "", IParam::kParamInt},
      {kStepWord0 + 7, "", 9765624, 0, 9765624, 1, "", IParam::kParamInt},
      {kStepWord12, "", 390624, 0, 390624, 1, "", IParam::kParamInt},
      {kStepEdited, "", 0, 0, 1, 1, "", IParam::kParamInt},
      {kShiftTime, "", 0, -5, 5, 1, "", IParam::kParamInt},
      {kShiftVolume, "", 0, -5, 5, 1, "", IParam::kParamInt},
  };
  for (const Row& r : rows) {
    const IParam* p = plug.GetParam(r.idx);
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p->GetName(), r.name) << r.idx;
    EXPECT_EQ(p->Value(), r.def) << r.idx;
    EXPECT_EQ(p->GetMin(), r.min) << r.idx;
    EXPECT_EQ(p->GetMax(), r.max) << r.idx;
    EXPECT_EQ(p->GetShape(), r.shape) << r.idx;
    EXPECT_STREQ(p->GetLabel(), r.label) << r.idx;
    EXPECT_EQ(p->Type(), r.type) << r.idx;
  }
  for (int i = 0; i < kNumParams; ++i)
    EXPECT_EQ(plug.GetParam(i)->GetCanAutomate(), i < kStepWord0 || i > kStepWord12) << i;
}

TEST(CorvanelParams, DisplayTexts) {
  CLS_CORVANEL plug{IPlugInstanceInfo()};
  EXPECT_EQ(Display(plug, kRate, 0), "1/128");
  EXPECT_EQ(Display(plug, kRate, 9), "1/16");
  EXPECT_EQ(Display(plug, kRate, 10), "1/8T");
  EXPECT_EQ(Display(plug, kRate, 26), "2/1D");
  EXPECT_EQ(Display(plug, kRate, 27), "4/1");
  EXPECT_EQ(plug.GetParam(kRate)->DisplayTextCount(), 28);
  EXPECT_EQ(Display(plug, kTieLock, 0), "No");
  EXPECT_EQ(Display(plug, kTieLock, 1), "Yes");
  EXPECT_EQ(Display(plug, kTarget, 1), "Low Gain");
  EXPECT_EQ(Display(plug, kTarget, 3), "Low - High");
  EXPECT_EQ(Display(plug, kSplitFreq, 1000), "1000");
}

TEST(CorvanelParams, StepWordDefaultsDecodeToTheInitialPattern) {
  CLS_CORVANEL plug{IPlugInstanceInfo()};
  uint16_t steps[kNumStepEntries] = {};
  for (int w = 0; w < kNumStepWords; ++w)
    UnpackStepWord(w, plug.GetParam(kStepWord0 + w)->Int(), steps);
  for (int e = 0; e < kNumStepEntries; ++e) {
    EXPECT_EQ(steps[e], e < kNumSteps ? 2 : 4) << e;
    EXPECT_EQ(plug.Steps()[e], steps[e]) << e;
  }
}

} // namespace
