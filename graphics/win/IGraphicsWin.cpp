#include "IGraphicsWin.h"

#include "lice_png.h"

namespace {
// The module that holds this code: the plug-in DLL, whose resources hold the skin.
HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     (LPCSTR)&ThisModule, &module);
  return module;
}
} // namespace

IGraphicsWin::IGraphicsWin(IPlugBase* plug, int width, int height, int fps)
    : IGraphics(plug, width, height, fps) {}

IGraphicsWin::~IGraphicsWin() {}

LICE_IBitmap* IGraphicsWin::OSLoadBitmap(int id, const char* name) {
  return LICE_LoadPNGFromResource(ThisModule(), id);
}

void IGraphicsWin::SetPlatformCursor(int cursorId) {
  if (HCURSOR cursor = LoadCursor(nullptr, MAKEINTRESOURCE(cursorId))) SetCursor(cursor);
}
