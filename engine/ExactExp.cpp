#include "ExactExp.h"

#include <cmath>
#include <limits>

namespace {

// A value held as the unevaluated sum hi + lo (|lo| <= ulp(hi) / 2): about 106 bits.
struct DD {
  double hi, lo;
};

// a + b exactly, as a rounded sum and its error.
inline DD TwoSum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

inline DD FastTwoSum(double a, double b) { // |a| >= |b|
  const double s = a + b;
  return {s, b - (s - a)};
}

// a * b exactly, by splitting each factor into halves of 26 bits (no fused multiply-add,
// which not every target has and which would change the bits).
inline DD TwoProd(double a, double b) {
  const double kSplit = 134217729.0; // 2^27 + 1
  const double ta = kSplit * a, tb = kSplit * b;
  const double ah = ta - (ta - a), al = a - ah;
  const double bh = tb - (tb - b), bl = b - bh;
  const double p = a * b;
  return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

inline DD Add(DD a, DD b) {
  DD s = TwoSum(a.hi, b.hi);
  const DD t = TwoSum(a.lo, b.lo);
  s.lo += t.hi;
  s = FastTwoSum(s.hi, s.lo);
  s.lo += t.lo;
  return FastTwoSum(s.hi, s.lo);
}

inline DD Mul(DD a, DD b) {
  DD p = TwoProd(a.hi, b.hi);
  p.lo += a.hi * b.lo + a.lo * b.hi;
  return FastTwoSum(p.hi, p.lo);
}

inline DD MulD(DD a, double b) {
  DD p = TwoProd(a.hi, b);
  p.lo += a.lo * b;
  return FastTwoSum(p.hi, p.lo);
}

inline DD DivD(DD a, double b) {
  const double q1 = a.hi / b;
  const DD p = TwoProd(q1, b);
  const double rem = ((a.hi - p.hi) - p.lo) + a.lo;
  return FastTwoSum(q1, rem / b);
}

// ln 2 in three parts; the first has 32 significant bits, so k * kLn2[0] is exact for
// every |k| < 2^21.
const double kLn2[3] = {0x1.62e42fefp-1, 0x1.473de6af278edp-34, -0x1.9ff0342542fc3p-90};

} // namespace

namespace {

// exp(r) * 2^k for |r| <= ln2 / 2 given to about 106 bits, rounded once to double.
double ScaledExp(DD r, double k) {
  // exp(r / 2^8) by its Taylor series (the terms past the 14th are below 2^-120),
  // then squared eight times.
  const DD s = {std::ldexp(r.hi, -8), std::ldexp(r.lo, -8)};
  DD t = {1.0, 0.0};
  for (int n = 14; n >= 1; --n)
    t = Add({1.0, 0.0}, DivD(Mul(s, t), (double)n));
  for (int i = 0; i < 8; ++i)
    t = Mul(t, t);
  // hi + lo rounded to nearest; the scaling by 2^k is exact in the normal range.
  return std::ldexp(t.hi + t.lo, (int)k);
}

} // namespace

double ExactExp(double x) {
  if (x != x) return x;
  if (x > 709.782712893384) return std::numeric_limits<double>::infinity();
  if (x < -708.3) return std::exp(x); // results below the normal range: not used here

  // x = k ln2 + r with |r| <= ln2 / 2, r kept to about 106 bits.
  const double k = std::floor(x * 1.4426950408889634 + 0.5);
  DD r = TwoSum(x, -k * kLn2[0]);
  r = Add(r, TwoProd(-k, kLn2[1]));
  r = Add(r, TwoProd(-k, kLn2[2]));
  return ScaledExp(r, k);
}

double ExactExp2(double x) {
  if (x != x) return x;
  if (x >= 1024.0) return std::numeric_limits<double>::infinity();
  if (x < -1022.0) return std::exp2(x); // results below the normal range: not used here

  // x = k + f with |f| <= 1/2 (exact), 2^f = exp(f ln2) with f ln2 kept to about 106 bits.
  const double k = std::floor(x + 0.5);
  const double f = x - k;
  DD r = TwoProd(f, kLn2[0]);
  r = Add(r, TwoProd(f, kLn2[1]));
  r = Add(r, TwoProd(f, kLn2[2]));
  return ScaledExp(r, k);
}
