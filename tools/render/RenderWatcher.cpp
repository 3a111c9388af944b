#include "RenderWatcher.h"

#include "FactoryPresetTable.h"

#include <cmath>

namespace
{
juce::String decibels (double linear)
{
    return linear > 0.0 ? juce::String (20.0 * std::log10 (linear), 1) + " dBFS" : juce::String ("-inf dBFS");
}
} // namespace

void RenderWatcher::Levels::add (float x) noexcept
{
    peak = juce::jmax (peak, (double) std::fabs (x));
    sumOfSquares += (double) x * (double) x;
    ++count;
}

juce::String RenderWatcher::Levels::describe() const
{
    return "peak " + decibels (peak).paddedLeft (' ', 11) + "   RMS "
        + decibels (count > 0 ? std::sqrt (sumOfSquares / (double) count) : 0.0).paddedLeft (' ', 11);
}

RenderWatcher::RenderWatcher (double sampleRate, const float* values, bool limitFromTwenty, bool twoSides)
    : engine ((float) sampleRate),
      external (values[velk::sidechainParameter] >= 0.5f),
      bothSides (twoSides)
{
    for (int i = 0; i < velk::numParameters; ++i)
        engine.applyParameter (i, values[i]);
    if (limitFromTwenty && values[velk::ratioParameter] == velk::limitPosition)
        engine.setLimitFromTwentyToOne();
}

void RenderWatcher::watch (const juce::AudioBuffer<float>& in, const juce::AudioBuffer<float>& key, const juce::AudioBuffer<float>& out,
                           int numChannels, int length, juce::int64 position, RenderPlot& plot)
{
    for (int i = 0; i < length; ++i)
    {
        float inMagnitude = 0.0f, outMagnitude = 0.0f;
        for (int c = 0; c < numChannels; ++c)
        {
            input.add (in.getSample (c, i));
            output.add (out.getSample (c, i));
            inMagnitude = juce::jmax (inMagnitude, std::fabs (in.getSample (c, i)));
            outMagnitude = juce::jmax (outMagnitude, std::fabs (out.getSample (c, i)));
        }

        float left = in.getSample (0, i);
        bool agrees;
        if (bothSides)
        {
            float right = in.getSample (numChannels - 1, i);
            if (external)
                engine.processSample (&left, &right, key.getSample (0, i), key.getSample (1, i));
            else
                engine.processSample (&left, &right);
            agrees = left == out.getSample (0, i) && (numChannels == 1 || right == out.getSample (1, i));
        }
        else
        {
            engine.processMonoSample (&left);
            agrees = left == out.getSample (0, i);
        }
        if (! agrees)
            ++disagreements;
        smallestGain = juce::jmin (smallestGain, engine.getLastGain());
        plot.add (position + i, inMagnitude, outMagnitude, engine.getLastGain());
    }

    ++blocks;
    if (engine.takeClipFlag())
        ++clipBlocks;
}

double RenderWatcher::reductionDb() const noexcept
{
    return smallestGain > 0.0f && smallestGain < 1.0f ? -20.0 * std::log10 ((double) smallestGain) : 0.0;
}
