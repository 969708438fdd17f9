#include "optics/exact_trig.h"

#include <cmath>

double exact_atan(double x) {
    return std::atan(x);
}

double exact_tan(double x) {
    return std::tan(x);
}
