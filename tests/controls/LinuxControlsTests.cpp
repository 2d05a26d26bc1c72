// The editor's controls on the Linux off-screen editor with the real skin built in: the
// value entry a right click opens, and the cursors the step bars ask for.
#include "ControlsFixture.h"
#include "IGraphicsLinux.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct LinuxEditor {
  ControlsPlug p;
  IGraphicsLinux* g; // owned by the plug-in
  LinuxEditor() : g(new IGraphicsLinux(&p, 620, 355)) {
    p.BuildEditor(g);
    OpenDefault(p);
    g->OpenWindow(nullptr);
    g->Tick();
  }
  void Press(int x, int y, IMouseMod mod) { g->OnMouseDown(x, y, &mod); }
  void Drag(int x, int y, IMouseMod mod) { g->OnMouseDrag(x, y, &mod); }
  void Release(int x, int y, IMouseMod mod) { g->OnMouseUp(x, y, &mod); }
};

TEST(LinuxControls, ARightClickOnTheTargetGroupOpensTheListOfTheFourTargets) {
  LinuxEditor e;
  const IMouseMod right(false, true);
  e.Press(420, 140, right);
  e.Release(420, 140, right);
  const IGraphicsLinux::ValueEntry* entry = e.g->GetValueEntry();
  ASSERT_NE(entry, nullptr);
  EXPECT_TRUE(entry->mIsList);
  ASSERT_EQ(e.g->NEntryChoices(), 4);
  const char* targets[] = {"Volume", "Low Gain", "High Gain", "Low - High"};
  for (int i = 0; i < 4; ++i)
    EXPECT_STREQ(e.g->GetEntryChoice(i), targets[i]);

  ASSERT_TRUE(e.g->CommitValueEntry("Low - High"));
  e.g->Tick();
  EXPECT_EQ(e.p.Value(kTarget), 3.0);
}

TEST(LinuxControls, TheStepBarsCursorsReachThePlatform) {
  LinuxEditor e;
  const IMouseMod left(true);
  std::string seen;
  auto note = [&]() { seen += e.g->GetCursor() == IGraphics::kCursorSizeWE ? "size " : "arrow "; };
  note();
  e.Press(47, 215, left); // step 1's time bar at its fill end (level 2)
  note();
  e.Drag(52, 215, left);
  note();
  e.Release(52, 215, left);
  note();
  e.Press(30, 215, left); // far from the fill end
  note();
  e.Release(30, 215, left);
  note();
  EXPECT_EQ(seen, "arrow size size arrow arrow arrow ");
  EXPECT_EQ(e.p.Steps()[0], 0);
}

} // namespace
