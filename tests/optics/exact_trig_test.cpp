// Our atan and tan against MPFR's, which are correctly rounded by construction: every result the same double.
#include <gtest/gtest.h>
#include <mpfr.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "optics/exact_trig.h"

namespace {

// Mismatches of f with MPFR's g over xs, the first few reported.
template <typename F>
int mismatches(F f, int (*g)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t), const std::vector<double>& xs) {
    mpfr_t v;
    mpfr_init2(v, 53);
    int count = 0;
    for (double x : xs) {
        mpfr_set_d(v, x, MPFR_RNDN);
        g(v, v, MPFR_RNDN);
        const double want = mpfr_get_d(v, MPFR_RNDN);
        const double got = f(x);
        const bool same = std::bit_cast<std::uint64_t>(got) == std::bit_cast<std::uint64_t>(want);
        if (!same && !(std::isnan(got) && std::isnan(want)) && ++count <= 5) {
            ADD_FAILURE() << std::hexfloat << x << ": " << got << ", MPFR " << want;
        }
    }
    mpfr_clear(v);
    return count;
}

// Zeros, subnormals, the bounds of the shortcuts (2^-27, 1, 2^55, the quick reduction's 1000), huge values,
// the doubles nearest kπ/2 for the reflection's k and the one nearest a multiple of π/2 of all, infinities,
// NaN, each with both neighbours; some of the hardest arguments to round known (Lefèvre's and CORE-MATH's
// lists: 43 to 78 equal bits after the rounding bit), which only the 256-bit path can decide; then half a
// million random ones: uniform angles under 8 (the reflection's arguments of tan) and log-uniform magnitudes
// from 2^-30 to 2^60 (every slope of a wall or a ray), with both signs. About one in ten thousand of these
// takes the 256-bit path too.
TEST(exact_trig, agrees_with_mpfr_on_edges_hard_cases_and_half_a_million_random_arguments) {
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> xs = {0x1.000321dec01a8p-10, 0x1.00046968c6c71p+11, 0x1.000adaedb43f3p+0,
                              0x1.00110cb9144eep+32, 0x1.0061c6a5a887fp-1,  0x1.015010c5a285ap+42,
                              0x1.02a3ad2ef6f44p-24, 0x1.0004b89dcb553p-11, 0x1.005c4ae44e6cp+0,
                              0x1.0070ebbf6ca19p-3,  0x1.0dffffffd7f47p-16, 0x1.13e3f88312752p+0,
                              0x1.5724a7240fc95p-1,  0x1.66e7692b64681p-1,  0x1.0a402fcc79291p-25};
    for (double c : {0.0, 0x1p-1074, 0x1p-1022, 0x1p-27, 1.0, 0x1p55, 1e300, 1000.0, 0x1.921fb54442d18p0,
                     0x1.921fb54442d18p1, 0x1.2d97c7f3321d2p2, 0x1.921fb54442d18p2, 0x1.f6a7a2955385ep2,
                     0x1.6ac5b262ca1ffp849, inf, std::numeric_limits<double>::quiet_NaN()}) {
        for (double x : {c, std::nextafter(c, -inf), std::nextafter(c, inf)}) {
            xs.insert(xs.end(), {x, -x});
        }
    }
    // One argument in each binade beyond 2^10, so that tan reads every limb of the table of 2/π.
    for (int e = 10; e < 1024; ++e) {
        xs.push_back(std::ldexp(0x1.3456789abcdefp0, e));
    }
    std::mt19937_64 engine(20261209);
    std::uniform_real_distribution<double> angle(-8.0, 8.0);
    std::uniform_real_distribution<double> exponent(-30.0, 60.0);
    for (int i = 0; i < 500000; ++i) {
        xs.push_back(i % 2 == 0 ? angle(engine) : std::copysign(std::exp2(exponent(engine)), angle(engine)));
    }
    EXPECT_EQ(mismatches(exact_atan, mpfr_atan, xs), 0);
    EXPECT_EQ(mismatches(exact_tan, mpfr_tan, xs), 0);
}

} // namespace
