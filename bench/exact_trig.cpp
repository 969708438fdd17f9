// The long run of our correctly rounded atan and tan: N random arguments each (10^8 unless given), drawn as
// the MPFR test draws them (uniform angles under 8 and log-uniform magnitudes from 2^-30 to 2^60), on every
// core. Prints the count of results that differ from MPFR's (which must be 0) and the time it took.
#include <mpfr.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

#include "optics/exact_trig.h"

namespace {

bool same(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b) ||
           (std::isnan(a) && std::isnan(b));
}

long misrounded_in(long count, unsigned seed) {
    std::mt19937_64 engine(seed);
    std::uniform_real_distribution<double> angle(-8.0, 8.0);
    std::uniform_real_distribution<double> exponent(-30.0, 60.0);
    mpfr_t v;
    mpfr_init2(v, 53);
    long misrounded = 0;
    for (long i = 0; i < count; ++i) {
        const double x =
            i % 2 == 0 ? angle(engine) : std::copysign(std::exp2(exponent(engine)), angle(engine));
        mpfr_set_d(v, x, MPFR_RNDN);
        mpfr_atan(v, v, MPFR_RNDN);
        misrounded += same(exact_atan(x), mpfr_get_d(v, MPFR_RNDN)) ? 0 : 1;
        mpfr_set_d(v, x, MPFR_RNDN);
        mpfr_tan(v, v, MPFR_RNDN);
        misrounded += same(exact_tan(x), mpfr_get_d(v, MPFR_RNDN)) ? 0 : 1;
    }
    mpfr_clear(v);
    mpfr_free_cache();
    return misrounded;
}

} // namespace

int main(int argc, char** argv) {
    const long count = argc > 1 ? std::atol(argv[1]) : 100000000L;
    const unsigned workers = std::max(1U, std::thread::hardware_concurrency());
    const auto start = std::chrono::steady_clock::now();
    std::atomic<long> misrounded = 0;
    std::vector<std::thread> threads;
    for (unsigned w = 0; w < workers; ++w) {
        threads.emplace_back([&, w] { misrounded += misrounded_in(count / workers, 1000 + w); });
    }
    for (auto& t : threads) {
        t.join();
    }
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("%ld misrounded of %ld atan and %ld tan results, %.0f s on %u threads\n", misrounded.load(),
                count / workers * workers, count / workers * workers, seconds.count(), workers);
    return misrounded == 0 ? 0 : 1;
}
