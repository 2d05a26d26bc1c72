#pragma once
// A host double for building the plug-in class in tests: it records what the plug-in
// tells the host (begin, automate, end edit) and supplies tempo, position, transport
// and the processor clock that the test sets.
#include "IPlugBase.h"

#include <cstdint>
#include <string>
#include <vector>

struct IPlugInstanceInfo {
  int mUnused = 0;
};

class IPlugTestHost : public IPlugBase {
public:
  struct Event {
    enum Kind { kBegin, kSet, kEnd, kProgramChanged } mKind;
    int mParamIdx;
    double mValue; // normalised value of kSet
  };

  IPlugTestHost(IPlugInstanceInfo instanceInfo, int nParams, const char* channelIOStr, int nPresets,
                const char* effectName, const char* productName, const char* mfrName,
                int vendorVersion, int uniqueID, int mfrID, int latency, int doesMidi,
                bool doesChunks, bool isInstrument);

  void HostBeginEdit(int paramIdx) override;
  void HostSetParam(int paramIdx, double normalizedValue) override;
  void HostEndEdit(int paramIdx) override;
  void HostProgramChanged() override;
  int HostId() override;
  void EditorResized() override {}
  void InitForHost() override {}

  // The timeline the test set, as the host-time record an adapter fills.
  IHostTime TestTime() const {
    IHostTime t;
    t.mSamplePos = mTestPosition;
    t.mTempo = mTestTempo;
    t.mHasBeats = mTestBeatsValid;
    t.mBeats = mTestBeats;
    t.mPlaying = mTestTransport != 0;
    t.mTimeSigNumerator = t.mTimeSigDenominator = 4;
    return t;
  }
  // Fills the host-time record from the test's timeline, as an adapter does before a block.
  void UseTestTime() { mHostTime = TestTime(); }
  // Resolved statically by the plug-in class, like every adapter's.
  uint32_t ProcessorClock() const { return mTestClock; }

  // What the test host did and heard.
  std::vector<Event> mEvents;
  double mTestTempo = 120.0;
  int mTestPosition = 0;
  bool mTestBeatsValid = false; // the test host gives a musical position
  double mTestBeats = 0.0;
  int mTestTransport = 1;
  uint32_t mTestClock = 0;
  std::string mTestHostName = "test host";
  int mHostTempoCalls = 0;

  // Opens the instance the way a host does: sample rate, block size, connections,
  // then every parameter applied once.
  void OpenLikeHost(double sampleRate, int blockSize, int nChannels = 2);
  // Processes one block of float or double samples through the base's plumbing, with the
  // test's timeline.
  void ProcessFloat(float** in, float** out, int nFrames, int nChannels = 2);
  void ProcessDouble(double** in, double** out, int nFrames, int nChannels = 2);
};

using PluginAdapter = IPlugTestHost;
