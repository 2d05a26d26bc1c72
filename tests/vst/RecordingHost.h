#pragma once
// A VST2 host callback that records every request a plug-in makes and answers the
// ones the tests control: time info, product name, vendor version, event delivery.
#include "vst2_abi.h"

#include <string>
#include <vector>

struct HostCall {
  VstInt32 mOpcode;
  VstInt32 mIndex;
  VstIntPtr mValue;
  float mOpt;
};

class RecordingHost {
public:
  // The newest host answers every plug-in's callback until it is destroyed.
  RecordingHost();
  ~RecordingHost();
  RecordingHost(const RecordingHost&) = delete;
  RecordingHost& operator=(const RecordingHost&) = delete;

  static VstIntPtr VSTCALLBACK Callback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                        VstIntPtr value, void* ptr, float opt);

  // Calls with this opcode, in order.
  std::vector<HostCall> CallsOf(VstInt32 opcode) const;
  // Begin and end of edit gestures, in order: +index for begin, -(index + 1) for end.
  std::vector<int> Gestures() const;
  void Clear() { mCalls.clear(); }

  std::vector<HostCall> mCalls;
  bool mGivesTime = true; // audioMasterGetTime answers mTime (else null)
  VstTimeInfo mTime;      // 44100 Hz, 120 BPM, 4/4, playing, at position 0
  std::string mProductName = "Recording Host";
  VstIntPtr mVendorVersion = 10203;
  VstIntPtr mProcessEventsAnswer = 1;
  std::vector<VstMidiEvent> mMidiReceived;
  std::vector<VstMidiSysexEvent> mSysExReceived;

private:
  VstIntPtr Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  RecordingHost* mPrevious;
};
