#pragma once

#include <cmath>
#include <limits>

/**
    The direct form I recursion that both fixed filters run in single precision, over their own
    coefficient and history fields, and the flush of subnormal history that goes with it.
*/
namespace biquad
{
/** One sample through the recursion: the output, with the history advanced. */
inline float step (float x, float b0, float b1, float b2, float a1, float a2, float& x1, float& x2, float& y1, float& y2) noexcept
{
    // Summed left to right in exactly this order.
    const float y = b1 * x1 + b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
}

/** Replaces a subnormal value by zero; normal values, zeros and non-finite values stay. */
inline void snapSubnormalToZero (float& value) noexcept
{
    if (std::fabs (value) < std::numeric_limits<float>::min())
        value = 0.0f;
}

/**
    Sets history values below the smallest normal float to zero. In silence after a burst the
    recursion otherwise decays into, and can stay in, the subnormal range, where arithmetic is
    many times slower.
*/
inline void snapToZero (float& x1, float& x2, float& y1, float& y2) noexcept
{
    snapSubnormalToZero (x1);
    snapSubnormalToZero (x2);
    snapSubnormalToZero (y1);
    snapSubnormalToZero (y2);
}

/** snapToZero, but only once the last output has decayed below the smallest normal float: one
    comparison per sample while a signal passes, and no call while the history is exactly zero
    (silence). */
inline void snapToZeroWhenDecayed (float& x1, float& x2, float& y1, float& y2) noexcept
{
    if (std::fabs (y1) < std::numeric_limits<float>::min() && (x1 != 0.0f || x2 != 0.0f || y1 != 0.0f || y2 != 0.0f))
        snapToZero (x1, x2, y1, y2);
}
} // namespace biquad
