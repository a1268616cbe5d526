#pragma once

// numerator / denominator to the nearest whole number, halves to the even
// neighbour, worked in whole numbers so that a true half is never a hair off
// as it can be in floating point. The denominator must be positive.
constexpr long long DividedHalfEven(long long numerator, long long denominator)
{
    long long quotient = numerator / denominator;
    long long remainder = numerator % denominator;
    if (remainder < 0) {
        remainder += denominator;
        --quotient;
    }
    // remainder / denominator is the fraction above the quotient, in [0, 1).
    if (2 * remainder > denominator || (2 * remainder == denominator && quotient % 2 != 0))
        ++quotient;
    return quotient;
}

static_assert(DividedHalfEven(5, 2) == 2 && DividedHalfEven(7, 2) == 4 && DividedHalfEven(-5, 2) == -2
              && DividedHalfEven(-15, 2) == -8 && DividedHalfEven(26, 10) == 3);
