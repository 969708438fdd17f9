// Arc tangent and tangent of doubles, correctly rounded: the exact mathematical value rounded to the nearest
// double, ties to even. The C libraries' atan and tan differ from each other in the last bit, so a ray traced
// with them could take another path on another platform; these give the same bits wherever IEEE doubles are
// evaluated as doubles (see the floating-point flags in CMakeLists.txt). Correctly rounded for every double:
// the quick path where its error bound decides the rounding (for tan, below 1000 in magnitude), the 256-bit
// path of exact_trig_wide.cpp elsewhere, which knows each result to 180 bits where the hardest arguments
// known need 131.
#pragma once

// NaN gives NaN; ±inf gives ±π/2 rounded; signed zeros are kept.
double exact_atan(double x);
// NaN and ±inf give NaN; signed zeros are kept.
double exact_tan(double x);
