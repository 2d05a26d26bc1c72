// corvanel-stress: the plug-in under a host's threads for a few seconds per phase (the
// VST2 plug-in, then the Audio Unit), for a ThreadSanitizer build. Exit code 0 when every
// check held; a race is reported (and the run stopped) by ThreadSanitizer itself.
//   corvanel-stress [SECONDS]   seconds per phase, 4 by default
#include "VstStress.h"
#ifdef CORVANEL_STRESS_AU
#include "AuStress.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <string>

// The GNUstep runtime under the Audio Unit's editor takes its own locks in both orders
// while classes initialise on the opening thread: not the plug-in's.
extern "C" const char* __tsan_default_suppressions() {
  return "deadlock:libobjc.so\ndeadlock:libgnustep-base.so\n";
}

namespace {

bool Report(const char* phase, const StressRun& run, bool ran) {
  bool ok = ran && !run.Failed();
  if (!ran) std::printf("%s: a thread did no work\n", phase);
  for (const std::string& f : run.Failures())
    std::printf("%s: %s\n", phase, f.c_str());
  return ok;
}

bool StressVst(double seconds) {
  VstStress stress;
  std::string error;
  if (!stress.Setup(&error)) {
    std::printf("VST2: %s\n", error.c_str());
    return false;
  }
  stress.Run(seconds);
  const VstStressCounts& c = stress.Counts();
  std::printf("VST2: %ld blocks, %ld editor ticks, %ld gestures, %ld reopenings, %ld host rounds, "
              "%ld chunks read back, %ld samples not finite\n",
              c.mBlocks.load(), c.mTicks.load(), c.mGestures.load(), c.mReopenings.load(),
              c.mHostCalls.load(), c.mChunks.load(), c.mNonFinite.load());
  if (c.mNonFinite) stress.Fail("output samples not finite");
  return Report("VST2", stress, c.mBlocks > 0 && c.mTicks > 0 && c.mGestures > 0 && c.mChunks > 0);
}

#ifdef CORVANEL_STRESS_AU
bool StressAu(double seconds) {
  AuStress stress;
  std::string error;
  if (!stress.Setup(&error)) {
    std::printf("Audio Unit: %s\n", error.c_str());
    return false;
  }
  stress.Run(seconds);
  const AuStressCounts& c = stress.Counts();
  std::printf("Audio Unit: %ld renders, %ld host rounds, %ld class infos read back, "
              "%ld samples not finite; longest render %ld us, %ld renders over 1 ms\n",
              c.mRenders.load(), c.mHostCalls.load(), c.mClassInfos.load(), c.mNonFinite.load(),
              c.mLongestRenderUs.load(), c.mRendersOver1ms.load());
  if (c.mNonFinite) stress.Fail("rendered samples not finite");
  return Report("Audio Unit", stress, c.mRenders > 0 && c.mClassInfos > 0);
}
#endif

} // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 4.0;
  if (!(seconds > 0.0)) {
    std::fprintf(stderr, "usage: corvanel-stress [SECONDS per phase]\n");
    return 2;
  }
  bool ok = StressVst(seconds);
#ifdef CORVANEL_STRESS_AU
  ok = StressAu(seconds) && ok;
#endif
  std::printf(ok ? "stress: passed\n" : "stress: FAILED\n");
  return ok ? 0 : 1;
}
