// Reads the desktop's scale settings. Both come from outside (an environment variable,
// a string any X client may set), so anything that is not a plain positive number in
// a sane range is ignored.
#include "ScreenScale.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr double kBaseDpi = 96.0;

// A number filling the text, within [lo, hi]; 0 otherwise.
double Number(const char* text, const char* end, double lo, double hi) {
  if (!text || text == end) return 0.0;
  char* stop = nullptr;
  const double v = std::strtod(text, &stop);
  while (stop && stop < end && (*stop == ' ' || *stop == '\t')) ++stop;
  if (stop != end || !(v >= lo && v <= hi)) return 0.0;
  return v;
}

// The value of "Xft.dpi:" in the resource lines, 0 when absent or not a number.
double XftDpi(const char* resources) {
  if (!resources) return 0.0;
  const char* line = resources;
  while (*line) {
    const char* end = line + std::strcspn(line, "\n");
    static const char kKey[] = "Xft.dpi:";
    if (std::strncmp(line, kKey, sizeof(kKey) - 1) == 0) {
      const char* v = line + sizeof(kKey) - 1;
      while (v < end && (*v == ' ' || *v == '\t')) ++v;
      return Number(v, end, 24.0, 960.0);
    }
    line = *end ? end + 1 : end;
  }
  return 0.0;
}

} // namespace

double ScreenScaleFactor(const char* gdkScale, const char* xResources) {
  if (gdkScale && *gdkScale) {
    const double v = Number(gdkScale, gdkScale + std::strlen(gdkScale), 1.0, 8.0);
    if (v > 0.0) return v;
  }
  const double dpi = XftDpi(xResources);
  return dpi > 0.0 ? dpi / kBaseDpi : 1.0;
}
