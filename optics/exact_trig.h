// Arc tangent and tangent of doubles, correctly rounded: the exact mathematical value rounded to the nearest
// double, ties to even. The C libraries' atan and tan differ from each other in the last bit, so a ray traced
// with them could take another path on another platform; these give the same bits wherever IEEE doubles are
// evaluated as doubles (see the floating-point flags in CMakeLists.txt).
#pragma once

// NaN gives NaN; ±inf gives ±π/2 rounded; signed zeros are kept.
double exact_atan(double x);
// NaN and ±inf give NaN; signed zeros are kept.
double exact_tan(double x);
