#pragma once

#include "MyTestAudioProcessor.h"

#include <gtest/gtest.h>

#include <array>

// The processor's parameter interface is the framework's index-based one, marked deprecated.
JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

/** All nine stored values of a processor, for before-and-after comparisons. */
inline std::array<float, 9> parametersOf (MyTestAudioProcessor& processor)
{
    std::array<float, 9> values {};
    for (int i = 0; i < 9; ++i)
        values[(size_t) i] = processor.getParameter (i);
    return values;
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
