#include "optics/exact_trig_wide.h"

#include <cmath>
#include <cstdint>

// Numbers here are 288-bit two's complement integers read as multiples of 2^-256: 32 bits before the binary
// point, 256 after. Every operation truncates below 2^-256, so a result computed with a few dozen operations
// is within about 2^-248 of the true value. The results rounded here are at least 2^-61 in magnitude (no
// double comes closer to a multiple of π/2, and atan's arguments here are at least 2^-27), so each is known
// to a relative 2^-180 or better. The hardest arguments to round known for these functions lie 2^-131 from
// the middle between two doubles (78 equal bits after the rounding bit): the rounding below is the correct
// one for every double unless one lies closer to such a middle than any known, and even then it is the same
// on every platform.

namespace {

using limb = std::uint32_t;
constexpr int limbs = 9;
constexpr int fraction_bits = 256;

struct wide {
    limb w[limbs] = {}; // least significant first
};

// π/2 and 2/π, as MPFR gives them.
const wide half_pi = {
    {0x76273644, 0x04177d4c, 0x14cf98e8, 0x52049c11, 0x01b839a2, 0x898cc517, 0x42d18469, 0x921fb544, 1}};
const limb two_over_pi[] = {0xa2f9836e, 0x4e441529, 0xfc2757d1, 0xf534ddc0, 0xdb629599, 0x3c439041,
                            0xfe5163ab, 0xdebbc561, 0xb7246e3a, 0x424dd2e0, 0x06492eea, 0x09d1921c,
                            0xfe1deb1c, 0xb129a73e, 0xe88235f5, 0x2ebb4484, 0xe99c7026, 0xb45f7e41,
                            0x3991d639, 0x835339f4, 0x9c845f8b, 0xbdf9283b, 0x1ff897ff, 0xde05980f,
                            0xef2f118b, 0x5a0a6d1f, 0x6d367ecf, 0x27cb09b7, 0x4f463f66, 0x9e5fea2d,
                            0x7527bac7, 0xebe5f17b, 0x3d0739f7, 0x8a5292ea, 0x6bfb5fb1, 0x1f8d5d08,
                            0x56033046, 0xfc7b6bab, 0xf0cfbc20, 0x9af4361d, 0xa9e39161, 0x5ee61b08};
constexpr int two_over_pi_limbs = sizeof two_over_pi / sizeof two_over_pi[0];

wide one() {
    wide r;
    r.w[limbs - 1] = 1;
    return r;
}

bool negative(const wide& a) {
    return (a.w[limbs - 1] >> 31) != 0;
}

bool is_zero(const wide& a) {
    for (limb l : a.w) {
        if (l != 0) {
            return false;
        }
    }
    return true;
}

bool bit(const wide& a, int i) {
    return ((a.w[i / 32] >> (i % 32)) & 1U) != 0;
}

void set_bit(wide& a, int i) {
    a.w[i / 32] |= limb{1} << (i % 32);
}

int top_bit(const wide& a) {
    for (int i = limbs * 32 - 1; i >= 0; --i) {
        if (bit(a, i)) {
            return i;
        }
    }
    return -1;
}

wide add(const wide& a, const wide& b) {
    wide r;
    std::uint64_t carry = 0;
    for (int i = 0; i < limbs; ++i) {
        const std::uint64_t s = std::uint64_t{a.w[i]} + b.w[i] + carry;
        r.w[i] = static_cast<limb>(s);
        carry = s >> 32;
    }
    return r;
}

wide negate(const wide& a) {
    wide r;
    std::uint64_t carry = 1;
    for (int i = 0; i < limbs; ++i) {
        const std::uint64_t s = std::uint64_t{static_cast<limb>(~a.w[i])} + carry;
        r.w[i] = static_cast<limb>(s);
        carry = s >> 32;
    }
    return r;
}

wide sub(const wide& a, const wide& b) {
    return add(a, negate(b));
}

wide magnitude(const wide& a) {
    return negative(a) ? negate(a) : a;
}

// The bits of a non-negative number moved by `shift` places (left when positive), those that fall off
// dropped.
wide shifted(const wide& a, int shift) {
    wide r;
    for (int i = 0; i < limbs * 32; ++i) {
        const int to = i + shift;
        if (bit(a, i) && to >= 0 && to < limbs * 32) {
            set_bit(r, to);
        }
    }
    return r;
}

// Product truncated toward zero.
wide mul(const wide& a, const wide& b) {
    const wide x = magnitude(a);
    const wide y = magnitude(b);
    limb full[2 * limbs] = {};
    for (int i = 0; i < limbs; ++i) {
        std::uint64_t carry = 0;
        for (int j = 0; j < limbs; ++j) {
            const std::uint64_t t = std::uint64_t{x.w[i]} * y.w[j] + full[i + j] + carry;
            full[i + j] = static_cast<limb>(t);
            carry = t >> 32;
        }
        full[i + limbs] = static_cast<limb>(carry);
    }
    wide r;
    for (int i = 0; i < limbs; ++i) {
        r.w[i] = full[i + fraction_bits / 32];
    }
    return negative(a) != negative(b) ? negate(r) : r;
}

// Quotient by a small positive integer, truncated toward zero.
wide div_small(const wide& a, limb d) {
    wide r = magnitude(a);
    std::uint64_t rest = 0;
    for (int i = limbs - 1; i >= 0; --i) {
        const std::uint64_t current = (rest << 32) | r.w[i];
        r.w[i] = static_cast<limb>(current / d);
        rest = current % d;
    }
    return negative(a) ? negate(r) : r;
}

// Exact for the doubles used here: magnitude below 2^31, no bits below 2^-256.
wide from_double(double x) {
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(x), &exponent);
    const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    wide m;
    m.w[0] = static_cast<limb>(mantissa);
    m.w[1] = static_cast<limb>(mantissa >> 32);
    const wide r = shifted(m, exponent - 53 + fraction_bits);
    return x < 0.0 ? negate(r) : r;
}

// A positive number times 2^scale, rounded to the nearest double (ties to even).
double to_double(const wide& a, int scale) {
    const int top = top_bit(a);
    std::uint64_t mantissa = 0;
    for (int i = top; i > top - 53; --i) {
        mantissa = (mantissa << 1) | (i >= 0 && bit(a, i) ? 1U : 0U);
    }
    const int round_bit = top - 53;
    bool sticky = false;
    for (int i = round_bit - 1; i >= 0; --i) {
        sticky = sticky || bit(a, i);
    }
    if (round_bit >= 0 && bit(a, round_bit) && (sticky || (mantissa & 1U) != 0)) {
        ++mantissa;
    }
    return std::ldexp(static_cast<double>(mantissa), top - 52 - fraction_bits + scale);
}

// Taylor series of both, for |y| <= 1; each term is the last one times -y^2 over the next two factorial
// steps.
void sin_cos(const wide& y, wide* s, wide* c) {
    const wide minus_y2 = negate(mul(y, y));
    wide term = y;
    *s = y;
    for (limb n = 2; !is_zero(term); n += 2) {
        term = div_small(mul(term, minus_y2), n * (n + 1));
        *s = add(*s, term);
    }
    term = one();
    *c = term;
    for (limb n = 1; !is_zero(term); n += 2) {
        term = div_small(mul(term, minus_y2), n * (n + 1));
        *c = add(*c, term);
    }
}

// 1 / d for 1/2 <= d < 1, by Newton's iteration z += z (1 - d z), which doubles the correct bits each time.
wide reciprocal(const wide& d) {
    wide z = from_double(1.0 / to_double(d, 0));
    for (int i = 0; i < 4; ++i) {
        z = add(z, mul(z, sub(one(), mul(d, z))));
    }
    return z;
}

// A positive number moved so that it lies in [1/2, 1); the returned count of places moved left.
int normalize(wide* a) {
    const int places = fraction_bits - 1 - top_bit(*a);
    *a = shifted(*a, places);
    return places;
}

// n / d for positive n and d, rounded to the nearest double.
double rounded_quotient(wide n, wide d) {
    const int n_places = normalize(&n);
    const int d_places = normalize(&d);
    return to_double(mul(n, reciprocal(d)), d_places - n_places);
}

// a * 2/π modulo 4 (Payne and Hanek): with a = m 2^e, only the bits of 2/π from about 2^-e on matter, since
// the earlier ones give multiples of 4; each limb of the table times m is added at its place.
wide quadrants(double a) {
    int exponent = 0;
    const double fraction = std::frexp(a, &exponent);
    const auto m = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    exponent -= 53;
    wide sum;
    for (int i = 0; i < two_over_pi_limbs; ++i) {
        const int place = exponent + fraction_bits - 32 * (i + 1);
        if (place >= limbs * 32 || place <= -96) {
            continue;
        }
        const std::uint64_t low = (m & 0xffffffffU) * two_over_pi[i];
        const std::uint64_t high = (m >> 32) * two_over_pi[i];
        const std::uint64_t middle = (low >> 32) + (high & 0xffffffffU);
        wide product;
        product.w[0] = static_cast<limb>(low);
        product.w[1] = static_cast<limb>(middle);
        product.w[2] = static_cast<limb>((middle >> 32) + (high >> 32));
        sum = add(sum, shifted(product, place));
    }
    sum.w[limbs - 1] &= 3U;
    return sum;
}

} // namespace

double wide_atan(double a, double start) {
    const bool inverted = a > 1.0;
    wide t;
    if (inverted) {
        int exponent = 0;
        const double fraction = std::frexp(a, &exponent);
        t = shifted(reciprocal(from_double(fraction)), -exponent);
    } else {
        t = from_double(a);
    }
    // Newton's iteration on tan y = t, with the derivative 1 + tan^2 y = 1 / cos^2 y folded in so that no
    // division is needed: y -= sin y cos y - t cos^2 y. Three steps take 50 correct bits past 256.
    wide y = from_double(start);
    for (int i = 0; i < 3; ++i) {
        wide s;
        wide c;
        sin_cos(y, &s, &c);
        y = sub(y, sub(mul(s, c), mul(t, mul(c, c))));
    }
    return to_double(inverted ? sub(half_pi, y) : y, 0);
}

double wide_tan(double a) {
    // The nearest multiple q of π/2 and the rest r = (a 2/π - q) π/2, within π/4 of zero.
    wide rest = quadrants(a);
    limb q = rest.w[limbs - 1];
    rest.w[limbs - 1] = 0;
    if (bit(rest, fraction_bits - 1)) {
        rest = sub(rest, one());
        ++q;
    }
    wide s;
    wide c;
    sin_cos(mul(rest, half_pi), &s, &c);
    const double sign = negative(s) ? -1.0 : 1.0;
    s = magnitude(s);
    return (q % 2 == 0) ? sign * rounded_quotient(s, c) : -sign * rounded_quotient(c, s);
}
