// The careful path of exact_atan and exact_tan: the same functions in 256-bit fixed point, for the rare
// arguments whose double-double estimate lies too close to the middle between two doubles to say which one
// is nearer, and for the tangent of arguments too large for the quick reduction.
#pragma once

// atan(a) rounded to the nearest double, for 2^-27 <= a <= 2^55. `start` is an estimate of atan(a) (a <= 1)
// or of atan(1 / a) (a > 1) to within 2^-50, which Newton's iteration refines.
double wide_atan(double a, double start);

// tan(a) rounded to the nearest double, for any finite a >= 2^-27.
double wide_tan(double a);
