#pragma once

#include <cmath>
#include <limits>

/**
    Stateful square-root saturator of distortion modes 1 and 2: each channel blends its signed
    square root into the sample (0.8 x + 0.2 sqrt x), smooths that with a one-pole low-pass whose
    coefficient does not depend on the sample rate, and adds the smoothed value back with a mix
    of 0.3 (mild) or 0.5 (strong). The channels never mix.
*/
class SqrtSaturator
{
public:
    // clang-format off
    void processMild (float& left, float& right) noexcept   { process (left, right, 0.3f); }
    // clang-format on
    void processStrong (float& left, float& right) noexcept { process (left, right, 0.5f); }

    float stateLeft = 0.0f;
    float stateRight = 0.0f;
    float coefficient = (float) std::pow (10.0, -1.6);

private:
    void process (float& left, float& right, float mix) noexcept
    {
        // Both samples are read before either is written; left is written first.
        const float newLeft = shape (left, stateLeft, mix);
        const float newRight = shape (right, stateRight, mix);
        left = newLeft;
        right = newRight;
    }

    float shape (float x, float& state, float mix) const noexcept
    {
        const float root = x > 0.0f ? (float) std::sqrt ((double) x) : (float) -std::sqrt (-(double) x);
        const float target = (root - x) * 0.2f + x;
        const float smoothed = (target - state) * coefficient + state;
        // The flush also clears a NaN state, as the comparison fails for it, and an overflow to
        // infinity, so the state is always finite.
        const double magnitude = std::fabs ((double) smoothed);
        state = magnitude > 1e-10 && magnitude <= (double) std::numeric_limits<float>::max() ? smoothed : 0.0f;
        return smoothed * mix + x;
    }
};
