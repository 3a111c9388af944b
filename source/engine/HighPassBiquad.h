#pragma once

#include <cmath>
#include <limits>

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
    float processSample (float x) noexcept
    {
        // Summed left to right in exactly this order.
        const float y = b1 * x1 + b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }

    /**
        Sets history values below the smallest normal float to zero. In silence after a burst the
        recursion otherwise decays into, and can stay in, the subnormal range, where arithmetic is
        many times slower. The engine calls it only where such values cannot reach an output sample.
    */
    void snapToZero() noexcept;

    /** snapToZero, but only once the last output has decayed below the smallest normal float:
        one comparison per sample while a signal passes. */
    void snapToZeroWhenDecayed() noexcept
    {
        // A history of exact zeros (silence) has nothing to flush: no call on every sample.
        if (std::fabs (y1) < std::numeric_limits<float>::min() && (x1 != 0.0f || x2 != 0.0f || y1 != 0.0f || y2 != 0.0f))
            snapToZero();
    }

    /** Restarts from silence; the coefficients stay. */
    void clearHistory() noexcept { x1 = x2 = y1 = y2 = 0.0f; }

    float damping = 1.5f;
    float k = 0.0f;
    float b0 = 0.0f, b1 = 0.0f, b2 = 0.0f;
    float a1 = 0.0f, a2 = 0.0f;
    float x1 = 0.0f, x2 = 0.0f;
    float y1 = 0.0f, y2 = 0.0f;
};
