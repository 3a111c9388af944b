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

#define VELK_VECTOR_PATH_ENTRY_POINTS(path)                                                                  \
    namespace path                                                                                           \
    {                                                                                                        \
    int log10ToFloat (const float* x, float* out, int count, int* redo) noexcept;                            \
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
