// libFuzzer target: text typed into the editor's value entry, for every parameter. The
// first byte picks the parameter, the second how the text arrives: straight through the
// graphics core (SetFromStringAfterPrompt with the parameter's control) or through the
// Linux editor's own entry (the control's prompt, the text committed, the window's tick).
// The rest is the text. Afterwards every parameter is a finite value inside its range.
#include "FuzzEditorHost.h"
#include "IEmpty.h"

#include <cstdint>
#include <string>

namespace {
// The control that edits each parameter; parameters the editor has none for (the step
// words, the shift buttons' counters) get a hidden one, so every parameter takes text.
IControl* ControlOf(int paramIdx) {
  static IControl* controls[kNumParams] = {};
  FuzzEditorHost& host = FuzzEditorHost::Get();
  if (!controls[0]) {
    IGraphics* g = host.mGraphics;
    for (int i = 0; i < g->GetNControls(); ++i) {
      IControl* c = g->GetControl(i);
      if (c->ParamIdx >= 0 && c->ParamIdx < kNumParams && !controls[c->ParamIdx])
        controls[c->ParamIdx] = c;
    }
    for (int p = 0; p < kNumParams; ++p)
      if (!controls[p]) {
        controls[p] = new IEmpty(host.mPlug, p);
        g->AttachControl(controls[p]);
      }
  }
  return controls[paramIdx];
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  FuzzEditorHost& host = FuzzEditorHost::Get();
  const int paramIdx = data[0] % kNumParams;
  const bool throughEntry = data[1] & 1;
  const std::string text((const char*)data + 2, size - 2); // may hold zero bytes
  IControl* control = ControlOf(paramIdx);
  IParam* param = host.mPlug->GetParam(paramIdx);

  if (throughEntry) {
    host.mGraphics->PromptUserInput(control, param, (data[1] & 2) != 0);
    host.mGraphics->CommitValueEntry(text.c_str());
    host.mGraphics->Tick(); // the window applies the entry here
  } else {
    host.mGraphics->SetFromStringAfterPrompt(control, param, text.c_str());
  }
  if (!host.ParamsInRange()) __builtin_trap();
  host.ProcessBlock();
  if (!host.ParamsInRange()) __builtin_trap();
  return 0;
}
