// One CLAP block through the host layer: the transport becomes the host-time record at the
// first frame, the input events become the base's events (parameter values in plain units,
// transport changes as timeline changes) at their frames, and the base runs the block in
// slices between them. What the editor and the engine queued for the host goes out in the
// block's output events. Also the flush a host calls between blocks.
#include "IPlugCLAP.h"

#include "ClapTransport.h"

#include <cstring>

bool IPlugCLAP::ApplyParamEvent(const clapabi::EventHeader* header) {
  if (header->size < sizeof(clapabi::EventParamValue)) return false;
  const clapabi::EventParamValue* e = (const clapabi::EventParamValue*)header;
  if ((int)e->param_id == ProgramParamId() && ProgramParamId() >= 0) return SelectProgram(e->value);
  // The editor's own signals are not the host's to set.
  if (e->param_id >= (clapabi::Id)NSavedParams()) return false;
  return SetParameterFromHost((int)e->param_id, e->value, false);
}

int32_t IPlugCLAP::Process(const clapabi::Process* process) {
  if (!process || !mActive) return clapabi::kProcessError;
  mInAudioCall = true;
  // A host that never called start_processing still processes.
  mProcessing = true;
  const int nFrames = process->frames_count > (uint32_t)0x7FFFFFFF ? 0x7FFFFFFF
                                                                   : (int)process->frames_count;
  const clapabi::AudioBuffer* in = process->audio_inputs_count > 0 ? process->audio_inputs : nullptr;
  clapabi::AudioBuffer* out = process->audio_outputs_count > 0 ? process->audio_outputs : nullptr;

  if (out && out->data32 && out->channel_count > 0) {
    float** inData = in && in->data32 ? in->data32 : nullptr;
    RunBlock<float>(inData, out->data32, nFrames, process);
  } else if (out && out->data64 && out->channel_count > 0) {
    double** inData = in && in->data64 ? in->data64 : nullptr;
    RunBlock<double>(inData, out->data64, nFrames, process);
  } else {
    RunBlock<float>(nullptr, nullptr, nFrames, process);
  }
  PushPendingOut(process->out_events);
  if (mDirtyPending && mClapHost && mClapHost->request_callback)
    mClapHost->request_callback(mClapHost);
  mInAudioCall = false;
  return clapabi::kProcessContinue;
}

template <class T>
void IPlugCLAP::RunBlock(T** inputs, T** outputs, int nFrames, const clapabi::Process* process) {
  const clapabi::AudioBuffer* in = process->audio_inputs_count > 0 ? process->audio_inputs : nullptr;
  const clapabi::AudioBuffer* out = process->audio_outputs_count > 0 ? process->audio_outputs : nullptr;
  // The channels the host gives (mono or stereo, as the channel rules allow) are the
  // connected ones; the base takes their buffers in order.
  int nIn = inputs && in ? (int)(in->channel_count < 2 ? in->channel_count : 2) : 0;
  int nOut = outputs && out ? (int)(out->channel_count < 2 ? out->channel_count : 2) : 0;
  for (int ch = 0; ch < nIn; ++ch)
    if (!inputs[ch]) nIn = ch;
  for (int ch = 0; ch < nOut; ++ch)
    if (!outputs[ch]) nOut = ch;
  if (nOut == 0) nFrames = 0; // nowhere to write: the events still apply
  SetInputChannelConnections(0, nIn, true);
  SetInputChannelConnections(nIn, NInChannels() - nIn, false);
  SetOutputChannelConnections(0, nOut, true);
  SetOutputChannelConnections(nOut, NOutChannels() - nOut, false);
  // Channels beyond the plug-in's are silent.
  for (uint32_t ch = 2; nFrames > 0 && out && ch < out->channel_count; ++ch)
    if (outputs[ch]) std::memset(outputs[ch], 0, sizeof(T) * (size_t)nFrames);

  // Every channel slot points somewhere; the base reads only the connected ones.
  T* inPtr[2];
  T* outPtr[2];
  for (int ch = 0; ch < 2; ++ch) {
    outPtr[ch] = nOut > 0 ? outputs[ch < nOut ? ch : 0] : nullptr;
    inPtr[ch] = nIn > 0 ? inputs[ch < nIn ? ch : 0] : outPtr[ch];
  }

  // The timeline at the first frame, and as it moves at transport events.
  IHostTime origin =
      ClapHostTime(process->transport, mSampleRate, mHaveCountedTime ? &mCountedTime : nullptr);
  int originFrame = 0;
  // The part of the block that runs next: from segStart, with n events.
  int segStart = 0;
  IHostTime segTime = origin;
  int n = 0;
  T* segIn[2] = {nullptr, nullptr};
  T* segOut[2] = {nullptr, nullptr};
  auto runSegment = [&](int end, int count) {
    for (int ch = 0; ch < 2; ++ch) {
      segIn[ch] = inPtr[ch] ? inPtr[ch] + segStart : nullptr;
      segOut[ch] = outPtr[ch] ? outPtr[ch] + segStart : nullptr;
    }
    ProcessHostBlock(nOut > 0 ? segIn : nullptr, nOut > 0 ? segOut : nullptr, end - segStart,
                     segTime, mBlockEvents, count);
  };

  const clapabi::InputEvents* events = process->in_events;
  const uint32_t nEvents = events && events->size && events->get ? events->size(events) : 0;
  // A preset chosen in the block applies before it: the list is no automation, so its
  // frame does not matter, and the block's own values then apply over it.
  for (uint32_t i = 0; i < nEvents && ProgramParamId() >= 0; ++i) {
    const clapabi::EventHeader* h = events->get(events, i);
    if (h && h->space_id == clapabi::kCoreEventSpace && h->type == clapabi::kEventParamValue &&
        h->size >= sizeof(clapabi::EventParamValue) &&
        ((const clapabi::EventParamValue*)h)->param_id == (clapabi::Id)ProgramParamId())
      ApplyParamEvent(h);
  }
  int lastFrame = 0;
  for (uint32_t i = 0; i < nEvents; ++i) {
    const clapabi::EventHeader* h = events->get(events, i);
    if (!h || h->space_id != clapabi::kCoreEventSpace) continue;
    IHostEvent e;
    if (h->type == clapabi::kEventParamValue && h->size >= sizeof(clapabi::EventParamValue)) {
      const clapabi::EventParamValue* pv = (const clapabi::EventParamValue*)h;
      if (pv->param_id >= (clapabi::Id)NSavedParams()) continue;
      e.mKind = IHostEvent::kParamValue;
      e.mParamIdx = (int)pv->param_id;
      e.mValue = pv->value;
      e.mNormalized = false;
    } else if (h->type == clapabi::kEventTransport && h->size >= sizeof(clapabi::EventTransport)) {
      e.mKind = IHostEvent::kTimeChange;
    } else {
      continue;
    }
    // Frames inside the block, never before an earlier event's (a host's disorder is
    // applied together with the neighbours).
    int at = nFrames > 0 && h->time >= (uint32_t)nFrames ? nFrames - 1 : (nFrames > 0 ? (int)h->time : 0);
    if (at < lastFrame) at = lastFrame;
    lastFrame = at;
    if (e.mKind == IHostEvent::kTimeChange) {
      const IHostTime counted = origin.After(at - originFrame, mSampleRate);
      e.mTime = ClapHostTime((const clapabi::EventTransport*)h, mSampleRate, &counted);
    }
    if (n == kMaxBlockEvents) {
      // The list is full: the part up to this frame runs, the events due at this frame
      // are applied alone, and the rest of the block starts here.
      int before = 0;
      while (before < n && mBlockEvents[before].mOffset < at - segStart)
        ++before;
      if (at > segStart) runSegment(at, before);
      if (before < n) {
        for (int k = before; k < n; ++k)
          mBlockEvents[k - before] = mBlockEvents[k], mBlockEvents[k - before].mOffset = 0;
        const IHostTime atTime = origin.After(at - originFrame, mSampleRate);
        ProcessHostBlock(segIn, segOut, 0, atTime, mBlockEvents, n - before);
      }
      segTime = origin.After(at - originFrame, mSampleRate);
      segStart = at;
      n = 0;
    }
    e.mOffset = at - segStart;
    mBlockEvents[n++] = e;
    if (e.mKind == IHostEvent::kTimeChange) {
      origin = e.mTime;
      originFrame = at;
    }
  }
  runSegment(nFrames, n);
  mCountedTime = origin.After(nFrames - originFrame, mSampleRate);
  mHaveCountedTime = true;
}

void IPlugCLAP::Flush(const clapabi::InputEvents* in, const clapabi::OutputEvents* out) {
  const bool audio = mActive;
  mInAudioCall = audio;
  mFlushRequested = false;
  const uint32_t nEvents = in && in->size && in->get ? in->size(in) : 0;
  for (uint32_t i = 0; i < nEvents; ++i) {
    const clapabi::EventHeader* h = in->get(in, i);
    if (h && h->space_id == clapabi::kCoreEventSpace && h->type == clapabi::kEventParamValue)
      ApplyParamEvent(h);
  }
  PushPendingOut(out);
  mInAudioCall = false;
  if (!audio) MarkDirtyIfPending();
}
