#pragma once

/*
    ExactMath over arrays, several lanes at a time with SLEEF's vector functions: each result is
    the C library's double function rounded to float, bit for bit.

    The bounds relied on: SLEEF's log, exp and atan (the _u10 functions) are documented to be
    within 1.0 ULP of the exact value; the C library's log10, pow and atan are within 2 ULP
    (glibc's documented bounds; the tests compare millions of results). A lane keeps the vector
    result only when every value within ExactMath's error bound around it rounds to the same
    float: 4e-15 relative for the logarithm, |argument| * 2.3e-16 + 1e-15 for the powers (the
    argument's rounding scaled by its size, plus the two libraries' errors), 3e-16 more for the
    mean of two. Those are the scalar functions' own bounds, which hold with SLEEF's functions
    in place of the C library's exp and log, as both are within 1 ULP. Any other lane, about one
    in a million, gets the C library's result, as ExactMath's scalar functions do; so does every
    lane whose input lies outside the functions' ranges. Leftover lanes finish with those scalar
    functions.

    Where the CPU has AVX2 and FMA (the engine's own check, at run time), four lanes at a time go
    through SLEEF's AVX2 functions, in a file of its own compiled for AVX2; elsewhere two lanes
    through SLEEF's 128-bit functions. Both give the same floats: the C library's.
*/
namespace vectorexactmath
{
/** True where this machine can take the four-lane path. */
bool hasWidePath() noexcept;

/** How many lanes so far took the C library's result because the vector result could not be
    trusted (process-wide, for tests). */
long fallbackCount() noexcept;

/** Counts one such lane; the four-lane path's file calls it too. */
void countFallback() noexcept;

/** Lets the four-lane path run (the default) or keeps every call on the two-lane path, as on a
    machine without AVX2; for tests. */
void allowWidePath (bool allowed) noexcept;

/** out[i] = (float) std::log10 ((double) x[i]). */
void log10ToFloat (const float* x, float* out, int count) noexcept;

/** out[i] = (float) std::pow (10.0, y[i]). */
void pow10ToFloat (const double* y, float* out, int count) noexcept;

/** out[i] = (float) ((std::pow (10.0, y1[i]) + std::pow (10.0, y2[i])) * 0.5). */
void meanOfPow10ToFloat (const double* y1, const double* y2, float* out, int count) noexcept;

/** out[i] = (float) std::atan (x[i]). SLEEF's atan is within 1.0 ULP and the C library's within
    1 ULP; a lane keeps the vector result where the interval of relative width 1e-15 around it
    (about three times the two errors together) rounds to one float. */
void atanToFloat (const double* x, float* out, int count) noexcept;
} // namespace vectorexactmath
