// The block path against the per-sample path: processBlock over n samples must equal n calls of
// processSample (or processMonoSample) with the parameters fixed at the block's start, bit for
// bit, in every mode, at every block size, with the fields the editor reads as the per-sample
// path leaves them at the block's end. A key equal to the input gives the same as the internal
// sidechain, in both paths.

#include "CompressorCore.h"
#include "FloatBits.h"
#include "ParameterTable.h"
#include "ReferenceEngine.h"
#include "TestSignals.h"
#include "VectorPathChoice.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace
{
bool sameBits (float a, float b)
{
    return bitsOf (a) == bitsOf (b);
}

/** Two engines given the same writes; one runs blocks, the other single samples. */
struct BlockAndSamples
{
    explicit BlockAndSamples (float rate) : block (rate), samples (rate) {}

    void set (int index, float value)
    {
        block.applyParameter (index, value);
        samples.applyParameter (index, value);
    }

    /** keyed: one of the two paths (the block path for keyedBlock, else the sample path) takes
        a copy of its input as an external key. */
    ::testing::AssertionResult process (std::vector<float> left, std::vector<float> right, bool mono, bool keyed = false, bool keyedBlock = false)
    {
        auto expectedLeft = left, expectedRight = right;
        const auto keyLeft = left, keyRight = right;
        const int n = (int) left.size();
        if (keyed && keyedBlock)
            block.processBlock (left.data(), mono ? nullptr : right.data(), keyLeft.data(), mono ? nullptr : keyRight.data(), n);
        else
            block.processBlock (left.data(), mono ? nullptr : right.data(), n);
        for (int i = 0; i < n; ++i)
        {
            auto& sampleLeft = expectedLeft[(size_t) i];
            float copy = sampleLeft;
            if (keyed && ! keyedBlock)
                samples.processSample (&sampleLeft, mono ? &copy : &expectedRight[(size_t) i], keyLeft[(size_t) i], (mono ? keyLeft : keyRight)[(size_t) i]);
            else if (mono)
                samples.processMonoSample (&sampleLeft);
            else
                samples.processSample (&sampleLeft, &expectedRight[(size_t) i]);
        }

        for (int i = 0; i < n; ++i)
            if (! sameBits (left[(size_t) i], expectedLeft[(size_t) i]) || (! mono && ! sameBits (right[(size_t) i], expectedRight[(size_t) i])))
                return ::testing::AssertionFailure() << "sample " << i << " of " << n << ": " << left[(size_t) i] << " vs " << expectedLeft[(size_t) i];

        if (! sameBits (block.meterValue.load(), samples.meterValue.load()))
            return ::testing::AssertionFailure() << "meter " << block.meterValue.load() << " vs " << samples.meterValue.load();
        if (block.takeClipFlag() != samples.takeClipFlag())
            return ::testing::AssertionFailure() << "clip flag";
        if (! sameBits (block.getLastGain(), samples.getLastGain()) || ! sameBits (block.thresholdDb, samples.thresholdDb)
            || ! sameBits (block.makeupGain, samples.makeupGain) || ! sameBits (block.meterState, samples.meterState)
            || ! sameBits (block.sidechainLeft, samples.sidechainLeft) || ! sameBits (block.sidechainRight, samples.sidechainRight))
            return ::testing::AssertionFailure() << "a field differs at the block's end";
        return ::testing::AssertionSuccess();
    }

    CompressorCore block, samples;
};

float randomValue (NoiseSource& random, const velk::ParameterInfo& parameter)
{
    if (parameter.isSwitch())
        return (float) ((int) random.nextInt ((std::uint32_t) parameter.numPositions + 2) + parameter.firstPosition - 1);
    switch (random.nextInt (8))
    {
        case 0: return 0.0f;
        case 1: return 1.0f;
        case 2: return 0.7f;
        case 3: return 0.69f;
        default: return 0.5f + 0.5f * random.next();
    }
}
} // namespace

TEST (BlockPath, EqualsTheSamplePathAtEveryBlockSize)
{
    for (const float rate : { 44100.0f, 48000.0f, 96000.0f })
        for (const bool mono : { false, true })
        {
            BlockAndSamples pair (rate);
            NoiseSource random ((std::uint32_t) rate + (mono ? 1u : 0u)), noise (11u);
            const float levels[] = { 0.0f, 1e-6f, 0.05f, 0.2f, 0.5f, 1.0f, 3.0f };

            for (int block = 0; block < 700; ++block)
            {
                if (random.nextInt (3) == 0)
                {
                    const auto& parameter = velk::parameterTable[random.nextInt (velk::numParameters)];
                    pair.set (parameter.index, randomValue (random, parameter));
                }

                // Every size from 1 to 64 in turn, and now and then one up to 4096.
                const int size = block % 8 == 7 ? 1 + (int) random.nextInt (4096) : 1 + block % 64;
                const float level = levels[random.nextInt (7)];
                std::vector<float> left ((size_t) size), right ((size_t) size);
                for (int i = 0; i < size; ++i)
                {
                    left[(size_t) i] = level * noise.next();
                    right[(size_t) i] = random.nextInt (4) == 0 ? left[(size_t) i] : level * noise.next();
                }
                // Every third block one path hears its input as an external key.
                const bool keyed = block % 3 == 1;
                ASSERT_TRUE (pair.process (left, right, mono, keyed, block % 2 == 0))
                    << rate << " Hz, " << (mono ? "mono" : "stereo") << (keyed ? ", keyed" : "") << ", block " << block << " of " << size;
            }
        }
}

TEST (BlockPath, ANewThresholdActsFromTheBlocksSecondSample)
{
    // The calibration rule holds inside a block: a new make-up gain acts from the first sample,
    // a new threshold from the second.
    BlockAndSamples pair (48000.0f);
    pair.set (velk::attackParameter, 0.0f);
    pair.set (velk::releaseParameter, 0.0f);
    pair.set (velk::inputParameter, 1.0f);
    pair.set (velk::distortionParameter, 9.0f);
    std::vector<float> steady (64, 0.5f);
    ASSERT_TRUE (pair.process (steady, steady, false));

    for (const int preset : { 2, 3, 6, 1, 4 })
    {
        pair.set (velk::ratioParameter, (float) preset);
        ASSERT_TRUE (pair.process (steady, steady, false)) << preset;
        ASSERT_TRUE (pair.process ({ 0.5f }, { 0.5f }, false)) << preset;
    }
}

TEST (BlockPath, MatchesThePlainFormulasInEveryMode)
{
    // The block path side by side with the formulas evaluated plainly on every sample: every
    // distortion, filter and ratio mode, three rates, mono and stereo, every block size from 1 to
    // 64 and a random spread up to 4096. 24 million samples in a plain build; fewer under a
    // sanitizer, which runs every test again.
#if VELK_SANITIZED_BUILD
    const long samplesPerRun = 250000;
#else
    const long samplesPerRun = 2000000;
#endif
    for (const int lanes : vectorPaths())
    {
        const long fallbacksBefore = vectorexactmath::fallbackCount();
        for (const float rate : { 44100.0f, 48000.0f, 96000.0f })
            for (const bool mono : { false, true })
            {
                // Every vector path the machine has: eight, four and two lanes.
                const PathChoice choice (lanes);
                CompressorCore engine (rate);
                ReferenceEngine reference (rate);
                NoiseSource random ((std::uint32_t) rate * 3u + (mono ? 7u : 0u)), noise (5u);
                const float levels[] = { 0.0f, 1e-6f, 0.05f, 0.2f, 0.5f, 1.0f, 3.0f };

                for (long done = 0, block = 0; done < samplesPerRun; ++block)
                {
                    if (random.nextInt (4) == 0)
                    {
                        // A new mode or value, as the processor's setter writes it.
                        const int which = (int) random.nextInt (7);
                        const float value = 0.5f + 0.5f * random.next();
                        const int mode = (int) random.nextInt (7) - 1;
                        switch (which)
                        {
                            case 0:
                                engine.setInput (value);
                                reference.setInput (value);
                                break;
                            case 1:
                                engine.setAttack (value);
                                reference.setAttack (value);
                                break;
                            case 2:
                                engine.setRelease (value * 0.3f);
                                reference.setRelease (value * 0.3f);
                                break;
                            case 3:
                                engine.setOutput (value);
                                reference.setOutput (value);
                                break;
                            case 4:
                                engine.setRatioPreset (mode + 1);
                                reference.setRatioPreset (mode + 1);
                                break;
                            case 5:
                                engine.setDistortionMode (mode);
                                reference.setDistortionMode (mode);
                                break;
                            default:
                                engine.setFilterMode (mode);
                                reference.setFilterMode (mode);
                                break;
                        }
                    }

                    const int size = block % 8 == 7 ? 1 + (int) random.nextInt (4096) : 1 + (int) (block % 64);
                    const float level = levels[random.nextInt (7)];
                    std::vector<float> left ((size_t) size), right ((size_t) size);
                    for (auto& x : left)
                        x = level * noise.next();
                    for (auto& x : right)
                        x = level * noise.next();
                    if (mono)
                        right = left;

                    auto expectedLeft = left, expectedRight = right;
                    engine.processBlock (left.data(), mono ? nullptr : right.data(), size);
                    for (int i = 0; i < size; ++i)
                    {
                        reference.processSample (expectedLeft[(size_t) i], expectedRight[(size_t) i]);
                        ASSERT_TRUE (sameBits (left[(size_t) i], expectedLeft[(size_t) i]) && (mono || sameBits (right[(size_t) i], expectedRight[(size_t) i])))
                            << rate << " Hz " << (mono ? "mono" : "stereo") << ", block " << block << " of " << size << ", sample " << i;
                    }
                    ASSERT_EQ (engine.takeClipFlag(), reference.clipFlag);
                    reference.clipFlag = false;
                    done += size;
                }
            }
        // Some lanes were undecided and took the scalar path: that path was checked too.
        EXPECT_GT (vectorexactmath::fallbackCount(), fallbacksBefore) << lanes << " lanes";
    }
}

TEST (BlockPath, EmptyBlocksNonFiniteInputAndOverflowMatchTheSamplePath)
{
    // An empty block changes nothing; non-finite samples enter as 0; overflowing gains leave 0
    // and restart the filters, in the block path as in the per-sample path.
    const float inf = std::numeric_limits<float>::infinity(), notANumber = std::numeric_limits<float>::quiet_NaN();
    for (int filter = 0; filter <= 3; ++filter)
        for (int distortion = 0; distortion <= 4; ++distortion)
        {
            BlockAndSamples pair (44100.0f);
            pair.set (velk::filterParameter, (float) filter);
            pair.set (velk::distortionParameter, (float) distortion);
            pair.set (velk::ratioParameter, 3.0f);
            NoiseSource noise ((std::uint32_t) (filter * 10 + distortion + 1));
            const auto noiseBlock = [&] (int size)
            {
                std::vector<float> x ((size_t) size);
                for (auto& v : x)
                    v = noise.next();
                return x;
            };

            ASSERT_TRUE (pair.process ({}, {}, false));
            auto left = noiseBlock (300), right = noiseBlock (300);
            left[10] = notANumber;
            right[20] = inf;
            left[30] = -inf;
            ASSERT_TRUE (pair.process (left, right, false)) << filter << ", " << distortion;
            // A non-finite key sample counts as silence, as a non-finite input sample does.
            ASSERT_TRUE (pair.process (left, right, false, true, distortion % 2 == 0)) << filter << ", " << distortion << ", keyed";

            for (const float huge : { 1e38f, std::numeric_limits<float>::max() })
            {
                pair.set (velk::inputParameter, huge);
                ASSERT_TRUE (pair.process (noiseBlock (300), noiseBlock (300), false)) << filter << ", " << distortion << ", " << huge;
                pair.set (velk::inputParameter, 0.5f);
                pair.set (velk::outputParameter, huge);
                ASSERT_TRUE (pair.process (noiseBlock (300), noiseBlock (300), false)) << filter << ", " << distortion << ", " << huge;
                pair.set (velk::outputParameter, 0.54f);
                ASSERT_TRUE (pair.process (noiseBlock (300), noiseBlock (300), true)) << filter << ", " << distortion << ", " << huge;
            }
        }
}

TEST (KeyInput, TheKeyAloneDrivesTheGain)
{
    // Quiet audio keyed by a loud signal is reduced exactly as the loud signal itself would be;
    // a silent key leaves loud audio unreduced.
    for (const int filter : { 0, 1, 3 })
    {
        CompressorCore keyed (48000.0f), internal (48000.0f), silentKey (48000.0f);
        for (auto* engine : { &keyed, &internal, &silentKey })
        {
            engine->applyParameter (velk::inputParameter, 0.9f);
            engine->applyParameter (velk::attackParameter, 0.2f);
            engine->applyParameter (velk::ratioParameter, 3.0f);
            engine->applyParameter (velk::filterParameter, (float) filter);
        }

        NoiseSource noise (5u);
        float smallestGain = 1.0f;
        for (int block = 0; block < 40; ++block)
        {
            std::vector<float> loudLeft (256), loudRight (256), quietLeft (256), quietRight (256);
            for (size_t i = 0; i < 256; ++i)
            {
                loudLeft[i] = 0.9f * noise.next();
                loudRight[i] = 0.9f * noise.next();
                quietLeft[i] = 0.01f * noise.next();
                quietRight[i] = 0.01f * noise.next();
            }
            const std::vector<float> key[] = { loudLeft, loudRight }, silence (256, 0.0f);
            auto mutedLeft = loudLeft, mutedRight = loudRight;

            keyed.processBlock (quietLeft.data(), quietRight.data(), key[0].data(), key[1].data(), 256);
            internal.processBlock (loudLeft.data(), loudRight.data(), 256);
            silentKey.processBlock (mutedLeft.data(), mutedRight.data(), silence.data(), nullptr, 256);
            ASSERT_TRUE (sameBits (keyed.getLastGain(), internal.getLastGain())) << filter << ", block " << block;
            ASSERT_TRUE (sameBits (keyed.meterValue.load(), internal.meterValue.load())) << filter << ", block " << block;
            ASSERT_EQ (silentKey.getLastGain(), 1.0f) << filter << ", block " << block;
            smallestGain = std::min (smallestGain, keyed.getLastGain());
        }
        EXPECT_LT (smallestGain, 0.8f) << filter;
    }
}
