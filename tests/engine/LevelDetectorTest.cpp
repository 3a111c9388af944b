#include "LevelDetector.h"
#include "FloatBits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace
{
/** A detector reset and prepared, as the engine sets its two up. */
struct PreparedDetector : LevelDetector
{
    PreparedDetector (float rate, float newAttackMs, float newReleaseMs)
    {
        reset();
        prepare (rate, newAttackMs, newReleaseMs);
    }
};
} // namespace

TEST (LevelDetector, ResetAndPrepareSetTheirFields)
{
    LevelDetector detector;
    detector.prepare (48000.0f, 3.0f, 50.0f);
    detector.processEnvelope (0.5f);
    detector.reset();
    EXPECT_EQ (detector.attackCoef.load(), 0.0f);
    EXPECT_EQ (detector.releaseCoef.load(), 0.0f);
    EXPECT_EQ (detector.envelope, 0.0f);
    EXPECT_EQ (detector.mode, DetectorMode::Peak);
    EXPECT_FALSE (detector.logOutput);
    EXPECT_EQ (detector.sampleRate.load(), 44100.0f);
    // After reset both coefficients are 0: the follower is instantaneous and linear.
    EXPECT_EQ (detector.processSample (-0.25f), 0.25f);

    detector.prepare (48000.0f, 3.0f, 50.0f);
    EXPECT_EQ (detector.envelope, 0.0f);
    EXPECT_TRUE (detector.logOutput);
    EXPECT_EQ (detector.mode, DetectorMode::RootOfSquare);
    EXPECT_EQ (detector.attackMs.load(), 3.0f);
    EXPECT_EQ (detector.releaseMs.load(), 50.0f);
    EXPECT_EQ (detector.attackCoef.load(), 0.993079603f); // exp (-1000 / (48000 * 3))
}

TEST (LevelDetector, CoefficientsAt44100)
{
    PreparedDetector detector (44100.0f, 1.0f, 0.1f);
    EXPECT_NEAR (detector.attackCoef.load(), 0.97758, 1e-5);
    EXPECT_NEAR (detector.releaseCoef.load(), 0.79711, 1e-5);
    detector.setAttack (10.0f);
    detector.setRelease (3000.0f);
    EXPECT_NEAR (detector.attackCoef.load(), 0.99774, 1e-5);
    EXPECT_NEAR (detector.releaseCoef.load(), 0.9999924, 1e-7);
    EXPECT_EQ (detector.attackMs.load(), 10.0f);
    EXPECT_EQ (detector.releaseMs.load(), 3000.0f);

    // A time of 0 gives exactly 0; a negative time a coefficient above 1.
    detector.setAttack (0.0f);
    EXPECT_EQ (detector.attackCoef.load(), 0.0f);
    detector.setRelease (-1.0f);
    EXPECT_GT (detector.releaseCoef.load(), 1.0f);
}

TEST (LevelDetector, BallisticsFollowTheOnePoleFormula)
{
    PreparedDetector detector (44100.0f, 1.0f, 100.0f);
    const float attack = detector.attackCoef.load();
    const float release = detector.releaseCoef.load();

    float expected = 0.0f;
    for (int i = 0; i < 2000; ++i)
    {
        const float x = i < 1000 ? 0.5f : 0.1f;
        expected = x > expected ? (expected - x) * attack + x : (expected - x) * release + x;
        ASSERT_EQ (detector.processSample (x), 20.0f * (float) std::log10 ((double) expected)) << "sample " << i;
    }

    // After 1 ms of a step the envelope covers 1 - 1/e of it.
    PreparedDetector fresh (44100.0f, 1.0f, 100.0f);
    fresh.logOutput = false;
    float e = 0;
    for (int i = 0; i < 44; ++i)
        e = fresh.processSample (1.0f - 1e-6f);
    EXPECT_NEAR (e, 1.0 - std::exp (-44.0 / 44.1), 1e-3);
}

TEST (LevelDetector, SilenceFlushesToExactlyZero)
{
    PreparedDetector detector (44100.0f, 1.0f, 0.1f);
    detector.processSample (1.0f);
    float out = 0.0f;
    for (int i = 0; i < 2000; ++i)
    {
        out = detector.processSample (0.0f);
        ASSERT_TRUE (detector.envelope == 0.0f || detector.envelope >= std::numeric_limits<float>::min());
    }
    EXPECT_EQ (detector.envelope, 0.0f);
    EXPECT_EQ (out, -110.0f);

    // The smallest normal float itself is flushed.
    detector.releaseCoef = 1.0f;
    detector.envelope = std::numeric_limits<float>::min();
    EXPECT_EQ (detector.processSample (0.0f), -110.0f);
    detector.envelope = 2.0f * std::numeric_limits<float>::min();
    EXPECT_LT (detector.processSample (0.0f), -700.0f);
}

TEST (LevelDetector, ClampAndEdgeInputs)
{
    PreparedDetector detector (44100.0f, 1.0f, 0.1f);
    for (int i = 0; i < 5000; ++i)
        detector.processSample (-3.0f);
    EXPECT_EQ (detector.envelope, 1.0f);
    EXPECT_EQ (detector.processSample (2.0f), 0.0f);

    // An input equal to the envelope takes the release side and stays put.
    detector.envelope = 0.25f;
    detector.processSample (0.25f);
    EXPECT_EQ (detector.envelope, 0.25f);

    // A non-finite input gives an envelope of 1.0 for that sample, then releases normally.
    detector.envelope = 0.1f;
    EXPECT_EQ (detector.processSample (std::numeric_limits<float>::quiet_NaN()), 0.0f);
    EXPECT_EQ (detector.envelope, 1.0f);
    detector.processSample (0.0f);
    EXPECT_LT (detector.envelope, 1.0f);

    // Zero times make both sides instantaneous.
    detector.setAttack (0.0f);
    detector.setRelease (0.0f);
    detector.logOutput = false;
    EXPECT_EQ (detector.processSample (0.3f), 0.3f);
    EXPECT_EQ (detector.processSample (0.1f), 0.1f);
}

TEST (LevelDetector, Rectifiers)
{
    PreparedDetector detector (44100.0f, 0.0f, 0.0f);
    detector.logOutput = false;

    detector.mode = DetectorMode::Peak;
    EXPECT_EQ (detector.processSample (-0.5f), 0.5f);
    detector.mode = DetectorMode::Square;
    EXPECT_EQ (detector.processSample (-0.5f), 0.25f);
    detector.mode = static_cast<DetectorMode> (7);
    EXPECT_EQ (detector.processSample (-0.5f), 0.5f);
    detector.mode = DetectorMode::RootOfSquare;
    // Below about 1e-19 the square underflows and the root of square reads 0.
    EXPECT_EQ (detector.processSample (-0.5f), 0.5f);
    EXPECT_EQ (detector.processSample (1e-23f), 0.0f);
    for (float x : { 0.1f, 0.3f, 0.7f, 1e-10f })
        EXPECT_EQ (detector.processSample (x), (float) std::pow ((double) (x * x), 0.5)) << x;
}

TEST (LevelDetector, RootOfSquareIsTheMagnitudeWhereTheSquareIsNormal)
{
    // The detector skips the square root for magnitudes in [2^-62, 2^62). Every mantissa with
    // both exponent parities, at both ends of that range and at unity, shows that the rounded
    // root of the rounded square gives the magnitude back; scaling by 4 changes nothing else.
    long mismatches = 0;
    for (std::uint32_t bits = 0x3f800000u; bits < 0x40800000u; ++bits)
    {
        const float m = floatOf (bits);
        for (float scale : { 1.0f, 0x1p-62f, 0x1p60f })
        {
            const float x = m * scale;
            if ((float) std::sqrt ((double) (x * x)) != x)
                ++mismatches;
        }
    }
    EXPECT_EQ (mismatches, 0);

    // Below the range the square underflows and the root differs; the detector computes it.
    float tiny = 0x1p-66f;
    while ((float) std::sqrt ((double) (tiny * tiny)) == tiny)
        tiny = std::nextafter (tiny, 1.0f);
    ASSERT_LT (tiny, 0x1p-65f);
    PreparedDetector detector (44100.0f, 0.0f, 0.0f);
    detector.logOutput = false;
    EXPECT_EQ (detector.processSample (tiny), (float) std::sqrt ((double) (tiny * tiny)));
}
