// Conversions, snapping and display texts of a parameter.
#include "IParam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

std::string Display(const IParam& p, double value, bool normalized = false) {
  char out[64];
  p.FormatDisplay(value, normalized, out);
  return out;
}

TEST(ParamDefine, RangeAndPrecision) {
  struct Case {
    double step;
    int precision;
  } cases[] = {{1, 0}, {0.5, 1}, {0.25, 2}, {0.001, 3}, {2.5, 1}, {0.0000001, 6}};
  for (const Case& c : cases) {
    IParam p;
    p.DefineDouble("x", 0, 0, 10, c.step, "");
    EXPECT_EQ(p.GetDisplayPrecision(), c.precision) << "step " << c.step;
    EXPECT_EQ(p.Type(), IParam::kParamDouble);
  }

  IParam empty;
  empty.DefineDouble("x", 0, 0, 0, 1, "");
  EXPECT_EQ(empty.GetMax(), 1.0); // raised to min + step

  IParam e;
  e.DefineEnum("Rate", 9, 28);
  EXPECT_EQ(e.Type(), IParam::kParamEnum);
  EXPECT_EQ(e.GetMin(), 0.0);
  EXPECT_EQ(e.GetMax(), 27.0);
  EXPECT_EQ(e.Value(), 9.0);

  IParam b;
  b.DefineBool("Tie", true);
  EXPECT_EQ(b.Type(), IParam::kParamBool);
  EXPECT_TRUE(b.IsIntegerKind());
  EXPECT_EQ(b.GetMax(), 1.0);
}

TEST(ParamNormalized, SnappingClampingAndShape) {
  IParam e;
  e.DefineEnum("Rate", 0, 28);
  struct Case {
    double in;
    double expected;
  } enumCases[] = {
      {0.5, 14}, // 13.5 goes up
      {1.2, 27}, // top clamp
      {-0.3, 0}, // hosts send negatives: bottom clamp
      {0.0, 0},  {1.0, 27}, {std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const Case& c : enumCases) {
    e.SetNormalized(c.in);
    EXPECT_EQ(e.Value(), c.expected) << "normalised " << c.in;
  }

  IParam shaped;
  shaped.DefineInt("Attack", 5, 0, 100, "%");
  shaped.SetShape(2.0);
  EXPECT_DOUBLE_EQ(shaped.ToNormalized(25), 0.5);
  shaped.SetNormalized(0.5);
  EXPECT_EQ(shaped.Value(), 25.0);
  shaped.SetShape(0.0); // ignored
  EXPECT_EQ(shaped.GetShape(), 2.0);
  EXPECT_EQ(shaped.ToNormalized(-50), 0.0);
  EXPECT_EQ(shaped.ToNormalized(500), 1.0);

  IParam cont;
  cont.DefineDouble("Gain", 0, 0, 1, 0.1, "");
  cont.SetNormalized(0.123456);
  EXPECT_DOUBLE_EQ(cont.Value(), 0.123456); // continuous values are not snapped

  IParam neg;
  neg.DefineInt("Shift", 0, -5, 5);
  neg.SetNormalized(-1.0);
  EXPECT_EQ(neg.Value(), -5.0);
}

TEST(ParamDisplay, FormattingRules) {
  IParam p;
  p.DefineInt("x", 0, -100, 100);
  EXPECT_EQ(Display(p, -0.4), "0");
  EXPECT_EQ(Display(p, 2.5), "2");
  EXPECT_EQ(Display(p, -7.9), "-7");
  EXPECT_EQ(Display(p, 1.0, true), "100");
  p.SetNegateDisplay(true);
  EXPECT_EQ(Display(p, 0.0), "0"); // never "-0"
  EXPECT_EQ(Display(p, 12), "-12");

  IParam d;
  d.DefineDouble("x", 0, 0, 10, 0.25, "");
  EXPECT_EQ(Display(d, 1.5), "1.50");

  IParam t;
  t.DefineInt("x", 0, 0, 10);
  t.SetDisplayText(8, "eight");
  EXPECT_EQ(Display(t, 7.6), "eight");
  IParam empty;
  empty.DefineInt("x", 0, 0, 10);
  empty.SetDisplayText(8, "");
  EXPECT_EQ(Display(empty, 7.6), "7"); // an empty text falls through
}

TEST(ParamDisplay, TextsInInsertionOrderBothWays) {
  IParam p;
  p.DefineEnum("x", 0, 4);
  p.SetDisplayText(1, "one");
  p.SetDisplayText(1, "uno");
  p.SetDisplayText(2, "one");
  EXPECT_EQ(p.DisplayTextCount(), 3);
  EXPECT_STREQ(p.GetDisplayText(1), "one");
  EXPECT_STREQ(p.GetDisplayText(3), "");
  int value = -1;
  EXPECT_TRUE(p.LookUpDisplayText("one", &value));
  EXPECT_EQ(value, 1);
  value = -1;
  EXPECT_FALSE(p.LookUpDisplayText("ONE", &value)); // case-sensitive
  EXPECT_EQ(value, -1);
}

TEST(ParamText, ValueFromText) {
  IParam p;
  p.DefineInt("x", 0, -100, 100);
  p.SetDisplayText(3, "three");
  struct Case {
    const char* text;
    bool negate;
    double expected;
  } cases[] = {
      {"12abc", false, 12},  {"12abc", true, -12}, {"three", true, 3}, // display texts never negate
      {"  7.5", false, 7.5}, {"none", false, 0},   {"", false, 0},     {"-4", false, -4},
  };
  for (const Case& c : cases) {
    p.SetNegateDisplay(c.negate);
    EXPECT_EQ(p.ValueFromText(c.text), c.expected) << c.text;
  }
  p.SetNegateDisplay(false);
  EXPECT_EQ(p.ValueFromText(nullptr), 0.0);
}

TEST(ParamClamp, SetClampedHandlesNaNAndBounds) {
  IParam p;
  p.DefineInt("x", 5, 1, 64);
  p.SetClamped(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(p.Value(), 1.0);
  p.SetClamped(1e9);
  EXPECT_EQ(p.Value(), 64.0);
  p.SetClamped(-1e9);
  EXPECT_EQ(p.Value(), 1.0);
}

} // namespace
