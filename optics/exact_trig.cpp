#include "optics/exact_trig.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

#include "optics/exact_trig_wide.h"

// Both functions first compute the result as a double-double (an unevaluated sum hi + lo of two doubles,
// about 106 bits) together with a bound on its error, in plain double arithmetic: additions and products are
// made exact with Knuth's two-sum and Dekker's two-product, never with a fused multiply-add. When every value
// within the bound rounds to the same double, that double is the correctly rounded result. Otherwise, about
// once in ten thousand arguments, the 256-bit path of exact_trig_wide.cpp decides. The intermediate doubles
// may differ in their last bits between compilers (a constant folded at compile time, say) without changing a
// result: only a decided rounding or the 256-bit path, which is integer arithmetic, gives one. Both functions
// are checked against MPFR on edge cases, hard-to-round arguments and a million random ones
// (tests/optics/exact_trig_test.cpp), and on 10^8 more by bench/exact_trig.cpp.

namespace {

// Products, quotients and the reduced tangent argument are left unnormalized: their lo may exceed half an ulp
// of hi, by an ulp or two at most; sums that carry the correction term of a series in lo, by that term. Every
// use takes both parts and allows for that (the error bounds below include the roundings of that term), and
// skipping the renormalization shortens the chain of dependent operations that the ray waits for.
struct dd {
    double hi;
    double lo;
};

constexpr dd two_sum(double a, double b) {
    const double s = a + b;
    const double b_part = s - a;
    return {s, (a - (s - b_part)) + (b - b_part)};
}

// Exact as two_sum when |a| >= |b|.
constexpr dd fast_two_sum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// Veltkamp's split into two halves of 26 bits, whose products are exact.
constexpr dd split(double a) {
    const double c = 134217729.0 * a;
    const double hi = c - (c - a);
    return {hi, a - hi};
}

constexpr dd two_product(double a, double b) {
    const double p = a * b;
    const dd x = split(a);
    const dd y = split(b);
    return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

// The same when a has at most 26 significant bits (i/64, a count of quadrants): a needs no split.
dd short_product(double a, double b) {
    const double p = a * b;
    const dd y = split(b);
    return {p, (a * y.hi - p) + a * y.lo};
}

constexpr dd add(dd a, dd b) {
    const dd s = two_sum(a.hi, b.hi);
    return fast_two_sum(s.hi, s.lo + (a.lo + b.lo));
}

// The same when |a.hi| >= |b.hi| or a.hi is 0.
dd add_smaller(dd a, dd b) {
    const dd s = fast_two_sum(a.hi, b.hi);
    return fast_two_sum(s.hi, s.lo + (a.lo + b.lo));
}

constexpr dd negated(dd a) {
    return {-a.hi, -a.lo};
}

dd mul(dd a, dd b) {
    const dd p = two_product(a.hi, b.hi);
    return {p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi)};
}

// One quotient digit, the remainder (exact but for p.lo's rounding: a.hi - p.hi cancels exactly), and a
// second digit. One division only, by the reciprocal of b.hi: both digits may be off by an ulp or two, which
// the remainder takes up.
dd div(dd a, dd b) {
    const double inverse = 1.0 / b.hi;
    const double q = a.hi * inverse;
    const dd p = two_product(q, b.hi);
    const double rest = (((a.hi - p.hi) - p.lo) + a.lo) - q * b.lo;
    return {q, rest * inverse};
}

// The double nearest to v when every value within `error` of it rounds to that same double; NaN when the
// bound straddles the middle between two doubles.
double decided(dd v, double error) {
    const double down = v.hi + (v.lo - error);
    const double up = v.hi + (v.lo + error);
    return down == up ? down : std::numeric_limits<double>::quiet_NaN();
}

constexpr dd half_pi = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54};

// atan(i / 64) and tan(i / 64), each rounded to a double-double by MPFR.
// clang-format off
constexpr dd atan_table[65] = {
    {0x0p+0, 0x0p+0}, {0x1.fff555bbb729bp-7, -0x1.220c39d4dff5p-61},
    {0x1.ffd55bba97625p-6, -0x1.5ec431444912cp-60}, {0x1.7fb818430da2ap-5, -0x1.86ef8f794f105p-63},
    {0x1.ff55bb72cfdeap-5, -0x1.c934d86d23f1dp-60}, {0x1.3f59f0e7c559dp-4, 0x1.ac4ce285df847p-58},
    {0x1.7ee182602f10fp-4, -0x1.cfb654c0c3d98p-58}, {0x1.be39ebe6f07c3p-4, 0x1.f7b8f29a05987p-58},
    {0x1.fd5ba9aac2f6ep-4, -0x1.cd37686760c17p-59}, {0x1.1e1fafb043727p-3, -0x1.b485914dacf8cp-59},
    {0x1.3d6eee8c6626cp-3, 0x1.61a3b0ce9281bp-57}, {0x1.5c9811e3ec26ap-3, -0x1.054ab2c010f3dp-58},
    {0x1.7b97b4bce5b02p-3, 0x1.347b0b4f881cap-58}, {0x1.9a6a8e96c8626p-3, 0x1.cf601e7b4348ep-59},
    {0x1.b90d7529260a2p-3, 0x1.17b10d2e0e5abp-61}, {0x1.d77d5df205736p-3, 0x1.c648d1534597ep-57},
    {0x1.f5b75f92c80ddp-3, 0x1.8ab6e3cf7afbdp-57}, {0x1.09dc597d86362p-2, 0x1.62e47390cb865p-56},
    {0x1.18bf5a30bf178p-2, 0x1.30ca4748b1bf9p-57}, {0x1.278372057ef46p-2, -0x1.077cdd36dfc81p-56},
    {0x1.362773707ebccp-2, -0x1.963a544b672d8p-57}, {0x1.44aa436c2af0ap-2, -0x1.5d5e43c55b3bap-56},
    {0x1.530ad9951cd4ap-2, -0x1.2566480884082p-57}, {0x1.614840309cfe2p-2, -0x1.a725715711fp-56},
    {0x1.6f61941e4def1p-2, -0x1.c63aae6f6e918p-56}, {0x1.7d5604b63b3f7p-2, 0x1.69c885c2b249ap-56},
    {0x1.8b24d394a1b25p-2, 0x1.b6d0ba3748fa8p-56}, {0x1.98cd5454d6b18p-2, 0x1.9e6c988fd0a77p-56},
    {0x1.a64eec3cc23fdp-2, -0x1.24dec1b50b7ffp-56}, {0x1.b3a911da65c6cp-2, 0x1.ae187b1ca504p-56},
    {0x1.c0db4c94ec9fp-2, -0x1.cc1ce70934c34p-56}, {0x1.cde53432c1351p-2, -0x1.a2cfa4418f1adp-56},
    {0x1.dac670561bb4fp-2, 0x1.a2b7f222f65e2p-56}, {0x1.e77eb7f175a34p-2, 0x1.0e53dc1bf3435p-56},
    {0x1.f40dd0b541418p-2, -0x1.a3992dc382a23p-57}, {0x1.0039c73c1a40cp-1, -0x1.b32c949c9d593p-55},
    {0x1.0657e94db30dp-1, -0x1.d5b495f6349e6p-56}, {0x1.0c6145b5b43dap-1, 0x1.974fa13b5404fp-58},
    {0x1.1255d9bfbd2a9p-1, -0x1.2bdaee1c0ee35p-58}, {0x1.1835a88be7c13p-1, 0x1.c621cec00c301p-55},
    {0x1.1e00babdefeb4p-1, -0x1.928df287a668fp-58}, {0x1.23b71e2cc9e6ap-1, 0x1.c421c9f38224ep-57},
    {0x1.2958e59308e31p-1, -0x1.09e73b0c6c087p-56}, {0x1.2ee628406cbcap-1, 0x1.c5d5e9ff0cf8dp-55},
    {0x1.345f01cce37bbp-1, 0x1.1021137c71102p-55}, {0x1.39c391cd4171ap-1, -0x1.2304331d8bf46p-55},
    {0x1.3f13fb89e96f4p-1, 0x1.ecf8b492644fp-56}, {0x1.445065b795b56p-1, -0x1.f76d0163f79c8p-56},
    {0x1.4978fa3269ee1p-1, 0x1.2419a87f2a458p-56}, {0x1.4e8de5bb6ec04p-1, 0x1.4a33dbeb3796cp-55},
    {0x1.538f57b89061fp-1, -0x1.1bb74abda520cp-55}, {0x1.587d81f732fbbp-1, -0x1.5e5c9d8c5a95p-56},
    {0x1.5d58987169b18p-1, 0x1.0028e4bc5e7cap-57}, {0x1.6220d115d7b8ep-1, -0x1.2b785350ee8c1p-57},
    {0x1.66d663923e087p-1, -0x1.6ea6febe8bbbap-56}, {0x1.6b798920b3d99p-1, -0x1.a80386188c50ep-55},
    {0x1.700a7c5784634p-1, -0x1.8c34d25aadef6p-56}, {0x1.748978fba8e0fp-1, 0x1.7b2a6165884a1p-59},
    {0x1.78f6bbd5d315ep-1, 0x1.406a08980374p-55}, {0x1.7d528289fa093p-1, 0x1.560821e2f3aa9p-55},
    {0x1.819d0b7158a4dp-1, -0x1.bf76229d3b917p-56}, {0x1.85d69576cc2c5p-1, 0x1.6b66e7fc8b8c3p-57},
    {0x1.89ff5ff57f1f8p-1, -0x1.55b9a5e177a1bp-55}, {0x1.8e17aa99cc05ep-1, -0x1.ec182ab042f61p-56},
    {0x1.921fb54442d18p-1, 0x1.1a62633145c07p-55},
};
const dd tan_table[51] = {
    {0x0p+0, 0x0p+0}, {0x1.0005557778549p-6, -0x1.4792827ea2e3ep-60},
    {0x1.00155777aec08p-5, 0x1.5f48b25fa0262p-59}, {0x1.80481036e4452p-5, 0x1.3d85e10c65fcep-60},
    {0x1.005577854df01p-4, -0x1.f35b10671bea1p-58}, {0x1.40a71317603a9p-4, 0x1.e341cf23dfe5cp-58},
    {0x1.8121042019d39p-4, 0x1.e53de54163d36p-58}, {0x1.c1cb884ae7ce3p-4, -0x1.91f3cfab70c67p-60},
    {0x1.01577af1511a5p-3, -0x1.fba60a478d2bp-59}, {0x1.21e9e01751d9cp-3, -0x1.8f2e9b85cdb48p-60},
    {0x1.42a13df7bb968p-3, -0x1.981948de81acp-57}, {0x1.6381f20021d08p-3, -0x1.9360ee39e7d86p-58},
    {0x1.84906f1132568p-3, 0x1.20efcd2f809c3p-60}, {0x1.a5d13ffc776f5p-3, 0x1.b89182a3a38d7p-57},
    {0x1.c7490a1d1e12dp-3, 0x1.d2fc0e48d3694p-58}, {0x1.e8fc900f0376bp-3, -0x1.b971a98dc7fbp-57},
    {0x1.05785a43c4c56p-2, -0x1.9c6bfe7769a3dp-58}, {0x1.16953ea9fb257p-2, 0x1.06b03f377d8fp-59},
    {0x1.27d78b40b7704p-2, 0x1.f391de0df335dp-56}, {0x1.3941ead97b329p-2, -0x1.736dee67c7385p-57},
    {0x1.4ad71ed51ce39p-2, -0x1.b8c42b22fff4bp-56}, {0x1.5c9a01043014bp-2, -0x1.8a3aeeb99c243p-57},
    {0x1.6e8d85a6493e1p-2, -0x1.80e8ea578b238p-56}, {0x1.80b4bd8b3bdd9p-2, 0x1.5a80279094351p-59},
    {0x1.9312d859bf8bp-2, -0x1.de9ddeb7d418p-57}, {0x1.a5ab26ff403edp-2, -0x1.522f5c7d91fa7p-59},
    {0x1.b8811e4d009c3p-2, -0x1.2f8192327ea6bp-58}, {0x1.cb9859c724099p-2, -0x1.923f8a8057bf7p-57},
    {0x1.def49eaab37a1p-2, 0x1.1e48c7a265428p-56}, {0x1.f299df303cebbp-2, -0x1.925b4a577d0aap-58},
    {0x1.03461f08a685dp-1, -0x1.71d22a449a2eap-55}, {0x1.0d68092bdb64ep-1, -0x1.9115b88532a0ap-55},
    {0x1.17b4f5bf3474ap-1, 0x1.0c5e59201e209p-55}, {0x1.222f4af63cacdp-1, 0x1.5ffe451c2abd6p-56},
    {0x1.2cd98fea0ab88p-1, 0x1.bf004c33955cbp-57}, {0x1.37b66f4018e8ep-1, -0x1.1899339e50c0ep-56},
    {0x1.42c8ba0e9537ap-1, -0x1.1817d3747956ap-56}, {0x1.4e136b0504b5fp-1, -0x1.cfa9c233bbb31p-56},
    {0x1.5999a9e0f5129p-1, -0x1.ebf504ca1c5d4p-56}, {0x1.655ecf3776ef1p-1, -0x1.a80657cbfeeb6p-55},
    {0x1.7166689d41efp-1, -0x1.f44ffce65ed2bp-55}, {0x1.7db43d38b62cap-1, 0x1.489d3c731da14p-55},
    {0x1.8a4c52ca75a77p-1, 0x1.4d66e6bea4d61p-55}, {0x1.9732f33b14612p-1, 0x1.c2d4507fd437ap-57},
    {0x1.a46cb2be6a0b2p-1, -0x1.29a64ecb1df2ep-56}, {0x1.b1fe769f7154ep-1, 0x1.32aa55fd9947dp-56},
    {0x1.bfed7cca66b49p-1, 0x1.8d237cd4d9245p-55}, {0x1.ce3f642e15af6p-1, -0x1.98cfacf28c6b2p-55},
    {0x1.dcfa36110eeecp-1, -0x1.f3cf665127fd2p-57}, {0x1.ec24707bf6687p-1, 0x1.8cb6d1fadd1dap-55},
    {0x1.fbc511df5917fp-1, 0x1.4e6ef3dde2f07p-55},
};
// clang-format on

// π/2 - atan(i / 64), for the arguments beyond 1, worked out by the compiler.
constexpr std::array<dd, 65> atan_complements = [] {
    std::array<dd, 65> r{};
    for (std::size_t i = 0; i < r.size(); ++i) {
        r[i] = add(half_pi, negated(atan_table[i]));
    }
    return r;
}();

// The series of atan u - u = u^3 (-1/3 + u^2/5 - ...) and of tan d - d = d^3 (1/3 + 2 d^2/15 + ...) in
// z = u^2 or d^2. For |u|, |d| <= 1/128 the terms left out add less than 2^-57 of the sum, well inside the
// 2^-49 that the bounds allow for its evaluation in double; two halves evaluated side by side (Estrin's
// scheme) keep the chain of dependent operations short.
double atan_series(double z) {
    return (-1.0 / 3 + z * (1.0 / 5)) + (z * z) * (-1.0 / 7 + z * (1.0 / 9));
}

double tan_series(double z) {
    return (1.0 / 3 + z * (2.0 / 15)) + (z * z) * (17.0 / 315 + z * (62.0 / 2835));
}

// atan(a) for 2^-27 <= a <= 2^55 and its error bound. Beyond 1, atan a = π/2 - atan t with t = 1/a. With
// c = i/64 the table point nearest to t, atan t = atan c + atan u, u = (t - c) / (1 + t c), |u| <= 1/128,
// which is (1 - c a) / (a + c) when t = 1/a: no reciprocal needed. Everything is double-double but the
// correction term u^3 (...), evaluated in double with a relative error under 2^-50; the rest adds at most
// 2^-97 of the result.
struct estimate {
    dd value;
    double error;
};

estimate atan_estimate(double a) {
    const bool inverted = a > 1.0;
    const int i = static_cast<int>((inverted ? 64.0 / a : 64.0 * a) + 0.5);
    const double c = i / 64.0;
    // c a lies within a factor 2 of a, or of 1 when inverted, so these differences are exact.
    const dd ca = short_product(c, a);
    const dd numerator = inverted ? two_sum(1.0 - ca.hi, -ca.lo) : dd{a - c, 0.0};
    const dd denominator = inverted ? two_sum(a, c) : fast_two_sum(1.0, ca.hi);
    const dd u = div(numerator, inverted ? denominator : dd{denominator.hi, denominator.lo + ca.lo});
    const double correction = u.hi * (u.hi * u.hi) * atan_series(u.hi * u.hi);
    // atan c + u + correction, or (π/2 - atan c) - u - correction.
    const dd base = inverted ? atan_complements[i] : atan_table[i];
    const dd tail = inverted ? negated(u) : u;
    const double signed_correction = inverted ? -correction : correction;
    const dd s = two_sum(base.hi, tail.hi);
    const dd v = {s.hi, s.lo + (base.lo + (tail.lo + signed_correction))};
    return {v, 0x1p-49 * std::fabs(correction) + 0x1p-97 * std::fabs(v.hi)};
}

// Cody and Waite's reduction: π/2 in parts of 42, 42, 42 and 53 bits, so that for k below 2^11 the products
// k P1, k P2, k P3 are exact, a - k P1 is exact and its difference with k P2 is kept exactly by two_sum. The
// rest is within 2^-103 |r| + 2^-168 of a - k π/2.
const double pi_part1 = 0x1.921fb544428p+0;
const double pi_part2 = 0x1.4611a62633p-42;
const double pi_part3 = 0x1.45c06e0e688p-86;
const double pi_part4 = 0x1.48127044533e6p-130;
const double two_over_pi = 0x1.45f306dc9c883p-1;
const double quick_reduction_limit = 1000.0;

dd reduced(double a, int k) {
    if (k == 0) {
        return {a, 0.0};
    }
    const double m = k;
    const dd r = two_sum(a - m * pi_part1, -(m * pi_part2));
    // Away from the multiple the last parts need no more than double precision: their rounding, under
    // 2^-127, is then below 2^-102 of r.
    if (std::fabs(r.hi) >= 0x1p-25) {
        return {r.hi, r.lo - (m * pi_part3 + m * pi_part4)};
    }
    const dd p4 = short_product(m, pi_part4);
    return add(r, negated(add(two_sum(m * pi_part3, p4.hi), {p4.lo, 0.0})));
}

// tan(qπ/2 + r) for 0 <= r <= π/4 (with a little to spare) given as a double-double: with c = j/64 the
// nearest table point and d = r - c, tan r = (tan c + tan d) / (1 - tan c tan d), and for odd q the
// negated reciprocal. The bound covers the correction term's 2^-50 through either quotient.
estimate tan_reduced(dd r, bool odd) {
    const int j = static_cast<int>(r.hi * 64.0 + 0.5);
    const dd d = two_sum(r.hi - j / 64.0, r.lo);
    const double correction = d.hi * (d.hi * d.hi) * tan_series(d.hi * d.hi);
    const dd tan_d = {d.hi, d.lo + correction};
    // |tan d| <= 2^-7 is smaller than 1 and than tan c (unless that is 0): the cheaper sums are exact.
    const dd t = tan_table[j];
    const dd numerator = add_smaller(t, tan_d);
    const dd denominator = add_smaller({1.0, 0.0}, negated(mul(t, tan_d)));
    const dd v = odd ? negated(div(denominator, numerator)) : div(numerator, denominator);
    const double h = std::fabs(v.hi);
    const double spread = odd ? h * h + h : 1.0 + h;
    return {v, 0x1p-48 * std::fabs(correction) * spread + 0x1p-97 * h};
}

} // namespace

double exact_atan(double x) {
    const double a = std::fabs(x);
    // Below 2^-27, x^3/3 is less than half the distance from x to its neighbours: the result is x itself
    // (zeros with their sign, and NaN, pass through too).
    if (!(a >= 0x1p-27)) {
        return x;
    }
    // Above 2^55, π/2 - 1/x rounds to the double nearest π/2 (infinities included).
    if (a > 0x1p55) {
        return std::copysign(half_pi.hi, x);
    }
    const estimate e = atan_estimate(a);
    double result = decided(e.value, e.error);
    if (std::isnan(result)) {
        result = wide_atan(a, a > 1.0 ? half_pi.hi - e.value.hi : e.value.hi);
    }
    return std::copysign(result, x);
}

double exact_tan(double x) {
    const double a = std::fabs(x);
    // Below 2^-27, x^3/3 is less than half the distance from x to its neighbours (zeros and NaN pass too).
    if (!(a >= 0x1p-27)) {
        return x;
    }
    if (std::isinf(a)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    double result = std::numeric_limits<double>::quiet_NaN();
    if (a < quick_reduction_limit) {
        const int k = static_cast<int>(a * two_over_pi + 0.5);
        dd r = reduced(a, k);
        double sign = 1.0;
        if (r.hi < 0.0) {
            sign = -1.0;
            r = negated(r);
        }
        // Closer to a multiple of π/2 than 2^-70, the reduction's own error could matter; no double below
        // the limit comes that close, but the careful path would still be right.
        if (r.hi >= 0x1p-70) {
            const estimate e = tan_reduced(r, k % 2 != 0);
            result = sign * decided(e.value, e.error);
        }
    }
    if (std::isnan(result)) {
        result = wide_tan(a);
    }
    return std::copysign(1.0, x) * result;
}
