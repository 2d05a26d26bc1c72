// A thousand openings and closings of the editor's X11 window on one instance, as a Linux
// host opens the editor in its own window, under a private Xvfb. Each cycle opens the
// editor, idles it a few times and closes it. Under LeakSanitizer (the sanitized build)
// anything a cycle forgets fails the run; in the ordinary build the resident memory must
// stay within a small bound. The host's window has no child left afterwards.
#include "../common/ResidentMemory.h"
#include "EditorHost.h"
#include "XServer.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cstdio>

namespace {

constexpr int kCycles = 1000;

// Measured: flat over 3000 cycles once the host reads its own connection's events. A
// thousand cycles that each kept as little as 200 bytes would exceed this bound.
constexpr long kResidentBound = 192 * 1024;

// The host window's children as the server has them.
unsigned ChildWindows(unsigned long window) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return ~0u;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned n = 0;
  XQueryTree(d, window, &root, &parent, &children, &n);
  if (children) XFree(children);
  XCloseDisplay(d);
  return n;
}

TEST(WindowCycleTest, EditorWindowOpenedIdledAndClosedAThousandTimes) {
  XServer server;
  ASSERT_TRUE(server.IsRunning()) << "Xvfb did not start";
  EditorHost host;
  ASSERT_TRUE(host.IsConnected());
  EditorHost::Instance* inst = host.AddInstance(0, 0);
  ASSERT_NE(inst, nullptr);
  long before = 0;
  for (int i = 0; i < kCycles + 10; ++i) {
    if (i == 10) before = ResidentBytes(); // after a warm-up
    host.mHost.Clear(); // the host's own record of the calls is not the plug-in's memory
    ASSERT_TRUE(host.OpenEditor(inst, i % 2 ? Drive::kIdle60 : Drive::kEventProc)) << "cycle " << i;
    for (int k = 0; k < 3; ++k)
      inst->Dispatch(effEditIdle);
    if (i % 100 == 0) host.CallEventProc(inst, inst->mEditor);
    host.CloseEditor(inst);
    host.Run(0); // the host reads what its own connection was sent
  }
  const long after = ResidentBytes();
  std::printf("resident before %ld KiB, after %ld KiB\n", before / 1024, after / 1024);
  EXPECT_EQ(ChildWindows(inst->mTop), 0u) << "an editor window outlived its closing";
  if (kResidentMemoryMeaningful) {
    EXPECT_LE(after - before, kResidentBound)
        << "resident memory grew by " << (after - before) / 1024 << " KiB";
  }
  host.Process(inst);
}

} // namespace
