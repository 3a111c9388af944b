#pragma once

#include <juce_graphics/juce_graphics.h>

#include <vector>

/**
    The picture of a render: input and output waveform envelopes over time, and the gain
    reduction below them, with the settings in a caption. Collects one column of figures per
    pixel while the render runs.
*/
class RenderPlot
{
public:
    RenderPlot (juce::int64 totalSamples, double sampleRate);

    /** One sample frame: the largest input and output magnitude over its channels, and the
        compressor's gain on it. */
    void add (juce::int64 position, float inputMagnitude, float outputMagnitude, float gain) noexcept;

    bool writePng (const juce::File& file, const juce::String& title, const juce::StringArray& captionLines) const;

    static constexpr int width = 1200, height = 600;

private:
    struct Column
    {
        float input = 0.0f, output = 0.0f, gain = 1.0f;
    };

    juce::int64 totalSamples;
    double sampleRate;
    std::vector<Column> columns;
};
