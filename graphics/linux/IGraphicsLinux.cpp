#include "IGraphicsLinux.h"

#include "IControl.h"
#include "IParam.h"
#include "IPlugBase.h"
#include "ITextControl.h"
#include "SkinImages.h"
#include "ValueEntryView.h"
#include "lice_png.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstring>

extern char** environ;

namespace {
// A centred text field is as wide as seven pixels per character of the parameter's
// widest display, plus a margin; a list eight pixels per character plus its button.
int FieldWidth(const IParam* param) {
  char widest[32];
  param->FormatDisplay(param->GetMax(), false, widest);
  const int w = 7 * (int)std::strlen(widest) + 6;
  return w > 32 ? w : 32;
}

int ListWidth(const IParam* param) {
  int w = 24;
  for (int i = 0; i < param->DisplayTextCount(); ++i) {
    const int cw = 8 * (int)std::strlen(param->GetDisplayTextAt(i)) + 24;
    if (cw > w) w = cw;
  }
  return w;
}
} // namespace

IGraphicsLinux::IGraphicsLinux(IPlugBase* plug, int width, int height, int fps)
    : IGraphics(plug, width, height, fps), mClock(FPS()) {}

IGraphicsLinux::~IGraphicsLinux() {
  delete mX11;
  mX11 = nullptr;
  CloseValueEntry();
  ReapOpener();
}

void* IGraphicsLinux::OpenWindow(void* parent) {
  if (parent) {
    if (mX11) CloseWindow();
    mX11 = X11Window::Create((unsigned long)(uintptr_t)parent, DeviceWidth(), DeviceHeight(), this);
    if (!mX11) return nullptr;
    OpenWindowScale(editor_scale::NearestScale(mX11->ScreenFactor()));
    mCaptured = false;
    mX11->SetCursor(mCursor);
    mClock.Start(TickClock::NowNs());
  }
  mWindowOpen = true;
  SetAllControlsDirty();
  if (!mX11) return nullptr;
  IRECT r;
  if (IsDirty(&r)) Draw(&r);
  return GetWindow();
}

void IGraphicsLinux::SetScale(int percent) {
  const int before = Scale();
  IGraphics::SetScale(percent);
  if (Scale() != before && mX11) mX11->Resize(DeviceWidth(), DeviceHeight());
}

void IGraphicsLinux::CloseWindow() {
  if (mParamChangeTimer > 0 && mPlug) mPlug->FlushPendingEndEdit();
  mParamChangeTimer = 0;
  CloseValueEntry();
  ReleaseMouseCapture();
  mCaptured = false;
  delete mX11;
  mX11 = nullptr;
  mWindowOpen = false;
}

bool IGraphicsLinux::OpenFloatingWindow(const char* title, unsigned long owner) {
  const unsigned long root = X11Window::DefaultRoot();
  if (!root || !OpenWindow((void*)(uintptr_t)root)) return false;
  mX11->SetTitle(title);
  mX11->SetTransientFor(owner);
  mX11->Flush();
  return true;
}

void* IGraphicsLinux::GetWindow() { return mX11 ? (void*)(uintptr_t)mX11->Id() : nullptr; }

LICE_IBitmap* IGraphicsLinux::OSLoadBitmap(int id, const char* name) {
  const SkinImage* image = FindSkinImage(id);
  if (!image) return nullptr;
  return LICE_LoadPNGFromMemory(image->mData, image->mSize);
}

// ---- Value entry --------------------------------------------------------------------------------

void IGraphicsLinux::PromptUserInput(IControl* control, IParam* param, bool centered) {
  if (!control || !param || mEntry.mControl) return;
  char current[32];
  param->FormatDisplay(param->mValue, false, current);
  mEntry.mControl = control;
  mEntry.mParam = param;
  mEntry.mText.Set(current);
  mEntry.mState = ValueEntry::kEditing;
  mEntry.mTyped.Set(current);
  mEntry.mTypedSelected = true;
  const IRECT& c = control->mRECT;
  const int cx = (c.L + c.R) / 2, cy = (c.T + c.B) / 2;
  const bool list = param->DisplayTextCount() > 0 &&
                    (param->Type() == IParam::kParamBool || param->Type() == IParam::kParamEnum);
  mEntry.mIsList = list;
  mEntry.mSelected = -1;
  if (list) {
    for (int i = 0; i < param->DisplayTextCount(); ++i)
      if (!std::strcmp(param->GetDisplayTextAt(i), current)) mEntry.mSelected = i;
    const int w = ListWidth(param);
    mEntry.mRect = centered ? IRECT(cx - w / 2, cy, cx - w / 2 + w, cy + 36 * (NEntryChoices() + 1))
                            : IRECT(c.L, cy, c.R, cy + c.H());
  } else {
    const int w = FieldWidth(param);
    mEntry.mRect = centered ? IRECT(cx - w / 2, cy - 8, cx - w / 2 + w, cy + 8) : c;
  }
  ShowEntry();
}

void IGraphicsLinux::PromptUserInput(IEditableTextControl* control) {
  if (!control || mEntry.mControl) return;
  mEntry.mControl = control;
  mEntry.mParam = nullptr;
  control->GetText(&mEntry.mText);
  mEntry.mIsList = false;
  mEntry.mSelected = -1;
  mEntry.mRect = control->mRECT;
  mEntry.mState = ValueEntry::kEditing;
  mEntry.mTyped.Set(mEntry.mText.Get());
  mEntry.mTypedSelected = true;
  ShowEntry();
}

int IGraphicsLinux::NEntryChoices() const {
  return mEntry.mControl && mEntry.mIsList ? mEntry.mParam->DisplayTextCount() : 0;
}

const char* IGraphicsLinux::GetEntryChoice(int idx) const {
  if (idx < 0 || idx >= NEntryChoices()) return nullptr;
  return mEntry.mParam->GetDisplayTextAt(idx);
}

bool IGraphicsLinux::CommitValueEntry(const char* text) {
  if (!mEntry.mControl) return false;
  mEntry.mText.Set(text);
  mEntry.mState = ValueEntry::kCommit;
  return true;
}

bool IGraphicsLinux::DismissValueEntry() {
  if (!mEntry.mControl) return false;
  mEntry.mState = ValueEntry::kCancel;
  return true;
}

void IGraphicsLinux::CloseValueEntry() {
  // In a window the area under the entry is drawn again from the controls.
  const bool shown = mEntry.mControl && mX11;
  IRECT under = shown ? EntryArea(*this) : IRECT();
  mEntry.mControl = nullptr;
  mEntry.mParam = nullptr;
  mEntry.mText.Set("");
  mEntry.mIsList = false;
  mEntry.mSelected = -1;
  mEntry.mRect.Clear();
  mEntry.mState = ValueEntry::kNone;
  mEntry.mTyped.Set("");
  mEntry.mTypedSelected = true;
  if (shown) {
    mX11->ReturnFocus();
    Draw(&under);
  }
}

// ---- Timer ----------------------------------------------------------------------------------

void IGraphicsLinux::Tick() {
  if (mEntry.mControl && mEntry.mState != ValueEntry::kNone) {
    const int state = mEntry.mState;
    if (state == ValueEntry::kCommit) {
      WDL_String text(mEntry.mText);
      SetFromStringAfterPrompt(mEntry.mControl, mEntry.mParam, text.Get());
    }
    if (state == ValueEntry::kCommit || state == ValueEntry::kCancel) {
      IControl* control = mEntry.mControl;
      CloseValueEntry();
      control->SetDirty(true);
    } else {
      mEntry.mState = ValueEntry::kEditing;
    }
  }
  IRECT r;
  if (IsDirty(&r)) Draw(&r);
  if (mParamChangeTimer > 0 && (mParamChangeTimer -= 1) == 0 && mPlug) mPlug->FlushPendingEndEdit();
  ReapOpener();
}

// ---- Web pages ---------------------------------------------------------------------------------

bool IGraphicsLinux::OpenURL(const char* url, const char* windowTitle, const char* confirmText,
                             const char* errorText) {
  if (!url || !*url) return false;
  mLastURL.Set(url);
  ReapOpener();
  // The opener runs on its own (glibc reports a program that cannot run as a failed
  // spawn); it is reaped on a later tick so that none is left behind.
  char* argv[] = {const_cast<char*>(mURLOpener.Get()), const_cast<char*>(url), nullptr};
  pid_t pid = -1;
  if (posix_spawnp(&pid, mURLOpener.Get(), nullptr, nullptr, argv, environ) != 0) {
    ShowMessage(errorText);
    return false;
  }
  mOpenerPid = pid;
  mOpenerError.Set(errorText ? errorText : "");
  return true;
}

void IGraphicsLinux::ReapOpener() {
  int status = 0;
  if (mOpenerPid <= 0 || waitpid(mOpenerPid, &status, WNOHANG) == 0) return;
  mOpenerPid = -1;
  // xdg-open answers non-zero when no browser could be found or started.
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ShowMessage(mOpenerError.Get());
}

void IGraphicsLinux::ShowMessage(const char* text) {
  if (text && *text && mMessageLine) mMessageLine->SetTextFromPlug(text);
}
