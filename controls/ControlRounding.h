#pragma once
// The controls compute their geometry in single precision and round it half away
// from zero (2.5 gives 3, -2.5 gives -3), the same on every build.
#include <cmath>

inline int RoundHalfAwayF(float v) { return (int)std::round(v); }
