#pragma once
// The VST2 plug-in (the real plug-in class with its Linux editor, in-process) driven by
// three threads as a host drives it:
//   audio   processReplacing and processDoubleReplacing in turn, without pause, on a
//           timeline the audio thread advances (the host callback answers time info from
//           that position);
//   editor  the editor opened off screen, ticked at 24 per second, played with by a user
//           (EditorPlay), closed and opened again now and then;
//   host    automation (setParameter, getParameter, effGetParamDisplay), program and bank
//           chunks read back and written again, program changes.
// Checks: every output sample finite, every chunk read back well formed with every value
// in range.
#include "ChunkCheck.h"
#include "PluginHost.h"
#include "StressRun.h"

#include <atomic>
#include <string>
#include <vector>

class CLS_CORVANEL;

struct VstStressCounts {
  std::atomic<long> mBlocks{0}, mNonFinite{0};
  std::atomic<long> mTicks{0}, mGestures{0}, mReopenings{0};
  std::atomic<long> mHostCalls{0}, mChunks{0};
};

class VstStress : public StressRun {
public:
  static constexpr int kMaxBlock = 512;

  VstStress();
  ~VstStress() override;

  // [main thread] Creates, opens and resumes the instance. False with a message on failure.
  bool Setup(std::string* error);
  // [main thread] Runs the three threads for `warmUp` and then `seconds` more (the
  // measured time), and joins them.
  void Run(double seconds, double warmUp = 0.0);

  const VstStressCounts& Counts() const { return mCounts; }
  CLS_CORVANEL* Plug() const { return mPlug; }

private:
  void AudioLoop();
  void EditorLoop();
  void HostLoop();

  PluginHost mHost;
  CLS_CORVANEL* mPlug = nullptr;
  std::vector<ParamRange> mSavedRanges; // the saved parameters' ranges, for the chunks
  int mNumParams = 0, mNumPrograms = 0;
  int64_t mPosition = 0;        // the timeline, advanced by the audio thread
  std::vector<float> mFloats;   // 2 inputs and 2 outputs of kMaxBlock each
  std::vector<double> mDoubles; // the same in double precision
  VstStressCounts mCounts;
};
