#pragma once
// An invisible click area (over the logo) that opens the maker's web page for the
// plug-in, "https://www.orbalin.com/" followed by the plug-in's effect name, with any
// mouse button. When the page cannot be opened the platform shows "Cannot open url.
// Check your default browser." where it can.
//
// Life: built in the plug-in constructor; clicked on the editor thread.
#include "IControl.h"

class IURLOpen : public IControl {
public:
  // The maker's web site.
  static constexpr const char* kMakerSite = "https://www.orbalin.com";

  // [main thread] Unbound.
  IURLOpen(IPlugBase* plug, const IRECT* rect) : IControl(plug, rect, -1) {}

  // [editor thread] Opens the page.
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  // [editor thread] Draws nothing.
  bool Draw(IGraphics* graphics) override { return true; }
};
