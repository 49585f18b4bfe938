// Rational approximation of a real number with a bounded denominator, by its
// continued fraction.
#ifndef IMGFORGE_DUMP_CAL_RAT_APPROX_H
#define IMGFORGE_DUMP_CAL_RAT_APPROX_H

#include <cstdint>

namespace imgforge {

// Approximates f by num/denom with 1 <= denom <= max(md, 1), walking the
// continued fraction of f. At the bound it takes the semiconvergent when its
// multiplier is at least half the partial quotient, else the last
// convergent. That is close but not always the closest fraction: at the tie
// (twice the multiplier equal to the quotient) the semiconvergent is taken
// even when the convergent is nearer, so 0.5795567 with md 3 gives 2/3,
// while 1/2 is closer. With md <= 1 the result is f truncated toward zero
// over 1.
//
// f is first scaled by doubling until it is an integer, at most up to 2^62;
// smaller fractional parts are truncated, so tiny magnitudes come out as 0/1.
// Magnitudes of 2^63 and above saturate the numerator to INT64_MAX (INT64_MIN
// below -2^63 when md <= 1, else -INT64_MAX). NaN gives 0/1.
void rat_approx(double f, int64_t md, int64_t &num, int64_t &denom);

} // namespace imgforge

#endif
