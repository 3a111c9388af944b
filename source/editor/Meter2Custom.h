#pragma once

#include "ScalableImage.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

class MyTestAudioProcessor;

/**
    The eight-lamp gain-reduction meter. Every 50 ms it reads the engine's meter value and picks
    one of nine frames: below 0.0625 all dark, then one more lamp per 0.125, all eight from
    0.9375. Negative values and NaN show the dark frame. Repaints on every tick with a non-zero
    value.
*/
class Meter2Custom : public juce::Component,
                     private juce::Timer
{
public:
    Meter2Custom (juce::Image image, MyTestAudioProcessor* processor);
    ~Meter2Custom() override;

    /** The frame, 0 to 8, for a meter value. */
    static int frameFor (float level) noexcept;

    int getSourceY() const noexcept { return sourceY; }

    void paint (juce::Graphics& g) override;
    void timerCallback() override;

    /** The strip with its double-size copy, drawn from where the screen shows the meter larger. */
    void setScalableImage (std::shared_ptr<ScalableImage> newArt) { art = std::move (newArt); }

private:
    int sourceY = 0;
    float level = 0.0f;
    int frameWidth, frameHeight;
    juce::Image image;
    MyTestAudioProcessor* processor;
    std::shared_ptr<ScalableImage> art;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Meter2Custom)
};
