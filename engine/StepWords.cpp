#include "StepWords.h"

int PackStepWord(const uint16_t* steps, int w) {
  int acc = 0;
  const int first = StepWordFirstEntry(w);
  for (int j = 0; j < StepWordEntryCount(w); ++j)
    acc = acc * 5 + steps[first + j];
  return acc;
}

void UnpackStepWord(int w, int value, uint16_t* steps) {
  if (value < 0) value = 0;
  if (value > StepWordMax(w)) value = StepWordMax(w);
  const int first = StepWordFirstEntry(w);
  for (int e = first + StepWordEntryCount(w) - 1; e >= first; --e) {
    steps[e] = (uint16_t)(value % 5);
    value /= 5;
  }
}

namespace {
bool DigitsInto(const char* text, uint16_t* out, int count) {
  if (!text) return false;
  int n = 0;
  for (; *text; ++text) {
    if (*text == ' ') continue;
    if (*text < '0' || *text > '4' || n == count) return false;
    out[n++] = (uint16_t)(*text - '0');
  }
  return true;
}
} // namespace

bool StepsFromDigits(const char* times, const char* volumes, uint16_t* steps) {
  uint16_t tmp[128];
  for (int e = 0; e < 128; ++e)
    tmp[e] = steps[e];
  if (!DigitsInto(times, tmp, 64) || !DigitsInto(volumes, tmp + 64, 64)) return false;
  for (int e = 0; e < 128; ++e)
    steps[e] = tmp[e];
  return true;
}
