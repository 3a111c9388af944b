// What a faulty host, controller mapping or upstream plug-in can send must never lock the output:
// non-finite and overflowing parameter values, in every mode.

#include "ParameterTable.h"
#include "ProcessorTestHelpers.h"

#include <cmath>
#include <limits>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

namespace
{
constexpr float notANumber = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

bool allFinite (const juce::AudioBuffer<float>& buffer)
{
    for (int c = 0; c < buffer.getNumChannels(); ++c)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            if (! std::isfinite (buffer.getSample (c, i)))
                return false;
    return true;
}

bool anyNonZero (const juce::AudioBuffer<float>& buffer)
{
    return buffer.getMagnitude (0, buffer.getNumSamples()) > 0.0f;
}

/** A compressing stereo processor in the given modes, already running. */
std::unique_ptr<MyTestAudioProcessor> runningProcessor (int distortion, int filter)
{
    auto processor = std::make_unique<MyTestAudioProcessor>();
    processor->setPlayConfigDetails (2, 2, 48000.0, 256);
    processor->setParameter (velk::inputParameter, 0.8f);
    processor->setParameter (velk::attackParameter, 0.3f);
    processor->setParameter (velk::ratioParameter, 3.0f);
    processor->setParameter (velk::distortionParameter, (float) distortion);
    processor->setParameter (velk::filterParameter, (float) filter);
    auto block = noiseBuffer (2, 256, 1u);
    process (*processor, block);
    return processor;
}
} // namespace

TEST (Robustness, NonFiniteParameterValuesAreStoredAndAppliedAsZero)
{
    for (int distortion = 0; distortion <= 4; ++distortion)
        for (int filter = 0; filter <= 3; ++filter)
            for (const auto& parameter : velk::parameterTable)
                for (const float bad : { notANumber, inf, -inf })
                {
                    auto processor = runningProcessor (distortion, filter);
                    processor->setParameter (parameter.index, bad);
                    EXPECT_EQ (processor->getParameter (parameter.index), 0.0f) << parameter.name;

                    std::uint32_t seed = 2u;
                    for (int block = 0; block < 3; ++block)
                    {
                        if (block == 1)
                            processor->setParameter (parameter.index, parameter.defaultValue);
                        auto buffer = noiseBuffer (2, 256, seed++);
                        process (*processor, buffer);
                        ASSERT_TRUE (allFinite (buffer)) << parameter.name << " = " << bad << ", distortion " << distortion
                                                         << ", filter " << filter << ", block " << block;
                    }
                    EXPECT_EQ (processor->getParameter (parameter.index), parameter.defaultValue);
                }
}

TEST (Robustness, OverflowingGainsGiveSilenceAndTheOutputRecovers)
{
    // Finite values whose gains overflow: the output is 0 where it would not be finite, no
    // filter keeps the overflow, and sound returns with sane values.
    const float huge = std::numeric_limits<float>::max();

    for (int distortion = 0; distortion <= 5; ++distortion)
        for (int filter = 0; filter <= 3; ++filter)
            for (const auto& [index, value] : { std::pair { velk::inputParameter, huge }, std::pair { velk::inputParameter, 1e38f },
                                                std::pair { velk::outputParameter, huge }, std::pair { velk::outputParameter, 1e38f } })
            {
                auto processor = runningProcessor (distortion, filter);
                processor->setParameter (index, value);
                auto loud = noiseBuffer (2, 512, 3u);
                process (*processor, loud);
                ASSERT_TRUE (allFinite (loud)) << index << " = " << value << ", distortion " << distortion << ", filter " << filter;
                EXPECT_TRUE (std::isfinite (processor->getEngine().meterValue.load()));

                processor->setParameter (index, velk::parameterInfo (index).defaultValue);
                for (std::uint32_t seed = 4u; seed < 8u; ++seed)
                {
                    auto buffer = noiseBuffer (2, 512, seed);
                    process (*processor, buffer);
                    ASSERT_TRUE (allFinite (buffer));
                    if (seed == 7u)
                    {
                        EXPECT_TRUE (anyNonZero (buffer)) << "sound returns: " << index << ", distortion " << distortion << ", filter " << filter;
                    }
                }
            }
}

TEST (Robustness, FiniteSettingsKeepTheirExactOutput)
{
    // The guards act only where a value is not finite: a processor driven to the edge of
    // overflow and back matches the engine run plainly, sample for sample.
    auto processor = runningProcessor (0, 2);
    CompressorCore engine (48000.0f);
    for (int i = 0; i < velk::numParameters; ++i)
        engine.applyParameter (i, processor->getParameter (i));

    auto warmUp = noiseBuffer (2, 256, 1u);
    for (int i = 0; i < 256; ++i)
        engine.processSample (warmUp.getWritePointer (0) + i, warmUp.getWritePointer (1) + i);

    for (const float output : { 0.54f, 1000.0f, 0.0f, 2.0f })
    {
        processor->setParameter (velk::outputParameter, output);
        engine.setOutput (output);
        auto buffer = noiseBuffer (2, 512, 9u);
        auto expected = buffer;
        process (*processor, buffer);
        for (int i = 0; i < 512; ++i)
            engine.processSample (expected.getWritePointer (0) + i, expected.getWritePointer (1) + i);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 512; ++i)
                ASSERT_EQ (buffer.getSample (c, i), expected.getSample (c, i)) << output;
    }
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
