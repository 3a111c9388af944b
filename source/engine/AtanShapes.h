#pragma once

#include <cmath>

/*
    The three memoryless colouring curves of distortion modes 0, 3 and 4. Each adds an even-order
    (squared) term inside the arctangent, so positive and negative half-waves are shaped
    differently; g is the engine's linear input gain. The constants are double precision and the
    roundings to single precision sit exactly where the comments say.

    Each curve is written in two halves, the arctangent's argument and what follows the
    arctangent. The vector paths (VectorKernels.h) repeat both halves lane for lane, so that a
    block of samples takes its arctangents together (atanShapeBlock): a change here must be made
    there too, and the block tests compare the two.
*/

/** y = 1.82 (x + 0.03 atan (x + 1.088 ((g - 0.2) x)^2)). */
inline double atanArgumentLight (float x, float g) noexcept
{
    const double u = ((double) g - 0.2) * (double) x;
    return u * u * 0.544 * 2.0 + (double) x;
}

inline float atanFinishLight (float x, float a) noexcept
{
    const float v = (float) ((double) a * 0.03 + (double) x);
    return (float) ((double) v * 1.82);
}

inline void atanShapeLight (float& x, float g) noexcept
{
    x = atanFinishLight (x, (float) std::atan (atanArgumentLight (x, g)));
}

/** y = 1.32 (x + g atan (x + 0.952 (0.068 x)^2)), the blend itself in single precision. */
inline double atanArgumentBlend (float x) noexcept
{
    const double u = (double) x * 0.068;
    return u * u * 0.476 * 2.0 + (double) x;
}

inline float atanFinishBlend (float x, float a, float g) noexcept
{
    const float v = a * g + x;
    return (float) ((double) v * 1.32);
}

inline void atanShapeBlend (float& x, float g) noexcept
{
    x = atanFinishBlend (x, (float) std::atan (atanArgumentBlend (x)), g);
}

/** y = 1.04 (x + atan (x + 2 g (0.454 x)^2)), the argument rounded to single first. */
inline double atanArgumentFull (float x, float g) noexcept
{
    const double u = (double) x * 0.454;
    return (double) (float) (u * u * (double) g * 2.0 + (double) x);
}

inline float atanFinishFull (float x, float a) noexcept
{
    return (float) ((double) (a + x) * 1.04);
}

inline void atanShapeFull (float& x, float g) noexcept
{
    x = atanFinishFull (x, (float) std::atan (atanArgumentFull (x, g)));
}

/**
    Distortion mode 0, 3 or 4 on count samples in place, the arctangents taken several at a
    time: the same floats as the curve above sample by sample. Mode 0 expects an input
    gain that is not 0 or below (there the mode silences the audio instead).
*/
void atanShapeBlock (int mode, float* samples, int count, float g) noexcept;
