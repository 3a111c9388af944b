#pragma once

#include <cmath>

/*
    The three memoryless colouring curves of distortion modes 0, 3 and 4. Each adds an even-order
    (squared) term inside the arctangent, so positive and negative half-waves are shaped
    differently; g is the engine's linear input gain. The constants are double precision and the
    roundings to single precision sit exactly where the comments say.
*/

/** y = 1.82 (x + 0.03 atan (x + 1.088 ((g - 0.2) x)^2)). */
inline void atanShapeLight (float& x, float g) noexcept
{
    const double u = ((double) g - 0.2) * (double) x;
    const float a = (float) std::atan (u * u * 0.544 * 2.0 + (double) x);
    const float v = (float) ((double) a * 0.03 + (double) x);
    x = (float) ((double) v * 1.82);
}

/** y = 1.32 (x + g atan (x + 0.952 (0.068 x)^2)), the blend itself in single precision. */
inline void atanShapeBlend (float& x, float g) noexcept
{
    const double u = (double) x * 0.068;
    const float a = (float) std::atan (u * u * 0.476 * 2.0 + (double) x);
    const float v = a * g + x;
    x = (float) ((double) v * 1.32);
}

/** y = 1.04 (x + atan (x + 2 g (0.454 x)^2)), the argument rounded to single first. */
inline void atanShapeFull (float& x, float g) noexcept
{
    const double u = (double) x * 0.454;
    const float w = (float) (u * u * (double) g * 2.0 + (double) x);
    const float a = (float) std::atan ((double) w);
    x = (float) ((double) (a + x) * 1.04);
}
