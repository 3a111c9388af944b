// The engine caches what depends only on parameters or the rate, skips the gain curve where its
// result is exactly 1 and flushes subnormal filter history. These tests run it side by side with
// the plain formulas over millions of samples and require identical output bits.

#include "CompressorCore.h"
#include "FloatBits.h"
#include "ReferenceEngine.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
class SideBySide
{
public:
    explicit SideBySide (float rate) : engine (rate), reference (rate) {}

    // clang-format off
    void setInput (float v)          { engine.setInput (v); reference.setInput (v); }
    void setAttack (float v)         { engine.setAttack (v); reference.setAttack (v); }
    void setRelease (float v)        { engine.setRelease (v); reference.setRelease (v); }
    void setOutput (float v)         { engine.setOutput (v); reference.setOutput (v); }
    void setRatioPreset (int p)      { engine.setRatioPreset (p); reference.setRatioPreset (p); }
    void setDistortionMode (int m)   { engine.setDistortionMode (m); reference.setDistortionMode (m); }
    void setFilterMode (int m)       { engine.setFilterMode (m); reference.setFilterMode (m); }
    // clang-format on

    /** Runs one pair through both; false (with a message) at the first differing bit. */
    ::testing::AssertionResult process (float left, float right)
    {
        float el = left, er = right, rl = left, rr = right;
        engine.processSample (&el, &er);
        reference.processSample (rl, rr);
        ++count;
        if (bitsOf (el) != bitsOf (rl) || bitsOf (er) != bitsOf (rr))
            return ::testing::AssertionFailure() << "sample " << count << ": engine " << el << ", " << er
                                                 << " reference " << rl << ", " << rr;
        // With ratio 1 the meter follows the sidechain itself, so the filters' subnormal flush can
        // move it by amounts of that size: the one place where the two may differ, some 30
        // orders of magnitude below the meter's first lamp (0.0625).
        const float meter = engine.meterValue.load(), referenceMeter = reference.meterValue();
        const bool negligible = std::fabs ((double) meter - (double) referenceMeter) < 1e-30;
        if (bitsOf (meter) != bitsOf (referenceMeter) && ! negligible)
            return ::testing::AssertionFailure() << "meter differs at sample " << count << ": " << meter << " vs " << referenceMeter;
        if (engine.clipFlag.load() != reference.clipFlag)
            return ::testing::AssertionFailure() << "clip flag differs at sample " << count;
        return ::testing::AssertionSuccess();
    }

    CompressorCore engine;
    ReferenceEngine reference;
    long count = 0;
};

float randomParameter (NoiseSource& random)
{
    switch (random.nextInt (10))
    {
        // clang-format off
        case 0:  return 0.0f;
        case 1:  return 1.0f;
        case 2:  return 0.7f;
        case 3:  return 0.69f;
        case 4:  return -0.2f;
        case 5:  return 1.0f + random.nextInt (100) * 0.01f;
        // clang-format on
        default: return 0.5f + 0.5f * random.next();
    }
}

void randomSettings (SideBySide& pair, NoiseSource& random)
{
    switch (random.nextInt (7))
    {
        case 0: pair.setInput (randomParameter (random)); break;
        case 1: pair.setAttack (randomParameter (random)); break;
        case 2: pair.setRelease (std::fabs (randomParameter (random))); break;
        case 3: pair.setOutput (randomParameter (random)); break;
        case 4: pair.setRatioPreset ((int) random.nextInt (8)); break;
        case 5: pair.setDistortionMode ((int) random.nextInt (7) - 1); break;
        default: pair.setFilterMode ((int) random.nextInt (6) - 1); break;
    }
}
} // namespace

TEST (Equivalence, RandomSettingsAndSignals)
{
    for (float rate : { 44100.0f, 48000.0f, 96000.0f })
    {
        SideBySide pair (rate);
        NoiseSource random ((std::uint32_t) rate);
        NoiseSource noise (7u);
        const float levels[] = { 0.0f, 1e-30f, 1e-6f, 0.01f, 0.05f, 0.1f, 0.2f, 0.3f, 0.5f, 1.0f, 3.0f };

        for (int segment = 0; segment < 400; ++segment)
        {
            for (int changes = (int) random.nextInt (4); changes >= 0; --changes)
                randomSettings (pair, random);

            const float level = levels[random.nextInt (11)];
            const int length = 1 + (int) random.nextInt (segment % 10 == 0 ? 30000 : 3000);
            const bool correlated = random.nextInt (3) == 0;
            for (int i = 0; i < length; ++i)
            {
                const float left = level * noise.next();
                const float right = correlated ? left : level * noise.next();
                ASSERT_TRUE (pair.process (left, right)) << "rate " << rate << " segment " << segment;
            }
        }
    }
}

TEST (Equivalence, LevelSweepsAcrossEveryThreshold)
{
    // A slow sweep with instant release puts the level on thousands of values right around each
    // preset's threshold and knee.
    for (int preset = 2; preset <= 6; ++preset)
        for (float attack : { 0.05f, 0.55f, 0.95f, 1.0f })
        {
            SideBySide pair (48000.0f);
            pair.setRatioPreset (preset);
            pair.setAttack (attack);
            pair.setRelease (0.0f);
            pair.setInput (0.25f + 0.25f * (float) (preset % 3));
            for (int i = 0; i < 60000; ++i)
            {
                // -50 dB to 0 dB sidechain level on the left, a fixed offset on the right.
                const float level = (float) std::pow (10.0, (-50.0 + 50.0 * i / 60000.0) / 20.0);
                ASSERT_TRUE (pair.process (level, 0.9f * level)) << "preset " << preset << " attack " << attack;
            }
        }
}

TEST (Equivalence, SilenceAfterBurstsInEveryFilterMode)
{
    for (int filter = 0; filter <= 3; ++filter)
        for (int preset : { 1, 3 })
        {
            SideBySide pair (48000.0f);
            pair.setFilterMode (filter);
            pair.setRatioPreset (preset);
            pair.setInput (0.7f);
            NoiseSource noise;
            for (int burst = 0; burst < 6; ++burst)
            {
                for (int i = 0; i < 2000; ++i)
                    ASSERT_TRUE (pair.process (0.5f * noise.next(), 0.5f * noise.next()));
                // Long enough for the filters' history to decay through the subnormal range.
                for (int i = 0; i < 200000; ++i)
                    ASSERT_TRUE (pair.process (0.0f, 0.0f)) << "filter " << filter;
                // Switch modes between bursts: the high-pass history is shared by modes 1 and 2.
                if (filter == 1 || filter == 2)
                    pair.setFilterMode (3 - filter);
            }
        }
}

TEST (Equivalence, LargeButFiniteGainsMatchTheFormulas)
{
    // The overflow guards act only on values that are not finite: gains far beyond the knobs'
    // range, whose output stays finite, still match the plain formulas bit for bit.
    for (int filter = 0; filter <= 3; ++filter)
        for (int distortion = 0; distortion <= 4; ++distortion)
        {
            SideBySide pair (48000.0f);
            pair.setFilterMode (filter);
            pair.setDistortionMode (distortion);
            pair.setRatioPreset (3);
            NoiseSource noise ((std::uint32_t) (filter * 5 + distortion + 1));
            for (const auto& [input, output] : { std::pair { 30.0f, 1000.0f }, std::pair { 0.5f, 1e5f }, std::pair { 1e4f, 0.5f } })
            {
                pair.setInput (input);
                pair.setOutput (output);
                for (int i = 0; i < 3000; ++i)
                    ASSERT_TRUE (pair.process (noise.next(), 0.5f * noise.next())) << filter << ", " << distortion << ", " << input << ", " << output;
            }
        }
}
