#include "CompressorCore.h"
#include "FloatBits.h"
#include "VectorPathChoice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

TEST (GainComputer, CurveExamples)
{
    EXPECT_NEAR (CompressorCore::computeGain (-10.0f, -20.0f, 2.0f, 0.0f, false), 0.56234, 1e-5);

    // Inside the soft knee the slope is interpolated; at its upper end the straight curve holds.
    const float inKnee = CompressorCore::computeGain (-20.0f, -23.1f, 8.0f, 17.0f, false);
    EXPECT_NEAR (20.0 * std::log10 (inKnee), -1.85088, 1e-4);
    EXPECT_NEAR (inKnee, 0.80808, 1e-5);
    const float kneeTop = CompressorCore::computeGain (-14.6f, -23.1f, 8.0f, 17.0f, false);
    EXPECT_NEAR (20.0 * std::log10 (kneeTop), -7.4375, 1e-4);

    EXPECT_NEAR (CompressorCore::computeGain (-10.0f, -18.34f, 20.0f, 0.0f, true), 0.38282, 1e-5);

    // Above the knee the output level is T + (x - T) / R.
    const float straight = CompressorCore::computeGain (0.0f, -20.0f, 4.0f, 0.0f, false);
    EXPECT_NEAR (20.0 * std::log10 (straight), -15.0, 1e-4);
}

TEST (GainComputer, NoReductionAtOrBelowTheThresholdAndAtRatioOne)
{
    for (float level = -120.0f; level <= 0.0f; level += 0.37f)
    {
        EXPECT_EQ (CompressorCore::computeGain (level, -13.0f, 1.0f, 0.1f, false), 1.0f) << level;
        if (level <= -20.0f)
        {
            EXPECT_EQ (CompressorCore::computeGain (level, -20.0f, 4.0f, 0.0f, false), 1.0f) << level;
            EXPECT_EQ (CompressorCore::computeGain (level, -20.0f, 8.0f, 17.0f, false), 1.0f) << level;
            EXPECT_EQ (CompressorCore::computeGain (level, -20.0f, 20.0f, 0.0f, true), 1.0f) << level;
        }
        else
        {
            EXPECT_LT (CompressorCore::computeGain (level, -20.0f, 4.0f, 0.0f, false), 1.0f) << level;
        }
    }
}

TEST (GainComputer, LinkedGainsOfEdgeEnvelopesEqualTheSampleFormula)
{
    // Envelopes no detector leaves (negative, subnormal, above 1, huge, NaN) beside silence and the
    // usual range, every pair, on every vector path: the lanes that are not positive normal
    // floats must reach the scalar formula.
    const float edges[] = { 0.0f, -0.0f, 1e-40f, std::numeric_limits<float>::min(), 1e-20f, 0.001f, 0.3f, 1.0f, 1.5f, 3e38f, -0.25f,
                            std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity() };
    std::vector<float> left, right;
    for (const float l : edges)
        for (const float r : edges)
            left.push_back (l), right.push_back (r);
    for (const int lanes : vectorPaths())
    {
        const PathChoice choice (lanes);
        GainComputer block, samples;
        for (const auto& [threshold, ratio, knee, limiter] : { std::tuple { -20.0f, 4, 0.0f, false }, { -23.1f, 8, 17.0f, false }, { -18.34f, 20, 0.0f, true } })
        {
            std::vector<float> gains (left.size());
            block.linkedGains (left.data(), right.data(), gains.data(), (int) gains.size(), threshold, ratio, knee, limiter);
            for (size_t i = 0; i < gains.size(); ++i)
                ASSERT_EQ (bitsOf (gains[i]), bitsOf (samples.linkedGain (left[i], right[i], threshold, ratio, knee, limiter)))
                    << lanes << " lanes, " << left[i] << " " << right[i] << ", ratio " << ratio;
        }
    }
}

TEST (GainComputer, KneeTopAboveZeroDbIsClampedToZero)
{
    // Threshold -2 with a 17 dB knee: the knee's upper node would be +6.5 dB and becomes 0, so at
    // -1 dB the slope is 7/8 of 9.5/10.5 (not of 9.5/17, which would give -0.489 dB).
    const float gain = CompressorCore::computeGain (-1.0f, -2.0f, 8.0f, 17.0f, false);
    EXPECT_NEAR (20.0 * std::log10 (gain), -0.791667, 1e-4);
}

TEST (RatioPresets, TableAndKneeKeptByTheLimiter)
{
    CompressorCore core (44100.0f);
    // clang-format off
    struct Row { int preset; int ratio; float knee; bool limiter; };
    // clang-format on
    for (const auto& row : { Row { 1, 1, 0.0f, false }, Row { 2, 2, 0.0f, false }, Row { 3, 4, 0.0f, false },
                             Row { 4, 8, 17.0f, false }, Row { 5, 20, 0.0f, false }, Row { 0, 1, 0.0f, false },
                             Row { 7, 1, 0.0f, false }, Row { -3, 1, 0.0f, false } })
    {
        core.setRatioPreset (row.preset);
        EXPECT_EQ (core.ratio.load(), row.ratio) << row.preset;
        EXPECT_EQ (core.kneeDb.load(), row.knee) << row.preset;
        EXPECT_EQ (core.limiter.load(), row.limiter) << row.preset;
    }

    core.setRatioPreset (4);
    core.setRatioPreset (6);
    EXPECT_EQ (core.ratio.load(), 20);
    EXPECT_TRUE (core.limiter.load());
    EXPECT_EQ (core.kneeDb.load(), 17.0f);

    CompressorCore fresh (44100.0f);
    fresh.setRatioPreset (6);
    EXPECT_EQ (fresh.kneeDb.load(), 0.1f);
}

namespace
{
struct Calibrated
{
    float threshold;
    float makeup;
};

/** The calibration of a preset (its ratio and limiter as setRatioPreset leaves them) for an
    Attack and Input value, applied over a starting threshold and make-up gain. */
Calibrated calibrateWith (int preset, float attack, float input, float startThreshold = -13.0f, float startMakeup = 1.0f)
{
    CompressorCore core (44100.0f);
    core.setRatioPreset (preset);
    const auto result = Calibration::lookup ({ core.ratio.load(), core.limiter.load(), attack, input });
    return { result.writesThreshold ? result.thresholdDb : startThreshold, result.writesMakeup ? result.makeupGain : startMakeup };
}
} // namespace

TEST (Calibration, ThresholdBandsAndTheirEdges)
{
    EXPECT_EQ (calibrateWith (2, 0.0f, 0.5f).threshold, -20.0f);
    EXPECT_EQ (calibrateWith (3, 0.05f, 0.5f).threshold, -19.91f);
    EXPECT_EQ (calibrateWith (4, 0.5f, 0.5f).threshold, -21.62f);
    EXPECT_EQ (calibrateWith (5, 0.95f, 0.5f).threshold, -15.44f);

    // 0.7f and 0.9f lie just below their decimals, so they fall into the band below.
    EXPECT_EQ (calibrateWith (2, 0.7f, 0.5f).threshold, -15.04f);
    EXPECT_EQ (calibrateWith (3, 0.7f, 0.5f).threshold, -16.59f);
    EXPECT_EQ (calibrateWith (4, 0.9f, 0.5f).threshold, -19.02f);
    EXPECT_EQ (calibrateWith (5, 0.9f, 0.5f).threshold, -15.86f);
    // 0.3f lies just above its decimal.
    EXPECT_EQ (calibrateWith (2, 0.3f, 0.5f).threshold, -18.13f);

    // Outside 0..1 nothing matches and the threshold stays.
    EXPECT_EQ (calibrateWith (2, -0.1f, 0.5f, -7.0f).threshold, -7.0f);
    EXPECT_EQ (calibrateWith (4, 1.5f, 0.5f, -7.0f).threshold, -7.0f);
}

TEST (Calibration, AttackExactlyOneUsesTheInputBands)
{
    EXPECT_EQ (calibrateWith (2, 1.0f, 0.25f).threshold, -15.65f);
    EXPECT_EQ (calibrateWith (3, 1.0f, 0.25f).threshold, -15.7f);
    EXPECT_EQ (calibrateWith (2, 1.0f, 0.3f).threshold, -12.18f);
    EXPECT_EQ (calibrateWith (3, 1.0f, 0.45f).threshold, -12.92f);
    EXPECT_EQ (calibrateWith (3, 1.0f, 0.55f).threshold, -13.27f);
    // Ratio 2 at Input 0.5..0.6 and every input outside the bands leave the threshold.
    EXPECT_EQ (calibrateWith (2, 1.0f, 0.5f, -13.11f).threshold, -13.11f);
    EXPECT_EQ (calibrateWith (3, 1.0f, 0.8f, -9.0f).threshold, -9.0f);
    // Ratios 8 and 20 have no sub-cases.
    EXPECT_EQ (calibrateWith (4, 1.0f, 0.25f, -9.0f).threshold, -9.0f);
    EXPECT_EQ (calibrateWith (5, 1.0f, 0.25f, -9.0f).threshold, -9.0f);
}

TEST (Calibration, MakeupColumnsAndLimiter)
{
    EXPECT_EQ (calibrateWith (1, 0.5f, 0.9f, -13.0f, 3.0f).makeup, 1.0f);
    EXPECT_EQ (calibrateWith (1, 0.5f, 0.9f, -5.0f).threshold, -5.0f);
    EXPECT_EQ (calibrateWith (2, 0.5f, 0.7f).makeup, 2.931f);
    EXPECT_EQ (calibrateWith (2, 0.5f, 0.5f).makeup, 1.7850001f);
    EXPECT_EQ (1.7850001f, std::nextafter (1.785f, 2.0f));
    EXPECT_EQ (calibrateWith (3, 0.5f, 0.7f).makeup, 3.0f);
    EXPECT_EQ (calibrateWith (3, 0.5f, 0.5f).makeup, 2.118f);
    EXPECT_EQ (calibrateWith (4, 0.5f, 0.7f).makeup, 3.496f);
    EXPECT_EQ (calibrateWith (4, 0.5f, 0.5f).makeup, 2.421f);
    EXPECT_EQ (calibrateWith (5, 0.5f, 0.7f).makeup, 4.0f);
    EXPECT_EQ (calibrateWith (5, 0.5f, 0.5f).makeup, 2.706f);
    // 0.69f lies just below the decimal: the second column.
    EXPECT_EQ (calibrateWith (5, 0.5f, 0.69f).makeup, 2.706f);

    // The limiter writes its threshold and leaves the make-up gain alone.
    const auto limited = calibrateWith (6, 0.5f, 0.9f, -13.0f, 2.706f);
    EXPECT_EQ (limited.threshold, -18.34f);
    EXPECT_EQ (limited.makeup, 2.706f);
}

TEST (Calibration, TheEngineAppliesTheLookupAndKeepsWhatItDoesNotWrite)
{
    CompressorCore core (44100.0f);
    core.setRatioPreset (3);
    core.setAttack (0.45f);
    core.setInput (0.8f);
    core.calibrate();
    EXPECT_EQ (core.thresholdDb, -18.42f);
    EXPECT_EQ (core.makeupGain, 3.0f);

    // The limiter writes its threshold and keeps the make-up gain; Attack outside 0..1 at ratio
    // 8 keeps the threshold and writes the make-up gain.
    core.setRatioPreset (6);
    core.calibrate();
    EXPECT_EQ (core.thresholdDb, -18.34f);
    EXPECT_EQ (core.makeupGain, 3.0f);
    core.setRatioPreset (4);
    core.setAttack (1.5f);
    core.setInput (0.5f);
    core.calibrate();
    EXPECT_EQ (core.thresholdDb, -18.34f);
    EXPECT_EQ (core.makeupGain, 2.421f);
}
