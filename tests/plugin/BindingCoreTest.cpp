// The binding core that every host format's binding rests on, driven directly: its blocks, keys,
// bypass and Limit rule against the engine, and its meter outputs against the engine's gains.

#include "BindingCore.h"
#include "EngineMirror.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
constexpr double rate = 48000.0;

using Channels = std::vector<std::vector<float>>;

Channels noise (NoiseSource& source, int channels, int frames, float level)
{
    Channels samples ((size_t) channels, std::vector<float> ((size_t) frames));
    for (auto& channel : samples)
        for (auto& sample : channel)
            sample = level * source.next();
    return samples;
}

std::vector<const float*> pointers (const Channels& samples)
{
    std::vector<const float*> result;
    for (const auto& channel : samples)
        result.push_back (channel.data());
    return result;
}

struct Case
{
    int channels;
    float sidechain;
    int keyChannels; // 0: no key; a key channel of -1 frames: unconnected
    bool keyRightUnconnected;
    bool limitAsPreset;
};
} // namespace

TEST (BindingCore, BlocksAreTheEnginesAcrossPiecesKeysAndLimitAndTheMetersItsGains)
{
    // Compressing at 8:1 or Limit, stereo and mono; internal, a stereo key, a mono key, a key
    // with its right side unconnected, no key at all (silence). Blocks longer than a piece and
    // shorter; the output, the block's reduction in dB and the clip hold as the engine gives them.
    const Case cases[] = { { 2, 0.0f, 0, false, false }, { 2, 1.0f, 2, false, true }, { 2, 1.0f, 1, false, false }, { 2, 1.0f, 2, true, false }, { 2, 1.0f, 0, false, true }, { 1, 1.0f, 1, false, false }, { 1, 0.0f, 0, false, true } };
    const int blockLengths[] = { 20000, 1, 7, 8192, 513 };

    for (size_t number = 0; number < std::size (cases); ++number)
    {
        const auto& c = cases[number];
        BindingCore core (juce::AudioProcessor::wrapperType_Undefined, BindingCore::createProcessor, BindingCore::Framework::own);
        core.prepare (rate, 512, c.channels);
        core.setValue (velk::inputParameter, 0.8f);
        core.setValue (velk::attackParameter, 0.4f);
        core.setValue (velk::releaseParameter, 0.2f);
        core.setValue (velk::sidechainParameter, c.sidechain);
        core.setValueAsPreset (velk::ratioParameter, c.limitAsPreset ? velk::limitPosition : 4.0f);
        EXPECT_EQ (core.getProcessor().reachesLimitFromApproach(), c.limitAsPreset);

        // The processor prepares the engine at the host's rate on its first block and sends it
        // every stored value in index order, as the mirror does here.
        EngineMirror mirror ((float) rate);
        mirror.engine.prepare ((float) rate);
        for (int index = 0; index < velk::numParameters; ++index)
            mirror.set (index, core.getValue (index));
        if (c.limitAsPreset)
            mirror.setLimitFromApproach();

        NoiseSource audioNoise (5u + (std::uint32_t) number), keyNoise (9u);
        for (const int frames : blockLengths)
        {
            const auto input = noise (audioNoise, c.channels, frames, 0.9f);
            const auto key = noise (keyNoise, 2, frames, 1.0f);
            auto keys = pointers (key);
            if (c.keyRightUnconnected)
                keys[1] = nullptr;
            Channels output ((size_t) c.channels, std::vector<float> ((size_t) frames, 5.0f));
            std::vector<float*> outputs;
            for (auto& channel : output)
                outputs.push_back (channel.data());
            core.process (pointers (input).data(), outputs.data(), c.keyChannels > 0 ? keys.data() : nullptr, c.keyChannels, frames, false);

            auto expected = input;
            float smallestGain = 1.0f;
            for (size_t i = 0; i < (size_t) frames; ++i)
            {
                float keyPair[2] = {};
                if (c.keyChannels > 0)
                    keyPair[0] = key[0][i];
                if (c.keyChannels == 2 && ! c.keyRightUnconnected)
                    keyPair[1] = key[1][i];
                else if (c.keyChannels == 1)
                    keyPair[1] = keyPair[0];
                mirror.processFrame (&expected[0][i], c.channels == 2 ? &expected[1][i] : nullptr, c.sidechain >= 0.5f ? keyPair : nullptr);
                smallestGain = std::min (smallestGain, mirror.engine.getLastGain());
            }
            ASSERT_EQ (output, expected) << "case " << number << ", " << frames << " frames";
            const float reductionDb = smallestGain < 1.0f ? std::min (velk::maxReductionDb, -20.0f * std::log10 (smallestGain)) : 0.0f;
            EXPECT_EQ (core.takeReductionDb(), reductionDb) << "case " << number << ", " << frames << " frames";
        }
        // Sidechain External without a key hears silence: nothing is reduced.
        EXPECT_EQ (mirror.engine.getLastGain() == 1.0f, c.sidechain >= 0.5f && c.keyChannels == 0) << "case " << number;
    }
}

TEST (BindingCore, BypassAccumulateAndTheClipHoldInFrames)
{
    BindingCore core (juce::AudioProcessor::wrapperType_Undefined, BindingCore::createProcessor, BindingCore::Framework::own);
    core.prepare (44100.0, 512, 2);
    core.setValue (velk::inputParameter, 1.0f);

    // Bypassed, the input passes untouched; accumulating, the processed block adds to the output.
    NoiseSource source (3u);
    const auto input = noise (source, 2, 1000, 0.5f);
    Channels output (2, std::vector<float> (1000, 0.25f));
    std::vector<float*> outputs { output[0].data(), output[1].data() };
    core.process (pointers (input).data(), outputs.data(), nullptr, 0, 1000, true);
    EXPECT_EQ (output, input);

    BindingCore twin (juce::AudioProcessor::wrapperType_Undefined, BindingCore::createProcessor, BindingCore::Framework::own);
    twin.prepare (44100.0, 512, 2);
    twin.setValue (velk::inputParameter, 1.0f);
    Channels alone (2, std::vector<float> (1000)), added (2, std::vector<float> (1000, 0.25f));
    std::vector<float*> aloneOut { alone[0].data(), alone[1].data() }, addedOut { added[0].data(), added[1].data() };
    core.process (pointers (input).data(), addedOut.data(), nullptr, 0, 1000, false, true);
    twin.process (pointers (input).data(), aloneOut.data(), nullptr, 0, 1000, false);
    for (size_t c = 0; c < 2; ++c)
        for (size_t i = 0; i < 1000; ++i)
            ASSERT_EQ (added[c][i], 0.25f + alone[c][i]) << c << ", " << i;

    // A block past full scale lights the clip output for a second of the core's rate: 44100
    // frames, so 86 more blocks of 512 after it.
    const Channels loud (2, std::vector<float> (512, 1.0f));
    Channels scratch (2, std::vector<float> (512));
    std::vector<float*> scratchOut { scratch[0].data(), scratch[1].data() };
    core.process (pointers (loud).data(), scratchOut.data(), nullptr, 0, 512, false);
    EXPECT_TRUE (core.takeClipHeld (512));
    const Channels quiet (2, std::vector<float> (512));
    int lit = 0;
    for (int block = 0; block < 200; ++block)
    {
        core.process (pointers (quiet).data(), scratchOut.data(), nullptr, 0, 512, false);
        lit += core.takeClipHeld (512) ? 1 : 0;
    }
    EXPECT_EQ (lit, 86);
}
