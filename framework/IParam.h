#pragma once
// One plug-in parameter: kind, range, grid, curve, value and display texts.
// Holds data only; the plug-in base holds its mutex around every access.
#include "WDL_HeapBuf.h"

class IParam {
public:
  enum EParamType { kParamNone = 0, kParamBool, kParamInt, kParamEnum, kParamDouble };

  struct DisplayText {
    int mValue;
    char mText[32];
  };

  IParam() = default;
  IParam(const IParam&) = delete;
  IParam& operator=(const IParam&) = delete;

  void DefineDouble(const char* name, double defaultValue, double min, double max, double step,
                    const char* label = "");
  void DefineInt(const char* name, int defaultValue, int min, int max, const char* label = "");
  void DefineEnum(const char* name, int defaultValue, int count, const char* label = "");
  // A two-valued enumeration of kind kParamBool.
  void DefineBool(const char* name, bool defaultValue, const char* label = "");

  void SetShape(double shape);
  void SetDisplayText(int value, const char* text);
  void SetCanAutomate(bool canAutomate) { mCanAutomate = canAutomate; }
  void SetNegateDisplay(bool negate) { mNegateDisplay = negate; }

  EParamType Type() const { return (EParamType)mType; }
  bool IsIntegerKind() const { return mType >= kParamBool && mType <= kParamEnum; }
  double Value() const { return mValue; }
  int Int() const { return (int)mValue; }
  // Stores a real value clamped into [min, max]; NaN gives min.
  void SetClamped(double value);

  double GetNormalized() const { return ToNormalized(mValue); }
  double ToNormalized(double value) const;
  // Normalised values outside [0, 1] (and NaN) are clamped: no parameter ever
  // holds a value outside its range.
  void SetNormalized(double normalized);
  // The real value a normalised one stands for, clamped into range; with `snap` on the
  // parameter's grid as SetNormalized stores it, without it the exact inverse of
  // ToNormalized (formats that hand hosts real values round-trip through it).
  double FromNormalized(double normalized, bool snap = true) const;

  void FormatDisplay(double value, bool normalized, char* out) const;
  int DisplayTextCount() const { return mDisplayTexts.GetSize(); }
  const char* GetDisplayTextAt(int index, int* outValue = nullptr) const;
  const char* GetDisplayText(int value) const;
  bool LookUpDisplayText(const char* text, int* outValue) const;
  double ValueFromText(const char* text) const;

  const char* GetName() const { return mName; }
  const char* GetLabel() const { return mLabel; }
  void GetBounds(double* outMin, double* outMax) const {
    *outMin = mMin;
    *outMax = mMax;
  }
  double GetMin() const { return mMin; }
  double GetMax() const { return mMax; }
  double GetStep() const { return mStep; }
  double GetShape() const { return mShape; }
  int GetDisplayPrecision() const { return mDisplayPrecision; }
  bool GetCanAutomate() const { return mCanAutomate; }
  bool GetNegateDisplay() const { return mNegateDisplay; }

  // Public like the rest of the parameter's data: the base and the adapters
  // assign it directly, always clamped.
  int mType = kParamNone;
  double mValue = 0.0;

private:
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mShape = 1.0;
  int mDisplayPrecision = 0;
  char mName[32] = {0};
  char mLabel[32] = {0};
  bool mNegateDisplay = false;
  bool mCanAutomate = true;
  WDL_TypedBuf<DisplayText> mDisplayTexts{4096};
};
