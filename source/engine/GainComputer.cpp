#include "GainComputer.h"

#include "ExactMath.h"
#include "LevelDetector.h"

#include <cmath>
#include <cstring>

namespace
{
/** A level detector reports -110 dB for an envelope of exactly zero, that is this much linear. */
constexpr double silentEnvelope = 3.1622776601683795e-06;

/** Headroom between the quick below-threshold test and the exact curve: about 0.009 dB, far
    more than the few single-precision roundings between the envelopes and the level in dB. */
constexpr double belowThresholdMargin = 0.999;

std::uint32_t bitsOf (float value) noexcept
{
    std::uint32_t bits;
    std::memcpy (&bits, &value, sizeof bits);
    return bits;
}
} // namespace

float GainComputer::computeGain (float levelDb, float thresholdDb, float ratio, float kneeDb, bool isLimiter) noexcept
{
    const float slope = isLimiter ? 1.0f : (float) (1.0 - 1.0 / (double) ratio);
    float s = slope;

    if (kneeDb > 0.0f)
    {
        const double kneeLow = (double) thresholdDb - (double) kneeDb / 2.0;
        const double kneeHigh = (double) thresholdDb + (double) kneeDb / 2.0;

        if ((double) levelDb > kneeLow && (double) levelDb < kneeHigh)
        {
            // Two-point Lagrange interpolation of the slope: 0 at the knee's lower end, the full
            // slope at its upper end (or at 0 dB, whichever is lower).
            const float xLow = (float) kneeLow;
            float xHigh = (float) kneeHigh;
            if (xHigh > 0.0f)
                xHigh = 0.0f;

            s = slope * ((levelDb - xLow) / (xHigh - xLow));
        }
    }

    float gainDb = (thresholdDb - levelDb) * s;
    if (gainDb > 0.0f)
        gainDb = 0.0f;

    return exactmath::pow10ToFloat ((double) gainDb / 20.0);
}

void GainComputer::reset() noexcept
{
    thresholdKnown = false;
}

float GainComputer::linkedGain (float envelopeLeft, float envelopeRight, float thresholdDb, std::int32_t ratio, bool isLimiter, float kneeDb) noexcept
{
    // Ratio 1 without the limiter has slope 0: the curve gives exactly 1 at every level.
    if (ratio == 1 && ! isLimiter)
        return 1.0f;

    if (! thresholdKnown || bitsOf (thresholdDb) != thresholdBits)
    {
        thresholdKnown = true;
        thresholdBits = bitsOf (thresholdDb);
        belowThresholdEnvelope = std::pow (10.0, (double) thresholdDb / 20.0) * belowThresholdMargin;
    }

    // At or below the threshold (the knee's lower half included) the curve gives exactly 1; the
    // mean of the two envelopes shows it, with a safe margin, before any logarithm is taken.
    const double meanEnvelope = ((envelopeLeft == 0.0f ? silentEnvelope : (double) envelopeLeft)
                                 // clang-format off
                                 + (envelopeRight == 0.0f ? silentEnvelope : (double) envelopeRight)) * 0.5;
    // clang-format on
    if (meanEnvelope <= belowThresholdEnvelope)
        return 1.0f;

    const float levelLeftDb = LevelDetector::toDecibels (envelopeLeft);
    float linked;
    if (envelopeLeft == envelopeRight)
    {
        // Equal sides (a mono block feeds both): (p + p) * 0.5 is p exactly.
        linked = exactmath::pow10ToFloat ((double) levelLeftDb / 20.0);
    }
    else
    {
        const float levelRightDb = LevelDetector::toDecibels (envelopeRight);
        linked = exactmath::meanOfPow10ToFloat ((double) levelLeftDb / 20.0, (double) levelRightDb / 20.0);
    }
    const float levelDb = 20.0f * exactmath::log10ToFloat (linked);

    return computeGain (levelDb, thresholdDb, (float) ratio, kneeDb, isLimiter);
}
