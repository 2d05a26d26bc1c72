#include "IURLOpen.h"

#include "IGraphics.h"
#include "IPlugBase.h"

#include <cstdio>

void IURLOpen::OnMouseDown(int x, int y, IMouseMod* mod) {
  IGraphics* graphics = mPlug ? mPlug->GetGUI() : nullptr;
  if (!graphics) return;
  char url[256];
  std::snprintf(url, sizeof(url), "%s/%s", kMakerSite, mPlug->GetEffectName());
  graphics->OpenURL(url, nullptr, nullptr, "Cannot open url. Check your default browser.");
}
