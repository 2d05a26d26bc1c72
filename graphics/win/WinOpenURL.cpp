// Web pages open in the desktop's browser through the shell's "open" verb; when that
// fails the user is told so in a message box (the only one the editor shows).
#include "IGraphicsWin.h"

#include <shellapi.h>

bool IGraphicsWin::OpenURL(const char* url, const char* windowTitle, const char* confirmText,
                           const char* errorText) {
  if (!url || !*url) return false;
  if (confirmText && MessageBoxA(mPlugWnd, confirmText, windowTitle, MB_YESNO) != IDYES)
    return false;
  // The shell answers a number above 32 when it started the page.
  const INT_PTR result =
      (INT_PTR)ShellExecuteA(mPlugWnd, "open", url, nullptr, nullptr, SW_SHOWNORMAL);
  if (result > 32) return true;
  if (errorText) MessageBoxA(mPlugWnd, errorText, windowTitle, MB_OK);
  return false;
}
