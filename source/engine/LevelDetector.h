#pragma once

#include "ExactMath.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>

/** Rectifier of a LevelDetector. Any value other than Square and RootOfSquare rectifies as Peak. */
enum class DetectorMode : std::int32_t
{
    Peak = 0,
    Square = 1,
    RootOfSquare = 2
};

/**
    Envelope follower of one sidechain channel: a one-pole follower with separate attack and
    release coefficients, a selectable rectifier, a hard clamp of the envelope to 0..1 and an
    optional conversion of the result to decibels.

    The coefficient for a time of t milliseconds at rate fs is exp (-1000 / (fs * t)): the
    envelope covers 1 - 1/e of a step in t milliseconds. setAttack and setRelease may run on a
    parameter thread while processSample runs on the audio thread, so the coefficients, the
    times and the rate they are computed from are relaxed atomics.
*/
class LevelDetector
{
public:
    /** Every field to zero, linear output, Peak rectifier, then a rate of 44100 Hz. */
    void reset() noexcept;

    /** Starts from an envelope of 0 with dB output and the RootOfSquare rectifier. */
    void prepare (float newSampleRate, float newAttackMs, float newReleaseMs) noexcept;

    /** Attack time in milliseconds; acts from the next sample, the envelope is left alone. */
    void setAttack (float newAttackMs) noexcept;

    /** Release time in milliseconds; acts from the next sample, the envelope is left alone. */
    void setRelease (float newReleaseMs) noexcept;

    /** One sample in, the envelope out: in dB when logOutput is set, else linear. */
    float processSample (float x) noexcept { return logOutput ? toDecibels (processEnvelope (x)) : processEnvelope (x); }

    /** Advances the envelope by one sample and returns it, linear, within 0..1. */
    float processEnvelope (float x) noexcept
    {
        return processEnvelope (x, attackCoef.load (std::memory_order_relaxed), releaseCoef.load (std::memory_order_relaxed));
    }

    /** The same with the two coefficients as the caller last read them. */
    float processEnvelope (float x, float attackNow, float releaseNow) noexcept
    {
        envelope = nextEnvelope (envelope, x, attackNow, releaseNow);
        return envelope;
    }

    /** The envelope that follows previous when x arrives, with this detector's rectifier; leaves
        the detector alone, so that a block loop can keep the envelope in a register. */
    float nextEnvelope (float previous, float x, float attackNow, float releaseNow) const noexcept
    {
        return follow (mode, previous, x, attackNow, releaseNow);
    }

    /** nextEnvelope with the rectifier given: a block loop reads the mode once. */
    static float follow (DetectorMode rectifier, float previous, float x, float attackNow, float releaseNow) noexcept
    {
        const float magnitude = std::fabs (x);
        float rectified;

        switch (rectifier)
        {
            // clang-format off
            case DetectorMode::Square:       rectified = magnitude * magnitude; break;
            // clang-format on
            case DetectorMode::RootOfSquare:
                // (|x| * |x|)^0.5: where the square is a normal float the rounded root is |x|
                // itself, exactly (tests check every mantissa); elsewhere it is computed. pow
                // (y, 0.5) and sqrt (y) round to the same float for every float y.
                rectified = (magnitude >= 0x1p-62f && magnitude < 0x1p62f) ? magnitude
                                                                           : (float) std::sqrt ((double) (magnitude * magnitude));
                break;
            case DetectorMode::Peak:
            // clang-format off
            default:                         rectified = magnitude; break;
                // clang-format on
        }

        // A select, not a branch that noise would mispredict half the time.
        const float coefficient = rectified > previous ? attackNow : releaseNow;
        float next = (previous - rectified) * coefficient + rectified;

        // The clamp to 0..1, where NaN reads 1, and the flush of magnitudes at or below the
        // smallest normal float (1.175494351e-38 itself included) to 0, in two selects: the top
        // first, which turns NaN into 1, then everything at or below that smallest normal
        // (negative values too) to 0.
        next = 1.0f > next ? next : 1.0f;
        return next > std::numeric_limits<float>::min() ? next : 0.0f;
    }

    /** -110 dB for an envelope of exactly zero, else 20 * log10 (envelope). */
    static float toDecibels (float envelopeValue) noexcept
    {
        return envelopeValue == 0.0f ? -110.0f : 20.0f * exactmath::log10ToFloat (envelopeValue);
    }

    /** exp (-1000 / (rate * ms)), the product in single precision, the rest in double. */
    static float coefficientFor (float rate, float ms) noexcept
    {
        return (float) std::exp (-1000.0 / (double) (rate * ms));
    }

    std::atomic<float> attackCoef { 0.0f };
    std::atomic<float> releaseCoef { 0.0f };
    std::atomic<float> attackMs { 0.0f };
    std::atomic<float> releaseMs { 0.0f };
    std::atomic<float> sampleRate { 44100.0f };
    float envelope = 0.0f;
    DetectorMode mode = DetectorMode::Peak;
    bool logOutput = false;
};
