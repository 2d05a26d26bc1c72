#pragma once
// A colour as the editor describes it: integer components A, R, G, B, each 0-255.
struct IColor {
  int A, R, G, B;
  IColor(int a = 255, int r = 0, int g = 0, int b = 0) : A(a), R(r), G(g), B(b) {}
  bool operator==(const IColor& o) const { return A == o.A && R == o.R && G == o.G && B == o.B; }
  bool operator!=(const IColor& o) const { return !operator==(o); }
};
