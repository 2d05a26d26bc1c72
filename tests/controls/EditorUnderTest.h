#pragma once
// A freshly opened plug-in with the product's editor on the portable test platform,
// and the mouse as a user moves it.
#include "ControlsFixture.h"
#include "TestGraphics.h"

#include <cstdio>
#include <string>

struct EditorUnderTest {
  ControlsPlug p;
  TestGraphics* g; // owned by the plug-in

  EditorUnderTest() : g(new TestGraphics(&p, 620, 355)) {
    g->mLoader = skin::Load;
    p.BuildEditor(g, skin::kTestIds);
    OpenDefault(p);
    p.RunConstant(0.0, 1);
    g->Tick();
    g->Tick(); // values pushed from the plug-in ask for one more pass
    p.mEvents.clear();
    p.mShifts = 0;
  }

  void Press(int x, int y, IMouseMod mod = IMouseMod(true)) { g->OnMouseDown(x, y, &mod); }
  void Drag(int x, int y, IMouseMod mod = IMouseMod(true)) { g->OnMouseDrag(x, y, &mod); }
  void Release(int x, int y, IMouseMod mod = IMouseMod(true)) { g->OnMouseUp(x, y, &mod); }
  void Click(int x, int y, IMouseMod mod = IMouseMod(true)) {
    Press(x, y, mod);
    Release(x, y, mod);
  }
  LICE_pixel Pixel(int x, int y) { return SurfacePixel(g, x, y); }

  // What the host saw, as "begin 23; set 23=1; end 23; " (normalised values).
  std::string Events() const {
    std::string s;
    for (const auto& e : p.mEvents) {
      const char* kinds[] = {"begin", "set", "end", "program"};
      s += std::string(kinds[e.mKind]) + " " + std::to_string(e.mParamIdx);
      if (e.mKind == IPlugTestHost::Event::kSet) {
        char v[32];
        std::snprintf(v, sizeof(v), "=%g", e.mValue);
        s += v;
      }
      s += "; ";
    }
    return s;
  }
};

// Where step bar `entry` lies: the time bar of step i is entry i, its volume bar 64 + i.
inline IRECT BarRect(int entry) {
  const int rowY[4] = {210, 244, 275, 309};
  const int i = entry % kNumSteps;
  const int x = 30 + 35 * (i % 16), y = rowY[i / 16] + (entry >= kNumSteps ? 11 : 0);
  return entry >= kNumSteps ? IRECT(x, y, x + 34, y + 8) : IRECT(x, y, x + 34, y + 10);
}
