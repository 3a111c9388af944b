#include "DcBlocker.h"
#include "HighPassBiquad.h"
#include "PeakingFilter.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST (HighPassBiquad, CoefficientsAtCommonRates)
{
    const HighPassBiquad at44 (44100.0f);
    EXPECT_FLOAT_EQ (at44.b0, 0.991491914f);
    EXPECT_FLOAT_EQ (at44.b1, -1.98298383f);
    EXPECT_EQ (at44.b2, at44.b0);
    EXPECT_EQ (at44.b1, -2.0f * at44.b0);
    EXPECT_FLOAT_EQ (at44.a1, -1.98291945f);
    EXPECT_FLOAT_EQ (at44.a2, 0.983048201f);

    const HighPassBiquad at48 (48000.0f);
    EXPECT_FLOAT_EQ (at48.b0, 0.992180169f);
    EXPECT_FLOAT_EQ (at48.a1, -1.98430598f);
    EXPECT_FLOAT_EQ (at48.a2, 0.984414756f);
}

TEST (HighPassBiquad, ResponseAndHistory)
{
    HighPassBiquad filter (44100.0f);
    EXPECT_EQ (filter.processSample (0.7f), filter.b0 * 0.7f);

    // A constant input decays towards zero.
    float y = 0;
    for (int i = 0; i < 44100; ++i)
        y = filter.processSample (0.7f);
    EXPECT_LT (std::fabs (y), 1e-4f);

    const auto gainAt = [] (double frequency)
    {
        HighPassBiquad f (44100.0f);
        // clang-format off
        return toDb (sineGain (frequency, 44100.0, [&] (float x) { return f.processSample (x); }, 441000));
        // clang-format on
    };
    EXPECT_NEAR (gainAt (1000.0), 0.0, 0.01);
    EXPECT_NEAR (gainAt (80.0), -3.5, 0.1);
    EXPECT_NEAR (gainAt (40.0), -12.5, 0.2);
    EXPECT_NEAR (gainAt (20.0), -24.0, 0.3);
}

TEST (HighPassBiquad, SnapToZeroClearsOnlySubnormals)
{
    HighPassBiquad filter (44100.0f);
    filter.x1 = 1e-40f;
    filter.x2 = -1e-39f;
    filter.y1 = 2e-38f;
    filter.y2 = -5e-45f;
    filter.snapToZero();
    EXPECT_EQ (filter.x1, 0.0f);
    EXPECT_EQ (filter.x2, 0.0f);
    EXPECT_EQ (filter.y1, 2e-38f);
    EXPECT_EQ (filter.y2, 0.0f);
}

TEST (HighPassBiquad, SnapWhenDecayedWaitsForASubnormalOutput)
{
    HighPassBiquad filter (44100.0f);
    filter.x1 = 1e-40f;
    filter.y1 = 1e-30f;
    filter.y2 = 1e-41f;
    filter.snapToZeroWhenDecayed();
    EXPECT_EQ (filter.x1, 1e-40f);
    EXPECT_EQ (filter.y2, 1e-41f);

    filter.y1 = -3e-39f;
    filter.snapToZeroWhenDecayed();
    EXPECT_EQ (filter.x1, 0.0f);
    EXPECT_EQ (filter.y1, 0.0f);
    EXPECT_EQ (filter.y2, 0.0f);

    // In silence after a signal the history reaches exactly zero, and stays there.
    HighPassBiquad decaying (48000.0f);
    for (int i = 0; i < 1000; ++i)
        decaying.processSample (i % 7 == 0 ? 0.9f : -0.3f);
    for (int i = 0; i < 200000; ++i)
    {
        decaying.processSample (0.0f);
        decaying.snapToZeroWhenDecayed();
        ASSERT_TRUE (decaying.y1 == 0.0f || std::fabs (decaying.y1) >= std::numeric_limits<float>::min());
    }
    EXPECT_EQ (decaying.y1, 0.0f);
    EXPECT_EQ (decaying.y2, 0.0f);
}

TEST (PeakingFilter, CoefficientsAndResponse)
{
    const PeakingFilter at44 (44100.0f);
    EXPECT_FLOAT_EQ (at44.b0, 1.19444203f);
    EXPECT_FLOAT_EQ (at44.b1, -1.87788355f);
    EXPECT_EQ (at44.a1, at44.b1);
    EXPECT_FLOAT_EQ (at44.b2, 0.762348592f);
    EXPECT_FLOAT_EQ (at44.a2, 0.956790686f);
    EXPECT_EQ (at44.sampleRate, 44100.0f);

    const auto gainAt = [] (double frequency, float rate = 44100.0f)
    {
        PeakingFilter f (rate);
        // clang-format off
        return sineGain (frequency, rate, [&] (float x) { f.processSample (x); return x; }, 441000);
        // clang-format on
    };
    EXPECT_NEAR (gainAt (2000.0), 10.0, 0.02);
    EXPECT_NEAR (toDb (gainAt (2000.0, 96000.0f)), 20.0, 0.01);
    EXPECT_NEAR (toDb (gainAt (1000.0)), 3.1, 0.1);
    EXPECT_NEAR (toDb (gainAt (50.0)), 0.0, 0.02);
    EXPECT_NEAR (toDb (gainAt (21000.0)), 0.0, 0.02);
}

TEST (DcBlocker, ImpulseAndSettling)
{
    DcBlocker blocker;
    EXPECT_EQ (blocker.processSample (0.42f), 0.42f);

    DcBlocker impulse;
    EXPECT_EQ (impulse.processSample (1.0f), 1.0f);
    float y = impulse.processSample (0.0f);
    EXPECT_EQ (y, (0.0f - (1.0f + 1e-7f)) + 0.99700004f * 1.0f);
    EXPECT_NEAR (y, -0.0030, 1e-4);
    for (int i = 0; i < 10; ++i)
    {
        const float next = impulse.processSample (0.0f);
        EXPECT_EQ (next, -1e-7f + 0.99700004f * y);
        y = next;
    }

    // A constant input settles at -1e-7 / (1 - 0.99700004), not at zero (up to the rounding of
    // x + 1e-7, which grows with the level).
    for (float level : { 0.0f, 1e-3f, -1e-3f })
    {
        DcBlocker settle;
        float out = 0;
        for (int i = 0; i < 20000; ++i)
            out = settle.processSample (level);
        EXPECT_NEAR (out, -3.3334e-5, level == 0.0f ? 2e-9 : 5e-8) << level;
    }
    EXPECT_EQ (0.99700004f, std::nextafter (0.997f, 1.0f));
}
