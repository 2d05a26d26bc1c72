#pragma once
// A small plug-in, controls that paint and record, and an editor on the test platform:
// what the graphics core and control base tests are built on.
#include "IControl.h"
#include "IGraphics.h"
#include "PluginAdapter.h"
#include "TestGraphics.h"
#include "lice.h"
#include "lice_sysbitmap.h"

#include <string>
#include <vector>

enum ETestParams { kLevel = 0, kMode, kOffset, kCount, kNumTestParams };

// 0 kLevel int 0..10; 1 kMode enum with display texts; 2 kOffset shown negated;
// 3 kCount int 1..64 defaulting to 16.
class TestPlug : public IPlugTestHost {
public:
  TestPlug()
      : IPlugTestHost(IPlugInstanceInfo(), kNumTestParams, "1-1 2-2", 1, "Effect", "Product",
                      "Maker", 0x00010200, 1, 2, 0, 0, false, false) {
    GetParam(kLevel)->DefineInt("Level", 0, 0, 10);
    GetParam(kMode)->DefineEnum("Mode", 0, 4);
    const char* modes[] = {"Volume", "Low Gain", "High Gain", "Low - High"};
    for (int i = 0; i < 4; ++i)
      GetParam(kMode)->SetDisplayText(i, modes[i]);
    GetParam(kOffset)->DefineDouble("Offset", 0.0, -24.0, 0.0, 0.5, "dB");
    GetParam(kOffset)->SetNegateDisplay(true);
    GetParam(kCount)->DefineInt("Count", 16, 1, 64);
  }
  void ParamChanged(int idx) override { mChanged.push_back(idx); }
  std::vector<int> mChanged;
};

// A control that fills its rectangle with its colour and records what reaches it.
class PaintControl : public IControl {
public:
  PaintControl(IPlugBase* plug, IRECT r, int paramIdx, IColor color,
               std::vector<std::string>* log = nullptr, const char* name = "")
      : IControl(plug, r, paramIdx), mColor(color), mLog(log), mName(name) {}
  bool Draw(IGraphics* g) override {
    if (mLog) mLog->push_back("draw " + mName);
    return g->FillIRect(&mColor, &mRECT);
  }
  void OnMouseDown(int x, int y, IMouseMod* mod) override {
    Record("down", x, y);
    IControl::OnMouseDown(x, y, mod);
  }
  void OnMouseUp(int x, int y, IMouseMod*) override { Record("up", x, y); }
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod*) override {
    Record("drag", x, y);
    mLastDelta[0] = dX;
    mLastDelta[1] = dY;
  }
  void OnMouseDblClick(int x, int y, IMouseMod* mod) override {
    Record("dbl", x, y);
    IControl::OnMouseDblClick(x, y, mod);
  }
  void OnMouseWheel(int x, int y, IMouseMod* mod, int d) override {
    Record("wheel", x, y);
    IControl::OnMouseWheel(x, y, mod, d);
  }
  void OnKeyDown(int x, int y, int key) override { Record("key " + std::to_string(key), x, y); }

  void Record(const std::string& what, int x, int y) {
    if (mLog)
      mLog->push_back(what + " " + mName + " " + std::to_string(x) + "," + std::to_string(y));
  }

  IColor mColor;
  std::vector<std::string>* mLog;
  std::string mName;
  int mLastDelta[2] = {0, 0};
};

// A knob base with nothing to draw.
class TestKnob : public IKnobControl {
public:
  TestKnob(IPlugBase* plug, IRECT r, int paramIdx) : IKnobControl(plug, r, paramIdx) {}
  bool Draw(IGraphics*) override { return true; }
};

// The editor the plug-in owns once attached.
struct EditorFixture {
  TestPlug plug;
  TestGraphics* graphics;
  std::vector<std::string> log;

  explicit EditorFixture(int width = 100, int height = 60)
      : graphics(new TestGraphics(&plug, width, height)) {}
  EditorFixture(const EditorFixture&) = delete;
  EditorFixture& operator=(const EditorFixture&) = delete;
  // An editor the test never attached is the fixture's to delete.
  ~EditorFixture() {
    if (plug.GetGUI() != graphics) delete graphics;
  }
  void Attach() { plug.AttachEditor(graphics); }

  LICE_pixel Pixel(int x, int y) { return LICE_RowPtr(graphics->GetDrawBitmap(), y)[x]; }
  std::string Events() const {
    std::string s;
    for (const auto& e : plug.mEvents) {
      const char* kinds[] = {"begin", "set", "end", "program"};
      s += std::string(kinds[e.mKind]) + " " + std::to_string(e.mParamIdx);
      if (e.mKind == IPlugTestHost::Event::kSet) s += "=" + std::to_string(e.mValue);
      s += "; ";
    }
    return s;
  }
};

inline LICE_pixel Word(const IColor& c) { return LICE_RGBA(c.R, c.G, c.B, c.A); }
