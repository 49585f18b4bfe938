// Continued-fraction approximation used to show calibration gains as fractions.
#include "dump/cal/rat_approx.h"

#include <cmath>

namespace imgforge {

namespace {

constexpr int64_t max_scale = int64_t(1) << 62;
constexpr int max_steps = 64;

// Truncates toward zero, saturating at the int64 range; NaN gives 0.
int64_t to_int64_sat(double f)
{
    constexpr double limit = 9223372036854775808.0; // 2^63
    if (std::isnan(f))
        return 0;
    if (f >= limit)
        return INT64_MAX;
    if (f <= -limit)
        return INT64_MIN;
    return int64_t(f);
}

struct convergents {
    int64_t h_prev = 0, h = 1, k_prev = 1, k = 0;
};

// Partial quotient of d/n, 0 once the remainder is exhausted.
int64_t quotient(int64_t d, int64_t n)
{
    return n ? d / n : 0;
}

// Runs the expansion of d/n (d >= 0, n >= 1) and leaves the approximation in
// c.h / c.k. All terms stay within d and n, so nothing overflows.
void expand(int64_t d, int64_t n, int64_t md, convergents &c)
{
    for (int i = 0;;) {
        int64_t a = quotient(d, n);
        if (i != 0 && a == 0)
            return;
        int64_t k_next = a * c.k + c.k_prev;
        if (k_next >= md) {
            int64_t x = (md - c.k_prev) / c.k;
            if (x >= a - a / 2 || c.k >= md) { // 2x >= a, without doubling x
                c.h = x * c.h + c.h_prev;
                c.k = x * c.k + c.k_prev;
            }
            return;
        }
        int64_t h_next = a * c.h + c.h_prev;
        if (++i == max_steps) {
            c.h = h_next;
            c.k = k_next;
            return;
        }
        int64_t r = d % n;
        d = n;
        n = r;
        c.h_prev = c.h;
        c.h = h_next;
        c.k_prev = c.k;
        c.k = k_next;
    }
}

} // namespace

void rat_approx(double f, int64_t md, int64_t &num, int64_t &denom)
{
    if (md <= 1) {
        num = to_int64_sat(f);
        denom = 1;
        return;
    }
    bool negative = f < 0;
    if (negative)
        f = -f;
    int64_t n = 1;
    while (std::floor(f) != f && n < max_scale) {
        f *= 2;
        n *= 2;
    }
    convergents c;
    expand(to_int64_sat(f), n, md, c);
    num = negative ? -c.h : c.h;
    denom = c.k;
}

} // namespace imgforge
