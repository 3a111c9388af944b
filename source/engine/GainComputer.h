#pragma once

#include "VectorPaths.h"

#include <cstdint>

/**
    The compressor's gain: the static curve (threshold, ratio, soft knee, limiter) applied to the
    level linked from the two detectors' envelopes.

    linkedGain skips the logarithms where the result is known to be exactly 1 (ratio 1, or a mean
    envelope safely below the threshold) and keeps the threshold's linear value cached, so it
    holds a little state; the result is always the one the plain formulas give.
*/
class GainComputer
{
public:
    /**
        The static gain curve: linear gain (never above 1) for a level, threshold and knee width
        in dB, a ratio, and the limiter flag (slope 1). The knee interpolates the slope between
        its lower end and its upper end (or 0 dB, whichever is lower).
    */
    static float computeGain (float levelDb, float thresholdDb, float ratio, float kneeDb, bool isLimiter) noexcept;

    /** The curve's gain in dB (0 or below), single precision, before the power that makes it
        linear: computeGain is 10^(gainDb / 20) of it. */
    static float gainDb (float levelDb, float thresholdDb, float ratio, float kneeDb, bool isLimiter) noexcept;

    /** The curve's constants for a threshold, ratio, knee width and limiter flag, worked out once
        for gainDb and the vector paths alike (the linked level's fields are left at 0). */
    static vectorexactmath::GainCurve curveFor (float thresholdDb, float ratio, float kneeDb, bool isLimiter) noexcept;

    /**
        The gain for two envelopes (linear, 0..1, as the detectors leave them): their levels in dB
        are linked as 20 log10 of the mean of the two linear levels, then run through the curve.
        The curve's settings follow computeGain's order.
    */
    float linkedGain (float envelopeLeft, float envelopeRight, float thresholdDb, std::int32_t ratio, float kneeDb, bool isLimiter) noexcept;

    /**
        linkedGain for count pairs of envelopes (at most maxBlock), the logarithms and powers
        computed several samples at a time; gains[i] equals linkedGain (envelopeLeft[i],
        envelopeRight[i], ...) bit for bit.
    */
    void linkedGains (const float* envelopeLeft, const float* envelopeRight, float* gains, int count,
                      float thresholdDb, std::int32_t ratio, float kneeDb, bool isLimiter) noexcept;

    static constexpr int maxBlock = 256;

    /** Forgets the cached threshold. */
    void reset() noexcept;

private:
    /** The mean envelope under which the gain is surely exactly 1, for this threshold. */
    double belowThresholdFor (float thresholdDb) noexcept;

    /** linkedGains' lanes for the scalar path. */
    int redo[maxBlock];

    std::uint32_t thresholdBits = 0;
    bool thresholdKnown = false;
    double belowThresholdEnvelope = 0.0; // mean envelope under which the gain is surely exactly 1
};
