// The graphics core's control list, parameter paths, redraw and input dispatch.
// The drawing primitives and the process-wide caches are in IGraphicsDrawing.cpp.
#include "IGraphics.h"

#include "EditorPrefs.h"
#include "IBitmapControl.h"
#include "IControl.h"
#include "IPlugBase.h"
#include "ITextControl.h"
#include "lice_sysbitmap.h"

namespace {
constexpr int kDefaultFPS = 24;
} // namespace

IGraphics::IGraphics(IPlugBase* plug, int width, int height, int fps)
    : mControls(4096), mPlug(plug), mWidth(width), mHeight(height),
      mFPS(fps > 0 ? fps : kDefaultFPS) {}

IGraphics::~IGraphics() {
  mControls.Empty(true);
  delete mDrawBitmap;
  mDrawBitmap = nullptr;
}

void IGraphics::PrepareDrawing() {
  if (!mDrawBitmap) mDrawBitmap = new LICE_SysBitmap(DeviceWidth(), DeviceHeight());
}

// ---- Scale ----------------------------------------------------------------------------------

void IGraphics::SetScale(int percent) {
  if (!editor_scale::IsScale(percent) || percent == mScale) return;
  mScale = percent;
  if (mDrawBitmap) mDrawBitmap->resize(DeviceWidth(), DeviceHeight());
  SetAllControlsDirty();
  if (mPlug) mPlug->EditorResized();
}

void IGraphics::SetPlatformScale(int percent) {
  if (!editor_scale::IsScale(percent)) return;
  mPlatformScale = percent;
  SetScale(WantedScale());
}

void IGraphics::SetHostScale(int percent) {
  if (percent && !editor_scale::IsScale(percent)) return;
  mHostScale = percent;
  SetScale(WantedScale());
}

void IGraphics::OpenWindowScale(int platformPercent) {
  if (!mChosenScale) mChosenScale = editor_prefs::LoadScale();
  if (editor_scale::IsScale(platformPercent)) mPlatformScale = platformPercent;
  SetScale(WantedScale());
}

void IGraphics::ChooseScale(int percent) {
  if (!editor_scale::IsScale(percent)) return;
  mChosenScale = percent;
  // Only a choice made in a real window becomes the user's preference (not one a tool
  // or a test makes off screen).
  if (GetWindow()) editor_prefs::SaveScale(percent);
  SetScale(percent);
}

void IGraphics::Resize(int w, int h) {
  mWidth = w;
  mHeight = h;
  ReleaseMouseCapture();
  mControls.Empty(true);
  mHasBackground = false;
  if (mPlug) mPlug->EditorResized();
}

// ---- Controls -------------------------------------------------------------------------------

void IGraphics::AttachBackground(int id, const char* name) {
  IBitmap bitmap = LoadIBitmap(id, name, 1);
  IRECT whole(0, 0, bitmap.W, bitmap.H);
  mControls.Insert(0, new IBitmapControl(mPlug, &whole, &bitmap,
                                         IChannelBlend(IChannelBlend::kBlendClobber, 1.0f)));
  mHasBackground = true;
}

int IGraphics::AttachControl(IControl* control) {
  mControls.Add(control);
  return mControls.GetSize() - 1;
}

// ---- Parameters -----------------------------------------------------------------------------

void IGraphics::SetParameterFromPlug(int paramIdx, double value, bool normalized) {
  if (!normalized) {
    IParam* param = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
    if (!param) return;
    value = param->ToNormalized(value);
  }
  for (int i = 0; i < mControls.GetSize(); ++i) {
    IControl* control = mControls.Get(i);
    if (control->ParamIdx == paramIdx) control->SetValueFromPlug(value);
  }
}

void IGraphics::SetControlsFromUserInput(int paramIdx, double normalizedValue) {
  for (int i = 0; i < mControls.GetSize(); ++i) {
    IControl* control = mControls.Get(i);
    if (control->ParamIdx == paramIdx) control->SetValueFromUserInput(normalizedValue);
  }
}

void IGraphics::SetFromStringAfterPrompt(IControl* control, IParam* param, const char* text) {
  if (!control) return;
  if (!param) {
    // The entry of an editable text field: its text is the value.
    if (auto* field = dynamic_cast<IEditableTextControl*>(control)) field->TextFromTextEntry(text);
    return;
  }
  const double v = param->ToNormalized(param->ValueFromText(text ? text : ""));
  const int paramIdx = control->ParamIdx;
  if (paramIdx >= 0 && mPlug) {
    mPlug->HostBeginEdit(paramIdx);
    control->SetValueFromUserInput(v);
    mPlug->HostEndEdit(paramIdx);
  } else {
    control->SetValueFromUserInput(v);
  }
}

// ---- Redraw ---------------------------------------------------------------------------------
// The windows poll IsDirty on every tick with an empty rectangle and repaint what it gathered.
// Every control that meets the rectangle is drawn, in list order, so later controls paint over
// earlier ones and the background (index 0) repaints what lies under a control that changed.
// Every control is cleaned after its turn, drawn or not, so a hidden control does not keep the
// editor repainting.

bool IGraphics::IsDirty(IRECT* r) {
  bool dirty = mScaleMenu.TakeDirty(r);
  for (int i = 0; i < mControls.GetSize(); ++i) {
    IControl* control = mControls.Get(i);
    if (control->IsDirty()) {
      *r = r->Union(control->mRECT);
      dirty = true;
    }
  }
  return dirty;
}

bool IGraphics::Draw(IRECT* r) {
  if (!mControls.GetSize()) return true;
  mDrawRECT = *r;
  for (int i = 0; i < mControls.GetSize(); ++i) {
    IControl* control = mControls.Get(i);
    if (!control->mHide && control->mRECT.Intersects(*r)) control->Draw(this);
    control->SetClean();
  }
  mScaleMenu.Draw(this, *r);
  return DrawScreen(r);
}

void IGraphics::SetAllControlsDirty() {
  for (int i = 0; i < mControls.GetSize(); ++i)
    mControls.Get(i)->SetDirty(false);
}

// ---- Input ----------------------------------------------------------------------------------

int IGraphics::GetMouseControlIdx(int x, int y) {
  if (mMouseCapture >= 0) return mMouseCapture;
  for (int i = mControls.GetSize() - 1; i >= 0; --i) {
    IControl* control = mControls.Get(i);
    if (!control->mHide && !control->mGrayed && control->IsHit(x, y)) return i;
  }
  return -1;
}

void IGraphics::ReleaseMouseCapture() {
  mMouseCapture = -1;
  mMouseX = mMouseY = -1;
}

bool IGraphics::ScaleMenuTakesPress(int x, int y, IMouseMod* mod) {
  if (mScaleMenu.IsOpen()) {
    const int chosen = mScaleMenu.ScaleAt(x, y);
    mScaleMenu.Close();
    if (chosen && mod->L) ChooseScale(chosen);
    mSwallowRelease = true;
    return true;
  }
  // A right press on the background itself (index 0: no control above it there).
  if (mod->R && mHasBackground && GetMouseControlIdx(x, y) == 0) {
    mScaleMenu.Open(x, y, mWidth, mHeight, mScale);
    mSwallowRelease = true;
    return true;
  }
  return false;
}

void IGraphics::OnMouseDown(int x, int y, IMouseMod* mod) {
  ReleaseMouseCapture();
  if (ScaleMenuTakesPress(x, y, mod)) return;
  const int c = GetMouseControlIdx(x, y);
  if (c < 0) return;
  IControl* control = mControls.Get(c);
  mMouseCapture = c;
  mMouseX = x;
  mMouseY = y;
  if (control->ParamIdx >= 0 && mPlug) mPlug->HostBeginEdit(control->ParamIdx);
  control->OnMouseDown(x, y, mod);
}

void IGraphics::OnMouseUp(int x, int y, IMouseMod* mod) {
  if (mSwallowRelease) {
    // The release of a press the size menu took: no control saw the press.
    mSwallowRelease = false;
    return;
  }
  const int c = GetMouseControlIdx(x, y);
  ReleaseMouseCapture();
  if (c < 0) return;
  IControl* control = mControls.Get(c);
  control->OnMouseUp(x, y, mod);
  if (control->ParamIdx >= 0 && mPlug) mPlug->HostEndEdit(control->ParamIdx);
}

void IGraphics::OnMouseDrag(int x, int y, IMouseMod* mod) {
  if (mMouseCapture < 0) return;
  const int dX = x - mMouseX, dY = y - mMouseY;
  if (dX == 0 && dY == 0) return;
  mMouseX = x;
  mMouseY = y;
  mControls.Get(mMouseCapture)->OnMouseDrag(x, y, dX, dY, mod);
}

bool IGraphics::OnMouseDblClick(int x, int y, IMouseMod* mod) {
  ReleaseMouseCapture();
  if (ScaleMenuTakesPress(x, y, mod)) return false;
  const int c = GetMouseControlIdx(x, y);
  if (c < 0) return false;
  IControl* control = mControls.Get(c);
  if (control->ParamIdx >= 0 && mPlug) mPlug->HostBeginEdit(control->ParamIdx);
  if (control->mDblAsSingleClick) {
    mMouseCapture = c;
    mMouseX = x;
    mMouseY = y;
    control->OnMouseDown(x, y, mod);
    return true;
  }
  control->OnMouseDblClick(x, y, mod);
  return false;
}

void IGraphics::OnMouseWheel(int x, int y, IMouseMod* mod, int d) {
  const int c = GetMouseControlIdx(x, y);
  if (c < 0) return;
  IControl* control = mControls.Get(c);
  const int paramIdx = control->ParamIdx;
  if (paramIdx < 0 || !mPlug) {
    control->OnMouseWheel(x, y, mod, d);
    return;
  }
  // A run of notches is one gesture towards the host; the timer ends it.
  mPlug->HostBeginEditOnce(paramIdx);
  control->OnMouseWheel(x, y, mod, d);
  mPlug->DeferHostEndEdit(paramIdx);
}

void IGraphics::OnKeyDown(int x, int y, int key) {
  const int c = GetMouseControlIdx(x, y);
  if (c >= 0) mControls.Get(c)->OnKeyDown(x, y, key);
}
