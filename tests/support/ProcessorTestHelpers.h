#pragma once

#include "MyTestAudioProcessor.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <array>

// The processor's parameter interface is the framework's index-based one, marked deprecated.
JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

/** All nine stored values of a processor, for before-and-after comparisons. */
inline std::array<float, velk::numParameters> parametersOf (MyTestAudioProcessor& processor)
{
    std::array<float, velk::numParameters> values {};
    for (int i = 0; i < velk::numParameters; ++i)
        values[(size_t) i] = processor.getParameter (i);
    return values;
}

/** Noise at 0.8 of full scale in every channel, reproducible by seed. */
inline juce::AudioBuffer<float> noiseBuffer (int channels, int samples, std::uint32_t seed = 5u)
{
    juce::AudioBuffer<float> buffer (channels, samples);
    NoiseSource noise (seed);
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < samples; ++i)
            buffer.setSample (c, i, 0.8f * noise.next());
    return buffer;
}

/** One block through the processor, under its callback lock as the host binding calls it. */
inline void process (MyTestAudioProcessor& processor, juce::AudioBuffer<float>& buffer)
{
    juce::MidiBuffer midi;
    const juce::ScopedLock lock (processor.getCallbackLock());
    processor.processBlock (buffer, midi);
}

/** Counts the processor's change broadcasts, delivered synchronously by deliver(). */
struct ChangeCounter : juce::ChangeListener
{
    explicit ChangeCounter (MyTestAudioProcessor& p) : processor (p) { processor.addChangeListener (this); }
    ~ChangeCounter() override { processor.removeChangeListener (this); }
    void changeListenerCallback (juce::ChangeBroadcaster*) override { ++count; }

    int deliver()
    {
        processor.dispatchPendingMessages();
        return count;
    }

    MyTestAudioProcessor& processor;
    int count = 0;
};

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
