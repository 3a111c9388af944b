// The engine's inner units on their own: the linked gain with its below-threshold shortcut, the
// meter ballistics, the parameter snapshot and the parameter table.

#include "GainComputer.h"
#include "LevelDetector.h"
#include "MeterBallistics.h"
#include "ParameterSnapshot.h"
#include "ParameterTable.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <strings.h>
#include <tuple>

namespace
{
/** The linked gain evaluated plainly: both levels in dB, their linear mean, its level, the curve. */
float plainLinkedGain (float envelopeLeft, float envelopeRight, float thresholdDb, int ratio, float kneeDb, bool limiter)
{
    // clang-format off
    const auto decibels = [] (float e) { return e == 0.0f ? -110.0f : 20.0f * (float) std::log10 ((double) e); };
    // clang-format on
    const float linked = (float) ((std::pow (10.0, (double) decibels (envelopeLeft) / 20.0) + std::pow (10.0, (double) decibels (envelopeRight) / 20.0)) * 0.5);
    const float levelDb = 20.0f * (float) std::log10 ((double) linked);
    return GainComputer::computeGain (levelDb, thresholdDb, (float) ratio, kneeDb, limiter);
}
} // namespace

TEST (LinkedGain, EqualsThePlainFormulaAcrossEveryThreshold)
{
    // Envelopes swept finely through each threshold, where the shortcut's margin matters, and
    // unequal sides; the cached threshold changes between sweeps.
    GainComputer computer;
    NoiseSource noise (3u);
    const float thresholds[] = { -23.1f, -20.0f, -17.79f, -15.44f, -13.0f, -12.18f };
    long compressed = 0;
    for (const float threshold : thresholds)
        for (const auto& [ratio, limiter, knee] : { std::tuple { 2, false, 0.0f }, std::tuple { 8, false, 17.0f }, std::tuple { 20, true, 0.1f } })
        {
            const double thresholdLinear = std::pow (10.0, (double) threshold / 20.0);
            for (int i = -3000; i <= 3000; ++i)
            {
                const float left = (float) (thresholdLinear * (1.0 + i * 2e-6));
                const float right = i % 3 == 0 ? left : (float) ((double) left * (1.0 + 0.01 * noise.next()));
                const float gain = computer.linkedGain (left, right, threshold, ratio, knee, limiter);
                ASSERT_EQ (gain, plainLinkedGain (left, right, threshold, ratio, knee, limiter)) << threshold << " " << i;
                compressed += gain < 1.0f ? 1 : 0;
            }
        }
    EXPECT_GT (compressed, 1000); // the sweeps reach into the curve, not only the shortcut

    // Ratio 1 without the limiter is exactly 1, at any level; silence is -110 dB.
    EXPECT_EQ (computer.linkedGain (1.0f, 1.0f, -40.0f, 1, 0.1f, false), 1.0f);
    EXPECT_EQ (computer.linkedGain (0.0f, 0.0f, -120.0f, 4, 0.0f, false), plainLinkedGain (0.0f, 0.0f, -120.0f, 4, 0.0f, false));
    EXPECT_LT (computer.linkedGain (0.0f, 0.0f, -120.0f, 4, 0.0f, false), 1.0f);
}

TEST (MeterBallistics, RiseFallAndTargets)
{
    // Rising (and level) with 0.9 of the step, falling with 0.1, in double precision.
    EXPECT_EQ (MeterBallistics::advance (0.0f, 0.5), (float) (0.1 * 0.0 + 0.9 * 0.5));
    EXPECT_EQ (MeterBallistics::advance (0.5f, 0.0), (float) (0.9 * 0.5));
    EXPECT_EQ (MeterBallistics::advance (0.25f, 0.25), (float) ((1.0 - 0.9) * 0.25 + 0.9 * 0.25));

    // Ratio 1 follows the mono sidechain's magnitude; other ratios the gain reduction, never
    // below 0; what is not finite reads as full scale.
    EXPECT_EQ (MeterBallistics::target (1, -0.3f, 0.2f), (double) 0.3f);
    EXPECT_EQ (MeterBallistics::target (4, -0.3f, 0.25f), 0.75);
    EXPECT_EQ (MeterBallistics::target (4, 0.0f, 1.0f), 0.0);
    EXPECT_EQ (MeterBallistics::target (1, std::numeric_limits<float>::infinity(), 1.0f), 1.0);
    EXPECT_EQ (MeterBallistics::target (1, std::numeric_limits<float>::quiet_NaN(), 1.0f), 1.0);
    EXPECT_EQ (MeterBallistics::target (1, std::numeric_limits<float>::max(), 1.0f), (double) std::numeric_limits<float>::max());
    EXPECT_TRUE (std::isfinite (MeterBallistics::advance (std::numeric_limits<float>::max(), (double) std::numeric_limits<float>::max())));
}

TEST (ParameterSnapshot, DerivedValuesFollowTheirSourcesAndTheRate)
{
    ParameterSnapshot snapshot;
    ParameterSnapshot::Values values;
    values.inputGainDb = 20.0f * (float) std::log10 (0.8);
    values.outputGainDb = 20.0f * (float) std::log10 (1.2);
    values.attackMsLeft = 3.0f;
    values.releaseMsRight = 250.0f;
    snapshot.update (values, 44100.0f);

    EXPECT_EQ (snapshot.inputLinear(), (float) std::pow (10.0, (double) (values.inputGainDb / 20.0f)));
    EXPECT_EQ (snapshot.outputLinear(), (float) std::pow (10.0, (double) values.outputGainDb / 20.0));
    EXPECT_EQ (snapshot.attackCoefLeft(), LevelDetector::coefficientFor (44100.0f, 3.0f));
    EXPECT_EQ (snapshot.releaseCoefRight(), LevelDetector::coefficientFor (44100.0f, 250.0f));
    EXPECT_TRUE (snapshot.filterFlushAllowed());

    // The same times at another rate: the coefficients follow the rate.
    snapshot.update (values, 96000.0f);
    EXPECT_EQ (snapshot.attackCoefLeft(), LevelDetector::coefficientFor (96000.0f, 3.0f));
    EXPECT_EQ (snapshot.releaseCoefLeft(), LevelDetector::coefficientFor (96000.0f, values.releaseMsLeft));

    // Gains of a million or more keep subnormal history out of reach of the flush.
    values.outputGainDb = 120.0f;
    snapshot.update (values, 96000.0f);
    EXPECT_FALSE (snapshot.filterFlushAllowed());
    EXPECT_EQ (snapshot.values().outputGainDb, 120.0f);
}

TEST (ParameterTable, RowsAreConsistent)
{
    int saved = 0;
    for (const auto& parameter : velk::parameterTable)
    {
        EXPECT_TRUE (velk::isParameterIndex (parameter.index));
        EXPECT_LT (std::strlen (parameter.name), 16u) << "a name reaches the host whole";
        for (const auto& other : velk::parameterTable)
            EXPECT_EQ (std::strcmp (other.id, parameter.id) == 0, other.index == parameter.index) << parameter.name;
        if (parameter.hasControl)
        {
            EXPECT_LT (parameter.minimum, parameter.maximum) << parameter.name;
            EXPECT_GT (parameter.interval, 0.0f) << parameter.name;
        }
        if (parameter.isSwitch())
        {
            // One caption per position, the positions covering the control's range.
            EXPECT_EQ ((float) parameter.firstPosition, parameter.minimum) << parameter.name;
            EXPECT_EQ ((float) (parameter.firstPosition + parameter.numPositions - 1), parameter.maximum) << parameter.name;
            for (int position = 0; position < 6; ++position)
                EXPECT_EQ (parameter.captions[position] != nullptr, position < parameter.numPositions) << parameter.name << " " << position;
        }
        if (parameter.isSaved())
        {
            ++saved;
            for (const auto& other : velk::parameterTable)
            {
                if (other.isSaved() && other.index != parameter.index)
                {
                    EXPECT_NE (strcasecmp (other.savedName, parameter.savedName), 0);
                }
            }
        }
    }
    EXPECT_EQ (saved, 8); // every parameter but Gc
    EXPECT_FALSE (velk::isParameterIndex (-1));
    EXPECT_FALSE (velk::isParameterIndex (velk::numParameters));
}
