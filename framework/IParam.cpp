#include "IParam.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// Names, labels and texts are bounded by their 32-byte fields.
void CopyField(char* dest, const char* src) { std::snprintf(dest, 32, "%s", src ? src : ""); }
} // namespace

void IParam::DefineDouble(const char* name, double defaultValue, double min, double max,
                          double step, const char* label) {
  if (mType == kParamNone) mType = kParamDouble;
  CopyField(mName, name);
  CopyField(mLabel, label);
  mValue = defaultValue;
  mMin = min;
  mMax = max > min + step ? max : min + step;
  mStep = step;

  int p = 0;
  double s = step;
  while (p <= 5 && std::floor(s) != s) {
    s *= 10.0;
    ++p;
  }
  mDisplayPrecision = p;
}

void IParam::DefineInt(const char* name, int defaultValue, int min, int max, const char* label) {
  if (mType == kParamNone) mType = kParamInt;
  DefineDouble(name, defaultValue, min, max, 1.0, label);
}

void IParam::DefineEnum(const char* name, int defaultValue, int count, const char* label) {
  if (mType == kParamNone) mType = kParamEnum;
  DefineDouble(name, defaultValue, 0, count - 1, 1.0, label);
}

void IParam::DefineBool(const char* name, bool defaultValue, const char* label) {
  if (mType == kParamNone) mType = kParamBool;
  DefineEnum(name, defaultValue ? 1 : 0, 2, label);
}

void IParam::SetShape(double shape) {
  if (shape != 0.0) mShape = shape;
}

void IParam::SetDisplayText(int value, const char* text) {
  DisplayText entry;
  entry.mValue = value;
  CopyField(entry.mText, text);
  mDisplayTexts.Add(entry);
}

void IParam::SetClamped(double value) {
  if (!(value >= mMin))
    value = mMin; // NaN lands here too
  else if (value > mMax)
    value = mMax;
  mValue = value;
}

namespace {
// x^e for the curve. The common exponents are computed exactly (IEEE multiply and square
// root), so every build and C library gives the same normalised values.
double CurvePow(double x, double e) {
  if (e == 1.0) return x;
  if (e == 2.0) return x * x;
  if (e == 0.5) return std::sqrt(x);
  return std::pow(x, e);
}
} // namespace

double IParam::ToNormalized(double value) const {
  if (!(value >= mMin))
    value = mMin;
  else if (value > mMax)
    value = mMax;
  return CurvePow((value - mMin) / (mMax - mMin), 1.0 / mShape);
}

double IParam::FromNormalized(double normalized, bool snap) const {
  if (!(normalized >= 0.0)) normalized = 0.0; // hosts send negatives and NaN
  double v = mMin + (mMax - mMin) * CurvePow(normalized, mShape);
  if (snap && mType != kParamDouble) v = mStep * std::floor(v / mStep + 0.5);
  if (v > mMax) v = mMax;
  if (v < mMin) v = mMin;
  return v;
}

void IParam::SetNormalized(double normalized) { mValue = FromNormalized(normalized); }

void IParam::FormatDisplay(double value, bool normalized, char* out) const {
  if (normalized) value = mMin + (mMax - mMin) * CurvePow(value, mShape);

  if (mDisplayTexts.GetSize() > 0 && value == value && std::fabs(value) < 2147483647.0) {
    int key = value > 0.0 ? (int)(value + 0.5) : (int)(value - 0.5);
    const char* text = GetDisplayText(key);
    if (text[0]) {
      std::strcpy(out, text);
      return;
    }
  }

  if (mNegateDisplay) value = -value;
  if (value == 0.0) {
    std::strcpy(out, "0");
  } else if (mDisplayPrecision == 0) {
    // Whole numbers are written truncated towards zero; values beyond int range saturate.
    double t = std::trunc(value);
    if (!(t == t)) t = 0.0;
    if (t > 2147483647.0) t = 2147483647.0;
    if (t < -2147483648.0) t = -2147483648.0;
    std::sprintf(out, "%d", (int)t);
  } else {
    std::snprintf(out, 32, "%.*f", mDisplayPrecision, value);
  }
}

const char* IParam::GetDisplayTextAt(int index, int* outValue) const {
  if (index < 0 || index >= mDisplayTexts.GetSize()) return "";
  const DisplayText& entry = mDisplayTexts.Get()[index];
  if (outValue) *outValue = entry.mValue;
  return entry.mText;
}

const char* IParam::GetDisplayText(int value) const {
  const DisplayText* list = mDisplayTexts.Get();
  for (int i = 0; i < mDisplayTexts.GetSize(); ++i)
    if (list[i].mValue == value) return list[i].mText;
  return "";
}

bool IParam::LookUpDisplayText(const char* text, int* outValue) const {
  if (!text) return false;
  const DisplayText* list = mDisplayTexts.Get();
  for (int i = 0; i < mDisplayTexts.GetSize(); ++i) {
    if (std::strcmp(list[i].mText, text) == 0) {
      *outValue = list[i].mValue;
      return true;
    }
  }
  return false;
}

double IParam::ValueFromText(const char* text) const {
  if (!text) return 0.0;
  int value;
  if (mDisplayTexts.GetSize() > 0 && LookUpDisplayText(text, &value)) return value;
  double v = std::strtod(text, nullptr);
  return mNegateDisplay ? -v : v;
}
