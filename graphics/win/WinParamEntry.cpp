// The value entry: an EDIT field for typed values, a COMBOBOX list for parameters with
// display texts, opened as child 99 of the editor window with its procedure
// subclassed. The child only sets the entry state (editing, commit); the editor's
// tick applies or drops it, so nothing is changed from inside the child's messages.
#include "IGraphicsWin.h"

#include "IControl.h"
#include "IParam.h"
#include "ITextControl.h"

#include <cstring>

namespace {
// Marks the entry child as the editor's own.
constexpr LONG_PTR kEditUserData = (LONG_PTR)0xdeadf00bu;
constexpr int kEditFontHeight = 14;
// The list's notification that the chosen entry changed.
constexpr int kListSelectionChanged = 1;

HFONT MakeFont(const char* name, int height) {
  return CreateFontA(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, name);
}

bool IsList(const IParam* param) {
  return param->DisplayTextCount() > 0 &&
         (param->Type() == IParam::kParamBool || param->Type() == IParam::kParamEnum);
}

int ListWidth(const IParam* param) {
  int w = 24;
  for (int i = 0; i < param->DisplayTextCount(); ++i) {
    const int textW = 8 * (int)std::strlen(param->GetDisplayTextAt(i)) + 24;
    if (textW > w) w = textW;
  }
  return w;
}

int FieldWidth(const IParam* param) {
  char widest[32];
  param->FormatDisplay(param->GetMax(), false, widest);
  const int w = 7 * (int)std::strlen(widest) + 6;
  return w > 32 ? w : 32;
}
} // namespace

void IGraphicsWin::PromptUserInput(IControl* control, IParam* param, bool centered) {
  if (!control || !param || mParamEditWnd || !mPlugWnd) return;
  char current[32];
  param->FormatDisplay(param->Value(), false, current);
  const IRECT& c = control->mRECT;
  const int cx = (c.L + c.R) / 2, cy = (c.T + c.B) / 2;
  HWND child;
  if (!IsList(param)) {
    const int w = FieldWidth(param);
    const DWORD style = WS_CHILD | WS_VISIBLE | ES_MULTILINE | (centered ? ES_CENTER : 0);
    child = CreateEntry("EDIT", current, style,
                        centered ? IRECT(cx - w / 2, cy - 8, cx - w / 2 + w, cy + 8) : c);
    if (child) SendMessageA(child, EM_SETSEL, 0, -1);
  } else {
    const int n = param->DisplayTextCount(), w = ListWidth(param);
    const DWORD style = WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST;
    // A drop-down list's height is that of its open list.
    child = CreateEntry("COMBOBOX", "", style,
                        centered ? IRECT(cx - w / 2, cy, cx - w / 2 + w, cy + 36 * (n + 1))
                                 : IRECT(c.L, cy, c.R, cy + c.H()));
    if (child) {
      int selected = -1;
      for (int i = 0; i < n; ++i) {
        const char* text = param->GetDisplayTextAt(i);
        SendMessageA(child, CB_ADDSTRING, 0, (LPARAM)text);
        if (!std::strcmp(text, current)) selected = i;
      }
      SendMessageA(child, CB_SETCURSEL, (WPARAM)selected, 0);
    }
  }
  if (child)
    AdoptParamEdit(child, control, param, MakeFont("Arial", ScaledFontHeight(kEditFontHeight)));
}

void IGraphicsWin::PromptUserInput(IEditableTextControl* control) {
  if (!control || mParamEditWnd || !mPlugWnd) return;
  WDL_String text;
  control->GetText(&text);
  const IText& t = control->mText;
  const DWORD align = t.mAlign == IText::kAlignNear     ? ES_LEFT
                      : t.mAlign == IText::kAlignCenter ? ES_CENTER
                                                        : ES_RIGHT;
  HWND child =
      CreateEntry("EDIT", text.Get(), WS_CHILD | WS_VISIBLE | ES_MULTILINE | align, control->mRECT);
  if (!child) return;
  SendMessageA(child, EM_SETSEL, 0, -1);
  AdoptParamEdit(child, control, nullptr, MakeFont(t.mFont, ScaledFontHeight(t.mSize)));
}

HWND IGraphicsWin::CreateEntry(const char* cls, const char* text, DWORD style, const IRECT& r) {
  const IRECT d = DeviceRect(r);
  return CreateWindowA(cls, text, style, d.L, d.T, d.W(), d.H(), mPlugWnd,
                       (HMENU)(INT_PTR)kParamEditId, mHInstance, nullptr);
}

int IGraphicsWin::ScaledFontHeight(int height) const { return height * Scale() / 100; }

void IGraphicsWin::AdoptParamEdit(HWND child, IControl* control, IParam* param, HFONT font) {
  mParamEditWnd = child;
  mEdControl = control;
  mEdParam = param;
  mEditFont = font;
  mParamEditMsg = kNone;
  SetWindowLongPtr(child, GWLP_USERDATA, kEditUserData);
  mDefEditProc = (WNDPROC)SetWindowLongPtr(child, GWLP_WNDPROC, (LONG_PTR)ParamEditProc);
  if (font) SendMessageA(child, WM_SETFONT, (WPARAM)font, FALSE);
  // Subclassed first, so that gaining the focus already counts as editing.
  SetFocus(child);
}

void IGraphicsWin::DestroyParamEdit() {
  if (mParamEditWnd) {
    SetWindowLongPtr(mParamEditWnd, GWLP_WNDPROC, (LONG_PTR)mDefEditProc);
    DestroyWindow(mParamEditWnd);
  }
  if (mEditFont) DeleteObject(mEditFont);
  mParamEditWnd = nullptr;
  mEdControl = nullptr;
  mEdParam = nullptr;
  mDefEditProc = nullptr;
  mEditFont = nullptr;
  mParamEditMsg = kNone;
}

LRESULT CALLBACK IGraphicsWin::ParamEditProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  IGraphicsWin* graphics = (IGraphicsWin*)GetWindowLongPtr(GetParent(hWnd), GWLP_USERDATA);
  if (!graphics || hWnd != graphics->mParamEditWnd || !graphics->mDefEditProc)
    return DefWindowProc(hWnd, msg, wParam, lParam);
  return graphics->HandleEditMessage(hWnd, msg, wParam, lParam);
}

LRESULT IGraphicsWin::HandleEditMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
  case WM_SETFOCUS:
    mParamEditMsg = kEditing;
    break;
  case WM_KILLFOCUS:
    mParamEditMsg = kNone; // the field stays open
    break;
  case WM_KEYDOWN:
    if (wParam == VK_RETURN) {
      if (!mEdParam || !IsList(mEdParam)) SendMessageA(hWnd, EM_SETSEL, (WPARAM)-1, 0);
      mParamEditMsg = kCommit;
      return 0;
    }
    break;
  case WM_CHAR:
    // The Enter that committed would otherwise end up as a new line in the field.
    if (wParam == '\r' || wParam == '\n') return 0;
    break;
  case WM_COMMAND:
    if (HIWORD(wParam) == kListSelectionChanged) {
      mParamEditMsg = kCommit;
      return 0;
    }
    break;
  default:
    break;
  }
  return CallWindowProc(mDefEditProc, hWnd, msg, wParam, lParam);
}
