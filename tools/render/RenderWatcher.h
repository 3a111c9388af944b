#pragma once

#include "CompressorCore.h"
#include "RenderPlot.h"

#include <juce_audio_basics/juce_audio_basics.h>

/**
    An engine given the plug-in's settings that watches a render for what no plug-in port gives:
    the per-sample gain for the plot, the agreement of its output with the plug-in's (which makes
    the figures the plug-in's own), the largest gain reduction unclamped, and the blocks in which
    the clip lamp lit. Also the levels of the input and the output.
*/
class RenderWatcher
{
public:
    /** Level figures over every channel of a signal. */
    struct Levels
    {
        double peak = 0.0, sumOfSquares = 0.0;
        juce::int64 count = 0;

        void add (float x) noexcept;
        juce::String describe() const;
    };

    /** values: the plug-in's ten (Sidechain last); limitFromTwenty: Ratio Limit is reached from
        20:1, as the LV2 build reaches it; bothSides: the plug-in runs two sides (a mono input
        as two equal ones), else one. */
    RenderWatcher (double sampleRate, const float* values, bool limitFromTwenty, bool bothSides);

    /** One block: numChannels of input and output, the key's two channels (used with Sidechain
        External), from position in the render. */
    void watch (const juce::AudioBuffer<float>& input, const juce::AudioBuffer<float>& key, const juce::AudioBuffer<float>& output,
                int numChannels, int length, juce::int64 position, RenderPlot& plot);

    /** The largest reduction in dB, unclamped; 0 where there was none. */
    double reductionDb() const noexcept;

    Levels input, output;
    float smallestGain = 1.0f;
    long clipBlocks = 0, blocks = 0, disagreements = 0;

private:
    CompressorCore engine;
    const bool external, bothSides;
};
