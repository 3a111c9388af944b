#pragma once

#include "BiquadRecursion.h"

/**
    Fixed bell at 2 kHz, +20 dB at its centre, 0.7 octave wide: the peaking equaliser of the
    bilinear-transform cookbook with the bandwidth form of alpha. The engine runs one per channel
    on copies of the input that feed level detection (filter mode 3); the audio is not filtered.

    The coefficients depend on the sample rate only, so they are worked out once at
    construction; per sample the filter is a direct form I recursion in single precision.
*/
class PeakingFilter
{
public:
    explicit PeakingFilter (float sampleRate) noexcept;

    /** Filters one sample in place and advances the history. */
    void processSample (float& x) noexcept { x = biquad::step (x, b0, b1, b2, a1, a2, x1, x2, y1, y2); }

    /** As HighPassBiquad::snapToZero. */
    void snapToZero() noexcept { biquad::snapToZero (x1, x2, y1, y2); }

    /** As HighPassBiquad::snapToZeroWhenDecayed. */
    void snapToZeroWhenDecayed() noexcept { biquad::snapToZeroWhenDecayed (x1, x2, y1, y2); }

    /** Restarts from silence; the coefficients stay. */
    void clearHistory() noexcept { x1 = x2 = y1 = y2 = 0.0f; }

    float a1 = 0.0f, a2 = 0.0f, b0 = 0.0f, b1 = 0.0f, b2 = 0.0f;
    float x1 = 0.0f, x2 = 0.0f, y1 = 0.0f, y2 = 0.0f;
    float sampleRate = 0.0f;
};
