#pragma once

#include "VectorPaths.h"

/*
    ExactMath over arrays, several lanes at a time: each result is the C library's double function
    rounded to float, bit for bit. The logarithms are the engine's own (see naturalLog in
    VectorKernels.h), the exponentials and arctangents SLEEF's.

    A lane keeps the vector result only when every value within an error bound around it rounds to
    the same float; the bounds, in VectorPaths.h (gate), add the vector estimate's error to the C
    library's own, with room: the engine's log10 within 5.63e-16 (measured over every float),
    SLEEF's exp within 1.0 ULP and atan within 3.5 ULP (documented), glibc's log10, pow and atan
    within 2 ULP (its documented bounds; the tests compare millions of results). Any other lane,
    about one in a million, gets the plain formula's result, as ExactMath's scalar functions do;
    so does every lane whose input lies outside the functions' ranges.

    Three paths give the same floats: eight lanes where the CPU has AVX-512F (with AVX2 and FMA),
    four where it has AVX2 and FMA (the engine's own check, at run time), two with SSE2 everywhere else. Each lives
    in a file of its own compiled for its instructions (see VectorPaths.h).
*/
namespace vectorexactmath
{
/** The widest path this machine can take: 8, 4 or 2 lanes. */
int availableLanes() noexcept;

/** The path the functions take now: the widest available within the limit. */
int lanesInUse() noexcept;

/** Keeps every call at most this many lanes wide (2, 4 or 8), as on a machine without the wider
    instructions; for tests and benchmarks. The limit starts at the environment variable
    VELK_VECTOR_LANES (2 or 4), else at 8. */
void limitLanes (int lanes) noexcept;

/** How many lanes so far took the scalar result because the vector result could not be trusted
    (process-wide, for tests). */
long fallbackCount() noexcept;

/** out[i] = (float) std::log10 ((double) x[i]). */
void log10ToFloat (const float* x, float* out, int count) noexcept;

/** The double estimates of log10 that the gates round, for count positive normal floats (a
    last partial vector is left alone), on the path in use: for the tool that checks them. */
void log10Estimates (const float* x, double* out, int count) noexcept;

/** out[i] = (float) std::pow (10.0, y[i]). */
void pow10ToFloat (const double* y, float* out, int count) noexcept;

/** The power a silent side counts as in the linked level: the C library's 10^(-110 / 20). */
double silentSidePower() noexcept;

/**
    The linked level of envelope pairs, as GainComputer links them: (float) ((std::pow (10.0,
    dBl / 20.0) + std::pow (10.0, dBr / 20.0)) * 0.5), each side's level in dB being
    20 * (float) log10 (envelope) in single precision, or -110 for an envelope of 0. Also each
    lane's double before its rounding and that value's relative error bound, which the tests
    measure against a more precise reference; a lane left to the scalar formula has its double
    and a bound of 0.
*/
void linkedLevels (const float* envelopeLeft, const float* envelopeRight, float* out, double* estimates, double* bounds, int count) noexcept;

/** out[i] = (float) std::atan (x[i]). */
void atanToFloat (const double* x, float* out, int count) noexcept;

/** Colouring curve mode (0, 3 or 4; see AtanShapes.h) on count samples in place, all but the
    uncertain lanes: their indices go to redo (room for count), their samples stay, and the
    number of them is returned. */
int atanShape (int mode, float* samples, int count, float g, int* redo) noexcept;

/** GainComputer::linkedGain's result for count envelope pairs, all but the uncertain lanes: their
    indices go to redo (room for count), and the number of them is returned. */
int linkedGains (const float* envelopeLeft, const float* envelopeRight, float* gains, int count, const GainCurve& curve, int* redo) noexcept;
} // namespace vectorexactmath
