// The Linux editor in the host's X11 window: painting, the host's idle calls and the
// window's input. Mouse input follows the Windows window the controls were made for:
// a press captures the mouse until its release (X's implicit grab keeps sending the
// motion and the release even outside the window), motion reaches the controls only
// with a button held, and while the value entry is open a right press dismisses it
// and goes nowhere else, a left press elsewhere commits it and then acts as usual.
#include "IGraphicsLinux.h"
#include "ValueEntryView.h"
#include "lice_sysbitmap.h"

bool IGraphicsLinux::DrawScreen(IRECT* r) {
  if (!mX11 || !r) return true;
  IRECT area = *r;
  if (mEntry.mControl) {
    DrawValueEntry(this);
    area = area.Union(EntryArea(*this));
  }
  mX11->Put(GetDrawBitmap(), DeviceRect(area));
  return true;
}

void IGraphicsLinux::SetPlatformCursor(int cursorId) {
  mCursor = cursorId;
  if (mX11) mX11->SetCursor(cursorId);
}

void IGraphicsLinux::HostIdle() {
  if (!mX11) return;
  OnWindowTicks();
  mX11->Pump();
  mX11->Flush();
}

void IGraphicsLinux::OnWindowTicks() {
  for (int n = mClock.Due(TickClock::NowNs()); n > 0 && mX11; --n)
    Tick();
}

void IGraphicsLinux::ShowEntry() {
  if (!mX11 || !mEntry.mControl) return;
  mX11->TakeFocus();
  IRECT area = EntryArea(*this);
  DrawScreen(&area);
}

void IGraphicsLinux::OnWindowInput(const WindowInput& device) {
  // The window's positions are device pixels; the editor works in its own units.
  WindowInput in = device;
  in.mX = ToEditor(device.mX);
  in.mY = ToEditor(device.mY);
  in.mRect = editor_scale::ToEditorCover(device.mRect, Scale());
  IMouseMod mod = in.mMod;
  switch (in.mKind) {
  case WindowInput::kExpose: {
    IRECT r = in.mRect;
    DrawScreen(&r);
    break;
  }
  case WindowInput::kPress:
  case WindowInput::kDoubleClick:
    OnPress(in);
    break;
  case WindowInput::kRelease:
    mCaptured = false;
    OnMouseUp(in.mX, in.mY, &mod);
    break;
  case WindowInput::kDrag:
    if (mCaptured) OnMouseDrag(in.mX, in.mY, &mod);
    break;
  case WindowInput::kWheel:
    OnMouseWheel(in.mX, in.mY, &mod, in.mWheel);
    break;
  case WindowInput::kKey:
    if (mEntry.mControl)
      OnEntryInput(in);
    else if (in.mKeyCode >= 0)
      OnKeyDown(in.mX, in.mY, in.mKeyCode);
    break;
  case WindowInput::kGone:
    // The parent took the window with it: nothing more reaches the screen until the
    // host closes the editor.
    mCaptured = false;
    ReleaseMouseCapture();
    break;
  default:
    break;
  }
}

void IGraphicsLinux::OnPress(const WindowInput& in) {
  IMouseMod mod = in.mMod;
  if (mEntry.mControl) {
    if (in.mButton == 3) {
      DismissValueEntry();
      return;
    }
    if (mEntry.mIsList) {
      const int row = EntryRowAt(*this, in.mX, in.mY);
      if (row >= 0) {
        mEntry.mSelected = row;
        CommitValueEntry(GetEntryChoice(row));
        ShowEntry();
        return;
      }
    } else if (EntryArea(*this).Contains(in.mX, in.mY)) {
      return; // a click in the field keeps editing
    }
    if (mEntry.mIsList)
      DismissValueEntry(); // nothing chosen: the list closes as it came
    else
      CommitValueEntry(mEntry.mTyped.Get());
  }
  if (in.mKind == WindowInput::kDoubleClick) {
    if (OnMouseDblClick(in.mX, in.mY, &mod)) mCaptured = true;
    return;
  }
  mCaptured = true;
  OnMouseDown(in.mX, in.mY, &mod);
}

void IGraphicsLinux::OnEntryInput(const WindowInput& in) {
  if (mEntry.mState == ValueEntry::kCommit || mEntry.mState == ValueEntry::kCancel) return;
  switch (in.mEntryKey) {
  case WindowInput::kEntryEscape:
    DismissValueEntry();
    return;
  case WindowInput::kEntryEnter:
    if (!mEntry.mIsList)
      CommitValueEntry(mEntry.mTyped.Get());
    else if (GetEntryChoice(mEntry.mSelected))
      CommitValueEntry(GetEntryChoice(mEntry.mSelected));
    return;
  case WindowInput::kEntryUp:
  case WindowInput::kEntryDown:
    if (mEntry.mIsList && NEntryChoices() > 0) {
      const int step = in.mEntryKey == WindowInput::kEntryUp ? -1 : 1;
      int sel = mEntry.mSelected < 0 ? 0 : mEntry.mSelected + step;
      if (sel < 0) sel = 0;
      if (sel >= NEntryChoices()) sel = NEntryChoices() - 1;
      mEntry.mSelected = sel;
    }
    break;
  case WindowInput::kEntryBackspace:
    if (!mEntry.mIsList) EntryBackspace(&mEntry);
    break;
  case WindowInput::kEntryText:
    if (!mEntry.mIsList) EntryType(&mEntry, in.mText);
    break;
  default:
    return;
  }
  ShowEntry();
}
