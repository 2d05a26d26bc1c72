#include "ITextControl.h"

#include "IGraphics.h"
#include "IPlugBase.h"

#include <cstring>

namespace {
// Room reserved for the text so that status messages never grow the storage.
constexpr int kReservedTextBytes = 256;
// A secure field shows at most this many asterisks.
constexpr int kMaxSecureChars = 254;
} // namespace

ITextControl::ITextControl(IPlugBase* plug, const IRECT* rect, IText* text, const char* str)
    : IControl(plug, rect, -1), mText(*text) {
  mStr.Reserve(kReservedTextBytes);
  mStr.Set(str);
}

ITextControl::~ITextControl() {}

void ITextControl::CopyText(WDL_String* out) {
  WDL_MutexLock lock(&mStrLock);
  out->Set(mStr.Get());
}

void ITextControl::GetText(WDL_String* out) { CopyText(out); }

bool ITextControl::Draw(IGraphics* graphics) {
  WDL_String text;
  CopyText(&text);
  if (!text.GetLength()) return true;
  return graphics->DrawIText(&mText, text.Get(), &mRECT);
}

void ITextControl::SetTextFromPlug(const char* text) {
  if (!text) text = "";
  WDL_MutexLock lock(&mStrLock);
  if (!std::strcmp(text, mStr.Get())) return;
  SetDirty(false);
  mStr.Set(text);
}

IEditableTextControl::IEditableTextControl(IPlugBase* plug, const IRECT* rect, IText* text,
                                           const char* str, bool editable, bool secure)
    : ITextControl(plug, rect, text, str), mEditable(editable), mIsSecure(secure) {
  mDblAsSingleClick = true;
}

void IEditableTextControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  if (mDisablePrompt || !mPlug) return;
  if (IGraphics* graphics = mPlug->GetGUI()) graphics->PromptUserInput(this);
  mRedraw = true;
}

bool IEditableTextControl::Draw(IGraphics* graphics) {
  if (mBackColor.A != 0 && !graphics->FillIRect(&mBackColor, &mRECT)) return false;
  if (!mIsSecure) return ITextControl::Draw(graphics);
  WDL_String text;
  CopyText(&text);
  int n = text.GetLength();
  if (!n) return true;
  if (n > kMaxSecureChars) n = kMaxSecureChars;
  char stars[kMaxSecureChars + 1];
  std::memset(stars, '*', (size_t)n);
  stars[n] = 0;
  return graphics->DrawIText(&mText, stars, &mRECT);
}
