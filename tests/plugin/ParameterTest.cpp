#include "ProcessorTestHelpers.h"

#include <cmath>
#include <limits>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

TEST (ParameterTable, NamesDefaultsAndTheFixedAnswers)
{
    MyTestAudioProcessor processor;
    EXPECT_EQ (processor.getNumParameters(), 9);
    EXPECT_EQ (processor.getName(), "VELK");

    const char* names[] = { "Input", "Attack", "Release", "Output", "Ratio", "Distortion", "Filter", "Wet/Dry", "Gc" };
    const float defaults[] = { 0.5f, 1.0f, 0.1f, 0.54f, 1.0f, 0.0f, 0.0f, 0.5f, 0.5f };
    for (int i = 0; i < 9; ++i)
    {
        EXPECT_EQ (processor.getParameterName (i), names[i]);
        EXPECT_EQ (processor.getParameter (i), defaults[i]) << i;
        EXPECT_TRUE (processor.isParameterAutomatable (i));
        EXPECT_EQ (processor.getParameterLabel (i), "");
        EXPECT_EQ (processor.getParameterNumSteps (i), juce::AudioProcessor::getDefaultNumParameterSteps());
    }

    // The framework's two-argument forms cut the one-argument result.
    EXPECT_EQ (processor.getParameterName (5, 4), "Dist");
    EXPECT_EQ (processor.getParameterText (1, 5), "300.0");

    EXPECT_EQ (processor.getNumPrograms(), 0);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_EQ (processor.getProgramName (0), "");
    EXPECT_FALSE (processor.acceptsMidi());
    EXPECT_FALSE (processor.producesMidi());
    EXPECT_FALSE (processor.silenceInProducesSilenceOut());
    EXPECT_EQ (processor.getTailLengthSeconds(), 0.0);
    EXPECT_TRUE (processor.hasEditor());
    EXPECT_EQ (processor.getInputChannelName (0), "1");
    EXPECT_EQ (processor.getOutputChannelName (1), "2");
    EXPECT_TRUE (processor.isInputChannelStereoPair (0));
    EXPECT_TRUE (processor.isOutputChannelStereoPair (1));
}

TEST (ParameterTable, IndicesOutsideTheTable)
{
    MyTestAudioProcessor processor;
    const auto before = parametersOf (processor);
    for (int index : { 9, 10, -1, std::numeric_limits<int>::min(), std::numeric_limits<int>::max() })
    {
        EXPECT_EQ (processor.getParameter (index), 0.0f);
        EXPECT_EQ (processor.getParameterName (index), "");
        EXPECT_EQ (processor.getParameterText (index), "");
        EXPECT_EQ (processor.getParameterName (index, 16), "");
        processor.setParameter (index, 0.9f);
    }
    EXPECT_EQ (parametersOf (processor), before);
}

TEST (ParameterTable, DisplayTexts)
{
    MyTestAudioProcessor processor;
    // clang-format off
    struct Case { int index; float value; const char* text; };
    const Case cases[] = {
        { 0, 0.0f, "0.000" },     { 0, 0.5f, "0.500" },    { 3, 0.54f, "0.540" },   { 0, -0.25f, "-0.250" },
        { 5, 2.9f, "2.900" },     { 6, 1.0f, "1.000" },    { 4, 3.7f, "3.000" },    { 7, 0.5f, "0.500" },
        { 8, 0.125f, "0.125" },
        { 1, 1.0f, "300.00 ms" }, { 1, 0.001f, "0.30 ms" }, { 1, 0.5f, "150.00 ms" },
        { 2, 0.1f, " 300 ms" },   { 2, 1.0f / 3.0f, "   1 sec" }, { 2, 0.5f, "   2 sec" }, { 2, 1.0f, "   3 sec" },
        // clang-format on
        { 2, 0.0f, "   0 ms" },
    };
    for (const auto& c : cases)
    {
        processor.setParameter (c.index, c.value);
        EXPECT_EQ (processor.getParameterText (c.index), c.text) << c.index << " " << c.value;
    }

    // 1/3 is exactly 1000 ms of release time in single precision: the unit switches there.
    EXPECT_EQ ((1.0f / 3.0f) * 3000.0f, 1000.0f);
    processor.setParameter (2, std::nextafter (1.0f / 3.0f, 0.0f));
    EXPECT_TRUE (processor.getParameterText (2).endsWith (" ms"));
}

TEST (ParameterTable, WritesReachTheEngine)
{
    MyTestAudioProcessor processor;
    auto& engine = processor.getEngine();

    processor.setParameter (0, 0.0f);
    EXPECT_EQ (engine.inputGainDb.load(), -96.0f);
    processor.setParameter (0, 0.5f);
    EXPECT_NEAR (engine.inputGainDb.load(), -6.0206, 1e-4);
    EXPECT_EQ (engine.inputGain.load(), 0.5f);

    processor.setParameter (3, 0.5f);
    EXPECT_EQ (engine.outputGainDb.load(), 0.0f);
    processor.setParameter (3, 0.54f);
    EXPECT_NEAR (engine.outputGainDb.load(), 0.668, 1e-3);

    processor.setParameter (1, 1.0f);
    EXPECT_EQ (engine.attackMs.load(), 10.0f);
    processor.setParameter (1, 0.5f);
    EXPECT_EQ (engine.attackMs.load(), 5.0f);
    EXPECT_EQ (engine.attack.load(), 0.5f);
    processor.setParameter (2, 0.1f);
    EXPECT_EQ (engine.releaseMs.load(), 300.0f);
    EXPECT_EQ (engine.detectorRight.releaseMs.load(), 300.0f);

    processor.setParameter (4, 3.0f);
    EXPECT_EQ (engine.ratio.load(), 4);
    EXPECT_EQ (processor.getParameter (4), 3.0f);
    processor.setParameter (4, 0.7f);
    EXPECT_EQ (processor.getParameter (4), 0.0f);
    EXPECT_EQ (engine.ratio.load(), 1);
    processor.setParameter (4, 6.0f);
    EXPECT_TRUE (engine.limiter.load());

    processor.setParameter (5, 2.9f);
    EXPECT_EQ (engine.distortionMode.load(), 2);
    EXPECT_EQ (processor.getParameter (5), 2.9f);
    processor.setParameter (5, 0.99f);
    EXPECT_EQ (engine.distortionMode.load(), 0);
    processor.setParameter (6, 3.5f);
    EXPECT_EQ (engine.filterMode.load(), 3);
    EXPECT_EQ (processor.getParameter (6), 3.5f);

    processor.setParameter (7, 0.2f);
    EXPECT_EQ (engine.wetDry.load(), 0.2f);
    processor.setParameter (8, 0.3f);
    EXPECT_EQ (engine.gc.load(), 0.3f);
    EXPECT_EQ (processor.getParameter (8), 0.3f);
}

TEST (ParameterTable, WholeNumberParametersAreDefinedForEveryFloat)
{
    EXPECT_EQ (MyTestAudioProcessor::truncateToInt (std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ (MyTestAudioProcessor::truncateToInt (std::numeric_limits<float>::infinity()), std::numeric_limits<int>::max());
    EXPECT_EQ (MyTestAudioProcessor::truncateToInt (-std::numeric_limits<float>::infinity()), std::numeric_limits<int>::min());
    EXPECT_EQ (MyTestAudioProcessor::truncateToInt (3e9f), std::numeric_limits<int>::max());
    EXPECT_EQ (MyTestAudioProcessor::truncateToInt (-3e9f), std::numeric_limits<int>::min());
    EXPECT_EQ (MyTestAudioProcessor::truncateToInt (-2147483648.0f), std::numeric_limits<int>::min());
    EXPECT_EQ (MyTestAudioProcessor::truncateToInt (2.9f), 2);
    EXPECT_EQ (MyTestAudioProcessor::truncateToInt (-2.9f), -2);
    EXPECT_EQ (MyTestAudioProcessor::truncateToInt (0.99f), 0);

    MyTestAudioProcessor processor;
    auto& engine = processor.getEngine();
    processor.setParameter (4, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ (processor.getParameter (4), 0.0f);
    EXPECT_EQ (engine.ratio.load(), 1);
    processor.setParameter (4, 1e20f);
    EXPECT_EQ (engine.ratio.load(), 1);
    processor.setParameter (5, -1e20f);
    EXPECT_EQ (engine.distortionMode.load(), std::numeric_limits<int>::min());
    processor.setParameter (6, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ (engine.filterMode.load(), 0);
    EXPECT_EQ (processor.getParameter (6), 0.0f); // a value that is not a number is stored as 0
}

TEST (ParameterTable, EngineRunsOnTheStoredValuesFromConstruction)
{
    MyTestAudioProcessor processor;
    auto& engine = processor.getEngine();
    EXPECT_EQ (engine.inputGainDb.load(), 20.0f * (float) std::log10 (0.5));
    EXPECT_EQ (engine.outputGainDb.load(), 20.0f * (float) std::log10 ((double) (2.0f * 0.54f)));
    EXPECT_EQ (engine.attackMs.load(), 10.0f);
    EXPECT_EQ (engine.releaseMs.load(), 300.0f);
    EXPECT_EQ (engine.ratio.load(), 1);
    EXPECT_EQ (engine.gc.load(), 0.5f);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
