#include "ProcessorTestHelpers.h"
#include "TestSignals.h"

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

namespace
{
void useSettings (MyTestAudioProcessor& processor)
{
    processor.setParameter (0, 0.8f);
    processor.setParameter (4, 3.0f);
    processor.setParameter (5, 2.0f);
    processor.setParameter (6, 1.0f);
}

/** prepare resets clipFlag; a raised flag that survives a block shows that no set-up ran. */
bool setUpRanDuring (MyTestAudioProcessor& processor, juce::AudioBuffer<float>& buffer)
{
    processor.getEngine().clipFlag = true;
    buffer.clear();
    process (processor, buffer);
    return ! processor.getEngine().clipFlag.load();
}
} // namespace

TEST (AudioCallback, StereoPairsReachTheEngineInOrder)
{
    // Without a key, with a stereo key and with a mono key (one channel for both sides).
    const auto key = noiseBuffer (2, 4096, 77u);
    for (const int keyChannels : { 0, 2, 1 })
    {
        MyTestAudioProcessor processor;
        processor.setPlayConfigDetails (2, 2, 44100.0, 512);
        useSettings (processor);

        CompressorCore engine (44100.0f);
        engine.setInput (0.8f);
        engine.setAttack (1.0f);
        engine.setRelease (0.1f);
        engine.setOutput (0.54f);
        engine.setRatioPreset (3);
        engine.setDistortionMode (2);
        engine.setFilterMode (1);

        auto buffer = noiseBuffer (2, 4096);
        const auto input = buffer;
        if (keyChannels == 0)
            process (processor, buffer);
        else
            processor.processBlockWithKey (buffer, key.getReadPointer (0), keyChannels == 2 ? key.getReadPointer (1) : nullptr);
        for (int i = 0; i < 4096; ++i)
        {
            float left = input.getSample (0, i), right = input.getSample (1, i);
            if (keyChannels == 0)
                engine.processSample (&left, &right);
            else
                engine.processSample (&left, &right, key.getSample (0, i), key.getSample (keyChannels - 1, i));
            ASSERT_EQ (buffer.getSample (0, i), left) << keyChannels << ", " << i;
            ASSERT_EQ (buffer.getSample (1, i), right) << keyChannels << ", " << i;
        }
    }
}

TEST (AudioCallback, MonoEqualsTheLeftOfAnIdenticalStereoPair)
{
    MyTestAudioProcessor mono, stereo;
    mono.setPlayConfigDetails (1, 1, 48000.0, 256);
    stereo.setPlayConfigDetails (2, 2, 48000.0, 256);
    useSettings (mono);
    useSettings (stereo);

    for (int block = 0; block < 8; ++block)
    {
        auto monoBuffer = noiseBuffer (1, 256, (std::uint32_t) block + 1);
        juce::AudioBuffer<float> stereoBuffer (2, 256);
        stereoBuffer.copyFrom (0, 0, monoBuffer, 0, 0, 256);
        stereoBuffer.copyFrom (1, 0, monoBuffer, 0, 0, 256);
        process (mono, monoBuffer);
        process (stereo, stereoBuffer);
        for (int i = 0; i < 256; ++i)
        {
            ASSERT_EQ (monoBuffer.getSample (0, i), stereoBuffer.getSample (0, i));
            ASSERT_EQ (stereoBuffer.getSample (0, i), stereoBuffer.getSample (1, i));
        }
    }
}

TEST (AudioCallback, SurplusOutputsClearedOtherInputCountsUntouched)
{
    MyTestAudioProcessor processor;
    processor.setPlayConfigDetails (1, 2, 44100.0, 64);
    auto buffer = noiseBuffer (2, 64);
    const auto input = buffer;
    process (processor, buffer);
    EXPECT_NE (buffer.getSample (0, 10), input.getSample (0, 10));
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ (buffer.getSample (1, i), 0.0f);

    MyTestAudioProcessor three;
    three.setPlayConfigDetails (3, 4, 44100.0, 64);
    auto wide = noiseBuffer (4, 64);
    const auto wideInput = wide;
    process (three, wide);
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 64; ++i)
            ASSERT_EQ (wide.getSample (c, i), wideInput.getSample (c, i));
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ (wide.getSample (3, i), 0.0f);
}

TEST (AudioCallback, RateChangesRunTheSetUpOnceAndKeepTheStoredSettings)
{
    MyTestAudioProcessor processor;
    useSettings (processor);
    processor.setParameter (3, 0.7f);
    auto& engine = processor.getEngine();
    const float inputDb = engine.inputGainDb.load();
    const float outputDb = engine.outputGainDb.load();
    juce::AudioBuffer<float> buffer (2, 32);

    processor.setPlayConfigDetails (2, 2, 44100.0, 32);
    EXPECT_FALSE (setUpRanDuring (processor, buffer));

    processor.setPlayConfigDetails (2, 2, 48000.0, 32);
    EXPECT_TRUE (setUpRanDuring (processor, buffer));
    EXPECT_FALSE (setUpRanDuring (processor, buffer));
    EXPECT_EQ (engine.detectorLeft.sampleRate.load(), 48000.0f);
    EXPECT_EQ (engine.highPassLeft.b0, HighPassBiquad (48000.0f).b0);

    // The engine works with the stored settings, not its own set-up values.
    EXPECT_EQ (engine.inputGainDb.load(), inputDb);
    EXPECT_EQ (engine.outputGainDb.load(), outputDb);
    EXPECT_EQ (engine.ratio.load(), 4);
    EXPECT_EQ (engine.distortionMode.load(), 2);
    EXPECT_EQ (engine.filterMode.load(), 1);
    EXPECT_EQ (engine.attackMs.load(), 10.0f);
    EXPECT_EQ (engine.detectorLeft.attackCoef.load(), LevelDetector::coefficientFor (48000.0f, 10.0f));
    EXPECT_EQ (processor.getParameter (0), 0.8f);

    processor.setPlayConfigDetails (2, 2, 44100.0, 32);
    EXPECT_TRUE (setUpRanDuring (processor, buffer));
    EXPECT_EQ (engine.ratio.load(), 4);

    // A zero-length block still runs the rate test.
    processor.setPlayConfigDetails (2, 2, 96000.0, 32);
    juce::AudioBuffer<float> empty (2, 0);
    process (processor, empty);
    EXPECT_EQ (engine.detectorRight.sampleRate.load(), 96000.0f);
}

TEST (AudioCallback, UnusualHostRates)
{
    MyTestAudioProcessor processor;
    juce::AudioBuffer<float> buffer (2, 16);

    // A rate that single precision cannot hold sets up once, not on every block.
    processor.setPlayConfigDetails (2, 2, 44100.003, 16);
    EXPECT_TRUE (setUpRanDuring (processor, buffer));
    EXPECT_FALSE (setUpRanDuring (processor, buffer));
    EXPECT_FALSE (setUpRanDuring (processor, buffer));

    // A host that has not given a rate leaves the set-up alone.
    MyTestAudioProcessor unprepared;
    unprepared.setPlayConfigDetails (2, 2, 0.0, 16);
    EXPECT_FALSE (setUpRanDuring (unprepared, buffer));
    EXPECT_EQ (unprepared.getEngine().detectorLeft.sampleRate.load(), 44100.0f);
}

TEST (AudioCallback, BypassPassesAudioThrough)
{
    MyTestAudioProcessor processor;
    processor.setPlayConfigDetails (2, 2, 44100.0, 128);
    auto buffer = noiseBuffer (2, 128);
    const auto input = buffer;
    const float meterBefore = processor.getEngine().meterValue.load();
    juce::MidiBuffer midi;
    processor.processBlockBypassed (buffer, midi);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 128; ++i)
            ASSERT_EQ (buffer.getSample (c, i), input.getSample (c, i));
    EXPECT_EQ (processor.getEngine().meterValue.load(), meterBefore);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
