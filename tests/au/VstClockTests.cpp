// The VST2 adapter's engine clock counts real time on this platform, whether the host's
// process idles or keeps many threads busy (there, clock() would not).
#include "ClockProbe.h"
#include "IPlugVST.h"

#include <gtest/gtest.h>

namespace {
class TestPlug : public IPlugVST {
public:
  explicit TestPlug(IPlugInstanceInfo info)
      : IPlugVST(info, 1, "2-2", 1, "Test", "Test", "Tester", 0x010000, 1, 2, 0, 0, false, false) {}
};

TEST(VstAdapterClock, CountsRealTimeWhetherTheHostIsIdleOrBusy) {
  IPlugInstanceInfo info;
  TestPlug plug(info);
  auto clock = [&] { return plug.ProcessorClock(); };
  for (int threads : {0, 4}) {
    double wall = 0;
    const double counted = ClockSecondsOver(clock, std::chrono::milliseconds(300), threads, &wall);
    EXPECT_NEAR(counted, wall, 0.005) << threads << " busy threads";
  }
}
} // namespace
