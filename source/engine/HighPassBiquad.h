#pragma once

#include "BiquadRecursion.h"

/**
    Fixed second-order high-pass at 80 Hz: the analogue prototype s^2 / (s^2 + 1.5 s + 1)
    (Q = 2/3) through the bilinear transform with prewarping, run in direct form I in single
    precision. The engine uses one per channel, on the detector input in filter mode 1 and on the
    audio in filter mode 2; both modes share the same history.
*/
class HighPassBiquad
{
public:
    explicit HighPassBiquad (float sampleRate) noexcept;

    /** Filters one sample and advances the history. */
    float processSample (float x) noexcept { return biquad::step (x, b0, b1, b2, a1, a2, x1, x2, y1, y2); }

    /** Sets subnormal history values to zero (see biquad::snapToZero), for a caller that knows
        they cannot reach an output sample; the engine uses snapToZeroWhenDecayed. */
    void snapToZero() noexcept { biquad::snapToZero (x1, x2, y1, y2); }

    /** snapToZero once the last output has decayed below the smallest normal float. */
    void snapToZeroWhenDecayed() noexcept { biquad::snapToZeroWhenDecayed (x1, x2, y1, y2); }

    /** Restarts from silence; the coefficients stay. */
    void clearHistory() noexcept { x1 = x2 = y1 = y2 = 0.0f; }

    float damping = 1.5f;
    float k = 0.0f;
    float b0 = 0.0f, b1 = 0.0f, b2 = 0.0f;
    float a1 = 0.0f, a2 = 0.0f;
    float x1 = 0.0f, x2 = 0.0f;
    float y1 = 0.0f, y2 = 0.0f;
};
