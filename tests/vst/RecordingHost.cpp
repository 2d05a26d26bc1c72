#include "RecordingHost.h"

#include <cstdio>
#include <cstring>

namespace {
RecordingHost* sCurrent = nullptr;
}

RecordingHost::RecordingHost() : mPrevious(sCurrent) {
  std::memset(&mTime, 0, sizeof(mTime));
  mTime.sampleRate = 44100.0;
  mTime.tempo = 120.0;
  mTime.timeSigNumerator = 4;
  mTime.timeSigDenominator = 4;
  mTime.flags = kVstTransportPlaying | kVstTempoValid | kVstTimeSigValid | kVstPpqPosValid;
  sCurrent = this;
}

RecordingHost::~RecordingHost() { sCurrent = mPrevious; }

VstIntPtr VSTCALLBACK RecordingHost::Callback(AEffect*, VstInt32 opcode, VstInt32 index,
                                              VstIntPtr value, void* ptr, float opt) {
  return sCurrent ? sCurrent->Answer(opcode, index, value, ptr, opt) : 0;
}

VstIntPtr RecordingHost::Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt) {
  mCalls.push_back({opcode, index, value, opt});
  switch (opcode) {
  case audioMasterVersion:
    return kVstVersion;
  case audioMasterGetTime:
    return mGivesTime ? (VstIntPtr)&mTime : 0;
  case audioMasterGetProductString:
    // The plug-in hands a 256-byte buffer; product strings are at most 64 bytes.
    if (ptr) std::snprintf((char*)ptr, kVstMaxProductStrLen, "%s", mProductName.c_str());
    return ptr ? 1 : 0;
  case audioMasterGetVendorVersion:
    return mVendorVersion;
  case audioMasterProcessEvents: {
    const VstEvents* events = (const VstEvents*)ptr;
    const VstEvent* const* list = &events->events[0];
    for (int i = 0; i < events->numEvents; ++i) {
      if (list[i]->type == kVstMidiType)
        mMidiReceived.push_back(*(const VstMidiEvent*)list[i]);
      else if (list[i]->type == kVstSysExType)
        mSysExReceived.push_back(*(const VstMidiSysexEvent*)list[i]);
    }
    return mProcessEventsAnswer;
  }
  default:
    return 0;
  }
}

std::vector<HostCall> RecordingHost::CallsOf(VstInt32 opcode) const {
  std::vector<HostCall> calls;
  for (const HostCall& call : mCalls)
    if (call.mOpcode == opcode) calls.push_back(call);
  return calls;
}

std::vector<int> RecordingHost::Gestures() const {
  std::vector<int> gestures;
  for (const HostCall& call : mCalls) {
    if (call.mOpcode == audioMasterBeginEdit) gestures.push_back(call.mIndex);
    if (call.mOpcode == audioMasterEndEdit) gestures.push_back(-(call.mIndex + 1));
  }
  return gestures;
}
