#include "HighPassBiquad.h"

#include <cmath>

HighPassBiquad::HighPassBiquad (float sampleRate) noexcept
{
    // 251.327... is 80 pi: the prewarped 80 Hz corner.
    k = (float) std::tan (251.32741228718345 / (double) sampleRate);
    const float k2 = k * k;
    const float kd = k * damping;
    b0 = (float) (1.0 / ((double) kd + 1.0 + (double) k2));
    b1 = -2.0f * b0;
    b2 = b0;
    a1 = (float) (((double) k2 - 1.0) * 2.0 * (double) b0);
    a2 = (float) ((1.0 - (double) kd + (double) k2) * (double) b0);
}
