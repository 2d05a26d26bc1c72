// The host layer of the base: one host block, whatever the format, becomes slices that the
// plug-in processes with the host's timeline and automation applied at their frames.
//
// Every format delivers a block as channel buffers, a timeline at the first frame and,
// for the newer formats, events inside the block (VST3 parameter queues, CLAP events, LV2
// control ports and atom sequences). Splitting at the events here, once, keeps each
// adapter a translation of its format and gives every format the same output for the
// same timeline: a block without events runs as the VST2 adapter always ran it, whole or
// in slices of the announced block size.
#include "IPlugBase.h"

#include "IGraphics.h"

#include <cmath>

int IPlugBase::HostSamplePosition() { return (int)(uint32_t)(uint64_t)mHostTime.mSamplePos; }

double IPlugBase::HostTempo() { return mHostTime.mTempo; }

void IPlugBase::HostTimeSignature(int* outNumerator, int* outDenominator) {
  if (!outNumerator || !outDenominator) return;
  *outNumerator = mHostTime.mTimeSigNumerator;
  *outDenominator = mHostTime.mTimeSigDenominator;
}

bool IPlugBase::HostMusicalPosition(double* beats) const {
  if (!beats || !mHostTime.mHasBeats) return false;
  *beats = mHostTime.mBeats;
  return true;
}

bool IPlugBase::SetParameterFromHost(int paramIdx, double value, bool normalized) {
  IParam* param = GetParam(paramIdx);
  if (!param || std::isnan(value)) return false;
  WDL_MutexLock lock(&mMutex);
  if (normalized) {
    const double n = value < 0.0 ? 0.0 : (value > 1.0 ? 1.0 : value);
    if (mGraphics) mGraphics->SetParameterFromPlug(paramIdx, n, true);
    param->SetNormalized(n);
  } else {
    param->SetClamped(value);
    if (mGraphics) mGraphics->SetParameterFromPlug(paramIdx, param->mValue, false);
  }
  ParamChanged(paramIdx);
  return true;
}

void IPlugBase::RunSlice(float** inputs, float** outputs, int nFrames, bool accumulate) {
  AttachInputBuffers(0, NInChannels(), inputs, nFrames);
  AttachOutputBuffers(0, NOutChannels(), outputs);
  if (accumulate)
    ProcessBuffersAccumulating(0.0f, nFrames);
  else
    ProcessBuffers(0.0f, nFrames);
}

void IPlugBase::RunSlice(double** inputs, double** outputs, int nFrames, bool) {
  AttachInputBuffers(0, NInChannels(), inputs, nFrames);
  AttachOutputBuffers(0, NOutChannels(), outputs);
  ProcessBuffers(0.0, nFrames);
}

namespace {
float** SliceIn(WDL_TypedBuf<float*>& floats, WDL_TypedBuf<double*>&, float**) {
  return floats.Get();
}
double** SliceIn(WDL_TypedBuf<float*>&, WDL_TypedBuf<double*>& doubles, double**) {
  return doubles.Get();
}
} // namespace

template <class T>
void IPlugBase::RunHostBlock(T** inputs, T** outputs, int nFrames, const IHostTime& time,
                             const IHostEvent* events, int nEvents, bool accumulate) {
  const int nIn = NInChannels(), nOut = NOutChannels();
  if (!events) nEvents = 0;
  if (nFrames < 0) nFrames = 0;
  IHostTime origin = time; // the timeline at frame `originFrame`
  int originFrame = 0;
  int next = 0; // the first event not yet applied

  // Applies every event due at or before `frame` (events are in frame order; one that
  // comes out of order is applied with its neighbours, never skipped).
  auto applyDue = [&](int frame) {
    for (; next < nEvents; ++next) {
      const IHostEvent& e = events[next];
      const int at = e.mOffset < 0 ? 0 : (e.mOffset >= nFrames && nFrames > 0 ? nFrames - 1 : e.mOffset);
      if (at > frame && nFrames > 0) break;
      if (e.mKind == IHostEvent::kTimeChange) {
        origin = e.mTime;
        originFrame = frame;
      } else {
        SetParameterFromHost(e.mParamIdx, e.mValue, e.mNormalized);
      }
    }
  };

  applyDue(0);
  if (nFrames == 0 || mBlockSize <= 0) {
    mHostTime = origin;
    return;
  }
  if ((nIn > 0 && !inputs) || (nOut > 0 && !outputs)) return;
  for (int ch = 0; ch < nIn; ++ch)
    if (!inputs[ch]) return;
  for (int ch = 0; ch < nOut; ++ch)
    if (!outputs[ch]) return;

  T** in = SliceIn(mSliceFloatIn, mSliceDoubleIn, inputs);
  T** out = SliceIn(mSliceFloatOut, mSliceDoubleOut, outputs);
  for (int done = 0; done < nFrames;) {
    // The slice ends at the next event's frame or after the announced block size.
    int end = nFrames - done < mBlockSize ? nFrames : done + mBlockSize;
    if (next < nEvents) {
      const int at = events[next].mOffset >= nFrames ? nFrames - 1 : events[next].mOffset;
      if (at > done && at < end) end = at;
    }
    const int n = end - done;
    mHostTime = origin.After(done - originFrame, mSampleRate);
    if (done == 0 && n == nFrames) {
      RunSlice(inputs, outputs, n, accumulate);
    } else {
      for (int ch = 0; ch < nIn; ++ch)
        in[ch] = inputs[ch] + done;
      for (int ch = 0; ch < nOut; ++ch)
        out[ch] = outputs[ch] + done;
      RunSlice(in, out, n, accumulate);
    }
    done = end;
    if (done < nFrames) applyDue(done);
  }
}

void IPlugBase::ProcessHostBlock(float** inputs, float** outputs, int nFrames,
                                 const IHostTime& time, const IHostEvent* events, int nEvents,
                                 bool accumulate) {
  RunHostBlock(inputs, outputs, nFrames, time, events, nEvents, accumulate);
}

void IPlugBase::ProcessHostBlock(double** inputs, double** outputs, int nFrames,
                                 const IHostTime& time, const IHostEvent* events, int nEvents,
                                 bool) {
  RunHostBlock(inputs, outputs, nFrames, time, events, nEvents, false);
}
