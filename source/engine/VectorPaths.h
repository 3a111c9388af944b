#pragma once

/*
    The entry points of the vector paths, one set per lane width, each set in a file of its own
    compiled for its instructions: two lanes (SSE2, every x86-64 machine), four (AVX2 and FMA) and
    eight (AVX-512F). VectorExactMath chooses one at run time and gives the public functions.

    Plain declarations only: the files compiled for AVX2 or AVX-512 include this header, and no
    inline code may come from it (an inline function compiled there could be linked into code that
    runs on any machine).

    Each function works on count values (any count; a last partial vector is padded) and stores
    every lane whose vector result is certain. The others are left to the caller, which computes
    them with the scalar functions: their indices go to redo, and the number of them is returned.
    linkedLevels also writes every lane's double before its rounding, and that value's bound.
*/
namespace vectorexactmath
{
/** The gain curve's settings, worked out once per call of linkedGains. */
struct GainCurve
{
    /** The mean envelope at or under which the gain is exactly 1 (margin included), the
        envelope that a silent side counts as in that mean (-110 dB), and the power that it
        counts as in the linked level (the C library's 10^-5.5). */
    double belowThresholdEnvelope, silentEnvelope, silentPower;
    float thresholdDb;
    /** 1 - 1 / ratio in single precision, or 1 for the limiter. */
    float slope;
    bool hasKnee;
    /** The knee's ends in double, and in single with the top no higher than 0 dB. */
    double kneeLow, kneeHigh;
    float kneeLowSingle, kneeTopSingle;
};

/**
    The exactness gates' relative error bounds: a lane keeps its vector result only where every
    value within the bound around it rounds to one float. Each bound covers two errors (the
    vector estimate's and the C library's own, as the formula's result is the library's,
    rounded), their sum given below, with about a third more as room; the tests feed inputs whose
    exact results lie between half the bound and the bound from a float midpoint and see those
    lanes fall back, so each gate applies its whole bound. One ULP here is 2^-52 relative,
    2.22e-16.
*/
namespace gate
{
/** log10: the engine's own logarithm, scaled by log10 (e), within 5.63e-16 of the exact log10
    (the largest error over every positive normal float, from tools/gatecases --check-log), the
    library's log10 within 2 ULP: 1.01e-15. */
constexpr double log10Bound = 1.3e-15;
/** atan: SLEEF's within 3.5 ULP, the library's within 2: 1.22e-15. */
constexpr double atanBound = 1.6e-15;
/** 10^y as exp (y ln 10), per unit of |y ln 10|: the product's two roundings (2.2e-16) and a y
    within 2.8e-16 relative of the formula's (decibels * 0.05 for decibels / 20): 5.0e-16. */
constexpr double powerPerArgument = 6.5e-16;
/** 10^y: SLEEF's exp within 1 ULP, the library's pow within 2: 6.7e-16. */
constexpr double powerBase = 9.0e-16;
/** A side's power in the linked level (see powerOfLevel in VectorKernels.h), per unit of
    |dB / 20|: the exponent within 2.8e-16 and the logarithm within 5.63e-16 of theirs, times
    ln 10: 1.94e-15. */
constexpr double levelPerExponent = 2.5e-15;
/** A side's power: its arithmetic (5e-16) and the library's pow (2 ULP): 9.4e-16. */
constexpr double levelBase = 1.2e-15;
/** The linked level's mean: its two sums and the formula's, rounded: 2.2e-16. */
constexpr double levelSum = 3.0e-16;
} // namespace gate

#define VELK_VECTOR_PATH_ENTRY_POINTS(path)                                                                  \
    namespace path                                                                                           \
    {                                                                                                        \
    int log10ToFloat (const float* x, float* out, int count, int* redo) noexcept;                            \
    void log10Estimates (const float* x, double* out, int count) noexcept;                                   \
    int pow10ToFloat (const double* y, float* out, int count, int* redo) noexcept;                           \
    int linkedLevels (const float* envelopeLeft, const float* envelopeRight, double silentPower, float* out, \
                      double* estimates, double* bounds, int count, int* redo) noexcept;                     \
    int atanToFloat (const double* x, float* out, int count, int* redo) noexcept;                            \
    int atanShape (int mode, float* samples, int count, float g, int* redo) noexcept;                        \
    int linkedGains (const float* envelopeLeft, const float* envelopeRight, float* gains, int count,         \
                     const GainCurve& curve, int* redo) noexcept;                                            \
    }

VELK_VECTOR_PATH_ENTRY_POINTS (lanes2)
VELK_VECTOR_PATH_ENTRY_POINTS (lanes4)
VELK_VECTOR_PATH_ENTRY_POINTS (lanes8)

#undef VELK_VECTOR_PATH_ENTRY_POINTS
} // namespace vectorexactmath
