#pragma once
// The editor's drawing scale. The layout and every control keep their geometry in
// editor units (the 100 % pixels); the surface and the window are in device pixels.
// A scale is a whole percentage (100, 150 or 200) so that the mapping is integer
// arithmetic, the same on every platform and compiler: a coordinate v becomes
// round(v * scale / 100), halves rounded up. Every edge is mapped alone, so
// rectangles that touch at 100 % still touch at any scale, and a device pixel maps
// back into the unit whose scaled span holds it: a click at 200 % reaches what the
// same click at 100 % reaches.
#include "IGraphicsStructs.h"

namespace editor_scale {

constexpr int kScale100 = 100;
constexpr int kScale150 = 150;
constexpr int kScale200 = 200;

// The scales the editor draws at; anything else is not a scale.
inline bool IsScale(int percent) {
  return percent == kScale100 || percent == kScale150 || percent == kScale200;
}

// The nearest drawing scale to a screen's factor (1.0 = 96 dpi): below 1.25 draws at
// 100 %, below 1.75 at 150 %, above at 200 %. NaN and nonsense give 100 %.
inline int NearestScale(double factor) {
  if (!(factor >= 1.25)) return kScale100;
  if (factor < 1.75) return kScale150;
  return kScale200;
}

// floor(a / b) for b > 0, also below zero.
inline int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// An editor coordinate in device pixels.
inline int ToDevice(int v, int percent) { return FloorDiv(v * percent + 50, 100); }

inline IRECT ToDevice(const IRECT& r, int percent) {
  if (r.Empty()) return r;
  return IRECT(ToDevice(r.L, percent), ToDevice(r.T, percent), ToDevice(r.R, percent),
               ToDevice(r.B, percent));
}

// The editor coordinate whose scaled span [ToDevice(v), ToDevice(v + 1)) holds the
// device coordinate d.
inline int ToEditor(int d, int percent) {
  int v = FloorDiv(d * 100, percent);
  while (ToDevice(v + 1, percent) <= d) ++v;
  while (ToDevice(v, percent) > d) --v;
  return v;
}

// The smallest editor rectangle whose device rectangle covers device rectangle r.
inline IRECT ToEditorCover(const IRECT& r, int percent) {
  if (r.Empty()) return r;
  return IRECT(ToEditor(r.L, percent), ToEditor(r.T, percent), ToEditor(r.R - 1, percent) + 1,
               ToEditor(r.B - 1, percent) + 1);
}

} // namespace editor_scale
