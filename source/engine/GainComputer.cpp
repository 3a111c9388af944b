#include "GainComputer.h"

#include "ExactMath.h"
#include "FloatBits.h"
#include "LevelDetector.h"
#include "VectorExactMath.h"

#include <algorithm>
#include <cmath>

namespace
{
/** A level detector reports -110 dB for an envelope of exactly zero, that is this much linear. */
constexpr double silentEnvelope = 3.1622776601683795e-06;

/** Headroom between the quick below-threshold test and the exact curve: about 0.009 dB, far
    more than the few single-precision roundings between the envelopes and the level in dB. */
constexpr double belowThresholdMargin = 0.999;

/** True where the mean of the two envelopes (silence counting as -110 dB) lies at or below
    the threshold's envelope. */
bool isBelowThreshold (float envelopeLeft, float envelopeRight, double belowThresholdEnvelope) noexcept
{
    // clang-format off
    const double meanEnvelope = ((envelopeLeft == 0.0f ? silentEnvelope : (double) envelopeLeft)
                                 + (envelopeRight == 0.0f ? silentEnvelope : (double) envelopeRight)) * 0.5;
    // clang-format on
    return meanEnvelope <= belowThresholdEnvelope;
}
} // namespace

float GainComputer::computeGain (float levelDb, float thresholdDb, float ratio, float kneeDb, bool isLimiter) noexcept
{
    return exactmath::pow10ToFloat ((double) gainDb (levelDb, thresholdDb, ratio, kneeDb, isLimiter) / 20.0);
}

vectorexactmath::GainCurve GainComputer::curveFor (float thresholdDb, float ratio, float kneeDb, bool isLimiter) noexcept
{
    vectorexactmath::GainCurve curve {};
    curve.thresholdDb = thresholdDb;
    curve.slope = isLimiter ? 1.0f : (float) (1.0 - 1.0 / (double) ratio);
    curve.hasKnee = kneeDb > 0.0f;
    curve.kneeLow = (double) thresholdDb - (double) kneeDb / 2.0;
    curve.kneeHigh = (double) thresholdDb + (double) kneeDb / 2.0;
    curve.kneeLowSingle = (float) curve.kneeLow;
    curve.kneeTopSingle = std::min ((float) curve.kneeHigh, 0.0f);
    return curve;
}

float GainComputer::gainDb (float levelDb, float thresholdDb, float ratio, float kneeDb, bool isLimiter) noexcept
{
    const auto curve = curveFor (thresholdDb, ratio, kneeDb, isLimiter);
    float slopeHere = curve.slope;

    // Within the knee, two-point Lagrange interpolation of the slope: 0 at the knee's lower end,
    // the full slope at its upper end (or at 0 dB, whichever is lower).
    if (curve.hasKnee && (double) levelDb > curve.kneeLow && (double) levelDb < curve.kneeHigh)
        slopeHere = curve.slope * ((levelDb - curve.kneeLowSingle) / (curve.kneeTopSingle - curve.kneeLowSingle));

    float result = (thresholdDb - levelDb) * slopeHere;
    if (result > 0.0f)
        result = 0.0f;
    return result;
}

double GainComputer::belowThresholdFor (float thresholdDb) noexcept
{
    if (! thresholdKnown || bitsOf (thresholdDb) != thresholdBits)
    {
        thresholdKnown = true;
        thresholdBits = bitsOf (thresholdDb);
        belowThresholdEnvelope = std::pow (10.0, (double) thresholdDb / 20.0) * belowThresholdMargin;
    }
    return belowThresholdEnvelope;
}

void GainComputer::reset() noexcept
{
    thresholdKnown = false;
}

float GainComputer::linkedGain (float envelopeLeft, float envelopeRight, float thresholdDb, std::int32_t ratio, float kneeDb, bool isLimiter) noexcept
{
    // Ratio 1 without the limiter has slope 0: the curve gives exactly 1 at every level.
    if (ratio == 1 && ! isLimiter)
        return 1.0f;

    // At or below the threshold (the knee's lower half included) the curve gives exactly 1; the
    // mean of the two envelopes shows it, with a safe margin, before any logarithm is taken.
    if (isBelowThreshold (envelopeLeft, envelopeRight, belowThresholdFor (thresholdDb)))
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

void GainComputer::linkedGains (const float* envelopeLeft, const float* envelopeRight, float* gains, int count,
                                float thresholdDb, std::int32_t ratio, float kneeDb, bool isLimiter) noexcept
{
    if (ratio == 1 && ! isLimiter)
    {
        std::fill (gains, gains + count, 1.0f);
        return;
    }

    // The curve as gainDb works it out (the ratio as computeGain takes it, a float), and the
    // linked level's settings.
    auto curve = curveFor (thresholdDb, (float) ratio, kneeDb, isLimiter);
    curve.belowThresholdEnvelope = belowThresholdFor (thresholdDb);
    curve.silentEnvelope = silentEnvelope;
    curve.silentPower = vectorexactmath::silentSidePower();

    // The vector path's uncertain lanes, about one in a million, through the scalar functions.
    const int uncertain = vectorexactmath::linkedGains (envelopeLeft, envelopeRight, gains, count, curve, redo);
    for (int k = 0; k < uncertain; ++k)
    {
        const int i = redo[k];
        gains[i] = linkedGain (envelopeLeft[i], envelopeRight[i], thresholdDb, ratio, kneeDb, isLimiter);
    }
}
