#include "CompressorCore.h"
#include "AtanShapes.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
void expectSetUpValues (const CompressorCore& core)
{
    EXPECT_EQ (core.inputGainDb.load(), 0.0f);
    EXPECT_EQ (core.inputGain.load(), 0.5f);
    EXPECT_EQ (core.outputGainDb.load(), 0.0f);
    EXPECT_EQ (core.attackMs.load(), 1.0f);
    EXPECT_EQ (core.attack.load(), 1.0f);
    EXPECT_EQ (core.releaseMs.load(), 0.1f);
    EXPECT_EQ (core.ratio.load(), 1);
    EXPECT_EQ (core.distortionMode.load(), 0);
    EXPECT_EQ (core.filterMode.load(), 0);
    EXPECT_EQ (core.meterState, 0.0f);
    EXPECT_EQ (core.thresholdDb, -13.0f);
    EXPECT_EQ (core.kneeDb.load(), 0.1f);
    EXPECT_EQ (core.meterValue.load(), 0.0f);
    EXPECT_FALSE (core.limiter.load());
    EXPECT_EQ (core.makeupGain, 1.0f);
    EXPECT_EQ (core.gc.load(), 1.0f);
    EXPECT_EQ (core.clipHold.load(), 200);
    EXPECT_FALSE (core.clipFlag.load());
    EXPECT_EQ (core.detectorLeft.attackMs.load(), 1.0f);
    EXPECT_EQ (core.detectorRight.releaseMs.load(), 0.1f);
}

float process (CompressorCore& core, float left, float right, float* rightOut = nullptr)
{
    core.processSample (&left, &right);
    if (rightOut != nullptr)
        *rightOut = right;
    return left;
}
} // namespace

TEST (CompressorCore, PrepareRestoresSetUpValuesAndRestartsComponents)
{
    CompressorCore core (44100.0f);
    expectSetUpValues (core);

    core.setInput (0.9f);
    core.setAttack (0.3f);
    core.setRelease (0.5f);
    core.setOutput (0.8f);
    core.setRatioPreset (4);
    core.setDistortionMode (2);
    core.setFilterMode (3);
    core.setGc (0.1f);
    core.setWetDry (0.25f);
    NoiseSource noise;
    for (int i = 0; i < 1000; ++i)
        process (core, 3.0f * noise.next(), noise.next());
    EXPECT_TRUE (core.clipFlag.load());

    core.prepare (48000.0f);
    expectSetUpValues (core);
    EXPECT_EQ (core.wetDry.load(), 0.25f); // not touched by the set-up
    EXPECT_EQ (core.detectorLeft.sampleRate.load(), 48000.0f);

    // Nothing from before the set-up outlives it: in every distortion and filter mode the engine
    // now runs exactly as one constructed at the new rate, the filters, saturators and DC
    // blockers starting from silence with the new rate's coefficients.
    for (int filter = 1; filter <= 3; ++filter)
        for (int distortion = 1; distortion <= 2; ++distortion)
        {
            CompressorCore used (44100.0f), fresh (48000.0f);
            for (auto* c : { &used, &fresh })
            {
                c->setFilterMode (filter);
                c->setDistortionMode (distortion);
                c->setRatioPreset (3);
            }
            for (int i = 0; i < 2000; ++i)
                process (used, 2.0f * noise.next(), noise.next());

            used.prepare (48000.0f);
            for (auto* c : { &used, &fresh })
            {
                c->setFilterMode (filter);
                c->setDistortionMode (distortion);
                c->setRatioPreset (3);
            }
            for (int i = 0; i < 2000; ++i)
            {
                const float x = noise.next(), y = noise.next();
                float usedRight, freshRight;
                ASSERT_EQ (process (used, x, y, &usedRight), process (fresh, x, y, &freshRight)) << filter << ", " << distortion << ", " << i;
                ASSERT_EQ (usedRight, freshRight);
            }
        }
}

TEST (CompressorCore, ParameterWrites)
{
    CompressorCore core (44100.0f);
    core.setInput (0.0f);
    EXPECT_EQ (core.inputGainDb.load(), -96.0f);
    core.setInput (-1.0f);
    EXPECT_EQ (core.inputGainDb.load(), -96.0f);
    core.setInput (0.5f);
    EXPECT_NEAR (core.inputGainDb.load(), -6.0206, 1e-4);
    EXPECT_EQ (core.inputGainDb.load(), 20.0f * (float) std::log10 (0.5));

    core.setOutput (0.5f);
    EXPECT_EQ (core.outputGainDb.load(), 0.0f);
    core.setOutput (0.54f);
    EXPECT_NEAR (core.outputGainDb.load(), 0.668, 1e-3);
    core.setOutput (1.0f);
    EXPECT_NEAR (core.outputGainDb.load(), 6.0206, 1e-4);
    core.setOutput (0.0f);
    EXPECT_EQ (core.outputGainDb.load(), -96.0f);

    core.setAttack (0.5f);
    EXPECT_EQ (core.attack.load(), 0.5f);
    EXPECT_EQ (core.attackMs.load(), 5.0f);
    EXPECT_EQ (core.detectorLeft.attackCoef.load(), LevelDetector::coefficientFor (44100.0f, 5.0f));
    EXPECT_EQ (core.detectorRight.attackCoef.load(), LevelDetector::coefficientFor (44100.0f, 5.0f));

    core.setRelease (0.1f);
    EXPECT_EQ (core.releaseMs.load(), 300.0f);
    EXPECT_EQ (core.detectorRight.releaseCoef.load(), LevelDetector::coefficientFor (44100.0f, 300.0f));
}

TEST (CompressorCore, SilenceSettlesAtTheDcBlockerOffset)
{
    for (int preset : { 1, 3, 6 })
    {
        CompressorCore core (44100.0f);
        core.setRatioPreset (preset);
        core.setInput (0.5f);
        float left = 0, right = 0;
        for (int i = 0; i < 20000; ++i)
            left = process (core, 0.0f, 0.0f, &right);
        EXPECT_NEAR (left, -3.3334e-5, 1e-8) << preset;
        EXPECT_EQ (left, right);
        EXPECT_EQ (core.detectorLeft.envelope, 0.0f);
    }
}

TEST (CompressorCore, RatioOneNeverReducesGain)
{
    // With ratio 1 the chain is distortion, gain g, output gain, make-up 1 and the DC blocker:
    // the same as running those stages alone.
    CompressorCore core (44100.0f);
    core.setInput (0.8f);
    core.setOutput (0.5f);
    const float g = (float) std::pow (10.0, (double) (core.inputGainDb.load() / 20.0f));
    DcBlocker dcLeft, dcRight;
    NoiseSource noise;
    for (int i = 0; i < 20000; ++i)
    {
        const float x = 4.0f * noise.next(), y = 4.0f * noise.next();
        float right;
        const float left = process (core, x, y, &right);
        float l = x, r = y;
        atanShapeLight (l, g);
        atanShapeLight (r, g);
        ASSERT_EQ (left, dcLeft.processSample ((l * 1.0f) * g));
        ASSERT_EQ (right, dcRight.processSample ((r * 1.0f) * g));
    }
    EXPECT_EQ (core.makeupGain, 1.0f);
}

TEST (CompressorCore, UnknownFilterModeNeverCompresses)
{
    CompressorCore core (44100.0f);
    core.setRatioPreset (5);
    core.setInput (0.9f);
    core.setFilterMode (2);
    NoiseSource noise;
    for (int i = 0; i < 4000; ++i)
        process (core, noise.next(), noise.next());
    const float compressedMeter = core.meterValue.load();
    EXPECT_GT (compressedMeter, 0.01f);

    core.setFilterMode (9);
    for (int i = 0; i < 4000; ++i)
    {
        process (core, noise.next(), noise.next());
        ASSERT_EQ (core.sidechainLeft, 0.0f);
        ASSERT_EQ (core.sidechainRight, 0.0f);
    }
    EXPECT_EQ (core.detectorLeft.envelope, 0.0f);
    EXPECT_EQ (core.detectorRight.envelope, 0.0f);
    EXPECT_LT (core.meterValue.load(), 1e-6f);
}

TEST (CompressorCore, MeterBallistics)
{
    CompressorCore core (44100.0f);
    // Ratio 1: the meter follows the mono sidechain (input gain 1 after the set-up), rising with
    // 0.9 and falling with 0.1.
    process (core, 0.4f, 0.2f);
    EXPECT_EQ (core.meterValue.load(), (float) (0.9 * (double) ((0.4f + 0.2f) * 0.5f)));
    const float risen = core.meterValue.load();
    process (core, 0.0f, 0.0f);
    EXPECT_EQ (core.meterValue.load(), (float) (0.9 * (double) risen));

    // Other ratios: the meter follows 1 - gain.
    CompressorCore compressing (44100.0f);
    compressing.setRatioPreset (5);
    compressing.setAttack (0.0f);
    compressing.setRelease (0.0f);
    compressing.setInput (1.0f);
    for (int i = 0; i < 20; ++i)
        process (compressing, 1.0f, 1.0f);
    // Threshold -17.79 at ratio 20, level 0 dB: the gain is 10^(-16.9/20).
    const double reduction = 1.0 - (double) CompressorCore::computeGain (0.0f, -17.79f, 20.0f, 0.0f, false);
    EXPECT_NEAR (compressing.meterValue.load(), reduction, 1e-3);
}

TEST (CompressorCore, ClipFlagAboveFullScaleOnly)
{
    // Input 0.5 with distortion off (mode 9): the gained mean is 0.5 * (l + r) / 2.
    CompressorCore core (44100.0f);
    core.setDistortionMode (9);
    core.setInput (1.0f);
    process (core, 1.0f, 1.0f);
    EXPECT_FALSE (core.clipFlag.load());
    process (core, 1.0f, 1.0000003f);
    EXPECT_TRUE (core.clipFlag.load());
    EXPECT_TRUE (core.takeClipFlag());
    EXPECT_FALSE (core.clipFlag.load());
    process (core, -1.5f, -0.6f);
    EXPECT_TRUE (core.takeClipFlag());
}

TEST (CompressorCore, ThresholdWrittenByOneSampleActsFromTheNext)
{
    // Ratio 2 after prepare: threshold -13 until the first calibration writes -20 (Attack < 0.1).
    CompressorCore core (44100.0f);
    core.setAttack (0.0f);
    core.setRelease (0.0f);
    core.setInput (1.0f);
    core.setRatioPreset (2);
    core.setDistortionMode (9);

    const float level = 0.5f; // about -6 dB
    const float levelDb = 20.0f * (float) std::log10 ((double) (float) ((std::pow (10.0, (double) (20.0f * (float) std::log10 ((double) level)) / 20.0) * 2.0) * 0.5));
    const float first = CompressorCore::computeGain (levelDb, -13.0f, 2.0f, 0.0f, false);
    const float second = CompressorCore::computeGain (levelDb, -20.0f, 2.0f, 0.0f, false);
    ASSERT_NE (first, second);

    float left = level, right = level;
    core.processSample (&left, &right);
    EXPECT_EQ (core.thresholdDb, -20.0f);
    EXPECT_EQ (core.makeupGain, 2.931f); // the make-up acts at once
    EXPECT_EQ (left, DcBlocker().processSample (((level * first) * 1.0f) * 1.0f * 2.931f));
    EXPECT_NEAR (1.0 - first, core.meterValue.load() / 0.9, 1e-6);

    left = right = level;
    core.processSample (&left, &right);
    EXPECT_NEAR (core.meterValue.load(), 0.1 * (1.0 - first) * 0.9 + 0.9 * (1.0 - second), 1e-6);
}

TEST (CompressorCore, WetDryAndGcChangeNothing)
{
    CompressorCore a (44100.0f), b (44100.0f);
    a.setRatioPreset (3);
    b.setRatioPreset (3);
    b.setWetDry (0.0f);
    b.setGc (0.0f);
    NoiseSource noise;
    for (int i = 0; i < 10000; ++i)
    {
        const float x = noise.next(), y = noise.next();
        float ar, br;
        ASSERT_EQ (process (a, x, y, &ar), process (b, x, y, &br));
        ASSERT_EQ (ar, br);
        if (i == 5000)
        {
            b.setWetDry (1.0f);
            b.setGc (7.0f);
        }
    }
}

TEST (CompressorCore, NonFiniteInputIsTreatedAsZero)
{
    const float bad[] = { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity() };

    for (int filter = 0; filter <= 4; ++filter)
        for (int distortion = 0; distortion <= 5; ++distortion)
            for (int preset : { 1, 4, 6 })
                for (float value : bad)
                    for (int channel = 0; channel < 2; ++channel)
                    {
                        CompressorCore withBad (48000.0f), withZero (48000.0f);
                        for (auto* core : { &withBad, &withZero })
                        {
                            core->setFilterMode (filter);
                            core->setDistortionMode (distortion);
                            core->setRatioPreset (preset);
                            core->setInput (0.8f);
                        }

                        NoiseSource noise;
                        for (int i = 0; i < 300; ++i)
                        {
                            const float x = noise.next(), y = noise.next();
                            const bool hit = i == 100;
                            float l1 = hit && channel == 0 ? value : x, r1 = hit && channel == 1 ? value : y;
                            float l2 = hit && channel == 0 ? 0.0f : x, r2 = hit && channel == 1 ? 0.0f : y;
                            withBad.processSample (&l1, &r1);
                            withZero.processSample (&l2, &r2);
                            ASSERT_TRUE (std::isfinite (l1) && std::isfinite (r1));
                            ASSERT_EQ (l1, l2);
                            ASSERT_EQ (r1, r2);
                        }
                        ASSERT_TRUE (std::isfinite (withBad.meterValue.load()));
                    }
}

TEST (CompressorCore, AStaleCoefficientFromARateChangeIsNeverUsed)
{
    // A parameter thread computes the attack and release coefficients from the rate it last
    // read; the audio thread's rate change and re-sent values land before that thread's stores.
    // The engine must still run on coefficients for the new rate.
    for (const bool staleAttack : { true, false })
    {
        CompressorCore raced (44100.0f), fresh (48000.0f);
        raced.setAttack (0.5f);
        raced.setRelease (0.2f);

        // The parameter thread has read 44100 and computed its coefficient...
        const float staleCoefficient = staleAttack ? LevelDetector::coefficientFor (44100.0f, 5.0f)
                                                   : LevelDetector::coefficientFor (44100.0f, 600.0f);

        // ...when the audio thread switches to 48000 and sends the stored values again...
        raced.prepare (48000.0f);
        for (auto* core : { &raced, &fresh })
        {
            core->setAttack (0.5f);
            core->setRelease (0.2f);
            core->setRatioPreset (3);
            core->setInput (0.9f);
        }

        // ...and only then do the parameter thread's stores land.
        for (auto* detector : { &raced.detectorLeft, &raced.detectorRight })
            (staleAttack ? detector->attackCoef : detector->releaseCoef).store (staleCoefficient);

        NoiseSource noise (5u);
        for (int i = 0; i < 20000; ++i)
        {
            const float x = noise.next() * (i % 4000 < 1000 ? 1.0f : 0.05f), y = noise.next() * 0.5f;
            float rightRaced;
            float rightFresh;
            ASSERT_EQ (process (raced, x, y, &rightRaced), process (fresh, x, y, &rightFresh)) << "sample " << i;
            ASSERT_EQ (rightRaced, rightFresh);
        }
        EXPECT_EQ (raced.detectorLeft.attackCoef.load(), LevelDetector::coefficientFor (48000.0f, 5.0f));
        EXPECT_EQ (raced.detectorRight.releaseCoef.load(), LevelDetector::coefficientFor (48000.0f, 600.0f));
    }
}
