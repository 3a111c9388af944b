#pragma once

#include <atomic>
#include <cmath>

/*
    Single-precision results of double-precision functions, fast and still exact.

    The engine's formulas take log10 and pow in double precision and round the result to
    single precision. Each function here computes a cheaper double approximation whose relative
    error has a proven bound, and returns its rounding to float only when every value within
    that bound (the C library's own result among them, which lies within a few units in the last
    place of the exact value) rounds to the same float. Otherwise, about once in a million
    calls, it returns the C library's result itself. Either way the float is the one that the
    plain formula gives.
*/
namespace exactmath
{
/** How many results came from the C library itself since the program started: the tests read it
    to see each gate apply its whole bound. */
inline std::atomic<long> fallbacks { 0 };

inline long fallbackCount() noexcept
{
    return fallbacks.load (std::memory_order_relaxed);
}

namespace detail
{
/** The relative bound of log10's estimate: the library's log within 1 ULP, the scaling 1 more,
    the library's log10 within 2 (an ULP is 2.22e-16 relative): 8.9e-16, with room. */
constexpr double log10Bound = 1.3e-15;
/** The bound of exp (y ln 10) as 10^y, per unit of |y ln 10| (the product's two roundings,
    2.2e-16) and as a base (the library's exp within 1 ULP and pow within 2, 6.7e-16), with
    room. */
constexpr double powerPerArgument = 2.9e-16, powerBase = 9.0e-16;
/** The mean of two powers: its sums and the formula's, rounded. */
constexpr double sumBound = 3.0e-16;

inline void countFallback() noexcept
{
    fallbacks.fetch_add (1, std::memory_order_relaxed);
}

/** The rounding of value to float, if the whole interval value * (1 +- relativeError)
    rounds to it; the caller falls back otherwise. */
inline bool roundsUniquely (double value, double relativeError, float& result) noexcept
{
    const double spread = std::fabs (value) * relativeError;
    const float low = (float) (value - spread);
    const float high = (float) (value + spread);
    result = low;
    return low == high;
}
} // namespace detail

/** (float) std::log10 ((double) x). */
inline float log10ToFloat (float x) noexcept
{
    // Positive normal floats only.
    if (x >= 0x1p-126f && x <= 0x1.fffffep127f)
    {
        float result;
        if (detail::roundsUniquely (std::log ((double) x) * (1.0 / M_LN10), detail::log10Bound, result))
            return result;
        detail::countFallback();
    }
    return (float) std::log10 ((double) x);
}

namespace detail
{
/** Relative error bound of std::exp (y * ln 10) as a value of 10^y: the rounding of the
    argument scaled by its size, plus the two libraries' own errors. */
inline double pow10Error (double argument) noexcept
{
    return std::fabs (argument) * powerPerArgument + powerBase;
}
} // namespace detail

/** (float) std::pow (10.0, y), for |y| up to about 37. */
inline float pow10ToFloat (double y) noexcept
{
    const double argument = y * M_LN10;
    if (std::fabs (argument) < 85.0)
    {
        float result;
        if (detail::roundsUniquely (std::exp (argument), detail::pow10Error (argument), result))
            return result;
        detail::countFallback();
    }
    return (float) std::pow (10.0, y);
}

/** (float) ((std::pow (10.0, y1) + std::pow (10.0, y2)) * 0.5), the two powers and their sum in
    double, rounded once. */
inline float meanOfPow10ToFloat (double y1, double y2) noexcept
{
    const double argument1 = y1 * M_LN10;
    const double argument2 = y2 * M_LN10;
    if (std::fabs (argument1) < 85.0 && std::fabs (argument2) < 85.0)
    {
        // Both terms are positive, so the sum's relative error is at most the larger term's,
        // plus the rounding of the two sums.
        const double error = std::fmax (detail::pow10Error (argument1), detail::pow10Error (argument2)) + detail::sumBound;
        float result;
        if (detail::roundsUniquely ((std::exp (argument1) + std::exp (argument2)) * 0.5, error, result))
            return result;
        detail::countFallback();
    }
    return (float) ((std::pow (10.0, y1) + std::pow (10.0, y2)) * 0.5);
}
} // namespace exactmath
