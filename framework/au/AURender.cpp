// The Audio Unit adapter's render: input is pulled once per time stamp from each
// connected input bus (a render callback, an upstream unit through AudioUnitRender,
// or an upstream unit's directly dispatched render), the output buffers are bound to
// the bus's channels, the block runs through the plug-in base, and the render
// listeners hear before and after. Nothing here allocates.
#include "IPlugAU.h"

#include <cstring>

void IPlugAU::NotifyRender(AudioUnitRenderActionFlags action,
                           AudioUnitRenderActionFlags* ioActionFlags,
                           const AudioTimeStamp* timeStamp, UInt32 busIdx, UInt32 nFrames,
                           AudioBufferList* bufferList) {
  for (int i = 0; i < mRenderNotify.GetSize(); ++i) {
    const RenderNotify* notify = mRenderNotify.Get(i);
    AudioUnitRenderActionFlags flags = *ioActionFlags | action;
    notify->mProc(notify->mRefCon, &flags, timeStamp, busIdx, nFrames, bufferList);
  }
}

OSStatus IPlugAU::PullInput(BusChannels* bus, InputBusConnection* connection,
                            AudioUnitRenderActionFlags* ioActionFlags,
                            const AudioTimeStamp* timeStamp, UInt32 busIdx, UInt32 nFrames) {
  const int nChannels = bus->mNHostChannels; // 0..mNPlugChannels, checked at the format
  const int start = bus->mPlugChannelStartIdx;
  AudioBufferList* list = (AudioBufferList*)mPullList.Get();
  list->mNumberBuffers = (UInt32)nChannels;
  for (int k = 0; k < nChannels; ++k) {
    AudioBuffer& buffer = list->mBuffers[k];
    buffer.mNumberChannels = 1;
    buffer.mDataByteSize = nFrames * (UInt32)sizeof(float);
    buffer.mData = connection->mInputKind == kInputCallback
                       ? mInScratch.Get() + (size_t)(start + k) * nFrames
                       : nullptr;
  }

  OSStatus result = noErr;
  switch (connection->mInputKind) {
  case kInputCallback:
    result = connection->mUpstreamRenderCallback.inputProc(
        connection->mUpstreamRenderCallback.inputProcRefCon, ioActionFlags, timeStamp, busIdx,
        nFrames, list);
    break;
  case kInputUnitRender:
    result = AudioUnitRender(connection->mUpstreamUnit, ioActionFlags, timeStamp,
                             (UInt32)connection->mUpstreamBusIdx, nFrames, list);
    break;
  case kInputDirectRender:
    result = connection->mUpstreamRenderProc(connection->mUpstreamStorage, ioActionFlags, timeStamp,
                                             (UInt32)connection->mUpstreamBusIdx, nFrames, list);
    break;
  default:
    return noErr;
  }
  if (result != noErr) return result;

  // What came back must be the buffers asked for, each holding the whole slice.
  if (list->mNumberBuffers != (UInt32)nChannels) return kAudioUnitErr_InvalidPropertyValue;
  float* buffers[2] = {nullptr, nullptr};
  for (int k = 0; k < nChannels; ++k) {
    const AudioBuffer& buffer = list->mBuffers[k];
    if (!buffer.mData || buffer.mDataByteSize < nFrames * sizeof(float))
      return kAudioUnitErr_InvalidPropertyValue;
    buffers[k] = (float*)buffer.mData;
  }
  AttachInputBuffers(start, nChannels, buffers, (int)nFrames);
  // Converted now: several output buses rendered for one time stamp share this pull, and
  // the pulled buffers need not outlive it.
  ConvertFloatInputs((int)nFrames);
  return noErr;
}

OSStatus IPlugAU::Render(AudioUnitRenderActionFlags* ioActionFlags, const AudioTimeStamp* timeStamp,
                         UInt32 outputBusIdx, UInt32 nFrames, AudioBufferList* bufferList) {
  if (!mActive) return kAudioUnitErr_Uninitialized;
  if (outputBusIdx >= (UInt32)NOutBuses()) return kAudioUnitErr_InvalidElement;
  if (nFrames > (UInt32)mBlockSize) return kAudioUnitErr_TooManyFramesToProcess;
  if (!timeStamp || !(timeStamp->mFlags & kAudioTimeStampSampleTimeValid) || !bufferList)
    return kAudioUnitErr_InvalidPropertyValue;
  BusChannels* outBus = mOutBuses.Get((int)outputBusIdx);
  // The buffers the host gives must hold the whole slice.
  const int nBuffers = (int)bufferList->mNumberBuffers;
  const int nBound = nBuffers < outBus->mNPlugChannels ? nBuffers : outBus->mNPlugChannels;
  for (int k = 0; k < nBound; ++k) {
    const AudioBuffer& buffer = bufferList->mBuffers[k];
    if (buffer.mData && buffer.mDataByteSize < nFrames * sizeof(float))
      return kAudioUnitErr_InvalidPropertyValue;
  }
  AudioUnitRenderActionFlags noFlags = 0;
  if (!ioActionFlags) ioActionFlags = &noFlags;

  NotifyRender(kAudioUnitRenderAction_PreRender, ioActionFlags, timeStamp, outputBusIdx, nFrames,
               bufferList);

  // Several output buses rendered for one time stamp share one pull of the input.
  if (timeStamp->mSampleTime != mLastRenderSampleTime) {
    for (int i = 0; i < NInBuses(); ++i) {
      BusChannels* bus = mInBuses.Get(i);
      if (!bus->mConnected) continue;
      const OSStatus r =
          PullInput(bus, mInBusConnections.Get(i), ioActionFlags, timeStamp, (UInt32)i, nFrames);
      if (r != noErr) return r;
    }
    mLastRenderSampleTime = timeStamp->mSampleTime;
  }

  const int start = outBus->mPlugChannelStartIdx;
  const int nHost = outBus->mNHostChannels < 0 ? outBus->mNPlugChannels : outBus->mNHostChannels;
  if (!outBus->mConnected || nBuffers != nHost) {
    const int n = nHost < nBuffers ? nHost : nBuffers;
    SetOutputChannelConnections(start, n, true);
    SetOutputChannelConnections(start + n, outBus->mNPlugChannels - n, false);
    outBus->mConnected = true;
  }

  float* buffers[2] = {nullptr, nullptr};
  for (int k = 0; k < nBound; ++k) {
    AudioBuffer& buffer = bufferList->mBuffers[k];
    if (!buffer.mData) {
      buffer.mData = mOutScratch.Get() + (size_t)(start + k) * nFrames;
      buffer.mDataByteSize = nFrames * (UInt32)sizeof(float);
    }
    buffers[k] = (float*)buffer.mData;
  }
  AttachOutputBuffers(start, nBound, buffers);

  if (mBypassed) {
    PassThroughBuffers(0.0f, (int)nFrames);
  } else {
    mHostTime = ReadHostTime();
    ProcessBuffers(0.0f, (int)nFrames);
  }

  NotifyRender(kAudioUnitRenderAction_PostRender, ioActionFlags, timeStamp, outputBusIdx, nFrames,
               bufferList);
  return noErr;
}
