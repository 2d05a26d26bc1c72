#pragma once
// The Linux desktop's scale for the editor: GDK_SCALE (the whole-number factor GTK
// desktops set) when it holds one, else the X resource Xft.dpi over 96 (what GNOME,
// KDE and Xfce write for fractional and 2x scaling), else 1.

// [any thread] The factor the environment's GDK_SCALE and the X server's resource
// string (XResourceManagerString; either may be null) ask for.
double ScreenScaleFactor(const char* gdkScale, const char* xResources);
