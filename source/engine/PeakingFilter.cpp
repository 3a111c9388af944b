#include "PeakingFilter.h"

#include <cmath>

PeakingFilter::PeakingFilter (float newSampleRate) noexcept
    : sampleRate (newSampleRate)
{
    // The gain constant 10 over a divisor of 20 (not 40): the centre gain is A^2 = +20 dB.
    const float gainA = (float) std::pow (10.0, 10.0 / 20.0);
    // 12566.37... is 2 pi 2000.
    const float omega = (float) (12566.370614359172 / (double) sampleRate);
    const float sinOmega = (float) std::sin ((double) omega);
    const double cosOmega = std::cos ((double) omega);
    // (ln 2 / 2) * 0.7f: a bandwidth of 0.7 octave.
    const float alpha = (float) (std::sinh ((double) omega * 0.2426015090645017 / (double) sinOmega) * (double) sinOmega);
    const float p = alpha / gainA;
    const float q = alpha * gainA;
    const double a0 = 1.0 + (double) p;

    a1 = (float) (-2.0 * (double) (float) cosOmega / a0);
    a2 = (float) ((1.0 - (double) p) / a0);
    b0 = (float) ((1.0 + (double) q) / a0);
    b1 = a1;
    b2 = (float) ((1.0 - (double) q) / a0);
}
