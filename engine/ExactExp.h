#pragma once
// exp(x) rounded correctly to double, computed from additions, multiplications and
// divisions only (no C-library maths), so that every build -- any C library, x86
// with SSE2 or x86-64 -- gets the same bits. C libraries differ from one another
// by an ulp now and then; a correctly rounded result agrees with all of them
// wherever they are right. Used where the audio depends on the value (the band
// split's coefficient, the step lengths); not fast, computed only when a parameter
// changes.
double ExactExp(double x);
// 2^x rounded correctly to double, in the same way.
double ExactExp2(double x);
