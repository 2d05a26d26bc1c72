#include "TestGraphics.h"

#include "IControl.h"
#include "IPlugBase.h"
#include "ITextControl.h"

bool TestGraphics::DrawScreen(IRECT* r) {
  ++mScreenDraws;
  mLastScreenRect = *r;
  return true;
}

void TestGraphics::PromptUserInput(IControl* control, IParam* param, bool centered) {
  ++mPrompts;
  mPromptControl = control;
  mPromptParam = param;
  mPromptCentered = centered;
}

void TestGraphics::PromptUserInput(IEditableTextControl* control) {
  ++mPrompts;
  mPromptControl = control;
  mPromptParam = nullptr;
  mPromptCentered = false;
}

bool TestGraphics::OpenURL(const char* url, const char*, const char*, const char* errorText) {
  mLastURL = url ? url : "";
  mLastURLError = errorText ? errorText : "";
  return mURLOpens;
}

LICE_IBitmap* TestGraphics::OSLoadBitmap(int id, const char* name) {
  ++mLoads[id];
  return mLoader ? mLoader(id, name) : nullptr;
}

void TestGraphics::Tick() {
  IRECT r;
  if (IsDirty(&r)) Draw(&r);
  if (mTimer > 0 && --mTimer == 0 && GetPlug()) GetPlug()->FlushPendingEndEdit();
}
