// The plug-in's reaction to parameter values: engine fields and derived gate values,
// status messages, and the step model (the pattern packed into the hidden step words,
// step edits and shifts signalled by the editor through the extra parameters).
#include "Corvanel.h"
#include "GateMath.h"
#include "IGraphics.h"
#include "ITextControl.h"
#include "MyBar.h"
#include "StepWords.h"

#include <cstdio>
#include <cstring>
#include <ctime>

using namespace gate;

// The step bars signal their edits through this plug-in's step-edit parameter.
static_assert(MyBar::kStepEditedParam == kStepEdited, "step bars and plug-in disagree");

namespace {

// A status message stays on the status line for nine seconds of processor clock.
constexpr uint32_t kStatusTicks = (uint32_t)(9 * CLOCKS_PER_SEC);

// Moves the entries [first, first + count) one quarter up (s > 0) or down, clamped to
// 0..4, through the bars that show them: a bar's value is what the user sees, also when
// a wheel nudge has moved it off the entry's level.
void ShiftEntries(uint16_t* steps, IControl* const* bars, int first, int count, double s) {
  for (int e = first; e < first + count; ++e) {
    IControl* bar = bars[e];
    double x = s + bar->GetValue();
    if (x >= 1.0)
      x = 1.0;
    else if (x < 0.0)
      x = 0.0;
    bar->SetValueFromPlug(x);
    steps[e] = (uint16_t)RoundHalfAway(bar->GetValue() * 4.0);
  }
}

} // namespace

void CLS_CORVANEL::ParamChanged(int paramIdx) {
  WDL_MutexLock lock(&mMutex);
  IParam* param = GetParam(paramIdx);
  if (paramIdx < 0 || paramIdx >= kNumParams || !param) return;
  const int32_t v = RoundHalfAway(param->mValue);
  if (v == mAppliedValues[paramIdx]) return;
  mAppliedValues[paramIdx] = v;

  // Shows a message that mStatusBuf already holds and starts its nine seconds.
  auto postStatus = [this]() {
    if (mStatusText) mStatusText->SetTextFromPlug(mStatusBuf);
    mStatusClearAt = ProcessorClock() + kStatusTicks;
    if (mStatusClearAt == 0) mStatusClearAt = 1; // 0 means nothing pending
  };

  switch (paramIdx) {
  case kRate:
    if (mSamplesPerBar > 0.0) {
      mStepLen = StepLength(RateToBars(v), mSamplesPerBar);
      mTempoSeen = true;
      mResync = true;
    } else if (!mTempoSeen) {
      // No tempo reported yet: run at 120 BPM; once a tempo has come, the last one holds.
      const double sampleRate = mSampleRate > 0.0 ? mSampleRate : 44100.0;
      mStepLen = StepLength(RateToBars(v), 4.0 * (sampleRate * 60.0 / kDefaultTempo));
      mResync = true;
    }
    mAttackInc = RampInc(mStepLen, mAttackPct);
    mReleaseInc = RampInc(mStepLen, mReleasePct);
    mFadeLen = FadeLength(mStepLen, mFadePct);
    break;
  case kCycle:
    mResync = true;
    mCycle = (uint16_t)v;
    break;
  case kAttack:
    mAttackPct = v;
    mAttackInc = RampInc(mStepLen, mAttackPct);
    break;
  case kGate:
    mGateScale = (float)v * 0.01f;
    snprintf(mStatusBuf, sizeof(mStatusBuf), "Gate v.steps: %d%%", v);
    postStatus();
    break;
  case kTieLock:
    mTieLock = v > 0;
    snprintf(mStatusBuf, sizeof(mStatusBuf), "%s",
             mTieLock ? "Tie steps locked" : "Tie steps unlocked");
    postStatus();
    break;
  case kRelease:
    mReleasePct = v;
    mReleaseInc = RampInc(mStepLen, mReleasePct);
    break;
  case kFade:
    mFadePct = v;
    mFadeLen = FadeLength(mStepLen, mFadePct);
    break;
  case kSplitFreq:
    mSplitCoef = SplitCoef(v, mLastSampleRate);
    break;
  case kTarget:
    mTarget = (uint16_t)v;
    break;
  case kMix:
    mWet = (float)v * 0.01f;
    mDry = 1.0f - mWet;
    break;
  case kStepEdited:
    if (v >= 1) {
      // Back to 0 the way the editor hands values over: the step-edit carrier pushes it,
      // and the nested reaction only records the 0.
      param->SetClamped(0.0);
      GetGUI()->SetControlsFromUserInput(kStepEdited, param->GetNormalized());
      mPackPending = true;
      const int edited = mEditedStep;
      const int percent = (int)((float)mEditedValue * 25.0f + 0.5f);
      if (edited >= kNumSteps)
        snprintf(mStatusBuf, sizeof(mStatusBuf), "Step %d volume: %d%%", edited - 63, percent);
      else
        snprintf(mStatusBuf, sizeof(mStatusBuf), "Step %d time: %d%%", edited + 1, percent);
      postStatus();
    }
    break;
  case kShiftTime:
  case kShiftVolume:
    if (v != 0) {
      const bool times = paramIdx == kShiftTime;
      const int count = mCycle < kNumSteps ? mCycle : kNumSteps;
      ShiftEntries(mSteps, mStepBars, times ? 0 : kNumSteps, count, v > 0 ? 0.25 : -0.25);
      snprintf(mStatusBuf, sizeof(mStatusBuf), "Steps %s: %s25%%", times ? "time" : "volume",
               v > 0 ? "+" : "-");
      postStatus();
      mPackPending = true;
    }
    break;
  default: // the step words: unpacked below
    break;
  }

  if (paramIdx >= kStepWord0 && paramIdx <= kStepWord12) {
    const int w = paramIdx - kStepWord0;
    UnpackStepWord(w, v, mSteps);
    const int first = StepWordFirstEntry(w);
    for (int e = first; e < first + StepWordEntryCount(w); ++e)
      mStepBars[e]->SetValueFromPlug(mSteps[e] * 0.25);
  }

  // Blocks are processed once every saved parameter has been applied.
  if (!mReadyToProcess && paramIdx < kNumSavedParams && !mReadyMarks[paramIdx]) {
    mReadyMarks[paramIdx] = true;
    if (--mUnmarkedCount <= 0) mReadyToProcess = true;
  }
}

void CLS_CORVANEL::PublishStepWord(int paramIdx, int value) {
  WDL_MutexLock lock(&mMutex);
  IParam* param = GetParam(paramIdx);
  if (paramIdx < 0 || paramIdx >= kNumParams || !param) return;
  // Begin, value, end: hosts that learn of changes only from values (to record automation
  // or to mark the project changed) hear the new word.
  HostBeginEdit(paramIdx);
  param->SetClamped((double)value);
  GetGUI()->SetControlsFromUserInput(paramIdx, param->GetNormalized());
  HostSetParam(paramIdx, param->GetNormalized());
  HostEndEdit(paramIdx);
  // The filter learns the published word, so that a host putting back an earlier
  // pattern (undo, reloading a state or preset) is applied rather than taken as no change.
  mAppliedValues[paramIdx] = RoundHalfAway(param->mValue);
}

bool CLS_CORVANEL::WriteState(ChunkBuffer* chunk) {
  WDL_MutexLock lock(&mMutex);
  // A pattern edit that no block has published yet (the transport stopped, or the host not
  // processing) is saved as it stands: the words take the pattern now, and the next block
  // still tells the host.
  if (mPackPending)
    for (int w = 0; w < kNumStepWords; ++w)
      GetParam(kStepWord0 + w)->SetClamped((double)PackStepWord(mSteps, w));
  return PluginAdapter::WriteState(chunk);
}
