#ifdef _WIN32
// PNG skin images compiled into the module as resources of type "PNG".
#include "lice_png.h"

LICE_IBitmap* LICE_LoadPNGFromResource(HINSTANCE hInst, int resid, LICE_IBitmap* bmp) {
  HRSRC res = FindResourceA(hInst, MAKEINTRESOURCEA(resid), "PNG");
  if (!res) return nullptr;
  DWORD size = SizeofResource(hInst, res);
  HGLOBAL handle = LoadResource(hInst, res);
  const void* data = handle ? LockResource(handle) : nullptr;
  if (!data || size < 8 || size > 0x7fffffff) return nullptr;
  return LICE_LoadPNGFromMemory(data, (int)size, bmp);
}
#endif
